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

class Texture_GL;
class Shader_GL;
class VBO_GL;
class IBO_GL;
class FBO_GL;

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
  void setVBO(VBO* vbo) override;
  void setIBO(IBO* ibo) override;
  void setFBO(FBO* fbo) override;
  void setTexture(Texture* texture, int channel) override;
  void setShader(Shader* shader) override;
  void draw(DrawMode outerMode, int firstIndex = -1, int numIndices = 0, int firstVertex = -1,
            int numVertices = 0) override;
  void resetStates() override;
  void setDirty(bool dirty) override { mDirty = dirty; }
  void setActiveResolution(int width, int height) override;
  bool supportsShaders() const override;
  bool supportsFBO() const override;
  int maxNumVertexAttrib() const override;
  VBO* createVBO(int numVertices, const VertexDef* vboFormat, ResourceMode mode) override;
  IBO* createIBO(int numIndices, IBO::Format format, ResourceMode mode) override;
  FBO* createFBO(int width, int height, bool addZ) override;
  FBO* getFBO() const override;
  Texture* createTexture(const std::string& filename, bool unique = false) override;
  Texture* createTexture(const std::string& filename, const TextureDeclaration& decl, bool unique = false) override;
  Texture* createTexture(am::Image& image, const TextureDeclaration& decl) override;
  Texture* createTexture(const TextureDeclaration& decl) override;
  Shader* createShader(VertexDef* vertexDef) override;
  Shader* createShader(const std::string& vertName, const std::string& fragName, VertexDef* vertexDef) override;
  Shader* createShader(const std::string& prefixName, VertexDef* vertexDef) override;
  ShaderSource* createVertexShader(const std::string& filename, bool unique = false) override;
  ShaderSource* createPixelShader(const std::string& filename, bool unique = false) override;
  void destroy(const Resource* resource) override;
  std::set<Resource*>& getResources() override { return mResources; }
  void disposeResources() override;
  void restoreResources() override;

  // The device's key for a GLFW key token (and its scancode, which names the
  // character of printable keys in the current keyboard layout); KEY_UNKNOWN
  // for keys the device does not report. Needs GLFW to be initialised for
  // printable keys.
  static Key translateKey(int glfwKey, int scancode);

  // Makes the device behave as if the driver lacked the extension until the
  // window is opened anew, so that the fallback paths (emulated buffers,
  // power-of-two textures, ...) can be run on any driver.
  void disableExtension(const std::string& name) { mExtensions.erase(name); }

  // Texture cache key: the file name, then the declaration.
  struct TextureKey {
    std::string identifier;
    TextureDeclaration decl;
    bool operator<(const TextureKey& other) const;
  };

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
  // Unbinds every current object (GL calls only while the window is open).
  void unbindAll();
  // Makes sure the device no longer refers to a resource about to go.
  void forget(const Resource* resource);

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
  std::map<TextureKey, Texture_GL*> mTextureCache;  // holds no references
  Shader_GL* mCurrentShader;
  VBO_GL* mCurrentVBO;
  IBO_GL* mCurrentIBO;
  FBO_GL* mCurrentFBO;
  int mActiveTextureChannel;
  enum { TEXTURE_CHANNELS = 8 };
  Texture_GL* mTextureChannels[TEXTURE_CHANNELS];
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
