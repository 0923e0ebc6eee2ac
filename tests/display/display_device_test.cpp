// The display device with a real window: listeners, input translation and
// delivery, frames, read-back, resources.

#define GLFW_INCLUDE_NONE
#include "dis_display_glfw.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "am_image.h"
#include "dis_display.h"
#include "dis_display_obsolete.h"
#include "dis_glinclude.h"
#include "dis_resource.h"
#include "glfw_inject.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

using namespace zelkor::display;
using kindra_test::StdoutCapture;

// Records what a listener was told, into a log shared by several listeners.
class Recorder : public Listener {
 public:
  Recorder(std::string name, std::vector<std::string>* log) : mName(std::move(name)), mLog(log) {}

  int onKeyDown(const KeyEvent& e) override {
    keysDown.push_back(e);
    note("down", e.key);
    return keyDownResult;
  }
  int onKeyUp(const KeyEvent& e) override {
    keysUp.push_back(e);
    note("up", e.key);
    return keyUpResult;
  }
  int onQuit() override {
    note("quit", 0);
    return quitResult;
  }
  void onResize(int oldWidth, int oldHeight) override { resizes.push_back({oldWidth, oldHeight}); }
  void onDraw() override {
    ++draws;
    note("draw", 0);
    if (drawHook) drawHook();
  }

  std::vector<KeyEvent> keysDown, keysUp;
  std::vector<std::pair<int, int>> resizes;
  int draws = 0;
  int keyDownResult = WHATEVER;
  int keyUpResult = WHATEVER;
  int quitResult = WHATEVER;
  std::function<void()> drawHook;

 private:
  void note(const char* what, int value) {
    if (mLog) mLog->push_back(mName + ":" + what + (value ? ":" + std::to_string(value) : std::string()));
  }
  std::string mName;
  std::vector<std::string>* mLog;
};

// A GPU resource that only counts what the device asks of it.
class CountingResource : public Resource {
 public:
  explicit CountingResource(DisplayGL* display, int* deleted = nullptr) : Resource(display), mDeleted(deleted) {}
  ~CountingResource() override {
    if (mDeleted) ++*mDeleted;
  }
  void disposeResource(bool) override {
    ++disposed;
    hadContextOnDispose = glfwGetCurrentContext() != nullptr;
    mDisposed = true;
  }
  void restoreResource() override {
    ++restored;
    mDisposed = false;
  }
  int disposed = 0;
  int restored = 0;
  bool hadContextOnDispose = false;

 private:
  int* mDeleted;
};

class DeviceTest : public testing::Test {
 protected:
  void SetUp() override { openDevice(320, 240, WindowMode::FPS_VARIABLE); }

  void openDevice(int width, int height, WindowMode::FpsMode fpsMode, float fps = 60.0f) {
    device.reset();
    device.reset(DisplayGL::create());
    WindowMode mode("display test", width, height, false);
    mode.fpsMode = fpsMode;
    mode.fps = fps;
    device->open(mode);
  }

  std::unique_ptr<DisplayGL> device;
  std::vector<std::string> log;
};

// ------------------------------------------------------------ listeners

TEST_F(DeviceTest, InputGoesNewestFirstAndDrawingInRegistrationOrder) {
  Recorder a("A", &log), b("B", &log), c("C", &log);
  device->addListener(&a);
  device->addListener(&b);
  device->addListener(&c);
  kindra_test::keyPress(GLFW_KEY_X);
  EXPECT_EQ(log, (std::vector<std::string>{"C:down:88", "B:down:88", "A:down:88"}));
  log.clear();
  ASSERT_TRUE(device->update());
  EXPECT_EQ(log, (std::vector<std::string>{"A:draw", "B:draw", "C:draw"}));
}

TEST_F(DeviceTest, BlockedEventNeverReachesListenersRegisteredBefore) {
  Recorder a("A", &log), b("B", &log), c("C", &log);
  device->addListener(&a);
  device->addListener(&b);
  device->addListener(&c);
  b.keyDownResult = Listener::BLOCK;
  kindra_test::keyTap(GLFW_KEY_X);
  EXPECT_EQ(log, (std::vector<std::string>{"C:down:88", "B:down:88", "C:up:88", "B:up:88", "A:up:88"}));
}

TEST_F(DeviceTest, EscapeQuitsOnReleaseUnlessAListenerBlocksTheRelease) {
  Recorder a("A", &log);
  device->addListener(&a);
  kindra_test::keyPress(GLFW_KEY_ESCAPE);
  ASSERT_EQ(a.keysDown.size(), 1u);
  EXPECT_EQ(a.keysDown[0].key, KEY_ESC);
  EXPECT_TRUE(device->update()) << "the press alone does not quit";

  a.keyUpResult = Listener::BLOCK;
  kindra_test::keyRelease(GLFW_KEY_ESCAPE);
  EXPECT_TRUE(device->update());

  a.keyUpResult = Listener::WHATEVER;
  StdoutCapture capture;
  kindra_test::keyTap(GLFW_KEY_ESCAPE);
  EXPECT_NE(capture.finish().find("DisplayGLFW - ESC"), std::string::npos);
  EXPECT_FALSE(device->update());
}

TEST_F(DeviceTest, AltEnterSwitchesFullScreenKeepingResourcesAndTheCloseButtonOnlyAsksToQuit) {
  int deleted = 0;
  CountingResource* resource = new CountingResource(device.get(), &deleted);
  resource->restoreResource();  // live before the switch
  Recorder a("A", &log);
  Listener plain;  // answers everything with its defaults
  device->addListener(&a);
  device->addListener(&plain);
  kindra_test::keyPress(GLFW_KEY_LEFT_ALT);
  kindra_test::keyTap(GLFW_KEY_ENTER);
  ASSERT_TRUE(device->update());
  EXPECT_TRUE(device->getWindowMode().fullscreen);
  EXPECT_EQ(resource->disposed, 1);
  EXPECT_TRUE(resource->hadContextOnDispose);
  EXPECT_EQ(resource->restored, 2);

  const std::pair<int, int> full(device->getWindowMode().width, device->getWindowMode().height);
  kindra_test::windowResized(400, 300);
  EXPECT_EQ(a.resizes.back(), full) << "listeners hear the old size";
  EXPECT_EQ(device->getWindowMode().activeHeight, 300);
  log.clear();
  kindra_test::closeRequest();
  EXPECT_EQ(log, std::vector<std::string>{"A:quit"});
  device->updateBlocking();  // returns at the quit
  EXPECT_TRUE(device->update()) << "the window stays and keeps drawing";
  EXPECT_EQ(a.draws, 2);

  StdoutCapture capture;
  device.reset();
  EXPECT_EQ(deleted, 1);
  EXPECT_NE(capture.finish().find("there was 1 resources not destroyed"), std::string::npos);
}

TEST_F(DeviceTest, EveryKeyOfTheTableArrivesAsTheDevicesKeyAndOthersAreDropped) {
  Recorder a("A", nullptr);
  device->addListener(&a);
  struct Run {
    int glfw;
    Key key;    // of the first key; KEY_UNKNOWN: nothing arrives
    int count;  // keys in a row on both sides
  };
  const Run runs[] = {
      {GLFW_KEY_ESCAPE, KEY_ESC, 1},           {GLFW_KEY_ENTER, KEY_ENTER, 1},
      {GLFW_KEY_TAB, KEY_TAB, 1},              {GLFW_KEY_BACKSPACE, KEY_BACKSPACE, 1},
      {GLFW_KEY_INSERT, KEY_INSERT, 2},        {GLFW_KEY_RIGHT, KEY_RIGHT, 1},
      {GLFW_KEY_LEFT, KEY_LEFT, 1},            {GLFW_KEY_DOWN, KEY_DOWN, 1},
      {GLFW_KEY_UP, KEY_UP, 1},                {GLFW_KEY_PAGE_UP, KEY_PAGEUP, 4},
      {GLFW_KEY_KP_DECIMAL, KEY_KP_DECIMAL, 1}, {GLFW_KEY_KP_DIVIDE, KEY_KP_DIVIDE, 4},
      {GLFW_KEY_KP_ENTER, KEY_KP_ENTER, 1},    {GLFW_KEY_KP_EQUAL, KEY_KP_EQUAL, 1},
      {GLFW_KEY_LEFT_SHIFT, KEY_LSHIFT, 1},    {GLFW_KEY_RIGHT_SHIFT, KEY_RSHIFT, 1},
      {GLFW_KEY_LEFT_CONTROL, KEY_LCTRL, 1},   {GLFW_KEY_RIGHT_CONTROL, KEY_RCTRL, 1},
      {GLFW_KEY_LEFT_ALT, KEY_LALT, 1},        {GLFW_KEY_RIGHT_ALT, KEY_RALT, 1},
      {GLFW_KEY_F1, KEY_F1, 25},               {GLFW_KEY_KP_0, KEY_KP_0, 10},
      {GLFW_KEY_A, KEY_a, 26},                 {GLFW_KEY_0, KEY_0, 10},
      {GLFW_KEY_SPACE, KEY_SPACE, 1},          {GLFW_KEY_CAPS_LOCK, KEY_UNKNOWN, 5},
      {GLFW_KEY_LEFT_SUPER, KEY_UNKNOWN, 1},   {GLFW_KEY_MENU, KEY_UNKNOWN, 1},
  };
  for (const Run& run : runs) {
    for (int i = 0; i < run.count; ++i) {
      SCOPED_TRACE(run.glfw + i);
      a.keysDown.clear();
      a.keysUp.clear();
      kindra_test::keyTap(run.glfw + i);
      const size_t arrived = run.key == KEY_UNKNOWN ? 0 : 1;
      ASSERT_EQ(a.keysDown.size(), arrived);
      ASSERT_EQ(a.keysUp.size(), arrived);
      if (arrived) {
        EXPECT_EQ(a.keysDown[0].key, run.key + i);
      }
    }
  }
}

TEST_F(DeviceTest, FrameModesPaceTheClockAndDrawIntoTheActiveArea) {
  struct Row {
    const char* name;
    WindowMode::FpsMode mode;
    float fps;
    float minSeconds;  // for three frames
    float maxSeconds;
    int draws;  // at least
  };
  const Row rows[] = {
      {"vsync", WindowMode::FPS_VSYNC, 60, 0, 10, 3},
      {"a fixed rate waits for each frame", WindowMode::FPS_FIXED, 50, 0.04f, 10, 3},
      {"delta mode steps one frame per update", WindowMode::FPS_DELTA, 25, 0.12f, 0.12001f, 3},
      {"events draw only a window made dirty", WindowMode::FPS_EVENT, 60, 0, 10, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    openDevice(320, 240, row.mode, row.fps);
    Recorder a("A", nullptr);
    device->addListener(&a);
    device->setActiveResolution(160, 120);
    std::vector<GLint> viewport(4);
    a.drawHook = [&] { glGetIntegerv(GL_VIEWPORT, viewport.data()); };
    const float start = device->getTime();
    for (int i = 0; i < 3; ++i) {
      glfwPostEmptyEvent();  // an event for the event mode to wake up to
      ASSERT_TRUE(device->update());
    }
    EXPECT_GE(a.draws, row.draws);
    EXPECT_LE(a.draws, 3);
    EXPECT_EQ(viewport, (std::vector<GLint>{80, 60, 160, 120})) << "centred";
    EXPECT_GE(device->getTime() - start, row.minSeconds);
    EXPECT_LE(device->getTime() - start, row.maxSeconds);
    device->setActiveResolution(-1, -1);
    EXPECT_EQ(device->getWindowMode().activeWidth, 320);
  }
}

TEST_F(DeviceTest, CapabilitiesComeFromTheContextAndGamePadsFromTheOverride) {
  EXPECT_GE(device->maxNumVertexAttrib(), 16);
  std::vector<WindowMode> modes;
  device->getModes(modes);
  ASSERT_FALSE(modes.empty());
  EXPECT_GT(modes[0].width, 0);
  GamePadState state{};
  state.axes[2] = 0.25f;
  state.buttons[7] = 1;
  GamePadState read;
  EXPECT_FALSE(readGamePad(3, read)) << "no pad there";
  setGamePadOverride(3, &state);
  ASSERT_TRUE(readGamePad(3, read));
  EXPECT_FLOAT_EQ(read.axes[2], 0.25f);
  EXPECT_EQ(read.buttons[7], 1);
  setGamePadOverride(3, nullptr);
  EXPECT_FALSE(readGamePad(3, read));
  StdoutCapture capture;
  EXPECT_THROW(DisplayGL::create(), zelkor::Exception) << "only one device at a time";
  EXPECT_NE(capture.finish().find("Can not open more than one GLFW-device"), std::string::npos);
}

// ------------------------------------------------------------ resources

TEST_F(DeviceTest, ResourceRegistryCountsReferencesAndDeletesAtZero) {
  int deleted = 0;
  CountingResource* resource = new CountingResource(device.get(), &deleted);
  EXPECT_EQ(device->getResources().count(resource), 1u);
  EXPECT_TRUE(resource->isDisposed());
  EXPECT_EQ(resource->getRef(), 1);
  resource->incRef();
  resource->destroy();
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(device->getResources().size(), 1u);
  resource->destroy();
  EXPECT_EQ(deleted, 1);
  EXPECT_TRUE(device->getResources().empty());
}

// ------------------------------------------------------------ GL error check

TEST_F(DeviceTest, GlErrorCheckNamesLineFileStatementAndError) {
  glLineWidth(-1.0f);
  StdoutCapture capture;
  try {
    GL_REPORT_ERROR("src/effects/tunnel.cpp", 957, "glLineWidth(-1.0f)");
    FAIL() << "no exception";
  } catch (const zelkor::Exception& e) {
    EXPECT_STREQ(e.what(), "GL-error at [957] src/effects/tunnel.cpp\nLine: glLineWidth(-1.0f)\nError: 'GL_INVALID_VALUE'\n");
  }
  const std::string out = capture.finish();
  EXPECT_NE(out.find("GL-error at [957] src/effects/tunnel.cpp"), std::string::npos) << out;
  // nothing pending: nothing happens
  GL_REPORT_ERROR("x", 1, "Checking status");
}

}  // namespace
