// The volumetric effect sets up only with blend equations (either
// extension), and its frame leaves the blend state as it found it; black
// volumes add and take off nothing.

#include <gtest/gtest.h>

#include <string>

#include "closing_fixture.h"
#include "volumetric.h"

namespace {

using closing_test::ClosingTest;
using closing_test::Rgb;
using zelkor::mathbase::SplineBaseKey;

const char kMessage[] = "Your graphics card does not support blending equations! [GL_EXT_blend_subtract or GL_ARB_imaging]";

class VolumetricTest : public ClosingTest {
 protected:
  void SetUp() override {
    ClosingTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    useDataFolder();
    effect.mDisplay = device.get();
  }
  void colour(float r, float g, float b) {
    effect.mColor.mR.addKey(SplineBaseKey<float>(0.0f, r));
    effect.mColor.mG.addKey(SplineBaseKey<float>(0.0f, g));
    effect.mColor.mB.addKey(SplineBaseKey<float>(0.0f, b));
  }
  // Pixels that differ from the background grey.
  size_t changed(uint8_t grey) const {
    const std::vector<uint8_t> pixels = frame();
    size_t count = 0;
    for (uint8_t v : pixels) count += v != grey;
    return count;
  }
  std::string setupError() {
    try {
      effect.setup();
    } catch (const zelkor::Exception& e) {
      return e.what();
    }
    return std::string();
  }
  Volumetric effect;
};

TEST_F(VolumetricTest, WithoutEitherExtensionSetupFailsAndNothingIsDrawn) {
  device->hidden = {"GL_EXT_blend_subtract", "GL_ARB_imaging"};
  const size_t before = device->getResources().size();
  EXPECT_EQ(setupError(), kMessage);
  EXPECT_EQ(effect.mShader, nullptr);
  EXPECT_EQ(device->getResources().size(), before) << "no program was made";

  colour(1.0f, 1.0f, 1.0f);
  beginFrame(0.25f);
  effect.draw(1.0f, 0.0f, 0.1f);
  EXPECT_EQ(changed(64), 0u);
}

TEST_F(VolumetricTest, EitherExtensionIsEnough) {
  device->hidden = {"GL_EXT_blend_subtract"};
  device->added = {"GL_ARB_imaging"};
  EXPECT_EQ(setupError(), "");
  EXPECT_NE(effect.mShader, nullptr);

  Volumetric other;
  other.mDisplay = device.get();
  device->hidden = {"GL_ARB_imaging"};
  device->added = {"GL_EXT_blend_subtract"};
  EXPECT_NO_THROW(other.setup());
}

class VolumetricDrawTest : public VolumetricTest {
 protected:
  void SetUp() override {
    VolumetricTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!Volumetric::hasBlendEquations(*device)) GTEST_SKIP() << "the driver has no blend equations";
    ASSERT_EQ(setupError(), "");
  }
};

TEST_F(VolumetricDrawTest, TheProgramTakesTheIntensityAndTheStateIsRestored) {
  colour(1.0f, 0.8f, 0.5f);
  beginFrame(0.25f);
  glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);  // whatever came before
  effect.draw(2.0f, 0.0f, 0.2f);
  EXPECT_GE(effect.mShader->getUniformLocation("intensity"), 0);

  GLint equation = 0;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_ADD);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_EQ(depthWrites, GL_TRUE);
  GLint program = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(program, 0);

  // the wall is seen: its volumes light part of the frame
  EXPECT_GT(changed(64), 1000u);
}

TEST_F(VolumetricDrawTest, BlackVolumesAddAndTakeOffNothing) {
  colour(0.0f, 0.0f, 0.0f);
  beginFrame(0.25f);
  effect.draw(2.0f, 0.0f, 0.2f);
  EXPECT_EQ(changed(64), 0u);
}

TEST_F(VolumetricDrawTest, TheOutlinesDrawToo) {
  colour(1.0f, 1.0f, 1.0f);
  beginFrame(0.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glColor3f(1.0f, 1.0f, 1.0f);
  effect.drawScene(1.0f, true);
  EXPECT_GT(changed(0), 100u);
}

}  // namespace
