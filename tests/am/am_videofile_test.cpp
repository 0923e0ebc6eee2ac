#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "am.h"
#include "am_imagecodec_png.h"
#include "am_imagemanager.h"
#include "am_videofile.h"
#include "am_videofile_imagedumper.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

namespace fs = std::filesystem;
using kindra_test::ScratchDir;
using kindra_test::StdoutCapture;
using zelkor::am::ArchiveManager;
using zelkor::am::Image;
using zelkor::am::ImageCodecPNG;
using zelkor::am::ImageObject;
using zelkor::am::VideoFile;
using zelkor::am::VideoFileImageDumper;

using kindra_test::thrownMessage;

// A picture whose every pixel depends on its place and on `seed`.
void paint(Image& image, int seed) {
  unsigned char* p = image->getWriteData();
  for (int y = 0; y < image->getHeight(); ++y) {
    for (int x = 0; x < image->getWidth(); ++x, p += 4) {
      p[0] = static_cast<unsigned char>(x * 7 + seed);
      p[1] = static_cast<unsigned char>(y * 13 + seed * 3);
      p[2] = static_cast<unsigned char>((x ^ y) + seed * 5);
      p[3] = 255;
    }
  }
}

bool samePixels(const Image& a, const Image& b) {
  return a->getWidth() == b->getWidth() && a->getHeight() == b->getHeight() &&
         std::memcmp(a->getData(), b->getData(), static_cast<size_t>(a->getWidth()) * a->getHeight() * 4) == 0;
}

VideoFileImageDumper::Settings synchronous() {
  VideoFileImageDumper::Settings settings = VideoFileImageDumper::defaultSettings();
  settings.threads = 0;
  return settings;
}

VideoFileImageDumper::Settings oneWriter() {
  VideoFileImageDumper::Settings settings = VideoFileImageDumper::defaultSettings();
  settings.threads = 1;
  settings.queue = 1;
  return settings;
}

class DumperTest : public testing::TestWithParam<bool> {
 protected:
  VideoFileImageDumper::Settings settings() const {
    return GetParam() ? VideoFileImageDumper::defaultSettings() : synchronous();
  }
};

// Frames land numbered in the first archive, creating the folder, and each
// holds the picture as it was when it was handed over.
TEST_P(DumperTest, FramesLandNumberedInTheFirstArchive) {
  ScratchDir first("dump_first");
  ScratchDir second("dump_second");
  ArchiveManager archive;
  archive.addArchive(first.path() + "/");
  archive.addArchive(second.path() + "/");

  VideoFileImageDumper dumper(settings());
  ASSERT_TRUE(dumper.openForWrite("dump/demo.png", VideoFile::Format(32, 18, 25), &archive));
  EXPECT_EQ(dumper.getFormat().frameRate, 25);
  EXPECT_EQ(dumper.getFormat().frameRateBase, 1);
  EXPECT_EQ(dumper.getWidth(), 32);
  Image picture(new ImageObject(32, 18));
  dumper.attach(picture);
  const int kFrames = 12;
  for (int i = 0; i < kFrames; ++i) {
    paint(picture, i);  // refilled at once, as the engine does
    dumper.writeFrame();
  }
  EXPECT_EQ(dumper.getFrameNumber(), kFrames);
  EXPECT_TRUE(dumper.close());
  EXPECT_FALSE(dumper.hasFailed());

  ASSERT_TRUE(fs::is_directory(first.file("dump")));
  EXPECT_FALSE(fs::exists(second.file("dump")));
  int count = 0;
  for (const auto& entry : fs::directory_iterator(first.file("dump"))) {
    (void)entry;
    ++count;
  }
  EXPECT_EQ(count, kFrames) << "no temporary files are left either";
  Image expected(new ImageObject(32, 18));
  for (int i = 0; i < kFrames; ++i) {
    char name[64];
    std::snprintf(name, sizeof(name), "dump/demo.%06d.png", i);
    ASSERT_TRUE(fs::exists(first.file(name))) << name;
    paint(expected, i);
    EXPECT_TRUE(samePixels(archive.loadImage(name, -1, true), expected)) << name;
  }
}

// A frame that cannot be written is an error naming it; no frame is written
// after it and closing reports it.
TEST_P(DumperTest, AFailedFrameEndsTheDump) {
  ScratchDir dir("dump_fail");
  kindra_test::writeFile(dir.file("dump"), "a file where the folder should be");
  ArchiveManager archive;
  archive.addArchive(dir.path() + "/");
  VideoFileImageDumper dumper(settings());
  ASSERT_TRUE(dumper.openForWrite("dump/demo.png", VideoFile::Format(8, 8, 60), &archive));
  Image picture(new ImageObject(8, 8));
  paint(picture, 1);
  dumper.attach(picture);

  StdoutCapture capture;
  for (int i = 0; i < 5; ++i) dumper.writeFrame();
  const bool closed = dumper.close();
  const std::string out = capture.finish();
  EXPECT_FALSE(closed);
  EXPECT_TRUE(dumper.hasFailed());
  EXPECT_EQ(dumper.getFailedFrame(), "dump/demo.000000.png");
  EXPECT_NE(out.find("[error]"), std::string::npos) << out;
  EXPECT_NE(out.find("Could not write the frame 'dump/demo.000000.png'"), std::string::npos) << out;
  EXPECT_EQ(out.find("[error]", out.find("[error]") + 1), std::string::npos) << "reported once:\n" << out;
}

// A frame in the middle that fails: the frames before it are all written,
// the failure names it, and no frame is taken after it.
TEST_P(DumperTest, FramesBeforeAFailedOneAreWritten) {
  ScratchDir dir("dump_middle");
  fs::create_directories(dir.file("dump/demo.000003.png/inside"));  // a folder where frame 3 goes
  ArchiveManager archive;
  archive.addArchive(dir.path() + "/");
  VideoFileImageDumper dumper(settings());
  ASSERT_TRUE(dumper.openForWrite("dump/demo.png", VideoFile::Format(8, 8, 60), &archive));
  Image picture(new ImageObject(8, 8));
  paint(picture, 2);
  dumper.attach(picture);
  StdoutCapture capture;
  int taken = 0;
  for (; taken < 50 && !dumper.hasFailed(); ++taken) dumper.writeFrame();
  EXPECT_FALSE(dumper.close());
  const std::string out = capture.finish();
  EXPECT_EQ(dumper.getFailedFrame(), "dump/demo.000003.png");
  EXPECT_NE(out.find("Could not write the frame 'dump/demo.000003.png'"), std::string::npos) << out;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(fs::is_regular_file(dir.file(dumper.getFrameName(i)))) << i;
  dumper.writeFrame();
  EXPECT_EQ(dumper.getFrameNumber(), taken) << "nothing is taken after the failure";
  if (!GetParam()) {
    EXPECT_EQ(taken, 4);
  }
}

// Without a picture there is nothing to write: that frame fails too.
TEST_P(DumperTest, AFrameWithoutPictureFails) {
  ScratchDir dir("dump_nopicture");
  ArchiveManager archive;
  archive.addArchive(dir.path() + "/");
  VideoFileImageDumper dumper(settings());
  ASSERT_TRUE(dumper.openForWrite("f.png", VideoFile::Format(), &archive));
  StdoutCapture capture;
  dumper.writeFrame();
  EXPECT_FALSE(dumper.close());
  capture.finish();
  EXPECT_EQ(dumper.getFailedFrame(), "f.000000.png");
  EXPECT_FALSE(fs::exists(dir.file("f.000000.png")));
}

INSTANTIATE_TEST_SUITE_P(Writers, DumperTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Threads" : "Synchronous");
                         });

TEST(VideoFileTest, NamesAndExtensions) {
  ArchiveManager archive;
  archive.addArchive("./");
  VideoFileImageDumper dumper;
  ASSERT_TRUE(dumper.openForWrite("dump/demo.png", VideoFile::Format(), &archive));
  EXPECT_EQ(dumper.getFrameName(0), "dump/demo.000000.png");
  EXPECT_EQ(dumper.getFrameName(7), "dump/demo.000007.png");
  EXPECT_EQ(dumper.getFrameName(999999), "dump/demo.999999.png");
  EXPECT_EQ(dumper.getFrameName(1234567), "dump/demo.1234567.png") << "more digits past 999999";

  VideoFileImageDumper dotted;
  ASSERT_TRUE(dotted.openForWrite("./out.v2/shot.PNG", VideoFile::Format(), &archive));
  EXPECT_EQ(dotted.getFrameName(3), "./out.v2/shot.000003.PNG") << "the extension as it was given";

  // only PNG, and only with a name before the dot
  for (const char* refused : {"dump/demo.jpg", "demo", ".png", "dump/.png", "my.dir/frames", "demo.", ""}) {
    VideoFileImageDumper other;
    EXPECT_FALSE(other.openForWrite(refused, VideoFile::Format(), &archive)) << refused;
    EXPECT_EQ(thrownMessage([&] { delete VideoFile::createForWrite(refused, VideoFile::Format(), &archive); }),
              std::string("Could not find something that could write to '") + refused + "'");
  }
  VideoFileImageDumper orphan;
  EXPECT_FALSE(orphan.openForWrite("demo.png", VideoFile::Format(), nullptr)) << "no archive";

  std::unique_ptr<VideoFile> created(VideoFile::createForWrite("dump/demo.png", VideoFile::Format(4, 2, 30), &archive));
  ASSERT_NE(dynamic_cast<VideoFileImageDumper*>(created.get()), nullptr);
  EXPECT_EQ(created->getFormat().width, 4);
}

// Names stay inside the 1024-byte name buffer for every frame number; a
// longer base is refused at once, with a message that says why.
TEST(VideoFileTest, TooLongBaseNameIsRefused) {
  ArchiveManager archive;
  archive.addArchive("./");
  // base + "." + ten digits + "." + "png" + terminator = 1024
  const std::string fits = std::string(1024 - 16, 'a') + ".png";
  VideoFileImageDumper dumper;
  ASSERT_TRUE(dumper.openForWrite(fits, VideoFile::Format(), &archive));
  EXPECT_EQ(dumper.getFrameName(2147483647), std::string(1024 - 16, 'a') + ".2147483647.png");

  const std::string tooLong = std::string(1024 - 15, 'a') + ".png";
  StdoutCapture capture;
  std::string message = "<no exception>";
  try {
    delete VideoFile::createForWrite(tooLong, VideoFile::Format(), &archive);
  } catch (const zelkor::Exception& e) {
    message = e.what();
  }
  const std::string out = capture.finish();
  EXPECT_EQ(message, "Could not find something that could write to '" + tooLong + "'");
  EXPECT_NE(out.find("would be longer than 1023 characters"), std::string::npos) << out;
}

TEST(VideoFileTest, NothingReads) {
  EXPECT_EQ(thrownMessage([] { delete VideoFile::createForRead("movie.png"); }),
            "Could not find something that could read from 'movie.png'");
  const unsigned char bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(thrownMessage([&] { delete VideoFile::createForRead(bytes, 4); }),
            "Could not find something that could read from buffer");
  VideoFile::Format format;
  EXPECT_EQ(format.frameRateBase, 1);
}

// Many frames through one writer and a queue of one: every frame arrives
// whole although the caller outruns the writer.
TEST(VideoFileTest, BoundedQueueLosesNothing) {
  ScratchDir dir("dump_queue");
  ArchiveManager archive;
  archive.addArchive(dir.path() + "/");
  VideoFileImageDumper dumper(oneWriter());
  ASSERT_TRUE(dumper.openForWrite("q.png", VideoFile::Format(), &archive));
  Image picture(new ImageObject(64, 36));
  dumper.attach(picture);
  for (int i = 0; i < 40; ++i) {
    paint(picture, i);
    dumper.writeFrame();
  }
  ASSERT_TRUE(dumper.close());
  Image expected(new ImageObject(64, 36));
  for (int i = 0; i < 40; i += 13) {
    paint(expected, i);
    EXPECT_TRUE(samePixels(archive.loadImage(dumper.getFrameName(i), -1, true), expected)) << i;
  }
  EXPECT_TRUE(fs::exists(dir.file(dumper.getFrameName(39))));
  EXPECT_FALSE(fs::exists(dir.file(dumper.getFrameName(40))));
}

// Whatever the level and filters, the same pixels come back.
TEST(VideoFileTest, CompressionKeepsThePixels) {
  Image picture(new ImageObject(67, 31));
  paint(picture, 9);
  ImageCodecPNG::Compression fastest;
  fastest.level = 0;
  fastest.filters = ImageCodecPNG::Compression::FILTER_NONE;
  ImageCodecPNG::Compression sub = VideoFileImageDumper::defaultSettings().compression;
  ImageCodecPNG::Compression smallest;
  smallest.level = 9;
  smallest.filters = ImageCodecPNG::Compression::FILTER_PAETH | ImageCodecPNG::Compression::FILTER_UP;
  ImageCodecPNG::Compression ownNone;
  ownNone.level = 12;
  ownNone.filters = ImageCodecPNG::Compression::FILTER_NONE;
  ownNone.fastDeflate = true;
  // R, G, B, A input: what the writer threads hand over without the fast writer
  std::vector<unsigned char> swapped(picture->getData(), picture->getData() + 67 * 31 * 4);
  for (size_t i = 0; i < swapped.size(); i += 4) std::swap(swapped[i], swapped[i + 2]);
  for (const ImageCodecPNG::Compression& compression :
       {fastest, sub, smallest, ImageCodecPNG::Compression(), ownNone}) {
    for (const bool rgba : {false, true}) {
      SCOPED_TRACE(testing::Message() << "level " << compression.level << " own " << compression.fastDeflate
                                      << " rgba " << rgba);
      ImageCodecPNG codec(compression);
      unsigned char* bytes = nullptr;
      size_t length = 0;
      ASSERT_TRUE(codec.encode(rgba ? swapped.data() : picture->getData(), 67, 31, &bytes, &length, rgba));
      std::unique_ptr<unsigned char[]> owned(bytes);
      ImageObject decoded;
      codec.decodeImage(bytes, length, decoded);
      ASSERT_EQ(decoded.getWidth(), 67);
      ASSERT_EQ(decoded.getHeight(), 31);
      EXPECT_EQ(std::memcmp(decoded.getData(), picture->getData(), 67 * 31 * 4), 0);
    }
  }
}

}  // namespace
