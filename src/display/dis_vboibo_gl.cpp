#include "dis_vboibo_gl.h"

#include <cstring>
#include <limits>

#include "zlk_system.h"

namespace zelkor {
namespace display {

GLenum getVariableTypeGL(VariableType type) {
  switch (type) {
    // GL has no boolean attribute arrays; a bool is one unsigned byte
    case TYPE_BOOL: return GL_UNSIGNED_BYTE;
    case TYPE_BYTE: return GL_BYTE;
    case TYPE_UBYTE: return GL_UNSIGNED_BYTE;
    case TYPE_SHORT: return GL_SHORT;
    case TYPE_USHORT: return GL_UNSIGNED_SHORT;
    case TYPE_INT: return GL_INT;
    case TYPE_UINT: return GL_UNSIGNED_INT;
    case TYPE_FLOAT: return GL_FLOAT;
    case TYPE_DOUBLE: return GL_DOUBLE;
    default: break;
  }
  DIS_ASSERT(type!=TYPE_NONE && type>=TYPE_BOOL && type<=TYPE_DOUBLE);
  return 0;
}

// ---------------------------------------------------------------- buffer object

template <class PARENT, GLenum TARGET>
BufferObject_GL<PARENT, TARGET>::BufferObject_GL(DisplayGL* display, int entities, int entitySize,
                                                 DisplayGL::ResourceMode mode)
    : PARENT(display),
      mEntities(entities),
      mEntitySize(entitySize),
      mID(0),
      mMode(mode),
      mMapped(0),
      mMappedFirstEntity(0),
      mMappedNumEntities(0),
      mEmulated(!display->hasExtension("GL_ARB_vertex_buffer_object")) {
  DIS_ASSERT(entities >= 0);
  DIS_ASSERT(entitySize > 0);
  mCompPtr.assign(static_cast<size_t>(entities) * static_cast<size_t>(entitySize), 0);
  if (mEmulated) ZLK_LOG("warning", "display", "GL_ARB_vertex_buffer_object not supported, emulating fool");
}

template <class PARENT, GLenum TARGET>
BufferObject_GL<PARENT, TARGET>::~BufferObject_GL() {
  try {
    if (!PARENT::mDisposed) disposeResource(false);
  } catch (const Exception&) {
    // logged when raised; the buffer goes away regardless
  }
}

template <class PARENT, GLenum TARGET>
GLenum BufferObject_GL<PARENT, TARGET>::getUsage() const {
  switch (mMode) {
    case DisplayGL::MODE_STREAM: return GL_STREAM_DRAW;
    case DisplayGL::MODE_DYNAMIC: return GL_DYNAMIC_DRAW;
    default: return GL_STATIC_DRAW;
  }
}

template <class PARENT, GLenum TARGET>
void BufferObject_GL<PARENT, TARGET>::restoreResource() {
  DIS_ASSERT(mID==0);
  DIS_ASSERT(PARENT::mDisposed);
  if (!mEmulated) {
    const GLenum bindingQuery = TARGET == GL_ARRAY_BUFFER ? GL_ARRAY_BUFFER_BINDING : GL_ELEMENT_ARRAY_BUFFER_BINDING;
    GLint previousBuffer = 0;
    glGetIntegerv(bindingQuery, &previousBuffer);
    const GLsizeiptr size = static_cast<GLsizeiptr>(mCompPtr.size());
    GL_CHECK(glGenBuffers( 1, &mID ));
    try {
      GL_CHECK(glBindBuffer( TARGET, mID ));
      GL_CHECK(glBufferData( TARGET, size, mCompPtr.data(), getUsage() ));
      GL_CHECK(glBindBuffer( TARGET, previousBuffer));
    } catch (const Exception&) {
      // out of memory and the like: no half-made buffer stays behind
      glDeleteBuffers(1, &mID);
      mID = 0;
      glBindBuffer(TARGET, previousBuffer);
      throw;
    }
  }
  PARENT::mDisposed = false;
}

template <class PARENT, GLenum TARGET>
void BufferObject_GL<PARENT, TARGET>::disposeResource(bool contextLost) {
  DIS_ASSERT(!PARENT::mDisposed);
  if (!contextLost && mID != 0) GL_CHECK(glDeleteBuffers(1, &mID));
  mID = 0;
  PARENT::mDisposed = true;
}

template <class PARENT, GLenum TARGET>
void BufferObject_GL<PARENT, TARGET>::bindBuffer() {
  if (PARENT::mDisposed) restoreResource();
  if (mID != 0) GL_CHECK(glBindBuffer(TARGET, mID));
}

template <class PARENT, GLenum TARGET>
void BufferObject_GL<PARENT, TARGET>::unbindBuffer() {
  if (mID != 0) GL_CHECK(glBindBuffer(TARGET, 0));
}

template <class PARENT, GLenum TARGET>
const void* BufferObject_GL<PARENT, TARGET>::pointerGL(size_t byteOffset) const {
  if (mEmulated) return mCompPtr.data() + byteOffset;
  return reinterpret_cast<const void*>(byteOffset);
}

template <class PARENT, GLenum TARGET>
void BufferObject_GL<PARENT, TARGET>::checkRange(int firstEntity, int numEntities) const {
  DIS_ASSERT(firstEntity >= 0 && numEntities >= 0 && numEntities <= mEntities - firstEntity);
}

template <class PARENT, GLenum TARGET>
void* BufferObject_GL<PARENT, TARGET>::lock(bool write, bool read, int firstEntity, int numEntities) {
  DIS_ASSERT(mMapped==0);
  DIS_ASSERT(write==true || read==true);
  if (firstEntity == -1) {
    firstEntity = 0;
    numEntities = mEntities;
  }
  checkRange(firstEntity, numEntities);
  mMapped = write && read ? GL_READ_WRITE : (write ? GL_WRITE_ONLY : GL_READ_ONLY);
  mMappedFirstEntity = firstEntity;
  mMappedNumEntities = numEntities;
  return mCompPtr.data() + static_cast<size_t>(firstEntity) * mEntitySize;
}

template <class PARENT, GLenum TARGET>
void BufferObject_GL<PARENT, TARGET>::unlock() {
  DIS_ASSERT(mMapped!=0);
  const GLenum access = mMapped;
  mMapped = 0;
  if (mID == 0 || access == GL_READ_ONLY) return;
  GLint previousBuffer = 0;
  glGetIntegerv(TARGET == GL_ARRAY_BUFFER ? GL_ARRAY_BUFFER_BINDING : GL_ELEMENT_ARRAY_BUFFER_BINDING, &previousBuffer);
  GL_CHECK(glBindBuffer(TARGET, mID));
  if (mMappedFirstEntity == 0 && mMappedNumEntities == mEntities) {
    const GLsizeiptr size = static_cast<GLsizeiptr>(mCompPtr.size());
    GL_CHECK(glBufferData(TARGET, size, mCompPtr.data(), getUsage()));
  } else {
    const GLintptr offset = static_cast<GLintptr>(mMappedFirstEntity) * mEntitySize;
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(mMappedNumEntities) * mEntitySize;
    GL_CHECK(glBufferSubData(TARGET, offset, bytes, mCompPtr.data() + offset));
  }
  GL_CHECK(glBindBuffer(TARGET, previousBuffer));
}

template <class PARENT, GLenum TARGET>
void BufferObject_GL<PARENT, TARGET>::replace(int firstEntity, int numEntities, void* data) {
  checkRange(firstEntity, numEntities);
  if (numEntities == 0) return;
  DIS_ASSERT(data != nullptr);
  const size_t offset = static_cast<size_t>(firstEntity) * mEntitySize;
  const size_t bytes = static_cast<size_t>(numEntities) * mEntitySize;
  if (mID != 0) {
    GLint previousBuffer = 0;
    glGetIntegerv(TARGET == GL_ARRAY_BUFFER ? GL_ARRAY_BUFFER_BINDING : GL_ELEMENT_ARRAY_BUFFER_BINDING, &previousBuffer);
    GL_CHECK(glBindBuffer(TARGET, mID));
    GL_CHECK(glBufferSubData(TARGET, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), data));
    GL_CHECK(glBindBuffer(TARGET, previousBuffer));
  }
  std::memcpy(mCompPtr.data() + offset, data, bytes);
}

template class BufferObject_GL<VBO, GL_ARRAY_BUFFER>;
template class BufferObject_GL<IBO, GL_ELEMENT_ARRAY_BUFFER>;

// ---------------------------------------------------------------- vertex buffer

namespace {
// The driver's recommended buffer size (GL_MAX_ELEMENTS_*), 0 when it has none.
int recommendedAtMost(GLenum limit) {
  GLint recommended = 0;
  glGetIntegerv(limit, &recommended);
  return static_cast<int>(recommended);
}

int vertexSizeOf(const VertexDef* format) {
  DIS_ASSERT(format);
  return format->getVertexSize();
}
}  // namespace

VBO_GL::VBO_GL(DisplayGL* display, int numVertices, const VertexDef* vboFormat, DisplayGL::ResourceMode mode)
    : BufferObject_GL<VBO, GL_ARRAY_BUFFER>(display, numVertices, vertexSizeOf(vboFormat), mode), mFormat(vboFormat) {
  DIS_ASSERT(display);
  // an attribute reaching past its vertex would make the GPU read past the
  // buffer's end at the last vertex
  for (const VertexAttribute& a : mFormat->getAttributes()) {
    const int bytes = a.numElements * getVariableTypeSize(a.type);
    if (a.numElements < 1 || a.numElements > 4 || a.offset < 0 || a.offset + bytes > mEntitySize) {
      throw Exception("VBO_GL; attribute '%s' (%d x %s at byte %d) does not fit in a vertex of %d bytes", a.name.c_str(),
                      a.numElements, getVariableTypeName(a.type), a.offset, mEntitySize);
    }
  }
  const int recommended = mEmulated ? 0 : recommendedAtMost(GL_MAX_ELEMENTS_VERTICES);
  if (recommended > 0 && numVertices > recommended) {
    ZLK_LOG("warning", "display", "Creating vertex buffer with too many vertices (%d when %d recommended)", numVertices,
            recommended);
  }
}

#define SUPER_BUFFER_OFFSET(offset) pointerGL(static_cast<size_t>(offset))

void VBO_GL::bind() {
  bindBuffer();
  for (auto i = mFormat->getAttributes().begin(); i != mFormat->getAttributes().end(); ++i) {
    const GLenum type = getVariableTypeGL(i->type);
    GL_CHECK(glEnableVertexAttribArray(i->index));
    GL_CHECK(glVertexAttribPointer(i->index, i->numElements, type, false, mFormat->getVertexSize(), SUPER_BUFFER_OFFSET(i->offset)));
  }
}

void VBO_GL::unbind() {
  unbindBuffer();
  for (auto i = mFormat->getAttributes().begin(); i != mFormat->getAttributes().end(); ++i) {
    GL_CHECK(glDisableVertexAttribArray(i->index));
  }
}

// ---------------------------------------------------------------- index buffer

int IBO_GL::getFormatSize(Format format) {
  switch (format) {
    case FORMAT_UINT8: return 1;
    case FORMAT_UINT16: return 2;
    case FORMAT_UINT32: return 4;
    default: return 0;
  }
}

namespace {
int indexSizeOf(IBO::Format mFormat) {
  DIS_ASSERT(mFormat!=IBO::FORMAT_NONE);
  DIS_ASSERT(IBO_GL::getFormatSize(mFormat) != 0);
  return IBO_GL::getFormatSize(mFormat);
}
}  // namespace

IBO_GL::IBO_GL(DisplayGL* display, int numIndices, Format format, DisplayGL::ResourceMode mode)
    : BufferObject_GL<IBO, GL_ELEMENT_ARRAY_BUFFER>(display, numIndices, indexSizeOf(format), mode),
      mFormat(format),
      mFormatGL(format == FORMAT_UINT8 ? GL_UNSIGNED_BYTE : (format == FORMAT_UINT16 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT)) {
  DIS_ASSERT(display);
  DIS_ASSERT(mFormat!=FORMAT_NONE);
  const int recommended = mEmulated ? 0 : recommendedAtMost(GL_MAX_ELEMENTS_INDICES);
  if (recommended > 0 && numIndices > recommended) {
    ZLK_LOG("warning", "display", "Creating index buffer with too many indices (%d when %d recommended)", numIndices,
            recommended);
  }
}

void IBO_GL::bind() { bindBuffer(); }

void IBO_GL::unbind() { unbindBuffer(); }

const void* IBO_GL::getPointerGL(int firstIndex) const {
  return pointerGL(static_cast<size_t>(firstIndex) * static_cast<size_t>(mEntitySize));
}

void IBO_GL::replace(int firstEntity, int numEntities, void* data, int offset, Format inputDataFormat) {
  if (inputDataFormat == FORMAT_NONE) inputDataFormat = mFormat;
  if (offset == 0 && inputDataFormat == mFormat) {
    ZLK_LOG("log", "app", "replace(%d, %d, %p)", firstEntity, numEntities, data);
    replace(firstEntity, numEntities, data);
    return;
  }
  const int inputSize = getFormatSize(inputDataFormat);
  if (inputSize == 0) throw Exception("IBO::setup; Unknown dataformat");
  checkRange(firstEntity, numEntities);
  if (numEntities == 0) return;
  DIS_ASSERT(data != nullptr);

  const uint64_t limit = mFormat == FORMAT_UINT8 ? 0xFFu : (mFormat == FORMAT_UINT16 ? 0xFFFFu : 0xFFFFFFFFu);
  std::vector<unsigned char> converted(static_cast<size_t>(numEntities) * mEntitySize);
  const unsigned char* in = static_cast<const unsigned char*>(data);
  for (int i = 0; i < numEntities; ++i) {
    uint64_t value = 0;
    if (inputSize == 1) {
      value = in[i];
    } else if (inputSize == 2) {
      uint16_t v;
      std::memcpy(&v, in + i * 2, 2);
      value = v;
    } else {
      uint32_t v;
      std::memcpy(&v, in + static_cast<size_t>(i) * 4, 4);
      value = v;
    }
    const int64_t shifted = static_cast<int64_t>(value) + offset;
    // an index that does not fit would silently point at another vertex
    if (shifted < 0 || static_cast<uint64_t>(shifted) > limit) {
      throw Exception("IBO::replace; index %lld does not fit in the buffer's %d-bit indices",
                      static_cast<long long>(shifted), mEntitySize * 8);
    }
    const uint32_t out = static_cast<uint32_t>(shifted);
    unsigned char* dst = converted.data() + static_cast<size_t>(i) * mEntitySize;
    if (mEntitySize == 1) {
      *dst = static_cast<unsigned char>(out);
    } else if (mEntitySize == 2) {
      const uint16_t narrow = static_cast<uint16_t>(out);
      std::memcpy(dst, &narrow, 2);
    } else {
      std::memcpy(dst, &out, 4);
    }
  }
  replace(firstEntity, numEntities, converted.data());
}

}  // namespace display
}  // namespace zelkor
