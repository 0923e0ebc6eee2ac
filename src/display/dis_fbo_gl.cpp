#include "dis_fbo_gl.h"

#include <cstdio>

#include "dis_display.h"
#include "dis_texture_gl.h"
#include "zlk_system.h"

namespace zelkor {
namespace display {

GLenum FBO_GL::getAttachmentGL(Attachment attachment) {
  switch (attachment) {
    case COLOR0: return GL_COLOR_ATTACHMENT0_EXT;
    case COLOR1: return GL_COLOR_ATTACHMENT1_EXT;
    case COLOR2: return GL_COLOR_ATTACHMENT2_EXT;
    case COLOR3: return GL_COLOR_ATTACHMENT3_EXT;
    case DEPTH: return GL_DEPTH_ATTACHMENT_EXT;
    case STENCIL: return GL_STENCIL_ATTACHMENT_EXT;
  }
  DIS_ASSERT(attachment>=COLOR0 && attachment<=STENCIL);
  return 0;
}

FBO_GL::FBO_GL(DisplayGL* display, int width, int height, bool addZ)
    : FBO(display), mRenderZ(addZ), mScreenX(width), mScreenY(height), mFrameBuffer(0), mDepthTexture(0) {
  DIS_ASSERT(width!=0);
  DIS_ASSERT(height!=0);
  DIS_ASSERT(width > 0 && height > 0);
}

FBO_GL::~FBO_GL() {
  dettachAll();
  try {
    if (!mDisposed) disposeResource(false);
  } catch (const Exception&) {
    // logged when raised; the target goes away regardless
  }
}

void FBO_GL::attach(Attachment attachment, Texture* texture) {
  DIS_ASSERT(texture!=0);
  const GLenum attachmentGL = getAttachmentGL(attachment);
  Texture_GL* textureGL = static_cast<Texture_GL*>(texture);
  textureGL->incRef();
  attachments.push_back(Entry{attachment, attachmentGL, textureGL});
}

void FBO_GL::dettachAll() {
  std::vector<Entry> entries;
  entries.swap(attachments);
  for (const Entry& e : entries) e.texture->destroy();
}

void FBO_GL::bind() {
  if (mDisposed) restoreResource();
  GL_CHECK(glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mFrameBuffer));
  // only colour attachments are draw buffers
  std::vector<GLenum> buffers;
  for (const Entry& e : attachments) {
    if (e.attachment <= COLOR3) buffers.push_back(e.attachmentGL);
  }
  if (buffers.empty()) {
    GL_CHECK(glDrawBuffer(GL_NONE));
  } else {
    GL_CHECK(glDrawBuffers(static_cast<GLsizei>(buffers.size()), buffers.data()));
  }
  GL_CHECK(glViewport(0, 0, mScreenX, mScreenY));
}

void FBO_GL::unbind() {
  GL_CHECK(glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0));
  const WindowMode& mode = mDisplay->getWindowMode();
  GL_CHECK(glViewport(0, 0, mode.width, mode.height));
}

void FBO_GL::releaseGL() {
  if (mFrameBuffer != 0) GL_CHECK(glDeleteFramebuffersEXT(1, &mFrameBuffer));
  if (mDepthTexture != 0) GL_CHECK(glDeleteRenderbuffersEXT(1, &mDepthTexture));
  mFrameBuffer = 0;
  mDepthTexture = 0;
}

void FBO_GL::restoreResource() {
  DIS_ASSERT(mDisposed);
  if (!mDisplay->hasExtension("GL_EXT_framebuffer_object")) {
    throw Exception("Display::FBO_GL; Render Targets not supported [GL_EXT_framebuffer_object]");
  }
  // building leaves the target that was current current
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
  try {
    GL_CHECK(glGenFramebuffersEXT(1, &mFrameBuffer));
    GL_CHECK(glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mFrameBuffer));
    for (const Entry& e : attachments) {
      if (e.texture->isDisposed()) e.texture->restoreResource();
      const TextureDeclaration& decl = e.texture->getDeclaration();
      // the texels themselves must have the target's size too
      if (decl.width != mScreenX || decl.height != mScreenY || e.texture->getUploadWidth() != mScreenX ||
          e.texture->getUploadHeight() != mScreenY) {
        throw Exception("FBO_GL::restoreResource; Texture dimension doesn't match FBO dimensions!");
      }
      const GLenum targetGL = e.texture->getTargetGL();
      const GLuint textureGL = e.texture->getTextureGL();
      GL_CHECK(glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, e.attachmentGL, targetGL, textureGL, 0));
    }
    if (mRenderZ) {
      GL_CHECK(glGenRenderbuffersEXT(1, &mDepthTexture));
      GL_CHECK(glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, mDepthTexture));
      GL_CHECK(glRenderbufferStorageEXT( GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, mScreenX, mScreenY ));
      GL_CHECK(glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT,GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, mDepthTexture ));
      GL_CHECK(glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0));
    }
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    const char* problem = nullptr;
    switch (status) {
      case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT: problem = "Framebuffer incomplete, missing attachment"; break;
      case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT: problem = "Framebuffer incomplete, attached images must have same dimensions"; break;
      case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT: problem = "Framebuffer incomplete, attached images must have same format"; break;
      case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT: problem = "Framebuffer incomplete, missing draw buffer"; break;
      case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT: problem = "Framebuffer incomplete, missing read buffer"; break;
      case GL_FRAMEBUFFER_UNSUPPORTED_EXT: problem = "Unsupported framebuffer format"; break;
      default: break;
    }
    if (problem) {
      std::printf("%s\n", problem);
      std::fflush(stdout);
    }
    GL_CHECK(glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previous));
  } catch (const Exception&) {
    // nothing half-built stays behind
    while (glGetError() != GL_NO_ERROR) {
    }
    if (mFrameBuffer != 0) glDeleteFramebuffersEXT(1, &mFrameBuffer);
    if (mDepthTexture != 0) glDeleteRenderbuffersEXT(1, &mDepthTexture);
    mFrameBuffer = 0;
    mDepthTexture = 0;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previous);
    throw;
  }
  mDisposed = false;
}

void FBO_GL::disposeResource(bool contextLost) {
  DIS_ASSERT(!mDisposed);
  if (!contextLost) releaseGL();
  mFrameBuffer = 0;
  mDepthTexture = 0;
  mDisposed = true;
}

}  // namespace display
}  // namespace zelkor
