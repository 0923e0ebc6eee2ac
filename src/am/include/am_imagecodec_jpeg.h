#pragma once
// JPEG: read only, through the library's RGB output.

#include <string>

#include "am_imagemanager.h"

namespace zelkor {
namespace am {

class ImageCodecJPEG : public ImageCodec {
 public:
  void decodeImage(const unsigned char* pBuf, size_t length, ImageObject& image) override;
  std::string getFormatString() override { return "jpg"; }
};

}  // namespace am
}  // namespace zelkor
