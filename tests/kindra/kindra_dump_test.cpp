// Frame dumping through the engine: the dump's own clock, the frames on disk,
// its end at the end of the timeline and its failures.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "am.h"
#include "dis_glinclude.h"
#include "glfw_inject.h"
#include "kin_main.h"
#include "kindra_workdir.h"
#include "test_support.h"
#include "tone.h"
#include "zlk_system.h"

namespace {

namespace fs = std::filesystem;
using zelkor::kindra::Effect;
using zelkor::kindra::Kindra;

struct Draw {
  float local;
  float delta;
};

// Clears to a grey that tells the frame's local time.
class Shade : public Effect {
 public:
  void draw(float pTimer, float pDelta, float) override {
    draws.push_back({pTimer, pDelta});
    const float grey = std::fmod(pTimer * 2.0f, 1.0f);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(grey, 1.0f - grey, 0.25f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (hook) hook();
  }
  std::vector<Draw> draws;
  std::function<void()> hook;
};

std::string setupWith(const std::string& dump, const std::string& time, const std::string& music,
                      int width = 64, int height = 48) {
  return "<demo>\n\t" + time + "\n\t<display width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\" title=\"kindra dump\"/>\n\t<osd show=\"on\"/>\n\t" + dump + "\n\t" + music +
         "\n</demo>\n";
}

const char kSilent[] = "<music mute=\"nosound\"/>";

class DumpTest : public testing::Test {
 protected:
  // Reads the setup and puts one Shade over the whole timeline.
  void load(const std::string& setup) {
    work.write("setup.xml", setup);
    engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    engine->addFactory<Shade>("Shade");
    shade = dynamic_cast<Shade*>(engine->addEffect("Shade", "S"));
    shade->mEnd = 1000.0f;
  }
  // Runs to the end; the message of the exception that ended it, or "".
  std::string run() {
    kindra_test::StdoutCapture capture;
    std::string message;
    try {
      engine->run();
    } catch (const zelkor::Exception& e) {
      message = e.what();
    }
    out = capture.finish();
    return message;
  }
  std::vector<std::string> frames(const std::string& folder) const {
    std::vector<std::string> names;
    if (!fs::is_directory(work.file(folder))) return names;
    for (const auto& entry : fs::directory_iterator(work.file(folder))) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  kindra_test::WorkDir work{"kindra-dump"};
  std::unique_ptr<Kindra> engine;
  Shade* shade = nullptr;
  std::string out;
};

// Frame n shows the demo at n / rate from 0 whatever the start mark or the
// arrow keys, lands as frames/shot.<n>.png without the progress bar, and the
// run ends by itself after the timeline's length.
TEST_F(DumpTest, FramesAtAFixedStepFromZeroUntilTheEnd) {
  load(setupWith("<dump name=\"frames/shot.png\" fps=\"25\"/>", "<time start=\"3\" length=\"0.4\"/>", kSilent));
  shade->hook = [this] {
    if (shade->draws.size() == 3) kindra_test::keyTap(GLFW_KEY_RIGHT);
    if (shade->draws.size() == 5) kindra_test::keyTap(GLFW_KEY_SPACE);
  };
  EXPECT_EQ(run(), "");
  EXPECT_NE(out.find("Dumping 10 frames (0.4 s at 25 frames per second)"), std::string::npos) << out;
  EXPECT_NE(out.find("Dumped 10 frames"), std::string::npos) << out;
  ASSERT_EQ(shade->draws.size(), 10u);
  for (size_t n = 0; n < shade->draws.size(); ++n) {
    EXPECT_EQ(shade->draws[n].local, static_cast<float>(n / 25.0)) << n;
    EXPECT_NEAR(shade->draws[n].delta, n == 0 ? 0.0f : 0.04f, 1e-6f) << n;
  }
  EXPECT_EQ(engine->getDumpFrame(), 10);

  std::vector<std::string> expected;
  for (int n = 0; n < 10; ++n) {
    char name[32];
    std::snprintf(name, sizeof(name), "shot.%06d.png", n);
    expected.push_back(name);
  }
  EXPECT_EQ(frames("frames"), expected);

  zelkor::am::ArchiveManager archive;
  archive.addArchive(work.path() + "/");
  for (int n : {0, 4, 9}) {
    zelkor::am::Image frame = archive.loadImage("frames/" + expected[n], -1, true);
    ASSERT_EQ(frame->getWidth(), 64);
    ASSERT_EQ(frame->getHeight(), 48);
    const float grey = std::fmod(static_cast<float>(n / 25.0) * 2.0f, 1.0f);
    // B G R A; the top row is where the progress bar shows on the screen
    for (int y : {1, 24}) {
      const unsigned char* pixel = frame->getData() + (y * 64 + 32) * 4;
      EXPECT_NEAR(pixel[2], grey * 255.0f, 1.5f) << n << " row " << y;
      EXPECT_NEAR(pixel[1], (1.0f - grey) * 255.0f, 1.5f) << n << " row " << y;
      EXPECT_NEAR(pixel[0], 64, 1.5f) << n << " row " << y;
    }
  }
}

// With a song the dump covers the song (which stays silent), not the time
// element's length.
TEST_F(DumpTest, TheSongsLengthEndsTheDump) {
  const std::string song = kindra_tools::encodeWav(kindra_tools::makeTone(0.5, 22050, 1), 22050, 1);
  kindra_test::writeFile(work.file("song.wav"), song);
  load(setupWith("<dump name=\"f.png\" fps=\"20\"/>", "<time length=\"99\"/>",
                 "<music mute=\"off\" filename=\"song.wav\"/>"));
  EXPECT_EQ(run(), "");
  EXPECT_EQ(shade->draws.size(), 10u) << out;
  EXPECT_EQ(frames(".").size(), 10u + 2u) << "setup.xml, song.wav and the frames";
  EXPECT_TRUE(fs::exists(work.file("f.000009.png")));
  EXPECT_TRUE(engine->isNosound());
}

// A frame that cannot be written ends the dump at once with an error naming
// it; the run fails, so nothing is saved.
TEST_F(DumpTest, AFrameThatCannotBeWrittenFailsTheRun) {
  work.write("frames", "a file where the folder should be");
  load(setupWith("<dump name=\"frames/shot.png\" fps=\"10\"/>", "<time length=\"100\"/>", kSilent));
  const std::string message = run();
  EXPECT_NE(message.find("The dump stopped with "), std::string::npos) << message;
  EXPECT_NE(message.find("the frame 'frames/shot.000000.png' could not be written"), std::string::npos) << message;
  EXPECT_NE(out.find("[error]"), std::string::npos);
  EXPECT_NE(out.find("Could not write the frame 'frames/shot.000000.png'"), std::string::npos) << out;
  EXPECT_LT(shade->draws.size(), 100u) << "the dump does not go on with gaps";
  engine.reset();
  EXPECT_FALSE(fs::exists(work.file("script/Shade.S.xml"))) << "a failed run saves nothing";
}

// Settings that cannot make a dump are refused before anything is drawn.
TEST_F(DumpTest, UnusableSettingsAreRefusedAtStart) {
  const std::string longName = std::string(1100, 'n') + ".png";
  work.write("setup.xml", setupWith("<dump name=\"" + longName + "\"/>", "", kSilent));
  {
    Kindra refused;
    kindra_test::StdoutCapture capture;
    std::string message;
    try {
      refused.setup(-1.0f);
    } catch (const zelkor::Exception& e) {
      message = e.what();
    }
    const std::string log = capture.finish();
    EXPECT_EQ(message, "Could not find something that could write to '" + longName + "'");
    EXPECT_NE(log.find("would be longer than 1023 characters"), std::string::npos) << log;
  }

  load(setupWith("<dump name=\"z.png\"/>", "<time length=\"0\"/>", kSilent));
  EXPECT_EQ(run(), "Nothing can be dumped of a timeline of 0 seconds at 60 frames per second");
  EXPECT_EQ(engine->getDisplay(), nullptr) << "no window opens";

  load(setupWith("<dump name=\"z.png\"/>", "<time length=\"1\"/>", kSilent, 64, 47));
  EXPECT_NE(run().find("the height must be even"), std::string::npos) << out;
  EXPECT_TRUE(shade->draws.empty());
  EXPECT_TRUE(frames(".").size() == 1u) << "only the setup file";
}

// The default name writes untitled.<n>.png.
TEST_F(DumpTest, TheDefaultNameIsUntitled) {
  load(setupWith("<dump/>", "<time length=\"0.05\"/>", kSilent));
  EXPECT_EQ(engine->getDumpName(), "untitled");
  EXPECT_EQ(run(), "");
  EXPECT_TRUE(fs::exists(work.file("untitled.000000.png")));
  EXPECT_TRUE(fs::exists(work.file("untitled.000002.png")));
  EXPECT_FALSE(fs::exists(work.file("untitled.000003.png")));
}

}  // namespace
