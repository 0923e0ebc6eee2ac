// Scene loading from untrusted bytes: load, use everything loaded, and check
// that the writer and the reader agree on it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "z3d_walk.h"
#include "zlk_system.h"

namespace zelkor {
// Log lines would only slow the fuzzer down.
void zlk_log_callback(const LogData&) {}
}  // namespace zelkor

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 22)) return 0;
  const std::string problem = z3d_fuzz::checkInput(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
