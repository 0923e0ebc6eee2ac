#pragma once
// The toolkit on a real display: a window over a scratch archive, a known
// colour under everything, and the pixels of the last frame read back.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "am.h"
#include "dis_display.h"
#include "dis_display_glfw.h"
#include "dis_glinclude.h"
#include "dis_listener.h"
#include "mb_box2.h"
#include "tessel.h"
#include "test_support.h"

namespace kindra_test {

struct Rgb {
  int r, g, b;
};

// Clears the frame to a known colour before the listeners after it draw.
class Clearer : public zelkor::display::Listener {
 public:
  void onDraw() override {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  float r = 0.0f, g = 0.0f, b = 0.25f;
};

class FrameReader {
 public:
  // Runs one frame of the device and reads the window back.
  void read(zelkor::display::DisplayGL& device) {
    ASSERT_TRUE(device.update());
    mWidth = device.getWindowMode().width;
    mHeight = device.getWindowMode().height;
    mShot.assign(static_cast<size_t>(mWidth) * mHeight * 4, 0);
    device.getScreenShotBGRA(mShot.data());
  }
  Rgb at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * mWidth + x) * 4;
    return {mShot[i + 2], mShot[i + 1], mShot[i]};
  }
  testing::AssertionResult pixelIs(int x, int y, int r, int g, int b, int tolerance) const {
    const Rgb p = at(x, y);
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance) {
      return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "at (" << x << ", " << y << "): " << p.r << " " << p.g << " " << p.b
                                       << ", expected " << r << " " << g << " " << b;
  }
  // Pixels in a box brighter than `level` in every channel (text, marks).
  int brightIn(const zelkor::mathbase::Box2& a, int level = 150) const {
    int n = 0;
    for (int y = static_cast<int>(a.mMin.y); y < static_cast<int>(a.mMax.y); ++y) {
      for (int x = static_cast<int>(a.mMin.x); x < static_cast<int>(a.mMax.x); ++x) {
        const Rgb p = at(x, y);
        n += p.r > level && p.g > level && p.b > level;
      }
    }
    return n;
  }

 private:
  int mWidth = 0;
  int mHeight = 0;
  std::vector<uint8_t> mShot;
};

// A window of its own per test. SetUp mounts the scratch directory; a test's
// SetUp writes what else it needs there, then calls open().
class DrawFixture : public testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(archive.addArchive(dir.path() + "/"), 0); }
  // Writes the layout and style, opens the window and loads the layout (its
  // log in loadLog).
  void open(const char* layout, const char* style, int width, int height) {
    ASSERT_TRUE(writeFile(dir.file("layout.xml"), layout));
    ASSERT_TRUE(writeFile(dir.file("style.xml"), style));
    device = std::make_unique<zelkor::display::DisplayGLFW>();
    device->setArchive(&archive);
    device->open(zelkor::display::WindowMode("tessel test", width, height, false));
    ASSERT_EQ(device->getWindowMode().width, width);
    device->addListener(&clearer);
    tessel = std::make_unique<zelkor::tessel::Tessel>(device.get());
    StdoutCapture capture;
    tessel->load("layout.xml");
    loadLog = capture.finish();
  }
  void TearDown() override {
    tessel.reset();
    if (device) device->removeListener(&clearer);
    device.reset();
  }

  void frame() { reader.read(*device); }
  Rgb at(int x, int y) const { return reader.at(x, y); }
  void expectPixel(int x, int y, int r, int g, int b, int tolerance = 2) const {
    EXPECT_TRUE(reader.pixelIs(x, y, r, g, b, tolerance));
  }
  template <class T>
  T* get(const std::string& id) {
    T* control = dynamic_cast<T*>(tessel->findControl(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
  }

  ScratchDir dir{"tessel_draw"};
  zelkor::am::ArchiveManager archive;
  std::unique_ptr<zelkor::display::DisplayGLFW> device;
  Clearer clearer;
  std::unique_ptr<zelkor::tessel::Tessel> tessel;
  FrameReader reader;
  std::string loadLog;
};

}  // namespace kindra_test
