#include "am_imagecodec_tga.h"

#include "zlk_system.h"

namespace zelkor {
namespace am {

void ImageCodecTGA::decodeImage(const unsigned char* /*pBuf*/, size_t /*length*/, ImageObject& /*image*/) {
  throw Exception("[ImageCodec] TGA-reader is not done yet!");
}

}  // namespace am
}  // namespace zelkor
