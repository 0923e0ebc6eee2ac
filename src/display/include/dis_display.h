#pragma once
// The display device: one OpenGL window, its input, the frame loop and the
// registry of GPU resources.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "dis_listener.h"
#include "dis_resource.h"
#include "dis_windowmode.h"
#include "mb_vector3.h"

namespace zelkor {
namespace am {
class ArchiveManager;
class Image;
}

namespace display {

class DisplayGL {
 public:
  enum DrawMode { DRAW_NONE = 0, DRAW_TRIANGLES = 1, DRAW_POINTS = 2, DRAW_LINES = 3 };
  // usage hint for buffers
  enum ResourceMode { MODE_STATIC = 0, MODE_STREAM = 1, MODE_DYNAMIC = 2 };

  // The one implementation, on the window system's library.
  static DisplayGL* create();

  virtual ~DisplayGL();

  // One default mode per video mode of the primary monitor, with its size.
  virtual void getModes(std::vector<WindowMode>& out) = 0;
  virtual const std::set<std::string>& getExtensionMap() const = 0;
  virtual bool hasExtension(const std::string& name) const = 0;
  // Opens the window, or only resizes it when it is already open.
  virtual void open(const WindowMode& mode) = 0;
  virtual void close() = 0;
  // Runs one frame: input, drawing, pacing, swap. False when the program
  // should end.
  virtual bool update() = 0;
  // Runs frames until update() returns false.
  virtual void updateBlocking() = 0;
  // Input goes to the newest listener first; drawing in registration order.
  virtual void addListener(Listener* listener) = 0;
  virtual void removeListener(Listener* listener) = 0;
  virtual const WindowMode& getWindowMode() const = 0;
  // The fraction of the window the demo's effects draw at, 0.25 to 1 (1,
  // the default: the window itself); and the size that gives, at least 1x1.
  void setRenderScale(float scale);
  float getRenderScale() const { return mRenderScale; }
  int getRenderWidth() const;
  int getRenderHeight() const;
  // While one is set, binding no render target binds this one: the
  // off-screen picture that stands for the window at a render scale.
  void setScreenTarget(FBO* target) { mScreenTarget = target; }
  FBO* getScreenTarget() const { return mScreenTarget; }
  // Reads the window as RGB, 3 bytes per pixel, row 0 at the top, into a
  // buffer of width * height * 3 bytes.
  virtual void getScreenShotRGB24(uint8_t* buffer) = 0;
  // Reads the window into a writable image of the window's size: B, G, R, A
  // (alpha 255), row 0 at the top.
  virtual void getScreenShot(am::Image& image) = 0;
  // The same into a buffer of width * height * 4 bytes.
  virtual void getScreenShotBGRA(uint8_t* buffer) = 0;
  virtual void setArchive(am::ArchiveManager* archive) = 0;
  virtual am::ArchiveManager* getArchive() const = 0;
  virtual float getFps() const = 0;
  // Seconds since the device started; in FPS_DELTA mode the frame clock.
  virtual float getTime() const = 0;
  // (x, y, wheel position)
  virtual mathbase::Vector3f getMousePosition() const = 0;

  // Current bindings. Each is a no-op when the object is already current;
  // otherwise the old one is unbound and the new one bound (and built on
  // first use). Null unbinds.
  virtual void setVBO(VBO* vbo) = 0;
  virtual void setIBO(IBO* ibo) = 0;
  virtual void setFBO(FBO* fbo) = 0;
  // Texture units 0-7.
  virtual void setTexture(Texture* texture, int channel) = 0;
  virtual void setShader(Shader* shader) = 0;
  // firstIndex != -1: numIndices indices of the current index buffer from
  // firstIndex; else with an index buffer current: all of its indices; else
  // firstVertex == -1: every vertex of the current vertex buffer; else
  // numVertices vertices from firstVertex.
  virtual void draw(DrawMode mode, int firstIndex = -1, int numIndices = 0, int firstVertex = -1,
                    int numVertices = 0) = 0;
  // Default GL state for drawing (projection, no depth test, no blending...).
  virtual void resetStates() = 0;
  virtual void setDirty(bool dirty) = 0;
  // Size of the area drawn, centred in the window; -1 means the window's.
  virtual void setActiveResolution(int width, int height) = 0;
  virtual bool supportsShaders() const = 0;
  virtual bool supportsFBO() const = 0;
  virtual int maxNumVertexAttrib() const = 0;

  // GPU resources: registered, disposed, one reference; release with
  // destroy(). The vertex definition must outlive the buffer.
  virtual VBO* createVBO(int numVertices, const VertexDef* vboFormat, ResourceMode mode) = 0;
  virtual IBO* createIBO(int numIndices, IBO::Format format, ResourceMode mode) = 0;
  // A render target of that size, with a depth buffer when addZ.
  virtual FBO* createFBO(int width, int height, bool addZ) = 0;
  virtual FBO* getFBO() const = 0;
  // Textures from archive files are cached by name and declaration: unless
  // `unique`, the same request gives the same texture with one more
  // reference.
  virtual Texture* createTexture(const std::string& filename, bool unique = false) = 0;
  virtual Texture* createTexture(const std::string& filename, const TextureDeclaration& decl, bool unique = false) = 0;
  // Not cached; the texture keeps the image.
  virtual Texture* createTexture(am::Image& image, const TextureDeclaration& decl) = 0;
  // Empty (zero) texture of the declared size; not cached.
  virtual Texture* createTexture(const TextureDeclaration& decl) = 0;
  // An empty program; with a definition its attribute names are bound to
  // their indices.
  virtual Shader* createShader(VertexDef* vertexDef) = 0;
  virtual Shader* createShader(const std::string& vertName, const std::string& fragName, VertexDef* vertexDef) = 0;
  // prefixName + ".vert" and prefixName + ".frag".
  virtual Shader* createShader(const std::string& prefixName, VertexDef* vertexDef) = 0;
  // A new source every time; sources are not cached.
  virtual ShaderSource* createVertexShader(const std::string& filename, bool unique = false) = 0;
  virtual ShaderSource* createPixelShader(const std::string& filename, bool unique = false) = 0;
  // Gives up one reference; the last one removes and deletes the resource.
  virtual void destroy(const Resource* resource) = 0;
  virtual std::set<Resource*>& getResources() = 0;
  // Frees the GL objects of every live resource / rebuilds every disposed one.
  virtual void disposeResources() = 0;
  virtual void restoreResources() = 0;

 protected:
  float mRenderScale = 1.0f;
  FBO* mScreenTarget = nullptr;
};

// Game pads, as the window system's joystick functions report them.
enum { GAMEPAD_COUNT = 16, GAMEPAD_AXES = 28, GAMEPAD_BUTTONS = 28 };

struct GamePadState {
  float axes[GAMEPAD_AXES];
  unsigned char buttons[GAMEPAD_BUTTONS];  // 1 while pressed
};

// Whether pad 0..15 is connected (needs a live device).
bool isGamePadPresent(int pad);
// The first connected pad, or -1.
int findGamePad();
// Reads axes and buttons; what the pad lacks reads 0. False, with everything
// 0, when the pad is not there.
bool readGamePad(int pad, GamePadState& state);
// Makes `pad` report `state` instead of the hardware (tests, replays); null
// gives the pad back to the hardware.
void setGamePadOverride(int pad, const GamePadState* state);

}  // namespace display
}  // namespace zelkor
