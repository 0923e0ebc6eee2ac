#include "end.h"

#include "dis_display.h"
#include "mb_matrix4x4col.h"

using zelkor::display::TextureDeclaration;
using zelkor::mathbase::Matrix4x4Col;

End::End() : mTexture(nullptr) { addPlugin("alpha", mAlpha); }

void End::setup() { mTexture = mDisplay->createTexture("cred/end.png", TextureDeclaration(), false); }

void End::draw(float pTimer, float, float) {
  if (!mTexture) return;  // not set up

  Matrix4x4Col identity;
  identity.setIdentity();
  mdo.setProject(identity);
  mdo.setCamera(identity);
  mdo.setTransform(identity);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  mDisplay->setShader(nullptr);
  mDisplay->setFBO(nullptr);

  const float w = 512.0f / static_cast<float>(mDisplay->getWindowMode().width);
  const float h = 256.0f / static_cast<float>(mDisplay->getWindowMode().height);
  mDisplay->setTexture(mTexture, 0);

  const float level = mAlpha.get(pTimer);
  glColor3f(level, level, level);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-w, h);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(w, h);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(w, -h);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-w, -h);
  glEnd();

  mDisplay->setTexture(nullptr, 0);
  glDisable(GL_TEXTURE_2D);
}
