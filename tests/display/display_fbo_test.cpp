// Render targets on a real device: drawing into textures (float ones
// keeping values above 1), depth buffers, size checks, late attachments and
// mipmap updates of rendered textures.

#include <memory>
#include <vector>

#include "dis_fbo_gl.h"
#include "dis_texture_gl.h"
#include "gpu_fixture.h"
#include "zlk_system.h"

namespace {

using namespace zelkor;
using namespace zelkor::display;
using gpu_test::ColorVertex;
using gpu_test::GpuTest;
using gpu_test::Rgba;

TextureDeclaration targetDecl(int size, Texture::ChannelFormat format = Texture::FORMAT_UINT8) {
  TextureDeclaration decl(size, size);
  decl.channelFormat = format;
  decl.useMipmaps = false;
  return decl;
}

class FboTest : public GpuTest {
 protected:
  void TearDown() override {
    if (device) device->resetStates();
    GpuTest::TearDown();
  }

  // A quad in the fixed pipeline at depth z (nearer for larger z).
  static void depthQuad(float z, float r, float g, float b) {
    glColor4f(r, g, b, 1);
    glBegin(GL_QUADS);
    glVertex3f(0, 0, z);
    glVertex3f(256, 0, z);
    glVertex3f(256, 256, z);
    glVertex3f(0, 256, z);
    glEnd();
  }
};

TEST_F(FboTest, FloatTargetKeepsValuesAboveOne) {
  std::unique_ptr<VertexDef> def(gpu_test::colorVertexDef());
  writeColorShader("fx/hdr");
  Shader* shader = device->createShader("fx/hdr", def.get());
  VBO* quad = device->createVBO(6, def.get(), DisplayGL::MODE_STATIC);
  ColorVertex vertices[6];
  gpu_test::colorQuad(vertices, 0, 0, 256, 256, 2.5f, 0.5f, 3.0f, 1.0f);  // the target spans the projection
  quad->replace(0, 6, vertices);

  FBO* floats = device->createFBO(64, 64, false);
  Texture* floatTexture = device->createTexture(targetDecl(64, Texture::FORMAT_F32));
  floats->attach(FBO::COLOR0, floatTexture);
  FBO* bytes = device->createFBO(64, 64, false);
  Texture* byteTexture = device->createTexture(targetDecl(64));
  bytes->attach(FBO::COLOR0, byteTexture);
  EXPECT_EQ(floatTexture->getRef(), 2) << "the target holds a reference";
  floatTexture->destroy();
  byteTexture->destroy();

  for (FBO* target : {floats, bytes}) {
    pixelSpace();
    device->setFBO(target);
    EXPECT_EQ(device->getFBO(), target);
    clear(0, 0, 0);
    device->setShader(shader);
    shader->set(shader->getUniformLocation("tint"), mathbase::Vector4f(1, 1, 1, 1));
    device->setVBO(quad);
    device->draw(DisplayGL::DRAW_TRIANGLES);
    float value[4] = {0, 0, 0, 0};
    glReadPixels(32, 32, 1, 1, GL_RGBA, GL_FLOAT, value);
    if (target == floats) {
      EXPECT_FLOAT_EQ(value[0], 2.5f);
      EXPECT_FLOAT_EQ(value[1], 0.5f);
      EXPECT_FLOAT_EQ(value[2], 3.0f);
    } else {
      EXPECT_FLOAT_EQ(value[0], 1.0f) << "an 8-bit target clamps";
      EXPECT_FLOAT_EQ(value[2], 1.0f);
    }
    device->setFBO(nullptr);
  }

  // the texture itself holds the values
  FBO_GL* gl = static_cast<FBO_GL*>(floats);
  Texture* texture = gl->getAttachments()[0].texture;
  device->setTexture(texture, 0);
  std::vector<float> texels(64 * 64 * 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
  EXPECT_FLOAT_EQ(texels[(10 * 64 + 10) * 4 + 2], 3.0f);
  device->resetStates();
  floats->destroy();
  bytes->destroy();
  quad->destroy();
  shader->destroy();
}

TEST_F(FboTest, BindingDrawsIntoTheTargetAndUnbindingGivesTheWindowBack) {
  FBO* fbo = device->createFBO(32, 16, false);
  EXPECT_EQ(fbo->getWidth(), 32);
  EXPECT_EQ(fbo->getHeight(), 16);
  Texture* texture = device->createTexture(TextureDeclaration(32, 16));
  fbo->attach(FBO::COLOR0, texture);
  device->setFBO(fbo);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 32);
  EXPECT_EQ(viewport[3], 16);
  GLint bound = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), static_cast<FBO_GL*>(fbo)->getFrameBufferGL());
  clear(0, 1, 0);
  device->setFBO(nullptr);
  EXPECT_EQ(device->getFBO(), nullptr);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], kSize);
  EXPECT_EQ(viewport[3], kSize);
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
  EXPECT_EQ(bound, 0);

  // a rendered texture updates its mipmaps on request
  device->setTexture(texture, 0);
  unsigned char smallest[4] = {9, 9, 9, 9};
  glGetTexImage(GL_TEXTURE_2D, 5, GL_RGBA, GL_UNSIGNED_BYTE, smallest);
  EXPECT_EQ(smallest[1], 0) << "the chain still holds the empty texture";
  texture->updateMipmaps();
  glGetTexImage(GL_TEXTURE_2D, 5, GL_RGBA, GL_UNSIGNED_BYTE, smallest);
  EXPECT_EQ(smallest[1], 255);
  texture->destroy();
  fbo->destroy();

  Texture* flat = device->createTexture(targetDecl(8));
  device->setTexture(flat, 0);
  EXPECT_NE(errorOf([&] { flat->updateMipmaps(); }).find("mDecl.useMipmaps"), std::string::npos);
  device->setTexture(nullptr, 0);
  flat->destroy();
}

TEST_F(FboTest, DepthTestingNeedsTheDepthBufferOrADepthTexture) {
  for (int kind = 0; kind < 3; ++kind) {  // no depth, renderbuffer, depth texture
    FBO* fbo = device->createFBO(32, 32, kind == 1);
    Texture* colour = device->createTexture(targetDecl(32));
    fbo->attach(FBO::COLOR0, colour);
    colour->destroy();
    if (kind == 2) {
      TextureDeclaration depthDecl(32, 32);
      depthDecl.channelType = Texture::CHAN_DEPTH;
      depthDecl.channelFormat = Texture::FORMAT_UINT24;
      Texture* depth = device->createTexture(depthDecl);
      fbo->attach(FBO::DEPTH, depth);
      depth->destroy();
    }
    takeLog();
    pixelSpace();
    device->setFBO(fbo);
    EXPECT_EQ(takeLog().find("Framebuffer incomplete"), std::string::npos) << kind;
    EXPECT_EQ(static_cast<FBO_GL*>(fbo)->getDepthBufferGL() != 0, kind == 1);
    clear(0, 0, 0);
    glEnable(GL_DEPTH_TEST);
    depthQuad(0.5f, 1, 0, 0);   // near
    depthQuad(-0.5f, 0, 1, 0);  // far
    glDisable(GL_DEPTH_TEST);
    const Rgba got = pixel(16, 16);
    if (kind == 0) {
      EXPECT_EQ(got, (Rgba{0, 255, 0, 255})) << "without a depth buffer the far quad wins";
    } else {
      EXPECT_EQ(got, (Rgba{255, 0, 0, 255})) << kind;
    }
    device->setFBO(nullptr);
    fbo->destroy();
  }
}

TEST_F(FboTest, TexturesOfAnotherSizeAreRefusedAtFirstBind) {
  FBO* fbo = device->createFBO(256, 256, true);
  Texture* texture = device->createTexture(targetDecl(512));
  fbo->attach(FBO::COLOR0, texture);
  texture->destroy();
  EXPECT_EQ(errorOf([&] { device->setFBO(fbo); }), "FBO_GL::restoreResource; Texture dimension doesn't match FBO dimensions!");
  EXPECT_TRUE(fbo->isDisposed());
  EXPECT_EQ(device->getFBO(), nullptr);
  GLint bound = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
  EXPECT_EQ(bound, 0) << "nothing half-built stays bound";
  fbo->destroy();

  EXPECT_NE(errorOf([&] { device->createFBO(0, 16, false); }).find("width!=0"), std::string::npos);
}

TEST_F(FboTest, AttachmentsMadeAfterTheFirstBuildWaitForTheNextOne) {
  FBO* fbo = device->createFBO(16, 16, false);
  Texture* first = device->createTexture(targetDecl(16));
  Texture* second = device->createTexture(targetDecl(16));
  fbo->attach(FBO::COLOR0, first);
  device->setFBO(fbo);
  device->setFBO(nullptr);
  fbo->attach(FBO::COLOR1, second);
  EXPECT_EQ(second->getRef(), 2);

  const auto attachedTo = [&](GLenum attachment) {
    GLint name = -1;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<FBO_GL*>(fbo)->getFrameBufferGL());
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, attachment, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT,
                                             &name);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    return static_cast<GLuint>(name);
  };
  EXPECT_EQ(attachedTo(GL_COLOR_ATTACHMENT1_EXT), 0u);
  device->disposeResources();
  device->restoreResources();
  EXPECT_EQ(attachedTo(GL_COLOR_ATTACHMENT0_EXT), static_cast<Texture_GL*>(first)->getTextureGL());
  EXPECT_EQ(attachedTo(GL_COLOR_ATTACHMENT1_EXT), static_cast<Texture_GL*>(second)->getTextureGL());

  fbo->destroy();
  EXPECT_EQ(second->getRef(), 1) << "the target released its textures";
  first->destroy();
  second->destroy();
}

TEST_F(FboTest, IncompleteTargetsAreReportedAndUnsupportedOnesRefused) {
  FBO* empty = device->createFBO(16, 16, false);
  takeLog();
  device->setFBO(empty);
  EXPECT_NE(takeLog().find("Framebuffer incomplete, missing attachment\n"), std::string::npos);
  device->setFBO(nullptr);
  empty->destroy();

  device->disableExtension("GL_EXT_framebuffer_object");
  FBO* fbo = device->createFBO(16, 16, true);
  EXPECT_EQ(errorOf([&] { device->setFBO(fbo); }),
            "Display::FBO_GL; Render Targets not supported [GL_EXT_framebuffer_object]");
  fbo->destroy();
}

}  // namespace
