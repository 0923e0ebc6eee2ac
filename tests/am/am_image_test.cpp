#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>

#include "am.h"
#include "am_imagecodec_jpeg.h"
#include "am_imagecodec_png.h"
#include "am_imagecodec_tga.h"
#include "am_imagemanager.h"
#include "am_test_inputs.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

using zelkor::am::Image;
using zelkor::am::ImageCodecJPEG;
using zelkor::am::ImageCodecPNG;
using zelkor::am::ImageObject;

using kindra_test::thrownMessage;

// What decoding `bytes` with the codec throws.
template <class Codec>
std::string decodeMessage(const std::string& bytes, std::string* log = nullptr) {
  return thrownMessage([&] {
    ImageObject image;
    Codec().decodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), image);
  }, log);
}

std::vector<uint8_t> pixelsOf(const ImageObject& image) {
  return std::vector<uint8_t>(image.getData(), image.getData() + image.getWidth() * image.getHeight() * 4);
}

// ---------------------------------------------------------------- PNG decoding

TEST(PngDecoding, RgbAndRgbaBecomeBgraAndEveryOtherKindIsRefusedByName) {
  ImageObject rgb;
  const std::string rgbPng = am_test::makePng(2, 1, PNG_COLOR_TYPE_RGB, 8, std::string("\x0a\x14\x1e\x01\x02\x03", 6));
  ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(rgbPng.data()), rgbPng.size(), rgb);
  EXPECT_EQ(pixelsOf(rgb), (std::vector<uint8_t>{30, 20, 10, 255, 3, 2, 1, 255}));

  ImageObject rgba;
  const std::string rgbaPng = am_test::makePng(1, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, std::string("\x0a\x14\x1e\x28\x01\x02\x03\x00", 8));
  ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(rgbaPng.data()), rgbaPng.size(), rgba);
  EXPECT_EQ(rgba.getWidth(), 1);
  EXPECT_EQ(rgba.getHeight(), 2);
  EXPECT_EQ(pixelsOf(rgba), (std::vector<uint8_t>{30, 20, 10, 40, 3, 2, 1, 0}));  // top row first

  // every other colour type and depth is refused by name
  struct Case {
    int type;
    int depth;
  };
  const Case cases[] = {{PNG_COLOR_TYPE_GRAY, 1},       {PNG_COLOR_TYPE_GRAY, 2},       {PNG_COLOR_TYPE_GRAY, 4},
                        {PNG_COLOR_TYPE_GRAY, 16},      {PNG_COLOR_TYPE_RGB, 16},       {PNG_COLOR_TYPE_PALETTE, 1},
                        {PNG_COLOR_TYPE_PALETTE, 2},    {PNG_COLOR_TYPE_PALETTE, 4},    {PNG_COLOR_TYPE_PALETTE, 8},
                        {PNG_COLOR_TYPE_GRAY_ALPHA, 8}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, {PNG_COLOR_TYPE_RGB_ALPHA, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.depth));
    EXPECT_EQ(decodeMessage<ImageCodecPNG>(am_test::makePng(5, 3, c.type, c.depth)),
              "[loadPNG] Bad color format of image (type " + std::to_string(c.type) + ", " + std::to_string(c.depth) +
                  " bits per channel)");
  }
  EXPECT_EQ(decodeMessage<ImageCodecPNG>(am_test::makePng(5, 3, PNG_COLOR_TYPE_GRAY, 8)),
            "[loadPNG] No support for grayscale images yet");
}

// A PNG whose header claims `width` x `height`, its checksum mended.
void resizePng(std::string& png, uint32_t width, uint32_t height) {
  am_test::writeBe32(png, 16, width);
  am_test::writeBe32(png, 20, height);
  am_test::fixPngChunkCrc(png, 8);
}

TEST(PngDecoding, EveryTruncationFailsCleanly) {
  const std::string png = am_test::makePng(16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8);
  for (size_t keep = 8; keep < png.size(); ++keep) {
    SCOPED_TRACE(keep);
    EXPECT_EQ(decodeMessage<ImageCodecPNG>(png.substr(0, keep)), "[loadPNG] Error when decoding png-file!");
  }
  EXPECT_EQ(decodeMessage<ImageCodecPNG>(png), "<no exception>");
}

TEST(PngDecoding, DamagedFilesAreRefusedWithTheReason) {
  struct Case {
    const char* name;
    void (*damage)(std::string& png);  // of a 16 x 16 RGB file
    std::string message;
    std::string logged;  // "" for no check
  };
  const std::string header = "[loadPNG] Not a png-file! Header is wrong!";
  const std::string decoding = "[loadPNG] Error when decoding png-file!";
  const Case cases[] = {
      {"empty", [](std::string& png) { png.clear(); }, header, ""},
      {"header cut short", [](std::string& png) { png.resize(7); }, header, ""},
      {"wrong header", [](std::string& png) { png[1] = 'X'; }, header, ""},
      {"bad checksum",
       [](std::string& png) {
         const size_t data = am_test::findPngChunk(png, "IDAT");
         png[data + 8 + am_test::readBe32(png, data)] ^= 0x55;
       },
       decoding, "[warning][am::ImageCodecPNG::decodeImage], [loadPNG] IDAT: CRC error"},
      {"corrupt image data",
       [](std::string& png) {
         const size_t data = am_test::findPngChunk(png, "IDAT");
         for (size_t i = data + 10; i < data + 20; ++i) png[i] = static_cast<char>(0xff);
         am_test::fixPngChunkCrc(png, data);
       },
       decoding, ""},
      {"zero width", [](std::string& png) { resizePng(png, 0, 16); }, decoding, "Invalid IHDR data"},
      // the size is checked before memory is sized for it
      {"too large", [](std::string& png) { resizePng(png, 20000, 30000); },
       "[loadPNG] Image too large (20000 x 30000 pixels)", ""},
      {"more data than the file can hold", [](std::string& png) { resizePng(png, 16000, 16000); }, decoding,
       "Image data cannot fit in the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string png = am_test::makePng(16, 16, PNG_COLOR_TYPE_RGB, 8);
    c.damage(png);
    std::string log;
    EXPECT_EQ(decodeMessage<ImageCodecPNG>(png, &log), c.message);
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
  }
}

// ---------------------------------------------------------------- PNG encoding

TEST(PngEncoding, RoundTripKeepsEveryByte) {
  const int width = 64, height = 33;
  const std::vector<uint8_t> frame = am_test::makeFrame(width, height, 4);
  ImageObject image(width, height);
  std::memcpy(image.getWriteData(), frame.data(), frame.size());
  unsigned char* bytes = nullptr;
  size_t length = 0;
  ASSERT_TRUE(ImageCodecPNG().encodeImage(&bytes, &length, image));
  const std::string png(reinterpret_cast<const char*>(bytes), length);
  delete[] bytes;

  // the file holds R G B A
  ImageObject decoded;
  ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(png.data()), png.size(), decoded);
  EXPECT_EQ(pixelsOf(decoded), frame);
  png_image check;
  std::memset(&check, 0, sizeof(check));
  check.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&check, png.data(), png.size()));
  check.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(check));
  ASSERT_TRUE(png_image_finish_read(&check, nullptr, rgba.data(), 0, nullptr));
  EXPECT_EQ(rgba[0], frame[2]);
  EXPECT_EQ(rgba[2], frame[0]);
  EXPECT_EQ(rgba[3], frame[3]);
}

// ---------------------------------------------------------------- JPEG decoding

std::vector<uint8_t> solidRgb(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> samples;
  for (int i = 0; i < width * height; ++i) samples.insert(samples.end(), {r, g, b});
  return samples;
}

void expectNear(const ImageObject& image, int b, int g, int r) {
  const unsigned char* p = image.getData();
  for (int i = 0; i < image.getWidth() * image.getHeight(); ++i, p += 4) {
    ASSERT_NEAR(p[0], b, 3) << i;
    ASSERT_NEAR(p[1], g, 3) << i;
    ASSERT_NEAR(p[2], r, 3) << i;
    ASSERT_EQ(p[3], 255) << i;
  }
}

TEST(JpegDecoding, ColourGreyAndProgressive) {
  ImageObject image;
  const std::string colour = am_test::makeJpeg(17, 9, 3, solidRgb(17, 9, 200, 100, 50), 100);
  ImageCodecJPEG().decodeImage(reinterpret_cast<const unsigned char*>(colour.data()), colour.size(), image);
  EXPECT_EQ(image.getWidth(), 17);
  EXPECT_EQ(image.getHeight(), 9);
  expectNear(image, 50, 100, 200);

  const std::string grey = am_test::makeJpeg(8, 8, 1, std::vector<uint8_t>(64, 77), 100);
  ImageCodecJPEG().decodeImage(reinterpret_cast<const unsigned char*>(grey.data()), grey.size(), image);
  expectNear(image, 77, 77, 77);

  const std::string progressive = am_test::makeJpeg(40, 30, 3, solidRgb(40, 30, 10, 220, 130), 100, true);
  ImageCodecJPEG().decodeImage(reinterpret_cast<const unsigned char*>(progressive.data()), progressive.size(), image);
  EXPECT_EQ(image.getWidth(), 40);
  expectNear(image, 130, 220, 10);
}

TEST(JpegDecoding, EveryTruncationFailsCleanly) {
  for (bool progressive : {false, true}) {
    const std::string jpeg = am_test::makeJpeg(24, 16, 3, am_test::makeFrame(24, 16, 3), 80, progressive);
    for (size_t keep = 0; keep < jpeg.size(); ++keep) {
      SCOPED_TRACE(keep);
      const std::string message = decodeMessage<ImageCodecJPEG>(jpeg.substr(0, keep));
      EXPECT_EQ(message.rfind("Internal jpeglib error; ", 0), 0u) << message;
    }
    EXPECT_EQ(decodeMessage<ImageCodecJPEG>(jpeg), "<no exception>");
  }
}

// `jpeg` with the size in its frame header (at `marker`) set to `width` x `height`.
std::string resizeJpeg(std::string jpeg, const char* marker, int width, int height) {
  const size_t frame = jpeg.find(marker);
  if (frame == std::string::npos) return "no frame header";
  for (const auto& at : {std::make_pair(5, height), std::make_pair(7, width)}) {
    jpeg[frame + at.first] = static_cast<char>(at.second >> 8);
    jpeg[frame + at.first + 1] = static_cast<char>(at.second & 0xff);
  }
  return jpeg;
}

TEST(JpegDecoding, DamagedFilesAreRefusedWithTheReason) {
  const std::string baseline = am_test::makeJpeg(8, 8, 3, solidRgb(8, 8, 1, 2, 3), 90);
  const std::string progressive = am_test::makeJpeg(8, 8, 3, solidRgb(8, 8, 1, 2, 3), 90, true);
  const std::string detailed = am_test::makeJpeg(64, 64, 3, am_test::makeFrame(64, 64, 3), 90);
  const std::string library = "Internal jpeglib error; ";
  const struct {
    const char* name;
    std::string jpeg;
    std::string message;
  } cases[] = {
      {"a PNG", am_test::makePng(1, 1, PNG_COLOR_TYPE_RGB, 8), library + "Not a JPEG file: starts with 0x89 0x50"},
      {"empty", "", library + "Premature end of input file"},
      // an end-of-image marker early in the scan: the data segment is cut
      {"scan cut short", detailed.substr(0, detailed.find("\xff\xda") + 40) + "\xff\xd9",
       library + "Corrupt JPEG data: premature end of data segment"},
      {"CMYK", am_test::makeJpeg(8, 8, 4, std::vector<uint8_t>(8 * 8 * 4, 100), 90),
       library + "Unsupported color conversion request"},
      // sizes are checked before memory is sized for them
      {"too large", resizeJpeg(baseline, "\xff\xc0", 20000, 60000),
       "[loadJPEG] Image too large (20000 x 60000 pixels)"},
      {"more blocks than the file can code", resizeJpeg(baseline, "\xff\xc0", 16000, 16000),
       "[loadJPEG] Image data cannot fit in the file (16000 x 16000 pixels)"},
      // progressive files keep the whole image's coefficients: a small file
      // that claims a large picture must not get gigabytes for them
      {"progressive buffers over the limit", resizeJpeg(progressive, "\xff\xc2", 16000, 16000),
       library + "Image needs more than 256 MB to decode"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decodeMessage<ImageCodecJPEG>(c.jpeg), c.message);
  }
  EXPECT_EQ(thrownMessage([] {
              ImageObject image;
              ImageCodecJPEG().decodeImage(nullptr, 0, image);
            }),
            library + "Premature end of input file");
}

}  // namespace
