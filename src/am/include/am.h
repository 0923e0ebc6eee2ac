#pragma once
// Archive manager: every file of the system is read through an ordered list of
// mounted archives (directories and zip files); files travel as
// reference-counted records.

#include <cassert>
#include <string>
#include <vector>

#include "am_image.h"

namespace zelkor {
namespace am {

class ImageManager;
class FileWatcher;

// Bounds on what reading can allocate, so that a small archive that inflates
// to gigabytes is refused before anything is allocated: the bytes of one file
// (a zip entry is checked against its declared size before inflating) and of
// all files read from archives and still held at once.
const long long kMaxFileBytes = 512LL << 20;
const long long kMaxHeldBytes = 1024LL << 20;
// Claims `bytes` of the held total; false when they would pass a limit, with
// `why` telling which. Tests lower the limits with setReadLimits.
bool claimReadBytes(long long bytes, std::string& why);
void releaseReadBytes(long long bytes);
void setReadLimits(long long fileBytes, long long heldBytes);

// One file read from (or to be written to) an archive. The record owns `data`,
// which is allocated with new[]; a caller that lends a buffer for a moment
// must set `data` back to null before the record is destroyed.
struct FileStructure {
  FileStructure() : length(0), data(nullptr) {}
  FileStructure(const std::string& pFilename, long pLength, unsigned char* pData)
      : filename(pFilename), length(pLength), data(pData) {}
  ~FileStructure() {
    if (claimed) releaseReadBytes(claimed);
    delete[] data;
    data = nullptr;
    length = 0;
  }
  FileStructure(const FileStructure&) = delete;
  FileStructure& operator=(const FileStructure&) = delete;

  std::string filename;  // the name as asked for
  long length;           // number of bytes in data
  unsigned char* data;
  long long claimed = 0;  // bytes counted against the held total, released with the record
};

template <class T>
class TRefCount {
 public:
  TRefCount() : mCount(1) {}
  int addRef() { return ++mCount; }
  int decRef() { return --mCount; }
  int getCount() const { return mCount; }

 private:
  int mCount;
};

// Shared pointer whose object and counter live in one block (PtrRef).
template <class T, class RefCount = TRefCount<T>>
class TSmartPtr {
 public:
  struct PtrRef {
    explicit PtrRef(T* pObject) : mObject(pObject) {}
    T* mObject;
    RefCount mRefCount;
  };

  TSmartPtr() noexcept : mPtrRef(nullptr) {}
  explicit TSmartPtr(T* pObject) : mPtrRef(nullptr) { attach(pObject); }
  TSmartPtr(const TSmartPtr& pOther) noexcept : mPtrRef(pOther.mPtrRef) {
    if (mPtrRef) mPtrRef->mRefCount.addRef();
  }
  TSmartPtr(TSmartPtr&& pOther) noexcept : mPtrRef(pOther.mPtrRef) { pOther.mPtrRef = nullptr; }
  ~TSmartPtr() { release(); }

  TSmartPtr& operator=(const TSmartPtr& pOther) {
    if (mPtrRef != pOther.mPtrRef) {
      PtrRef* shared = pOther.mPtrRef;
      if (shared) shared->mRefCount.addRef();  // before releasing: the old object may own pOther
      release();
      mPtrRef = shared;
    }
    return *this;
  }
  TSmartPtr& operator=(TSmartPtr&& pOther) noexcept {
    if (this != &pOther) {
      release();
      mPtrRef = pOther.mPtrRef;
      pOther.mPtrRef = nullptr;
    }
    return *this;
  }
  TSmartPtr& operator=(T* pObject) {
    if (get() != pObject) {  // re-attaching the held record would free it under our feet
      release();
      attach(pObject);
    }
    return *this;
  }

  void release() {
    PtrRef* ref = mPtrRef;
    mPtrRef = nullptr;
    if (ref && ref->mRefCount.decRef() == 0) {
      delete ref->mObject;
      delete ref;
    }
  }

  bool isNull() const { return mPtrRef == nullptr; }
  T* get() const { return mPtrRef ? mPtrRef->mObject : nullptr; }
  T* operator->() const {
    assert(mPtrRef);
    return mPtrRef->mObject;
  }
  T& operator*() const {
    assert(mPtrRef);
    return *mPtrRef->mObject;
  }
  int getRefCount() const { return mPtrRef ? mPtrRef->mRefCount.getCount() : 0; }

 private:
  void attach(T* pObject) {
    if (!pObject) return;
    try {
      mPtrRef = new PtrRef(pObject);
    } catch (...) {
      delete pObject;
      throw;
    }
  }

  PtrRef* mPtrRef;
};

typedef TSmartPtr<FileStructure, TRefCount<FileStructure>> File;

// A mounted archive. Reads never throw: a missing or unreadable file gives an
// empty handle. Writes report false.
class ArchiveBase {
 public:
  explicit ArchiveBase(const std::string& pPath) : mArchivePath(pPath) {}
  virtual ~ArchiveBase() { flush(); }
  virtual File read(const std::string& pFilename) = 0;
  virtual bool write(File pFile) = 0;
  virtual void flush() {}

  // The path the archive was mounted with.
  const std::string& getArchivePath() const { return mArchivePath; }
  // Where the file lives on disk, or "" when it is not a file of its own.
  virtual std::string getLocalPath(const std::string& /*pFilename*/) const { return std::string(); }

  ArchiveBase(const ArchiveBase&) = delete;
  ArchiveBase& operator=(const ArchiveBase&) = delete;

 private:
  std::string mArchivePath;
};

class ArchiveManager {
 public:
  ArchiveManager();
  ~ArchiveManager();
  ArchiveManager(const ArchiveManager&) = delete;
  ArchiveManager& operator=(const ArchiveManager&) = delete;

  // "dir", "dir/", "pack.zip", "zip://pack": returns the archive id, or -1
  // when nothing was mounted.
  int addArchive(const std::string& pFilename);

  // With -1 every archive is asked, first mounted first.
  File readFile(const std::string& pFilename, int pArchiveID = -1);
  Image loadImage(const std::string& pFileId, int pArchiveID = -1, bool uniqueAccess = false);

  // With -1 the first archive is written.
  bool writeFile(File pFile, int pArchiveID = -1);
  bool writeImage(const std::string& filename, const Image& image);

  // A negative id flushes every archive.
  void flush(int pArchiveID = -1);
  bool writeAllToArchive(const std::string& pFilename);

  ImageManager* getImageManager() { return mImageManager; }
  int getArchiveCount() const { return static_cast<int>(mArchives.size()); }
  ArchiveBase* getArchive(int pArchiveID) const;

  // Every file read from now on that lives on disk is watched (null: none).
  void setWatcher(FileWatcher* pWatcher) { mWatcher = pWatcher; }
  FileWatcher* getWatcher() const { return mWatcher; }

 private:
  File noteRead(ArchiveBase* pArchive, const std::string& pFilename, File pFile);

  std::vector<ArchiveBase*> mArchives;  // in mounting order; index = archive id
  ImageManager* mImageManager;
  FileWatcher* mWatcher = nullptr;  // not owned
};

}  // namespace am
}  // namespace zelkor
