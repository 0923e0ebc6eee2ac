#pragma once
// Render targets on the framebuffer-object extension: textures attached as
// colour (or depth) buffers and an optional depth renderbuffer.

#include <vector>

#include "dis_glinclude.h"
#include "dis_resource.h"

namespace zelkor {
namespace display {

class Texture_GL;

class FBO_GL : public FBO {
 public:
  struct Entry {
    Attachment attachment;
    GLenum attachmentGL;
    Texture_GL* texture;  // one reference held
  };

  FBO_GL(DisplayGL* display, int width, int height, bool addZ);
  ~FBO_GL() override;

  int getWidth() const override { return mScreenX; }
  int getHeight() const override { return mScreenY; }
  void attach(Attachment attachment, Texture* texture) override;
  void dettachAll() override;
  void disposeResource(bool contextLost) override;
  void restoreResource() override;

  // Builds the target when disposed, draws into it, viewport = its size.
  void bind();
  // Back to the window, viewport = the whole window.
  void unbind();

  GLuint getFrameBufferGL() const { return mFrameBuffer; }
  GLuint getDepthBufferGL() const { return mDepthTexture; }
  const std::vector<Entry>& getAttachments() const { return attachments; }

  static GLenum getAttachmentGL(Attachment attachment);

 private:
  void releaseGL();

  std::vector<Entry> attachments;
  bool mRenderZ;
  int mScreenX;
  int mScreenY;
  GLuint mFrameBuffer;
  GLuint mDepthTexture;
};

}  // namespace display
}  // namespace zelkor
