#include "am_imagecodec_png.h"

#include <libdeflate.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "zlk_system.h"

// libpng reports errors by longjmp. The functions that hold the library's
// structures therefore keep nothing with a destructor on their stack and
// record every allocation in a state record that the caller frees.

namespace zelkor {
namespace am {

namespace {

const size_t kSignatureSize = 8;
// zlib cannot inflate more than 1032 bytes out of one byte; image data that
// could not fit in the file is refused before memory is sized for it.
const unsigned long long kMaxInflateRatio = 1032;

struct PngReader {
  const unsigned char* buffer;
  size_t length;
  size_t position;
  char message[256];
  unsigned char* pixels;  // new[], B G R A
  png_bytep* rows;        // new[]
  png_uint_32 width;
  png_uint_32 height;
  int colorType;
  int bitDepth;
};

enum PngStatus {
  PNG_DECODED,
  PNG_NO_READ_STRUCT,
  PNG_NO_INFO_STRUCT,
  PNG_DECODE_ERROR,
  PNG_GRAYSCALE,
  PNG_BAD_FORMAT,
  PNG_TOO_LARGE,
  PNG_NO_MEMORY,
};

void onError(png_structp png, png_const_charp message) {
  char* target = static_cast<char*>(png_get_error_ptr(png));
  std::snprintf(target, sizeof(PngReader::message), "%s", message ? message : "");
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
  PngReader* reader = static_cast<PngReader*>(png_get_io_ptr(png));
  if (count > reader->length - reader->position) png_error(png, "Read past end of data");
  std::memcpy(out, reader->buffer + reader->position, count);
  reader->position += count;
}

PngStatus decode(PngReader& reader) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, reader.message, onError, onWarning);
  if (!png) return PNG_NO_READ_STRUCT;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return PNG_NO_INFO_STRUCT;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return PNG_DECODE_ERROR;
  }
  png_set_read_fn(png, &reader, readFromMemory);
  png_set_sig_bytes(png, static_cast<int>(kSignatureSize));
  reader.position = kSignatureSize;
  png_read_info(png, info);

  PngStatus status = PNG_DECODED;
  int interlace = 0;
  png_get_IHDR(png, info, &reader.width, &reader.height, &reader.bitDepth, &reader.colorType, &interlace, nullptr,
               nullptr);
  const bool rgb = reader.colorType == PNG_COLOR_TYPE_RGB;
  const bool rgba = reader.colorType == PNG_COLOR_TYPE_RGB_ALPHA;
  const unsigned long long pixelCount = static_cast<unsigned long long>(reader.width) * reader.height;
  const unsigned long long rawBytes = (static_cast<unsigned long long>(png_get_rowbytes(png, info)) + 1) * reader.height;
  if (reader.colorType == PNG_COLOR_TYPE_GRAY && reader.bitDepth == 8) {
    status = PNG_GRAYSCALE;
  } else if (reader.bitDepth != 8 || !(rgb || rgba)) {
    status = PNG_BAD_FORMAT;
  } else if (reader.width > ImageCodec::MAX_IMAGE_SIDE || reader.height > ImageCodec::MAX_IMAGE_SIDE) {
    status = PNG_TOO_LARGE;
  } else if (rawBytes / kMaxInflateRatio > reader.length) {
    std::snprintf(reader.message, sizeof(reader.message), "%s", "Image data cannot fit in the file");
    status = PNG_DECODE_ERROR;
  } else {
    reader.pixels = new (std::nothrow) unsigned char[pixelCount * 4];
    reader.rows = new (std::nothrow) png_bytep[reader.height];
    if (!reader.pixels || !reader.rows) status = PNG_NO_MEMORY;
  }
  if (status != PNG_DECODED) {
    png_destroy_read_struct(&png, &info, nullptr);
    return status;
  }

  // Straight into B G R A: swap red and blue, add opaque alpha to RGB.
  png_set_bgr(png);
  if (rgb) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(reader.width) * 4) png_error(png, "Unexpected row size");
  for (png_uint_32 y = 0; y < reader.height; ++y) reader.rows[y] = reader.pixels + static_cast<size_t>(y) * reader.width * 4;
  png_read_image(png, reader.rows);
  png_read_end(png, info);
  png_destroy_read_struct(&png, &info, nullptr);
  return PNG_DECODED;
}

// Growing output for the encoder; plain malloc so that nothing throws
// through the library.
struct PngWriter {
  unsigned char* bytes;
  size_t length;
  size_t capacity;
};

void writeToMemory(png_structp png, png_bytep data, png_size_t count) {
  PngWriter* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
  if (count > writer->capacity - writer->length) {
    size_t capacity = writer->capacity ? writer->capacity : 65536;
    while (count > capacity - writer->length) {
      if (capacity > SIZE_MAX / 2) png_error(png, "Output too large");
      capacity *= 2;
    }
    unsigned char* grown = static_cast<unsigned char*>(std::realloc(writer->bytes, capacity));
    if (!grown) png_error(png, "Out of memory");
    writer->bytes = grown;
    writer->capacity = capacity;
  }
  std::memcpy(writer->bytes + writer->length, data, count);
  writer->length += count;
}

void flushMemory(png_structp) {}

bool encodeRows(PngWriter& writer, const unsigned char* pixels, int width, int height, png_bytep* rows,
                const ImageCodecPNG::Compression& compression, bool rgba) {
  char message[256];
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &writer, writeToMemory, flushMemory);
  if (compression.level != ImageCodecPNG::Compression::DEFAULT) png_set_compression_level(png, compression.level);
  if (compression.strategy != ImageCodecPNG::Compression::DEFAULT)
    png_set_compression_strategy(png, compression.strategy);
  if (compression.filters != ImageCodecPNG::Compression::DEFAULT)
    png_set_filter(png, PNG_FILTER_TYPE_BASE, compression.filters);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (!rgba) png_set_bgr(png);  // B G R A in memory, R G B A in the file; rows are copied before the swap
  for (int y = 0; y < height; ++y) rows[y] = const_cast<png_bytep>(pixels + static_cast<size_t>(y) * width * 4);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

void putBigEndian(unsigned char* at, uint32_t value) {
  at[0] = static_cast<unsigned char>(value >> 24);
  at[1] = static_cast<unsigned char>(value >> 16);
  at[2] = static_cast<unsigned char>(value >> 8);
  at[3] = static_cast<unsigned char>(value);
}

// A chunk's length, type and data are in place at `at`; adds its CRC.
size_t closeChunk(unsigned char* at, uint32_t dataLength) {
  putBigEndian(at, dataLength);
  const uint32_t crc = libdeflate_crc32(0, at + 4, dataLength + 4);
  putBigEndian(at + 8 + dataLength, crc);
  return 12 + static_cast<size_t>(dataLength);
}

// One 8-bit RGBA picture in a single IDAT, each row filtered with `filter`
// (0 none, 2 up). The same pixels as through the library, in a third of the
// time at the fastest levels.
bool encodeFast(const unsigned char* pixels, int width, int height, int level, int filter, bool rgba,
                unsigned char** pBuf, size_t* length) {
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  const size_t rawSize = (rowBytes + 1) * static_cast<size_t>(height);
  if (rawSize > 0x7fffffffu) return false;  // one chunk holds less than 2 GB
  unsigned char* raw = new (std::nothrow) unsigned char[rawSize];
  if (!raw) return false;
  const int r = rgba ? 0 : 2, b = rgba ? 2 : 0;
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = pixels + rowBytes * y;
    const unsigned char* above = y > 0 && filter == 2 ? row - rowBytes : nullptr;
    unsigned char* out = raw + (rowBytes + 1) * y;
    *out++ = static_cast<unsigned char>(above ? 2 : 0);
    if (above) {
      for (size_t x = 0; x < rowBytes; x += 4) {
        out[x] = static_cast<unsigned char>(row[x + r] - above[x + r]);
        out[x + 1] = static_cast<unsigned char>(row[x + 1] - above[x + 1]);
        out[x + 2] = static_cast<unsigned char>(row[x + b] - above[x + b]);
        out[x + 3] = static_cast<unsigned char>(row[x + 3] - above[x + 3]);
      }
    } else {
      for (size_t x = 0; x < rowBytes; x += 4) {
        out[x] = row[x + r];
        out[x + 1] = row[x + 1];
        out[x + 2] = row[x + b];
        out[x + 3] = row[x + 3];
      }
    }
  }
  libdeflate_compressor* compressor = libdeflate_alloc_compressor(level < 1 ? 1 : level > 12 ? 12 : level);
  if (!compressor) {
    delete[] raw;
    return false;
  }
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  const size_t bound = libdeflate_zlib_compress_bound(compressor, rawSize);
  const size_t capacity = sizeof(kSignature) + (12 + 13) + (12 + bound) + 12;
  unsigned char* file = new (std::nothrow) unsigned char[capacity];
  size_t used = 0;
  if (file) {
    std::memcpy(file, kSignature, sizeof(kSignature));
    used = sizeof(kSignature);
    unsigned char* header = file + used;
    std::memcpy(header + 4, "IHDR", 4);
    putBigEndian(header + 8, static_cast<uint32_t>(width));
    putBigEndian(header + 12, static_cast<uint32_t>(height));
    const unsigned char rest[5] = {8, 6, 0, 0, 0};  // 8 bits, RGBA, deflate, adaptive filters, no interlace
    std::memcpy(header + 16, rest, sizeof(rest));
    used += closeChunk(header, 13);
    unsigned char* data = file + used;
    std::memcpy(data + 4, "IDAT", 4);
    const size_t packed = libdeflate_zlib_compress(compressor, raw, rawSize, data + 8, bound);
    if (packed == 0 || packed > 0x7fffffffu) {
      delete[] file;
      file = nullptr;
    } else {
      used += closeChunk(data, static_cast<uint32_t>(packed));
      std::memcpy(file + used + 4, "IEND", 4);
      used += closeChunk(file + used, 0);
    }
  }
  libdeflate_free_compressor(compressor);
  delete[] raw;
  if (!file) return false;
  *pBuf = file;
  *length = used;
  return true;
}

}  // namespace

void ImageCodecPNG::decodeImage(const unsigned char* pBuf, size_t length, ImageObject& image) {
  if (!pBuf || length < kSignatureSize || png_sig_cmp(pBuf, 0, kSignatureSize) != 0)
    throw Exception("[loadPNG] Not a png-file! Header is wrong!");

  PngReader reader;
  std::memset(&reader, 0, sizeof(reader));
  reader.buffer = pBuf;
  reader.length = length;
  const PngStatus status = decode(reader);
  delete[] reader.rows;
  if (status != PNG_DECODED) delete[] reader.pixels;

  switch (status) {
    case PNG_DECODED:
      image.setData(static_cast<int>(reader.width), static_cast<int>(reader.height), reader.pixels);
      return;
    case PNG_NO_READ_STRUCT:
      throw Exception("[loadPNG] Could not setup libpng (pngstruct)!");
    case PNG_NO_INFO_STRUCT:
      throw Exception("[loadPNG] Could not setup libpng (pnginfo)!");
    case PNG_GRAYSCALE:
      throw Exception("[loadPNG] No support for grayscale images yet");
    case PNG_BAD_FORMAT:
      throw Exception("[loadPNG] Bad color format of image (type %d, %d bits per channel)", reader.colorType,
                      reader.bitDepth);
    case PNG_TOO_LARGE:
      throw Exception("[loadPNG] Image too large (%u x %u pixels)", static_cast<unsigned>(reader.width),
                      static_cast<unsigned>(reader.height));
    case PNG_NO_MEMORY:
      throw Exception("[loadPNG] Not enough memory for %u x %u pixels", static_cast<unsigned>(reader.width),
                      static_cast<unsigned>(reader.height));
    case PNG_DECODE_ERROR:
      break;
  }
  ZLK_LOG("warning", "system", "[loadPNG] %s", reader.message);
  throw Exception("[loadPNG] Error when decoding png-file!");
}

bool ImageCodecPNG::encodeImage(unsigned char** pBuf, size_t* length, ImageObject& image) {
  const unsigned char* pixels = image.getWriteData();  // cached images may not be encoded
  return encode(pixels, image.getWidth(), image.getHeight(), pBuf, length);
}

bool ImageCodecPNG::encode(const unsigned char* pixels, int width, int height, unsigned char** pBuf,
                           size_t* length, bool rgba) const {
  if (!pixels || width <= 0 || height <= 0) return false;
  if (mCompression.fastDeflate) {
    const bool up = mCompression.filters == Compression::FILTER_UP;
    return encodeFast(pixels, width, height, mCompression.level == Compression::DEFAULT ? 6 : mCompression.level,
                      up ? 2 : 0, rgba, pBuf, length);
  }

  png_bytep* rows = new (std::nothrow) png_bytep[static_cast<size_t>(height)];
  if (!rows) return false;
  PngWriter writer = {nullptr, 0, 0};
  // room for the whole picture at once: growing by copies costs as much as a
  // fast compression level
  writer.capacity = static_cast<size_t>(width) * height * 4 / 2 + 65536;
  writer.bytes = static_cast<unsigned char*>(std::malloc(writer.capacity));
  if (!writer.bytes) writer.capacity = 0;
  const bool ok = encodeRows(writer, pixels, width, height, rows, mCompression, rgba);
  delete[] rows;
  unsigned char* result = ok ? new (std::nothrow) unsigned char[writer.length] : nullptr;
  if (result) std::memcpy(result, writer.bytes, writer.length);
  std::free(writer.bytes);
  if (!result) return false;
  *pBuf = result;
  *length = writer.length;
  return true;
}

}  // namespace am
}  // namespace zelkor
