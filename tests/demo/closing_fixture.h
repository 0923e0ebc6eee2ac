#pragma once
// The closing effects on a real display device: a 1024 x 512 window, an
// archive in a scratch folder for the test's own pictures, effects drawn the
// way the engine draws them (states reset, frame cleared) and read back.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "am.h"
#include "am_image.h"
#include "dis_display_glfw.h"
#include "dis_glinclude.h"
#include "test_support.h"

namespace closing_test {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::ostream& operator<<(std::ostream& out, const Rgb& c);

// A device that can hide extensions the driver has, or claim ones it lacks.
class TestDisplay : public zelkor::display::DisplayGLFW {
 public:
  bool hasExtension(const std::string& name) const override {
    if (hidden.count(name)) return false;
    return added.count(name) != 0 || DisplayGLFW::hasExtension(name);
  }
  std::set<std::string> hidden;
  std::set<std::string> added;
};

class ClosingTest : public testing::Test {
 public:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 512;

 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a picture of R, G, B pixels into the scratch archive.
  void writePicture(const std::string& name, int width, int height, const std::function<Rgb(int x, int y)>& pixel);
  // Reads from data/ (the generated pictures and the shaders) instead.
  void useDataFolder();

  // What the engine does before the effects draw, then a clear to `background`.
  void beginFrame(float background = 0.0f);
  // Pixel (x, y) of the back buffer, row 0 at the top of the window.
  Rgb pixel(int x, int y) const;
  // The whole back buffer, RGB, rows from the bottom.
  std::vector<uint8_t> frame() const;

  std::unique_ptr<kindra_test::ScratchDir> scratch;
  std::unique_ptr<zelkor::am::ArchiveManager> archive;
  std::unique_ptr<TestDisplay> device;
};

}  // namespace closing_test
