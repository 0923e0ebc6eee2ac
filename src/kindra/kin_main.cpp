#include <cstdio>
#include <cstring>

#include "zlk_system.h"

namespace zelkor {

// The application's log back end: one line per record on standard output.
void zlk_log_callback(const LogData& data) {
  const char* file = data.file ? data.file : "";
  for (const char* p = file + std::strlen(file); p > file; --p) {
    const char c = p[-1];
    if (c == '\\' || c == '/' || c == ':') {
      file = p;
      break;
    }
  }
  const char* function = data.function ? data.function : "";
  static const char kPrefix[] = "zelkor::";
  if (std::strncmp(function, kPrefix, sizeof(kPrefix) - 1) == 0) function += sizeof(kPrefix) - 1;

  std::printf("[%s][%s], %s (%s:%d)\n", data.type, function, data.message, file, data.line);
  std::fflush(stdout);  // keep lines in order with other output, even on a crash
}

}  // namespace zelkor
