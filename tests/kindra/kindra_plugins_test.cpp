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
using zelkor::mathbase::Vector3f;

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

}  // namespace
