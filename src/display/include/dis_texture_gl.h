#pragma once
// Textures on OpenGL, made from an archive file, from an image in memory or
// empty from a declaration. Each remembers its source so that it can be
// rebuilt after the device disposed it.

#include <string>

#include "am_image.h"
#include "dis_glinclude.h"
#include "dis_resource.h"

namespace zelkor {
namespace display {

class Texture_GL : public Texture {
 public:
  // From an archive file, read when the texture is first bound.
  Texture_GL(DisplayGL* display, const std::string& filename, const TextureDeclaration& decl);
  // From an image, which the texture keeps for rebuilding.
  Texture_GL(DisplayGL* display, const am::Image& image, const TextureDeclaration& decl);
  // Empty (zero) contents of the declared size.
  Texture_GL(DisplayGL* display, const TextureDeclaration& decl);
  ~Texture_GL() override;

  void disposeResource(bool contextLost) override;
  void restoreResource() override;
  void updateMipmaps() override;
  const TextureDeclaration& getDeclaration() const override { return mDecl; }

  // Restores first when disposed.
  void bind();
  void unbind();
  // Live editing: reads the picture again and puts it in place (same
  // texture, same declaration). A picture that no longer decodes leaves the
  // texture as it was and throws.
  void reload();

  GLenum getTargetGL() const { return mTargetGL; }
  GLint getFormatGL() const { return mFormatGL; }
  GLuint getTextureGL() const { return mTexture; }
  const std::string& getFilename() const { return mRestoreFilename; }
  // The size the texels were uploaded at (the declared size, raised to powers
  // of two where the GPU needs them); 0 while disposed.
  int getUploadWidth() const { return mUploadWidth; }
  int getUploadHeight() const { return mUploadHeight; }

 private:
  void initDecl(const TextureDeclaration& decl);
  void init(const am::Image& image);
  void upload(const am::Image& image);

  // Live editing, when the picture broke: the texels that show now are kept
  // as the picture a rebuild after a dispose uses, until the file decodes again.
  void keepRunningPicture();

  bool mRunningPicture = false;   // mRestoreImage holds the texels of a broken picture's texture
  TextureDeclaration mRequested;  // resolved as asked for; every rebuild starts from it
  TextureDeclaration mDecl;
  std::string mRestoreFilename;
  am::Image mRestoreImage;
  GLenum mTargetGL;
  GLint mFormatGL;
  GLuint mTexture;
  int mUploadWidth;
  int mUploadHeight;
};

}  // namespace display
}  // namespace zelkor
