#pragma once
// The display device on GLFW 3. It presents the window system to the rest of
// the program with the device's own key codes, modifier bits and event
// rules, whatever the library reports underneath.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dis_display.h"

struct GLFWwindow;

namespace zelkor {
namespace display {

class DisplayGLFW : public DisplayGL {
 public:
  // Only one device may exist at a time.
  DisplayGLFW();
  ~DisplayGLFW() override;

  void getModes(std::vector<WindowMode>& out) override;
  const std::set<std::string>& getExtensionMap() const override { return mExtensions; }
  bool hasExtension(const std::string& name) const override;
  void open(const WindowMode& mode) override;
  void close() override;
  bool update() override;
  void updateBlocking() override;
  void addListener(Listener* listener) override;
  void removeListener(Listener* listener) override;
  const WindowMode& getWindowMode() const override { return mWindowMode; }
  void getScreenShotRGB24(uint8_t* buffer) override;
  void getScreenShot(am::Image& image) override;
  void getScreenShotBGRA(uint8_t* buffer) override;
  void setArchive(am::ArchiveManager* archive) override;
  am::ArchiveManager* getArchive() const override { return mArchiveManager; }
  float getFps() const override { return mFpsCountFinal; }
  float getTime() const override;
  mathbase::Vector3f getMousePosition() const override;
  void resetStates() override;
  void setDirty(bool dirty) override { mDirty = dirty; }
  void setActiveResolution(int width, int height) override;
  bool supportsShaders() const override;
  bool supportsFBO() const override;
  int maxNumVertexAttrib() const override;
  void destroy(const Resource* resource) override;
  std::set<Resource*>& getResources() override { return mResources; }
  void disposeResources() override;
  void restoreResources() override;

  // The device's key for a GLFW key token (and its scancode, which names the
  // character of printable keys in the current keyboard layout); KEY_UNKNOWN
  // for keys the device does not report. Needs GLFW to be initialised for
  // printable keys.
  static Key translateKey(int glfwKey, int scancode);

 private:
  void init();
  void installCallbacks();
  bool isRegistered(const Listener* listener) const;
  void fillEvent(Event& event) const;
  // Hands an input event to the listeners, newest first; true when one of
  // them consumed it.
  template <typename Handler>
  bool deliverInput(Handler handler);
  // Applies a listener's Action bits; true when delivery must stop.
  bool shallStop(int action);
  void quit();
  void toggleFullscreen();
  // Reads the whole window, row 0 at the top, `format` as GL names it.
  void readWindow(unsigned int format, int bytesPerPixel, uint8_t* buffer);

  void handleKey(int glfwKey, int scancode, int action);
  void handleChar(unsigned int codepoint);
  void handleMousePos(double x, double y);
  void handleMouseButton(int button, int action);
  void handleWheel(float position);
  void handleResize(int width, int height);

  static void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
  static void charCallback(GLFWwindow* window, unsigned int codepoint);
  static void cursorPosCallback(GLFWwindow* window, double x, double y);
  static void mouseButtonCallback(GLFWwindow* window, int button, int action, int mods);
  static void scrollCallback(GLFWwindow* window, double xOffset, double yOffset);
  static void sizeCallback(GLFWwindow* window, int width, int height);
  static void closeCallback(GLFWwindow* window);
  static void refreshCallback(GLFWwindow* window);

  std::set<Resource*> mResources;
  int mClearFrames;
  bool mInited;
  bool mOpened;
  bool mDirty;
  bool mIconified;
  bool mFocused;
  WindowMode mWindowMode;
  float mMouseX;
  float mMouseY;
  float mMouseWheel;
  std::vector<Listener*> mListeners;
  bool mPressed[KEY_LAST];
  float mFpsLastTime;
  float mLastClickTime;
  bool mQuittingBlocking;
  bool mPushedStates;
  float mFpsCountFinal;
  float mFpsCountFinalTime;
  float mFpsCountFrames;
  am::ArchiveManager* mArchiveManager;
  std::set<std::string> mExtensions;

  GLFWwindow* mWindow;
  double mWheelPosition;     // the library reports wheel steps; listeners see the sum
  bool mToggleFullscreen;    // Alt+Enter, done after event polling (the window
                             // cannot be re-created inside its own callback)
  int mLastPressedScancode;  // the key whose press produced the next character
  std::map<int, unsigned int> mCharOfScancode;  // characters waiting for their key's release
};

}  // namespace display
}  // namespace zelkor
