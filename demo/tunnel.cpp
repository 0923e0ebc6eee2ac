#include "tunnel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dis_display.h"
#include "dis_glinclude.h"

using zelkor::mathbase::Vector3f;
using zelkor::mathbase::Vector4f;

Tunnel::Tunnel()
    : mSegmentVD(24),
      mSegmentShader(nullptr),
      mSegmentReach(0.0f),
      mSegmentOneSidedBeyond(std::numeric_limits<float>::infinity()),
      mViewSlope{1.0f, 1.0f},
      mBaconShader(nullptr),
      mGreetShader(nullptr),
      mGreets(nullptr),
      mSprite(nullptr) {
  mSegment[0] = nullptr;
  cam.setIdentity();
  camInv.setIdentity();
  addPlugin("camera", mCamera);
  addPlugin("partFade", mParticleFade);
  addPlugin("partFade2", mParticleFade2);
  addPlugin("partCol", mParticleColor);
  addPlugin("partCol2", mParticleColor2);
}

// The mesh's buffers belong to the device, which outlives the effects.
Tunnel::~Tunnel() { delete mSegment[0]; }

void Tunnel::setup() {
  setupWalls();
  setupBacon();
}

Vector3f Tunnel::getSpline(float p) {
  const double x = 3.0 * std::sin(double(15.0f * p)) + 2.0 * std::cos(double(40.3f * p)) + std::sin(double(10.8f * p));
  const double y =
      3.0 * std::cos(double(15.0f * p)) + 2.0 * std::cos(double(40.23f * p)) + std::sin(double(10.45f * p));
  return Vector3f(float(x), float(y), 100.0f * p);
}

void Tunnel::getParticleColors(float pTimer, Vector4f col[2]) {
  const float alpha = std::max(mParticleFade.get(pTimer), 0.0f);
  const float alpha2 = std::max(mParticleFade2.get(pTimer), 0.0f);
  col[0] = Vector4f(mParticleColor.get(pTimer), alpha);
  col[1] = Vector4f(mParticleColor2.get(pTimer), alpha2);
}

void Tunnel::draw(float pTimer, float pDelta, float pPercent) {
  const zelkor::display::WindowMode& mode = mDisplay->getWindowMode();
  const float aspect = mode.height > 0 ? float(mode.width) / float(mode.height) : 1.0f;
  const float fovY = 55.0f * 3.14159265f / 180.0f;
  mdo.setProject(fovY, aspect, tunnel::kNear, 1720.0f);
  mViewSlope[1] = std::tan(0.5f * fovY);
  mViewSlope[0] = mViewSlope[1] * aspect;

  const float roll = mCamera.getRoll(pTimer);
  const Vector3f eye = getSpline(pPercent);
  const Vector3f target = getSpline(pPercent + 0.02f);
  cam.setCamera(eye, target, roll);
  camInv.setCameraInv(eye, target, roll);
  mdo.setCamera(cam);

  ::glClearColor(0.01f, 0.01f, 0.02f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  drawWalls(pTimer, pDelta, pPercent);
  drawBacon(pTimer, pDelta, pPercent);
}
