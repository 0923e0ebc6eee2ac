// The curve editor on a real display: keys hovered, dragged, added and deleted
// with the mouse and the keys, the window zoomed and scrolled with
// the wheel, the actions it reports, and what it draws. Input arrives through
// the device's window-system callbacks (and real X key events when xdotool is
// there), exactly as from a user.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "am.h"
#include "frame_reader.h"
#include "glfw_inject.h"
#include "tes_control_factory.h"
#include "tes_spline.h"
#include "tes_workspace.h"
#include "tessel.h"
#include "test_support.h"

namespace {

using zelkor::mathbase::Vector2f;
using namespace zelkor::tessel;
namespace display = zelkor::display;
typedef Spline::Curve Curve;
typedef Spline::Key Key;

class Recorder : public Callback {
 public:
  void controlAction(Control* control, Action action) override {
    sources.push_back(control);
    actions.push_back(action);
  }
  int count(Action action) const { return static_cast<int>(std::count(actions.begin(), actions.end(), action)); }
  void clear() {
    sources.clear();
    actions.clear();
  }
  std::vector<Control*> sources;
  std::vector<Action> actions;
};

const char* const kStyle = R"(<tessel>
  <spline>
    <color name="back.color" first="303030" second="303030"/>
    <color name="back.border" first="909090" second="909090"/>
    <color name="text.color" first="ffffff" second="ffffff"/>
  </spline>
  <context>
    <color name="back.color" first="2e333d" second="23272f"/>
    <color name="back.border" first="6a7484" second="383e4a"/>
    <color name="back.highlight" first="3d6fb6" second="2f5a96"/>
    <color name="text.color" first="e2e6ee" second="e2e6ee"/>
    <color name="text.highlight" first="ffffff" second="ffffff"/>
    <color name="text.inactive" first="7a8090" second="7a8090"/>
  </context>
</tessel>)";

// The editor fills (40, 40)-(440, 240): x = 40 + 400 t, y = 140 - 100 v.
const char* const kLayout = R"(<tessel>
  <workspace id="workspace" style="style.xml">
    <child>
      <spline id="s" type="linear">
        <area x="40" y="40" width="400" height="200"/>
        <item x="0.25" y="0.5"/>
        <item x="0.75" y="-0.5"/>
      </spline>
      <spline id="odd" type="wobbly"><area x="40" y="250" width="400" height="60"/></spline>
    </child>
  </workspace>
</tessel>)";

Vector2f px(float time, float value) { return Vector2f(40.0f + 400.0f * time, 140.0f - 100.0f * value); }

class SplineTest : public kindra_test::DrawFixture {
 protected:
  void SetUp() override {
    DrawFixture::SetUp();
    // the editor's font, when the asset tools have made it
    archive.addArchive(kindra_test::sourceDir() + "/data/");
    open(kLayout, kStyle, kWidth, kHeight);
    spline = dynamic_cast<Spline*>(tessel->findControl("s"));
    ASSERT_NE(spline, nullptr);
    spline->setCallback(&recorder);
    curve = spline->getSpline();
    ASSERT_NE(curve, nullptr);
  }

  void setKeys(std::initializer_list<Key> keys) {
    curve->clear();
    curve->setInterpolation(Curve::LINEAR);
    for (const Key& k : keys) curve->addKey(k);
  }
  void move(const Vector2f& p) { kindra_test::mouseMove(p.x, p.y); }
  void press(const Vector2f& p, int button = GLFW_MOUSE_BUTTON_LEFT) {
    move(p);
    kindra_test::mouseButton(button, true);
  }
  void release(int button = GLFW_MOUSE_BUTTON_LEFT) { kindra_test::mouseButton(button, false); }
  void click(const Vector2f& p, int button = GLFW_MOUSE_BUTTON_LEFT) {
    press(p, button);
    release(button);
  }
  static bool near(const kindra_test::Rgb& p, float r, float g, float b) {
    return std::abs(p.r - r * 255) <= 3 && std::abs(p.g - g * 255) <= 3 && std::abs(p.b - b * 255) <= 3;
  }

  static constexpr int kWidth = 480;
  static constexpr int kHeight = 320;
  Spline* spline = nullptr;
  Curve* curve = nullptr;
  Recorder recorder;
};

TEST_F(SplineTest, ArrowsSelectAndInsertAndDeleteEditKeys) {
  setKeys({Key(0.2f, 0.4f), Key(0.6f, -0.4f)});
  click(px(0.5f, 0.9f));  // focus, nothing selected
  ASSERT_EQ(spline->getSelection(), -1);
  kindra_test::keyTap(GLFW_KEY_RIGHT);
  EXPECT_EQ(spline->getSelection(), 0);
  kindra_test::keyTap(GLFW_KEY_RIGHT);
  kindra_test::keyTap(GLFW_KEY_RIGHT);
  EXPECT_EQ(spline->getSelection(), 1);
  kindra_test::keyTap(GLFW_KEY_LEFT);
  kindra_test::keyTap(GLFW_KEY_LEFT);
  EXPECT_EQ(spline->getSelection(), 0);

  // between two keys: their average, every field
  (*curve)[0].tangentOUT = 2.0f;
  (*curve)[1].tangentOUT = 4.0f;
  kindra_test::keyTap(GLFW_KEY_INSERT);
  ASSERT_EQ(curve->getNumKeys(), 3);
  EXPECT_FLOAT_EQ((*curve)[1].time, 0.4f);
  EXPECT_FLOAT_EQ((*curve)[1].value, 0.0f);
  EXPECT_FLOAT_EQ((*curve)[1].tangentOUT, 3.0f);
  EXPECT_EQ(spline->getSelection(), 0);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_ADD), 1);

  // on the last key: time 1.0 with its value, wherever it lies
  (*curve)[2].time = 1.5f;
  curve->updateKey(2);
  kindra_test::keyTap(GLFW_KEY_RIGHT);
  kindra_test::keyTap(GLFW_KEY_RIGHT);
  ASSERT_EQ(spline->getSelection(), 2);
  kindra_test::keyTap(GLFW_KEY_INSERT);
  ASSERT_EQ(curve->getNumKeys(), 4);
  EXPECT_FLOAT_EQ((*curve)[2].time, 1.0f);
  EXPECT_FLOAT_EQ((*curve)[2].value, -0.4f);
  EXPECT_EQ(spline->getSelection(), 3);  // still the key at 1.5

  // Delete on the last key: the selection follows to the new last key
  kindra_test::keyTap(GLFW_KEY_DELETE);
  ASSERT_EQ(curve->getNumKeys(), 3);
  EXPECT_FLOAT_EQ(curve->getMaxTime(), 1.0f);
  EXPECT_EQ(spline->getSelection(), 2);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_DELETE), 1);
  // in the middle: the selection stays at its place, on the next key
  kindra_test::keyTap(GLFW_KEY_LEFT);
  kindra_test::keyTap(GLFW_KEY_DELETE);
  EXPECT_EQ(spline->getSelection(), 1);
  EXPECT_FLOAT_EQ((*curve)[1].time, 1.0f);
  kindra_test::keyTap(GLFW_KEY_DELETE);
  kindra_test::keyTap(GLFW_KEY_DELETE);
  EXPECT_FALSE(curve->hasKeys());
  EXPECT_EQ(spline->getSelection(), -1);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_DELETE), 4);
  // nothing selected, nothing to delete
  kindra_test::keyTap(GLFW_KEY_DELETE);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_DELETE), 4);

  // Insert on an empty curve: (0, 0); without a selection: (1.0, last value)
  kindra_test::keyTap(GLFW_KEY_INSERT);
  ASSERT_EQ(curve->getNumKeys(), 1);
  EXPECT_FLOAT_EQ((*curve)[0].time, 0.0f);
  EXPECT_FLOAT_EQ((*curve)[0].value, 0.0f);
  (*curve)[0].value = 0.7f;
  curve->updateKey(0);
  kindra_test::keyTap(GLFW_KEY_INSERT);
  ASSERT_EQ(curve->getNumKeys(), 2);
  EXPECT_FLOAT_EQ((*curve)[1].time, 1.0f);
  EXPECT_FLOAT_EQ((*curve)[1].value, 0.7f);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_ADD), 4);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_CHANGED), 0);
}

}  // namespace
