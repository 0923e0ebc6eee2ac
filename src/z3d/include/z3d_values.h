#pragma once
// File records of meshes, their byte encodings, and the element lists read
// from list chunks.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cl_readbuffer.h"
#include "cl_writebuffer.h"
#include "mb_quatf.h"
#include "mb_vector2.h"
#include "mb_vector3.h"
#include "mb_vector4.h"

namespace zelkor {
namespace z3d {

using chunklib::ReadBuffer;
using chunklib::WriteBuffer;
using mathbase::Quatf;
using mathbase::Vector2f;
using mathbase::Vector3f;
using mathbase::Vector4f;

// In memory the normal comes first; the file stores the position index first.
struct Vertex {
  Vector3f normal;
  int posIndex = 0;
};

struct UV {
  Vector2f uv;
  Vector3f tangent;
  Vector3f bitangent;
};

struct Triangle {
  uint8_t flags = 0;
  int v[3] = {0, 0, 0};  // indices into the vertex list
};

struct BoneGroupWeight {
  int vertexIndex = 0;  // an index into the position list
  float weight = 0.0f;
};

// Up to four bone groups influencing one position (computed, not stored).
struct BoneVertex {
  int index[4];
  float weight[4];
};

typedef int Index;

// Encoded size and decoding from / encoding to little-endian bytes.
template <typename T>
struct ValueCodec;

template <>
struct ValueCodec<float> {
  enum { SIZE = 4 };
  static void decode(const uint8_t* p, float& v) { v = chunklib::loadLEFloat(p); }
  static void encode(uint8_t* p, const float& v) { chunklib::storeLEFloat(p, v); }
};
template <>
struct ValueCodec<int> {
  enum { SIZE = 4 };
  static void decode(const uint8_t* p, int& v) { v = static_cast<int>(chunklib::loadLE32(p)); }
  static void encode(uint8_t* p, const int& v) { chunklib::storeLE32(p, static_cast<uint32_t>(v)); }
};
template <>
struct ValueCodec<Vector2f> {
  enum { SIZE = 8 };
  static void decode(const uint8_t* p, Vector2f& v) {
    v.x = chunklib::loadLEFloat(p);
    v.y = chunklib::loadLEFloat(p + 4);
  }
  static void encode(uint8_t* p, const Vector2f& v) {
    chunklib::storeLEFloat(p, v.x);
    chunklib::storeLEFloat(p + 4, v.y);
  }
};
template <>
struct ValueCodec<Vector3f> {
  enum { SIZE = 12 };
  static void decode(const uint8_t* p, Vector3f& v) {
    v.x = chunklib::loadLEFloat(p);
    v.y = chunklib::loadLEFloat(p + 4);
    v.z = chunklib::loadLEFloat(p + 8);
  }
  static void encode(uint8_t* p, const Vector3f& v) {
    chunklib::storeLEFloat(p, v.x);
    chunklib::storeLEFloat(p + 4, v.y);
    chunklib::storeLEFloat(p + 8, v.z);
  }
};
template <>
struct ValueCodec<Vector4f> {
  enum { SIZE = 16 };
  static void decode(const uint8_t* p, Vector4f& v) {
    v.x = chunklib::loadLEFloat(p);
    v.y = chunklib::loadLEFloat(p + 4);
    v.z = chunklib::loadLEFloat(p + 8);
    v.w = chunklib::loadLEFloat(p + 12);
  }
  static void encode(uint8_t* p, const Vector4f& v) {
    chunklib::storeLEFloat(p, v.x);
    chunklib::storeLEFloat(p + 4, v.y);
    chunklib::storeLEFloat(p + 8, v.z);
    chunklib::storeLEFloat(p + 12, v.w);
  }
};
template <>
struct ValueCodec<Quatf> {  // w first
  enum { SIZE = 16 };
  static void decode(const uint8_t* p, Quatf& q) {
    q.w = chunklib::loadLEFloat(p);
    q.x = chunklib::loadLEFloat(p + 4);
    q.y = chunklib::loadLEFloat(p + 8);
    q.z = chunklib::loadLEFloat(p + 12);
  }
  static void encode(uint8_t* p, const Quatf& q) {
    chunklib::storeLEFloat(p, q.w);
    chunklib::storeLEFloat(p + 4, q.x);
    chunklib::storeLEFloat(p + 8, q.y);
    chunklib::storeLEFloat(p + 12, q.z);
  }
};
template <>
struct ValueCodec<UV> {
  enum { SIZE = 32 };
  static void decode(const uint8_t* p, UV& v) {
    ValueCodec<Vector2f>::decode(p, v.uv);
    ValueCodec<Vector3f>::decode(p + 8, v.tangent);
    ValueCodec<Vector3f>::decode(p + 20, v.bitangent);
  }
  static void encode(uint8_t* p, const UV& v) {
    ValueCodec<Vector2f>::encode(p, v.uv);
    ValueCodec<Vector3f>::encode(p + 8, v.tangent);
    ValueCodec<Vector3f>::encode(p + 20, v.bitangent);
  }
};
template <>
struct ValueCodec<Vertex> {
  enum { SIZE = 16 };
  static void decode(const uint8_t* p, Vertex& v) {
    ValueCodec<int>::decode(p, v.posIndex);
    ValueCodec<Vector3f>::decode(p + 4, v.normal);
  }
  static void encode(uint8_t* p, const Vertex& v) {
    ValueCodec<int>::encode(p, v.posIndex);
    ValueCodec<Vector3f>::encode(p + 4, v.normal);
  }
};
template <>
struct ValueCodec<Triangle> {
  enum { SIZE = 13 };
  static void decode(const uint8_t* p, Triangle& t) {
    t.flags = p[0];
    for (int i = 0; i < 3; ++i) ValueCodec<int>::decode(p + 1 + 4 * i, t.v[i]);
  }
  static void encode(uint8_t* p, const Triangle& t) {
    p[0] = t.flags;
    for (int i = 0; i < 3; ++i) ValueCodec<int>::encode(p + 1 + 4 * i, t.v[i]);
  }
};
template <>
struct ValueCodec<BoneGroupWeight> {
  enum { SIZE = 8 };
  static void decode(const uint8_t* p, BoneGroupWeight& w) {
    ValueCodec<int>::decode(p, w.vertexIndex);
    ValueCodec<float>::decode(p + 4, w.weight);
  }
  static void encode(uint8_t* p, const BoneGroupWeight& w) {
    ValueCodec<int>::encode(p, w.vertexIndex);
    ValueCodec<float>::encode(p + 4, w.weight);
  }
};

// One value; on a shortfall the value is left as it was and false returned.
template <typename T>
bool loadValue(ReadBuffer& buffer, T& value) {
  const uint8_t* p = buffer.readRaw(ValueCodec<T>::SIZE);
  if (!p) return false;
  ValueCodec<T>::decode(p, value);
  return true;
}

template <typename T>
void writeValue(WriteBuffer& buffer, const T& value) {
  uint8_t bytes[ValueCodec<T>::SIZE];
  ValueCodec<T>::encode(bytes, value);
  buffer.store(bytes, sizeof(bytes));
}

inline bool loadValueString(ReadBuffer& buffer, std::string& value) {
  value.clear();
  return buffer.read(value, 0);
}
inline void writeValueString(WriteBuffer& buffer, const std::string& value) { buffer.write(value); }

// Elements of one list chunk, optionally preceded by the list's name.
template <typename T, bool named>
class StructList {
 public:
  const std::string& getName() const { return mName; }
  void setName(const std::string& name) { mName = name; }

  T& operator[](int i) { return mList[i]; }
  const T& operator[](int i) const { return mList[i]; }
  const T& get(int i) const { return mList[i]; }
  void set(int i, const T& value) { mList[i] = value; }
  int size() const { return static_cast<int>(mList.size()); }
  void resize(int n) { mList.resize(n > 0 ? n : 0); }
  void clear() {
    mName.clear();
    mList.clear();
  }
  void push_back(const T& value) { mList.push_back(value); }
  std::vector<T>& getList() { return mList; }
  const std::vector<T>& getList() const { return mList; }
  operator T*() { return mList.data(); }
  operator const T*() const { return mList.data(); }

  // Reads the payload of the open list chunk: the name when named, then as
  // many whole elements as its remaining bytes hold. False (and nothing
  // changed) when the name is not terminated inside the chunk.
  bool loadChunk(ReadBuffer& buffer) {
    if (named) {
      std::string name;
      if (!buffer.read(name, 0)) return false;
      mName = name;
    }
    const uint32_t count = buffer.getRemaining() / ValueCodec<T>::SIZE;
    mList.assign(count, T());
    const uint8_t* p = buffer.readRaw(count * ValueCodec<T>::SIZE);
    for (uint32_t i = 0; p && i < count; ++i) ValueCodec<T>::decode(p + i * ValueCodec<T>::SIZE, mList[i]);
    return true;
  }

  void writeChunk(WriteBuffer& buffer, uint16_t id) const {
    buffer.openChunk(id);
    writeElements(buffer);
    buffer.closeChunk();
  }

  void writeElements(WriteBuffer& buffer) const {
    if (named) writeValueString(buffer, mName);
    std::vector<uint8_t> bytes(mList.size() * ValueCodec<T>::SIZE);
    for (size_t i = 0; i < mList.size(); ++i) ValueCodec<T>::encode(&bytes[i * ValueCodec<T>::SIZE], mList[i]);
    if (!bytes.empty()) buffer.store(bytes.data(), bytes.size());
  }

 private:
  std::string mName;
  std::vector<T> mList;
};

typedef StructList<Vertex, false> VertexList;
typedef StructList<UV, true> UVList;
typedef StructList<Vector3f, false> PositionList;
typedef StructList<Triangle, false> TriangleList;
typedef StructList<BoneGroupWeight, false> BoneGroupWeightList;
typedef std::vector<Index> IndexList;

}  // namespace z3d
}  // namespace zelkor
