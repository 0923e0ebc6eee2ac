#include "zlk_system.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

namespace zelkor {

namespace {
enum { LOG_BUFFER_SIZE = 2048 };
char gLogBuffer[LOG_BUFFER_SIZE];

void logException(const char* message, int line) {
  zlk_megasuperlogger("error", "system", "zlk_system", line, "Exception", "%s", message);
}
}  // namespace

void zlk_megasuperlogger(const char* type, const char* domain, const char* file, int line,
                         const char* function, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(gLogBuffer, LOG_BUFFER_SIZE, format, args);
  va_end(args);
  gLogBuffer[LOG_BUFFER_SIZE - 1] = 0;

  LogData data;
  data.type = type;
  data.message = gLogBuffer;
  data.file = file;
  data.function = function;
  data.domain = domain;
  data.line = line;
  zlk_log_callback(data);
}

const char* zlk_function_name(const char* pretty) {
  // "ret ns::Class::name(args) const" -> "ns::Class::name"; the parameter list
  // is the first '(' outside template brackets, the return type ends at the
  // last blank before it outside template brackets.
  const size_t length = std::strlen(pretty);
  size_t open = length;
  int depth = 0;
  for (size_t i = 0; i < length; ++i) {
    const char c = pretty[i];
    if (c == '<') ++depth;
    else if (c == '>') --depth;
    else if (c == '(' && depth == 0) {
      // "operator()" keeps its own brackets
      if (i >= 8 && std::strncmp(pretty + i - 8, "operator", 8) == 0 && i + 1 < length && pretty[i + 1] == ')') {
        ++i;
        continue;
      }
      open = i;
      break;
    }
  }
  size_t begin = 0;
  depth = 0;
  for (size_t i = open; i > 0; --i) {
    const char c = pretty[i - 1];
    if (c == '>') ++depth;
    else if (c == '<') --depth;
    else if ((c == ' ' || c == '*' || c == '&') && depth == 0) {
      begin = i;
      break;
    }
  }
  // Kept for the whole run and reachable from here, so that leak checkers
  // (the fuzzers run with one) do not report them; a deque never moves them.
  static std::deque<std::string>* names = new std::deque<std::string>;
  names->emplace_back(pretty + begin, open - begin);
  return names->back().c_str();
}

Exception::Exception(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(argMsg, MESSAGE_SIZE, format, args);  // cut, never overrun
  va_end(args);
  argMsg[MESSAGE_SIZE - 1] = 0;
  logException(what(), __LINE__);
}

Exception::Exception(const std::string& message) {
  // The stored message keeps at most 2047 characters, like a log line.
  const size_t count = message.size() < LOG_BUFFER_SIZE - 1 ? message.size() : LOG_BUFFER_SIZE - 1;
  std::memcpy(argMsg, message.data(), count);
  argMsg[count] = 0;
  logException(what(), __LINE__);
}

Exception::Exception(const Exception& other) : std::exception(other) {
  std::memcpy(argMsg, other.argMsg, MESSAGE_SIZE);
}

Exception& Exception::operator=(const Exception& other) {
  std::exception::operator=(other);
  std::memcpy(argMsg, other.argMsg, MESSAGE_SIZE);
  return *this;
}

Exception::~Exception() = default;

const char* Exception::what() const noexcept { return argMsg; }

}  // namespace zelkor
