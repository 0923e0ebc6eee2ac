#include "am_imagecodec_jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

#include "zlk_system.h"

// libjpeg's fatal errors leave through longjmp: the function that holds the
// decompressor keeps nothing with a destructor on its stack and records every
// allocation in the decoder record that the caller frees.

namespace zelkor {
namespace am {

namespace {

// Whole-image buffers of progressive files count against this.
const long kMaxLibraryMemory = 256L * 1024 * 1024;
// A sequential Huffman-coded block takes at least two bits (a DC code and an
// end-of-block code), so a file holds at most four blocks per byte.
const unsigned long long kMaxBlocksPerByte = 4;

struct JpegDecoder {
  jpeg_error_mgr errorManager;  // first: the library hands it back as cinfo->err
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  jpeg_source_mgr source;
  unsigned char* pixels;  // new[], B G R A
  unsigned char* row;     // new[], one line of R G B
  JDIMENSION width;
  JDIMENSION height;
};

enum JpegStatus { JPEG_DECODED, JPEG_LIBRARY_ERROR, JPEG_TOO_LARGE, JPEG_NO_MEMORY, JPEG_CANNOT_FIT };

void onErrorExit(j_common_ptr cinfo) {
  JpegDecoder* decoder = reinterpret_cast<JpegDecoder*>(cinfo->err);
  if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)  // what running out of the memory limit looks like
    std::snprintf(decoder->message, sizeof(decoder->message), "Image needs more than %ld MB to decode",
                  kMaxLibraryMemory >> 20);
  else
    (*cinfo->err->format_message)(cinfo, decoder->message);
  std::longjmp(decoder->jump, 1);
}

// Warnings that mean the picture would come out damaged stop decoding; the
// others are logged.
void onEmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_JPEG_EOF:
      onErrorExit(cinfo);
      break;
    default: {
      char text[JMSG_LENGTH_MAX];
      (*cinfo->err->format_message)(cinfo, text);
      ZLK_LOG("warning", "system", "jpeglib warning; %s", text);
      cinfo->err->num_warnings++;
    }
  }
}

// The whole file is in memory: there is never more to fetch.
void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr cinfo) {
  ERREXIT(cinfo, JERR_INPUT_EOF);
  return FALSE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* source = cinfo->src;
  if (count <= 0) return;
  if (static_cast<unsigned long>(count) > source->bytes_in_buffer) {
    source->next_input_byte += source->bytes_in_buffer;
    source->bytes_in_buffer = 0;
    return;
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<size_t>(count);
}

JpegStatus decode(JpegDecoder& decoder, j_decompress_ptr cinfo, const unsigned char* buffer, size_t length) {
  cinfo->err = jpeg_std_error(&decoder.errorManager);
  decoder.errorManager.error_exit = onErrorExit;
  decoder.errorManager.emit_message = onEmitMessage;
  if (setjmp(decoder.jump)) {
    jpeg_destroy_decompress(cinfo);
    return JPEG_LIBRARY_ERROR;
  }
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = kMaxLibraryMemory;

  decoder.source.next_input_byte = buffer;
  decoder.source.bytes_in_buffer = length;
  decoder.source.init_source = initSource;
  decoder.source.fill_input_buffer = fillInput;
  decoder.source.skip_input_data = skipInput;
  decoder.source.resync_to_restart = jpeg_resync_to_restart;
  decoder.source.term_source = termSource;
  cinfo->src = &decoder.source;

  jpeg_read_header(cinfo, TRUE);
  decoder.width = cinfo->image_width;
  decoder.height = cinfo->image_height;
  if (decoder.width > ImageCodec::MAX_IMAGE_SIDE || decoder.height > ImageCodec::MAX_IMAGE_SIDE) {
    jpeg_destroy_decompress(cinfo);
    return JPEG_TOO_LARGE;
  }
  const unsigned long long blocks = ((decoder.width + 7ull) / 8) * ((decoder.height + 7ull) / 8);
  if (!cinfo->progressive_mode && !cinfo->arith_code && blocks / kMaxBlocksPerByte > length) {
    jpeg_destroy_decompress(cinfo);
    return JPEG_CANNOT_FIT;
  }
  cinfo->out_color_space = JCS_RGB;
  cinfo->out_color_components = 3;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_width != decoder.width || cinfo->output_height != decoder.height ||
      cinfo->output_components != 3)
    ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);

  decoder.pixels = new (std::nothrow) unsigned char[static_cast<size_t>(decoder.width) * decoder.height * 4];
  decoder.row = new (std::nothrow) unsigned char[static_cast<size_t>(decoder.width) * 3];
  if (!decoder.pixels || !decoder.row) {
    jpeg_destroy_decompress(cinfo);
    return JPEG_NO_MEMORY;
  }
  JSAMPROW rows[1] = {decoder.row};
  while (cinfo->output_scanline < decoder.height) {
    unsigned char* out = decoder.pixels + static_cast<size_t>(cinfo->output_scanline) * decoder.width * 4;
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);  // never loop without progress
    const unsigned char* in = decoder.row;
    for (JDIMENSION x = 0; x < decoder.width; ++x, in += 3, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = 255;
    }
  }
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return JPEG_DECODED;
}

}  // namespace

void ImageCodecJPEG::decodeImage(const unsigned char* pBuf, size_t length, ImageObject& image) {
  static const unsigned char kNothing = 0;
  JpegDecoder decoder;
  std::memset(&decoder, 0, sizeof(decoder));
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof(cinfo));
  const JpegStatus status = decode(decoder, &cinfo, pBuf ? pBuf : &kNothing, pBuf ? length : 0);
  delete[] decoder.row;
  if (status != JPEG_DECODED) delete[] decoder.pixels;

  switch (status) {
    case JPEG_DECODED:
      image.setData(static_cast<int>(decoder.width), static_cast<int>(decoder.height), decoder.pixels);
      return;
    case JPEG_LIBRARY_ERROR:
      throw Exception("Internal jpeglib error; %s", decoder.message);
    case JPEG_TOO_LARGE:
      throw Exception("[loadJPEG] Image too large (%u x %u pixels)", static_cast<unsigned>(decoder.width),
                      static_cast<unsigned>(decoder.height));
    case JPEG_CANNOT_FIT:
      throw Exception("[loadJPEG] Image data cannot fit in the file (%u x %u pixels)",
                      static_cast<unsigned>(decoder.width), static_cast<unsigned>(decoder.height));
    case JPEG_NO_MEMORY:
      throw Exception("[loadJPEG] Not enough memory for %u x %u pixels", static_cast<unsigned>(decoder.width),
                      static_cast<unsigned>(decoder.height));
  }
}

}  // namespace am
}  // namespace zelkor
