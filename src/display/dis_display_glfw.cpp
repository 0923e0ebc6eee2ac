#include "dis_display_glfw.h"

#include "dis_glinclude.h"  // before the window system's header
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "am_image.h"
#include "dis_clock.h"
#include "dis_display_obsolete.h"
#include "dis_fbo_gl.h"
#include "dis_resource.h"
#include "dis_shader_gl.h"
#include "dis_texture_gl.h"
#include "dis_vboibo_gl.h"
#include "zlk_system.h"

namespace zelkor {
namespace display {

namespace {

// The one live device; the window-system callbacks forward to it.
DisplayGLFW* currentDisplay = nullptr;

void glfwErrorCallback(int code, const char* description) {
  ZLK_LOG("warning", "display", "GLFW error 0x%x: %s", code, description ? description : "");
}

// The single Latin-1 character a UTF-8 key name stands for, or -1.
int latin1Of(const char* name) {
  if (!name || !name[0]) return -1;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(name);
  if (s[0] < 0x80) return s[1] == 0 ? s[0] : -1;
  if ((s[0] == 0xC2 || s[0] == 0xC3) && (s[1] & 0xC0) == 0x80 && s[2] == 0) return ((s[0] & 0x1F) << 6) | (s[1] & 0x3F);
  return -1;
}

int upperCase(int c) {
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  return c;
}

struct PadOverride {
  bool active = false;
  GamePadState state;
};
PadOverride gPadOverride[GAMEPAD_COUNT];

bool validPad(int pad) { return pad >= 0 && pad < GAMEPAD_COUNT; }

}  // namespace

// ---------------------------------------------------------------- game pads

bool isGamePadPresent(int pad) {
  if (!validPad(pad)) return false;
  if (gPadOverride[pad].active) return true;
  return currentDisplay != nullptr && glfwJoystickPresent(GLFW_JOYSTICK_1 + pad) == GLFW_TRUE;
}

int findGamePad() {
  for (int pad = 0; pad < GAMEPAD_COUNT; ++pad) {
    if (isGamePadPresent(pad)) return pad;
  }
  return -1;
}

bool readGamePad(int pad, GamePadState& state) {
  std::memset(&state, 0, sizeof(state));
  if (!validPad(pad)) return false;
  if (gPadOverride[pad].active) {
    state = gPadOverride[pad].state;
    return true;
  }
  if (currentDisplay == nullptr) return false;
  int axisCount = 0;
  const float* axes = glfwGetJoystickAxes(GLFW_JOYSTICK_1 + pad, &axisCount);
  int buttonCount = 0;
  const unsigned char* buttons = glfwGetJoystickButtons(GLFW_JOYSTICK_1 + pad, &buttonCount);
  if (!axes || !buttons) return false;
  for (int i = 0; i < std::min(axisCount, int(GAMEPAD_AXES)); ++i) state.axes[i] = axes[i];
  for (int i = 0; i < std::min(buttonCount, int(GAMEPAD_BUTTONS)); ++i) state.buttons[i] = buttons[i] == GLFW_PRESS ? 1 : 0;
  return true;
}

void setGamePadOverride(int pad, const GamePadState* state) {
  if (!validPad(pad)) return;
  gPadOverride[pad].active = state != nullptr;
  if (state) gPadOverride[pad].state = *state;
}

// ---------------------------------------------------------------- keys

Key DisplayGLFW::translateKey(int k, int scancode) {
  switch (k) {
    case GLFW_KEY_ESCAPE: return KEY_ESC;
    case GLFW_KEY_ENTER: return KEY_ENTER;
    case GLFW_KEY_TAB: return KEY_TAB;
    case GLFW_KEY_BACKSPACE: return KEY_BACKSPACE;
    case GLFW_KEY_INSERT: return KEY_INSERT;
    case GLFW_KEY_DELETE: return KEY_DEL;
    case GLFW_KEY_RIGHT: return KEY_RIGHT;
    case GLFW_KEY_LEFT: return KEY_LEFT;
    case GLFW_KEY_DOWN: return KEY_DOWN;
    case GLFW_KEY_UP: return KEY_UP;
    case GLFW_KEY_PAGE_UP: return KEY_PAGEUP;
    case GLFW_KEY_PAGE_DOWN: return KEY_PAGEDOWN;
    case GLFW_KEY_HOME: return KEY_HOME;
    case GLFW_KEY_END: return KEY_END;
    case GLFW_KEY_KP_DECIMAL: return KEY_KP_DECIMAL;
    case GLFW_KEY_KP_DIVIDE: return KEY_KP_DIVIDE;
    case GLFW_KEY_KP_MULTIPLY: return KEY_KP_MULTIPLY;
    case GLFW_KEY_KP_SUBTRACT: return KEY_KP_SUBTRACT;
    case GLFW_KEY_KP_ADD: return KEY_KP_ADD;
    case GLFW_KEY_KP_ENTER: return KEY_KP_ENTER;
    case GLFW_KEY_KP_EQUAL: return KEY_KP_EQUAL;
    case GLFW_KEY_LEFT_SHIFT: return KEY_LSHIFT;
    case GLFW_KEY_RIGHT_SHIFT: return KEY_RSHIFT;
    case GLFW_KEY_LEFT_CONTROL: return KEY_LCTRL;
    case GLFW_KEY_RIGHT_CONTROL: return KEY_RCTRL;
    case GLFW_KEY_LEFT_ALT: return KEY_LALT;
    case GLFW_KEY_RIGHT_ALT: return KEY_RALT;
    default: break;
  }
  if (k >= GLFW_KEY_F1 && k <= GLFW_KEY_F25) return static_cast<Key>(KEY_F1 + (k - GLFW_KEY_F1));
  if (k >= GLFW_KEY_KP_0 && k <= GLFW_KEY_KP_9) return static_cast<Key>(KEY_KP_0 + (k - GLFW_KEY_KP_0));

  const bool printable = (k >= GLFW_KEY_SPACE && k <= GLFW_KEY_GRAVE_ACCENT) || k == GLFW_KEY_WORLD_1 ||
                         k == GLFW_KEY_WORLD_2 || k == GLFW_KEY_UNKNOWN;
  if (!printable) return KEY_UNKNOWN;  // lock keys, Pause, Print, Super, Menu
  // Character keys report the character of the current layout (the key
  // tokens name positions on a US keyboard), letters as upper case.
  const int c = upperCase(latin1Of(glfwGetKeyName(k, scancode)));
  if (c > 0 && c < 256) return static_cast<Key>(c);
  if (k >= GLFW_KEY_SPACE && k <= GLFW_KEY_GRAVE_ACCENT) return static_cast<Key>(k);
  return KEY_UNKNOWN;
}

// ---------------------------------------------------------------- lifetime

DisplayGLFW::DisplayGLFW()
    : mCurrentShader(nullptr),
      mCurrentVBO(nullptr),
      mCurrentIBO(nullptr),
      mCurrentFBO(nullptr),
      mActiveTextureChannel(0),
      mClearFrames(0),
      mInited(false),
      mOpened(false),
      mDirty(false),
      mIconified(false),
      mFocused(false),
      mMouseX(0.0f),
      mMouseY(0.0f),
      mMouseWheel(0.0f),
      mFpsLastTime(0.0f),
      mLastClickTime(-1.0f),
      mQuittingBlocking(false),
      mPushedStates(false),
      mFpsCountFinal(0.0f),
      mFpsCountFinalTime(0.0f),
      mFpsCountFrames(0.0f),
      mArchiveManager(nullptr),
      mWindow(nullptr),
      mWheelPosition(0.0),
      mToggleFullscreen(false),
      mLastPressedScancode(-1) {
  if (currentDisplay) throw Exception("Can not open more than one GLFW-device");
  std::fill(std::begin(mPressed), std::end(mPressed), false);
  std::fill(std::begin(mTextureChannels), std::end(mTextureChannels), nullptr);
  currentDisplay = this;
  try {
    init();
  } catch (...) {
    currentDisplay = nullptr;  // a failed device must not block the next one
    throw;
  }
}

void DisplayGLFW::init() {
  if (mInited) return;
  // A busy X server may refuse a connection for a moment; try a few times
  // and report the library's complaint only when all of them failed.
  glfwSetErrorCallback(nullptr);
  bool ok = false;
  for (int attempt = 0; attempt < 10 && !ok; ++attempt) {
    if (attempt == 9) glfwSetErrorCallback(glfwErrorCallback);
    ok = glfwInit() == GLFW_TRUE;
    if (!ok && attempt < 9) Clock::sleep(0.05f);
  }
  glfwSetErrorCallback(glfwErrorCallback);
  if (!ok) throw Exception("DisplayGLFW: Could not initialize GLFW!");
  glfwSetTime(0.0);
  mInited = true;
}

DisplayGLFW::~DisplayGLFW() {
  if (mInited) {
    try {
      if (mOpened) resetStates();
    } catch (const Exception&) {
      // already logged; the device goes away regardless
    }
    if (!mResources.empty()) {
      ZLK_LOG("log", "app", "When destructing glfw-display, there was %d resources not destroyed.",
              static_cast<int>(mResources.size()));
    }
    const std::vector<Resource*> remaining(mResources.begin(), mResources.end());
    mResources.clear();
    mTextureCache.clear();
    // resetStates() above unbound everything; the records go even if it failed
    mCurrentVBO = nullptr;
    mCurrentIBO = nullptr;
    mCurrentFBO = nullptr;
    mCurrentShader = nullptr;
    std::fill(std::begin(mTextureChannels), std::end(mTextureChannels), nullptr);
    for (Resource* resource : remaining) resource->dettachAll();
    for (Resource* resource : remaining) delete resource;
    try {
      if (mOpened) close();
    } catch (const Exception&) {
    }
    // listeners that outlive the device must not reach back into it
    for (Listener* listener : mListeners) {
      if (listener->display == this) listener->display = nullptr;
    }
    mListeners.clear();
    currentDisplay = nullptr;
    glfwTerminate();
  }
}

void DisplayGLFW::getModes(std::vector<WindowMode>& out) {
  GLFWmonitor* monitor = glfwGetPrimaryMonitor();
  if (!monitor) return;
  int count = 0;
  const GLFWvidmode* modes = glfwGetVideoModes(monitor, &count);
  for (int i = 0; modes && i < std::min(count, 10000); ++i) {
    WindowMode mode;
    mode.title = "";
    mode.width = modes[i].width;
    mode.height = modes[i].height;
    out.push_back(mode);
  }
}

bool DisplayGLFW::hasExtension(const std::string& name) const { return mExtensions.count(name) != 0; }

bool DisplayGLFW::supportsShaders() const {
  return hasExtension("GL_ARB_shader_objects") && hasExtension("GL_ARB_shading_language_100") &&
         hasExtension("GL_ARB_vertex_shader") && hasExtension("GL_ARB_fragment_shader");
}

bool DisplayGLFW::supportsFBO() const { return hasExtension("GL_EXT_framebuffer_object"); }

int DisplayGLFW::maxNumVertexAttrib() const {
  GLint count = 0;
  glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &count);
  return count;
}

void DisplayGLFW::setArchive(am::ArchiveManager* archive) {
  ZLK_LOG("info", "display", "Assigning archive %p to display %p", static_cast<void*>(archive), static_cast<void*>(this));
  mArchiveManager = archive;
}

float DisplayGLFW::getTime() const {
  if (mWindowMode.fpsMode == WindowMode::FPS_DELTA) return mFpsLastTime;
  return static_cast<float>(glfwGetTime());
}

mathbase::Vector3f DisplayGLFW::getMousePosition() const { return mathbase::Vector3f(mMouseX, mMouseY, mMouseWheel); }

void DisplayGLFW::setActiveResolution(int width, int height) {
  mWindowMode.activeWidth = width == -1 ? mWindowMode.width : width;
  mWindowMode.activeHeight = height == -1 ? mWindowMode.height : height;
  mClearFrames = 3;
  mDirty = true;
}

// ---------------------------------------------------------------- window

void DisplayGLFW::open(const WindowMode& mode) {
  if (!mInited) init();
  mWindowMode = mode;

  if (mOpened) {
    glfwSetWindowSize(mWindow, mWindowMode.width, mWindowMode.height);
  } else {
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RESIZABLE, mWindowMode.canResize ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_DEPTH_BITS, 16);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    GLFWmonitor* monitor = mWindowMode.fullscreen ? glfwGetPrimaryMonitor() : nullptr;
    mWindow = glfwCreateWindow(mWindowMode.width, mWindowMode.height, mWindowMode.title.c_str(), monitor, nullptr);
    if (!mWindow) throw Exception("Could not open window");
    glfwMakeContextCurrent(mWindow);
    glfwGetWindowSize(mWindow, &mWindowMode.width, &mWindowMode.height);
    GL_CHECK_STATUS();

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
      glfwDestroyWindow(mWindow);
      mWindow = nullptr;
      throw Exception("DisplayGLFW: Could not initialize GLEW!");
    }
    while (glGetError() != GL_NO_ERROR) {
      // the extension loader may leave an error behind
    }
    // The effects draw into textures of the window's size: a window larger
    // than the driver can draw into is refused before the first frame.
    GLint viewport[2] = {0, 0};
    GLint texture = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    const int maxWidth = std::min<int>(viewport[0], texture);
    const int maxHeight = std::min<int>(viewport[1], texture);
    if (maxWidth > 0 && maxHeight > 0 && (mWindowMode.width > maxWidth || mWindowMode.height > maxHeight)) {
      glfwDestroyWindow(mWindow);
      mWindow = nullptr;
      throw Exception("DisplayGLFW: A window of %dx%d pixels is larger than the GL driver can draw (%dx%d)",
                      mWindowMode.width, mWindowMode.height, maxWidth, maxHeight);
    }

    mExtensions.clear();
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::istringstream words(extensions ? extensions : "");
    std::string word;
    while (words >> word) mExtensions.insert(word);
    if (hasExtension("GL_ARB_shading_language_100")) {
      const char* version = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
      if (glGetError() == GL_INVALID_ENUM || !version) version = "1.00";
      ZLK_LOG("info", "display", "GL_SHADING_LANGUAGE_VERSION: '%s'\n", version);
    }
    glfwSetInputMode(mWindow, GLFW_STICKY_KEYS, GLFW_TRUE);
    mOpened = true;
  }

  int major = 0, minor = 0, revision = 0;
  glfwGetVersion(&major, &minor, &revision);
  ZLK_LOG("info", "display", "Opened window of resolution %dx%d (glfw version: %d.%d.%d)\n", mWindowMode.width,
          mWindowMode.height, major, minor, revision);
  glfwSetWindowTitle(mWindow, mWindowMode.title.c_str());
  mClearFrames = 3;

  glfwSetWindowSizeCallback(mWindow, mWindowMode.canResize ? sizeCallback : nullptr);
  handleResize(mWindowMode.width, mWindowMode.height);
  installCallbacks();

  double x = 0.0, y = 0.0;
  glfwGetCursorPos(mWindow, &x, &y);
  mMouseX = static_cast<float>(x);
  mMouseY = static_cast<float>(y);

  mQuittingBlocking = false;
  resetStates();
  mIconified = glfwGetWindowAttrib(mWindow, GLFW_ICONIFIED) == GLFW_TRUE;
  mFocused = glfwGetWindowAttrib(mWindow, GLFW_FOCUSED) == GLFW_TRUE;
  mFpsLastTime = 0.0f;

  if (mWindowMode.fpsMode == WindowMode::FPS_EVENT) {
    glfwSetWindowRefreshCallback(mWindow, refreshCallback);
    mDirty = true;
  } else {
    glfwSetWindowRefreshCallback(mWindow, nullptr);
    mDirty = false;
  }

  switch (mWindowMode.fpsMode) {
    case WindowMode::FPS_VSYNC:
    case WindowMode::FPS_FIXED:
    case WindowMode::FPS_DELTA:
      glfwSwapInterval(1);
      break;
    default:
      glfwSwapInterval(0);
      break;
  }
}

void DisplayGLFW::installCallbacks() {
  glfwSetKeyCallback(mWindow, keyCallback);
  glfwSetCharCallback(mWindow, charCallback);
  glfwSetCursorPosCallback(mWindow, cursorPosCallback);
  glfwSetMouseButtonCallback(mWindow, mouseButtonCallback);
  glfwSetScrollCallback(mWindow, scrollCallback);
  glfwSetWindowCloseCallback(mWindow, closeCallback);
}

void DisplayGLFW::close() {
  DIS_ASSERT(mOpened);
  ZLK_LOG("info", "display", "closing display");
  resetStates();
  glfwSwapInterval(0);
  for (int i = 0; i < 3; ++i) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glfwSwapBuffers(mWindow);
  }
  // GL objects are freed while their context still exists
  disposeResources();
  glfwDestroyWindow(mWindow);
  mWindow = nullptr;
  mPushedStates = false;
  mOpened = false;
  mCharOfScancode.clear();
  mLastPressedScancode = -1;
  std::fill(std::begin(mPressed), std::end(mPressed), false);
}

void DisplayGLFW::toggleFullscreen() {
  disposeResources();
  close();
  WindowMode mode = mWindowMode;
  mode.fullscreen = !mode.fullscreen;
  open(mode);
  restoreResources();
}

void DisplayGLFW::resetStates() {
  if (mPushedStates) glPopAttrib();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  mPushedStates = true;
  // Popping the attributes brings back the texture unit that was active at
  // the push; the unit the device recorded is the one that counts.
  GL_CHECK(glActiveTexture(GL_TEXTURE0 + mActiveTextureChannel));

  GL_CHECK(glMatrixMode(GL_TEXTURE));
  GL_CHECK(glLoadIdentity());
  GL_CHECK(glMatrixMode(GL_MODELVIEW));
  GL_CHECK(glLoadIdentity());
  const float aspect = mWindowMode.activeHeight > 0
                           ? static_cast<float>(mWindowMode.activeWidth) / static_cast<float>(mWindowMode.activeHeight)
                           : 1.0f;
  DisplayObsolete::setProject(0.7853982f, aspect, 0.1f, 5000.0f);
  GL_CHECK(glMatrixMode(GL_MODELVIEW));
  GL_CHECK(glShadeModel(GL_SMOOTH));
  GL_CHECK(glClearDepth(1.0f));
  GL_CHECK(glDisable(GL_DEPTH_TEST));
  GL_CHECK(glDepthFunc(GL_LEQUAL));
  GL_CHECK(glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST));
  GL_CHECK(glDisable(GL_LIGHTING));
  GL_CHECK(glColor4f(1.0f,1.0f,1.0f,0.5f));
  GL_CHECK(glDisable(GL_BLEND));
  GL_CHECK(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
  GL_CHECK(glDisable(GL_TEXTURE_2D));
  GL_CHECK(glViewport(0,0,mWindowMode.width, mWindowMode.height));
  GL_CHECK(glScissor(0,0,mWindowMode.width, mWindowMode.height));
  GL_CHECK(glDisable(GL_SCISSOR_TEST));
  unbindAll();
}

void DisplayGLFW::unbindAll() {
  if (!mOpened) {
    mCurrentVBO = nullptr;
    mCurrentFBO = nullptr;
    mCurrentIBO = nullptr;
    mCurrentShader = nullptr;
    std::fill(std::begin(mTextureChannels), std::end(mTextureChannels), nullptr);
    return;
  }
  setVBO(nullptr);
  setFBO(nullptr);
  setIBO(nullptr);
  setShader(nullptr);
  for (int channel = TEXTURE_CHANNELS - 1; channel >= 0; --channel) setTexture(nullptr, channel);
}

// ---------------------------------------------------------------- frames

bool DisplayGLFW::update() {
  // waiting for events without a window would never return
  if (!mOpened) return false;
  if (mWindowMode.fpsMode == WindowMode::FPS_EVENT) {
    glfwWaitEvents();
  } else {
    glfwPollEvents();
  }
  if (mToggleFullscreen && mOpened) {
    mToggleFullscreen = false;
    toggleFullscreen();
  }

  if (!mOpened) return false;
  if (mQuittingBlocking) {
    mQuittingBlocking = false;
    return false;
  }

  bool draw = true;
  if (mWindowMode.fpsMode == WindowMode::FPS_EVENT) {
    draw = mDirty;
    mDirty = false;
  }

  const bool iconified = glfwGetWindowAttrib(mWindow, GLFW_ICONIFIED) == GLFW_TRUE;
  const bool focused = glfwGetWindowAttrib(mWindow, GLFW_FOCUSED) == GLFW_TRUE;
  if (iconified != mIconified) {
    mIconified = iconified;
    const std::vector<Listener*> listeners = mListeners;
    for (Listener* listener : listeners) {
      if (isRegistered(listener)) listener->onIconify(iconified);
    }
  }
  if (focused != mFocused) {
    mFocused = focused;
    const std::vector<Listener*> listeners = mListeners;
    for (Listener* listener : listeners) {
      if (isRegistered(listener)) listener->onChangeFocus(focused);
    }
  }

  if (!mIconified && draw) {
    resetStates();
    if (mClearFrames > 0) {
      glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      --mClearFrames;
    }
    if (mWindowMode.activeWidth != mWindowMode.width || mWindowMode.activeHeight != mWindowMode.height) {
      const int x = (mWindowMode.width - mWindowMode.activeWidth) / 2;
      const int y = (mWindowMode.height - mWindowMode.activeHeight) / 2;
      GL_CHECK(glViewport(x, y, mWindowMode.activeWidth, mWindowMode.activeHeight));
      GL_CHECK(glScissor(x, y, mWindowMode.activeWidth, mWindowMode.activeHeight));
      GL_CHECK(glEnable(GL_SCISSOR_TEST));
    }
    const std::vector<Listener*> listeners = mListeners;
    for (Listener* listener : listeners) {
      if (!isRegistered(listener)) continue;
      GL_CHECK_STATUS();
      listener->onDraw();
      GL_CHECK_STATUS();
    }
    resetStates();
  }

  if (mWindowMode.fpsMode == WindowMode::FPS_FIXED && mWindowMode.fps > 0.0f) {
    const float target = mFpsLastTime + 1.0f / mWindowMode.fps;
    const float wait = target - getTime() - 0.005f;
    if (wait > 0.005f) Clock::sleep(wait);
    while (target > getTime()) {
    }
    mFpsLastTime = getTime();
  } else if (mWindowMode.fpsMode == WindowMode::FPS_DELTA && mWindowMode.fps > 0.0f) {
    mFpsLastTime += 1.0f / mWindowMode.fps;
  }

  if (!mIconified && draw) glfwSwapBuffers(mWindow);

  const float now = static_cast<float>(glfwGetTime());
  mFpsCountFrames += 1.0f;
  if (now > mFpsCountFinalTime + 1.0f) {
    mFpsCountFinal = mFpsCountFrames / (now - mFpsCountFinalTime);
    mFpsCountFinalTime = now;
    mFpsCountFrames = 0.0f;
  }
  return mWindow != nullptr && !glfwWindowShouldClose(mWindow);
}

void DisplayGLFW::updateBlocking() {
  while (update()) {
  }
}

// ---------------------------------------------------------------- listeners

void DisplayGLFW::addListener(Listener* listener) {
  DIS_ASSERT(listener!=0);
  if (isRegistered(listener)) return;
  if (listener->display && listener->display != this) listener->display->removeListener(listener);
  listener->display = this;
  mListeners.push_back(listener);
  if (mOpened) listener->onResize(mWindowMode.width, mWindowMode.height);
}

void DisplayGLFW::removeListener(Listener* listener) {
  const auto found = std::find(mListeners.begin(), mListeners.end(), listener);
  if (found == mListeners.end()) return;
  mListeners.erase(found);
  if (listener->display == this) listener->display = nullptr;
}

bool DisplayGLFW::isRegistered(const Listener* listener) const {
  return std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end();
}

void DisplayGLFW::fillEvent(Event& event) const {
  event.mousePos = mathbase::Vector2f(mMouseX, mMouseY);
  const float width = mWindowMode.width > 0 ? static_cast<float>(mWindowMode.width) : 1.0f;
  const float height = mWindowMode.height > 0 ? static_cast<float>(mWindowMode.height) : 1.0f;
  event.mousePosUnit = mathbase::Vector2f(mMouseX / width, mMouseY / height);
  event.mouseWheel = mMouseWheel;
  int control = KEYMOD_NONE;
  if (mPressed[KEY_LSHIFT]) control |= KEYMOD_LSHIFT;
  if (mPressed[KEY_RSHIFT]) control |= KEYMOD_RSHIFT;
  if (mPressed[KEY_LALT]) control |= KEYMOD_LALT;
  if (mPressed[KEY_RALT]) control |= KEYMOD_RALT;
  if (mPressed[KEY_LCTRL]) control |= KEYMOD_LCTRL;
  if (mPressed[KEY_RCTRL]) control |= KEYMOD_RCTRL;
  event.control = control;
}

template <typename Handler>
bool DisplayGLFW::deliverInput(Handler handler) {
  // a handler may add or remove listeners; those removed are not called
  const std::vector<Listener*> listeners = mListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) {
    if (!isRegistered(*it)) continue;
    if (shallStop(handler(*it))) return true;
  }
  return false;
}

bool DisplayGLFW::shallStop(int action) {
  if (action & Listener::DIRTY) mDirty = true;
  if (action & Listener::QUIT) quit();
  return (action & Listener::BLOCK) != 0;
}

void DisplayGLFW::quit() {
  const std::vector<Listener*> listeners = mListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) {
    if (!isRegistered(*it)) continue;
    if ((*it)->onQuit() & Listener::BLOCK) return;
  }
  mQuittingBlocking = true;
}

// ---------------------------------------------------------------- events

void DisplayGLFW::handleKey(int glfwKey, int scancode, int action) {
  if (!mOpened) return;
  const bool press = action != GLFW_RELEASE;  // repeats count as presses
  if (press) mLastPressedScancode = scancode;

  const Key key = translateKey(glfwKey, scancode);
  if (key != KEY_UNKNOWN) {
    mPressed[key] = press;
    KeyEvent event;
    fillEvent(event);
    event.key = key;
    const bool blocked =
        deliverInput([&](Listener* listener) { return press ? listener->onKeyDown(event) : listener->onKeyUp(event); });
    if (!blocked && !press) {
      if (key == KEY_ENTER && event.alt()) {
        ZLK_LOG("log", "app", "DisplayGLFW - ALT+ENTER");
        mToggleFullscreen = true;
      }
      if (key == KEY_ESC) {
        ZLK_LOG("log", "app", "DisplayGLFW - ESC");
        shallStop(Listener::QUIT);
      }
    }
  }

  if (!press) {
    // the character a key typed is released with the key
    if (scancode == mLastPressedScancode) mLastPressedScancode = -1;
    const auto typed = mCharOfScancode.find(scancode);
    if (typed != mCharOfScancode.end() && mOpened) {
      CharEvent event;
      fillEvent(event);
      event.key = static_cast<int>(typed->second);
      mCharOfScancode.erase(typed);
      deliverInput([&](Listener* listener) { return listener->onCharUp(event); });
    }
  }
}

void DisplayGLFW::handleChar(unsigned int codepoint) {
  if (!mOpened) return;
  if (mLastPressedScancode != -1) mCharOfScancode[mLastPressedScancode] = codepoint;
  CharEvent event;
  fillEvent(event);
  event.key = static_cast<int>(codepoint);
  deliverInput([&](Listener* listener) { return listener->onCharDown(event); });
}

void DisplayGLFW::handleMousePos(double x, double y) {
  if (!mOpened) return;
  mLastClickTime = -1.0f;
  MouseMoveEvent event;
  event.mouseDelta = mathbase::Vector2f(mMouseX - static_cast<float>(x), mMouseY - static_cast<float>(y));
  mMouseX = static_cast<float>(x);
  mMouseY = static_cast<float>(y);
  fillEvent(event);
  event.mouseDeltaWheel = 0.0f;
  deliverInput([&](Listener* listener) { return listener->onMouseMove(event); });
}

void DisplayGLFW::handleMouseButton(int button, int action) {
  if (!mOpened) return;
  const bool press = action == GLFW_PRESS;
  MouseButtonEvent event;
  fillEvent(event);
  event.button = static_cast<MouseButton>(button);
  event.doubleClick = false;
  if (press && button == GLFW_MOUSE_BUTTON_LEFT) {
    const float now = getTime();
    if (mLastClickTime >= 0.0f && now - mLastClickTime < 0.8f) {
      event.doubleClick = true;
      mLastClickTime = -1.0f;
    } else {
      mLastClickTime = now;
    }
  }
  deliverInput([&](Listener* listener) { return press ? listener->onMouseDown(event) : listener->onMouseUp(event); });
}

void DisplayGLFW::handleWheel(float position) {
  if (!mOpened) return;
  const float delta = position - mMouseWheel;
  mMouseWheel = position;
  if (std::fabs(delta) < 0.001f) return;
  MouseMoveEvent event;
  fillEvent(event);
  event.mouseDelta = mathbase::Vector2f(0.0f, 0.0f);
  event.mouseDeltaWheel = delta;
  deliverInput([&](Listener* listener) { return listener->onMouseWheel(event); });
}

void DisplayGLFW::handleResize(int width, int height) {
  if (!mOpened || width <= 0 || height <= 0) return;  // an empty window draws nothing
  mClearFrames = 3;
  const int oldWidth = mWindowMode.width;
  const int oldHeight = mWindowMode.height;
  mWindowMode.width = mWindowMode.activeWidth = width;
  mWindowMode.height = mWindowMode.activeHeight = height;
  const std::vector<Listener*> listeners = mListeners;
  for (Listener* listener : listeners) {
    if (isRegistered(listener)) listener->onResize(oldWidth, oldHeight);
  }
  mDirty = true;
}

// ---------------------------------------------------------------- callbacks

namespace {
DisplayGLFW* deviceOf(GLFWwindow* window) {
  (void)window;
  return currentDisplay;
}
}  // namespace

void DisplayGLFW::keyCallback(GLFWwindow* window, int key, int scancode, int action, int) {
  if (DisplayGLFW* device = deviceOf(window)) device->handleKey(key, scancode, action);
}

void DisplayGLFW::charCallback(GLFWwindow* window, unsigned int codepoint) {
  if (DisplayGLFW* device = deviceOf(window)) device->handleChar(codepoint);
}

void DisplayGLFW::cursorPosCallback(GLFWwindow* window, double x, double y) {
  if (DisplayGLFW* device = deviceOf(window)) device->handleMousePos(x, y);
}

void DisplayGLFW::mouseButtonCallback(GLFWwindow* window, int button, int action, int) {
  if (DisplayGLFW* device = deviceOf(window)) device->handleMouseButton(button, action);
}

void DisplayGLFW::scrollCallback(GLFWwindow* window, double, double yOffset) {
  if (DisplayGLFW* device = deviceOf(window)) {
    device->mWheelPosition += yOffset;
    device->handleWheel(static_cast<float>(device->mWheelPosition));
  }
}

void DisplayGLFW::sizeCallback(GLFWwindow* window, int width, int height) {
  if (DisplayGLFW* device = deviceOf(window)) device->handleResize(width, height);
}

void DisplayGLFW::closeCallback(GLFWwindow* window) {
  // the window stays open; the owner ends its loop and destroys the device
  glfwSetWindowShouldClose(window, GLFW_FALSE);
  if (DisplayGLFW* device = deviceOf(window)) {
    if (device->mOpened) device->quit();
  }
}

void DisplayGLFW::refreshCallback(GLFWwindow* window) {
  if (DisplayGLFW* device = deviceOf(window)) device->setDirty(true);
}

// ---------------------------------------------------------------- read-back

namespace {
void flipRows(uint8_t* pixels, int rowBytes, int height) {
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  for (int i = 0; i < height / 2; ++i) {
    uint8_t* top = pixels + static_cast<size_t>(i) * rowBytes;
    uint8_t* bottom = pixels + static_cast<size_t>(height - 1 - i) * rowBytes;
    std::memcpy(row.data(), top, rowBytes);
    std::memcpy(top, bottom, rowBytes);
    std::memcpy(bottom, row.data(), rowBytes);
  }
}
}  // namespace

void DisplayGLFW::readWindow(unsigned int format, int bytesPerPixel, uint8_t* buffer) {
  DIS_ASSERT(mOpened);
  DIS_ASSERT((mWindowMode.height & 1) == 0);
  const int width = mWindowMode.width;
  const int height = mWindowMode.height;
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);  // rows of 3-byte pixels are not padded either
  GL_CHECK(glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, buffer));
  glPopClientAttrib();
  flipRows(buffer, width * bytesPerPixel, height);
}

void DisplayGLFW::getScreenShotRGB24(uint8_t* buffer) { readWindow(GL_RGB, 3, buffer); }

void DisplayGLFW::getScreenShot(am::Image& image) {
  DIS_ASSERT(image.isNull()==false);
  DIS_ASSERT((mWindowMode.height & 1) == 0);
  DIS_ASSERT(image->getWidth()==mWindowMode.width);
  DIS_ASSERT(image->getHeight()==mWindowMode.height);
  getScreenShotBGRA(image->getWriteData());
}

void DisplayGLFW::getScreenShotBGRA(uint8_t* buffer) {
  readWindow(GL_BGRA, 4, buffer);
  const size_t pixels = static_cast<size_t>(mWindowMode.width) * mWindowMode.height;
  for (size_t i = 0; i < pixels; ++i) buffer[i * 4 + 3] = 255;
}

// ---------------------------------------------------------------- bindings

namespace {
// Unbinds the current object and binds the next; the record is only set once
// the next one is really bound (binding may build it, and building may fail).
template <class T>
void rebind(T*& current, T* next) {
  if (next == current) return;
  if (current) current->unbind();
  current = nullptr;
  if (next) next->bind();
  current = next;
}
}  // namespace

void DisplayGLFW::setVBO(VBO* vbo) { rebind(mCurrentVBO, static_cast<VBO_GL*>(vbo)); }

void DisplayGLFW::setIBO(IBO* ibo) { rebind(mCurrentIBO, static_cast<IBO_GL*>(ibo)); }

void DisplayGLFW::setFBO(FBO* fbo) { rebind(mCurrentFBO, static_cast<FBO_GL*>(fbo ? fbo : mScreenTarget)); }

FBO* DisplayGLFW::getFBO() const { return mCurrentFBO; }

void DisplayGLFW::setShader(Shader* shader) { rebind(mCurrentShader, static_cast<Shader_GL*>(shader)); }

void DisplayGLFW::setTexture(Texture* texture, int channel) {
  DIS_ASSERT(channel >= 0 && channel < TEXTURE_CHANNELS);
  Texture_GL* next = static_cast<Texture_GL*>(texture);
  const bool wasActive = channel == mActiveTextureChannel;
  if (!wasActive) {
    GL_CHECK(glActiveTexture(GL_TEXTURE0+channel));
    mActiveTextureChannel = channel;
  }
  Texture_GL* held = mTextureChannels[channel];
  if (wasActive && held == next) return;
  // a texture of another kind would stay bound on its own target
  if (held && (!next || held->getTargetGL() != next->getTargetGL())) held->unbind();
  mTextureChannels[channel] = nullptr;
  if (next) next->bind();
  mTextureChannels[channel] = next;
}

void DisplayGLFW::draw(DrawMode outerMode, int firstIndex, int numIndices, int firstVertex, int numVertices) {
  DIS_ASSERT(outerMode!=DisplayGL::DRAW_NONE);
  GLenum innerMode = GL_TRIANGLES;
  if (outerMode == DRAW_POINTS) innerMode = GL_POINTS;
  if (outerMode == DRAW_LINES) innerMode = GL_LINES;

  // Ranges are checked here: past the end of a buffer the GPU (or, for
  // emulated buffers, the CPU) would read foreign memory.
  if (firstIndex != -1) {
    DIS_ASSERT(mCurrentIBO!=0);
    DIS_ASSERT(firstIndex >= 0 && numIndices >= 0 && numIndices <= mCurrentIBO->getNumIndices() - firstIndex);
    const GLenum indexType = mCurrentIBO->getFormatGL();
    GL_CHECK(glDrawElements(innerMode, numIndices, indexType, mCurrentIBO->getPointerGL(firstIndex)));
  } else if (mCurrentIBO) {
    const GLenum indexType = mCurrentIBO->getFormatGL();
    GL_CHECK(glDrawElements(innerMode, mCurrentIBO->getNumIndices(), indexType, mCurrentIBO->getPointerGL(0)));
  } else if (firstVertex == -1) {
    DIS_ASSERT(mCurrentVBO!=0);
    GL_CHECK(glDrawArrays(innerMode, 0, mCurrentVBO->getNumVertices()));
  } else {
    DIS_ASSERT(mCurrentVBO!=0);
    DIS_ASSERT(firstVertex >= 0 && numVertices >= 0 && numVertices <= mCurrentVBO->getNumVertices() - firstVertex);
    GL_CHECK(glDrawArrays(innerMode, firstVertex, numVertices));
  }
}

// ---------------------------------------------------------------- resources

bool DisplayGLFW::TextureKey::operator<(const TextureKey& other) const {
  if (identifier != other.identifier) return identifier < other.identifier;
  return decl < other.decl;
}

VBO* DisplayGLFW::createVBO(int numVertices, const VertexDef* vboFormat, ResourceMode mode) {
  return new VBO_GL(this, numVertices, vboFormat, mode);
}

IBO* DisplayGLFW::createIBO(int numIndices, IBO::Format format, ResourceMode mode) {
  return new IBO_GL(this, numIndices, format, mode);
}

FBO* DisplayGLFW::createFBO(int width, int height, bool addZ) { return new FBO_GL(this, width, height, addZ); }

Texture* DisplayGLFW::createTexture(const std::string& filename, bool unique) {
  return createTexture(filename, TextureDeclaration(), unique);
}

Texture* DisplayGLFW::createTexture(const std::string& filename, const TextureDeclaration& decl, bool unique) {
  const TextureKey key{filename, decl};
  if (!unique) {
    const auto cached = mTextureCache.find(key);
    if (cached != mTextureCache.end()) {
      cached->second->incRef();
      return cached->second;
    }
  }
  Texture_GL* texture = new Texture_GL(this, filename, decl);
  mTextureCache[key] = texture;
  return texture;
}

Texture* DisplayGLFW::createTexture(am::Image& image, const TextureDeclaration& decl) {
  return new Texture_GL(this, image, decl);
}

Texture* DisplayGLFW::createTexture(const TextureDeclaration& decl) { return new Texture_GL(this, decl); }

Shader* DisplayGLFW::createShader(VertexDef* vertexDef) {
  Shader_GL* shader = new Shader_GL(this);
  if (vertexDef) shader->setVertexAttrib(vertexDef);
  return shader;
}

Shader* DisplayGLFW::createShader(const std::string& vertName, const std::string& fragName, VertexDef* vertexDef) {
  Shader* shader = createShader(vertexDef);
  shader->attach(vertName, fragName);
  return shader;
}

Shader* DisplayGLFW::createShader(const std::string& prefixName, VertexDef* vertexDef) {
  return createShader(prefixName + ".vert", prefixName + ".frag", vertexDef);
}

ShaderSource* DisplayGLFW::createVertexShader(const std::string& filename, bool) {
  return new VertexShaderSource_GL(this, filename);
}

ShaderSource* DisplayGLFW::createPixelShader(const std::string& filename, bool) {
  return new PixelShaderSource_GL(this, filename);
}

void DisplayGLFW::forget(const Resource* resource) {
  // Unbinding keeps GL from drawing from (or into) the object about to go;
  // without a context only the records are dropped.
  const bool gl = mOpened;
  if (resource == mCurrentVBO) gl ? setVBO(nullptr) : void(mCurrentVBO = nullptr);
  if (resource == mCurrentIBO) gl ? setIBO(nullptr) : void(mCurrentIBO = nullptr);
  if (resource == mCurrentFBO) gl ? setFBO(nullptr) : void(mCurrentFBO = nullptr);
  if (resource == mCurrentShader) gl ? setShader(nullptr) : void(mCurrentShader = nullptr);
  // deleting a texture unbinds it from every unit in GL itself
  for (Texture_GL*& held : mTextureChannels) {
    if (held == resource) held = nullptr;
  }
  for (auto it = mTextureCache.begin(); it != mTextureCache.end();) {
    if (it->second == resource) {
      it = mTextureCache.erase(it);
    } else {
      ++it;
    }
  }
}

void DisplayGLFW::destroy(const Resource* resource) {
  if (!resource) return;
  const auto found = mResources.find(const_cast<Resource*>(resource));
  if (found == mResources.end()) return;  // not ours, or already gone
  Resource* owned = *found;
  if (owned->decRef() <= 0) {
    forget(owned);
    mResources.erase(found);
    delete owned;
  }
}

void DisplayGLFW::disposeResources() {
  ZLK_LOG("log", "app", "DisplayGLFW::disposeResources");
  // nothing stays bound to GL objects that are about to be freed
  unbindAll();
  const std::vector<Resource*> resources(mResources.begin(), mResources.end());
  for (Resource* resource : resources) {
    if (!resource->isDisposed()) resource->disposeResource(false);
  }
}

void DisplayGLFW::restoreResources() {
  ZLK_LOG("log", "app", "DisplayGLFW::restoreResources");
  const std::vector<Resource*> resources(mResources.begin(), mResources.end());
  for (Resource* resource : resources) {
    if (resource->isDisposed()) resource->restoreResource();
  }
}

}  // namespace display
}  // namespace zelkor
