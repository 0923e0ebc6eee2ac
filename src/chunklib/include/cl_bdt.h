#pragma once
// Basic data types implied by the low four bits of a chunk identifier.

#include <cstdint>

namespace zelkor {
namespace chunklib {

class BDT {
 public:
  // Payload size implied by the identifier: 0 (not typed), 1, 2, 4, 4, 8, 12 or 16 bytes.
  static uint32_t getSize(uint16_t id) {
    static const uint8_t kSizes[16] = {0, 1, 2, 4, 4, 8, 12, 16, 0, 0, 0, 0, 0, 0, 0, 0};
    return kSizes[id & 0xF];
  }
  static bool isBDT(uint16_t id) { return getSize(id) != 0; }
  // A readable name of the identifier's type ("none" when it is not typed).
  static const char* getName(uint16_t id);
};

// Little-endian encoding shared by both buffers; independent of the host's byte order.
inline uint16_t loadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t loadLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void storeLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void storeLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
float loadLEFloat(const uint8_t* p);
void storeLEFloat(uint8_t* p, float v);

}  // namespace chunklib
}  // namespace zelkor
