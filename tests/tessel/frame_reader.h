#pragma once
// Reading back what a real display drew: a known colour under everything,
// and the pixels of the last frame.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "dis_display.h"
#include "dis_glinclude.h"
#include "dis_listener.h"
#include "mb_box2.h"

namespace kindra_test {

struct Rgb {
  int r, g, b;
};

// Clears the frame to a known colour before the listeners after it draw.
class Clearer : public zelkor::display::Listener {
 public:
  Clearer(float r, float g, float b) : mR(r), mG(g), mB(b) {}
  void onDraw() override {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(mR, mG, mB, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }

 private:
  float mR, mG, mB;
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

}  // namespace kindra_test
