#pragma once
// PNG: 8-bit RGB and RGBA read, 8-bit RGBA written.

#include <string>

#include "am_imagemanager.h"

namespace zelkor {
namespace am {

class ImageCodecPNG : public ImageCodec {
 public:
  void decodeImage(const unsigned char* pBuf, size_t length, ImageObject& image) override;
  std::string getFormatString() override { return "png"; }
  // 8-bit RGBA; the image must not be cached.
  bool encodeImage(unsigned char** pBuf, size_t* length, ImageObject& image) override;
  bool canWrite() override { return true; }
};

}  // namespace am
}  // namespace zelkor
