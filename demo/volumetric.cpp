#include "volumetric.h"

#include <cmath>

#include "dis_display.h"
#include "mb_matrix4x4col.h"
#include "zlk_system.h"

using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Vector3f;

Volumetric::Volumetric() : mShader(nullptr) { addPlugin("color", mColor); }

bool Volumetric::hasBlendEquations(const zelkor::display::DisplayGL& display) {
  return display.hasExtension("GL_EXT_blend_subtract") || display.hasExtension("GL_ARB_imaging");
}

void Volumetric::setup() {
  if (!hasBlendEquations(*mDisplay)) {
    throw zelkor::Exception("Your graphics card does not support blending equations! [GL_EXT_blend_subtract or GL_ARB_imaging]");
  }
  mShader = mDisplay->createShader(nullptr);
  mShader->attach("volumetric/vol.vert", "volumetric/vol.frag");
}

void Volumetric::draw(float pTimer, float, float) {
  if (!mShader) return;  // setup failed or never ran

  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glEnable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glBlendFunc(GL_ONE, GL_ONE);

  mDisplay->setShader(mShader);
  mShader->set(mShader->getUniformLocation("intensity"), 0.3f);

  const Vector3f color = mColor.get(pTimer);
  glColor3f(color.x, color.y, color.z);

  // back faces add their distance...
  glBlendEquation(GL_FUNC_ADD);
  glFrontFace(GL_CW);
  drawScene(pTimer, false);
  // ...and the front faces take theirs off again
  glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
  glFrontFace(GL_CCW);
  drawScene(pTimer, false);

  mDisplay->setShader(nullptr);
  glBlendEquation(GL_FUNC_ADD);
  glDepthMask(GL_TRUE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_BLEND);
}

void Volumetric::drawScene(float pTimer, bool solid) {
  const float width = static_cast<float>(mDisplay->getWindowMode().width);
  const float height = static_cast<float>(mDisplay->getWindowMode().height);
  ds.setProject(80.0f * static_cast<float>(M_PI) / 180.0f, width / height, 0.1f, 100.0f);

  const Vector3f eye(6.0f * cosf(0.2f * pTimer), 2.0f * sinf(pTimer), 6.0f * sinf(0.2f * pTimer));
  Matrix4x4Col camera;
  camera.setCamera(eye, Vector3f(0.0f, 0.0f, 0.0f), 0.1f * pTimer);
  ds.setCamera(camera);
  Matrix4x4Col identity;
  identity.setIdentity();
  ds.setTransform(identity);

  const Vector3f half(0.7f, 0.7f, 0.7f);
  for (int i = -20; i < 20; ++i) {
    for (int j = -20; j < 20; ++j) {
      const double h = std::sin(2.0 * pTimer + 2.0 * i) + std::cos(2.0 * pTimer + 2.0 * j);
      const Vector3f centre(static_cast<float>(h), 2.0f * j, 2.0f * i);
      if (solid) {
        ds.drawBoxWire(centre, half);
      } else {
        ds.drawBox(centre, half);
      }
    }
  }
}
