#pragma once
// TGA: registered so that the extension is known; reading is not done yet.

#include <string>

#include "am_imagemanager.h"

namespace zelkor {
namespace am {

class ImageCodecTGA : public ImageCodec {
 public:
  void decodeImage(const unsigned char* pBuf, size_t length, ImageObject& image) override;
  std::string getFormatString() override { return "tga"; }
};

}  // namespace am
}  // namespace zelkor
