#pragma once
// Builds the image and zip files the asset manager's tests, benchmarks and
// fuzz seeds need, with the libraries themselves; nothing binary is kept.

#include <cstdint>
#include <string>
#include <vector>

namespace am_test {

// A PNG of the given colour type (PNG_COLOR_TYPE_*) and bit depth. `raw` holds
// the packed rows as the file stores them; when it is empty a pattern is used.
// Palette images get a palette of 2^bitDepth entries.
std::string makePng(int width, int height, int colorType, int bitDepth, const std::string& raw = std::string(),
                    bool interlaced = false);

// A JPEG from interleaved samples of `components` channels: 1 (grey), 3 (RGB)
// or 4 (CMYK).
std::string makeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples, int quality = 90,
                     bool progressive = false);

// Smooth gradients with some detail, like a rendered frame; `channels` of
// 8 bits each per pixel.
std::vector<uint8_t> makeFrame(int width, int height, int channels);

struct ZipEntry {
  std::string name;
  std::string data;
  bool deflate;
};
// Writes a zip file; false when the library fails.
bool makeZip(const std::string& path, const std::vector<ZipEntry>& entries);

// Big-endian and little-endian field access for patching files.
uint32_t readBe32(const std::string& bytes, size_t at);
void writeBe32(std::string& bytes, size_t at, uint32_t value);
void writeLe32(std::string& bytes, size_t at, uint32_t value);

// Offset of the first PNG chunk of that type (its length field), or npos.
size_t findPngChunk(const std::string& png, const char* type);
// Recomputes the CRC of the chunk at `at` after it was patched.
void fixPngChunkCrc(std::string& png, size_t at);

}  // namespace am_test
