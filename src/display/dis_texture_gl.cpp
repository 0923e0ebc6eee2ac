#include "dis_texture_gl.h"

#include <algorithm>
#include <vector>

#include "dis_display.h"
#include "zlk_system.h"

namespace zelkor {
namespace display {

namespace {

bool isPowerOfTwo(int value) { return value > 0 && (value & (value - 1)) == 0; }

int nextPowerOfTwo(int value) {
  int result = 1;
  while (result < value && result < (1 << 30)) result <<= 1;
  return result;
}

// The largest power of two not above `value`.
int floorPowerOfTwo(int value) {
  int result = 1;
  while (result * 2 <= value && result < (1 << 30)) result <<= 1;
  return result;
}

// Pixel rows of uploads and scaling are tightly packed, whatever the caller
// left in the pixel store.
class TightPixelStore {
 public:
  TightPixelStore() {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  }
  ~TightPixelStore() { glPopClientAttrib(); }
  TightPixelStore(const TightPixelStore&) = delete;
  TightPixelStore& operator=(const TightPixelStore&) = delete;
};

}  // namespace

Texture_GL::Texture_GL(DisplayGL* display, const std::string& filename, const TextureDeclaration& decl)
    : Texture(display), mRestoreFilename(filename), mTargetGL(0), mFormatGL(0), mTexture(0), mUploadWidth(0),
      mUploadHeight(0) {
  initDecl(decl);
}

Texture_GL::Texture_GL(DisplayGL* display, const am::Image& image, const TextureDeclaration& decl)
    : Texture(display), mRestoreImage(image), mTargetGL(0), mFormatGL(0), mTexture(0), mUploadWidth(0),
      mUploadHeight(0) {
  initDecl(decl);
}

Texture_GL::Texture_GL(DisplayGL* display, const TextureDeclaration& decl)
    : Texture(display), mTargetGL(0), mFormatGL(0), mTexture(0), mUploadWidth(0), mUploadHeight(0) {
  initDecl(decl);
}

Texture_GL::~Texture_GL() {
  try {
    if (!mDisposed) disposeResource(false);
  } catch (const Exception&) {
    // logged when raised; the texture goes away regardless
  }
}

void Texture_GL::initDecl(const TextureDeclaration& decl) {
  mDecl = decl;
  if (mDecl.target == TARGET_DEFAULT) mDecl.target = TARGET_2D;
  if (mDecl.channelFormat == FORMAT_DEFAULT) mDecl.channelFormat = FORMAT_UINT8;
  if (mDecl.channelType == CHAN_DEFAULT) mDecl.channelType = CHAN_RGBA;
  // depth values have no mipmap chain; asking for one would leave the
  // texture incomplete
  if (mDecl.channelType == CHAN_DEPTH) mDecl.useMipmaps = false;

  switch (mDecl.target) {
    case TARGET_1D: mTargetGL = GL_TEXTURE_1D; break;
    case TARGET_3D: mTargetGL = GL_TEXTURE_3D; break;
    case TARGET_CUBE: mTargetGL = GL_TEXTURE_CUBE_MAP; break;
    default: mTargetGL = GL_TEXTURE_2D; break;
  }

  const ChannelFormat f = mDecl.channelFormat;
  mFormatGL = 0;
  switch (mDecl.channelType) {
    case CHAN_RGB:
      if (f == FORMAT_UINT8) mFormatGL = GL_RGB8;
      if (f == FORMAT_UINT16 || f == FORMAT_HDR) mFormatGL = GL_RGB16;
      if (f == FORMAT_F16) mFormatGL = GL_RGB16F_ARB;
      if (f == FORMAT_F32) mFormatGL = GL_RGB32F_ARB;
      break;
    case CHAN_RGBA:
      if (f == FORMAT_UINT8) mFormatGL = GL_RGBA8;
      if (f == FORMAT_UINT16 || f == FORMAT_HDR) mFormatGL = GL_RGBA16;
      if (f == FORMAT_F16) mFormatGL = GL_RGBA16F_ARB;
      if (f == FORMAT_F32) mFormatGL = GL_RGBA32F_ARB;
      break;
    case CHAN_LA:
      if (f == FORMAT_UINT8) mFormatGL = GL_LUMINANCE8_ALPHA8;
      if (f == FORMAT_UINT16 || f == FORMAT_HDR) mFormatGL = GL_LUMINANCE16_ALPHA16;
      if (f == FORMAT_F16) mFormatGL = GL_LUMINANCE_ALPHA16F_ARB;
      if (f == FORMAT_F32) mFormatGL = GL_LUMINANCE_ALPHA32F_ARB;
      break;
    case CHAN_RED:
      if (f == FORMAT_UINT8) mFormatGL = GL_R8;
      if (f == FORMAT_UINT16 || f == FORMAT_HDR) mFormatGL = GL_R16;
      if (f == FORMAT_F16) mFormatGL = GL_R16F;
      if (f == FORMAT_F32) mFormatGL = GL_R32F;
      break;
    case CHAN_DEPTH:
      if (f == FORMAT_UINT16) mFormatGL = GL_DEPTH_COMPONENT16;
      if (f == FORMAT_UINT24) mFormatGL = GL_DEPTH_COMPONENT24;
      if (f == FORMAT_UINT32) mFormatGL = GL_DEPTH_COMPONENT32;
      break;
    default:
      break;
  }
  if (mFormatGL == 0) throw Exception("Unknown mFormatGL for texture");
  mRequested = mDecl;
}

void Texture_GL::bind() {
  if (mDisposed) restoreResource();
  GL_CHECK(glBindTexture(mTargetGL, mTexture));
}

void Texture_GL::unbind() { GL_CHECK(glBindTexture(mTargetGL, 0)); }

void Texture_GL::updateMipmaps() {
  DIS_ASSERT(!mDisposed);
  DIS_ASSERT(mDecl.useMipmaps);
  GL_CHECK(glGenerateMipmapEXT(mTargetGL));
}

void Texture_GL::disposeResource(bool contextLost) {
  DIS_ASSERT(!mDisposed);
  if (!contextLost && mTexture != 0) GL_CHECK(glDeleteTextures(1, &mTexture));
  mTexture = 0;
  mUploadWidth = mUploadHeight = 0;
  mDisposed = true;
}

void Texture_GL::restoreResource() {
  DIS_ASSERT(mDisposed);
  am::Image image = mRestoreImage;
  if (image.isNull() && !mRestoreFilename.empty()) image = loadImage(mRestoreFilename, false);
  DIS_ASSERT(mDecl.target!=Texture::TARGET_CUBE);
  init(image);
  mDisposed = false;
}

void Texture_GL::init(const am::Image& image) {
  GL_CHECK_STATUS();
  const char* name = mRestoreFilename.empty() ? "unknown" : mRestoreFilename.c_str();
  // every build starts from what was asked for, so a rebuild after a
  // dispose uploads exactly what the first build did
  mDecl = mRequested;
  const bool isFloat = mDecl.channelFormat == FORMAT_F16 || mDecl.channelFormat == FORMAT_F32;
  if (isFloat && !mDisplay->hasExtension("GL_ARB_texture_float")) {
    throw Exception("OpenGL does not support float-textures on this computer!");
  }
  if (mDecl.target == TARGET_3D) throw Exception("Texture_GL; 3d-textures are not supported ('%s')", name);
  const bool is1D = mDecl.target == TARGET_1D;

  int imageWidth = 0;
  int imageHeight = 0;
  if (!image.isNull()) {
    imageWidth = image->getWidth();
    imageHeight = image->getHeight();
    if (is1D) {
      if (imageWidth > 1 && imageHeight > 1) throw Exception("Loaded 1d-texture but both dimensions are non-1!");
      // a single column is used as a row
      imageWidth = std::max(imageWidth, imageHeight);
      imageHeight = 1;
    }
    if (mDecl.width == -1) mDecl.width = imageWidth;
    if (mDecl.height == -1) mDecl.height = imageHeight;
    if (!mDecl.useMipmaps && !(isPowerOfTwo(mDecl.width) && isPowerOfTwo(mDecl.height)) &&
        !mDisplay->hasExtension("GL_ARB_texture_non_power_of_two")) {
      mDecl.width = nextPowerOfTwo(mDecl.width);
      mDecl.height = nextPowerOfTwo(mDecl.height);
    }
  } else {
    DIS_ASSERT(mDecl.width!=-1 && mDecl.height!=-1);
  }
  if (is1D) mDecl.height = 1;
  if (mDecl.width <= 0 || mDecl.height <= 0) {
    throw Exception("Texture '%s' has no texels (%dx%d)", name, mDecl.width, mDecl.height);
  }

  // Pictures larger than the GPU takes are scaled down to its limit (a power
  // of two where it needs them) instead of failing in the driver.
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (maxSize > 0 && (mDecl.width > maxSize || mDecl.height > maxSize)) {
    if (image.isNull()) {
      throw Exception("Texture '%s' of %dx%d is larger than the GPU allows (%d)", name, mDecl.width, mDecl.height,
                      maxSize);
    }
    const int limit = isPowerOfTwo(mDecl.width) && isPowerOfTwo(mDecl.height) ? floorPowerOfTwo(maxSize) : maxSize;
    ZLK_LOG("warning", "display", "Picture '%s' of %dx%d is larger than the GPU allows (%d); it is scaled down", name,
            mDecl.width, mDecl.height, maxSize);
    mDecl.width = std::min(mDecl.width, limit);
    mDecl.height = std::min(mDecl.height, limit);
  }

  GLint old_1D = 0, old_2D = 0, old_3D = 0, old_Cube = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_1D, &old_1D);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &old_2D);
  glGetIntegerv(GL_TEXTURE_BINDING_3D, &old_3D);
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &old_Cube);
  const auto rebindOld = [&] {
    GL_CHECK(glBindTexture(GL_TEXTURE_1D, old_1D));
    GL_CHECK(glBindTexture(GL_TEXTURE_2D, old_2D));
    GL_CHECK(glBindTexture(GL_TEXTURE_3D, old_3D));
    GL_CHECK(glBindTexture(GL_TEXTURE_CUBE_MAP, old_Cube));
  };

  try {
    GL_CHECK(glGenTextures( 1, &mTexture ));
    GL_CHECK(glBindTexture(mTargetGL, mTexture ));
    try {
      upload(image);
    } catch (const Exception&) {
      throw Exception("Could not construct gl-image for '%s' of size %dx%d.", name, mDecl.width, mDecl.height);
    }
    const int mode = mDecl.repeatMode;
    GL_CHECK(glTexParameteri(mTargetGL, GL_TEXTURE_MAG_FILTER, GL_LINEAR));
    const GLint mipmapFilter = mDecl.blendMipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
    GL_CHECK(glTexParameteri(mTargetGL, GL_TEXTURE_MIN_FILTER, mDecl.useMipmaps ? mipmapFilter : GL_LINEAR));
    GL_CHECK(glTexParameteri(mTargetGL,GL_TEXTURE_WRAP_S, (mode&Texture::REPEAT_X) ? GL_REPEAT : GL_CLAMP_TO_EDGE));
    GL_CHECK(glTexParameteri(mTargetGL,GL_TEXTURE_WRAP_T, (mode&Texture::REPEAT_Y) ? GL_REPEAT : GL_CLAMP_TO_EDGE));
    GL_CHECK(glTexParameteri(mTargetGL,GL_TEXTURE_WRAP_R, (mode&Texture::REPEAT_Z) ? GL_REPEAT : GL_CLAMP_TO_EDGE));
    rebindOld();
  } catch (const Exception&) {
    // a failed build leaves no texture behind and the bindings as they were
    while (glGetError() != GL_NO_ERROR) {
    }
    if (mTexture != 0) glDeleteTextures(1, &mTexture);
    mTexture = 0;
    glBindTexture(GL_TEXTURE_1D, old_1D);
    glBindTexture(GL_TEXTURE_2D, old_2D);
    glBindTexture(GL_TEXTURE_3D, old_3D);
    glBindTexture(GL_TEXTURE_CUBE_MAP, old_Cube);
    mDecl = mRequested;
    throw;
  }

  mUploadWidth = mDecl.width;
  mUploadHeight = mDecl.height;
  // a texture made from a file reports the picture's own size
  if (!mRestoreFilename.empty() && !image.isNull()) {
    mDecl.width = imageWidth;
    mDecl.height = imageHeight;
  }
}

void Texture_GL::upload(const am::Image& image) {
  const GLenum target = mTargetGL;
  const GLint format = mFormatGL;
  const size_t texels = static_cast<size_t>(mDecl.width) * static_cast<size_t>(mDecl.height);
  TightPixelStore pixelStore;

  if (mDecl.channelType == CHAN_DEPTH) {
    // depth is uploaded as depth values; only empty depth textures exist
    if (!image.isNull()) throw Exception("Texture_GL; a depth texture can not be made from a picture");
    const std::vector<float> zeros(texels, 0.0f);
    const float* data = zeros.data();
    if (target == GL_TEXTURE_1D) {
      GL_CHECK(glTexImage1D(target, 0, format, mDecl.width, 0, GL_DEPTH_COMPONENT, GL_FLOAT, data));
    } else {
      GL_CHECK(glTexImage2D(target, 0, format, mDecl.width, mDecl.height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, data));
    }
    return;
  }

  std::vector<unsigned char> buffer;
  const unsigned char* data = nullptr;
  if (image.isNull()) {
    buffer.assign(texels * 4, 0);
    data = buffer.data();
  } else {
    const int imageWidth = target == GL_TEXTURE_1D ? image->getWidth() * image->getHeight() : image->getWidth();
    const int imageHeight = target == GL_TEXTURE_1D ? 1 : image->getHeight();
    if (imageWidth == mDecl.width && imageHeight == mDecl.height) {
      data = image->getData();
    } else {
      ZLK_LOG("warning", "display", "Warning: Manually rescaling picture '%s'!", mRestoreFilename.c_str());
      buffer.resize(texels * 4);
      const GLint scaled = gluScaleImage(GL_RGBA, imageWidth, imageHeight, GL_UNSIGNED_BYTE, image->getData(),
                                         mDecl.width, mDecl.height, GL_UNSIGNED_BYTE, buffer.data());
      if (scaled != 0) {
        throw Exception("Error %s when scaling image", reinterpret_cast<const char*>(gluErrorString(scaled)));
      }
      data = buffer.data();
    }
  }

  // The GPU builds the mipmap chain at the texture's own size where it can;
  // the GLU builder rescales to powers of two and is only the fallback.
  const bool gpuMipmaps = mDecl.useMipmaps && mDisplay->supportsFBO() && glGenerateMipmapEXT != nullptr &&
                          ((isPowerOfTwo(mDecl.width) && isPowerOfTwo(mDecl.height)) ||
                           mDisplay->hasExtension("GL_ARB_texture_non_power_of_two"));
  if (target == GL_TEXTURE_1D) {
    if (mDecl.useMipmaps && !gpuMipmaps) {
      const GLint built = gluBuild1DMipmaps(target, format, mDecl.width, GL_BGRA, GL_UNSIGNED_BYTE, data);
      GL_REPORT_ERROR(__FILE__, __LINE__, "gluBuild1DMipmaps(target, format, mDecl.width, GL_BGRA, GL_UNSIGNED_BYTE, data)");
      if (built != 0) throw Exception("Error %s when building mipmaps", reinterpret_cast<const char*>(gluErrorString(built)));
      return;
    }
    GL_CHECK(glTexImage1D(target, 0, format, mDecl.width, 0, GL_BGRA,GL_UNSIGNED_BYTE, data));
  } else {
    if (mDecl.useMipmaps && !gpuMipmaps) {
      const GLint built = gluBuild2DMipmaps(target, format, mDecl.width, mDecl.height, GL_BGRA, GL_UNSIGNED_BYTE, data);
      GL_REPORT_ERROR(__FILE__, __LINE__,
                      "gluBuild2DMipmaps(target, format, mDecl.width, mDecl.height, GL_BGRA, GL_UNSIGNED_BYTE, data)");
      if (built != 0) throw Exception("Error %s when building mipmaps", reinterpret_cast<const char*>(gluErrorString(built)));
      return;
    }
    GL_CHECK(glTexImage2D(target, 0, format, mDecl.width, mDecl.height, 0, GL_BGRA,GL_UNSIGNED_BYTE, data));
  }
  if (gpuMipmaps) GL_CHECK(glGenerateMipmapEXT(target));
}

}  // namespace display
}  // namespace zelkor
