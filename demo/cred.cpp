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

  // a tile's wobble depends on its column or on its row alone
  const int columns = 2 * nrx;
  const int rows = 2 * nry;
  mWobble.resize(2 * columns + 2 * rows);
  float* const xoff = mWobble.data();
  float* const xoff2 = xoff + columns;
  float* const yoff = xoff2 + columns;
  float* const yoff2 = yoff + rows;
  for (int x = 0; x < columns; ++x) {
    const float xmod = sinf(x * 5.1f + pTimer * 2.5f) * cosf(x * 1.2f + pTimer * 1.4f);
    const float xmod2 = cosf((x + 1) * 5.1f + pTimer * 3.5f) * cosf((x + 1) * 1.2f + pTimer * 2.4f);
    xoff[x] = xmod * out * 0.1f;
    xoff2[x] = xmod2 * out * 0.1f;
  }
  for (int y = 0; y < rows; ++y) {
    const float ymod = sinf(y * 5.1f + pTimer * 5.5f);
    const float ymod2 = cosf((y + 1) * 5.1f + pTimer * 5.5f);
    yoff[y] = ymod * out * 0.1f;
    yoff2[y] = ymod2 * out * 0.1f;
  }

  // the tiles as one array of quads (u, v, x, y per corner), drawn at once
  mQuads.resize(static_cast<size_t>(columns) * rows * 16);
  float* q = mQuads.data();
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      const float ua = static_cast<float>(x) / (2 * nrx);
      const float ub = ua + 1.0f / (2 * nrx);
      const float va = vm1 + y * (vm2 - vm1) / (2 * nry);
      const float vb = va + (vm2 - vm1) / (2 * nry);

      const float left = x * dx - hw;
      const float top = hh - y * dy;
      const float xx = left + xoff[x];
      const float xx2 = (left + dx) + xoff2[x];
      const float yy = top + yoff[y];
      const float yy2 = (top - dy) + yoff2[y];

      const float corners[16] = {ua, va, xx, yy, ub, va, xx2, yy, ub, vb, xx2, yy2, ua, vb, xx, yy2};
      for (float c : corners) *q++ = c;
    }
  }
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  mDisplay->setVBO(nullptr);  // the arrays are read from memory
  glClientActiveTexture(GL_TEXTURE0);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), mQuads.data());
  glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), mQuads.data() + 2);
  glDrawArrays(GL_QUADS, 0, columns * rows * 4);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);

  mDisplay->setTexture(nullptr, 0);
  glDisable(GL_TEXTURE_2D);
}
