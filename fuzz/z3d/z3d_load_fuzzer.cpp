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

// The logger keeps one function name per call site for the whole run, on
// purpose; only an inner pointer to it stays, which the leak checker reports.
extern "C" const char* __lsan_default_suppressions() { return "leak:zlk_function_name\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 22)) return 0;
  const std::string problem = z3d_fuzz::checkInput(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
