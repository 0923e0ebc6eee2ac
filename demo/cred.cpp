#include "cred.h"

#include <cmath>

#include "dis_display.h"
#include "mb_matrix4x4col.h"

using zelkor::display::TextureDeclaration;
using zelkor::mathbase::Matrix4x4Col;

Cred::Cred() : mTexture(nullptr) {}

void Cred::setup() {
  TextureDeclaration decl;
  decl.useMipmaps = false;
  mTexture = mDisplay->createTexture("cred/cred.png", decl, false);
}

void Cred::draw(float pTimer, float, float pPercent) {
  if (!mTexture) return;  // not set up

  Matrix4x4Col identity;
  identity.setIdentity();
  ds.setProject(identity);
  ds.setCamera(identity);
  ds.setTransform(identity);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_TEXTURE_2D);
  for (int channel = 7; channel >= 0; --channel) mDisplay->setTexture(nullptr, channel);
  mDisplay->setShader(nullptr);
  mDisplay->setTexture(mTexture, 0);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);

  // the quarter of the picture (a strip in v) for this quarter of the effect
  const float vm1 = std::trunc(pPercent * 4.0f) * 0.25f;
  const float vm2 = vm1 + 0.25f;

  const float hw = 1024.0f / static_cast<float>(mDisplay->getWindowMode().width);
  const float hh = 256.0f / static_cast<float>(mDisplay->getWindowMode().height);
  const int blocksize = 8;
  const int nrx = 1024 / blocksize;
  const int nry = 256 / blocksize;
  const float dx = hw / nrx;
  const float dy = hh / nry;

  const float alpha = std::fabs(2.0f * sinf(pPercent * 4.0f * static_cast<float>(M_PI)));
  // the tiles part only in the second half of each quarter
  const float out = std::fmax(std::fmod(pPercent * 4.0f, 1.0f) * 2.0f - 1.0f, 0.0f);

  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  glBegin(GL_QUADS);
  for (int y = 0; y < 2 * nry; ++y) {
    for (int x = 0; x < 2 * nrx; ++x) {
      const float ua = static_cast<float>(x) / (2 * nrx);
      const float ub = ua + 1.0f / (2 * nrx);
      const float va = vm1 + y * (vm2 - vm1) / (2 * nry);
      const float vb = va + (vm2 - vm1) / (2 * nry);

      float xx = x * dx - hw;
      float xx2 = xx + dx;
      float yy = hh - y * dy;
      float yy2 = yy - dy;

      const float xmod = sinf(x * 5.1f + pTimer * 2.5f) * cosf(x * 1.2f + pTimer * 1.4f);
      const float xmod2 = cosf((x + 1) * 5.1f + pTimer * 3.5f) * cosf((x + 1) * 1.2f + pTimer * 2.4f);
      const float ymod = sinf(y * 5.1f + pTimer * 5.5f);
      const float ymod2 = cosf((y + 1) * 5.1f + pTimer * 5.5f);
      xx += xmod * out * 0.1f;
      xx2 += xmod2 * out * 0.1f;
      yy += ymod * out * 0.1f;
      yy2 += ymod2 * out * 0.1f;

      glTexCoord2f(ua, va);
      glVertex2f(xx, yy);
      glTexCoord2f(ub, va);
      glVertex2f(xx2, yy);
      glTexCoord2f(ub, vb);
      glVertex2f(xx2, yy2);
      glTexCoord2f(ua, vb);
      glVertex2f(xx, yy2);
    }
  }
  glEnd();

  mDisplay->setTexture(nullptr, 0);
  glDisable(GL_TEXTURE_2D);
}
