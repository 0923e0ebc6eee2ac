#include "cl_bdt.h"

#include <cstring>

namespace zelkor {
namespace chunklib {

const char* BDT::getName(uint16_t id) {
  static const char* const kNames[16] = {"none",    "byte",    "short",   "int",     "float",   "vector2",
                                         "vector3", "vector4", "none",    "none",    "none",    "none",
                                         "none",    "none",    "none",    "none"};
  return kNames[id & 0xF];
}

float loadLEFloat(const uint8_t* p) {
  const uint32_t bits = loadLE32(p);
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}

void storeLEFloat(uint8_t* p, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  storeLE32(p, bits);
}

}  // namespace chunklib
}  // namespace zelkor
