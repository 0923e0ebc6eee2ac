// The display device with a real window: listeners, input translation and
// delivery, frames, read-back, resources.

#define GLFW_INCLUDE_NONE
#include "dis_display_glfw.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "dis_display.h"
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
  void onDraw() override { note("draw", 0); }

  std::vector<KeyEvent> keysDown, keysUp;
  int keyDownResult = WHATEVER;
  int keyUpResult = WHATEVER;

 private:
  void note(const char* what, int value) {
    if (mLog) mLog->push_back(mName + ":" + what + (value ? ":" + std::to_string(value) : std::string()));
  }
  std::string mName;
  std::vector<std::string>* mLog;
};

// A GPU resource that counts its deletion.
class CountingResource : public Resource {
 public:
  CountingResource(DisplayGL* display, int* deleted) : Resource(display), mDeleted(deleted) {}
  ~CountingResource() override { ++*mDeleted; }
  void disposeResource(bool) override { mDisposed = true; }
  void restoreResource() override { mDisposed = false; }

 private:
  int* mDeleted;
};

class DeviceTest : public testing::Test {
 protected:
  void SetUp() override {
    device.reset(DisplayGL::create());
    WindowMode mode("display test", 320, 240, false);
    mode.fpsMode = WindowMode::FPS_FIXED;
    mode.fps = 200.0f;
    device->open(mode);
  }

  std::unique_ptr<DisplayGL> device;
  std::vector<std::string> log;
};

// ------------------------------------------------------------ listeners

TEST_F(DeviceTest, InputGoesNewestFirstUntilBlockedAndDrawingInRegistrationOrder) {
  Recorder a("A", &log), b("B", &log), c("C", &log);
  Listener plain;  // its defaults pass everything on
  device->addListener(&a);
  device->addListener(&b);
  device->addListener(&c);
  device->addListener(&plain);
  kindra_test::keyPress(GLFW_KEY_X);
  EXPECT_EQ(log, (std::vector<std::string>{"C:down:88", "B:down:88", "A:down:88"}));
  log.clear();
  ASSERT_TRUE(device->update());
  EXPECT_EQ(log, (std::vector<std::string>{"A:draw", "B:draw", "C:draw"}));

  // a blocked event never reaches the listeners registered before the blocker
  log.clear();
  b.keyDownResult = Listener::BLOCK;
  kindra_test::keyTap(GLFW_KEY_X);
  EXPECT_EQ(log, (std::vector<std::string>{"C:down:88", "B:down:88", "C:up:88", "B:up:88", "A:up:88"}));
}

TEST_F(DeviceTest, NamedKeysArriveAsTheDevicesKeys) {
  Recorder a("A", nullptr);
  device->addListener(&a);
  const std::pair<int, Key> named[] = {
      {GLFW_KEY_ESCAPE, KEY_ESC},         {GLFW_KEY_ENTER, KEY_ENTER},         {GLFW_KEY_TAB, KEY_TAB},
      {GLFW_KEY_BACKSPACE, KEY_BACKSPACE}, {GLFW_KEY_INSERT, KEY_INSERT},       {GLFW_KEY_DELETE, KEY_DEL},
      {GLFW_KEY_RIGHT, KEY_RIGHT},        {GLFW_KEY_LEFT, KEY_LEFT},           {GLFW_KEY_DOWN, KEY_DOWN},
      {GLFW_KEY_UP, KEY_UP},              {GLFW_KEY_PAGE_UP, KEY_PAGEUP},      {GLFW_KEY_PAGE_DOWN, KEY_PAGEDOWN},
      {GLFW_KEY_HOME, KEY_HOME},          {GLFW_KEY_END, KEY_END},             {GLFW_KEY_KP_DECIMAL, KEY_KP_DECIMAL},
      {GLFW_KEY_KP_DIVIDE, KEY_KP_DIVIDE}, {GLFW_KEY_KP_MULTIPLY, KEY_KP_MULTIPLY}, {GLFW_KEY_KP_ADD, KEY_KP_ADD},
      {GLFW_KEY_KP_SUBTRACT, KEY_KP_SUBTRACT}, {GLFW_KEY_KP_ENTER, KEY_KP_ENTER}, {GLFW_KEY_KP_EQUAL, KEY_KP_EQUAL},
      {GLFW_KEY_LEFT_SHIFT, KEY_LSHIFT},  {GLFW_KEY_RIGHT_SHIFT, KEY_RSHIFT},  {GLFW_KEY_LEFT_CONTROL, KEY_LCTRL},
      {GLFW_KEY_RIGHT_CONTROL, KEY_RCTRL}, {GLFW_KEY_LEFT_ALT, KEY_LALT},      {GLFW_KEY_RIGHT_ALT, KEY_RALT},
  };
  for (const auto& key : named) {
    kindra_test::keyTap(key.first);
    EXPECT_EQ(a.keysUp.empty() ? KEY_UNKNOWN : a.keysUp.back().key, key.second) << key.first;
  }
}

TEST_F(DeviceTest, EscapeQuitsUnlessBlockedAltEnterSwitchesToFullScreenAndTheCloseButtonOnlyAsksToQuit) {
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

  // Alt+Enter switches to full screen keeping the resources
  int deleted = 0;
  CountingResource* resource = new CountingResource(device.get(), &deleted);
  EXPECT_EQ(device->getResources().count(resource), 1u);
  EXPECT_TRUE(resource->isDisposed()) << "built when first used";
  resource->restoreResource();  // live before the switch
  kindra_test::keyPress(GLFW_KEY_LEFT_ALT);
  kindra_test::keyTap(GLFW_KEY_ENTER);
  ASSERT_TRUE(device->update());
  EXPECT_TRUE(device->getWindowMode().fullscreen);
  EXPECT_FALSE(resource->isDisposed()) << "rebuilt in the new window";
  kindra_test::windowResized(400, 300);
  EXPECT_EQ(device->getWindowMode().activeHeight, 300);
  kindra_test::closeRequest();
  device->updateBlocking();  // returns at the quit
  EXPECT_TRUE(device->update()) << "the window stays";
  // deleted when the last reference goes
  EXPECT_EQ(resource->getRef(), 1);
  resource->incRef();
  resource->destroy();
  EXPECT_EQ(deleted, 0);
  resource->destroy();
  EXPECT_EQ(deleted, 1);
  EXPECT_TRUE(device->getResources().empty());
}

TEST_F(DeviceTest, CapabilitiesComeFromTheContextAndGamePadsFromTheOverride) {
  EXPECT_GE(device->maxNumVertexAttrib(), 16);
  // a fixed rate paces the frames
  const auto start = std::chrono::steady_clock::now();
  for (int frame = 0; frame < 10; ++frame) ASSERT_TRUE(device->update());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
  std::vector<WindowMode> modes;
  device->getModes(modes);
  ASSERT_FALSE(modes.empty());
  GamePadState state{};
  state.buttons[7] = 1;
  GamePadState read;
  EXPECT_FALSE(readGamePad(3, read)) << "no pad there";
  setGamePadOverride(3, &state);
  ASSERT_TRUE(readGamePad(3, read));
  EXPECT_EQ(read.buttons[7], 1);
  setGamePadOverride(3, nullptr);
  EXPECT_FALSE(readGamePad(3, read));
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
