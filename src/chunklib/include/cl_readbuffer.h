#pragma once
// Walks a chunked byte sequence in memory. Reads never cross the end of the
// innermost open chunk, and a chunk never reaches past its parent or the data:
// a chunk that claims more is cut to what is there and recorded as a fault.

#include <cstdint>
#include <string>
#include <vector>

#include "cl_bdt.h"

namespace zelkor {
namespace chunklib {

class ReadBuffer {
 public:
  enum : uint32_t { FLAG_NO_TYPED_LENGTH = 1, FLAG_KEEP_EMPTY = 2 };
  enum { DEFAULT_MAX_DEPTH = 256 };

  struct ChunkData {
    uint16_t mID;
    uint32_t mLength;      // payload length as far as it lies within the parent
    uint32_t mLastOffset;  // position just after the payload
  };

  // Damage found while walking; the walk itself goes on safely.
  struct Fault {
    enum Kind {
      CHUNK_OVERRUN,     // declared length runs past the parent chunk or the data
      ZERO_ID,           // identifier 0, which is never valid
      TRUNCATED_HEADER,  // bytes remain but too few for a chunk header
      TOO_DEEP           // nesting deeper than the limit
    };
    Kind kind;
    uint16_t id;
    uint32_t offset;     // where the chunk header starts
    uint32_t declared;   // declared payload length (CHUNK_OVERRUN)
    uint32_t available;  // bytes the parent still had for it (CHUNK_OVERRUN)
  };
  enum { MAX_RECORDED_FAULTS = 16 };

  // With fewer than 6 bytes the format reads as "void", version 0.0.
  ReadBuffer(const uint8_t* data, uint32_t length, uint32_t flags);

  const std::string& getFormat() const { return mFormat; }
  uint8_t getMajorVersion() const { return mMajor; }
  uint8_t getMinorVersion() const { return mMinor; }

  // Opens the next chunk and returns its identifier, or 0 at the end of the
  // innermost chunk (or data), at a zero identifier, at a header cut short, or
  // beyond the nesting limit. When 0 is returned nothing was opened.
  uint16_t openChunk();
  void closeChunk();
  // Payload length of the innermost open chunk; the data's length when none is open.
  uint32_t getLength() const;
  size_t getDepth() const { return mChunkStack.size(); }
  uint16_t getChunkID() const { return mChunkStack.empty() ? 0 : mChunkStack.back().mID; }

  bool checkBoundaries(uint32_t n) const { return n <= getRemaining(); }
  // Bytes left before the end of the innermost chunk (or of the data).
  uint32_t getRemaining() const { return getEnd() - mOffset; }
  uint32_t getOffset() const { return mOffset; }

  bool read(uint8_t& v) { return readRawValue(&v, 1); }
  bool read(int8_t& v) { return readRawValue(&v, 1); }
  bool read(char& v) { return readRawValue(&v, 1); }
  bool read(uint16_t& v);
  bool read(int16_t& v);
  bool read(uint32_t& v);
  bool read(int32_t& v);
  bool read(float& v);
  // count 0: up to a zero byte, consumed but not appended; count > 0: exactly
  // count bytes. False as soon as a byte is missing; what was read stays appended.
  bool read(std::string& out, uint32_t count);

  // Borrows the next n bytes and moves past them; null (and no move) when fewer remain.
  const uint8_t* readRaw(uint32_t n);

  void setMaxDepth(uint32_t depth) { mMaxDepth = depth; }
  uint32_t getNumFaults() const { return mNumFaults; }
  // The first MAX_RECORDED_FAULTS faults in the order found.
  const std::vector<Fault>& getFaults() const { return mFaults; }
  static std::string describe(const Fault& fault);

 private:
  uint32_t getEnd() const { return mChunkStack.empty() ? mLength : mChunkStack.back().mLastOffset; }
  bool readRawValue(void* out, uint32_t n);
  void addFault(Fault::Kind kind, uint16_t id, uint32_t offset, uint32_t declared, uint32_t available);

  BDT mBDT;
  std::string mFormat;
  uint8_t mMajor;
  uint8_t mMinor;
  uint32_t mFlags;
  std::vector<ChunkData> mChunkStack;
  const uint8_t* mData;
  uint32_t mOffset;
  uint32_t mLength;
  uint32_t mMaxDepth;
  uint32_t mNumFaults;
  std::vector<Fault> mFaults;
};

}  // namespace chunklib
}  // namespace zelkor
