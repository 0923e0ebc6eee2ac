#pragma once
// Decoded pictures: 8-bit B, G, R, A pixels, rows from the top, no padding
// between rows, held by reference-counted handles.

#include <string>

namespace zelkor {
namespace am {

class ImageManager;

class ImageObject {
 public:
  // Adopts pData (allocated with new[]) when it is not null, otherwise
  // allocates width * height * 4 bytes with undefined contents.
  ImageObject(int pWidth = 0, int pHeight = 0, unsigned char* pData = nullptr, ImageManager* pManager = nullptr,
              const std::string& pId = std::string());
  ~ImageObject();
  ImageObject(const ImageObject&) = delete;
  ImageObject& operator=(const ImageObject&) = delete;

  // New, uninitialised pixels of the given size (none when a side is 0).
  void resize(int pWidth, int pHeight);
  // Adopts pData (new[]) with the given size; a null pData changes nothing.
  void setData(int pWidth, int pHeight, unsigned char* pData);

  int getWidth() const { return mImageWidth; }
  int getHeight() const { return mImageHeight; }
  const unsigned char* getData() const { return mImageData; }
  // Cached pictures are shared and must not change: fails for them.
  unsigned char* getWriteData();

  const std::string& getId() const { return mId; }
  void setId(const std::string& pId) { mId = pId; }
  ImageManager* getManager() const { return mLoader; }
  void setManager(ImageManager* pManager) { mLoader = pManager; }

 private:
  std::string mId;
  ImageManager* mLoader;  // the manager whose cache holds this image, or null
  int mImageWidth;
  int mImageHeight;
  unsigned char* mImageData;
};

class ImageRefCounter {
 public:
  explicit ImageRefCounter(ImageObject* pObject) : mObject(pObject), mRef(1) {}
  void addRef() { ++mRef; }
  int getRef() const { return mRef; }
  // Drops one reference. When only the cache's own reference is left, the
  // image leaves the cache, which deletes it and this counter.
  int decRef();
  ImageObject* getObject() const { return mObject; }

 private:
  ~ImageRefCounter() = default;  // deleted only by decRef
  ImageObject* mObject;
  int mRef;
};

class Image {
 public:
  Image() noexcept : mObjectRef(nullptr) {}
  Image(ImageObject* pObject);  // NOLINT: a raw picture converts to its first handle
  Image(const Image& pOther) noexcept;
  Image(Image&& pOther) noexcept : mObjectRef(pOther.mObjectRef) { pOther.mObjectRef = nullptr; }
  ~Image() { release(); }

  Image& operator=(const Image& pOther);
  Image& operator=(Image&& pOther) noexcept;
  Image& operator=(ImageObject* pObject) {
    assign(pObject);
    return *this;
  }

  void assign(ImageObject* pObject);
  void release();
  bool isNull() const { return mObjectRef == nullptr; }
  ImageObject* get() const { return mObjectRef ? mObjectRef->getObject() : nullptr; }
  int getRefCount() const { return mObjectRef ? mObjectRef->getRef() : 0; }
  void swap(Image& pOther) noexcept;

  ImageObject* operator->() const;
  ImageObject& operator*() const;

 private:
  ImageRefCounter* mObjectRef;  // null for a null image
};

}  // namespace am
}  // namespace zelkor
