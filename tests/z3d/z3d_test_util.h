#pragma once
// Builders of small scene files for the tests.

#include <functional>
#include <string>
#include <vector>

#include "cl_readbuffer.h"
#include "cl_writebuffer.h"
#include "z3d_chunks.h"
#include "z3d_manager.h"

namespace z3d_test {

using Bytes = std::vector<uint8_t>;
using zelkor::chunklib::ReadBuffer;
using zelkor::chunklib::WriteBuffer;

// A file: header, then a main chunk whose payload body writes.
inline Bytes sceneFile(const std::function<void(WriteBuffer&)>& body) {
  WriteBuffer w("Z3DF", 1, 1, 1);
  w.openChunk(zelkor::z3d::MAIN);
  body(w);
  w.closeChunk();
  return w.getData();
}

// Bytes of one chunk alone (no header), for loaders that take an open chunk.
inline Bytes chunkBytes(uint16_t id, const std::function<void(WriteBuffer&)>& body) {
  WriteBuffer w("Z3DF", 1, 1, 1);
  w.openChunk(id);
  body(w);
  w.closeChunk();
  return w.getData();
}

// Opens the first chunk of bytes from chunkBytes and hands it to load.
template <typename Loader>
void loadChunk(const Bytes& bytes, Loader load) {
  ReadBuffer r(bytes.data(), static_cast<uint32_t>(bytes.size()), 1);
  r.openChunk();
  load(r);
  r.closeChunk();
}

inline void loadInto(zelkor::z3d::Manager& m, const Bytes& bytes) {
  m.load(bytes.data(), static_cast<int>(bytes.size()));
}

}  // namespace z3d_test
