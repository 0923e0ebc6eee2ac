#include "am_image.h"

#include <cstdint>
#include <new>

#include "am_imagemanager.h"
#include "zlk_system.h"

namespace zelkor {
namespace am {

namespace {

unsigned char* allocatePixels(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  if (static_cast<size_t>(width) > SIZE_MAX / 4 / static_cast<size_t>(height)) throw std::bad_array_new_length();
  return new unsigned char[static_cast<size_t>(width) * static_cast<size_t>(height) * 4];
}

}  // namespace

ImageObject::ImageObject(int pWidth, int pHeight, unsigned char* pData, ImageManager* pManager,
                         const std::string& pId)
    : mId(pId),
      mLoader(pManager),
      mImageWidth(pWidth),
      mImageHeight(pHeight),
      mImageData(pData ? pData : allocatePixels(pWidth, pHeight)) {}

ImageObject::~ImageObject() { delete[] mImageData; }

void ImageObject::resize(int pWidth, int pHeight) {
  delete[] mImageData;
  mImageData = nullptr;
  mImageWidth = 0;
  mImageHeight = 0;
  mImageData = allocatePixels(pWidth, pHeight);
  mImageWidth = pWidth;
  mImageHeight = pHeight;
}

void ImageObject::setData(int pWidth, int pHeight, unsigned char* pData) {
  if (!pData) return;
  if (pData != mImageData) delete[] mImageData;
  mImageData = pData;
  mImageWidth = pWidth;
  mImageHeight = pHeight;
}

unsigned char* ImageObject::getWriteData() {
  if (mLoader) throw Exception("ImageObbject::getWriteData, Access not allowed!");
  return mImageData;
}

int ImageRefCounter::decRef() {
  if (mRef > 0) --mRef;
  if (!mObject) {
    if (mRef == 0) delete this;
    return 0;
  }
  ImageManager* manager = mObject->getManager();
  if (manager && mRef == 1) {
    manager->releaseCached(mObject);  // may delete this
    return 0;
  }
  if (mRef == 0) {
    delete mObject;
    delete this;
    return 0;
  }
  return mRef;
}

Image::Image(ImageObject* pObject) : mObjectRef(nullptr) { assign(pObject); }

Image::Image(const Image& pOther) noexcept : mObjectRef(pOther.mObjectRef) {
  if (mObjectRef) mObjectRef->addRef();
}

Image& Image::operator=(const Image& pOther) {
  if (mObjectRef != pOther.mObjectRef) {
    ImageRefCounter* shared = pOther.mObjectRef;
    if (shared) shared->addRef();
    release();
    mObjectRef = shared;
  }
  return *this;
}

Image& Image::operator=(Image&& pOther) noexcept {
  if (this != &pOther) {
    release();
    mObjectRef = pOther.mObjectRef;
    pOther.mObjectRef = nullptr;
  }
  return *this;
}

void Image::assign(ImageObject* pObject) {
  if (pObject && pObject == get()) return;  // already ours; releasing first would free it
  release();
  if (!pObject) return;
  try {
    mObjectRef = new ImageRefCounter(pObject);
  } catch (...) {
    delete pObject;
    throw;
  }
}

void Image::release() {
  ImageRefCounter* ref = mObjectRef;
  mObjectRef = nullptr;  // before decRef, which may come back here through the cache
  if (ref) ref->decRef();
}

void Image::swap(Image& pOther) noexcept {
  ImageRefCounter* ref = mObjectRef;
  mObjectRef = pOther.mObjectRef;
  pOther.mObjectRef = ref;
}

ImageObject* Image::operator->() const {
  if (!mObjectRef) throw Exception("Image::operator->() - Attempt to dereference (NULL)ImageObject!");
  return mObjectRef->getObject();
}

ImageObject& Image::operator*() const {
  if (!mObjectRef) throw Exception("Image::operator*() Attempt to dereference (NULL)ImageObject!");
  return *mObjectRef->getObject();
}

}  // namespace am
}  // namespace zelkor
