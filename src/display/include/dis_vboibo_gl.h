#pragma once
// Vertex and index buffers on OpenGL. Both keep an authoritative CPU copy of
// their contents: it is uploaded into a GL buffer object where the driver has
// them and drawn from directly where it has not, and it rebuilds the GL
// buffer after a dispose.

#include <cstdint>
#include <vector>

#include "dis_display.h"
#include "dis_glinclude.h"
#include "dis_resource.h"

namespace zelkor {
namespace display {

// The GL type of an attribute's components; TYPE_NONE fails an assertion.
GLenum getVariableTypeGL(VariableType type);

template <class PARENT, GLenum TARGET>
class BufferObject_GL : public PARENT {
 public:
  BufferObject_GL(DisplayGL* display, int entities, int entitySize, DisplayGL::ResourceMode mode);
  ~BufferObject_GL() override;

  void disposeResource(bool contextLost) override;
  void restoreResource() override;
  void* lock(bool write, bool read, int firstEntity, int numEntities) override;
  void unlock() override;
  void replace(int firstEntity, int numEntities, void* data) override;

  GLenum getUsage() const;
  // The GL buffer name; 0 while disposed and for emulated buffers.
  GLuint getBufferGL() const { return mID; }
  // True when the driver has no buffer objects and the CPU copy is drawn.
  bool isEmulated() const { return mEmulated; }
  const unsigned char* getCPUCopy() const { return mCompPtr.data(); }

 protected:
  void bindBuffer();
  void unbindBuffer();
  // Where entity `entity` is for GL calls: an offset into the bound buffer,
  // or the address in the CPU copy for emulated buffers.
  const void* pointerGL(size_t byteOffset) const;
  // Asserts that [firstEntity, firstEntity + numEntities) lies in the buffer.
  void checkRange(int firstEntity, int numEntities) const;

  int mEntities;
  int mEntitySize;
  GLuint mID;
  std::vector<unsigned char> mCompPtr;
  DisplayGL::ResourceMode mMode;
  GLenum mMapped;
  int mMappedFirstEntity;
  int mMappedNumEntities;
  bool mEmulated;
};

class VBO_GL : public BufferObject_GL<VBO, GL_ARRAY_BUFFER> {
 public:
  VBO_GL(DisplayGL* display, int numVertices, const VertexDef* vboFormat, DisplayGL::ResourceMode mode);

  const VertexDef* getFormat() const override { return mFormat; }
  int getNumVertices() const override { return mEntities; }
  // Binds the buffer and points every attribute of the definition into it.
  void bind() override;
  // Unbinds the buffer and disables the definition's attributes.
  void unbind() override;

 private:
  const VertexDef* mFormat;  // not owned
};

class IBO_GL : public BufferObject_GL<IBO, GL_ELEMENT_ARRAY_BUFFER> {
 public:
  IBO_GL(DisplayGL* display, int numIndices, Format format, DisplayGL::ResourceMode mode);

  using BufferObject_GL<IBO, GL_ELEMENT_ARRAY_BUFFER>::replace;
  Format getFormat() const override { return mFormat; }
  GLenum getFormatGL() const { return mFormatGL; }
  int getNumIndices() const override { return mEntities; }
  void bind() override;
  void unbind() override;
  void replace(int firstEntity, int numEntities, void* data, int offset, Format inputDataFormat) override;
  // What the indexed draw call takes for index `firstIndex`.
  const void* getPointerGL(int firstIndex) const;

  // Bytes of one index of the format: 0, 1, 2, 4.
  static int getFormatSize(Format format);

 private:
  Format mFormat;
  GLenum mFormatGL;
};

}  // namespace display
}  // namespace zelkor
