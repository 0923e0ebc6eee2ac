#pragma once
// Decodes file bytes into images by the file name's extension, caches decoded
// images by name while somebody outside the cache holds them, and encodes
// images back into file bytes.

#include <cstddef>
#include <map>
#include <string>

#include "am.h"
#include "am_image.h"

namespace zelkor {
namespace am {

class ImageCodec {
 public:
  // Decoders refuse pictures with a larger side before sizing any memory.
  enum { MAX_IMAGE_SIDE = 16384 };

  virtual ~ImageCodec() {}
  // Fills image or throws Exception.
  virtual void decodeImage(const unsigned char* pBuf, size_t length, ImageObject& image) = 0;
  // On success *pBuf is a new[] array of *length bytes owned by the caller.
  virtual bool encodeImage(unsigned char** pBuf, size_t* length, ImageObject& image);
  virtual std::string getFormatString() = 0;
  virtual bool canWrite() { return false; }
};

class ImageManager {
 public:
  ImageManager();
  ~ImageManager();
  ImageManager(const ImageManager&) = delete;
  ImageManager& operator=(const ImageManager&) = delete;

  // A cached image of that name is returned as it is unless uniqueAccess; a
  // unique image is never cached and belongs to the caller alone.
  Image loadImage(const std::string& fileId, File fileData, bool uniqueAccess = false);
  Image getImage(const std::string& fileId);
  int removeImage(const std::string& imageFileId);
  // An empty file when no codec for the name's extension can write.
  File encodeImage(const std::string& filename, const Image& image);

  static std::string getExtension(const std::string& name);
  ImageCodec* getCodec(const std::string& ext);

  // Detaches every cached image (its holders keep it, now writable) and
  // clears the cache.
  void empty();

  size_t getCacheSize() const { return mImageCache.size(); }

 private:
  friend class ImageRefCounter;
  // Called when only the cache's own handle on pObject is left.
  void releaseCached(ImageObject* pObject);

  std::map<std::string, Image> mImageCache;
  std::map<std::string, ImageCodec*> mImageCodecs;  // by lower-case extension, owned
};

}  // namespace am
}  // namespace zelkor
