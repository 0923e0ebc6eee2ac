// Scene loading from untrusted bytes: load, use everything loaded, and check
// that the writer and the reader agree on it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "z3d_manager.h"
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
  zelkor::z3d::Manager manager;
  try {
    manager.load(data, static_cast<int>(size));
  } catch (const zelkor::Exception&) {
    return 0;  // wrong header or top chunk
  }
  z3d_fuzz::walk(manager);

  // whatever was loaded is written and reads back the same
  const std::vector<uint8_t> written = manager.write();
  zelkor::z3d::Manager again;
  again.load(written.data(), static_cast<int>(written.size()));
  if (z3d_fuzz::summary(again) != z3d_fuzz::summary(manager)) {
    std::fprintf(stderr, "reader and writer disagree:\n%s\n----\n%s\n", z3d_fuzz::summary(manager).c_str(),
                 z3d_fuzz::summary(again).c_str());
    std::abort();
  }
  return 0;
}
