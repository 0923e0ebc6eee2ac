#pragma once
// OpenGL headers for the display layer, the GL error check and the
// precondition check.

#include <GL/glew.h>
#include <GL/glu.h>

namespace zelkor {
namespace display {

// Reads glGetError() once; on an error throws Exception
// "GL-error at [line] file\nLine: statement\nError: 'name'\n".
// `statement` is the literal text of the call that was just executed, or
// "Checking status" for a check of errors left by earlier code.
void glReportError(const char* file, int line, const char* statement);

// Name of a GL error code ("GL_INVALID_ENUM", ...); codes outside the known
// table are shown in hex.
const char* glErrorName(GLenum error, char (&buffer)[32]);

// Throws Exception "Assertion failed: 'expression' (file:line)"; a failed
// precondition stops the operation in every build type.
[[noreturn]] void failedAssertion(const char* expression, const char* file, int line);

}  // namespace display
}  // namespace zelkor

#define GL_REPORT_ERROR(file, line, statement) ::zelkor::display::glReportError(file, line, statement)

// Executes a GL statement and checks it, reporting its literal text.
#define GL_CHECK(statement)                              \
  do {                                                   \
    statement;                                           \
    GL_REPORT_ERROR(__FILE__, __LINE__, #statement);     \
  } while (0)

// Checks for errors left behind by earlier code.
#define GL_CHECK_STATUS() GL_REPORT_ERROR(__FILE__, __LINE__, "Checking status")

#define DIS_ASSERT(expression) \
  ((expression) ? static_cast<void>(0) : ::zelkor::display::failedAssertion(#expression, __FILE__, __LINE__))
