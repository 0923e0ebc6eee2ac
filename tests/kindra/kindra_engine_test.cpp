// The engine on a real display: the timeline, the time keys through the
// device's event path, the aspect, the progress bar and the run loop.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dis_display.h"
#include "dis_glinclude.h"
#include "glfw_inject.h"
#include "kin_main.h"
#include "kindra_frames.h"
#include "kindra_workdir.h"
#include "test_support.h"

namespace {

using zelkor::display::Listener;
using zelkor::kindra::Effect;
using zelkor::kindra::Kindra;

struct DrawCall {
  std::string name;
  float local;
  float delta;
  float percent;
};

// Writes what the engine asked of it into a log shared by all probes.
class Probe : public Effect {
 public:
  static std::vector<DrawCall>* sLog;

  void setup() override { ++setups; }
  void update(float pTime) override { updates.push_back(pTime); }
  void draw(float pTimer, float pDelta, float pPercent) override {
    ++draws;
    if (sLog) sLog->push_back({mName, pTimer, pDelta, pPercent});
    if (hook) hook();
  }

  int setups = 0;
  int draws = 0;
  std::vector<float> updates;
  std::function<void()> hook;
};
std::vector<DrawCall>* Probe::sLog = nullptr;

class EngineTest : public testing::Test {
 protected:
  void SetUp() override {
    Probe::sLog = &log;
    work.write("setup.xml", kindra_test::windowSetup());
    engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    engine->addFactory<Probe>("Probe");
  }
  void TearDown() override {
    engine.reset();
    Probe::sLog = nullptr;
  }

  void open(int width = 320, int height = 240) { engine->openDisplay(width, height, false, "kindra test"); }
  bool frame() { return engine->getDisplay()->update(); }
  Probe* addProbe(const std::string& name, float start, float end) {
    Probe* probe = dynamic_cast<Probe*>(engine->addEffect("Probe", name));
    probe->mStart = start;
    probe->mEnd = end;
    return probe;
  }
  // Freezes the demo time so that jumps land exactly.
  void pause() {
    if (!engine->isPaused()) kindra_test::keyTap(GLFW_KEY_SPACE);
    ASSERT_TRUE(engine->isPaused());
  }
  void jumpTo(float t) {
    engine->setTime(t);
    ASSERT_TRUE(frame());
  }
  void withKey(int modifier, int key) {
    kindra_test::keyPress(modifier);
    kindra_test::keyTap(key);
    kindra_test::keyRelease(modifier);
  }

  kindra_test::WorkDir work{"kindra-engine"};
  std::unique_ptr<Kindra> engine;
  std::vector<DrawCall> log;
};

// ------------------------------------------------------------ timeline

TEST_F(EngineTest, ActiveEffectsDrawInRegistrationOrderAtTheirLocalTime) {
  Probe* a = addProbe("A", 0.0f, 10.0f);
  Probe* b = addProbe("B", 5.0f, 20.0f);
  Probe* off = addProbe("Off", 0.0f, 100.0f);
  off->setInactive(true);
  open();
  pause();

  jumpTo(5.0f);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].name, "A");
  EXPECT_FLOAT_EQ(log[0].local, 5.0f);
  EXPECT_FLOAT_EQ(log[0].percent, 0.5f);
  EXPECT_EQ(log[1].name, "B");
  EXPECT_FLOAT_EQ(log[1].local, 0.0f);
  EXPECT_FLOAT_EQ(log[1].percent, 0.0f);
  EXPECT_EQ(a->updates, std::vector<float>{5.0f});
  EXPECT_EQ(b->updates, std::vector<float>{0.0f});

  log.clear();
  jumpTo(10.0f);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].name, "B");
  EXPECT_FLOAT_EQ(log[0].local, 5.0f);
  EXPECT_FLOAT_EQ(log[0].percent, 1.0f / 3.0f);

  log.clear();
  jumpTo(20.0f);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(off->draws, 0);
  EXPECT_TRUE(off->updates.empty());

  off->setInactive(false);
  jumpTo(20.0f);
  EXPECT_EQ(off->draws, 1) << "switched on again, it plays";
}

TEST_F(EngineTest, DeltaIsTheTimeSinceThePreviousFrameAndStartsAfterAJump) {
  Probe* a = addProbe("A", 0.0f, 1000.0f);
  open();
  ASSERT_TRUE(frame());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].delta, 0.0f) << "the first frame has no previous one";
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(frame());
  EXPECT_GE(log[1].delta, 0.015f);
  EXPECT_LT(log[1].delta, 1.0f);
  EXPECT_NEAR(log[1].delta, log[1].local - log[0].local, 1e-4f);
  jumpTo(100.0f);
  EXPECT_GE(log[2].delta, 0.0f);
  EXPECT_LT(log[2].delta, 1.0f) << "a jump is not a step of the animation";
  EXPECT_GE(a->draws, 3);
}

// ------------------------------------------------------------ time keys

TEST_F(EngineTest, ArrowsSeekFiveSecondsButNeverBeforeZero) {
  open();
  pause();
  jumpTo(3.0f);
  kindra_test::keyTap(GLFW_KEY_LEFT);
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), 0.0f);
  kindra_test::keyTap(GLFW_KEY_RIGHT);
  kindra_test::keyTap(GLFW_KEY_RIGHT);  // two keys before one frame both count
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), 10.0f);
  kindra_test::keyTap(GLFW_KEY_LEFT);
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), 5.0f);
  engine->setTime(-3.0f);
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), 0.0f);
}

TEST_F(EngineTest, SpaceFreezesTheTimeAndResumesWhereItStopped) {
  open();
  pause();
  jumpTo(12.3f);
  EXPECT_FLOAT_EQ(engine->getSystemTime(), 12.3f);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(frame());
  ASSERT_TRUE(frame());
  EXPECT_FLOAT_EQ(engine->getSystemTime(), 12.3f) << "wall time goes on, the demo time does not";

  kindra_test::keyTap(GLFW_KEY_SPACE);
  EXPECT_FALSE(engine->isPaused());
  ASSERT_TRUE(frame());
  EXPECT_GE(engine->getSystemTime(), 12.3f);
  EXPECT_LT(engine->getSystemTime(), 12.8f);

  // a pause of a running demo holds whatever time it had
  kindra_test::keyTap(GLFW_KEY_SPACE);
  ASSERT_TRUE(frame());
  const float held = engine->getSystemTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), held);
  EXPECT_TRUE(engine->isOsdShowing()) << "pausing shows the bar";
}

TEST_F(EngineTest, SeekWhilePausedStaysPaused) {
  open();
  pause();
  jumpTo(20.0f);
  kindra_test::keyTap(GLFW_KEY_RIGHT);
  ASSERT_TRUE(frame());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), 25.0f);
  EXPECT_TRUE(engine->isPaused());
}

TEST_F(EngineTest, CtrlTSetsTheStartMarkTJumpsToItAltTClearsIt) {
  open();
  pause();
  jumpTo(42.0f);
  withKey(GLFW_KEY_LEFT_CONTROL, GLFW_KEY_T);
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getStartTime(), 42.0f);
  EXPECT_EQ(engine->getSystemTime(), 42.0f) << "setting the mark does not jump";

  jumpTo(50.0f);
  kindra_test::keyTap(GLFW_KEY_T);
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), 42.0f);
  EXPECT_EQ(engine->getStartTime(), 42.0f);

  jumpTo(60.0f);
  withKey(GLFW_KEY_RIGHT_ALT, GLFW_KEY_T);
  ASSERT_TRUE(frame());
  EXPECT_EQ(engine->getSystemTime(), 0.0f);
  EXPECT_EQ(engine->getStartTime(), 0.0f);
}

TEST_F(EngineTest, OShowsTheBarThenMovesItCtrlOSwitchesItOff) {
  open();
  ASSERT_TRUE(frame());
  EXPECT_FALSE(engine->isOsdShowing()) << "hidden until something shows it";
  kindra_test::keyTap(GLFW_KEY_O);
  ASSERT_TRUE(frame());
  EXPECT_TRUE(engine->isOsdShowing());
  EXPECT_EQ(engine->getOsdLocation(), 0) << "a hidden bar is only shown";
  kindra_test::keyTap(GLFW_KEY_O);
  EXPECT_EQ(engine->getOsdLocation(), 1);
  kindra_test::keyTap(GLFW_KEY_O);
  EXPECT_EQ(engine->getOsdLocation(), 2);
  kindra_test::keyTap(GLFW_KEY_O);
  EXPECT_EQ(engine->getOsdLocation(), 0);

  withKey(GLFW_KEY_LEFT_CONTROL, GLFW_KEY_O);
  EXPECT_FALSE(engine->isOsdEnabled());
  EXPECT_EQ(engine->getOsdLocation(), 0);
  ASSERT_TRUE(frame());
  EXPECT_FALSE(engine->isOsdShowing());
  withKey(GLFW_KEY_RIGHT_CONTROL, GLFW_KEY_O);
  EXPECT_TRUE(engine->isOsdEnabled());
}

TEST_F(EngineTest, MTogglesMute) {
  open();
  kindra_test::keyTap(GLFW_KEY_M);
  EXPECT_TRUE(engine->isMuted());
  kindra_test::keyTap(GLFW_KEY_M);
  EXPECT_FALSE(engine->isMuted());
}

TEST_F(EngineTest, PPrintsTheDemoTime) {
  open();
  pause();
  jumpTo(12.5f);
  kindra_test::StdoutCapture capture;
  kindra_test::keyTap(GLFW_KEY_P);
  const std::string out = capture.finish();
  EXPECT_NE(out.find("[log][kindra::Kindra::onKeyDown], 12.500000\n (kin_main.cpp:"), std::string::npos) << out;
}

TEST_F(EngineTest, EscapeAndQQuitOnThePress) {
  open();
  kindra_test::keyPress(GLFW_KEY_Q);
  EXPECT_FALSE(frame());
  kindra_test::keyRelease(GLFW_KEY_Q);
  EXPECT_TRUE(frame());
  kindra_test::keyPress(GLFW_KEY_ESCAPE);
  EXPECT_FALSE(frame());
}

TEST_F(EngineTest, ListenersAboveTheEngineCanTakeItsKeys) {
  open();
  struct Taker : Listener {
    int onKeyDown(const zelkor::display::KeyEvent&) override { return BLOCK; }
  } taker;
  engine->getDisplay()->addListener(&taker);
  kindra_test::keyTap(GLFW_KEY_SPACE);
  kindra_test::keyTap(GLFW_KEY_Q);
  EXPECT_FALSE(engine->isPaused());
  EXPECT_TRUE(frame());
  engine->getDisplay()->removeListener(&taker);
}

// ------------------------------------------------------------ aspect

TEST_F(EngineTest, ForcedAspectLimitsTheDrawingArea) {
  engine->setup(16.0f / 9.0f);
  open(1024, 768);
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeWidth, 1024);
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeHeight, 576);
  kindra_test::windowResized(801, 801);
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeWidth, 800) << "rounded down to even";
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeHeight, 450);
}

TEST_F(EngineTest, SquareAspectInAWideWindow) {
  engine->setup(1.0f);
  open(1024, 768);
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeWidth, 768);
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeHeight, 768);
}

TEST_F(EngineTest, NoAspectDrawsTheWholeWindow) {
  open(400, 300);
  kindra_test::windowResized(500, 200);
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeWidth, 500);
  EXPECT_EQ(engine->getDisplay()->getWindowMode().activeHeight, 200);
}

// ------------------------------------------------------------ progress bar

// Paints the frame white under the bar, and reads the result back after the
// engine (and its bar) have drawn.
class WhiteBackground : public Effect {
 public:
  void draw(float, float, float) override {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
};

class ShotTaker : public Listener {
 public:
  void onDraw() override {
    shot.resize(320 * 240 * 4);
    display->getScreenShotBGRA(shot.data());
  }
  std::vector<int> at(float x, float y) const { return kindra_test::pixelAt(shot, x, y); }
  std::vector<uint8_t> shot;
};

TEST_F(EngineTest, ProgressBarShowsTheStartMarkAndThePlayHead) {
  engine->addFactory<WhiteBackground>("White");
  Effect* white = engine->addEffect("White", "White");
  white->mEnd = 1000.0f;
  open();
  ShotTaker shots;
  engine->getDisplay()->addListener(&shots);
  pause();
  jumpTo(100.0f);
  withKey(GLFW_KEY_LEFT_CONTROL, GLFW_KEY_T);  // the start mark at a fifth of the 500 s timeline
  jumpTo(250.0f);                              // the play head at the half; the jump shows the bar
  ASSERT_TRUE(engine->isOsdShowing());
  const float top = 0.9313726f;
  EXPECT_EQ(shots.at(-0.5f, top), (std::vector<int>{102, 102, 102})) << "60% black over white";
  EXPECT_EQ(shots.at(0.0f, 0.5f), (std::vector<int>{255, 255, 255}));
  // the marks are 0.005 wide, under a pixel: look at the columns around them
  const auto brightest = [&](float x, int channel) {
    std::vector<int> best = {0, 0, 0};
    for (float dx : {-0.00625f, 0.0f, 0.00625f}) {
      const std::vector<int> pixel = shots.at(x + dx, top);
      if (pixel[channel] > best[channel]) best = pixel;
    }
    return best;
  };
  const std::vector<int> head = brightest(0.0025f, 0);
  EXPECT_GT(head[0], 200) << "white play head";
  EXPECT_GT(head[2], 200);
  const std::vector<int> mark = brightest(0.2f * 1.96f - 0.98f + 0.0025f, 1);
  EXPECT_GT(mark[1], 150) << "green start mark";
  EXPECT_LT(mark[0], 60);

  kindra_test::keyTap(GLFW_KEY_O);  // to the middle
  ASSERT_TRUE(frame());
  EXPECT_EQ(shots.at(-0.5f, top), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(shots.at(-0.5f, 0.0f), (std::vector<int>{102, 102, 102}));

  withKey(GLFW_KEY_LEFT_CONTROL, GLFW_KEY_O);
  ASSERT_TRUE(frame());
  EXPECT_EQ(shots.at(-0.5f, 0.0f), (std::vector<int>{255, 255, 255})) << "switched off";
}

// ------------------------------------------------------------ run

TEST_F(EngineTest, RunPlaysUntilTheUserQuits) {
  Probe* a = addProbe("A", 0.0f, 100.0f);
  Probe* b = addProbe("B", 50.0f, 100.0f);
  a->hook = [&] {
    if (a->draws == 3) kindra_test::keyPress(GLFW_KEY_ESCAPE);
  };
  kindra_test::StdoutCapture capture;
  engine->run();
  const std::string out = capture.finish();
  EXPECT_EQ(a->draws, 3);
  EXPECT_EQ(b->draws, 0);
  EXPECT_EQ(a->setups, 1);
  EXPECT_EQ(b->setups, 1);
  EXPECT_EQ(a->mDisplay, engine->getDisplay());
  EXPECT_EQ(a->mFilename, "script/Probe.A.xml");
  EXPECT_NE(out.find("Opened window of resolution 800x600"), std::string::npos) << out;
  EXPECT_NE(out.find("\n---\n"), std::string::npos) << out;
  EXPECT_FALSE(engine->isOsdShowing()) << "the bar starts hidden";
  EXPECT_LT(engine->getSystemTime(), 5.0f);
}

}  // namespace
