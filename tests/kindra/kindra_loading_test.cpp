// The loading screen on a real display, and the engine playing a song on the
// sound system's dummy device.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dis_display.h"
#include "dis_resource.h"
#include "glfw_inject.h"
#include "kin_main.h"
#include "kindra_frames.h"
#include "kindra_workdir.h"
#include "test_support.h"
#include "tone.h"
#include "zlk_system.h"

namespace {

using zelkor::display::Listener;
using zelkor::display::Resource;
using zelkor::kindra::Effect;
using zelkor::kindra::EffectProgressUpdate;
using zelkor::kindra::Kindra;

// An effect whose set-up and drawing the test scripts.
class Scripted : public Effect {
 public:
  void setup(EffectProgressUpdate& progress) override {
    ++setups;
    if (onSetup) onSetup(progress);
    else Effect::setup(progress);
  }
  void draw(float, float, float) override {
    ++draws;
    if (onDraw) onDraw();
  }

  int setups = 0;
  int draws = 0;
  std::function<void(EffectProgressUpdate&)> onSetup;
  std::function<void()> onDraw;
};

using kindra_test::pixelAt;
using kindra_test::Watcher;

class FakeResource : public Resource {
 public:
  using Resource::Resource;
  void disposeResource(bool) override { mDisposed = true; }
  void restoreResource() override {
    ++restores;
    mDisposed = false;
  }
  int restores = 0;
};

class LoadingTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    work.write("setup.xml", kindra_test::windowSetup(320, 240));
  }
  void TearDown() override {
    engine.reset();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  void start() {
    engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    engine->addFactory<Scripted>("Scripted");
  }
  Scripted* add(const std::string& name) { return dynamic_cast<Scripted*>(engine->addEffect("Scripted", name)); }
  void open() {
    engine->openDisplay(320, 240, false, "kindra test");
    engine->getDisplay()->addListener(&watcher);
  }

  kindra_test::WorkDir work{"kindra-loading"};
  std::unique_ptr<Kindra> engine;
  Watcher watcher;
};

// ------------------------------------------------------------ the loading screen

TEST_F(LoadingTest, RingsFillWithTheProgressAndFadeOut) {
  start();
  add("A");
  add("B");
  open();
  std::vector<float> seen;
  std::vector<uint8_t> half, full;
  watcher.hook = [&] {
    if (!engine->isRunningSetup()) return;
    const float progress = engine->getSetupProgress();
    if (seen.empty() || seen.back() != progress) seen.push_back(progress);
    if (progress == 0.5f && half.empty()) half = watcher.shot();
    if (progress == 1.0f && engine->getSetupIntensity() == 1.0f && full.empty()) full = watcher.shot();
  };
  const float before = engine->getDisplay()->getTime();
  ASSERT_TRUE(engine->runSetup());
  EXPECT_GE(engine->getDisplay()->getTime() - before, 1.0f) << "a fade of a second";
  EXPECT_FALSE(engine->isRunningSetup());
  EXPECT_LT(engine->getSetupIntensity(), 0.1f);
  // each effect owns a quarter of the bar; the rest is the resources' half
  EXPECT_EQ(seen, (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));

  // both effects set up: left ring full, right ring half, middle ring empty
  ASSERT_FALSE(half.empty());
  const float squeeze = 240.0f / 320.0f;
  const auto side = [&](float centre, float angle) {
    const float r = 0.15f;  // just outside the inner radius 0.14 of a side ring
    return pixelAt(half, centre + std::sin(angle) * r * squeeze, std::cos(angle) * r)[0];
  };
  // (the side rings reach into the middle one's band near the centre line:
  // the samples keep away from there)
  const float pi = 3.14159265f;
  for (float angle : {0.0f, pi * 0.9f, pi * 1.1f, pi * 1.5f}) {
    EXPECT_GT(side(-0.26f, angle), 33) << "left ring at " << angle;
  }
  EXPECT_GT(side(0.26f, pi * 0.5f), 33) << "right ring, first half (clockwise from the top)";
  EXPECT_GT(side(0.26f, pi * 0.9f), 33);
  EXPECT_LT(side(0.26f, pi * 1.1f), 32) << "right ring, second half";
  EXPECT_GT(side(0.26f, pi * 1.1f), 12) << "still drawn, dim";
  const std::vector<int> middle = pixelAt(half, 0.0f, 0.21f);
  EXPECT_LT(middle[0], 32);
  EXPECT_EQ(middle[0], middle[2]) << "grey while empty";
  EXPECT_EQ(pixelAt(half, 0.0f, 0.0f), (std::vector<int>{0, 0, 0})) << "black between the rings";

  ASSERT_FALSE(full.empty());
  const std::vector<int> gold = pixelAt(full, 0.0f, 0.21f);
  EXPECT_GT(gold[0], 180);
  EXPECT_GT(gold[1], 160);
  EXPECT_LT(gold[2], gold[1]);
}

TEST_F(LoadingTest, ProgressRedrawsAtMostOnceASecond) {
  start();
  Scripted* a = add("A");
  float afterFirst = -1.0f;
  int framesAfterBurst = 0;
  a->onSetup = [&](EffectProgressUpdate& progress) {
    const int frames = watcher.frames;
    for (int i = 0; i < 10; ++i) {
      progress.updateProgress(i, 10);
      if (i == 0) afterFirst = engine->getSetupProgress();
    }
    framesAfterBurst = watcher.frames - frames;
    kindra_test::advanceTime(1.1);
    progress.updateProgress(0.5f);
    EXPECT_EQ(engine->getSetupProgress(), 0.25f) << "a second later it redraws";
  };
  open();
  ASSERT_TRUE(engine->runSetup());
  EXPECT_EQ(framesAfterBurst, 2) << "the first report draws two frames, the others none";
  EXPECT_FLOAT_EQ(afterFirst, 0.05f) << "item 1 of 10 is a tenth of the effect's half";
}

TEST_F(LoadingTest, ResourcesAreRestoredBehindTheBar) {
  start();
  open();
  FakeResource* resource = new FakeResource(engine->getDisplay());
  ASSERT_TRUE(resource->isDisposed());
  ASSERT_TRUE(engine->runSetup());
  EXPECT_EQ(resource->restores, 1);
  EXPECT_FALSE(resource->isDisposed());
  resource->destroy();
}

TEST_F(LoadingTest, EscapeDuringAnEffectsSetupCancelsTheRest) {
  start();
  Scripted* a = add("A");
  Scripted* b = add("B");
  a->onSetup = [](EffectProgressUpdate& progress) {
    kindra_test::keyPress(GLFW_KEY_ESCAPE);
    progress.updateProgress(0.5f);
    ADD_FAILURE() << "the report throws when the user quit";
  };
  open();
  EXPECT_FALSE(engine->runSetup());
  kindra_test::keyRelease(GLFW_KEY_ESCAPE);
  EXPECT_EQ(a->setups, 1);
  EXPECT_EQ(b->setups, 0) << "the remaining effects are not set up";
}

TEST_F(LoadingTest, QuittingDuringTheFadeEndsWithoutPlaying) {
  work.write("setup.xml",
             "<demo><display width=\"320\" height=\"240\" title=\"kindra test\"/><music mute=\"nosound\"/></demo>");
  start();
  Scripted* a = add("A");
  a->mEnd = 100.0f;
  // the loading screen's frames are the first the engine draws: hook the
  // first one that fades
  a->onSetup = [&](EffectProgressUpdate& progress) {
    engine->getDisplay()->addListener(&watcher);
    progress.updateProgress(1.0f);
  };
  bool pressed = false;
  watcher.hook = [&] {
    if (!pressed && engine->isRunningSetup() && engine->getSetupIntensity() < 0.99f) {
      kindra_test::keyPress(GLFW_KEY_ESCAPE);
      pressed = true;
    }
  };
  kindra_test::StdoutCapture capture;
  engine->run();
  const std::string out = capture.finish();
  kindra_test::keyRelease(GLFW_KEY_ESCAPE);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(a->draws, 0);
  EXPECT_EQ(out.find("\n---\n"), std::string::npos) << out;
}

TEST_F(LoadingTest, OtherKeysWaitForTheDemo) {
  start();
  Scripted* a = add("A");
  a->onSetup = [&](EffectProgressUpdate& progress) {
    kindra_test::keyTap(GLFW_KEY_SPACE);
    kindra_test::keyTap(GLFW_KEY_RIGHT);
    kindra_test::keyTap(GLFW_KEY_M);
    progress.updateProgress(1.0f);
  };
  open();
  ASSERT_TRUE(engine->runSetup());
  EXPECT_FALSE(engine->isPaused());
  EXPECT_FALSE(engine->isMuted());
}

TEST_F(LoadingTest, FullScreenIsSavedAsTheWindowEnded) {
  work.write("setup.local.xml",
             "<demo>\n\t<display width=\"320\" height=\"240\" fullscreen=\"off\"/>\n\t<time start=\"0\"/>\n</demo>\n");
  start();
  open();
  kindra_test::keyPress(GLFW_KEY_LEFT_ALT);
  kindra_test::keyTap(GLFW_KEY_ENTER);
  kindra_test::keyRelease(GLFW_KEY_LEFT_ALT);
  ASSERT_TRUE(engine->getDisplay()->update());
  ASSERT_TRUE(engine->getDisplay()->getWindowMode().fullscreen);
  engine.reset();
  EXPECT_EQ(work.read("setup.local.xml"),
            "<demo>\n\t<display width=\"320\" height=\"240\" fullscreen=\"on\"/>\n"
            "\t<time start=\"0.00\" length=\"0\" loop=\"off\"/>\n</demo>\n");
}

// ------------------------------------------------------------ playing a song

class SongTest : public LoadingTest {
 protected:
  // A setup with a window and the song, and a local copy for the write-back.
  void withSong(double seconds, const std::string& extra = std::string()) {
    const std::vector<short> tone = kindra_tools::makeTone(seconds, 44100, 2);
    std::filesystem::create_directories(work.file("music"));
    kindra_test::writeFile(work.file("music/song.ogg"), kindra_tools::encodeOgg(tone, 44100, 2));
    work.write("setup.local.xml", "<demo>\n\t<display width=\"320\" height=\"240\" title=\"kindra test\"/>\n" + extra +
                                      "\t<music mute=\"off\" filename=\"music/song.ogg\"/>\n</demo>\n");
  }
  void run() {
    kindra_test::StdoutCapture capture;
    engine->run();
    output = capture.finish();
    kindra_test::keyRelease(GLFW_KEY_ESCAPE);
  }
  std::string output;
};

TEST_F(SongTest, TheClockFollowsTheSong) {
  withSong(4.0);
  start();
  Scripted* a = add("A");
  a->mEnd = 100.0f;
  bool jumped = false;
  float afterJump = -1.0f;
  a->onDraw = [&] {
    if (!jumped && engine->getSystemTime() > 0.3f) {
      // the stream moves behind the engine's back
      engine->getMusic().setTime(2.5f);
      jumped = true;
    } else if (jumped && afterJump < 0.0f) {
      afterJump = engine->getSystemTime();
      kindra_test::keyPress(GLFW_KEY_ESCAPE);
    }
  };
  run();
  EXPECT_FALSE(engine->isNosound());
  EXPECT_EQ(engine->getSongLength(), 4.0f) << "the song's length replaces the setup's";
  EXPECT_GE(afterJump, 2.5f);
  EXPECT_LT(afterJump, 2.7f);
  EXPECT_NEAR(engine->getMusicTime(), engine->getSystemTime(), 0.06f);
}

TEST_F(SongTest, PauseAndMuteReachTheSong) {
  withSong(4.0);
  start();
  Scripted* a = add("A");
  a->mEnd = 100.0f;
  a->onDraw = [&] {
    if (a->draws == 2) {
      kindra_test::keyTap(GLFW_KEY_SPACE);
      kindra_test::keyTap(GLFW_KEY_M);
      EXPECT_TRUE(engine->getMusic().isPaused());
      EXPECT_TRUE(engine->getMusic().isMuted());
      kindra_test::keyTap(GLFW_KEY_SPACE);
      EXPECT_FALSE(engine->getMusic().isPaused());
      kindra_test::keyPress(GLFW_KEY_ESCAPE);
    }
  };
  run();
  EXPECT_EQ(a->draws, 2);
}

TEST_F(SongTest, TheEndOfTheSongStopsTheDemoAndSavesTheSettings) {
  withSong(0.8);
  start();
  Scripted* a = add("A");
  a->mEnd = 100.0f;
  bool late = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  a->onDraw = [&] {
    if (std::chrono::steady_clock::now() > deadline && !late) {
      late = true;
      kindra_test::keyPress(GLFW_KEY_ESCAPE);
    }
  };
  run();
  EXPECT_TRUE(engine->hasSongEnded());
  EXPECT_FALSE(late);
  EXPECT_LT(engine->getSystemTime(), 0.9f) << "the clock stays with the song";
  engine.reset();
  const std::string saved = work.read("setup.local.xml");
  EXPECT_NE(saved.find("<time start=\"0.00\" length=\"0.8\" loop=\"off\"/>"), std::string::npos) << saved;
}

TEST_F(SongTest, ALoopingSongStartsOver) {
  withSong(0.6, "\t<time loop=\"on\"/>\n");
  start();
  Scripted* a = add("A");
  a->mEnd = 100.0f;
  float latest = 0.0f;
  bool wrapped = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  a->onDraw = [&] {
    const float now = engine->getSystemTime();
    if (now + 0.3f < latest) wrapped = true;
    latest = now;
    if (wrapped || std::chrono::steady_clock::now() > deadline) kindra_test::keyPress(GLFW_KEY_ESCAPE);
  };
  run();
  EXPECT_TRUE(wrapped);
  EXPECT_FALSE(engine->hasSongEnded());
  EXPECT_LT(latest, 0.3f);
}

TEST_F(SongTest, WithoutASoundDeviceTheDemoRunsSilentOnTheWallClock) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  withSong(0.5);
  start();
  Scripted* a = add("A");
  a->mEnd = 100.0f;
  a->onDraw = [&] {
    if (engine->getSystemTime() > 1.0f) kindra_test::keyPress(GLFW_KEY_ESCAPE);
  };
  run();
  EXPECT_TRUE(engine->isNosound());
  EXPECT_NE(output.find("No sound device!"), std::string::npos) << output;
  EXPECT_GT(engine->getSystemTime(), 1.0f) << "past the song's end: the wall clock runs on";
  engine.reset();
  const std::string saved = work.read("setup.local.xml");
  EXPECT_NE(saved.find("<music mute=\"off\""), std::string::npos) << "a missing device is not a setting:\n" << saved;
}

TEST_F(SongTest, AMissingSongFailsAndSavesNothing) {
  work.write("setup.local.xml",
             "<demo><display width=\"320\" height=\"240\"/><music filename=\"music/none.ogg\"/></demo>");
  start();
  std::string error;
  {
    kindra_test::StdoutCapture capture;
    try {
      engine->run();
    } catch (const zelkor::Exception& e) {
      error = e.what();
    }
  }
  EXPECT_EQ(error, "Could not open the file 'music/none.ogg'!");
  engine.reset();
  EXPECT_EQ(work.read("setup.local.xml"),
            "<demo><display width=\"320\" height=\"240\"/><music filename=\"music/none.ogg\"/></demo>");
}

}  // namespace
