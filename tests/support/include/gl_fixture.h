#pragma once
// Reading back what a GL test drew.

#include <GL/glew.h>

#include <cstdint>
#include <vector>

namespace kindra_test {

// RGBA pixels of the current read buffer, rows from the bottom as GL gives them.
inline std::vector<uint8_t> readPixelsRGBA(int x, int y, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

}  // namespace kindra_test
