#include "ascii.h"

#include <algorithm>

#include "dis_display.h"
#include "mb_matrix4x4col.h"

using zelkor::display::TextureDeclaration;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Vector3f;

Ascii::Ascii() : mTexture(nullptr) { addPlugin("done", mDone); }

void Ascii::setup() {
  TextureDeclaration decl;
  decl.useMipmaps = false;
  mTexture = mDisplay->createTexture("ascii/ascii.png", decl, false);

  // A fixed seed: every run, and every process of a split render, lets the
  // cells fall in the same order.
  Random random(5);
  mChar.assign(COLUMNS * ROWS, Char());
  for (int y = 0; y < ROWS; ++y) {
    for (int x = 0; x < COLUMNS; ++x) {
      mChar[y * COLUMNS + x].mOffset = (ROWS - y) * 0.5f + random.uniform(0.0f, 0.5f);
    }
  }
}

void Ascii::draw(float pTimer, float, float pPercent) {
  if (mChar.size() != static_cast<size_t>(COLUMNS * ROWS) || !mTexture) return;  // not set up

  Matrix4x4Col identity;
  identity.setIdentity();
  Matrix4x4Col flip;
  flip.setScale(Vector3f(1.0f, -1.0f, 0.0f));  // rows downwards, z flattened
  ds.setProject(identity);
  ds.setCamera(identity);
  ds.setTransform(flip);

  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glEnable(GL_TEXTURE_2D);
  mDisplay->setShader(nullptr);
  mDisplay->setTexture(mTexture, 0);

  // the declaration holds the picture's size once the texture is bound
  const TextureDeclaration& decl = mTexture->getDeclaration();
  const float texw = static_cast<float>(decl.width);
  const float texh = static_cast<float>(decl.height);
  const float cw = 1.0f / (texw / CELL);
  const float ch = 1.0f / (texh / CELL);
  const float w = texw / static_cast<float>(mDisplay->getWindowMode().width);
  const float h = texh / static_cast<float>(mDisplay->getWindowMode().height);
  const float dw = 2.0f * w / COLUMNS;
  const float dh = 2.0f * h / ROWS;
  const float brightness = std::min(pPercent * 8.0f, 1.0f);

  glBegin(GL_QUADS);
  for (int y = 0; y < ROWS; ++y) {
    for (int x = 0; x < COLUMNS; ++x) {
      glColor3f(brightness, brightness, brightness);
      const float offset = std::max(pTimer * 3.5f - 15.5f - mChar[y * COLUMNS + x].mOffset, 0.0f);
      const float ox = (x - COLUMNS / 2) * dw;
      const float oy = (y - ROWS / 2) * dh + offset;
      const float tox = x * cw;
      const float toy = y * ch;
      glTexCoord2f(tox, toy);
      glVertex2f(ox, oy);
      glTexCoord2f(tox + cw, toy);
      glVertex2f(ox + dw, oy);
      glTexCoord2f(tox + cw, toy + ch);
      glVertex2f(ox + dw, oy + dh);
      glTexCoord2f(tox, toy + ch);
      glVertex2f(ox, oy + dh);
    }
  }
  glEnd();

  mDisplay->setTexture(nullptr, 0);
  glDisable(GL_TEXTURE_2D);
}
