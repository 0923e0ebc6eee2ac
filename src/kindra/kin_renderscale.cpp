#include "kin_renderscale.h"

#include "dis_display_obsolete.h"
#include "dis_glinclude.h"
#include "mb_matrix4x4col.h"

namespace zelkor {
namespace kindra {

RenderScale::RenderScale(display::DisplayGL* display)
    : mDisplay(display), mTarget(nullptr), mPicture(nullptr), mActive(false) {}

RenderScale::~RenderScale() { release(); }

void RenderScale::release() {
  if (mDisplay && mDisplay->getScreenTarget() == mTarget) mDisplay->setScreenTarget(nullptr);
  if (mTarget) mTarget->destroy();
  if (mPicture) mPicture->destroy();
  mTarget = nullptr;
  mPicture = nullptr;
}

void RenderScale::begin() {
  mActive = mDisplay->getRenderScale() < 1.0f && mDisplay->supportsFBO();
  if (!mActive) return;
  const int width = mDisplay->getRenderWidth();
  const int height = mDisplay->getRenderHeight();
  if (mTarget && (mTarget->getWidth() != width || mTarget->getHeight() != height)) release();
  if (!mTarget) {
    display::TextureDeclaration decl(width, height);
    decl.channelType = display::Texture::CHAN_RGBA;
    decl.channelFormat = display::Texture::FORMAT_UINT8;
    decl.target = display::Texture::TARGET_2D;
    decl.repeatMode = 0;
    decl.useMipmaps = false;
    mPicture = mDisplay->createTexture(decl);
    mTarget = mDisplay->createFBO(width, height, true);
    mTarget->attach(display::FBO::COLOR0, mPicture);
  }
  mDisplay->setScreenTarget(mTarget);
  mDisplay->setFBO(nullptr);
}

void RenderScale::end() {
  if (!mActive) return;
  mActive = false;
  mDisplay->setScreenTarget(nullptr);
  mDisplay->setFBO(nullptr);
  mDisplay->setShader(nullptr);
  mathbase::Matrix4x4Col identity;
  identity.setIdentity();
  display::DisplayObsolete::setProject(identity);
  display::DisplayObsolete::setCamera(identity);
  display::DisplayObsolete::setTransform(identity);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  mDisplay->setTexture(mPicture, 0);
  // the picture has one level: linear both ways
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  display::DisplayObsolete::drawScreenQuad();
  glDisable(GL_TEXTURE_2D);
  mDisplay->setTexture(nullptr, 0);
}

}  // namespace kindra
}  // namespace zelkor
