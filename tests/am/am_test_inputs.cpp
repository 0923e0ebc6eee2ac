#include "am_test_inputs.h"

#include <png.h>
#include <zip.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

extern "C" {
#include <jpeglib.h>
}

namespace am_test {

namespace {

void appendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void noFlush(png_structp) {}

int channelsOf(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    case PNG_COLOR_TYPE_PALETTE: return 1;
  }
  throw std::invalid_argument("colour type");
}

}  // namespace

std::string makePng(int width, int height, int colorType, int bitDepth, const std::string& raw, bool interlaced) {
  const size_t rowBytes = (static_cast<size_t>(width) * channelsOf(colorType) * bitDepth + 7) / 8;
  std::string rows = raw;
  if (rows.empty()) {
    rows.resize(rowBytes * height);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<char>((i * 37 + i / rowBytes * 11) & 0xff);
  }
  if (rows.size() != rowBytes * height) throw std::invalid_argument("raw size");

  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test image");
  }
  png_set_write_fn(png, &out, appendToString, noFlush);
  png_set_IHDR(png, info, width, height, bitDepth, colorType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    palette.resize(1u << bitDepth);
    for (size_t i = 0; i < palette.size(); ++i)
      palette[i] = png_color{static_cast<png_byte>(i * 3), static_cast<png_byte>(255 - i), static_cast<png_byte>(i)};
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  }
  png_write_info(png, info);
  std::vector<png_bytep> pointers(height);
  for (int y = 0; y < height; ++y) pointers[y] = reinterpret_cast<png_bytep>(&rows[y * rowBytes]);
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string makeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples, int quality,
                     bool progressive) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&samples[static_cast<size_t>(cinfo.next_scanline) * width * components]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

std::vector<uint8_t> makeFrame(int width, int height, int channels) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels);
  uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int jitter = static_cast<int>(noise >> 29) - 4;
      const double wave = std::sin(x * 0.02) * std::cos(y * 0.03);
      const int base[4] = {x * 255 / width, y * 255 / height, static_cast<int>(128 + 100 * wave), 255 - (x + y) % 64};
      uint8_t* out = &pixels[(static_cast<size_t>(y) * width + x) * channels];
      for (int c = 0; c < channels; ++c) {
        const int value = base[c] + (c < 3 ? jitter : 0);
        out[c] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
      }
    }
  }
  return pixels;
}

bool makeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  bool ok = true;
  for (const ZipEntry& entry : entries) {
    zip_fileinfo info = {};
    ok = ok && zipOpenNewFileInZip(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                   entry.deflate ? Z_DEFLATED : 0, entry.deflate ? Z_BEST_COMPRESSION : 0) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) == ZIP_OK;
    ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

uint32_t readBe32(const std::string& bytes, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void writeBe32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

void writeLe32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

size_t findPngChunk(const std::string& png, const char* type) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    if (png.compare(at + 4, 4, type) == 0) return at;
    at += 12 + readBe32(png, at);
  }
  return std::string::npos;
}

void fixPngChunkCrc(std::string& png, size_t at) {
  const uint32_t length = readBe32(png, at);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
  writeBe32(png, at + 8 + length, static_cast<uint32_t>(crc));
}

}  // namespace am_test
