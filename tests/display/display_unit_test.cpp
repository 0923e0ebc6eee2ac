// Parts of the display layer that need no window.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "dis_clock.h"
#include "dis_display_obsolete.h"
#include "dis_glinclude.h"
#include "dis_listener.h"
#include "dis_shader_gl.h"
#include "dis_vboibo_gl.h"
#include "dis_windowmode.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

using namespace zelkor::display;

TEST(ClockTest, RunsFromItsOriginAndLatchesOnUpdate) {
  Clock clock;
  clock.setTime(42.0f);
  EXPECT_NEAR(clock.getTime(), 42.0f, 0.05f);
  clock.update();
  const float latched = clock.getTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(clock.getTime(), latched) << "after update() the time holds until the next update()";
  clock.setTime(3.0f);
  EXPECT_EQ(clock.getTime(), latched) << "setTime leaves the latched time";
  clock.update();
  EXPECT_NEAR(clock.getTime(), 3.0f, 0.05f);
  Clock::sleep(-1.0f);  // nothing to wait for
}

TEST(Hex2VecTest, PairsOfDigitsInRgbaOrder) {
  using zelkor::mathbase::Vector4f;
  const auto expectColour = [](const Vector4f& v, float r, float g, float b, float a) {
    EXPECT_NEAR(v.x, r, 1e-5f);
    EXPECT_NEAR(v.y, g, 1e-5f);
    EXPECT_NEAR(v.z, b, 1e-5f);
    EXPECT_NEAR(v.w, a, 1e-5f);
  };
  expectColour(DisplayObsolete::hex2vec("ff8000"), 1.0f, 0.50196f, 0.0f, 1.0f);
  expectColour(DisplayObsolete::hex2vec("FF800040"), 1.0f, 0.50196f, 0.0f, 64.0f / 255.0f);
  expectColour(DisplayObsolete::hex2vec("aBcD"), 171.0f / 255.0f, 205.0f / 255.0f, 0.0f, 1.0f);
  expectColour(DisplayObsolete::hex2vec(""), 0.0f, 0.0f, 0.0f, 1.0f);
  // a non-hex character counts as 0; a lone last digit is the high one
  expectColour(DisplayObsolete::hex2vec("zf0g0"), 15.0f / 255.0f, 0.0f, 0.0f, 1.0f);
  expectColour(DisplayObsolete::hex2vec("12345678ff"), 0x12 / 255.0f, 0x34 / 255.0f, 0x56 / 255.0f, 0x78 / 255.0f);
}

TEST(ErrorReports, GlCodesByNameOthersInHexAndFailedPreconditionsWithTheExpression) {
  char buffer[32];
  EXPECT_STREQ(glErrorName(GL_INVALID_VALUE, buffer), "GL_INVALID_VALUE");
  EXPECT_STREQ(glErrorName(GL_TABLE_TOO_LARGE, buffer), "GL_TABLE_TOO_LARGE");
  EXPECT_STREQ(glErrorName(GL_INVALID_FRAMEBUFFER_OPERATION, buffer), "GL_INVALID_FRAMEBUFFER_OPERATION");
  EXPECT_STREQ(glErrorName(0x1234, buffer), "0x1234");

  // a failed precondition throws with the expression
  kindra_test::StdoutCapture capture;
  const int height = 3;
  try {
    DIS_ASSERT((height & 1) == 0);
    FAIL() << "no exception";
  } catch (const zelkor::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("'(height & 1) == 0'"), std::string::npos) << e.what();
  }
  capture.finish();
}

TEST(VariableTypes, NamesGlArrayTypesAndTheElementsOfEveryUniformType) {
  const std::tuple<VariableType, const char*, GLenum> elements[] = {
      {TYPE_BOOL, "bool", GL_UNSIGNED_BYTE},  // GL has no boolean arrays
      {TYPE_BYTE, "byte", GL_BYTE},          {TYPE_UBYTE, "ubyte", GL_UNSIGNED_BYTE}, {TYPE_SHORT, "short", GL_SHORT},
      {TYPE_USHORT, "ushort", GL_UNSIGNED_SHORT}, {TYPE_INT, "int", GL_INT},         {TYPE_UINT, "uint", GL_UNSIGNED_INT},
      {TYPE_FLOAT, "float", GL_FLOAT},       {TYPE_DOUBLE, "double", GL_DOUBLE}};
  for (const auto& [type, name, gl] : elements) {
    EXPECT_STREQ(getVariableTypeName(type), name);
    EXPECT_EQ(getVariableTypeGL(type), gl) << name;
  }
  EXPECT_STREQ(getVariableTypeName(static_cast<VariableType>(42)), "none");
  kindra_test::StdoutCapture capture;
  EXPECT_THROW(getVariableTypeGL(TYPE_NONE), zelkor::Exception);
  capture.finish();

  // matrices count every element; samplers are one int, the texture unit
  const std::tuple<GLenum, VariableType, int> uniforms[] = {
      {GL_FLOAT_VEC3, TYPE_FLOAT, 3},   {GL_INT_VEC2, TYPE_INT, 2},        {GL_INT_VEC3, TYPE_INT, 3},
      {GL_INT_VEC4, TYPE_INT, 4},       {GL_BOOL, TYPE_BOOL, 1},           {GL_BOOL_VEC2, TYPE_BOOL, 2},
      {GL_BOOL_VEC3, TYPE_BOOL, 3},     {GL_BOOL_VEC4, TYPE_BOOL, 4},      {GL_FLOAT_MAT2, TYPE_FLOAT, 4},
      {GL_FLOAT_MAT3, TYPE_FLOAT, 9},   {GL_FLOAT_MAT2x3, TYPE_FLOAT, 6},  {GL_FLOAT_MAT2x4, TYPE_FLOAT, 8},
      {GL_FLOAT_MAT3x2, TYPE_FLOAT, 6}, {GL_FLOAT_MAT3x4, TYPE_FLOAT, 12}, {GL_FLOAT_MAT4x2, TYPE_FLOAT, 8},
      {GL_FLOAT_MAT4x3, TYPE_FLOAT, 12}, {GL_UNSIGNED_INT, TYPE_UINT, 1},  {GL_UNSIGNED_INT_VEC2, TYPE_UINT, 2},
      {GL_UNSIGNED_INT_VEC3, TYPE_UINT, 3}, {GL_UNSIGNED_INT_VEC4, TYPE_UINT, 4}, {GL_DOUBLE, TYPE_DOUBLE, 1},
      {GL_SAMPLER_CUBE, TYPE_INT, 1},   {GL_SAMPLER_2D_SHADOW, TYPE_INT, 1}, {GL_NONE, TYPE_NONE, 0}};
  for (const auto& [gl, type, count] : uniforms) {
    const Variable element = Shader_GL::getVaribleFromGLType(gl);
    EXPECT_EQ(element.type, type) << std::hex << gl;
    EXPECT_EQ(element.numElements, count) << std::hex << gl;
  }
}

}  // namespace
