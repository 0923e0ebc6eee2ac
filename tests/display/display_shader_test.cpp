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

TEST_F(ShaderTest, UniformsAreFoundAndSetByName) {
  writeColorShader("fx/uni");
  writeText("fx/uni.frag",
            "#version 110\n"  // the define block goes after it
            "uniform vec4 tint;\n"
            "uniform vec2 gain;\n"
            "uniform float weights[3];\n"
            "uniform mat4 shift;\n"
            "uniform int mode;\n"
            "uniform sampler2D tex;\n"
            "varying vec4 vColor;\n"
            "void main() {\n"
            "  vec4 c = vColor * tint * (shift * vec4(1.0)).x * gain.x;\n"
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
  EXPECT_EQ(byName["gain"].numElements, 2);
  std::vector<VertexAttribute> attributes;
  shader->getVertexAttribs(attributes);
  ASSERT_EQ(attributes.size(), 2u);
  for (const VertexAttribute& a : attributes) {
    EXPECT_EQ(a.index, shader->getVertexAttribLocation(a.name));
    EXPECT_EQ(a.numElements, a.name == "position" ? 2 : 4) << a.name;
  }

  device->setShader(shader);
  const float weights[3] = {0.25f, 0.25f, 0.0f};
  shader->set(shader->getUniformLocation("weights"), weights[0], 3);
  mathbase::Matrix4x4Col identity;
  identity.setIdentity();
  shader->set(shader->getUniformLocation("shift"), identity);
  shader->set(shader->getUniformLocation("mode"), 7);
  shader->set(shader->getUniformLocation("gain"), mathbase::Vector2f(1, 0));
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(1, 1, 0, 1)), (Rgba{128, 255, 255, 255}));
  GLfloat read[3] = {0, 0, 0};
  glGetUniformfv(static_cast<Shader_GL*>(shader)->getHandle(), shader->getUniformLocation("weights[2]"), read);
  EXPECT_EQ(read[0], 0.0f);
  shader->set(shader->getUniformLocation("mode"), 0);
  EXPECT_EQ(drawWith(shader, mathbase::Vector4f(1, 1, 0, 1)), (Rgba{128, 255, 0, 255}));
  shader->destroy();
}

}  // namespace
