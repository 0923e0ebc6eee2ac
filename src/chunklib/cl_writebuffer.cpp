#include "cl_writebuffer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "zlk_system.h"

namespace zelkor {
namespace chunklib {

WriteBuffer::WriteBuffer(const std::string& format, uint8_t major, uint8_t minor, uint32_t flags)
    : mFormat(format), mMajor(major), mMinor(minor), mFlags(flags) {
  writeHeader();
}

void WriteBuffer::writeHeader() {
  char name[4] = {0, 0, 0, 0};
  std::memcpy(name, mFormat.data(), mFormat.size() < 4 ? mFormat.size() : 4);
  store(name, 4);
  write(mMajor);
  write(mMinor);
}

void WriteBuffer::reserveFor(size_t length) {
  // Chunk offsets and lengths are 32-bit in the format.
  if (mData.size() + length >= 0xFFFFFFFFu)
    throw Exception("Chunked buffer '%s' would grow beyond 4 GiB", mFormat.c_str());
}

void WriteBuffer::openChunk(uint16_t id) {
  write(id);
  mChunkStack.push_back(ChunkData{id, static_cast<uint32_t>(mData.size())});
  if (!(BDT::isBDT(id) && (mFlags & FLAG_NO_TYPED_LENGTH))) write(static_cast<uint32_t>(0xFFFFFFFFu));
}

void WriteBuffer::closeChunk() {
  if (mChunkStack.empty()) return;
  const ChunkData chunk = mChunkStack.back();
  if (BDT::isBDT(chunk.mID) && (mFlags & FLAG_NO_TYPED_LENGTH)) {
    const size_t written = mData.size() - chunk.mOffset;
    if (written != BDT::getSize(chunk.mID))
      throw Exception("Typed chunk 0x%X holds %zu bytes instead of %u", chunk.mID, written, BDT::getSize(chunk.mID));
  } else {
    const size_t length = mData.size() - chunk.mOffset - 4;
    if (length == 0 && !(mFlags & FLAG_KEEP_EMPTY)) {
      mData.resize(chunk.mOffset - 2);  // the empty chunk is the last thing written
    } else {
      storeLE32(&mData[chunk.mOffset], static_cast<uint32_t>(length));
    }
  }
  mChunkStack.pop_back();
}

void WriteBuffer::write(const uint16_t& v) {
  uint8_t bytes[2];
  storeLE16(bytes, v);
  storeType(bytes, 2, APPEND);
}

void WriteBuffer::write(const uint32_t& v) {
  uint8_t bytes[4];
  storeLE32(bytes, v);
  storeType(bytes, 4, APPEND);
}

void WriteBuffer::write(const float& v) {
  uint8_t bytes[4];
  storeLEFloat(bytes, v);
  storeType(bytes, 4, APPEND);
}

void WriteBuffer::write(const std::string& v) { write(v.c_str()); }

void WriteBuffer::write(const char* v) { store(v, std::strlen(v) + 1); }

void WriteBuffer::store(const void* data, size_t length, uint32_t position) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (position == APPEND) {
    reserveFor(length);
    mData.insert(mData.end(), bytes, bytes + length);
  } else if (static_cast<size_t>(position) + length <= mData.size()) {
    std::memcpy(&mData[position], bytes, length);
  }
}

void WriteBuffer::storeType(const void* data, size_t length, uint32_t position) {
  if (position != APPEND && static_cast<size_t>(position) + length > mData.size())
    throw Exception("pPosition+pLength <= mData.size()");
  store(data, length, position);
}

void WriteBuffer::save(const std::string& path) const {
  // Write beside the target and rename over it, so a failed write never
  // leaves a half-written file behind.
  std::string temp = path + ".tmpXXXXXX";
  const int fd = mkstemp(&temp[0]);
  if (fd < 0) throw Exception("Could not write '%s': %s", path.c_str(), std::strerror(errno));
  // mkstemp makes the file private; give it the mode a plain fopen would
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  size_t done = 0;
  while (done < mData.size()) {
    const ssize_t n = ::write(fd, mData.data() + done, mData.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = errno;
      ::close(fd);
      std::remove(temp.c_str());
      throw Exception("Could not write '%s': %s", path.c_str(), std::strerror(err));
    }
    done += static_cast<size_t>(n);
  }
  int err = 0;
  if (::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) {
    std::remove(temp.c_str());
    throw Exception("Could not write '%s': %s", path.c_str(), std::strerror(err));
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    err = errno;
    std::remove(temp.c_str());
    throw Exception("Could not write '%s': %s", path.c_str(), std::strerror(err));
  }
}

}  // namespace chunklib
}  // namespace zelkor
