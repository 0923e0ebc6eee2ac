// Live editing on a real device: files of a scratch archive rewritten while
// programs and textures made from them are in use, seen by the watcher and
// rebuilt in place; broken files keep what runs and report why.

#include <unistd.h>

#include <cstdio>
#include <vector>

#include "am_filewatcher.h"
#include "dis_livereload.h"
#include "dis_shader_gl.h"
#include "dis_vboibo_gl.h"
#include "gpu_fixture.h"

namespace {

using namespace zelkor;
using namespace zelkor::display;
using gpu_test::GpuTest;
using gpu_test::Rgba;

class LiveTest : public GpuTest, public testing::WithParamInterface<am::FileWatcher::Mode> {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    watcher.reset(new am::FileWatcher(GetParam()));
    archive->setWatcher(watcher.get());
    live.reset(new LiveReload(device.get()));
  }
  void TearDown() override {
    archive->setWatcher(nullptr);
    if (device) device->resetStates();
    GpuTest::TearDown();
  }

  // Frames of 10 ms until the watcher reports the file (at most half a
  // second), then what the device made of it is rebuilt.
  void seeChange(const std::string& name) {
    std::vector<std::string> changed;
    for (int frame = 0; frame < 50 && changed.empty(); ++frame) {
      usleep(10000);
      watcher->poll(changed);
    }
    ASSERT_EQ(changed, std::vector<std::string>{name});
    EXPECT_TRUE(live->fileChanged(name));
    device->resetStates();
  }

  // Saved as editors do: a temporary file renamed over the old one.
  void saveByRename(const std::string& name, const std::string& text) {
    writeText(name + ".new", text);
    ASSERT_EQ(std::rename(scratch->file(name + ".new").c_str(), scratch->file(name).c_str()), 0);
  }

  std::string errorOf(const std::string& name) {
    auto found = live->getErrors().find(name);
    return found == live->getErrors().end() ? std::string() : found->second;
  }

  std::unique_ptr<am::FileWatcher> watcher;
  std::unique_ptr<LiveReload> live;
};

std::string fragment(const char* colour) {
  return std::string("#version 110\nuniform vec4 tint;\nvoid main() {\n  gl_FragColor = ") + colour + " * tint;\n}\n";
}

TEST_P(LiveTest, AChangedShaderIsRebuiltInPlaceAndABrokenOneKeepsTheOldProgram) {
  std::unique_ptr<VertexDef> def(gpu_test::colorVertexDef());
  VBO* quad = device->createVBO(6, def.get(), DisplayGL::MODE_STATIC);
  gpu_test::ColorVertex vertices[6];
  gpu_test::colorQuad(vertices, 0, 0, kSize, kSize, 1, 1, 1);
  quad->replace(0, 6, vertices);
  writeColorShader("fx/live");
  writeText("fx/live.frag", fragment("vec4(ONE, 0.0, 0.0, 1.0)"));
  Shader* shader = device->createShader(def.get());
  ShaderSource* vertex = device->createVertexShader("fx/live.vert", false);
  ShaderSource* frag = device->createPixelShader("fx/live.frag", false);
  frag->setDefine("ONE", "1.0");
  shader->attach(vertex);
  shader->attach(frag);
  vertex->destroy();
  frag->destroy();

  // the tint is set once, as effects set such uniforms at setup
  const auto setTint = [&] {
    device->setShader(shader);
    shader->set(shader->getUniformLocation("tint"), mathbase::Vector4f(1, 1, 1, 1));
  };
  setTint();
  const auto draw = [&] {
    pixelSpace();
    clear(0, 0, 0);
    device->setShader(shader);
    device->setVBO(quad);
    device->draw(DisplayGL::DRAW_TRIANGLES);
    device->resetStates();
    return pixel(kSize / 2, kSize / 2);
  };
  ASSERT_EQ(draw(), (Rgba{255, 0, 0, 255}));

  struct Step {
    bool byRename;
    std::string text;
    Rgba expected;
    const char* error;  // what the error says, "" when there is none
  };
  const Step steps[] = {
      {false, fragment("vec4(0.0, ONE, 0.0, 1.0)"), {0, 255, 0, 255}, ""},
      {true, fragment("vec4(0.0, 0.0, ONE, 1.0)"), {0, 0, 255, 255}, ""},
      // line 3 of the file, whatever the define block in front of it
      {false, "uniform vec4 tint;\nvoid main() {\n  gl_FragColor = vec4(1.0 * tint;\n}\n", {0, 0, 255, 255},
       "fx/live.frag:3: "},
      // compiles, but a program needs a main
      {true, "uniform vec4 tint;\nvoid paint() { gl_FragColor = tint; }\n", {0, 0, 255, 255},
       "fx/live.vert + fx/live.frag: does not link"},
      {true, fragment("vec4(ONE, ONE, 0.0, 1.0)"), {255, 255, 0, 255}, ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.text);
    if (step.byRename) {
      saveByRename("fx/live.frag", step.text);
    } else {
      writeText("fx/live.frag", step.text);
    }
    seeChange("fx/live.frag");
    EXPECT_EQ(draw(), step.expected);
    // as after a switch to full screen: a broken file does not stop the show
    const GLuint buffer = static_cast<VBO_GL*>(quad)->getBufferGL();
    device->disposeResources();
    EXPECT_FALSE(glIsBuffer(buffer)) << "the buffer is given back";
    device->restoreResources();
    setTint();
    EXPECT_EQ(draw(), step.expected);
    EXPECT_EQ(errorOf("fx/live.frag").substr(0, std::string(step.error).size()), step.error);
    EXPECT_EQ(errorOf("fx/live.frag").empty(), std::string(step.error).empty()) << errorOf("fx/live.frag");
  }
  // changed while nothing runs, as between a switch's dispose and restore
  device->disposeResources();
  writeText("fx/live.frag", fragment("vec4(0.0, ONE, ONE, 1.0)"));
  seeChange("fx/live.frag");
  device->restoreResources();
  setTint();
  EXPECT_EQ(draw(), (Rgba{0, 255, 255, 255}));
  EXPECT_EQ(device->getResources().size(), 4u) << "the same program and sources, nothing new";
  shader->destroy();
  quad->destroy();
}

TEST_P(LiveTest, AChangedPictureReloadsItsTexturesAndACorruptOneKeepsThem) {
  const auto solid = [](int r, int g, int b) {
    return makeImage(8, 8, [=](int, int) { return Rgba{r, g, b, 255}; });
  };
  writePng("pic/a.png", solid(255, 0, 0));
  Texture* texture = device->createTexture("pic/a.png", false);
  const auto draw = [&] {
    pixelSpace();
    clear(0, 0, 0);
    device->setTexture(texture, 0);
    glEnable(GL_TEXTURE_2D);
    drawQuad(0, 0, kSize, kSize);
    glDisable(GL_TEXTURE_2D);
    device->resetStates();
    return pixel(kSize / 2, kSize / 2);
  };
  ASSERT_EQ(draw(), (Rgba{255, 0, 0, 255}));

  writePng("pic/a.png", solid(0, 255, 0));  // written beside and renamed over
  seeChange("pic/a.png");
  EXPECT_EQ(draw(), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(device->createTexture("pic/a.png", false), texture) << "the cache still finds it";
  texture->destroy();

  writeText("pic/a.png", "not a picture at all");
  seeChange("pic/a.png");
  EXPECT_EQ(draw(), (Rgba{0, 255, 0, 255}));
  EXPECT_NE(errorOf("pic/a.png").find("pic/a.png"), std::string::npos) << errorOf("pic/a.png");
  device->disposeResources();  // as after a switch to full screen
  device->restoreResources();
  EXPECT_EQ(draw(), (Rgba{0, 255, 0, 255}));

  writePng("pic/a.png", solid(0, 0, 255));
  seeChange("pic/a.png");
  EXPECT_EQ(draw(), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(errorOf("pic/a.png"), "");
  texture->destroy();
}

INSTANTIATE_TEST_SUITE_P(Watching, LiveTest, testing::Values(am::FileWatcher::MODE_NOTIFY, am::FileWatcher::MODE_POLL),
                         [](const testing::TestParamInfo<am::FileWatcher::Mode>& info) {
                           return info.param == am::FileWatcher::MODE_NOTIFY ? "Notices" : "Times";
                         });

}  // namespace
