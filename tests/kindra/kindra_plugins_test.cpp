// The colour and trigger plugins: values over time, their script payloads,
// and their editors under an effect's bar.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "kin_plugin_color.h"
#include "kin_plugin_trigger.h"
#include "kindra_editor_fixture.h"
#include "kindra_workdir.h"
#include "tes_colorchooser.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using kindra_test::contains;
using zelkor::kindra::Color;
using zelkor::kindra::Trigger;
using zelkor::mathbase::Vector2f;
using zelkor::mathbase::Vector3f;
using zelkor::tessel::Area;

class Animated : public zelkor::kindra::Effect {
 public:
  Animated() {
    addPlugin("tint", tint);
    addPlugin("boom", boom);
  }
  void draw(float, float, float) override {}
  Color tint;
  Trigger boom;
};

std::unique_ptr<Animated> makeEffect(float start, float end) {
  auto effect = std::make_unique<Animated>();
  effect->mType = "Animated";
  effect->mName = "A";
  effect->mStart = start;
  effect->mEnd = end;
  return effect;
}

Trigger::ActionData* addAction(Trigger& trigger, float start, float delay, uint32_t repeat) {
  trigger.mAction.push_back(new Trigger::ActionData{start, delay, repeat, 0});
  return trigger.mAction.back();
}

void expectColor(const Vector3f& actual, float r, float g, float b) {
  EXPECT_NEAR(actual.x, r, 1e-5f);
  EXPECT_NEAR(actual.y, g, 1e-5f);
  EXPECT_NEAR(actual.z, b, 1e-5f);
}

// ------------------------------------------------------------ trigger

TEST(TriggerTest, ATrainFiresOnceAtEachEventAndAgainAfterTimeRanBackwards) {
  Trigger trigger;
  addAction(trigger, 2.0f, 0.5f, 3);
  std::vector<uint32_t> fired;
  for (float t : {1.9f, 2.1f, 2.4f, 2.6f, 3.2f, 4.0f, 9.0f}) {
    trigger.update(t);
    fired.push_back(trigger.get(t));
  }
  EXPECT_EQ(fired, (std::vector<uint32_t>{0, 1, 0, 1, 1, 0, 0}));
  trigger.update(1.0f);
  EXPECT_EQ(trigger.get(1.0f), 0u);
  EXPECT_EQ(trigger.get(0.5f), 0u) << "asked for an earlier time than the last update";
  trigger.update(2.1f);
  EXPECT_EQ(trigger.get(2.1f), 1u);
}

TEST(TriggerTest, AJumpFiresEveryEventPassedOverAtOnce) {
  Trigger trigger;
  addAction(trigger, 2.0f, 0.5f, 3);
  trigger.update(0.0f);
  trigger.update(10.0f);
  EXPECT_EQ(trigger.get(10.0f), 3u) << "no more than the train holds";
  EXPECT_FLOAT_EQ(trigger.mDiff, 1.0f);
  trigger.update(11.0f);
  EXPECT_EQ(trigger.get(11.0f), 0u);
}

TEST(TriggerTest, AnEventExactlyAtAFrameFiresOnTheNextFrame) {
  Trigger trigger;
  addAction(trigger, 2.0f, 0.5f, 3);
  trigger.update(2.0f);
  EXPECT_EQ(trigger.get(2.0f), 0u);
  trigger.update(2.01f);
  EXPECT_EQ(trigger.get(2.01f), 1u);
}

TEST(TriggerTest, TrainsWithoutDelayOrMovedLaterStayFinite) {
  Trigger trigger;
  Trigger::ActionData* zero = addAction(trigger, 1.0f, 0.0f, 4);
  trigger.update(0.0f);
  trigger.update(1.5f);
  EXPECT_GT(trigger.get(1.5f), 0u);
  EXPECT_GE(zero->mCount, zero->mRepeat);

  Trigger later;
  Trigger::ActionData* action = addAction(later, 1.0f, 1.0f, 5);
  later.update(2.5f);  // events at 1 and 2
  EXPECT_EQ(later.get(2.5f), 2u);
  action->mStart = 2.4f;  // dragged later in the editor
  later.update(2.6f);
  EXPECT_EQ(later.get(2.6f), 0u) << "no negative count";
  EXPECT_EQ(action->mCount, 2u);
}

TEST(TriggerTest, AdjustStretchesTheTrainToWhereTheMenuOpened) {
  Trigger trigger;
  Trigger::ActionData* action = addAction(trigger, 2.0f, 0.5f, 3);
  zelkor::tessel::Event event;
  event.type = "context";
  event.action = "trigger.adjust";

  trigger.mStretchPos = Vector2f(5.0f, 10.0f);  // left of the first pulse at x 20
  trigger.handleEvent(event);
  EXPECT_EQ(action->mRepeat, 1u);
  trigger.mStretchPos = Vector2f(36.0f, 10.0f);  // at the fourth pulse (x 35): four events
  trigger.handleEvent(event);
  EXPECT_EQ(action->mRepeat, 4u);
}

// ------------------------------------------------------------ colour

TEST(ColorTest, AKeyAddedBetweenTwoKeepsTheColourOverTime) {
  std::unique_ptr<Animated> effect = makeEffect(0.0f, 10.0f);
  Color& color = effect->tint;
  expectColor(color.get(3.0f), 0.0f, 0.0f, 0.0f);
  color.mR.addKey({0.0f, 1.0f});
  color.mG.addKey({0.0f, 0.0f});
  color.mB.addKey({0.0f, 0.0f});
  color.mR.addKey({1.0f, 0.0f});
  color.mG.addKey({1.0f, 0.0f});
  color.mB.addKey({1.0f, 1.0f});
  expectColor(color.get(2.5f), 0.75f, 0.0f, 0.25f);
  expectColor(color.get(20.0f), 0.0f, 0.0f, 1.0f);
  expectColor(color.get(-5.0f), 1.0f, 0.0f, 0.0f);

  EXPECT_EQ(color.addKey(0.5f), 1);
  ASSERT_EQ(color.getNumKeys(), 3);
  EXPECT_FLOAT_EQ(color.mR[1].time, 0.5f);
  expectColor(Vector3f(color.mR[1].value, color.mG[1].value, color.mB[1].value), 0.5f, 0.0f, 0.5f);
  for (float t : {0.0f, 1.0f, 2.5f, 5.0f, 7.5f, 9.9f}) {
    expectColor(color.get(t), 1.0f - t / 10.0f, 0.0f, t / 10.0f);
  }

  color.removeKey(1);
  EXPECT_EQ(color.mG.getNumKeys(), 2);
  EXPECT_EQ(color.mB.getNumKeys(), 2);
}

TEST(ColorTest, StretchingWithCtrlKeepsTheKeysInSeconds) {
  std::unique_ptr<Animated> effect = makeEffect(0.0f, 10.0f);
  Color& color = effect->tint;
  color.mR.addKey({0.5f, 1.0f});
  color.setupControl(200.0f, 100.0f);
  EXPECT_FLOAT_EQ(color.mR[0].time, 0.25f);
  EXPECT_FLOAT_EQ(color.getArea().getWidth(), 200.0f);
  color.setupControl(300.0f, -1.0f);
  EXPECT_FLOAT_EQ(color.mR[0].time, 0.25f);
}

// ------------------------------------------------------------ scripts

const char kScript[] =
    "<effect>\n"
    "\t<option inactive=\"0\" locked=\"0\"/>\n"
    "\t<time start=\"4\" end=\"14.5\"/>\n"
    "\t<plugin type=\"color\" name=\"tint\">\n"
    "\t\t<key time=\"0\" r=\"1\" g=\"0.25\" b=\"0\"/>\n"
    "\t\t<key time=\"0.333333\" r=\"0.5\" g=\"1e-05\" b=\"0.75\"/>\n"
    "\t\t<key time=\"1\" r=\"0\" g=\"0\" b=\"1\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"trigger\" name=\"boom\">\n"
    "\t\t<action start=\"2\" delay=\"0.5\" repeat=\"3\"/>\n"
    "\t\t<action start=\"7.25\" delay=\"1\" repeat=\"12\"/>\n"
    "\t</plugin>\n"
    "</effect>\n";

class PluginScriptTest : public testing::Test {
 protected:
  std::unique_ptr<Animated> loaded(const std::string& text) {
    fs::create_directories(work.file("script"));
    work.write("script/Animated.A.xml", text);
    std::unique_ptr<Animated> effect = makeEffect(0.0f, 10.0f);
    kindra_test::StdoutCapture capture;
    effect->load(nullptr);
    log = capture.finish();
    return effect;
  }
  std::string saved(Animated& effect) {
    kindra_test::StdoutCapture capture;
    effect.save();
    log = capture.finish();
    return work.read("script/Animated.A.xml");
  }
  kindra_test::WorkDir work{"kindra-plugins"};
  std::string log;
};

TEST_F(PluginScriptTest, ScriptsInTheWrittenFormatComeBackByteForByte) {
  std::unique_ptr<Animated> effect = loaded(kScript);
  ASSERT_EQ(effect->tint.getNumKeys(), 3);
  expectColor(effect->tint.get(0.0f), 1.0f, 0.25f, 0.0f);
  ASSERT_EQ(effect->boom.mAction.size(), 2u);
  EXPECT_FLOAT_EQ(effect->boom.mAction[1]->mStart, 7.25f);
  EXPECT_EQ(effect->boom.mAction[1]->mRepeat, 12u);
  EXPECT_EQ(saved(*effect), kScript);
}

TEST_F(PluginScriptTest, MissingValuesTakeTheirDefaults) {
  std::unique_ptr<Animated> effect = loaded(
      "<effect><plugin type=\"color\" name=\"tint\"><key time=\"0.5\" r=\"1\"/><key time=\"nan\" r=\"1\"/></plugin>"
      "<plugin type=\"trigger\" name=\"boom\"><action start=\"3\"/><action delay=\"2\" repeat=\"-4\"/></plugin>"
      "</effect>");
  ASSERT_EQ(effect->tint.getNumKeys(), 1) << "a key that cannot be placed is skipped";
  expectColor(effect->tint.get(5.0f), 1.0f, 0.0f, 0.0f);
  ASSERT_EQ(effect->boom.mAction.size(), 2u);
  const Trigger::ActionData& first = *effect->boom.mAction[0];
  EXPECT_FLOAT_EQ(first.mStart, 3.0f);
  EXPECT_FLOAT_EQ(first.mDelay, 1.0f);
  EXPECT_EQ(first.mRepeat, 1u);
  EXPECT_EQ(first.mCount, 0u);
  EXPECT_EQ(effect->boom.mAction[1]->mRepeat, 0u) << "a negative count fires nothing";
}

TEST_F(PluginScriptTest, ATriggerWithoutActionGetsOneThatHasFiredAlready) {
  std::unique_ptr<Animated> effect = loaded("<effect><plugin type=\"trigger\" name=\"boom\"/></effect>");
  EXPECT_TRUE(contains(log, "No action tag found in trigger, creating\n")) << log;
  ASSERT_EQ(effect->boom.mAction.size(), 1u);
  Trigger& boom = effect->boom;
  boom.update(0.5f);
  EXPECT_EQ(boom.get(0.5f), 0u) << "the default action starts used up";
  boom.update(0.2f);
  boom.update(0.3f);
  EXPECT_EQ(boom.get(0.3f), 0u) << "a seek back leaves it spent, as playing did";
  EXPECT_TRUE(contains(saved(*effect), "<action start=\"0\" delay=\"1\" repeat=\"1\"/>"));
}

// ------------------------------------------------------------ editors

class PluginEditorTest : public kindra_test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    loadEditor(
        "<container id=\"picker_window\" visible=\"false\"><area x=\"400\" y=\"300\" width=\"200\" height=\"250\"/><child>"
        "<colorchooser id=\"picker\"><area x=\"0\" y=\"0\" width=\"200\" height=\"200\"/></colorchooser>"
        "<button id=\"picker_ok\"><area x=\"0\" y=\"210\" width=\"60\" height=\"20\"/></button>"
        "</child></container>");
    effect = makeEffect(2.0f, 12.0f).release();
    addEffect(effect);
  }
  Animated* effect = nullptr;  // owned by the stack
};

TEST_F(PluginEditorTest, AColourKeyIsDraggedUnderTheBar) {
  Color& tint = effect->tint;
  tint.mR.addKey({0.2f, 1.0f});
  tint.mG.addKey({0.2f, 0.0f});
  tint.mB.addKey({0.2f, 0.0f});
  tint.mR.addKey({0.6f, 0.0f});
  tint.mG.addKey({0.6f, 0.0f});
  tint.mB.addKey({0.6f, 1.0f});
  const Area world = tint.getAreaWorld();
  ASSERT_EQ(tint.getParent(), effect);
  EXPECT_FLOAT_EQ(world.getWidth(), 100.0f) << "as wide as the effect's 10 s";
  EXPECT_GE(world.mMin.y, effect->getAreaWorld().mMin.y + 20.0f) << "below the bar";

  const float centre = world.mMin.y + world.getHeight() / 2.0f;
  moveTo(Vector2f(world.mMin.x + 21.0f, centre + 2.0f));
  EXPECT_EQ(tint.mHighlight, 0);
  button(true);
  EXPECT_TRUE(tint.mPushed);
  moveTo(Vector2f(world.mMin.x + 40.0f, centre));
  EXPECT_FLOAT_EQ(tint.mR[0].time, 0.4f);
  EXPECT_FLOAT_EQ(tint.mB[0].time, 0.4f);
  // past the next key: the drag goes on with that one, the keys keep order
  moveTo(Vector2f(world.mMin.x + 70.0f, centre));
  moveTo(Vector2f(world.mMin.x + 80.0f, centre));
  button(false);
  EXPECT_FALSE(tint.mPushed);
  EXPECT_FLOAT_EQ(tint.mR[0].time, 0.7f);
  EXPECT_FLOAT_EQ(tint.mR[1].time, 0.8f);
  EXPECT_FLOAT_EQ(tint.mB[1].value, 1.0f);

  // pushed over the neighbour and back in the last step before the release
  moveTo(Vector2f(world.mMin.x + 80.0f, centre));
  ASSERT_EQ(tint.mHighlight, 1);
  button(true);
  moveTo(Vector2f(world.mMin.x + 60.0f, centre));  // past key 0 at 0.7: key 0 follows
  moveTo(Vector2f(world.mMin.x + 75.0f, centre));  // key 0 at 0.75, past key 1 at 0.6
  button(false);
  for (Color::Curve* curve : {&tint.mR, &tint.mG, &tint.mB}) {
    ASSERT_EQ(curve->getNumKeys(), 2);
    EXPECT_LT((*curve)[0].time, (*curve)[1].time) << "back in time order";
  }
  EXPECT_FLOAT_EQ(tint.mR[0].time, 0.6f);
  EXPECT_FLOAT_EQ(tint.mB[0].value, 1.0f) << "the blue key, dragged to 0.6";
  EXPECT_FLOAT_EQ(tint.mR[1].time, 0.75f);
  EXPECT_FLOAT_EQ(tint.mR[1].value, 1.0f);
}

TEST_F(PluginEditorTest, ADoubleClickOnAColourKeyEditsItInThePicker) {
  Color& tint = effect->tint;
  tint.mR.addKey({0.2f, 1.0f});
  tint.mG.addKey({0.2f, 0.0f});
  tint.mB.addKey({0.2f, 0.0f});
  auto* picker = dynamic_cast<zelkor::tessel::ColorChooser*>(find("picker"));
  ASSERT_NE(picker, nullptr);
  ASSERT_FALSE(find("picker_window")->getVisible());

  const Area world = tint.getAreaWorld();
  moveTo(Vector2f(world.mMin.x + 20.0f, world.mMin.y + world.getHeight() / 2.0f));
  button(true, true);
  button(false);
  EXPECT_TRUE(find("picker_window")->getVisible());
  EXPECT_EQ(tint.mSelectedIndex, 0);
  expectColor(picker->getColor().getXYZ(), 1.0f, 0.0f, 0.0f);

  // a pick reaches the key live, as the chooser reports it
  picker->setColor(zelkor::mathbase::Vector4f(0.0f, 1.0f, 0.5f, 1.0f));
  picker->controlAction(picker->getWheel(), zelkor::tessel::ACTION_COLOR);
  expectColor(tint.get(2.0f), 0.0f, 1.0f, 0.5f);

  find("picker_ok")->sendAction(zelkor::tessel::ACTION_BUTTON_PRESSED);
  EXPECT_EQ(tint.mSelectedIndex, -1);
  picker->setColor(zelkor::mathbase::Vector4f(1.0f, 1.0f, 1.0f, 1.0f));
  picker->controlAction(picker->getWheel(), zelkor::tessel::ACTION_COLOR);
  expectColor(tint.get(2.0f), 0.0f, 1.0f, 0.5f);  // closed: the key keeps its colour
}

TEST_F(PluginEditorTest, APulseDraggedMovesTheTrain) {
  Trigger& boom = effect->boom;
  ASSERT_EQ(boom.mAction.size(), 1u) << "the editor gives a trigger its default train";
  Trigger::ActionData& action = *boom.mAction[0];
  action.mStart = 3.0f;
  action.mRepeat = 2;
  const Area world = boom.getAreaWorld();
  ASSERT_EQ(boom.getParent(), effect);
  const float centre = world.mMin.y + world.getHeight() / 2.0f;
  moveTo(Vector2f(world.mMin.x + 31.0f, centre));
  EXPECT_EQ(boom.mHighlight, 0);
  button(true);
  moveTo(Vector2f(world.mMin.x + 51.0f, centre));
  button(false);
  EXPECT_FLOAT_EQ(action.mStart, 5.0f);
  EXPECT_FLOAT_EQ(action.mDelay, 1.0f);
}

}  // namespace
