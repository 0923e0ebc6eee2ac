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

// An aspect set up front holds in any window shape: bars on the long side.
TEST_F(EngineTest, TheAspectHoldsInAResizedWindow) {
  engine = std::make_unique<Kindra>();
  engine->setup(2.0f);
  open();
  const std::pair<int, int> rows[][2] = {{{320, 240}, {320, 160}}, {{401, 100}, {200, 100}}};
  for (const auto& row : rows) {
    kindra_test::windowResized(row[0].first, row[0].second);
    const zelkor::display::WindowMode& mode = engine->getDisplay()->getWindowMode();
    EXPECT_EQ(std::make_pair(mode.activeWidth, mode.activeHeight), row[1]) << row[0].first;
  }
}

// ------------------------------------------------------------ time keys

// Left and Right jump 5 s (never before 0), T to the start mark, Ctrl+T sets
// the mark, Alt+T clears it.
TEST_F(EngineTest, TimeKeysJumpFromWhereTheDemoStands) {
  open();
  pause();
  const struct {
    int modifier;
    int key;
    float from;
    float to;
  } rows[] = {{0, GLFW_KEY_LEFT, 20.0f, 15.0f},         {0, GLFW_KEY_RIGHT, 20.0f, 25.0f},
              {0, GLFW_KEY_LEFT, 3.0f, 0.0f},           {GLFW_KEY_LEFT_CONTROL, GLFW_KEY_T, 30.0f, 30.0f},
              {0, GLFW_KEY_T, 40.0f, 30.0f},            {GLFW_KEY_LEFT_ALT, GLFW_KEY_T, 40.0f, 0.0f},
              {0, GLFW_KEY_T, 40.0f, 0.0f}};
  for (const auto& row : rows) {
    jumpTo(row.from);
    if (row.modifier) {
      withKey(row.modifier, row.key);
    } else {
      kindra_test::keyTap(row.key);
    }
    ASSERT_TRUE(frame());
    EXPECT_FLOAT_EQ(engine->getSystemTime(), row.to) << row.key << " from " << row.from;
  }
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

}  // namespace
