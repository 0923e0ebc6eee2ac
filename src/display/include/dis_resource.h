#pragma once
// GPU resources: the common base (reference count, device link, the
// disposed/restored lifecycle, file access through the device's archive) and
// the interfaces of textures, shaders, buffers and render targets. Resources
// are created only through the device, start disposed with one reference and
// are built on first use.

#include <string>
#include <vector>

#include "am.h"
#include "dis_vertexdef.h"
#include "mb_matrix4x4col.h"
#include "mb_vector2.h"
#include "mb_vector3.h"
#include "mb_vector4.h"

namespace zelkor {
namespace display {

class DisplayGL;

class Resource {
 public:
  // Registers itself with the device; starts disposed with one reference.
  explicit Resource(DisplayGL* pDisplay);
  // Leaves the device's registry if it is still there.
  virtual ~Resource();
  Resource(const Resource&) = delete;
  Resource& operator=(const Resource&) = delete;

  virtual DisplayGL* getDisplay() { return mDisplay; }
  virtual const DisplayGL* getDisplay() const { return mDisplay; }
  // Frees the GL objects and keeps what is needed to rebuild them; with
  // `contextLost` the GL objects are only forgotten.
  virtual void disposeResource(bool contextLost) = 0;
  virtual void restoreResource() = 0;
  // Releases the resources this one holds references on.
  virtual void dettachAll() {}

  bool isDisposed() const { return mDisposed; }
  int incRef() { return ++mReferences; }
  int decRef() { return --mReferences; }
  int getRef() const { return mReferences; }
  // Gives up one reference through the device; the last one deletes.
  void destroy();
  // True when the device has an archive to read files from.
  bool canLoad() const;

  // Reads a whole file through the device's archive; throws when there is no
  // archive or no such file.
  am::File loadFile(const std::string& filename);
  // Reads and decodes an image through the device's archive.
  am::Image loadImage(const std::string& filename, bool uniqueAccess);
  // Decodes image bytes already in memory; `filename` picks the codec.
  am::Image loadImage(const std::string& filename, const unsigned char* buf, long bufLen);

 protected:
  DisplayGL* mDisplay;
  bool mDisposed;
  int mReferences;
};

// ---------------------------------------------------------------- textures

class Texture : public Resource {
 public:
  enum Channels { CHAN_DEFAULT = 0, CHAN_ALPHA = 1, CHAN_RGB = 2, CHAN_RGBA = 3, CHAN_LA = 4, CHAN_DEPTH = 5,
                  // one channel a render target can be made of
                  CHAN_RED = 6 };
  enum ChannelFormat {
    FORMAT_DEFAULT = 0,
    FORMAT_UINT8 = 1,
    FORMAT_UINT16 = 2,
    FORMAT_UINT24 = 3,
    FORMAT_UINT32 = 4,
    FORMAT_F16 = 5,
    FORMAT_F32 = 6,
    FORMAT_HDR = 7
  };
  enum Target { TARGET_1D = 0, TARGET_2D = 1, TARGET_3D = 2, TARGET_CUBE = 3, TARGET_DEFAULT = 4 };
  enum RepeatMode { REPEAT_X = 1, REPEAT_Y = 2, REPEAT_Z = 4, REPEAT_XYZ = 7 };

  // The full description of a texture; also the texture cache's key.
  struct TextureDeclaration {
    int width = -1;   // -1: the image's
    int height = -1;  // -1: the image's
    Channels channelType = CHAN_DEFAULT;
    ChannelFormat channelFormat = FORMAT_DEFAULT;
    Target target = TARGET_DEFAULT;
    int repeatMode = REPEAT_XYZ;  // RepeatMode bits
    bool useMipmaps = true;
    // between the two nearest mipmap levels; false: the nearer level alone,
    // half the texel reads for a picture drawn small
    bool blendMipmaps = true;

    TextureDeclaration() {}
    TextureDeclaration(int pWidth, int pHeight) : width(pWidth), height(pHeight) {}
    bool operator<(const TextureDeclaration& other) const;
    bool operator==(const TextureDeclaration& other) const;
    bool operator!=(const TextureDeclaration& other) const { return !(*this == other); }
  };

  explicit Texture(DisplayGL* pDisplay) : Resource(pDisplay) {}
  ~Texture() override {}

  // Rebuilds the mipmap chain of the texture bound on the active unit; the
  // caller binds this texture first.
  virtual void updateMipmaps() = 0;
  // The resolved declaration; a texture made from a file reports the
  // picture's own size.
  virtual const TextureDeclaration& getDeclaration() const = 0;
};

typedef Texture::TextureDeclaration TextureDeclaration;

// ---------------------------------------------------------------- shaders

class ShaderSource : public Resource {
 public:
  enum Type { SHADER_VERTEX = 0, SHADER_PIXEL = 1 };

  explicit ShaderSource(DisplayGL* pDisplay) : Resource(pDisplay) {}
  ~ShaderSource() override {}

  virtual Type getType() const = 0;
  // "#define name value", put in front of the text at the next compilation.
  virtual void setDefine(const std::string& name, const std::string& value) = 0;
};

class Shader : public Resource {
 public:
  explicit Shader(DisplayGL* pDisplay) : Resource(pDisplay) {}
  ~Shader() override {}

  // Takes a reference on the source.
  virtual void attach(ShaderSource* shader) = 0;
  // A vertex and a pixel source for those files, owned by this program.
  virtual void attach(const std::string& vertName, const std::string& fragName) = 0;
  virtual void link() = 0;
  // -1 when the program has no such active uniform.
  virtual int getUniformLocation(const std::string& name) = 0;
  virtual void getUniforms(std::vector<VertexAttribute>& result) = 0;
  virtual int getVertexAttribLocation(const std::string& name) = 0;
  virtual void getVertexAttribs(std::vector<VertexAttribute>& result) = 0;
  // Attribute name to index bindings, applied at the next link.
  virtual void setVertexAttrib(int index, const std::string& name) = 0;
  virtual void setVertexAttrib(const VertexDef* def) = 0;
  // Loads `count` values starting at `value` into the uniform at `location`
  // of the program in use.
  virtual void set(int location, const int& value, int count = 1) = 0;
  virtual void set(int location, const float& value, int count = 1) = 0;
  virtual void set(int location, const mathbase::Vector2f& value, int count = 1) = 0;
  virtual void set(int location, const mathbase::Vector3f& value, int count = 1) = 0;
  virtual void set(int location, const mathbase::Vector4f& value, int count = 1) = 0;
  virtual void set(int location, const mathbase::Matrix4x4Col& value, int count = 1) = 0;
};

// ---------------------------------------------------------------- buffers

class VBO : public Resource {
 public:
  explicit VBO(DisplayGL* pDisplay) : Resource(pDisplay) {}
  ~VBO() override {}

  virtual const VertexDef* getFormat() const = 0;
  virtual int getNumVertices() const = 0;
  virtual void bind() = 0;
  virtual void unbind() = 0;
  // A pointer into the CPU copy at `firstEntity` (-1: the whole buffer);
  // unlock() uploads what a writing lock covered.
  virtual void* lock(bool write, bool read, int firstEntity, int numEntities) = 0;
  virtual void unlock() = 0;
  virtual void replace(int firstEntity, int numEntities, void* data) = 0;
};

class IBO : public Resource {
 public:
  enum Format { FORMAT_NONE = 0, FORMAT_UINT8 = 1, FORMAT_UINT16 = 2, FORMAT_UINT32 = 3 };

  explicit IBO(DisplayGL* pDisplay) : Resource(pDisplay) {}
  ~IBO() override {}

  virtual Format getFormat() const = 0;
  virtual int getNumIndices() const = 0;
  virtual void bind() = 0;
  virtual void unbind() = 0;
  virtual void replace(int firstEntity, int numEntities, void* data) = 0;
  // Indices of `inputDataFormat` width (FORMAT_NONE: the buffer's own), each
  // plus `offset`, converted to the buffer's width.
  virtual void replace(int firstEntity, int numEntities, void* data, int offset, Format inputDataFormat) = 0;
  virtual void* lock(bool write, bool read, int firstEntity, int numEntities) = 0;
  virtual void unlock() = 0;
};

// ---------------------------------------------------------------- render targets

class FBO : public Resource {
 public:
  enum Attachment { COLOR0 = 0, COLOR1 = 1, COLOR2 = 2, COLOR3 = 3, DEPTH = 4, STENCIL = 5 };

  explicit FBO(DisplayGL* pDisplay) : Resource(pDisplay) {}
  ~FBO() override {}

  virtual int getWidth() const = 0;
  virtual int getHeight() const = 0;
  // Takes a reference on the texture; effective when the target is next
  // built, so attach everything before first use.
  virtual void attach(Attachment attachment, Texture* texture) = 0;
};

}  // namespace display
}  // namespace zelkor
