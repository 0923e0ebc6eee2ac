#pragma once
// A display device with an open window and a scratch archive, for the tests
// of GPU resources. Each test draws straight into the back buffer with a
// pixel-exact projection (one unit per pixel, origin at the bottom left) and
// reads it back. The log is captured: no test may leave a GL error in it, and
// no resource may outlive its test.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "am.h"
#include "dis_display_glfw.h"
#include "dis_glinclude.h"
#include "test_support.h"

namespace gpu_test {

struct Rgba {
  int r, g, b, a;
  bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
std::ostream& operator<<(std::ostream& out, const Rgba& c);

// B, G, R, A of pixel (x, y), row 0 at the top.
using PixelFunction = std::function<Rgba(int x, int y)>;

// A coloured 2D vertex: "position" (2 floats, index 0) and "color" (4 floats,
// index 1), 24 bytes.
struct ColorVertex {
  float x, y;
  float r, g, b, a;
};
// The definition of ColorVertex (owned by the caller).
zelkor::display::VertexDef* colorVertexDef();
// Two triangles covering (x0, y0)-(x1, y1) in one colour.
void colorQuad(ColorVertex* out, float x0, float y0, float x1, float y1, float r, float g, float b, float a = 1.0f);

class GpuTest : public testing::Test {
 public:
  static constexpr int kSize = 256;

 protected:
  void SetUp() override;
  void TearDown() override;

  // A new picture; pixels from `pixel` as R, G, B, A.
  static zelkor::am::Image makeImage(int width, int height, const PixelFunction& pixel);
  // Writes the picture as a PNG file into the archive.
  void writePng(const std::string& name, const zelkor::am::Image& image);
  // Creates the folders the name needs.
  void writeText(const std::string& name, const std::string& text);
  // `prefix`.vert and `prefix`.frag: ColorVertex in pixel space (the fixed
  // model-view-projection), the vertex colour times the uniform "tint".
  void writeColorShader(const std::string& prefix);

  // Fixed-function state for pixel-exact drawing: no shader, no blending.
  void pixelSpace();
  void clear(float r, float g, float b, float a = 1.0f);
  // A quad from (x0, y0) to (x1, y1) with texture coordinates 0..1, the
  // picture's top row at the top.
  void drawQuad(float x0, float y0, float x1, float y1);
  // Pixel (x, y) of the back buffer, y from the bottom.
  Rgba pixel(int x, int y);

  // Log lines written since the last call (or the start of the test).
  std::string takeLog();

  // The exception's message, or "" when `body` does not throw.
  static std::string errorOf(const std::function<void()>& body);

  std::unique_ptr<kindra_test::ScratchDir> scratch;
  std::unique_ptr<zelkor::am::ArchiveManager> archive;
  std::unique_ptr<zelkor::display::DisplayGLFW> device;

 private:
  std::string mLog;
  std::unique_ptr<kindra_test::StdoutCapture> mCapture;
};

}  // namespace gpu_test
