// Shader programs on a real device: sources read through the archive on
// first use, the define block, the driver's messages, attribute and uniform
// binding by name, and the lifecycle of programs and their sources.

#include <memory>

#include "dis_shader_gl.h"
#include "dis_vboibo_gl.h"
#include "gpu_fixture.h"
#include "zlk_system.h"

namespace {

using namespace zelkor;
using namespace zelkor::display;
using gpu_test::ColorVertex;
using gpu_test::GpuTest;
using gpu_test::Rgba;

class ShaderTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    def.reset(gpu_test::colorVertexDef());
    quad = device->createVBO(6, def.get(), DisplayGL::MODE_STATIC);
    ColorVertex vertices[6];
    gpu_test::colorQuad(vertices, 50, 50, 150, 150, 1, 1, 1);
    quad->replace(0, 6, vertices);
  }
  void TearDown() override {
    if (device) {
      device->resetStates();
      quad->destroy();
    }
    GpuTest::TearDown();
  }

  // Draws the white quad (50,50)-(150,150) with the program on black and
  // returns the colour at its centre.
  Rgba drawWith(Shader* shader, const mathbase::Vector4f& tint = mathbase::Vector4f(1, 1, 1, 1)) {
    pixelSpace();
    clear(0, 0, 0);
    device->setShader(shader);
    shader->set(shader->getUniformLocation("tint"), tint);
    device->setVBO(quad);
    device->draw(DisplayGL::DRAW_TRIANGLES);
    Rgba c = pixel(100, 100);
    c.a = 255;
    return c;
  }

  std::unique_ptr<VertexDef> def;
  VBO* quad = nullptr;
};

TEST_F(ShaderTest, SourcesAreReadOnlyWhenTheProgramIsFirstBound) {
  Shader* shader = device->createShader("fx/solid", def.get());
  EXPECT_EQ(device->getResources().size(), 4u) << "the quad, the program and its two sources";
  EXPECT_TRUE(shader->isDisposed());
  writeColorShader("fx/solid");
  std::remove(scratch->file("fx/solid.frag").c_str());

  EXPECT_EQ(errorOf([&] { device->setShader(shader); }), "Display::Resource; File 'fx/solid.frag' could not be read");
  EXPECT_TRUE(shader->isDisposed());

  writeColorShader("fx/solid");
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(0, 1, 0, 1)), (Rgba{0, 255, 0, 255}));
  EXPECT_FALSE(shader->isDisposed());
  EXPECT_TRUE(static_cast<Shader_GL*>(shader)->isLinked());
  shader->destroy();
  EXPECT_EQ(device->getResources().size(), 1u) << "the program owned its sources";
}

TEST_F(ShaderTest, DefinitionsArePutInFrontOfTheTextInNameOrder) {
  ShaderSource* source = device->createPixelShader("fx/tinted.frag");
  source->setDefine("B", "2");
  source->setDefine("A", "1");
  source->setDefine("B", "3");  // replaced
  ShaderSource_GL* gl = static_cast<ShaderSource_GL*>(source);
  EXPECT_EQ(gl->buildSourceText("void main() {}", 14), "#define A 1\n#define B 3\nvoid main() {}");
  // "#version" has to stay the first directive
  EXPECT_EQ(gl->buildSourceText("\n#version 120\nvoid main() {}", 28), "\n#version 120\n#define A 1\n#define B 3\nvoid main() {}");
  EXPECT_EQ(source->getType(), ShaderSource::SHADER_PIXEL);
  source->destroy();

  writeColorShader("fx/tinted");
  writeText("fx/tinted.frag",
            "#version 120\n"
            "varying vec4 vColor;\n"
            "void main() { gl_FragColor = vec4(RED, GREEN, 0.0, 1.0) * vColor; }\n");
  Shader* shader = device->createShader(def.get());
  ShaderSource* vertex = device->createVertexShader("fx/tinted.vert");
  ShaderSource* pixelSource = device->createPixelShader("fx/tinted.frag");
  pixelSource->setDefine("RED", "1.0");
  pixelSource->setDefine("GREEN", "0.0");
  shader->attach(vertex);
  shader->attach(pixelSource);
  vertex->destroy();
  EXPECT_EQ(pixelSource->getRef(), 2);
  EXPECT_EQ(drawWith(shader), (Rgba{255, 0, 0, 255}));

  // definitions survive a dispose and take effect at the next compilation
  device->resetStates();
  device->disposeResources();
  pixelSource->setDefine("GREEN", "1.0");
  EXPECT_EQ(drawWith(shader), (Rgba{255, 255, 0, 255}));
  pixelSource->destroy();
  shader->destroy();
}

TEST_F(ShaderTest, CompileAndLinkErrorsCarryTheDriversMessage) {
  writeColorShader("fx/bad");
  writeText("fx/bad.frag", "void main() { gl_FragColor = vec4(1.0) }\n");
  Shader* broken = device->createShader("fx/bad", def.get());
  const std::string compileError = errorOf([&] { device->setShader(broken); });
  const std::string compileHead = "Could not compile 'fx/bad.frag'.\nCompile message:\n";
  EXPECT_EQ(compileError.compare(0, compileHead.size(), compileHead), 0) << compileError;
  EXPECT_GT(compileError.size(), compileHead.size() + 5) << "the driver's log follows";
  EXPECT_EQ(static_cast<Shader_GL*>(broken)->getHandle(), 0u) << "a failed build keeps no GL program";
  broken->destroy();

  writeColorShader("fx/unlinked");
  writeText("fx/unlinked.frag", "vec4 shade();\nvoid main() { gl_FragColor = shade(); }\n");
  Shader* unlinked = device->createShader("fx/unlinked", def.get());
  const std::string linkError = errorOf([&] { device->setShader(unlinked); });
  const std::string linkHead = "Could not link.\n\nLink message:\n";
  EXPECT_EQ(linkError.compare(0, linkHead.size(), linkHead), 0) << linkError;
  EXPECT_GT(linkError.size(), linkHead.size() + 5);
  EXPECT_FALSE(static_cast<Shader_GL*>(unlinked)->isLinked());
  EXPECT_TRUE(unlinked->isDisposed());
  EXPECT_EQ(static_cast<Shader_GL*>(unlinked)->getHandle(), 0u);
  EXPECT_EQ(device->getResources().size(), 4u);
  EXPECT_NE(errorOf([&] { unlinked->link(); }), "") << "linking by hand fails the same way";
  unlinked->destroy();
}

TEST_F(ShaderTest, AttributeNamesOfTheVertexDefinitionGetTheirIndices) {
  writeText("fx/lit.vert",
            "attribute vec3 position;\n"
            "attribute vec3 normal;\n"
            "varying vec3 n;\n"
            "void main() { n = normal; gl_Position = vec4(position, 1.0); }\n");
  writeText("fx/lit.frag", "varying vec3 n;\nvoid main() { gl_FragColor = vec4(n, 1.0); }\n");
  std::unique_ptr<VertexDef> p3n3(VertexP3N3::getVertexDef());
  Shader* shader = device->createShader("fx/lit", p3n3.get());
  device->setShader(shader);
  EXPECT_EQ(shader->getVertexAttribLocation("position"), 0);
  EXPECT_EQ(shader->getVertexAttribLocation("normal"), 1);
  std::vector<VertexAttribute> attributes;
  shader->getVertexAttribs(attributes);
  ASSERT_EQ(attributes.size(), 2u);
  for (const VertexAttribute& a : attributes) {
    EXPECT_EQ(a.index, a.name == "position" ? 0 : 1) << a.name;
    EXPECT_EQ(a.type, TYPE_FLOAT);
    EXPECT_EQ(a.numElements, 3);
    EXPECT_EQ(a.offset, -1);
    EXPECT_EQ(a.tempTODOREMOVE, 1);
  }

  // other indices, and bindings that survive a dispose
  Shader* moved = device->createShader("fx/lit", nullptr);
  moved->setVertexAttrib(5, "position");
  moved->setVertexAttrib(3, "normal");
  device->setShader(moved);
  EXPECT_EQ(moved->getVertexAttribLocation("position"), 5);
  device->resetStates();
  device->disposeResources();
  EXPECT_NE(errorOf([&] { moved->getVertexAttribLocation("position"); }).find("!mDisposed"), std::string::npos);
  device->restoreResources();
  EXPECT_EQ(moved->getVertexAttribLocation("position"), 5);
  EXPECT_EQ(moved->getVertexAttribLocation("normal"), 3);
  EXPECT_EQ(shader->getVertexAttribLocation("normal"), 1);
  shader->destroy();
  moved->destroy();
}

TEST_F(ShaderTest, UniformsAreFoundAndSetByName) {
  writeColorShader("fx/uni");
  writeText("fx/uni.frag",
            "uniform vec4 tint;\n"
            "uniform float weights[3];\n"
            "uniform mat4 shift;\n"
            "uniform int mode;\n"
            "uniform sampler2D tex;\n"
            "varying vec4 vColor;\n"
            "void main() {\n"
            "  vec4 c = vColor * tint * (shift * vec4(1.0)).x;\n"
            "  c.r *= weights[0] + weights[1] + weights[2];\n"
            "  if (mode == 7) c.b = 1.0;\n"
            "  c.a += 0.001 * texture2D(tex, vec2(0.5)).a;\n"
            "  gl_FragColor = c;\n"
            "}\n");
  Shader* shader = device->createShader("fx/uni", def.get());
  EXPECT_EQ(shader->getUniformLocation("nothing"), -1) << "asking links the program";
  EXPECT_FALSE(shader->isDisposed());

  std::vector<VertexAttribute> uniforms;
  shader->getUniforms(uniforms);
  std::map<std::string, VertexAttribute> byName;
  for (const VertexAttribute& u : uniforms) byName[u.name] = u;
  ASSERT_EQ(byName.count("tint"), 1u);
  EXPECT_EQ(byName["tint"].type, TYPE_FLOAT);
  EXPECT_EQ(byName["tint"].numElements, 4);
  EXPECT_EQ(byName["tint"].index, shader->getUniformLocation("tint"));
  EXPECT_EQ(byName["tint"].tempTODOREMOVE, 1);
  ASSERT_EQ(byName.count("weights[0]"), 1u);
  EXPECT_EQ(byName["weights[0]"].tempTODOREMOVE, 3) << "the array size";
  EXPECT_EQ(byName["shift"].numElements, 16);
  EXPECT_EQ(byName["mode"].type, TYPE_INT);
  EXPECT_EQ(byName["tex"].type, TYPE_INT) << "samplers are set as texture units";
  EXPECT_EQ(byName["tex"].numElements, 1);

  device->setShader(shader);
  const float weights[3] = {0.25f, 0.25f, 0.0f};
  shader->set(shader->getUniformLocation("weights"), weights[0], 3);
  mathbase::Matrix4x4Col identity;
  identity.setIdentity();
  shader->set(shader->getUniformLocation("shift"), identity);
  shader->set(shader->getUniformLocation("mode"), 7);
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(1, 1, 0, 1)), (Rgba{128, 255, 255, 255}));
  GLfloat read[3] = {0, 0, 0};
  glGetUniformfv(static_cast<Shader_GL*>(shader)->getHandle(), shader->getUniformLocation("weights[2]"), read);
  EXPECT_EQ(read[0], 0.0f);
  shader->set(shader->getUniformLocation("mode"), 0);
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(1, 1, 0, 1)), (Rgba{128, 255, 0, 255}));
  shader->destroy();
}

TEST_F(ShaderTest, AProgramBindsAgainAfterTheDeviceDisposedEverything) {
  writeColorShader("fx/solid");
  Shader* shader = device->createShader("fx/solid", def.get());
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(0, 0, 1, 1)), (Rgba{0, 0, 255, 255}));
  Shader_GL* gl = static_cast<Shader_GL*>(shader);
  const GLuint program = gl->getHandle();
  device->disposeResources();
  EXPECT_EQ(gl->getHandle(), 0u);
  EXPECT_FALSE(glIsProgram(program));
  for (const Shader_GL::Attachment& a : gl->getSources()) {
    EXPECT_TRUE(a.source->isDisposed());
    EXPECT_FALSE(a.attached);
  }
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(1, 0, 0, 1)), (Rgba{255, 0, 0, 255}));
  for (const Shader_GL::Attachment& a : gl->getSources()) EXPECT_TRUE(a.attached && a.source->getHandle() != 0);
  EXPECT_EQ(shader->getVertexAttribLocation("color"), 1);
  shader->destroy();
}

TEST_F(ShaderTest, EverythingIsRebuiltInANewWindow) {
  writeColorShader("fx/solid");
  Shader* shader = device->createShader("fx/solid", def.get());
  TextureDeclaration decl;
  decl.useMipmaps = false;
  am::Image picture = makeImage(4, 4, [](int, int) { return Rgba{0, 0, 255, 255}; });
  Texture* texture = device->createTexture(picture, decl);
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(1, 0, 0, 1)), (Rgba{255, 0, 0, 255}));
  device->setTexture(texture, 0);

  // what switching between window and full screen does
  const WindowMode mode = device->getWindowMode();
  device->close();
  for (Resource* resource : device->getResources()) EXPECT_TRUE(resource->isDisposed());
  device->open(mode);
  device->restoreResources();
  for (Resource* resource : device->getResources()) EXPECT_FALSE(resource->isDisposed());

  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(0, 1, 0, 1)), (Rgba{0, 255, 0, 255}));
  device->setShader(nullptr);
  device->setVBO(nullptr);
  clear(0, 0, 0);
  device->setTexture(texture, 0);
  glEnable(GL_TEXTURE_2D);
  drawQuad(10, 10, 20, 20);
  glDisable(GL_TEXTURE_2D);
  EXPECT_EQ(pixel(15, 15), (Rgba{0, 0, 255, pixel(15, 15).a}));
  device->resetStates();
  texture->destroy();
  shader->destroy();
}

TEST_F(ShaderTest, ASourceLivesAsLongAsAProgramUsesIt) {
  writeColorShader("fx/solid");
  ShaderSource* vertex = device->createVertexShader("fx/solid.vert");
  ShaderSource* other = device->createVertexShader("fx/solid.vert");
  EXPECT_NE(vertex, other) << "sources are never shared by the device";
  other->destroy();
  Shader* first = device->createShader(def.get());
  Shader* second = device->createShader(def.get());
  for (Shader* s : {first, second}) {
    s->attach(vertex);
    ShaderSource* pixelSource = device->createPixelShader("fx/solid.frag");
    s->attach(pixelSource);
    pixelSource->destroy();
  }
  vertex->destroy();
  EXPECT_EQ(vertex->getRef(), 2);
  EXPECT_EQ(drawWith(first, mathbase::Vector4f(1, 1, 1, 1)), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(drawWith(second, mathbase::Vector4f(0, 1, 1, 1)), (Rgba{0, 255, 255, 255}));
  device->resetStates();
  first->destroy();
  EXPECT_EQ(device->getResources().count(vertex), 1u);
  EXPECT_EQ(drawWith(second, mathbase::Vector4f(1, 0, 1, 1)), (Rgba{255, 0, 255, 255}));
  device->resetStates();
  second->destroy();
  EXPECT_EQ(device->getResources().count(vertex), 0u) << "the last program took the source with it";
}

TEST_F(ShaderTest, SourcesNeedAnArchive) {
  Shader* shader = device->createShader("fx/solid", def.get());
  device->setArchive(nullptr);
  EXPECT_EQ(errorOf([&] { device->setShader(shader); }), "The device can not load files! (when loading fx/solid.vert)");
  shader->destroy();
}

TEST(ShaderTypes, GlTypesConvertAsTheTableSays) {
  const struct {
    GLenum gl;
    VariableType type;
    int elements;
  } table[] = {
      {GL_FLOAT, TYPE_FLOAT, 1},      {GL_FLOAT_VEC3, TYPE_FLOAT, 3}, {GL_INT_VEC2, TYPE_INT, 2},
      {GL_BOOL_VEC4, TYPE_BOOL, 4},   {GL_FLOAT_MAT2, TYPE_FLOAT, 4}, {GL_FLOAT_MAT3, TYPE_FLOAT, 9},
      {GL_FLOAT_MAT4, TYPE_FLOAT, 16}, {GL_SAMPLER_2D, TYPE_INT, 1},  {GL_IMAGE_2D, TYPE_NONE, 0},
  };
  for (const auto& row : table) {
    const Variable v = Shader_GL::getVaribleFromGLType(row.gl);
    EXPECT_EQ(v.type, row.type) << row.gl;
    EXPECT_EQ(v.numElements, row.elements) << row.gl;
  }
}

}  // namespace
