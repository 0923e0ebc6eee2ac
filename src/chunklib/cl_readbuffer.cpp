#include "cl_readbuffer.h"

#include <cstdio>
#include <cstring>

namespace zelkor {
namespace chunklib {

ReadBuffer::ReadBuffer(const uint8_t* data, uint32_t length, uint32_t flags)
    : mFormat("void"),
      mMajor(0),
      mMinor(0),
      mFlags(flags),
      mData(data),
      mOffset(0),
      mLength(data ? length : 0),
      mMaxDepth(DEFAULT_MAX_DEPTH),
      mNumFaults(0) {
  if (mLength >= 6) {
    mFormat.assign(reinterpret_cast<const char*>(mData), 4);
    mMajor = mData[4];
    mMinor = mData[5];
    mOffset = 6;
  }
}

uint16_t ReadBuffer::openChunk() {
  const uint32_t start = mOffset;
  const uint32_t remaining = getRemaining();
  if (remaining == 0) return 0;
  if (remaining < 2) {
    addFault(Fault::TRUNCATED_HEADER, 0, start, 0, remaining);
    return 0;
  }
  const uint16_t id = loadLE16(mData + mOffset);
  if (id == 0) {
    addFault(Fault::ZERO_ID, 0, start, 0, remaining);
    return 0;
  }
  uint32_t header = 2;
  uint32_t length = BDT::getSize(id);
  if (!(BDT::isBDT(id) && (mFlags & FLAG_NO_TYPED_LENGTH))) {
    if (remaining < 6) {
      addFault(Fault::TRUNCATED_HEADER, id, start, 0, remaining);
      return 0;
    }
    length = loadLE32(mData + mOffset + 2);
    header = 6;
  }
  if (mChunkStack.size() >= mMaxDepth) {
    addFault(Fault::TOO_DEEP, id, start, length, remaining - header);
    return 0;
  }
  const uint32_t available = remaining - header;
  if (length > available) {
    addFault(Fault::CHUNK_OVERRUN, id, start, length, available);
    length = available;
  }
  mOffset += header;
  mChunkStack.push_back(ChunkData{id, length, mOffset + length});
  return id;
}

void ReadBuffer::closeChunk() {
  if (mChunkStack.empty()) return;
  mOffset = mChunkStack.back().mLastOffset;
  mChunkStack.pop_back();
}

uint32_t ReadBuffer::getLength() const { return mChunkStack.empty() ? mLength : mChunkStack.back().mLength; }

bool ReadBuffer::readRawValue(void* out, uint32_t n) {
  if (!checkBoundaries(n)) return false;
  std::memcpy(out, mData + mOffset, n);
  mOffset += n;
  return true;
}

const uint8_t* ReadBuffer::readRaw(uint32_t n) {
  if (!checkBoundaries(n)) return nullptr;
  const uint8_t* p = mData + mOffset;
  mOffset += n;
  return p;
}

bool ReadBuffer::read(uint16_t& v) {
  const uint8_t* p = readRaw(2);
  if (!p) return false;
  v = loadLE16(p);
  return true;
}

bool ReadBuffer::read(int16_t& v) {
  const uint8_t* p = readRaw(2);
  if (!p) return false;
  v = static_cast<int16_t>(loadLE16(p));
  return true;
}

bool ReadBuffer::read(uint32_t& v) {
  const uint8_t* p = readRaw(4);
  if (!p) return false;
  v = loadLE32(p);
  return true;
}

bool ReadBuffer::read(int32_t& v) {
  const uint8_t* p = readRaw(4);
  if (!p) return false;
  v = static_cast<int32_t>(loadLE32(p));
  return true;
}

bool ReadBuffer::read(float& v) {
  const uint8_t* p = readRaw(4);
  if (!p) return false;
  v = loadLEFloat(p);
  return true;
}

bool ReadBuffer::read(std::string& out, uint32_t count) {
  const uint32_t remaining = getRemaining();
  if (remaining == 0) return false;  // also keeps null data away from memchr
  const char* p = reinterpret_cast<const char*>(mData + mOffset);
  if (count == 0) {
    const void* zero = std::memchr(p, 0, remaining);
    if (!zero) {
      out.append(p, remaining);
      mOffset += remaining;
      return false;
    }
    const uint32_t n = static_cast<uint32_t>(static_cast<const char*>(zero) - p);
    out.append(p, n);
    mOffset += n + 1;
    return true;
  }
  const uint32_t n = count <= remaining ? count : remaining;
  out.append(p, n);
  mOffset += n;
  return n == count;
}

void ReadBuffer::addFault(Fault::Kind kind, uint16_t id, uint32_t offset, uint32_t declared, uint32_t available) {
  ++mNumFaults;
  if (mFaults.size() < MAX_RECORDED_FAULTS) mFaults.push_back(Fault{kind, id, offset, declared, available});
}

std::string ReadBuffer::describe(const Fault& fault) {
  char text[160];
  switch (fault.kind) {
    case Fault::CHUNK_OVERRUN:
      std::snprintf(text, sizeof(text), "chunk 0x%X at offset %u declares %u bytes but only %u remain in its parent",
                    fault.id, fault.offset, fault.declared, fault.available);
      break;
    case Fault::ZERO_ID:
      std::snprintf(text, sizeof(text), "invalid chunk identifier 0 at offset %u", fault.offset);
      break;
    case Fault::TRUNCATED_HEADER:
      std::snprintf(text, sizeof(text), "chunk header cut short at offset %u (%u bytes left)", fault.offset,
                    fault.available);
      break;
    case Fault::TOO_DEEP:
      std::snprintf(text, sizeof(text), "chunk 0x%X at offset %u is nested too deeply", fault.id, fault.offset);
      break;
  }
  return text;
}

}  // namespace chunklib
}  // namespace zelkor
