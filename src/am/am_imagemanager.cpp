#include "am_imagemanager.h"

#include <cctype>
#include <memory>

#include "am_imagecodec_jpeg.h"
#include "am_imagecodec_png.h"
#include "am_imagecodec_tga.h"
#include "zlk_system.h"

namespace zelkor {
namespace am {

bool ImageCodec::encodeImage(unsigned char** /*pBuf*/, size_t* /*length*/, ImageObject& /*image*/) { return false; }

ImageManager::ImageManager() {
  mImageCodecs["png"] = new ImageCodecPNG;
  mImageCodecs["jpg"] = new ImageCodecJPEG;
  mImageCodecs["tga"] = new ImageCodecTGA;
}

ImageManager::~ImageManager() {
  for (auto& entry : mImageCodecs) delete entry.second;
  mImageCodecs.clear();
  empty();
}

Image ImageManager::loadImage(const std::string& fileId, File fileData, bool uniqueAccess) {
  if (!uniqueAccess) {
    auto cached = mImageCache.find(fileId);
    if (cached != mImageCache.end()) return cached->second;
  }
  ImageCodec* codec = getCodec(getExtension(fileId));
  if (!codec) throw Exception("ImageManager::loadImage, No decoder found for %s", fileId.c_str());

  std::unique_ptr<ImageObject> object(new ImageObject(0, 0, nullptr, uniqueAccess ? nullptr : this, fileId));
  const unsigned char* bytes = nullptr;
  size_t length = 0;
  if (!fileData.isNull() && fileData->data && fileData->length > 0) {
    bytes = fileData->data;
    length = static_cast<size_t>(fileData->length);
  }
  codec->decodeImage(bytes, length, *object);

  Image image(object.release());
  if (!uniqueAccess) mImageCache[fileId] = image;
  return image;
}

Image ImageManager::getImage(const std::string& fileId) {
  auto cached = mImageCache.find(fileId);
  return cached == mImageCache.end() ? Image() : cached->second;
}

int ImageManager::removeImage(const std::string& imageFileId) {
  auto cached = mImageCache.find(imageFileId);
  if (cached == mImageCache.end()) throw Exception("ImageManager::removeImage, Image %s not found!", imageFileId.c_str());
  // Take the cache's handle out before erasing, so that releasing it cannot
  // call back into a half-erased entry; the image is no longer cached.
  Image held;
  held.swap(cached->second);
  mImageCache.erase(cached);
  if (!held.isNull()) held->setManager(nullptr);
  return 0;
}

void ImageManager::releaseCached(ImageObject* pObject) {
  auto cached = mImageCache.find(pObject->getId());
  if (cached == mImageCache.end() || cached->second.get() != pObject) {
    // renamed after loading: find it by identity
    for (cached = mImageCache.begin(); cached != mImageCache.end(); ++cached)
      if (cached->second.get() == pObject) break;
  }
  if (cached == mImageCache.end()) {
    pObject->setManager(nullptr);  // not in this cache after all: an ordinary image
    return;
  }
  removeImage(cached->first);
}

File ImageManager::encodeImage(const std::string& filename, const Image& image) {
  ImageCodec* codec = getCodec(getExtension(filename));
  if (!codec || !codec->canWrite() || image.isNull()) return File();
  unsigned char* bytes = nullptr;
  size_t length = 0;
  if (!codec->encodeImage(&bytes, &length, *image)) return File();
  return File(new FileStructure(filename, static_cast<long>(length), bytes));
}

std::string ImageManager::getExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

ImageCodec* ImageManager::getCodec(const std::string& ext) {
  std::string lower = ext;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto codec = mImageCodecs.find(lower);
  return codec == mImageCodecs.end() ? nullptr : codec->second;
}

void ImageManager::empty() {
  for (auto& entry : mImageCache)
    if (!entry.second.isNull()) entry.second->setManager(nullptr);
  mImageCache.clear();
}

}  // namespace am
}  // namespace zelkor
