#pragma once
// A hidden window with an OpenGL compatibility context, shared by all GL tests
// of one test executable.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

struct GLFWwindow;

namespace kindra_test {

// Creates the window on first use; later calls make it current again.
// Returns nullptr (with a failure recorded) when no display is available.
GLFWwindow* sharedGlWindow();

// RGBA pixels of the current read buffer, rows from the bottom as GL gives them.
std::vector<uint8_t> readPixelsRGBA(int x, int y, int width, int height);

class GlTest : public testing::Test {
 public:
  static constexpr int kWidth = 256;
  static constexpr int kHeight = 256;

 protected:
  void SetUp() override;
  void TearDown() override;  // fails the test on a pending GL error
};

}  // namespace kindra_test
