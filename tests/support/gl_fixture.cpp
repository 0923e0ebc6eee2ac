#include "gl_fixture.h"

#include <GLFW/glfw3.h>

namespace kindra_test {

GLFWwindow* sharedGlWindow() {
  static GLFWwindow* window = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (!glfwInit()) {
      ADD_FAILURE() << "glfwInit failed: GL tests need a display (run them through scripts/test.sh)";
      return nullptr;
    }
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window = glfwCreateWindow(GlTest::kWidth, GlTest::kHeight, "kindra test", nullptr, nullptr);
    if (!window) {
      ADD_FAILURE() << "could not create a GL window";
      return nullptr;
    }
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
      ADD_FAILURE() << "glewInit failed";
      return nullptr;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  if (window) glfwMakeContextCurrent(window);
  return window;
}

std::vector<uint8_t> readPixelsRGBA(int x, int y, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

void GlTest::SetUp() {
  ASSERT_NE(sharedGlWindow(), nullptr);
  glViewport(0, 0, kWidth, kHeight);
}

void GlTest::TearDown() {
  const GLenum error = glGetError();
  EXPECT_EQ(error, static_cast<GLenum>(GL_NO_ERROR)) << "GL error 0x" << std::hex << error;
}

}  // namespace kindra_test
