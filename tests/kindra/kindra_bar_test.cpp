// An effect as its bar on the editor's timeline: placed by its span, moved
// and resized by the mouse, switched off and locked through its menu. Input
// enters the toolkit as the display hands it over; no window is needed.

#include <gtest/gtest.h>

#include <string>

#include "kindra_effects.h"
#include "kindra_workdir.h"
#include "tes_layoutstack.h"
#include "tes_workspace.h"
#include "kindra_editor_fixture.h"

namespace {

using kindra_test::Scripted;
using zelkor::display::KEYMOD_NONE;
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

  // Picks an option of the effect's menu on its bar.
  void pick(Scripted* effect, const std::string& option) { EditorTest::pick(onBar(effect, 30.0f), option); }

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
  // what the pointer is over lights up: the bar to move it, a handle to resize
  moveTo(onBar(effect, 50.0f));
  EXPECT_EQ(effect->getMouseOverIndex(), 2);
  moveTo(onBar(effect, 95.0f));
  EXPECT_EQ(effect->getMouseOverIndex(), 3);
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

}  // namespace
