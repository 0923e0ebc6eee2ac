#pragma once
// PNG: 8-bit RGB and RGBA read, 8-bit RGBA written.

#include <string>

#include "am_imagemanager.h"

namespace zelkor {
namespace am {

class ImageCodecPNG : public ImageCodec {
 public:
  // How encoding trades file size for time. The defaults are the library's
  // own (small files, slow); the same pixels come back whatever is chosen.
  struct Compression {
    static const int DEFAULT = -1;
    // Row filter masks as the PNG format numbers them.
    static const int FILTER_NONE = 0x08;
    static const int FILTER_SUB = 0x10;
    static const int FILTER_UP = 0x20;
    static const int FILTER_AVG = 0x40;
    static const int FILTER_PAETH = 0x80;

    int level = DEFAULT;     // 0 (stored) .. 9 (smallest)
    int filters = DEFAULT;   // a mask of FILTER_*, or the library's choice
    int strategy = DEFAULT;  // the deflate strategy (zlib's Z_* numbers)
    // Write the file ourselves with a faster deflate (levels 1..12) instead of
    // the library; only FILTER_NONE or FILTER_UP, and no strategy, apply.
    bool fastDeflate = false;
  };

  ImageCodecPNG() = default;
  explicit ImageCodecPNG(const Compression& compression) : mCompression(compression) {}
  const Compression& getCompression() const { return mCompression; }

  void decodeImage(const unsigned char* pBuf, size_t length, ImageObject& image) override;
  std::string getFormatString() override { return "png"; }
  // 8-bit RGBA; the image must not be cached.
  bool encodeImage(unsigned char** pBuf, size_t* length, ImageObject& image) override;
  bool canWrite() override { return true; }

  // Encodes B, G, R, A pixels (or R, G, B, A ones, which save the library a
  // pass over every row), rows from the top, into a new[] buffer. Safe to
  // call from several threads at once.
  bool encode(const unsigned char* pixels, int width, int height, unsigned char** pBuf, size_t* length,
              bool rgba = false) const;

 private:
  Compression mCompression;
};

}  // namespace am
}  // namespace zelkor
