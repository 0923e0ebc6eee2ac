// An effect as its bar on the editor's timeline: placed by its span, moved
// and resized by the mouse, switched off and locked through its menu. Input
// enters the toolkit as the display hands it over; no window is needed.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kindra_effects.h"
#include "kindra_workdir.h"
#include "tes_layoutstack.h"
#include "tes_workspace.h"
#include "kindra_editor_fixture.h"

namespace {

using kindra_test::Scripted;
using zelkor::display::KEYMOD_LCTRL;
using zelkor::display::KEYMOD_LSHIFT;
using zelkor::display::KEYMOD_NONE;
using zelkor::display::MOUSE_LEFT;
using zelkor::display::MOUSE_RIGHT;
using zelkor::mathbase::Vector2f;
using zelkor::tessel::Area;
using zelkor::tessel::LayoutStack;

// The stack away from the window's corner: world and local positions differ.
class BarTest : public kindra_test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    loadEditor(std::string(), Vector2f(7.0f, 100.0f));
    stack = dynamic_cast<LayoutStack*>(find("effects"));
    ASSERT_NE(stack, nullptr);
  }

  // As the engine adds an effect to the editor; the tree owns it.
  Scripted* add(const std::string& name, float start, float end) {
    Scripted* effect = new Scripted;
    effect->mType = "Scripted";
    effect->mName = name;
    effect->mStart = start;
    effect->mEnd = end;
    addEffect(effect);
    return effect;
  }

  // A window position on the effect's bar: `x` editor units from its left end.
  static Vector2f onBar(Scripted* effect, float x) {
    const Area world = effect->getAreaWorld();
    return Vector2f(world.mMin.x + x, world.mMin.y + 10.0f);
  }

  // Opens the effect's menu on its bar and picks an option.
  void pick(Scripted* effect, const std::string& option) {
    moveTo(onBar(effect, 30.0f));
    button(MOUSE_RIGHT, true);
    ASSERT_EQ(workspace()->getContext(), &effect->getContextMenu());
    button(MOUSE_RIGHT, false);
    zelkor::tessel::Context* row = effect->getContextMenu().findOption(option);
    ASSERT_NE(row, nullptr);
    moveTo(effect->getContextMenu().getAreaWorld().mMin + row->getArea().getCenter());
    button(MOUSE_LEFT, true);
    button(MOUSE_LEFT, false);
    EXPECT_EQ(workspace()->getContext(), nullptr) << "a pick closes the menu";
  }

  LayoutStack* stack = nullptr;
};

TEST_F(BarTest, TheBarSpansTheEffectWithItsPluginsBelowIt) {
  Scripted* first = add("first", 1.0f, 11.0f);
  Scripted* second = add("second", 4.5f, 6.5f);
  // ten units per second; the bar's 20 units, then the editors in plugin order
  EXPECT_EQ(first->getArea().mMin.x, 10.0f);
  EXPECT_EQ(first->getArea().mMax.x, 110.0f);
  EXPECT_EQ(first->getArea().getHeight(), 20.0f + 50.0f + 50.0f + 20.0f);
  EXPECT_EQ(first->speed.getArea(), Area(0.0f, 20.0f, 100.0f, 70.0f));
  EXPECT_EQ(first->height.getArea(), Area(0.0f, 70.0f, 100.0f, 120.0f));
  EXPECT_EQ(first->beat.getArea(), Area(0.0f, 120.0f, 100.0f, 140.0f));
  EXPECT_EQ(second->speed.getArea().getWidth(), 20.0f);
  // the stack is built in reverse: the later effect on top
  EXPECT_EQ(second->getArea().mMin.y, 0.0f);
  EXPECT_EQ(first->getArea().mMin.y, 140.0f);
}

TEST_F(BarTest, ThePointerFindsTheHandlesAndTheBar) {
  Scripted* effect = add("e", 5.0f, 15.0f);
  moveTo(onBar(effect, 4.0f));
  EXPECT_EQ(effect->getMouseOverIndex(), 1);
  moveTo(onBar(effect, 50.0f));
  EXPECT_EQ(effect->getMouseOverIndex(), 2);
  moveTo(onBar(effect, 95.0f));
  EXPECT_EQ(effect->getMouseOverIndex(), 3);
  moveTo(onBar(effect, 50.0f) + Vector2f(0.0f, 25.0f));
  EXPECT_EQ(effect->getMouseOverIndex(), 0) << "below the bar: the plugins' editors";
  moveTo(Vector2f(1000.0f, 10.0f));
  EXPECT_EQ(effect->getMouseOverIndex(), 0);
}

TEST_F(BarTest, DraggingTheBarMovesTheSpanButNotBeforeZero) {
  Scripted* effect = add("e", 5.0f, 15.0f);
  drag(onBar(effect, 50.0f), 30.0f);
  EXPECT_FLOAT_EQ(effect->mStart, 8.0f);
  EXPECT_FLOAT_EQ(effect->mEnd, 18.0f);
  EXPECT_FALSE(effect->isDragging());

  Scripted* early = add("early", 1.0f, 11.0f);
  drag(onBar(early, 50.0f), -30.0f);
  EXPECT_FLOAT_EQ(early->mStart, 0.0f);
  EXPECT_FLOAT_EQ(early->mEnd, 10.0f) << "the length is kept";
  EXPECT_EQ(early->getArea().mMin.x, 0.0f);
}

TEST_F(BarTest, DraggingAHandleResizesDownToTwoSeconds) {
  Scripted* effect = add("e", 5.0f, 15.0f);
  drag(onBar(effect, 3.0f), 200.0f);
  EXPECT_FLOAT_EQ(effect->mStart, 13.0f);
  EXPECT_FLOAT_EQ(effect->mEnd, 15.0f);

  drag(onBar(effect, 17.0f), -100.0f);  // the right handle
  EXPECT_FLOAT_EQ(effect->mStart, 13.0f);
  EXPECT_FLOAT_EQ(effect->mEnd, 15.0f);
  drag(onBar(effect, 17.0f), 55.0f);
  EXPECT_FLOAT_EQ(effect->mEnd, 20.5f);
  EXPECT_EQ(effect->speed.getArea().getWidth(), 75.0f) << "the editors follow the bar";

  drag(onBar(effect, 2.0f), -500.0f);
  EXPECT_FLOAT_EQ(effect->mStart, 0.0f) << "an effect never starts before 0";
}

TEST_F(BarTest, ShiftMovesTenTimesFiner) {
  Scripted* effect = add("e", 5.0f, 15.0f);
  modifiers = KEYMOD_LSHIFT;
  drag(onBar(effect, 50.0f), 10.0f);
  EXPECT_NEAR(effect->mStart, 5.1f, 1e-5f);
  EXPECT_NEAR(effect->mEnd, 15.1f, 1e-5f);
}

TEST_F(BarTest, CtrlKeepsTheKeysAtTheirTimesInSeconds) {
  Scripted* plain = add("plain", 0.0f, 10.0f);
  Scripted* held = add("held", 0.0f, 10.0f);
  for (Scripted* effect : {plain, held}) {
    effect->speed.mSpline.setInterpolation(zelkor::kindra::Spline::Curve::LINEAR);
    effect->speed.mSpline.addKey(zelkor::mathbase::SplineBaseKey<float>(0.0f, 0.0f));
    effect->speed.mSpline.addKey(zelkor::mathbase::SplineBaseKey<float>(1.0f, 1.0f));
  }
  drag(onBar(plain, 95.0f), 100.0f);
  // several steps with Ctrl held
  moveTo(onBar(held, 95.0f));
  modifiers = KEYMOD_LCTRL;
  button(MOUSE_LEFT, true);
  for (int i = 0; i < 4; ++i) moveBy(25.0f);
  button(MOUSE_LEFT, false);
  modifiers = KEYMOD_NONE;

  EXPECT_FLOAT_EQ(plain->mEnd, 20.0f);
  EXPECT_FLOAT_EQ(plain->speed.get(10.0f), 0.5f) << "stretched with the effect";
  EXPECT_FLOAT_EQ(held->mEnd, 20.0f);
  EXPECT_NEAR(held->speed.get(10.0f), 1.0f, 1e-5f) << "the last key stays at 10 s";

  // a later relayout (locking) does not rescale them again
  const float key = held->speed.mSpline[1].time;
  pick(held, "lock/unlock");
  EXPECT_TRUE(held->getLocked());
  EXPECT_EQ(held->speed.mSpline[1].time, key);
}

TEST_F(BarTest, ALockedBarStaysAndFoldsItsPluginsAway) {
  Scripted* lower = add("lower", 5.0f, 15.0f);
  Scripted* upper = add("upper", 5.0f, 15.0f);
  pick(upper, "lock/unlock");
  ASSERT_TRUE(upper->getLocked());
  EXPECT_EQ(upper->getArea().getHeight(), 20.0f);
  EXPECT_EQ(upper->getOccupiedArea().getHeight(), 20.0f);
  EXPECT_EQ(lower->getArea().mMin.y, 20.0f) << "the next bar moves up";

  drag(onBar(upper, 50.0f), 40.0f);
  drag(onBar(upper, 3.0f), 40.0f);
  EXPECT_EQ(upper->mStart, 5.0f);
  EXPECT_EQ(upper->mEnd, 15.0f);

  pick(upper, "lock/unlock");
  EXPECT_FALSE(upper->getLocked());
  EXPECT_EQ(lower->getArea().mMin.y, 140.0f);
  drag(onBar(upper, 50.0f), 40.0f);
  EXPECT_FLOAT_EQ(upper->mStart, 9.0f);
}

TEST_F(BarTest, OnOffSwitchesTheEffectAndBothFlagsAreSaved) {
  kindra_test::WorkDir work{"kindra-bar"};
  Scripted* effect = add("e", 5.0f, 15.0f);
  effect->load(nullptr);
  pick(effect, "on/off");
  EXPECT_TRUE(effect->getInactive());
  pick(effect, "lock/unlock");
  effect->save();
  EXPECT_NE(work.read("script/Scripted.e.xml").find("<option inactive=\"1\" locked=\"1\"/>"), std::string::npos);
  pick(effect, "on/off");
  EXPECT_FALSE(effect->getInactive());
}

TEST_F(BarTest, AReleaseOverAnotherBarEndsTheDrag) {
  Scripted* lower = add("lower", 5.0f, 15.0f);
  Scripted* upper = add("upper", 5.0f, 15.0f);
  moveTo(onBar(lower, 50.0f));
  button(MOUSE_LEFT, true);
  ASSERT_TRUE(lower->isDragging());
  moveTo(onBar(upper, 50.0f) + Vector2f(0.0f, 40.0f));  // onto the upper effect's editors
  button(MOUSE_LEFT, false);
  EXPECT_FALSE(lower->isDragging());
  const float start = lower->mStart;
  moveTo(onBar(lower, 50.0f));
  moveBy(30.0f);
  EXPECT_EQ(lower->mStart, start) << "no button, no drag";
}

TEST_F(BarTest, APressWithoutAMoveBeforeStillTakesThePartUnderIt) {
  Scripted* effect = add("e", 5.0f, 15.0f);
  pointer = onBar(effect, 50.0f);
  button(MOUSE_LEFT, true);
  moveBy(10.0f);
  button(MOUSE_LEFT, false);
  EXPECT_FLOAT_EQ(effect->mStart, 6.0f) << "the bar moves; its right edge alone does not";
  EXPECT_FLOAT_EQ(effect->mEnd, 16.0f);
}

TEST_F(BarTest, TheCurveEditorsBelowTheBarEditThePluginsKeys) {
  kindra_test::WorkDir work{"kindra-bar"};
  Scripted* effect = add("e", 0.0f, 10.0f);
  effect->load(nullptr);
  effect->speed.mSpline.addKey(zelkor::mathbase::SplineBaseKey<float>(0.5f, 0.0f));
  // a key dragged up by a quarter of the editor's height: half the value range
  const Vector2f key = effect->speed.getWorldSpace(Vector2f(0.5f, 0.0f));
  moveTo(key);
  button(MOUSE_LEFT, true);
  moveBy(0.0f, -12.5f);
  button(MOUSE_LEFT, false);
  ASSERT_EQ(effect->speed.mSpline.getNumKeys(), 1);
  EXPECT_NEAR(effect->speed.mSpline[0].value, 0.5f, 1e-5f);
  EXPECT_EQ(effect->mStart, 0.0f) << "the bar stays";
  EXPECT_FALSE(effect->isDragging());
  effect->save();
  EXPECT_NE(work.read("script/Scripted.e.xml").find("<key time=\"0.5\" value=\"0.5\"/>"), std::string::npos);
}

TEST_F(BarTest, AnEffectReleasedWithItsMenuOpenTakesTheMenuAlong) {
  Scripted* effect = add("e", 5.0f, 15.0f);
  moveTo(onBar(effect, 30.0f));
  button(MOUSE_RIGHT, true);
  ASSERT_NE(workspace()->getContext(), nullptr);
  delete effect;
  EXPECT_EQ(workspace()->getContext(), nullptr);
  EXPECT_EQ(stack->getChildCount(), 0u);
  moveBy(5.0f);
  button(MOUSE_LEFT, true);
  button(MOUSE_LEFT, false);
}

TEST_F(BarTest, PluginsThatOutliveTheirEffectLeaveItUnharmed) {
  // editors that are no members of the effect are never freed by it
  struct Loose : zelkor::kindra::Effect {
    void draw(float, float, float) override {}
  };
  kindra_test::Pulses outside;
  {
    Loose effect;
    effect.addPlugin("outside", outside);
    stack->addControl(&effect, -1);
    effect.setupControl();
    EXPECT_EQ(outside.getParent(), &effect);
  }
  EXPECT_EQ(outside.getParent(), nullptr);
  EXPECT_EQ(stack->getChildCount(), 0u) << "the effect left the stack as it went";
}

}  // namespace
