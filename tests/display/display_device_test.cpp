// The display device with a real window: listeners, input translation and
// delivery, frames, read-back, resources.

#define GLFW_INCLUDE_NONE
#include "dis_display_glfw.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
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

TEST_F(DeviceTest, QuitFromAListenerEndsTheNextFrameOnlyAndDeliveryGoesOn) {
  Recorder a("A", &log), b("B", &log);
  device->addListener(&a);
  device->addListener(&b);
  b.keyDownResult = Listener::QUIT;
  kindra_test::keyPress(GLFW_KEY_X);
  // the quit procedure asks every listener, newest first, and delivery continues
  EXPECT_EQ(log, (std::vector<std::string>{"B:down:88", "B:quit", "A:quit", "A:down:88"}));
  EXPECT_FALSE(device->update());
  EXPECT_TRUE(device->update()) << "the quit request is one-shot";
}

TEST_F(DeviceTest, OnQuitReturningBlockCancelsTheQuit) {
  Recorder a("A", &log), b("B", &log);
  device->addListener(&a);
  device->addListener(&b);
  b.quitResult = Listener::BLOCK;
  kindra_test::closeRequest();
  EXPECT_EQ(log, (std::vector<std::string>{"B:quit"}));
  EXPECT_TRUE(device->update());
}

TEST_F(DeviceTest, CloseButtonAsksToQuitButNeverClosesTheWindow) {
  Recorder a("A", &log);
  device->addListener(&a);
  kindra_test::closeRequest();
  EXPECT_EQ(log, (std::vector<std::string>{"A:quit"}));
  EXPECT_FALSE(glfwWindowShouldClose(glfwGetCurrentContext()));
  EXPECT_FALSE(device->update());
  // the window is still there and keeps running frames
  EXPECT_TRUE(device->update());
  EXPECT_EQ(a.draws, 1);
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

TEST_F(DeviceTest, AltEnterSwitchesFullScreenOnReleaseAndKeepsResources) {
  CountingResource* resource = new CountingResource(device.get());
  resource->restoreResource();  // live before the switch
  Recorder a("A", &log);
  device->addListener(&a);

  kindra_test::keyPress(GLFW_KEY_LEFT_ALT);
  kindra_test::keyPress(GLFW_KEY_ENTER);
  ASSERT_TRUE(device->update());
  EXPECT_FALSE(device->getWindowMode().fullscreen) << "nothing happens on the press";

  a.keyUpResult = Listener::BLOCK;
  kindra_test::keyRelease(GLFW_KEY_ENTER);
  ASSERT_TRUE(device->update());
  EXPECT_FALSE(device->getWindowMode().fullscreen) << "a blocked release does nothing";

  a.keyUpResult = Listener::WHATEVER;
  kindra_test::keyPress(GLFW_KEY_ENTER);
  StdoutCapture capture;
  kindra_test::keyRelease(GLFW_KEY_ENTER);
  ASSERT_TRUE(device->update());
  const std::string out = capture.finish();
  EXPECT_NE(out.find("DisplayGLFW - ALT+ENTER"), std::string::npos) << out;
  EXPECT_TRUE(device->getWindowMode().fullscreen);
  EXPECT_EQ(resource->disposed, 1);
  EXPECT_TRUE(resource->hadContextOnDispose);
  EXPECT_EQ(resource->restored, 2);
  EXPECT_FALSE(resource->isDisposed());

  // and back; the new window knows no held Alt, so press it again
  kindra_test::keyPress(GLFW_KEY_LEFT_ALT);
  kindra_test::keyTap(GLFW_KEY_ENTER);
  ASSERT_TRUE(device->update());
  EXPECT_FALSE(device->getWindowMode().fullscreen);
  EXPECT_EQ(resource->restored, 3);
  EXPECT_EQ(a.draws, 4);
}

// ------------------------------------------------------------ key table

struct KeyCase {
  int glfw;
  Key key;
};

std::vector<KeyCase> keyTable() {
  std::vector<KeyCase> table = {
      {GLFW_KEY_SPACE, KEY_SPACE},          {GLFW_KEY_APOSTROPHE, KEY_QUOTE},
      {GLFW_KEY_COMMA, KEY_COMMA},          {GLFW_KEY_MINUS, KEY_MINUS},
      {GLFW_KEY_PERIOD, KEY_PERIOD},        {GLFW_KEY_SLASH, KEY_SLASH},
      {GLFW_KEY_SEMICOLON, KEY_SEMICOLON},  {GLFW_KEY_EQUAL, KEY_EQUALS},
      {GLFW_KEY_LEFT_BRACKET, KEY_LEFTBRACKET}, {GLFW_KEY_BACKSLASH, KEY_BACKSLASH},
      {GLFW_KEY_RIGHT_BRACKET, KEY_RIGHTBRACKET}, {GLFW_KEY_GRAVE_ACCENT, KEY_BACKQUOTE},
      {GLFW_KEY_ESCAPE, KEY_ESC},           {GLFW_KEY_UP, KEY_UP},
      {GLFW_KEY_DOWN, KEY_DOWN},            {GLFW_KEY_LEFT, KEY_LEFT},
      {GLFW_KEY_RIGHT, KEY_RIGHT},          {GLFW_KEY_LEFT_SHIFT, KEY_LSHIFT},
      {GLFW_KEY_RIGHT_SHIFT, KEY_RSHIFT},   {GLFW_KEY_LEFT_CONTROL, KEY_LCTRL},
      {GLFW_KEY_RIGHT_CONTROL, KEY_RCTRL},  {GLFW_KEY_LEFT_ALT, KEY_LALT},
      {GLFW_KEY_RIGHT_ALT, KEY_RALT},       {GLFW_KEY_TAB, KEY_TAB},
      {GLFW_KEY_ENTER, KEY_ENTER},          {GLFW_KEY_BACKSPACE, KEY_BACKSPACE},
      {GLFW_KEY_INSERT, KEY_INSERT},        {GLFW_KEY_DELETE, KEY_DEL},
      {GLFW_KEY_PAGE_UP, KEY_PAGEUP},       {GLFW_KEY_PAGE_DOWN, KEY_PAGEDOWN},
      {GLFW_KEY_HOME, KEY_HOME},            {GLFW_KEY_END, KEY_END},
      {GLFW_KEY_KP_DIVIDE, KEY_KP_DIVIDE},  {GLFW_KEY_KP_MULTIPLY, KEY_KP_MULTIPLY},
      {GLFW_KEY_KP_SUBTRACT, KEY_KP_SUBTRACT}, {GLFW_KEY_KP_ADD, KEY_KP_ADD},
      {GLFW_KEY_KP_DECIMAL, KEY_KP_DECIMAL}, {GLFW_KEY_KP_EQUAL, KEY_KP_EQUAL},
      {GLFW_KEY_KP_ENTER, KEY_KP_ENTER},
  };
  for (int i = 0; i <= 9; ++i) {
    table.push_back({GLFW_KEY_0 + i, static_cast<Key>(KEY_0 + i)});
    table.push_back({GLFW_KEY_KP_0 + i, static_cast<Key>(KEY_KP_0 + i)});
  }
  for (int i = 0; i < 26; ++i) table.push_back({GLFW_KEY_A + i, static_cast<Key>(KEY_a + i)});
  for (int i = 0; i < 25; ++i) table.push_back({GLFW_KEY_F1 + i, static_cast<Key>(KEY_F1 + i)});
  return table;
}

TEST_F(DeviceTest, EveryKeyOfTheTableArrivesAsTheDevicesKey) {
  Recorder a("A", &log);
  device->addListener(&a);
  const std::vector<KeyCase> table = keyTable();
  for (const KeyCase& c : table) {
    a.keysDown.clear();
    a.keysUp.clear();
    kindra_test::keyTap(c.glfw);
    ASSERT_EQ(a.keysDown.size(), 1u) << "GLFW key " << c.glfw;
    ASSERT_EQ(a.keysUp.size(), 1u) << "GLFW key " << c.glfw;
    EXPECT_EQ(a.keysDown[0].key, c.key) << "GLFW key " << c.glfw;
    EXPECT_EQ(a.keysUp[0].key, c.key) << "GLFW key " << c.glfw;
  }
  // the special keys keep the codes of the table
  EXPECT_EQ(KEY_ESC, 257);
  EXPECT_EQ(KEY_F25, 282);
  EXPECT_EQ(KEY_RALT, 292);
  EXPECT_EQ(KEY_END, 298);
  EXPECT_EQ(KEY_KP_9, 308);
  EXPECT_EQ(KEY_KP_ENTER, 315);
  EXPECT_EQ(KEY_LAST, 316);
  EXPECT_EQ(KEY_z, 90);
  EXPECT_EQ(table.size(), 110u);
}

TEST_F(DeviceTest, KeysOutsideTheTableAreDropped) {
  Recorder a("A", &log);
  device->addListener(&a);
  for (int key : {GLFW_KEY_CAPS_LOCK, GLFW_KEY_SCROLL_LOCK, GLFW_KEY_NUM_LOCK, GLFW_KEY_PRINT_SCREEN, GLFW_KEY_PAUSE,
                  GLFW_KEY_LEFT_SUPER, GLFW_KEY_RIGHT_SUPER, GLFW_KEY_MENU}) {
    kindra_test::keyTap(key);
  }
  EXPECT_TRUE(a.keysDown.empty());
  EXPECT_TRUE(a.keysUp.empty());
}

TEST_F(DeviceTest, ModifierBitsFollowTheHeldKeys) {
  Recorder a("A", &log);
  device->addListener(&a);
  kindra_test::keyPress(GLFW_KEY_LEFT_SHIFT);
  kindra_test::keyPress(GLFW_KEY_RIGHT_CONTROL);
  kindra_test::keyPress(GLFW_KEY_LEFT_ALT);
  kindra_test::keyPress(GLFW_KEY_T);
  const KeyEvent& t = a.keysDown.back();
  EXPECT_EQ(t.key, KEY_t);
  EXPECT_EQ(t.control, KEYMOD_LSHIFT | KEYMOD_RCTRL | KEYMOD_LALT);
  EXPECT_TRUE(t.shift());
  EXPECT_TRUE(t.ctrl());
  EXPECT_TRUE(t.alt());
  EXPECT_EQ(a.keysDown[0].control, KEYMOD_LSHIFT) << "a modifier's own press carries its bit";

  kindra_test::keyRelease(GLFW_KEY_LEFT_SHIFT);
  kindra_test::keyRelease(GLFW_KEY_RIGHT_CONTROL);
  kindra_test::keyPress(GLFW_KEY_RIGHT_SHIFT);
  kindra_test::keyPress(GLFW_KEY_RIGHT_ALT);
  kindra_test::keyRelease(GLFW_KEY_LEFT_ALT);
  kindra_test::keyPress(GLFW_KEY_T);
  EXPECT_EQ(a.keysDown.back().control, KEYMOD_RSHIFT | KEYMOD_RALT);
  EXPECT_FALSE(a.keysDown.back().ctrl());
}

TEST_F(DeviceTest, HeldKeyRepeatsAsFurtherPresses) {
  Recorder a("A", &log);
  device->addListener(&a);
  kindra_test::keyPress(GLFW_KEY_LEFT);
  kindra_test::keyRepeat(GLFW_KEY_LEFT);
  kindra_test::keyRepeat(GLFW_KEY_LEFT);
  kindra_test::keyRelease(GLFW_KEY_LEFT);
  EXPECT_EQ(a.keysDown.size(), 3u);
  EXPECT_EQ(a.keysUp.size(), 1u);
}

TEST_F(DeviceTest, TypedCharacterGoesDownWithItsKeyAndUpWhenTheKeyIsReleased) {
  Recorder a("A", &log);
  device->addListener(&a);
  kindra_test::keyPress(GLFW_KEY_A);
  kindra_test::charTyped(0xE4);  // a character beyond ASCII, as a layout may type it
  EXPECT_EQ(a.charsDown, std::vector<int>{0xE4});
  EXPECT_TRUE(a.charsUp.empty());
  kindra_test::keyPress(GLFW_KEY_B);
  kindra_test::charTyped('b');
  kindra_test::keyRelease(GLFW_KEY_A);
  EXPECT_EQ(a.charsUp, std::vector<int>{0xE4});
  kindra_test::keyRelease(GLFW_KEY_B);
  EXPECT_EQ(a.charsUp, (std::vector<int>{0xE4, 'b'}));
  // a key that typed nothing releases no character
  kindra_test::keyTap(GLFW_KEY_LEFT);
  EXPECT_EQ(a.charsUp.size(), 2u);
}

// ------------------------------------------------------------ mouse

TEST_F(DeviceTest, MouseMoveReportsPositionUnitPositionAndOldMinusNew) {
  Recorder a("A", &log);
  device->addListener(&a);
  kindra_test::mouseMove(100, 50);
  kindra_test::mouseMove(160, 60);
  ASSERT_EQ(a.moves.size(), 2u);
  const MouseMoveEvent& e = a.moves[1];
  EXPECT_FLOAT_EQ(e.mousePos.x, 160.0f);
  EXPECT_FLOAT_EQ(e.mousePos.y, 60.0f);
  EXPECT_FLOAT_EQ(e.mousePosUnit.x, 0.5f);
  EXPECT_FLOAT_EQ(e.mousePosUnit.y, 0.25f);
  EXPECT_FLOAT_EQ(e.mouseDelta.x, -60.0f);
  EXPECT_FLOAT_EQ(e.mouseDelta.y, -10.0f);
  EXPECT_FLOAT_EQ(e.mouseDeltaWheel, 0.0f);
  const zelkor::mathbase::Vector3f position = device->getMousePosition();
  EXPECT_FLOAT_EQ(position.x, 160.0f);
  EXPECT_FLOAT_EQ(position.y, 60.0f);
}

TEST_F(DeviceTest, DoubleClickIsASecondLeftPressWithinTheTimeWithoutMovement) {
  Recorder a("A", &log);
  device->addListener(&a);
  const auto click = [&](int button) {
    kindra_test::mouseButton(button, true);
    kindra_test::mouseButton(button, false);
    return a.buttonsDown.back().doubleClick;
  };
  EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT));
  kindra_test::advanceTime(0.5);
  EXPECT_TRUE(click(GLFW_MOUSE_BUTTON_LEFT));
  kindra_test::advanceTime(0.5);
  EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT)) << "a double click restarts the count";
  kindra_test::advanceTime(0.5);
  kindra_test::mouseMove(10, 10);
  EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT)) << "movement in between";
  kindra_test::advanceTime(0.9);
  EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_LEFT)) << "too slow";
  EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_RIGHT));
  EXPECT_FALSE(click(GLFW_MOUSE_BUTTON_RIGHT));

  EXPECT_EQ(a.buttonsDown[5].button, MOUSE_RIGHT);
  EXPECT_EQ(a.buttonsUp.size(), a.buttonsDown.size());
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_MIDDLE, true);
  EXPECT_EQ(a.buttonsDown.back().button, MOUSE_MIDDLE);
  kindra_test::mouseButton(GLFW_MOUSE_BUTTON_4, true);
  EXPECT_EQ(static_cast<int>(a.buttonsDown.back().button), 3) << "further buttons keep their number";
}

TEST_F(DeviceTest, WheelReportsTheChangeOfItsAbsolutePosition) {
  Recorder a("A", &log);
  device->addListener(&a);
  kindra_test::wheel(3);
  kindra_test::wheel(-1);
  kindra_test::wheel(0);
  ASSERT_EQ(a.wheels.size(), 2u);
  EXPECT_FLOAT_EQ(a.wheels[0].mouseDeltaWheel, 3.0f);
  EXPECT_FLOAT_EQ(a.wheels[1].mouseDeltaWheel, -1.0f);
  EXPECT_FLOAT_EQ(a.wheels[1].mouseWheel, 2.0f);
  EXPECT_FLOAT_EQ(a.wheels[1].mouseDelta.x, 0.0f);
  EXPECT_FLOAT_EQ(device->getMousePosition().z, 2.0f);
}

// ------------------------------------------------------------ window and frames

TEST_F(DeviceTest, ResizeTellsListenersTheOldSizeAndTheModeTheNewOne) {
  Recorder a("A", &log);
  device->addListener(&a);
  ASSERT_EQ(a.resizes.size(), 1u) << "registering with an open device reports the size at once";
  kindra_test::windowResized(400, 300);
  ASSERT_EQ(a.resizes.size(), 2u);
  EXPECT_EQ(a.resizes[1], std::make_pair(320, 240));
  EXPECT_EQ(device->getWindowMode().width, 400);
  EXPECT_EQ(device->getWindowMode().activeHeight, 300);
  kindra_test::windowResized(0, 0);  // iconified on some systems
  EXPECT_EQ(a.resizes.size(), 2u);
  EXPECT_EQ(device->getWindowMode().width, 400);
}

TEST_F(DeviceTest, ActiveResolutionDrawsIntoTheCentreAndClearsTheWindowForThreeFrames) {
  openDevice(320, 240, WindowMode::FPS_VARIABLE);
  Recorder a("A", nullptr);
  device->addListener(&a);
  std::vector<uint8_t> shot(320 * 240 * 4);
  int blackStarts = 0;
  a.drawHook = [&] {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 80);
    EXPECT_EQ(viewport[1], 60);
    EXPECT_EQ(viewport[2], 160);
    EXPECT_EQ(viewport[3], 120);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    uint8_t corner[4];
    glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    if (corner[0] == 0 && corner[1] == 0 && corner[2] == 0) ++blackStarts;
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);  // limited to the active area
    device->getScreenShotBGRA(shot.data());
    const auto pixel = [&](int x, int y) { return &shot[(static_cast<size_t>(y) * 320 + x) * 4]; };
    EXPECT_EQ(pixel(80, 60)[0], 255);
    EXPECT_EQ(pixel(239, 179)[2], 255);
    EXPECT_EQ(pixel(79, 100)[2], 0);
    EXPECT_EQ(pixel(100, 59)[2], 0);
    EXPECT_EQ(pixel(240, 100)[2], 0);
    // paint the whole window so that only the device's clear makes it black again
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  };
  device->setActiveResolution(160, 120);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(device->update());
  EXPECT_EQ(blackStarts, 3);
  EXPECT_EQ(device->getWindowMode().activeWidth, 160);
  device->setActiveResolution(-1, -1);
  EXPECT_EQ(device->getWindowMode().activeWidth, 320);
  EXPECT_EQ(device->getWindowMode().activeHeight, 240);
}

TEST_F(DeviceTest, ScreenShotReadsTheBackBufferWithTheTopRowFirst) {
  openDevice(321, 240, WindowMode::FPS_VARIABLE);  // rows of 963 bytes in RGB
  ASSERT_EQ(device->getWindowMode().width, 321);
  Recorder a("A", nullptr);
  device->addListener(&a);
  zelkor::am::Image image(new zelkor::am::ImageObject(321, 240));
  std::vector<uint8_t> rgb(321 * 240 * 3 + 16, 7);
  a.drawHook = [&] {
    glClearColor(0, 0, 1, 0);  // alpha 0 in the buffer, 255 in the shot
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 120, 321, 120);  // GL rows from the bottom: the upper half
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(320, 239, 1, 1);  // the top-right pixel
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    device->getScreenShot(image);
    device->getScreenShotRGB24(rgb.data());
  };
  ASSERT_TRUE(device->update());
  const uint8_t* bgra = image->getData();
  const uint8_t* top = &bgra[0];
  EXPECT_EQ((std::vector<int>{top[0], top[1], top[2], top[3]}), (std::vector<int>{0, 0, 255, 255}));
  const uint8_t* topRight = &bgra[320 * 4];
  EXPECT_EQ((std::vector<int>{topRight[0], topRight[1], topRight[2]}), (std::vector<int>{0, 255, 0}));
  const uint8_t* bottom = &bgra[(239 * 321) * 4];
  EXPECT_EQ((std::vector<int>{bottom[0], bottom[1], bottom[2], bottom[3]}), (std::vector<int>{255, 0, 0, 255}));

  EXPECT_EQ((std::vector<int>{rgb[0], rgb[1], rgb[2]}), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ((std::vector<int>{rgb[320 * 3], rgb[320 * 3 + 1]}), (std::vector<int>{0, 255}));
  const size_t lastRow = static_cast<size_t>(239) * 321 * 3;
  EXPECT_EQ((std::vector<int>{rgb[lastRow], rgb[lastRow + 2]}), (std::vector<int>{0, 255}));
  EXPECT_EQ(rgb[321 * 240 * 3], 7) << "rows are packed: nothing written past width*height*3";
}

TEST_F(DeviceTest, ScreenShotNeedsAnImageOfTheWindowsSize) {
  const auto refusal = [&](zelkor::am::Image& image) {
    StdoutCapture capture;
    try {
      device->getScreenShot(image);
    } catch (const zelkor::Exception& e) {
      capture.finish();
      return std::string(e.what());
    }
    capture.finish();
    return std::string("no exception");
  };
  zelkor::am::Image none;
  EXPECT_NE(refusal(none).find("'image.isNull()==false'"), std::string::npos);
  zelkor::am::Image narrow(new zelkor::am::ImageObject(319, 240));
  EXPECT_NE(refusal(narrow).find("'image->getWidth()==mWindowMode.width'"), std::string::npos);
  zelkor::am::Image low(new zelkor::am::ImageObject(320, 238));
  EXPECT_NE(refusal(low).find("'image->getHeight()==mWindowMode.height'"), std::string::npos);
}

TEST_F(DeviceTest, ScreenShotOfAnOddHeightIsRefused) {
  openDevice(320, 241, WindowMode::FPS_VARIABLE);
  if (device->getWindowMode().height != 241) GTEST_SKIP() << "the window system changed the size";
  std::vector<uint8_t> rgb(320 * 241 * 3);
  StdoutCapture capture;
  try {
    device->getScreenShotRGB24(rgb.data());
    FAIL() << "no exception";
  } catch (const zelkor::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("(mWindowMode.height & 1) == 0"), std::string::npos) << e.what();
  }
  capture.finish();
}

TEST_F(DeviceTest, DeltaModeTimeStepsExactlyOneFramePerUpdate) {
  openDevice(320, 240, WindowMode::FPS_DELTA, 25.0f);
  EXPECT_FLOAT_EQ(device->getTime(), 0.0f);
  for (int n = 1; n <= 50; ++n) {
    ASSERT_TRUE(device->update());
    ASSERT_NEAR(device->getTime(), 0.04 * n, 1e-5);
  }
}

TEST_F(DeviceTest, EventModeDrawsOnlyWhenSomethingMadeTheWindowDirty) {
  openDevice(320, 240, WindowMode::FPS_EVENT);
  Recorder a("A", nullptr);
  device->addListener(&a);
  const auto frame = [&] {
    glfwPostEmptyEvent();  // the frame waits for an event
    return device->update();
  };
  ASSERT_TRUE(frame());
  EXPECT_EQ(a.draws, 1) << "a fresh window is drawn once";
  // the window system may ask for a redraw or two when it shows the window
  for (int quiet = 0, i = 0; quiet < 3 && i < 50; ++i) {
    const int before = a.draws;
    ASSERT_TRUE(frame());
    quiet = a.draws == before ? quiet + 1 : 0;
  }
  const int drawn = a.draws;
  ASSERT_TRUE(frame());
  ASSERT_TRUE(frame());
  EXPECT_EQ(a.draws, drawn);
  a.keyDownResult = Listener::DIRTY;
  kindra_test::keyPress(GLFW_KEY_X);
  ASSERT_TRUE(frame());
  EXPECT_EQ(a.draws, drawn + 1);
  device->setDirty(true);
  ASSERT_TRUE(frame());
  EXPECT_EQ(a.draws, drawn + 2);
  kindra_test::windowResized(330, 250);
  ASSERT_TRUE(frame());
  EXPECT_EQ(a.draws, drawn + 3);
  ASSERT_TRUE(frame());
  EXPECT_EQ(a.draws, drawn + 3);
}

TEST_F(DeviceTest, OnlyOneDeviceAtATime) {
  StdoutCapture capture;
  EXPECT_THROW(DisplayGL::create(), zelkor::Exception);
  EXPECT_NE(capture.finish().find("Can not open more than one GLFW-device"), std::string::npos);
  EXPECT_TRUE(device->update());
}

TEST_F(DeviceTest, ExtensionsAndCapabilitiesComeFromTheContext) {
  EXPECT_FALSE(device->getExtensionMap().empty());
  EXPECT_TRUE(device->hasExtension("GL_ARB_vertex_shader"));
  EXPECT_FALSE(device->hasExtension("GL_ARB_vertex"));
  EXPECT_TRUE(device->supportsShaders());
  EXPECT_GE(device->maxNumVertexAttrib(), 16);
  std::vector<WindowMode> modes;
  device->getModes(modes);
  ASSERT_FALSE(modes.empty());
  EXPECT_GT(modes[0].width, 0);
  EXPECT_EQ(modes[0].title, "");
}

// ------------------------------------------------------------ listener lifetime

TEST_F(DeviceTest, ListenerRemovedDuringDeliveryIsNotCalledAgain) {
  Recorder a("A", &log), b("B", &log), c("C", &log);
  device->addListener(&a);
  device->addListener(&b);
  device->addListener(&c);
  c.keyDownResult = Listener::WHATEVER;
  c.drawHook = nullptr;
  struct Remover : Listener {
    Listener* victim = nullptr;
    int onKeyDown(const KeyEvent&) override {
      display->removeListener(victim);
      return WHATEVER;
    }
  } remover;
  remover.victim = &b;
  device->addListener(&remover);
  kindra_test::keyPress(GLFW_KEY_X);
  EXPECT_EQ(log, (std::vector<std::string>{"C:down:88", "A:down:88"}));
  EXPECT_EQ(b.display, nullptr);
}

TEST_F(DeviceTest, RegisteringTwiceDeliversOnce) {
  Recorder a("A", &log);
  device->addListener(&a);
  device->addListener(&a);
  a.attachToDisplay(device.get());
  kindra_test::keyPress(GLFW_KEY_X);
  EXPECT_EQ(log.size(), 1u);
  a.attachToDisplay(nullptr);
  kindra_test::keyPress(GLFW_KEY_X);
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(DeviceTest, ListenerOutlivingTheDeviceIsDetachedFromIt) {
  auto listener = std::make_unique<Recorder>("A", &log);
  listener->attachToDisplay(device.get());
  EXPECT_EQ(listener->display, device.get());
  device.reset();
  EXPECT_EQ(listener->display, nullptr);
  listener.reset();  // must not reach the deleted device
}

TEST_F(DeviceTest, DestroyedListenerLeavesTheDevice) {
  {
    Recorder a("A", &log);
    a.attachToDisplay(device.get());
  }
  kindra_test::keyPress(GLFW_KEY_X);
  EXPECT_TRUE(device->update());
  EXPECT_TRUE(log.empty());
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

TEST_F(DeviceTest, DisposeAndRestoreWalkTheRegistry) {
  CountingResource* live = new CountingResource(device.get());
  CountingResource* disposed = new CountingResource(device.get());
  live->restoreResource();
  device->disposeResources();
  EXPECT_EQ(live->disposed, 1);
  EXPECT_EQ(disposed->disposed, 0) << "only live resources are disposed";
  device->restoreResources();
  EXPECT_EQ(live->restored, 2);
  EXPECT_EQ(disposed->restored, 1);
  live->destroy();
  disposed->destroy();
}

TEST_F(DeviceTest, DeviceDeletesTheResourcesLeftAndSaysHowMany) {
  int deleted = 0;
  CountingResource* resource = new CountingResource(device.get(), &deleted);
  resource->restoreResource();
  new CountingResource(device.get(), &deleted);
  StdoutCapture capture;
  device.reset();
  const std::string out = capture.finish();
  EXPECT_EQ(deleted, 2);
  EXPECT_NE(out.find("When destructing glfw-display, there was 2 resources not destroyed."), std::string::npos) << out;
  EXPECT_NE(out.find("closing display"), std::string::npos);
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

TEST_F(DeviceTest, GlCheckReportsTheStatementsLiteralText) {
  StdoutCapture capture;
  try {
    GL_CHECK(glBegin(GL_LINES + 1000));
    FAIL() << "no exception";
  } catch (const zelkor::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("\nLine: glBegin(GL_LINES + 1000)\nError: 'GL_INVALID_ENUM'\n"), std::string::npos)
        << e.what();
  }
  capture.finish();
}

TEST_F(DeviceTest, ErrorLeftByAListenerStopsTheFrame) {
  Recorder a("A", nullptr);
  device->addListener(&a);
  a.drawHook = [] { glLineWidth(-1.0f); };
  StdoutCapture capture;
  EXPECT_THROW(device->update(), zelkor::Exception);
  EXPECT_NE(capture.finish().find("Line: Checking status"), std::string::npos);
}

// ------------------------------------------------------------ immediate mode

TEST_F(DeviceTest, ImmediateModeShapesCoverTheirArea) {
  Recorder a("A", nullptr);
  device->addListener(&a);
  std::vector<uint8_t> shot(320 * 240 * 4);
  a.drawHook = [&] {
    zelkor::mathbase::Matrix4x4Col identity;
    identity.setIdentity();
    DisplayObsolete::setProject(identity);
    DisplayObsolete::setCamera(identity);
    DisplayObsolete::setTransform(identity);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    DisplayObsolete::setColor(1, 0, 0, 1);
    DisplayObsolete::drawBox(-0.5f, -0.5f, 0.0f, 0.0f, DisplayObsolete::SOLID);  // lower left of the centre
    DisplayObsolete::setColor(0, 1, 0, 1);
    DisplayObsolete::drawCircle(0.5f, 0.5f, 0.2f, DisplayObsolete::SOLID);  // upper right
    DisplayObsolete::setColor(0, 0, 1, 1);
    DisplayObsolete::drawBox(-0.9f, -0.9f, 0.9f, 0.9f, 0.02f, 0.02f, DisplayObsolete::SOLID);  // a frame
    DisplayObsolete::drawCircle(0.5f, -0.5f, 0.0f, DisplayObsolete::SOLID);  // nothing
    device->getScreenShotBGRA(shot.data());
  };
  ASSERT_TRUE(device->update());
  // NDC (x, y) to the shot's pixel, row 0 at the top
  const auto at = [&](float x, float y) {
    const int px = static_cast<int>((x + 1.0f) * 0.5f * 320.0f);
    const int py = static_cast<int>((1.0f - (y + 1.0f) * 0.5f) * 240.0f);
    const uint8_t* p = &shot[(static_cast<size_t>(py) * 320 + px) * 4];
    return std::vector<int>{p[2], p[1], p[0]};
  };
  EXPECT_EQ(at(-0.25f, -0.25f), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ(at(0.25f, 0.25f), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(at(0.5f, 0.5f), (std::vector<int>{0, 255, 0}));
  EXPECT_EQ(at(0.5f, 0.75f), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(at(0.0f, 0.9f), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(at(-0.9f, 0.0f), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(at(0.0f, 0.8f), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(at(0.5f, -0.5f), (std::vector<int>{0, 0, 0}));
}

// ------------------------------------------------------------ game pads

TEST_F(DeviceTest, GamePadReadsInjectedAxesAndButtons) {
  GamePadState state;
  std::memset(&state, 0, sizeof(state));
  state.axes[9] = 0.25f;
  state.axes[11] = 1.0f;
  state.buttons[7] = 1;
  const int before = findGamePad();
  setGamePadOverride(15, &state);
  EXPECT_TRUE(isGamePadPresent(15));
  EXPECT_EQ(findGamePad(), before == -1 ? 15 : before);
  GamePadState read;
  ASSERT_TRUE(readGamePad(15, read));
  EXPECT_FLOAT_EQ(read.axes[11], 1.0f);
  EXPECT_FLOAT_EQ(read.axes[9], 0.25f);
  EXPECT_EQ(read.buttons[7], 1);
  EXPECT_EQ(read.buttons[0], 0);
  setGamePadOverride(15, nullptr);
  EXPECT_EQ(findGamePad(), before);
  EXPECT_FALSE(readGamePad(16, read));
  EXPECT_FALSE(readGamePad(-1, read));
}

// ------------------------------------------------------------ the real keyboard

TEST_F(DeviceTest, RealKeyboardKeysArriveTranslated) {
  if (!kindra_test::haveXdotool()) GTEST_SKIP() << "xdotool cannot reach the display";
  Recorder a("A", nullptr);
  device->addListener(&a);
  ASSERT_TRUE(device->update());
  ASSERT_TRUE(kindra_test::sendRealKeys("q Left KP_Add F5 shift+a"));
  const std::vector<Key> expected = {KEY_q, KEY_LEFT, KEY_KP_ADD, KEY_F5, KEY_LSHIFT, KEY_a};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (a.keysDown.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
    ASSERT_TRUE(device->update());
  }
  std::vector<Key> got;
  for (const KeyEvent& e : a.keysDown) got.push_back(e.key);
  EXPECT_EQ(got, expected);
  ASSERT_EQ(a.keysDown.size(), expected.size());
  EXPECT_TRUE(a.keysDown.back().shift());
  EXPECT_EQ(a.charsDown.back(), 'A');
}

}  // namespace
