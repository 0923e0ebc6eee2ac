// JPEG decoding of arbitrary bytes: a picture or an Exception, nothing else.
#include <cstdint>
#include <cstdlib>

#include "am_imagecodec_jpeg.h"
#include "zlk_system.h"

using zelkor::am::ImageCodecJPEG;
using zelkor::am::ImageObject;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageObject image;
  try {
    ImageCodecJPEG().decodeImage(data, size, image);
  } catch (const zelkor::Exception&) {
    return 0;
  }
  if (image.getWidth() <= 0 || image.getHeight() <= 0 || !image.getData()) std::abort();
  // every pixel was written: touching all of them lets the sanitizer check
  unsigned sum = 0;
  const unsigned char* p = image.getData();
  for (size_t i = 0, n = static_cast<size_t>(image.getWidth()) * image.getHeight(); i < n; ++i) {
    if (p[i * 4 + 3] != 255) std::abort();
    sum += p[i * 4];
  }
  return static_cast<int>(sum & 0);
}
