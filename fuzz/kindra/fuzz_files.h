#pragma once
// Whole files in and out for the fuzzers that go through the disk as the
// engine does.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kindra_fuzz {

inline std::string readAll(const char* path) {
  std::string text;
  FILE* f = std::fopen(path, "rb");
  if (!f) return text;
  char block[4096];
  size_t got;
  while ((got = std::fread(block, 1, sizeof(block), f)) > 0) text.append(block, got);
  std::fclose(f);
  return text;
}

inline void writeAll(const char* path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path, "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

}  // namespace kindra_fuzz
