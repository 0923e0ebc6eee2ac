#pragma once
// Builders of small scene files for the tests.

#include <functional>
#include <string>
#include <vector>

#include "cl_readbuffer.h"
#include "cl_writebuffer.h"
#include "z3d_chunks.h"

namespace z3d_test {

using Bytes = std::vector<uint8_t>;
using zelkor::chunklib::ReadBuffer;
using zelkor::chunklib::WriteBuffer;

// Bytes of one chunk (a whole file with MAIN), for loaders that take an open chunk.
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

}  // namespace z3d_test
