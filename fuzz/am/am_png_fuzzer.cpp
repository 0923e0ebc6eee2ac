// PNG decoding of arbitrary bytes; whatever decodes must survive a round trip
// through the encoder unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "am_imagecodec_png.h"
#include "zlk_system.h"

using zelkor::am::ImageCodecPNG;
using zelkor::am::ImageObject;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageCodecPNG codec;
  ImageObject image;
  try {
    codec.decodeImage(data, size, image);
  } catch (const zelkor::Exception&) {
    return 0;
  }
  unsigned char* encoded = nullptr;
  size_t length = 0;
  if (!codec.encodeImage(&encoded, &length, image)) std::abort();
  ImageObject again;
  codec.decodeImage(encoded, length, again);
  delete[] encoded;
  const size_t bytes = static_cast<size_t>(image.getWidth()) * image.getHeight() * 4;
  if (again.getWidth() != image.getWidth() || again.getHeight() != image.getHeight() ||
      std::memcmp(again.getData(), image.getData(), bytes) != 0)
    std::abort();
  return 0;
}
