#pragma once
// Builds a chunked byte sequence in memory: a 6-byte header, then nested chunks
// whose lengths are patched when they are closed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cl_bdt.h"

namespace zelkor {
namespace chunklib {

class WriteBuffer {
 public:
  enum : uint32_t {
    FLAG_NO_TYPED_LENGTH = 1,  // typed identifiers carry no length field
    FLAG_KEEP_EMPTY = 2,       // keep chunks closed with an empty payload
    APPEND = 0xFFFFFFFFu       // position argument of store/storeType: append
  };

  struct ChunkData {
    uint16_t mID;
    uint32_t mOffset;  // just after the identifier, where the length field begins
  };

  // Writes the header at once: the first four characters of format (padded with
  // zeros when shorter), then major and minor.
  WriteBuffer(const std::string& format, uint8_t major, uint8_t minor, uint32_t flags);

  void openChunk(uint16_t id);
  // Ends the innermost chunk; does nothing when none is open. A typed chunk
  // without length field whose payload is not exactly its type's size throws,
  // since the file would not read back.
  void closeChunk();
  size_t getNumOpenChunks() const { return mChunkStack.size(); }

  void write(const uint8_t& v) { storeType(&v, 1, APPEND); }
  void write(const int8_t& v) { storeType(&v, 1, APPEND); }
  void write(const char& v) { storeType(&v, 1, APPEND); }
  void write(const uint16_t& v);
  void write(const int16_t& v) { write(static_cast<uint16_t>(v)); }
  void write(const uint32_t& v);
  void write(const int32_t& v) { write(static_cast<uint32_t>(v)); }
  void write(const float& v);
  // The characters up to the first zero byte, then one terminating zero: a
  // string with an embedded zero would otherwise not read back.
  void write(const std::string& v);
  void write(const char* v);

  // APPEND adds the bytes; any other position overwrites in place when
  // position + length fits in what was written, and does nothing otherwise.
  void store(const void* data, size_t length, uint32_t position = APPEND);
  // The same for primitive values; overwriting past the end throws.
  void storeType(const void* data, size_t length, uint32_t position = APPEND);

  void writeHeader();

  std::vector<uint8_t> getData() const { return mData; }
  const std::vector<uint8_t>& data() const { return mData; }
  size_t getSize() const { return mData.size(); }

  // Writes all bytes to path through a temporary file in the same directory
  // that replaces it at the end; throws Exception naming the file on failure.
  void save(const std::string& path) const;

 private:
  void reserveFor(size_t length);

  std::string mFormat;
  uint8_t mMajor;
  uint8_t mMinor;
  uint32_t mFlags;
  BDT mBDT;
  std::vector<ChunkData> mChunkStack;
  std::vector<uint8_t> mData;
};

}  // namespace chunklib
}  // namespace zelkor
