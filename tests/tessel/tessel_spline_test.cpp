// The curve editor on a real display: keys hovered, dragged, added and deleted
// with the mouse, the keys and its menus, the window zoomed and scrolled with
// the wheel, the actions it reports, and what it draws. Input arrives through
// the device's window-system callbacks (and real X key events when xdotool is
// there), exactly as from a user.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "am.h"
#include "frame_reader.h"
#include "glfw_inject.h"
#include "tes_context.h"
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
  // Walks the open menu along option names with the mouse and picks the last.
  void pick(Context* menu, std::initializer_list<const char*> path) {
    ASSERT_EQ(tessel->getWorkspace()->getContext(), menu) << "the menu is not open";
    Context* level = menu;
    for (const char* name : path) {
      level = level->findOption(name);
      ASSERT_NE(level, nullptr) << name;
      move(level->getAreaWorld().getCenter());
    }
    kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, true);
    release();
    EXPECT_EQ(tessel->getWorkspace()->getContext(), nullptr);
  }
  void withModifiers(std::initializer_list<int> keys, double wheelSteps) {
    for (int k : keys) kindra_test::keyPress(k);
    kindra_test::wheel(wheelSteps);
    for (int k : keys) kindra_test::keyRelease(k);
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

TEST_F(SplineTest, TheLayoutBuildsAnOwnedCurveFromItsItems) {
  EXPECT_EQ(spline->getType(), "spline");
  EXPECT_TRUE(spline->m_ownSplineMemory);
  EXPECT_EQ(curve->getInterpolation(), Curve::LINEAR);
  ASSERT_EQ(curve->getNumKeys(), 2);
  EXPECT_FLOAT_EQ((*curve)[0].time, 0.25f);
  EXPECT_FLOAT_EQ((*curve)[1].value, -0.5f);
  EXPECT_FLOAT_EQ(curve->evaluate(0.5f), 0.0f);
  // the style entry named after the type coloured it
  EXPECT_FLOAT_EQ(spline->mStyle.mBack.mBorder1.x, 0x90 / 255.0f);

  // an unknown type name changes nothing: a new curve holds its steps
  Spline* odd = dynamic_cast<Spline*>(tessel->findControl("odd"));
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->getSpline()->getInterpolation(), Curve::SQUARE);
  EXPECT_FALSE(odd->getSpline()->hasKeys());
  odd->setSplineType("smooth");
  EXPECT_EQ(odd->getSpline()->getInterpolation(), Curve::SMOOTH);
  odd->setSplineType("SMOOTH");
  odd->setSplineType("");
  EXPECT_EQ(odd->getSpline()->getInterpolation(), Curve::SMOOTH);

  EXPECT_STREQ(Spline::getSplineTypeName(0), "square");
  EXPECT_STREQ(Spline::getSplineTypeName(1), "linear");
  EXPECT_STREQ(Spline::getSplineTypeName(2), "smooth");
  EXPECT_STREQ(Spline::getSplineTypeName(3), "unknown");
  EXPECT_STREQ(Spline::getSplineTypeName(-1), "unknown");
}

TEST_F(SplineTest, TheShippedStyleColoursTheEditor) {
  kindra_test::ScratchDir own{"tessel_spline_shipped"};
  ASSERT_TRUE(kindra_test::writeFile(own.file("layout.xml"), R"(<tessel><workspace style="style.xml"><child>
      <spline id="shipped"><area x="0" y="0" width="100" height="50"/></spline></child></workspace></tessel>)"));
  zelkor::am::ArchiveManager shipped;
  ASSERT_GE(shipped.addArchive(own.path() + "/"), 0);
  ASSERT_GE(shipped.addArchive(kindra_test::sourceDir() + "/data/"), 0);
  device->setArchive(&shipped);
  {
    Tessel editor(device.get());
    kindra_test::StdoutCapture quiet;
    editor.load("layout.xml");
    const std::string output = quiet.finish();
    EXPECT_EQ(output.find("Style not found"), std::string::npos);
    const Control* made = editor.findControl("shipped");
    ASSERT_NE(made, nullptr);
    const colorInfo& back = made->mStyle.mBack;
    // not the toolkit's default green gradient; the plugin's name has an ink
    EXPECT_LT(back.mColor2.y, 0.5f);
    EXPECT_GT(back.mBorder1.w, 0.0f);
    EXPECT_GT(back.mHighlight1.w, 0.0f);
  }
  device->setArchive(&archive);
}

TEST_F(SplineTest, AnAttachedCurveIsEditedInPlaceAndKeptByStyleLoads) {
  Curve own(Curve::SMOOTH, true);
  own.addKey(Key(0.5f, 0.25f));
  spline->setSpline(&own, false);
  EXPECT_FALSE(spline->m_ownSplineMemory);
  // a plugin loads the style entry into its editor again on every resize
  zelkor::xml::IteratorConst entry = spline->getStyle("spline");
  ASSERT_TRUE(++entry);
  spline->load(entry);
  EXPECT_EQ(spline->getSpline(), &own);
  EXPECT_EQ(own.getInterpolation(), Curve::SMOOTH);

  click(px(0.5f, 0.25f));
  EXPECT_EQ(spline->getSelection(), 0);
  kindra_test::keyTap(GLFW_KEY_INSERT);
  ASSERT_EQ(own.getNumKeys(), 2);
  EXPECT_FLOAT_EQ(own[1].time, 1.0f);
  EXPECT_FLOAT_EQ(own[1].value, 0.25f);
  // replaced: the widget lets go of a curve it does not own
  spline->setSpline(nullptr, false);
  EXPECT_EQ(spline->getSpline(), nullptr);
  EXPECT_EQ(own.getNumKeys(), 2);
  // without a curve input and drawing do nothing harmful
  click(px(0.5f, 0.5f));
  kindra_test::keyTap(GLFW_KEY_INSERT);
  kindra_test::keyTap(GLFW_KEY_DELETE);
  frame();
  EXPECT_TRUE(recorder.actions.size() == 1u && recorder.actions[0] == ACTION_SPLINE_ADD);
}

TEST_F(SplineTest, WorldAndSplineSpaceFollowTheWindows) {
  EXPECT_EQ(spline->getWorldSpace(Vector2f(0, 0)), Vector2f(40, 140));
  EXPECT_EQ(spline->getWorldSpace(Vector2f(1, 1)), Vector2f(440, 40));
  EXPECT_EQ(spline->getWorldSpace(Vector2f(0, -1)), Vector2f(40, 240));
  EXPECT_EQ(spline->getSplineSpace(Vector2f(240, 90)), Vector2f(0.5f, 0.5f));

  // a window that starts later shows its start at the left edge
  spline->setTimeInterval(0.5f, 1.5f);
  EXPECT_EQ(spline->getWorldSpace(Vector2f(0.5f, 0)), Vector2f(40, 140));
  EXPECT_EQ(spline->getWorldSpace(Vector2f(1.5f, 0)), Vector2f(440, 140));
  EXPECT_EQ(spline->getSplineSpace(Vector2f(240, 140)), Vector2f(1.0f, 0.0f));
  spline->setValueInterval(0.0f, 10.0f);
  EXPECT_EQ(spline->getWorldSpace(Vector2f(1.0f, 10.0f)), Vector2f(240, 40));
  EXPECT_EQ(spline->getWorldSpace(Vector2f(1.0f, 0.0f)), Vector2f(240, 240));
  EXPECT_EQ(spline->getSplineSpace(Vector2f(40, 190)), Vector2f(0.5f, 2.5f));

  // empty, reversed and undefined windows are refused
  kindra_test::StdoutCapture quiet;
  spline->setTimeInterval(2.0f, 2.0f);
  spline->setTimeInterval(3.0f, 2.0f);
  spline->setTimeInterval(NAN, 2.0f);
  spline->setValueInterval(1.0f, INFINITY);
  EXPECT_NE(quiet.finish().find("time window [2, 2] refused"), std::string::npos);
  EXPECT_EQ(spline->getStartTime(), 0.5f);
  EXPECT_EQ(spline->getEndTime(), 1.5f);
  EXPECT_EQ(spline->getMaxValue(), 10.0f);
}

TEST_F(SplineTest, HoverFindsTheKeyWithinItsSquare) {
  const Vector2f key = px(0.25f, 0.5f);  // (140, 90)
  move(key + Vector2f(4.5f, -4.5f));
  EXPECT_EQ(spline->getMouseOverIndex(), 0);
  move(key + Vector2f(5.5f, 0.0f));
  EXPECT_EQ(spline->getMouseOverIndex(), -1);
  move(px(0.75f, -0.5f));
  EXPECT_EQ(spline->getMouseOverIndex(), 1);
  // leaving the widget clears the hover
  move(Vector2f(460, 300));
  EXPECT_EQ(spline->getMouseOverIndex(), -1);
  EXPECT_TRUE(recorder.actions.empty());
}

TEST_F(SplineTest, DraggingAKeyMovesItReportsEachStepAndPinsItToTheWindow) {
  press(px(0.25f, 0.5f));
  EXPECT_EQ(spline->getClicked(), 0);
  EXPECT_EQ(spline->getSelection(), 0);
  EXPECT_TRUE(recorder.actions.empty());

  move(Vector2f(200, 100));  // (0.4, 0.4)
  EXPECT_FLOAT_EQ((*curve)[0].time, 0.4f);
  EXPECT_FLOAT_EQ((*curve)[0].value, 0.4f);
  // linear from (0.4, 0.4) to (0.75, -0.5)
  EXPECT_NEAR(curve->evaluate(0.575f), -0.05f, 1e-5f);
  ASSERT_EQ(recorder.actions.size(), 1u);
  EXPECT_EQ(recorder.actions[0], ACTION_SPLINE_CHANGED);
  EXPECT_EQ(recorder.sources[0], spline);

  // far past the left edge and above the top: pinned at the window's corner
  move(Vector2f(5, 10));
  EXPECT_FLOAT_EQ((*curve)[0].time, 0.0f);
  EXPECT_FLOAT_EQ((*curve)[0].value, 1.0f);
  // beyond the right edge and below the bottom, off the widget: past the
  // other key, and still dragged
  move(Vector2f(470, 300));
  ASSERT_EQ(curve->getNumKeys(), 2);
  EXPECT_EQ(spline->getClicked(), 1);
  EXPECT_FLOAT_EQ((*curve)[1].time, 1.0f);
  EXPECT_FLOAT_EQ((*curve)[1].value, -1.0f);
  EXPECT_FLOAT_EQ(curve->evaluate(2.0f), -1.0f);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_CHANGED), 3);

  // the release ends it, off the widget too
  release();
  EXPECT_EQ(spline->getClicked(), -1);
  EXPECT_EQ(spline->getSelection(), 1);
  move(Vector2f(240, 140));
  EXPECT_FLOAT_EQ((*curve)[1].time, 1.0f);
  EXPECT_EQ(recorder.actions.size(), 3u);
}

TEST_F(SplineTest, DraggingPastANeighbourResortsAndKeepsTheKeySelected) {
  setKeys({Key(0.2f, 0.1f), Key(0.5f, 0.2f), Key(0.8f, 0.3f)});
  press(px(0.2f, 0.1f));
  move(px(0.6f, 0.1f));
  EXPECT_EQ(spline->getClicked(), 1);
  EXPECT_EQ(spline->getSelection(), 1);
  EXPECT_FLOAT_EQ((*curve)[0].value, 0.2f);
  EXPECT_FLOAT_EQ((*curve)[1].time, 0.6f);
  EXPECT_FLOAT_EQ((*curve)[1].value, 0.1f);
  move(px(0.9f, 0.1f));
  EXPECT_EQ(spline->getSelection(), 2);
  EXPECT_FLOAT_EQ((*curve)[2].value, 0.1f);
  move(px(0.05f, 0.1f));
  EXPECT_EQ(spline->getSelection(), 0);
  EXPECT_FLOAT_EQ((*curve)[0].time, 0.05f);
  release();
  EXPECT_FLOAT_EQ(curve->evaluate(0.05f), 0.1f);
  EXPECT_NEAR(curve->evaluate(0.65f), 0.25f, 1e-5f);
  // a plain click off any key drops the selection
  click(px(0.3f, -0.8f));
  EXPECT_EQ(spline->getSelection(), -1);

  // Insert while dragging the last key, here beyond 1.0: the new key at 1.0
  // goes before it, and the drag stays on its key
  spline->setTimeInterval(0.0f, 2.0f);
  setKeys({Key(0.5f, 0.0f), Key(1.5f, 0.5f)});
  press(spline->getWorldSpace(Vector2f(1.5f, 0.5f)));
  ASSERT_EQ(spline->getClicked(), 1);
  kindra_test::keyTap(GLFW_KEY_INSERT);
  ASSERT_EQ(curve->getNumKeys(), 3);
  EXPECT_FLOAT_EQ((*curve)[1].time, 1.0f);
  EXPECT_EQ(spline->getClicked(), 2);
  move(spline->getWorldSpace(Vector2f(1.75f, 0.5f)));
  release();
  EXPECT_FLOAT_EQ((*curve)[1].time, 1.0f);
  EXPECT_FLOAT_EQ((*curve)[2].time, 1.75f);
}

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

TEST_F(SplineTest, RealKeyEventsReachTheFocusedEditor) {
  if (!kindra_test::haveXdotool()) GTEST_SKIP() << "xdotool cannot reach the display";
  setKeys({Key(0.2f, 0.4f), Key(0.6f, -0.4f)});
  click(px(0.2f, 0.4f));
  ASSERT_EQ(spline->getSelection(), 0);
  ASSERT_TRUE(kindra_test::sendRealKeys("Insert Right Right Delete"));
  for (int i = 0; i < 100 && recorder.actions.size() < 2; ++i) {
    device->update();
    glfwWaitEventsTimeout(0.02);
  }
  ASSERT_EQ(recorder.actions.size(), 2u);
  EXPECT_EQ(recorder.actions[0], ACTION_SPLINE_ADD);
  EXPECT_EQ(recorder.actions[1], ACTION_SPLINE_DELETE);
  ASSERT_EQ(curve->getNumKeys(), 2);
  EXPECT_FLOAT_EQ((*curve)[1].time, 0.4f);
  EXPECT_EQ(spline->getSelection(), 1);
}

TEST_F(SplineTest, TheMenusAddAndDeleteKeysAndSetTheModes) {
  // a right click off the keys opens the main menu where the mouse is
  click(px(0.5f, 0.5f), GLFW_MOUSE_BUTTON_RIGHT);
  Context* menu = spline->getMainMenu();
  ASSERT_EQ(tessel->getWorkspace()->getContext(), menu);
  EXPECT_EQ(menu->getAreaWorld().mMin, px(0.5f, 0.5f));
  EXPECT_TRUE(menu->findOption("type")->findOption("linear")->getHighlighted());
  EXPECT_TRUE(menu->findOption("repeat")->findOption("after")->findOption("none")->getHighlighted());
  EXPECT_TRUE(menu->findOption("tangents")->findOption("hide")->getHighlighted());
  frame();  // drawn on top, sub-menus folded
  pick(menu, {"add key"});
  ASSERT_EQ(curve->getNumKeys(), 3);
  EXPECT_FLOAT_EQ((*curve)[1].time, 0.5f);
  EXPECT_FLOAT_EQ((*curve)[1].value, 0.5f);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_ADD), 1);

  // the separator picks nothing
  click(px(0.5f, -0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  move(menu->findOption("-------")->getAreaWorld().getCenter());
  click(menu->findOption("-------")->getAreaWorld().getCenter());
  EXPECT_EQ(curve->getNumKeys(), 3);
  EXPECT_EQ(tessel->getWorkspace()->getContext(), menu);
  click(Vector2f(470, 5));  // closes it
  EXPECT_EQ(tessel->getWorkspace()->getContext(), nullptr);

  // a right click on a key opens the key menu for that key
  click(px(0.25f, 0.5f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(spline->getKeyMenu(), {"delete key"});
  ASSERT_EQ(curve->getNumKeys(), 2);
  EXPECT_FLOAT_EQ((*curve)[0].time, 0.5f);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_DELETE), 1);

  // interpolation through the "type" sub-menu
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(menu, {"type", "square"});
  EXPECT_EQ(curve->getInterpolation(), Curve::SQUARE);
  EXPECT_FLOAT_EQ(curve->evaluate(0.7f), 0.5f);
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(menu, {"type", "smooth"});
  EXPECT_EQ(curve->getInterpolation(), Curve::SMOOTH);
  // automatic tangents follow at once: the ends ease out and in
  EXPECT_FLOAT_EQ((*curve)[0].tangentOUT, -1.0f);
  EXPECT_NEAR(curve->evaluate(0.625f), 0.0f, 1e-5f);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_CHANGED), 2);

  // repetition before and after the keys
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(menu, {"type", "linear"});
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(menu, {"repeat", "after", "added"});
  EXPECT_EQ(curve->getExtrapolationAfter(), Curve::EXT_REPEAT_ADD);
  // 1.0 ends the first repetition: the last value and one more rise of -1
  EXPECT_FLOAT_EQ(curve->evaluate(1.0f), -1.5f);
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(menu, {"repeat", "before", "identical"});
  EXPECT_EQ(curve->getExtrapolationBefore(), Curve::EXT_REPEAT);
  EXPECT_FLOAT_EQ(curve->evaluate(0.375f), 0.0f);
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  EXPECT_TRUE(menu->findOption("repeat")->findOption("after")->findOption("added")->getHighlighted());
  EXPECT_FALSE(menu->findOption("repeat")->findOption("after")->findOption("none")->getHighlighted());
  pick(menu, {"repeat", "after", "none"});
  EXPECT_EQ(curve->getExtrapolationAfter(), Curve::EXT_CONSTANT);
  EXPECT_EQ(recorder.count(ACTION_SPLINE_CHANGED), 6);

  // tangents are a view only: no report
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(menu, {"tangents", "show"});
  EXPECT_TRUE(spline->getShowTangents());
  frame();
  click(px(0.9f, 0.9f), GLFW_MOUSE_BUTTON_RIGHT);
  pick(menu, {"tangents", "hide"});
  EXPECT_FALSE(spline->getShowTangents());
  EXPECT_EQ(recorder.actions.size(), 8u);
}

TEST_F(SplineTest, TheWheelZoomsAroundTheMouseAndScrollsWithShift) {
  const Vector2f mouse = px(0.25f, 0.5f);
  move(mouse);
  kindra_test::wheel(1.0);
  EXPECT_FLOAT_EQ(spline->getEndTime() - spline->getStartTime(), 1.0f) << "the wheel is the scroller's until a click";
  click(mouse, GLFW_MOUSE_BUTTON_LEFT);
  kindra_test::wheel(1.0);
  EXPECT_NEAR(spline->getEndTime() - spline->getStartTime(), 0.8f, 1e-6f);
  EXPECT_NEAR(spline->getSplineSpace(mouse).x, 0.25f, 1e-6f);
  kindra_test::wheel(-1.0);
  EXPECT_NEAR(spline->getStartTime(), 0.0f, 1e-6f);
  EXPECT_NEAR(spline->getEndTime(), 1.0f, 1e-6f);

  // Shift: wheel down moves on to later times by a tenth of the window
  withModifiers({GLFW_KEY_LEFT_SHIFT}, -1.0);
  EXPECT_NEAR(spline->getStartTime(), 0.1f, 1e-6f);
  EXPECT_NEAR(spline->getEndTime(), 1.1f, 1e-6f);
  // Ctrl: the value window zooms around the value under the mouse
  withModifiers({GLFW_KEY_LEFT_CONTROL}, -1.0);
  EXPECT_NEAR(spline->getMinValue(), -1.375f, 1e-5f);
  EXPECT_NEAR(spline->getMaxValue(), 1.125f, 1e-5f);
  EXPECT_NEAR(spline->getSplineSpace(mouse).y, 0.5f, 1e-5f);
  withModifiers({GLFW_KEY_LEFT_CONTROL, GLFW_KEY_LEFT_SHIFT}, 2.0);
  EXPECT_NEAR(spline->getMinValue(), -0.875f, 1e-5f);
  EXPECT_NEAR(spline->getMaxValue(), 1.625f, 1e-5f);
  EXPECT_TRUE(recorder.actions.empty());

  // a drag now reaches values up to the window's new top
  const Vector2f key = spline->getWorldSpace(Vector2f(0.75f, -0.5f));
  press(key);
  ASSERT_EQ(spline->getClicked(), 1);
  move(Vector2f(key.x, 0));
  EXPECT_FLOAT_EQ((*curve)[1].value, 1.625f);
  release();

  // zooming has limits and needs the mouse over the widget
  move(mouse);
  for (int i = 0; i < 200; ++i) kindra_test::wheel(i % 2 ? 1.5 : 2.0);
  EXPECT_GE(spline->getEndTime() - spline->getStartTime(), 0.99e-4f);
  const float start = spline->getStartTime();
  move(Vector2f(460, 300));
  kindra_test::wheel(-3.0);
  EXPECT_EQ(spline->getStartTime(), start);
}

TEST_F(SplineTest, DrawsTheCurveItsKeysAndTheirStates) {
  setKeys({Key(0.0f, -0.5f), Key(0.5f, 0.0f), Key(1.0f, 0.5f)});
  click(px(0.5f, 0.0f));  // selected
  move(px(1.0f, 0.5f) - Vector2f(2, 0));  // hovered, just inside the right edge
  frame();
  // background in the style's colour, away from the curve
  EXPECT_TRUE(near(at(100, 200), 0x30 / 255.0f, 0x30 / 255.0f, 0x30 / 255.0f)) << at(100, 200).r;
  // the border
  EXPECT_TRUE(near(at(100, 40), 0x90 / 255.0f, 0x90 / 255.0f, 0x90 / 255.0f));
  // the curve passes y = 140 - 100 v at x = 40 + 400 t
  for (float t : {0.25f, 0.75f}) {
    const Vector2f p = px(t, t - 0.5f);
    bool found = false;
    for (int y = static_cast<int>(p.y) - 2; y <= static_cast<int>(p.y) + 2; ++y) {
      found = found || near(at(static_cast<int>(p.x), y), 0.95f, 0.76f, 0.36f);
    }
    EXPECT_TRUE(found) << "no curve at t=" << t;
  }
  // plain, selected and hovered keys in their own colours
  const Vector2f plain = px(0.0f, -0.5f) + Vector2f(2, 0);
  EXPECT_TRUE(near(at(static_cast<int>(plain.x), static_cast<int>(plain.y)), 0.85f, 0.87f, 0.90f));
  EXPECT_TRUE(near(at(240, 140), 0.30f, 0.90f, 0.40f));
  EXPECT_TRUE(near(at(438, 90), 0.35f, 0.75f, 1.0f));
  // dragged
  press(px(0.5f, 0.0f));
  move(px(0.5f, 0.2f));
  frame();
  EXPECT_TRUE(near(at(240, 120), 1.0f, 0.35f, 0.30f));
  release();

  // an edit made on the curve by its owner shows at the next frame
  (*curve)[1].value = -0.8f;
  curve->updateKey(1);
  frame();
  const std::vector<Vector2f>& samples = spline->getCachedValues();
  ASSERT_EQ(samples.size(), 401u);
  EXPECT_FLOAT_EQ(samples[200].x, 0.5f);
  EXPECT_FLOAT_EQ(samples[200].y, -0.8f);
  EXPECT_FLOAT_EQ(samples.back().x, 1.0f);

  // a mode outside the known ones is drawn as "unknown" without trouble
  curve->setInterpolation(static_cast<Curve::InterpolationMode>(7));
  frame();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A picture of a few curves to look at: KINDRA_SPLINE_SHOT names the file.
TEST_F(SplineTest, AFewCurvesLookRight) {
  setKeys({Key(0.05f, -0.6f), Key(0.3f, 0.7f), Key(0.55f, -0.2f), Key(0.8f, 0.5f), Key(0.95f, 0.1f)});
  curve->setInterpolation(Curve::SMOOTH);
  curve->updateTangents();
  spline->mShowTangents = true;
  Spline* odd = dynamic_cast<Spline*>(tessel->findControl("odd"));
  odd->getSpline()->setInterpolation(Curve::SQUARE);
  for (int i = 0; i < 6; ++i) odd->getSpline()->addKey(Key(0.1f + 0.15f * i, i % 2 ? 0.6f : -0.6f));
  odd->getSpline()->setExtrapolationAfter(Curve::EXT_REPEAT);
  click(px(0.55f, -0.2f));
  move(px(0.8f, 0.5f));
  frame();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const char* path = std::getenv("KINDRA_SPLINE_SHOT");
  if (!path) return;
  zelkor::am::Image image(new zelkor::am::ImageObject(kWidth, kHeight));
  device->getScreenShot(image);
  ASSERT_TRUE(archive.writeImage("shot.png", image));
  ASSERT_TRUE(kindra_test::writeFile(path, kindra_test::readFile(dir.file("shot.png"))));
}

}  // namespace
