// The render scale: effects draw into a picture of the scaled size (also
// after binding and leaving a target of their own), which then covers the
// whole window; the window is the target again afterwards.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dis_display.h"
#include "dis_glinclude.h"
#include "kin_renderscale.h"

namespace {

using zelkor::display::DisplayGL;

TEST(RenderScaleTest, ScalesStayInRange) {
  std::unique_ptr<DisplayGL> device(DisplayGL::create());
  const float cases[][2] = {{0.5f, 0.5f}, {0.25f, 0.25f}, {0.1f, 1.0f}, {1.5f, 1.0f}, {-1.0f, 1.0f}};
  for (const auto& c : cases) {
    device->setRenderScale(c[0]);
    EXPECT_EQ(device->getRenderScale(), c[1]) << c[0];
  }
}

TEST(RenderScaleTest, EffectsDrawTheScaledPictureOverTheWindow) {
  std::unique_ptr<DisplayGL> device(DisplayGL::create());
  device->open(zelkor::display::WindowMode("render scale", 64, 48, false));
  device->setRenderScale(0.5f);
  EXPECT_EQ(device->getRenderWidth(), 32);
  EXPECT_EQ(device->getRenderHeight(), 24);
  zelkor::kindra::RenderScale scaled(device.get());
  zelkor::display::FBO* own = device->createFBO(8, 8, true);
  own->attach(zelkor::display::FBO::COLOR0, device->createTexture(zelkor::display::TextureDeclaration(8, 8)));

  scaled.begin();
  // an effect with a target of its own: leaving it comes back to the picture
  device->setFBO(own);
  device->setFBO(nullptr);
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 32);
  EXPECT_EQ(viewport[3], 24);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(16, 0, 16, 24);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  scaled.end();

  EXPECT_EQ(device->getFBO(), nullptr);
  std::vector<unsigned char> pixels(64 * 48 * 4);
  glReadPixels(0, 0, 64, 48, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  // the left half red, the right half green, corner to corner
  for (const int x : {0, 20, 43, 63}) {
    for (const int y : {0, 47}) {
      const unsigned char* p = &pixels[(y * 64 + x) * 4];
      EXPECT_EQ(p[0], x < 32 ? 255 : 0) << x << "," << y;
      EXPECT_EQ(p[1], x < 32 ? 0 : 255) << x << "," << y;
    }
  }
  own->destroy();
}

}  // namespace
