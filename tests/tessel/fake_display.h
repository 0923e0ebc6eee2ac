#pragma once
// A display device without a window for toolkit tests that need no drawing:
// a window size, an archive and a dirty flag.

#include <set>
#include <string>
#include <vector>

#include "am.h"
#include "dis_display.h"

namespace kindra_test {

class FakeDisplay : public zelkor::display::DisplayGL {
 public:
  FakeDisplay(int width, int height) {
    mode.width = mode.activeWidth = width;
    mode.height = mode.activeHeight = height;
  }

  void getModes(std::vector<zelkor::display::WindowMode>&) override {}
  const std::set<std::string>& getExtensionMap() const override { return extensions; }
  bool hasExtension(const std::string&) const override { return false; }
  void open(const zelkor::display::WindowMode& m) override { mode = m; }
  void close() override {}
  bool update() override { return true; }
  void updateBlocking() override {}
  void addListener(zelkor::display::Listener* l) override { listeners.push_back(l); }
  void removeListener(zelkor::display::Listener* l) override {
    for (auto it = listeners.begin(); it != listeners.end(); ++it) {
      if (*it == l) {
        listeners.erase(it);
        break;
      }
    }
  }
  const zelkor::display::WindowMode& getWindowMode() const override { return mode; }
  void getScreenShotRGB24(uint8_t*) override {}
  void getScreenShot(zelkor::am::Image&) override {}
  void getScreenShotBGRA(uint8_t*) override {}
  void setArchive(zelkor::am::ArchiveManager* a) override { archive = a; }
  zelkor::am::ArchiveManager* getArchive() const override { return archive; }
  float getFps() const override { return 60.0f; }
  float getTime() const override { return time; }
  zelkor::mathbase::Vector3f getMousePosition() const override { return zelkor::mathbase::Vector3f(0, 0, 0); }
  void setVBO(zelkor::display::VBO*) override {}
  void setIBO(zelkor::display::IBO*) override {}
  void setFBO(zelkor::display::FBO*) override {}
  void setTexture(zelkor::display::Texture*, int) override {}
  void setShader(zelkor::display::Shader*) override {}
  void draw(DrawMode, int, int, int, int) override {}
  // no GPU: nothing can be created
  zelkor::display::VBO* createVBO(int, const zelkor::display::VertexDef*, ResourceMode) override { return nullptr; }
  zelkor::display::IBO* createIBO(int, zelkor::display::IBO::Format, ResourceMode) override { return nullptr; }
  zelkor::display::FBO* createFBO(int, int, bool) override { return nullptr; }
  zelkor::display::FBO* getFBO() const override { return nullptr; }
  zelkor::display::Texture* createTexture(const std::string&, bool) override { return nullptr; }
  zelkor::display::Texture* createTexture(const std::string&, const zelkor::display::TextureDeclaration&,
                                          bool) override {
    return nullptr;
  }
  zelkor::display::Texture* createTexture(zelkor::am::Image&, const zelkor::display::TextureDeclaration&) override {
    return nullptr;
  }
  zelkor::display::Texture* createTexture(const zelkor::display::TextureDeclaration&) override { return nullptr; }
  zelkor::display::Shader* createShader(zelkor::display::VertexDef*) override { return nullptr; }
  zelkor::display::Shader* createShader(const std::string&, const std::string&, zelkor::display::VertexDef*) override {
    return nullptr;
  }
  zelkor::display::Shader* createShader(const std::string&, zelkor::display::VertexDef*) override { return nullptr; }
  zelkor::display::ShaderSource* createVertexShader(const std::string&, bool) override { return nullptr; }
  zelkor::display::ShaderSource* createPixelShader(const std::string&, bool) override { return nullptr; }
  void resetStates() override {}
  void setDirty(bool d) override { dirty = d; }
  void setActiveResolution(int, int) override {}
  bool supportsShaders() const override { return false; }
  bool supportsFBO() const override { return false; }
  int maxNumVertexAttrib() const override { return 0; }
  void destroy(const zelkor::display::Resource*) override {}
  std::set<zelkor::display::Resource*>& getResources() override { return resources; }
  void disposeResources() override {}
  void restoreResources() override {}

  zelkor::display::WindowMode mode;
  std::set<std::string> extensions;
  std::set<zelkor::display::Resource*> resources;
  std::vector<zelkor::display::Listener*> listeners;
  zelkor::am::ArchiveManager* archive = nullptr;
  float time = 0.0f;
  bool dirty = false;
};

}  // namespace kindra_test
