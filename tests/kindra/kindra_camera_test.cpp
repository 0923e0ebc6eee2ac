// The camera plugin: poses on its key-framed path, flight with a game pad
// (input injected through the display's pad layer), its script payload and
// its editor under an effect's bar.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dis_display.h"
#include "kin_plugin_camera.h"
#include "kindra_editor_fixture.h"
#include "kindra_workdir.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zelkor::display::GamePadState;
using zelkor::kindra::Camera;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Vector2f;
using zelkor::mathbase::Vector3f;
using zelkor::tessel::Area;

// Wall time as the test says, so that each flight step has a known length.
class ScriptedCamera : public Camera {
 public:
  float now = 0.0f;

 protected:
  float wallTime() override { return now; }
};

class Flown : public zelkor::kindra::Effect {
 public:
  Flown() {
    mType = "Flown";
    mName = "F";
    mStart = 0.0f;
    mEnd = 10.0f;
    addPlugin("view", view);
  }
  void draw(float, float, float) override {}
  ScriptedCamera view;
};

void expectNear(const Vector3f& actual, const Vector3f& expected, float tolerance = 1e-4f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Adds a key with a position and a rotation by `angle` about y.
void addKey(Camera& camera, float u, const Vector3f& p, float angle) {
  const float v[7] = {p.x, p.y, p.z, 0.0f, std::sin(angle / 2.0f), 0.0f, std::cos(angle / 2.0f)};
  for (int i = 0; i < 7; ++i) camera.mSpline[i].addKey({u, v[i]});
}

// A curve through three evenly spaced keys with automatic tangents (mean of
// the neighbouring slopes, one-sided at the ends), evaluated at u.
float throughThree(float v0, float v1, float v2, float u) {
  const auto hermite = [](float a, float ta, float b, float tb, float s) {
    const float s2 = s * s, s3 = s2 * s;
    return a * (2 * s3 - 3 * s2 + 1) + ta * (s3 - 2 * s2 + s) + b * (-2 * s3 + 3 * s2) + tb * (s3 - s2);
  };
  const float middle = (v2 - v0) / 2.0f;
  if (u <= 0.5f) return hermite(v0, v1 - v0, v1, middle, u * 2.0f);
  return hermite(v1, middle, v2, v2 - v1, u * 2.0f - 1.0f);
}

// Where (0, 0, -1) points after a rotation by `angle` about y.
Vector3f aheadAfterYaw(float angle) { return Vector3f(-std::sin(angle), 0.0f, -std::cos(angle)); }

TEST(CameraPathTest, PosesAtAndBetweenKeys) {
  Flown effect;
  Camera& camera = effect.view;
  const Vector3f p0(0.0f, 1.0f, 2.0f), p1(4.0f, -2.0f, 2.0f), p2(10.0f, 0.0f, -6.0f);
  const float a0 = 0.0f, a1 = 1.5707964f, a2 = 3.1415927f;
  addKey(camera, 0.0f, p0, a0);
  addKey(camera, 0.5f, p1, a1);
  addKey(camera, 1.0f, p2, a2);

  // at the keys
  camera.getMatrix(5.0f);
  expectNear(camera.getPos(0.0f), p1);
  expectNear(camera.getLook(0.0f), p1 + aheadAfterYaw(a1));
  camera.getInverseMatrix(10.0f);
  expectNear(camera.getPos(0.0f), p2);
  expectNear(camera.getLook(0.0f), p2 + aheadAfterYaw(a2));

  // between them, and past the ends
  for (float t : {0.0f, 1.0f, 2.5f, 6.0f, 8.75f, 12.0f}) {
    SCOPED_TRACE(t);
    const float u = std::min(t / 10.0f, 1.0f);
    const Vector3f position(throughThree(p0.x, p1.x, p2.x, u), throughThree(p0.y, p1.y, p2.y, u),
                            throughThree(p0.z, p1.z, p2.z, u));
    const float w = throughThree(std::cos(a0 / 2), std::cos(a1 / 2), std::cos(a2 / 2), u);
    const float y = throughThree(std::sin(a0 / 2), std::sin(a1 / 2), std::sin(a2 / 2), u);
    const float angle = 2.0f * std::atan2(y, w);

    const Matrix4x4Col view = camera.getMatrix(t);
    expectNear(camera.getPos(t), position);
    expectNear(camera.getLook(t), position + aheadAfterYaw(angle));
    expectNear(view * position, Vector3f(0.0f, 0.0f, 0.0f));
    expectNear(view * camera.getLook(t), Vector3f(0.0f, 0.0f, -1.0f));
    expectNear(camera.getInverseMatrix(t) * Vector3f(0.0f, 0.0f, -2.0f), position + aheadAfterYaw(angle) * 2.0f);
    EXPECT_EQ(camera.getRoll(t), 0.0f);
  }
}

TEST(CameraPathTest, WithoutKeysOrWithAZeroOrientationTheCameraKeepsItsPose) {
  Flown effect;
  Camera& camera = effect.view;
  camera.mCurPos = Vector3f(1.0f, 2.0f, 3.0f);
  camera.getMatrix(4.0f);
  expectNear(camera.getPos(4.0f), Vector3f(1.0f, 2.0f, 3.0f));
  expectNear(camera.getLook(4.0f), Vector3f(1.0f, 2.0f, 2.0f));

  for (int i = 0; i < 7; ++i) camera.mSpline[i].addKey({0.5f, i == 0 ? 7.0f : 0.0f});
  const Matrix4x4Col view = camera.getMatrix(4.0f);
  expectNear(camera.getPos(4.0f), Vector3f(7.0f, 0.0f, 0.0f));
  expectNear(camera.getLook(4.0f), Vector3f(7.0f, 0.0f, -1.0f));
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(view.data()[i]));
}

// ------------------------------------------------------------ game pad

class PadTest : public testing::Test {
 protected:
  void SetUp() override {
    std::memset(&pad, 0, sizeof(pad));
    zelkor::display::setGamePadOverride(0, &pad);
    effect.addControl(&effect.view, -1);  // the camera's editor in its effect
    effect.view.setupControl(100.0f, -1.0f);
    effect.setFocus(&effect.view);
  }
  void TearDown() override {
    effect.removeControl(&effect.view);
    zelkor::display::setGamePadOverride(0, nullptr);
  }
  // One frame: the pad reads `pad` at wall time `now`, effect time `t`.
  void step(float now, float t) {
    zelkor::display::setGamePadOverride(0, &pad);
    effect.view.now = now;
    effect.update(t);
  }

  class Holder : public Flown {
   public:
    void removeControl(zelkor::tessel::Control* control) { detachChild(control); }
  } effect;
  GamePadState pad;
};

TEST_F(PadTest, AxesFlyTheCameraAndButtonsEditThePath) {
  Camera& camera = effect.view;
  ASSERT_EQ(camera.mPadIndex, 0);
  step(1.0f, 0.0f);  // first step: one second since wall time 0, still

  pad.axes[0] = 0.5f;  // right at 0.5 × 10 units per second
  pad.axes[1] = -0.25f;
  step(2.0f, 1.0f);
  expectNear(camera.getPos(0.0f), Vector3f(5.0f, -2.5f, 0.0f));

  pad.axes[0] = pad.axes[1] = 0.0f;
  pad.axes[2] = 1.0f;  // yaw by -1 rad per second about the up axis
  step(2.5f, 1.5f);
  expectNear(camera.getLook(0.0f), Vector3f(5.0f, -2.5f, 0.0f) + aheadAfterYaw(-0.5f));

  pad.axes[2] = 0.0f;
  pad.axes[14] = 0.6f;  // the triggers move along the camera's z axis
  pad.axes[15] = 0.4f;
  step(3.0f, 2.0f);
  const Vector3f z(-std::sin(0.5f), 0.0f, std::cos(0.5f));
  const Vector3f position = Vector3f(5.0f, -2.5f, 0.0f) + z * 5.0f;
  expectNear(camera.getPos(0.0f), position);

  pad.axes[14] = pad.axes[15] = 0.0f;
  pad.axes[3] = 1.0f;  // pitch by -0.25 rad about the right axis: ahead tilts down
  step(3.25f, 2.25f);
  const Vector3f ahead = camera.getLook(0.0f) - camera.getPos(0.0f);
  EXPECT_NEAR(ahead.y, -std::sin(0.25f), 1e-4f);
  pad.axes[3] = 0.0f;

  // button 14 keys the pose at the effect's time, once per press
  const float look[4] = {camera.mCurLook.x, camera.mCurLook.y, camera.mCurLook.z, camera.mCurLook.w};
  pad.buttons[14] = 1;
  step(3.5f, 5.0f);
  step(3.75f, 5.0f);
  ASSERT_EQ(camera.getNumKeys(), 1);
  EXPECT_FLOAT_EQ(camera.mSpline[0][0].time, 0.5f);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(camera.mSpline[i][0].value, (&position.x)[i], 1e-4f);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(camera.mSpline[3 + i][0].value, look[i]);
  pad.buttons[14] = 0;
  step(4.0f, 5.0f);

  // the path now holds the camera; button 3 frees it
  pad.axes[0] = 1.0f;
  step(4.5f, 5.5f);
  camera.getMatrix(5.5f);
  expectNear(camera.getPos(0.0f), position);
  pad.buttons[3] = 1;
  step(5.0f, 6.0f);
  EXPECT_TRUE(camera.mFreeView);
  camera.getMatrix(6.0f);
  EXPECT_GT((camera.getPos(0.0f) - position).length(), 4.0f) << "flown off the path";
  pad.buttons[3] = 0;
  pad.axes[0] = 0.0f;
  step(5.5f, 6.0f);

  // button 12 deletes the key at or before the current time from every curve
  pad.buttons[12] = 1;
  step(6.0f, 6.0f);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(camera.mSpline[i].getNumKeys(), 0) << "curve " << i;
}

TEST_F(PadTest, WithoutTheFocusThePadDoesNothing) {
  Camera& camera = effect.view;
  effect.setFocus(nullptr);
  pad.axes[0] = 1.0f;
  pad.buttons[14] = 1;
  step(1.0f, 1.0f);
  step(2.0f, 2.0f);
  expectNear(camera.getPos(0.0f), Vector3f(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(camera.getNumKeys(), 0);
}

// ------------------------------------------------------------ script

const char kScript[] =
    "<effect>\n"
    "\t<option inactive=\"0\" locked=\"0\"/>\n"
    "\t<time start=\"0\" end=\"10\"/>\n"
    "\t<plugin type=\"camera\" name=\"view\">\n"
    "\t\t<key time=\"0\" v0=\"1\" v1=\"2.5\" v2=\"-3\" v3=\"0\" v4=\"0\" v5=\"0\" v6=\"1\"/>\n"
    "\t\t<key time=\"0.333333\" v0=\"1e-05\" v1=\"123457\" v2=\"0\" v3=\"0.5\" v4=\"0.5\" v5=\"0.5\" v6=\"0.5\"/>\n"
    "\t</plugin>\n"
    "</effect>\n";

TEST(CameraScriptTest, ScriptsInTheWrittenFormatComeBackByteForByte) {
  kindra_test::WorkDir work("kindra-camera");
  fs::create_directories(work.file("script"));
  work.write("script/Flown.F.xml", kScript);
  Flown effect;
  kindra_test::StdoutCapture capture;
  effect.load(nullptr);
  ASSERT_EQ(effect.view.getNumKeys(), 2);
  EXPECT_FLOAT_EQ(effect.view.mSpline[1][1].value, 123457.0f);
  effect.save();
  capture.finish();
  EXPECT_EQ(work.read("script/Flown.F.xml"), kScript);

  Flown partial;
  work.write("script/Flown.F.xml", "<effect><plugin name=\"view\"><key time=\"1\" v0=\"2\"/></plugin></effect>");
  partial.load(nullptr);
  ASSERT_EQ(partial.view.getNumKeys(), 1);
  EXPECT_EQ(partial.view.mSpline[3].getNumKeys(), 1);
  EXPECT_EQ(partial.view.mSpline[6][0].value, 0.0f) << "a missing value reads as 0";
}

// ------------------------------------------------------------ editor

class CameraEditorTest : public kindra_test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    loadEditor();
    effect = new Flown;
    effect->mStart = 3.0f;
    effect->mEnd = 13.0f;
    addEffect(effect);
  }
  Flown* effect = nullptr;  // owned by the stack
};

TEST_F(CameraEditorTest, KeysAreDraggedAndDeletedUnderTheBar) {
  Camera& view = effect->view;
  addKey(view, 0.1f, Vector3f(1.0f, 0.0f, 0.0f), 0.0f);
  addKey(view, 0.5f, Vector3f(2.0f, 0.0f, 0.0f), 0.0f);
  addKey(view, 0.9f, Vector3f(3.0f, 0.0f, 0.0f), 0.0f);
  ASSERT_EQ(view.getParent(), effect);
  const Area world = view.getAreaWorld();
  EXPECT_FLOAT_EQ(world.getWidth(), 100.0f);
  EXPECT_GE(world.mMin.y, effect->getAreaWorld().mMin.y + 20.0f) << "below the bar";
  const float centre = world.mMin.y + world.getHeight() / 2.0f;

  moveTo(Vector2f(world.mMin.x + 12.0f, centre));
  EXPECT_EQ(view.mHighlight, 0);
  button(true);
  moveTo(Vector2f(world.mMin.x + 30.0f, centre));
  button(false);
  for (int i = 0; i < 7; ++i) EXPECT_FLOAT_EQ(view.mSpline[i][0].time, 0.3f) << "curve " << i;

  // the key menu on the middle key; "delete this and forward" leaves the first
  moveTo(Vector2f(world.mMin.x + 50.0f, centre));
  ASSERT_EQ(view.mHighlight, 1);
  button(zelkor::display::MOUSE_RIGHT, true);
  button(zelkor::display::MOUSE_RIGHT, false);
  EXPECT_EQ(view.mContext.getParent(), &view);
  zelkor::tessel::Event pick;
  pick.type = "context";
  pick.action = "delete this and forward";
  view.mContext.sendContextEvent(pick);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(view.mSpline[i].getNumKeys(), 1) << "curve " << i;
  EXPECT_FLOAT_EQ(view.mSpline[0][0].value, 1.0f);
}

}  // namespace
