#include "dis_glinclude.h"

#include <cstdio>

#include "zlk_system.h"

namespace zelkor {
namespace display {

namespace {
struct GlErrorName {
  GLenum code;
  const char* name;
};

// GL_INVALID_FRAMEBUFFER_OPERATION is reported like the classic codes:
// render-target misuse must not pass unnoticed.
const GlErrorName kGlErrors[] = {
    {GL_NO_ERROR, "GL_NO_ERROR"},
    {GL_INVALID_ENUM, "GL_INVALID_ENUM"},
    {GL_INVALID_VALUE, "GL_INVALID_VALUE"},
    {GL_INVALID_OPERATION, "GL_INVALID_OPERATION"},
    {GL_STACK_OVERFLOW, "GL_STACK_OVERFLOW"},
    {GL_STACK_UNDERFLOW, "GL_STACK_UNDERFLOW"},
    {GL_OUT_OF_MEMORY, "GL_OUT_OF_MEMORY"},
    {GL_TABLE_TOO_LARGE, "GL_TABLE_TOO_LARGE"},
    {GL_INVALID_FRAMEBUFFER_OPERATION, "GL_INVALID_FRAMEBUFFER_OPERATION"},
};
}  // namespace

const char* glErrorName(GLenum error, char (&buffer)[32]) {
  for (const GlErrorName& entry : kGlErrors) {
    if (entry.code == error) return entry.name;
  }
  std::snprintf(buffer, sizeof(buffer), "0x%04X", static_cast<unsigned>(error));
  return buffer;
}

void glReportError(const char* file, int line, const char* statement) {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return;
  char buffer[32];
  throw Exception("GL-error at [%d] %s\nLine: %s\nError: '%s'\n", line, file, statement, glErrorName(error, buffer));
}

void failedAssertion(const char* expression, const char* file, int line) {
  throw Exception("Assertion failed: '%s' (%s:%d)", expression, file, line);
}

}  // namespace display
}  // namespace zelkor
