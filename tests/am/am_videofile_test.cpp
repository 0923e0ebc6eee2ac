#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
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
using zelkor::am::ImageObject;
using zelkor::am::VideoFile;
using zelkor::am::VideoFileImageDumper;

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

INSTANTIATE_TEST_SUITE_P(Writers, DumperTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Threads" : "Synchronous");
                         });

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

  // no kind of video file reads: asking for one is refused, not handed back unopened
  const unsigned char bytes[4] = {0x89, 'P', 'N', 'G'};
  EXPECT_EQ(kindra_test::thrownMessage([&] { delete VideoFile::createForRead(bytes, 4); }),
            "Could not find something that could read from buffer");
  EXPECT_EQ(kindra_test::thrownMessage([&] { delete VideoFile::createForRead(fits); }),
            "Could not find something that could read from '" + fits + "'");
}

}  // namespace
