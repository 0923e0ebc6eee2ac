#pragma once
// Exceptions and logging shared by every library of the system.

#include <exception>
#include <string>

namespace zelkor {

// One log record; every string is borrowed and valid only during the call.
struct LogData {
  const char* type;      // "log", "info", "warning", "error"
  const char* message;
  const char* file;
  const char* function;
  const char* domain;    // "app", "system", "display", "z3d", "Kindra"
  int line;
};

// Log front end: formats into one static 2048-character buffer (at most 2047
// characters are kept) and hands the record to zlk_log_callback.
void zlk_megasuperlogger(const char* type, const char* domain, const char* file, int line,
                         const char* function, const char* format, ...)
    __attribute__((format(printf, 6, 7)));

// Log back end; defined by the application, not by this library.
void zlk_log_callback(const LogData& data);

// Qualified name of the function whose __PRETTY_FUNCTION__ text is given,
// e.g. "zelkor::display::DisplayGLFW::close". The returned text lives for the
// whole run; the logging macros compute it once per call site.
const char* zlk_function_name(const char* prettyFunction);

// The one exception type of all libraries. Constructing it logs the message
// (type "error", domain "system") whether or not it is ever thrown.
class Exception : public std::exception {
 public:
  explicit Exception(const char* format, ...) __attribute__((format(printf, 2, 3)));
  explicit Exception(const std::string& message);
  Exception(const Exception& other);
  Exception& operator=(const Exception& other);
  ~Exception() override;

  const char* what() const noexcept override;

  enum { MESSAGE_SIZE = 8000 };
  char argMsg[MESSAGE_SIZE];
};

}  // namespace zelkor

// Log with the caller's file, line and qualified function name.
#define ZLK_LOG(type, domain, ...)                                                          \
  do {                                                                                      \
    static const char* const zlkFunctionName_ = ::zelkor::zlk_function_name(__PRETTY_FUNCTION__); \
    ::zelkor::zlk_megasuperlogger(type, domain, __FILE__, __LINE__, zlkFunctionName_, __VA_ARGS__); \
  } while (0)
