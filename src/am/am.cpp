#include "am.h"

#include <sys/stat.h>

#include <atomic>
#include <cctype>

#include "am_archivedirectory.h"
#include "am_archivezip.h"
#include "am_filewatcher.h"
#include "am_imagemanager.h"
#include "zlk_system.h"

namespace zelkor {
namespace am {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

std::string toLower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "type://path": the scheme ends before the first separator and needs at
// least one character after it, so "zip://" alone has none.
bool splitScheme(const std::string& name, std::string& type, std::string& path) {
  for (size_t i = 0; i + 3 < name.size(); ++i) {
    if (name.compare(i, 3, "://") == 0) {
      type = name.substr(0, i);
      path = name.substr(i + 3);
      return true;
    }
    if (isSeparator(name[i])) break;
  }
  return false;
}

// The text after the last "." of the last path part, or "".
std::string pathExtension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return path.substr(dot + 1);
}

std::atomic<long long> gHeldBytes(0);
std::atomic<long long> gMaxFileBytes(kMaxFileBytes);
std::atomic<long long> gMaxHeldBytes(kMaxHeldBytes);

std::string mebibytes(long long bytes) {
  return bytes % (1 << 20) ? std::to_string(bytes) + " bytes" : std::to_string(bytes >> 20) + " MB";
}

}  // namespace

bool claimReadBytes(long long bytes, std::string& why) {
  if (bytes > gMaxFileBytes) {
    why = std::to_string(bytes) + " bytes, more than the " + mebibytes(gMaxFileBytes) + " one file may hold";
    return false;
  }
  const long long held = gHeldBytes += bytes;
  if (held > gMaxHeldBytes) {
    gHeldBytes -= bytes;
    why = std::to_string(bytes) + " bytes, more than fit beside the " + std::to_string(held - bytes) +
          " bytes of files already held (at most " + mebibytes(gMaxHeldBytes) + " at once)";
    return false;
  }
  return true;
}

void releaseReadBytes(long long bytes) { gHeldBytes -= bytes; }

void setReadLimits(long long fileBytes, long long heldBytes) {
  gMaxFileBytes = fileBytes;
  gMaxHeldBytes = heldBytes;
}

ArchiveManager::ArchiveManager() : mImageManager(new ImageManager) {}

ArchiveManager::~ArchiveManager() {
  for (ArchiveBase* archive : mArchives) delete archive;
  mArchives.clear();
  delete mImageManager;
}

int ArchiveManager::addArchive(const std::string& pFilename) {
  if (pFilename.empty()) return -1;
  std::string type;
  std::string path;
  if (!splitScheme(pFilename, type, path)) {
    path = pFilename;
    type = pathExtension(path);
  }
  type = toLower(type);

  if (type.empty()) {
    // mounted all the same: it may appear later, but the user hears of it now
    struct stat info;
    const std::string probe = path.empty() ? std::string(".") : path;
    if (::stat(probe.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      ZLK_LOG("warning", "app", "Could not open directory: %s", path.c_str());
    }
    mArchives.push_back(new ArchiveDirectory(path));
  } else if (type == "zip") {
    ZLK_LOG("log", "app", "Adding zip: %s", path.c_str());
    ArchiveZIP* zip = new ArchiveZIP(path);
    if (!zip->isOpen()) ZLK_LOG("warning", "app", "Could not open zip: %s", path.c_str());
    mArchives.push_back(zip);
  } else {
    return -1;
  }
  return static_cast<int>(mArchives.size()) - 1;
}

ArchiveBase* ArchiveManager::getArchive(int pArchiveID) const {
  if (pArchiveID < 0 || pArchiveID >= static_cast<int>(mArchives.size())) return nullptr;
  return mArchives[pArchiveID];
}

File ArchiveManager::readFile(const std::string& pFilename, int pArchiveID) {
  if (pArchiveID != -1) {
    ArchiveBase* archive = getArchive(pArchiveID);
    return archive ? noteRead(archive, pFilename, archive->read(pFilename)) : File();
  }
  for (ArchiveBase* archive : mArchives) {
    File file = archive->read(pFilename);
    if (!file.isNull()) return noteRead(archive, pFilename, file);
  }
  return File();
}

File ArchiveManager::noteRead(ArchiveBase* pArchive, const std::string& pFilename, File pFile) {
  if (mWatcher && !pFile.isNull()) {
    const std::string path = pArchive->getLocalPath(pFilename);
    if (!path.empty()) mWatcher->watch(pFilename, path);
  }
  return pFile;
}

Image ArchiveManager::loadImage(const std::string& pFileId, int pArchiveID, bool uniqueAccess) {
  File file = readFile(pFileId, pArchiveID);
  if (file.isNull()) throw Exception("loadImage, File not found (%s)", pFileId.c_str());
  return mImageManager->loadImage(pFileId, file, uniqueAccess);
}

bool ArchiveManager::writeFile(File pFile, int pArchiveID) {
  ArchiveBase* archive = getArchive(pArchiveID == -1 ? 0 : pArchiveID);
  return archive ? archive->write(pFile) : false;
}

bool ArchiveManager::writeImage(const std::string& filename, const Image& image) {
  File file = mImageManager->encodeImage(filename, image);
  if (file.isNull()) return false;
  return writeFile(file, -1);
}

void ArchiveManager::flush(int pArchiveID) {
  if (pArchiveID < 0) {
    for (ArchiveBase* archive : mArchives) archive->flush();
  } else if (ArchiveBase* archive = getArchive(pArchiveID)) {
    archive->flush();
  }
}

bool ArchiveManager::writeAllToArchive(const std::string& /*pFilename*/) { return true; }

}  // namespace am
}  // namespace zelkor
