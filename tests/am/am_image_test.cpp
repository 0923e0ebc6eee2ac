#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <functional>
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

using kindra_test::ScratchDir;
using kindra_test::StdoutCapture;
using zelkor::am::ArchiveManager;
using zelkor::am::File;
using zelkor::am::FileStructure;
using zelkor::am::Image;
using zelkor::am::ImageCodecJPEG;
using zelkor::am::ImageCodecPNG;
using zelkor::am::ImageManager;
using zelkor::am::ImageObject;

File makeFile(const std::string& name, const std::string& bytes) {
  unsigned char* data = new unsigned char[bytes.size()];
  std::memcpy(data, bytes.data(), bytes.size());
  return File(new FileStructure(name, static_cast<long>(bytes.size()), data));
}

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

// ---------------------------------------------------------------- objects and handles

TEST(ImageObjectTest, AllocatesAdoptsAndResizes) {
  ImageObject image(3, 2);
  EXPECT_EQ(image.getWidth(), 3);
  EXPECT_EQ(image.getHeight(), 2);
  ASSERT_NE(image.getData(), nullptr);
  EXPECT_EQ(image.getWriteData(), image.getData());

  unsigned char* pixels = new unsigned char[4 * 4]();
  image.setData(2, 2, pixels);
  EXPECT_EQ(image.getData(), pixels);
  image.setData(9, 9, nullptr);  // changes nothing
  EXPECT_EQ(image.getWidth(), 2);
  EXPECT_EQ(image.getData(), pixels);

  image.resize(5, 0);
  EXPECT_EQ(image.getData(), nullptr);
  EXPECT_EQ(image.getWidth(), 5);
  image.resize(4, 4);
  ASSERT_NE(image.getData(), nullptr);
  image.getWriteData()[4 * 4 * 4 - 1] = 7;  // the whole buffer is there

  EXPECT_EQ(ImageObject().getData(), nullptr);
  ImageObject named(1, 1, nullptr, nullptr, "n.png");
  EXPECT_EQ(named.getId(), "n.png");
  named.setId("m.png");
  EXPECT_EQ(named.getId(), "m.png");
}

TEST(ImageHandle, CountsReferencesAndFreesOnTheLast) {
  Image a(new ImageObject(1, 1));
  EXPECT_EQ(a.getRefCount(), 1);
  Image b = a;
  Image c;
  c = b;
  EXPECT_EQ(a.getRefCount(), 3);
  EXPECT_EQ(c.get(), a.get());
  c = c;
  EXPECT_EQ(a.getRefCount(), 3);
  b.release();
  EXPECT_TRUE(b.isNull());
  EXPECT_EQ(a.getRefCount(), 2);
  ImageObject* other = new ImageObject(2, 2);
  c = other;
  EXPECT_EQ(a.getRefCount(), 1);
  EXPECT_EQ(c->getWidth(), 2);
  EXPECT_EQ((*c).getHeight(), 2);
  c = other;  // the object it already holds stays alive
  EXPECT_EQ(c->getWidth(), 2);
  Image moved(std::move(c));
  EXPECT_TRUE(c.isNull());
  EXPECT_EQ(moved.getRefCount(), 1);
  static_assert(sizeof(Image) == sizeof(void*), "a handle is one pointer");
}

TEST(ImageHandle, NullDereferenceFails) {
  Image null;
  EXPECT_EQ(thrownMessage([&] { null->getWidth(); }),
            "Image::operator->() - Attempt to dereference (NULL)ImageObject!");
  EXPECT_EQ(thrownMessage([&] { (*null).getWidth(); }), "Image::operator*() Attempt to dereference (NULL)ImageObject!");
}

// ---------------------------------------------------------------- manager and cache

class ImageCache : public ::testing::Test {
 protected:
  File png() { return makeFile("a.png", am_test::makePng(2, 2, PNG_COLOR_TYPE_RGB, 8)); }
  ImageManager mManager;
};

TEST_F(ImageCache, SameNameGivesOneObjectWhileHeld) {
  Image first = mManager.loadImage("a.png", png());
  Image second = mManager.loadImage("a.png", File());  // cached: the bytes are not even looked at
  EXPECT_EQ(first.get(), second.get());
  EXPECT_EQ(first->getManager(), &mManager);
  EXPECT_EQ(first->getId(), "a.png");
  EXPECT_EQ(mManager.getImage("a.png").get(), first.get());
  EXPECT_EQ(first.getRefCount(), 3);  // two outside, one in the cache
  first.release();
  EXPECT_EQ(mManager.getCacheSize(), 1u);
  second.release();
  EXPECT_EQ(mManager.getCacheSize(), 0u);
  EXPECT_TRUE(mManager.getImage("a.png").isNull());
  Image again = mManager.loadImage("a.png", png());
  EXPECT_EQ(again.getRefCount(), 2);
}

TEST_F(ImageCache, DiscardedResultLeavesNothingCached) {
  mManager.loadImage("a.png", png());
  EXPECT_EQ(mManager.getCacheSize(), 0u);
}

TEST_F(ImageCache, UniqueImagesAreSeparateAndWritable) {
  Image cached = mManager.loadImage("a.png", png());
  Image unique = mManager.loadImage("a.png", png(), true);
  EXPECT_NE(cached.get(), unique.get());
  EXPECT_EQ(unique->getManager(), nullptr);
  EXPECT_EQ(unique->getId(), "a.png");
  EXPECT_NE(unique->getWriteData(), nullptr);
  EXPECT_EQ(thrownMessage([&] { cached->getWriteData(); }), "ImageObbject::getWriteData, Access not allowed!");
  EXPECT_EQ(mManager.getCacheSize(), 1u);
  EXPECT_EQ(mManager.getImage("a.png").get(), cached.get());
}

TEST_F(ImageCache, RemovingUnknownNamesFails) {
  EXPECT_EQ(thrownMessage([&] { mManager.removeImage("nope.png"); }), "ImageManager::removeImage, Image nope.png not found!");
}

TEST_F(ImageCache, RemovingAHeldImageDetachesIt) {
  // The cache's handle goes while one outside handle is left; the image must
  // not try to leave the cache a second time.
  Image held = mManager.loadImage("a.png", png());
  EXPECT_EQ(mManager.removeImage("a.png"), 0);
  EXPECT_EQ(mManager.getCacheSize(), 0u);
  EXPECT_EQ(held.getRefCount(), 1);
  EXPECT_EQ(held->getManager(), nullptr);
  EXPECT_NE(held->getWriteData(), nullptr);
  held.release();
}

TEST_F(ImageCache, RenamedCachedImageStillLeavesTheCache) {
  Image held = mManager.loadImage("a.png", png());
  held->setId("renamed.png");
  held.release();
  EXPECT_EQ(mManager.getCacheSize(), 0u);
}

TEST_F(ImageCache, EmptyDetachesHeldImages) {
  Image held = mManager.loadImage("a.png", png());
  mManager.empty();
  EXPECT_EQ(mManager.getCacheSize(), 0u);
  EXPECT_EQ(held.getRefCount(), 1);
  EXPECT_EQ(held->getManager(), nullptr);
  EXPECT_NE(held->getWriteData(), nullptr);
}

TEST(ImageManagerLifetime, ImagesOutliveTheirManager) {
  Image held;
  {
    ImageManager manager;
    held = manager.loadImage("a.png", makeFile("a.png", am_test::makePng(2, 2, PNG_COLOR_TYPE_RGB, 8)));
  }
  EXPECT_EQ(held->getManager(), nullptr);
  EXPECT_EQ(held->getWidth(), 2);
}

TEST_F(ImageCache, CodecsByExtension) {
  EXPECT_EQ(ImageManager::getExtension("a.PNG"), "PNG");
  EXPECT_EQ(ImageManager::getExtension("dir.d/file"), "d/file");
  EXPECT_EQ(ImageManager::getExtension("noext"), "");
  EXPECT_EQ(mManager.getCodec("PNG"), mManager.getCodec("png"));
  ASSERT_NE(mManager.getCodec("png"), nullptr);
  EXPECT_EQ(mManager.getCodec("png")->getFormatString(), "png");
  EXPECT_TRUE(mManager.getCodec("png")->canWrite());
  EXPECT_EQ(mManager.getCodec("jpg")->getFormatString(), "jpg");
  EXPECT_FALSE(mManager.getCodec("jpg")->canWrite());
  EXPECT_EQ(mManager.getCodec("tga")->getFormatString(), "tga");
  EXPECT_FALSE(mManager.getCodec("tga")->canWrite());
  EXPECT_EQ(mManager.getCodec("jpeg"), nullptr);
  EXPECT_EQ(mManager.getCodec(""), nullptr);

  Image upper = mManager.loadImage("A.PNG", makeFile("A.PNG", am_test::makePng(1, 1, PNG_COLOR_TYPE_RGB, 8)));
  EXPECT_EQ(upper->getWidth(), 1);
  EXPECT_EQ(thrownMessage([&] { mManager.loadImage("a.jpeg", png()); }), "ImageManager::loadImage, No decoder found for a.jpeg");
  EXPECT_EQ(thrownMessage([&] { mManager.loadImage("noext", png()); }), "ImageManager::loadImage, No decoder found for noext");
  EXPECT_EQ(thrownMessage([&] { mManager.loadImage("a.tga", png()); }), "[ImageCodec] TGA-reader is not done yet!");
}

TEST_F(ImageCache, FailedDecodeIsNotCached) {
  EXPECT_EQ(thrownMessage([&] { mManager.loadImage("bad.png", makeFile("bad.png", "not a png at all")); }),
            "[loadPNG] Not a png-file! Header is wrong!");
  EXPECT_EQ(thrownMessage([&] { mManager.loadImage("none.png", File()); }), "[loadPNG] Not a png-file! Header is wrong!");
  EXPECT_EQ(mManager.getCacheSize(), 0u);
}

TEST_F(ImageCache, EncodingByExtension) {
  Image image(new ImageObject(2, 1));
  std::memcpy(image->getWriteData(), "\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  EXPECT_TRUE(mManager.encodeImage("shot.jpg", image).isNull());
  EXPECT_TRUE(mManager.encodeImage("shot.tga", image).isNull());
  EXPECT_TRUE(mManager.encodeImage("shot", image).isNull());
  EXPECT_TRUE(mManager.encodeImage("shot.png", Image()).isNull());
  EXPECT_TRUE(mManager.encodeImage("shot.png", Image(new ImageObject(0, 0))).isNull());

  File file = mManager.encodeImage("shot.PNG", image);
  ASSERT_FALSE(file.isNull());
  EXPECT_EQ(file->filename, "shot.PNG");
  const std::string bytes(reinterpret_cast<const char*>(file->data), file->length);
  const size_t header = am_test::findPngChunk(bytes, "IHDR");
  ASSERT_NE(header, std::string::npos);
  EXPECT_EQ(bytes[header + 8 + 8], 8);                     // bits per channel
  EXPECT_EQ(bytes[header + 8 + 9], PNG_COLOR_TYPE_RGB_ALPHA);  // with alpha

  Image back = mManager.loadImage("shot.png", file, true);
  EXPECT_EQ(pixelsOf(*back), pixelsOf(*image));

  Image cached = mManager.loadImage("c.png", png());
  EXPECT_EQ(thrownMessage([&] { mManager.encodeImage("c.png", cached); }), "ImageObbject::getWriteData, Access not allowed!");
}

// ---------------------------------------------------------------- through the archives

TEST(ArchiveImages, LoadAndWriteThroughTheArchives) {
  ScratchDir dir("am");
  ArchiveManager manager;
  EXPECT_FALSE(manager.writeImage("x.png", Image(new ImageObject(1, 1))));  // nothing mounted
  ASSERT_EQ(manager.addArchive(dir.path() + "/"), 0);  // the scratch folder's name has a dot
  EXPECT_EQ(thrownMessage([&] { manager.loadImage("missing.png"); }), "loadImage, File not found (missing.png)");

  Image frame(new ImageObject(3, 2));
  for (int i = 0; i < 24; ++i) frame->getWriteData()[i] = static_cast<unsigned char>(i * 10);
  EXPECT_TRUE(manager.writeImage("dump/demo.000000.png", frame));
  EXPECT_FALSE(manager.writeImage("dump/demo.000000.jpg", frame));
  Image loaded = manager.loadImage("dump/demo.000000.png");
  EXPECT_EQ(pixelsOf(*loaded), pixelsOf(*frame));
  EXPECT_EQ(manager.loadImage("dump/demo.000000.png").get(), loaded.get());
  EXPECT_NE(manager.loadImage("dump/demo.000000.png", -1, true).get(), loaded.get());
  EXPECT_EQ(manager.getImageManager()->getCacheSize(), 1u);
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

TEST(PngDecoding, InterlacedGivesTheSamePixels) {
  for (int type : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
    const std::vector<uint8_t> frame = am_test::makeFrame(37, 23, type == PNG_COLOR_TYPE_RGB ? 3 : 4);
    const std::string raw(frame.begin(), frame.end());
    ImageObject plain;
    ImageObject interlaced;
    const std::string a = am_test::makePng(37, 23, type, 8, raw, false);
    const std::string b = am_test::makePng(37, 23, type, 8, raw, true);
    ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(a.data()), a.size(), plain);
    ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(b.data()), b.size(), interlaced);
    EXPECT_EQ(pixelsOf(plain), pixelsOf(interlaced));
    EXPECT_EQ(plain.getData()[0], frame[2]);
  }
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

TEST(PngDecoding, FailureLeavesTheImageAlone) {
  ImageObject image(1, 1);
  const unsigned char* before = image.getData();
  const std::string png = am_test::makePng(8, 8, PNG_COLOR_TYPE_RGB, 8);
  StdoutCapture quiet;
  EXPECT_THROW(ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(png.data()), png.size() - 20, image),
               zelkor::Exception);
  EXPECT_EQ(image.getData(), before);
  EXPECT_EQ(image.getWidth(), 1);
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

TEST(JpegDecoding, RowsRunFromTheTop) {
  std::vector<uint8_t> samples = solidRgb(16, 16, 0, 0, 0);
  for (int i = 0; i < 16 * 8 * 3; ++i) samples[i] = 255;  // white top half
  const std::string jpeg = am_test::makeJpeg(16, 16, 3, samples, 100);
  ImageObject image;
  ImageCodecJPEG().decodeImage(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), image);
  EXPECT_GT(image.getData()[0], 240);
  EXPECT_LT(image.getData()[15 * 16 * 4], 15);
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

TEST(JpegDecoding, HighlyCompressibleFramesStillDecode) {
  // A flat grey frame is close to the densest sequential coding there is.
  const std::string jpeg = am_test::makeJpeg(1024, 1024, 1, std::vector<uint8_t>(1024 * 1024, 128), 10);
  ImageObject image;
  ImageCodecJPEG().decodeImage(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), image);
  EXPECT_EQ(image.getWidth(), 1024);
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
