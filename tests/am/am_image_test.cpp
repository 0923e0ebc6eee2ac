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

std::string decodePngMessage(const std::string& bytes, std::string* log = nullptr) {
  return thrownMessage([&] {
    ImageObject image;
    ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), image);
  }, log);
}

std::string decodeJpegMessage(const std::string& bytes) {
  return thrownMessage([&] {
    ImageObject image;
    ImageCodecJPEG().decodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), image);
  });
}

std::vector<uint8_t> pixelsOf(const ImageObject& image) {
  return std::vector<uint8_t>(image.getData(), image.getData() + image.getWidth() * image.getHeight() * 4);
}

// ---------------------------------------------------------------- PNG decoding

TEST(PngDecoding, RgbAndRgbaBecomeBgra) {
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
}

TEST(PngDecoding, EveryOtherColourTypeAndDepthIsRefusedByName) {
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
    EXPECT_EQ(decodePngMessage(am_test::makePng(5, 3, c.type, c.depth)),
              "[loadPNG] Bad color format of image (type " + std::to_string(c.type) + ", " + std::to_string(c.depth) +
                  " bits per channel)");
  }
  EXPECT_EQ(decodePngMessage(am_test::makePng(5, 3, PNG_COLOR_TYPE_GRAY, 8)), "[loadPNG] No support for grayscale images yet");
}

TEST(PngDecoding, WrongOrShortHeader) {
  const std::string png = am_test::makePng(2, 2, PNG_COLOR_TYPE_RGB, 8);
  EXPECT_EQ(decodePngMessage(""), "[loadPNG] Not a png-file! Header is wrong!");
  EXPECT_EQ(decodePngMessage(png.substr(0, 7)), "[loadPNG] Not a png-file! Header is wrong!");
  std::string wrong = png;
  wrong[1] = 'X';
  EXPECT_EQ(decodePngMessage(wrong), "[loadPNG] Not a png-file! Header is wrong!");
}

TEST(PngDecoding, EveryTruncationFailsCleanly) {
  const std::string png = am_test::makePng(16, 16, PNG_COLOR_TYPE_RGB_ALPHA, 8);
  for (size_t keep = 8; keep < png.size(); ++keep) {
    SCOPED_TRACE(keep);
    EXPECT_EQ(decodePngMessage(png.substr(0, keep)), "[loadPNG] Error when decoding png-file!");
  }
  EXPECT_EQ(decodePngMessage(png), "<no exception>");
}

TEST(PngDecoding, LibraryErrorsAreReportedWithTheirReason) {
  std::string png = am_test::makePng(16, 16, PNG_COLOR_TYPE_RGB, 8);
  const size_t data = am_test::findPngChunk(png, "IDAT");
  ASSERT_NE(data, std::string::npos);

  std::string badCrc = png;
  badCrc[data + 8 + am_test::readBe32(png, data)] ^= 0x55;
  std::string log;
  EXPECT_EQ(decodePngMessage(badCrc, &log), "[loadPNG] Error when decoding png-file!");
  EXPECT_NE(log.find("[warning][am::ImageCodecPNG::decodeImage], [loadPNG] IDAT: CRC error"), std::string::npos) << log;
  EXPECT_NE(log.find("IDAT: CRC error"), std::string::npos) << log;

  std::string corrupt = png;
  for (size_t i = data + 10; i < data + 20; ++i) corrupt[i] = static_cast<char>(0xff);
  am_test::fixPngChunkCrc(corrupt, data);
  EXPECT_EQ(decodePngMessage(corrupt), "[loadPNG] Error when decoding png-file!");
  std::string zeroWidth = png;
  am_test::writeBe32(zeroWidth, 16, 0);
  am_test::fixPngChunkCrc(zeroWidth, 8);
  log.clear();
  EXPECT_EQ(decodePngMessage(zeroWidth, &log), "[loadPNG] Error when decoding png-file!");
  EXPECT_NE(log.find("Invalid IHDR data"), std::string::npos) << log;
}

TEST(PngDecoding, DimensionsAreCheckedBeforeMemoryIsSized) {
  std::string png = am_test::makePng(4, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8);
  am_test::writeBe32(png, 16, 20000);
  am_test::writeBe32(png, 20, 30000);
  am_test::fixPngChunkCrc(png, 8);
  EXPECT_EQ(decodePngMessage(png), "[loadPNG] Image too large (20000 x 30000 pixels)");

  // Within the limit, but far more image data than a file this small can hold.
  am_test::writeBe32(png, 16, 16000);
  am_test::writeBe32(png, 20, 16000);
  am_test::fixPngChunkCrc(png, 8);
  std::string log;
  EXPECT_EQ(decodePngMessage(png, &log), "[loadPNG] Error when decoding png-file!");
  EXPECT_NE(log.find("Image data cannot fit in the file"), std::string::npos) << log;
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

TEST(JpegDecoding, NotAJpegAndEmptyInput) {
  EXPECT_EQ(decodeJpegMessage(am_test::makePng(1, 1, PNG_COLOR_TYPE_RGB, 8)),
            "Internal jpeglib error; Not a JPEG file: starts with 0x89 0x50");
  EXPECT_EQ(decodeJpegMessage(""), "Internal jpeglib error; Premature end of input file");
  EXPECT_EQ(thrownMessage([] {
              ImageObject image;
              ImageCodecJPEG().decodeImage(nullptr, 0, image);
            }),
            "Internal jpeglib error; Premature end of input file");
}

TEST(JpegDecoding, EveryTruncationFailsCleanly) {
  for (bool progressive : {false, true}) {
    const std::string jpeg = am_test::makeJpeg(24, 16, 3, am_test::makeFrame(24, 16, 3), 80, progressive);
    for (size_t keep = 0; keep < jpeg.size(); ++keep) {
      SCOPED_TRACE(keep);
      const std::string message = decodeJpegMessage(jpeg.substr(0, keep));
      EXPECT_EQ(message.rfind("Internal jpeglib error; ", 0), 0u) << message;
    }
    EXPECT_EQ(decodeJpegMessage(jpeg), "<no exception>");
  }
}

TEST(JpegDecoding, DamagedScanDataFails) {
  // End the scan early with an end-of-image marker: the data segment is cut.
  const std::string jpeg = am_test::makeJpeg(64, 64, 3, am_test::makeFrame(64, 64, 3), 90);
  const size_t scan = jpeg.find("\xff\xda");
  ASSERT_NE(scan, std::string::npos);
  const std::string cut = jpeg.substr(0, scan + 40) + "\xff\xd9";
  EXPECT_EQ(decodeJpegMessage(cut), "Internal jpeglib error; Corrupt JPEG data: premature end of data segment");
}

TEST(JpegDecoding, UnconvertibleColourSpaceFails) {
  const std::string cmyk = am_test::makeJpeg(8, 8, 4, std::vector<uint8_t>(8 * 8 * 4, 100), 90);
  EXPECT_EQ(decodeJpegMessage(cmyk), "Internal jpeglib error; Unsupported color conversion request");
}

TEST(JpegDecoding, DimensionsAreCheckedBeforeMemoryIsSized) {
  std::string jpeg = am_test::makeJpeg(8, 8, 3, solidRgb(8, 8, 1, 2, 3), 90);
  const size_t frame = jpeg.find("\xff\xc0");
  ASSERT_NE(frame, std::string::npos);
  jpeg[frame + 5] = static_cast<char>(60000 >> 8);  // height
  jpeg[frame + 6] = static_cast<char>(60000 & 0xff);
  jpeg[frame + 7] = static_cast<char>(20000 >> 8);  // width
  jpeg[frame + 8] = static_cast<char>(20000 & 0xff);
  EXPECT_EQ(decodeJpegMessage(jpeg), "[loadJPEG] Image too large (20000 x 60000 pixels)");

  // Within the limit, but more blocks than a file this small can code.
  jpeg[frame + 5] = static_cast<char>(16000 >> 8);
  jpeg[frame + 6] = static_cast<char>(16000 & 0xff);
  jpeg[frame + 7] = static_cast<char>(16000 >> 8);
  jpeg[frame + 8] = static_cast<char>(16000 & 0xff);
  EXPECT_EQ(decodeJpegMessage(jpeg), "[loadJPEG] Image data cannot fit in the file (16000 x 16000 pixels)");
}

TEST(JpegDecoding, ProgressiveBuffersHaveALimit) {
  // Progressive files keep the whole image's coefficients; a small file that
  // claims a large picture must not get gigabytes for them.
  std::string jpeg = am_test::makeJpeg(8, 8, 3, solidRgb(8, 8, 1, 2, 3), 90, true);
  const size_t frame = jpeg.find("\xff\xc2");
  ASSERT_NE(frame, std::string::npos);
  for (int at : {5, 7}) {
    jpeg[frame + at] = static_cast<char>(16000 >> 8);
    jpeg[frame + at + 1] = static_cast<char>(16000 & 0xff);
  }
  EXPECT_EQ(decodeJpegMessage(jpeg), "Internal jpeglib error; Image needs more than 256 MB to decode");
}

}  // namespace
