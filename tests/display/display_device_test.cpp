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
  int onCharDown(const CharEvent& e) override {
    charsDown.push_back(e.key);
    return WHATEVER;
  }
  int onCharUp(const CharEvent& e) override {
    charsUp.push_back(e.key);
    return WHATEVER;
  }
  int onMouseMove(const MouseMoveEvent& e) override {
    moves.push_back(e);
    return WHATEVER;
  }
  int onMouseWheel(const MouseMoveEvent& e) override {
    wheels.push_back(e);
    return WHATEVER;
  }
  int onMouseDown(const MouseButtonEvent& e) override {
    buttonsDown.push_back(e);
    return WHATEVER;
  }
  int onMouseUp(const MouseButtonEvent& e) override {
    buttonsUp.push_back(e);
    return WHATEVER;
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
  std::vector<int> charsDown, charsUp;
  std::vector<MouseMoveEvent> moves, wheels;
  std::vector<MouseButtonEvent> buttonsDown, buttonsUp;
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
