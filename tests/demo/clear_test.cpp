// The clear effect wipes colour and depth to its animated colour, also when
// its colour has no keys at all.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "clear.h"
#include "gl_fixture.h"

namespace {

using kindra_test::GlTest;
using kindra_test::readPixelsRGBA;

class ClearTest : public GlTest {
 protected:
  // Dirties the frame: red colour, depth 0.25 everywhere.
  void dirty() {
    ::glClearColor(1, 0, 0, 1);
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  static float depthAt(int x, int y) {
    float depth = -1;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
  }
  static void expectPixel(int r, int g, int b) {
    const std::vector<uint8_t> p = readPixelsRGBA(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_NEAR(p[0], r, 1);
    EXPECT_NEAR(p[1], g, 1);
    EXPECT_NEAR(p[2], b, 1);
  }
};

TEST_F(ClearTest, AnEmptyColourStillClearsToBlackAndFarDepth) {
  Clear clear;
  ASSERT_EQ(clear.mColor.getNumKeys(), 0);
  dirty();
  clear.draw(3.0f, 0.016f, 0.3f);
  expectPixel(0, 0, 0);
  EXPECT_FLOAT_EQ(depthAt(10, 10), 1.0f);
}

TEST_F(ClearTest, TheColourFollowsItsKeysOverTheEffectsTime) {
  Clear clear;  // 10 s wide by default; keys are fractions of it
  clear.mColor.mR.addKey({0.0f, 0.0f});
  clear.mColor.mG.addKey({0.0f, 1.0f});
  clear.mColor.mB.addKey({0.0f, 0.0f});
  clear.mColor.mR.addKey({1.0f, 1.0f});
  clear.mColor.mG.addKey({1.0f, 0.0f});
  clear.mColor.mB.addKey({1.0f, 0.5f});
  dirty();
  clear.draw(0.0f, 0.016f, 0.0f);
  expectPixel(0, 255, 0);
  dirty();
  clear.draw(5.0f, 0.016f, 0.5f);
  expectPixel(128, 128, 64);
  EXPECT_FLOAT_EQ(depthAt(kWidth - 1, kHeight - 1), 1.0f);
}

}  // namespace
