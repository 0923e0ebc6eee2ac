#include "gl_fixture.h"

namespace kindra_test {
namespace {

// The fixture itself: a context that clears and reads back.
TEST_F(GlTest, ClearsAndReadsBack) {
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  const std::vector<uint8_t> pixels = readPixelsRGBA(10, 10, 1, 1);
  EXPECT_EQ(pixels[0], 255);
  EXPECT_EQ(pixels[1], 0);
  EXPECT_EQ(pixels[2], 0);
  EXPECT_NE(glGetString(GL_VERSION), nullptr);
}

}  // namespace
}  // namespace kindra_test
