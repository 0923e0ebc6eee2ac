// The sun: a box around the sun's place whose program shapes and lights it
// from the sun splines.

#include <algorithm>
#include <cmath>

#include "cubes.h"
#include "dis_glinclude.h"
#include "mb_quatf.h"

using zelkor::mathbase::Quatf;
using zelkor::mathbase::Vector3f;

void Cubes::setupSun() { mSunShader = mDisplay->createShader("sun/sun", nullptr); }

void Cubes::drawSun(float pTimer, float, float, int) {
  const float t = pTimer;
  const Vector3f sp(0.0f, 400.0f, 0.0f);
  const float sunSize = std::max(mSunSize.get(pTimer) * 100.0f, 0.01f);
  const float cubeSize = std::max(mSunDrawSize.get(pTimer) * 1000.0f, 0.01f);

  Quatf r1, r2, r3;
  r1.setRotX(t * 0.09f);
  r2.setRotY(t * 0.04f);
  r3.setRotZ(t * 0.07f);
  const Quatf sr = r1 * r2 * r3;

  MatrixGL object2world;
  object2world.buildPRS(sp, sr, Vector3f(sunSize, sunSize, sunSize));
  MatrixGL world2object;
  world2object.buildPRSinverse(sp, sr, Vector3f(sunSize, sunSize, sunSize));
  const MatrixGL view2object = world2object * m_matView2world;
  const MatrixGL object2view = m_matWorld2View * object2world;

  mDisplay->setShader(mSunShader);
  setUniform(mSunShader, "mat_view2object", view2object);
  setUniform(mSunShader, "mat_object2world", object2world);
  setUniform(mSunShader, "mat_object2view", object2view);
  setUniform(mSunShader, "factor", sinf(t * 0.001f) * 3.0f + 3.0f);
  setUniform(mSunShader, "factor3", t * 0.005f);
  setUniform(mSunShader, "spheriness", std::max(mSunShape.get(pTimer), 0.0f));
  setUniform(mSunShader, "blobbiness", std::min(std::max(mSunBlob.get(pTimer) * 2.0f, 0.0f), 1.0f));
  setUniform(mSunShader, "cameraPosOS", world2object * (m_matView2world * Vector3f(0.0f, 0.0f, 0.0f)));

  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);

  mdo.setTransform(object2world);
  const float half = cubeSize / sunSize;
  mdo.drawBox(Vector3f(0.0f, 0.0f, 0.0f), Vector3f(half, half, half));

  glFrontFace(GL_CCW);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  mDisplay->setShader(nullptr);
}
