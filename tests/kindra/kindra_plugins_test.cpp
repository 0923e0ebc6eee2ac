// The colour and trigger plugins: values over time, their script payloads,
// and their editors under an effect's bar.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "kindra_effects.h"
#include "tessel_test_util.h"
#include "kindra_workdir.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using kindra_test::contains;
using zelkor::kindra::Color;
using zelkor::kindra::Trigger;
using zelkor::mathbase::Vector3f;

using kindra_test::Rich;

std::unique_ptr<Rich> makeEffect(float start, float end) {
  auto effect = std::make_unique<Rich>();
  effect->mType = "Rich";
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
  std::unique_ptr<Rich> effect = makeEffect(0.0f, 10.0f);
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
  kindra_test::StdoutCapture capture;
  color.openPicker(0);
  EXPECT_TRUE(contains(capture.finish(), "Color 'tint': the editor has no colour picker")) << "and nothing breaks";
}

// ------------------------------------------------------------ scripts

class PluginScriptTest : public testing::Test {
 protected:
  std::unique_ptr<Rich> loaded(const std::string& text) {
    fs::create_directories(work.file("script"));
    work.write("script/Rich.A.xml", text);
    std::unique_ptr<Rich> effect = makeEffect(0.0f, 10.0f);
    kindra_test::StdoutCapture capture;
    effect->load(nullptr);
    log = capture.finish();
    return effect;
  }
  std::string saved(Rich& effect) {
    kindra_test::StdoutCapture capture;
    effect.save();
    log = capture.finish();
    return work.read("script/Rich.A.xml");
  }
  kindra_test::WorkDir work{"kindra-plugins"};
  std::string log;
};

TEST_F(PluginScriptTest, ScriptsInTheWrittenFormatComeBackByteForByte) {
  std::unique_ptr<Rich> effect = loaded(kindra_test::kRichScript);
  ASSERT_EQ(effect->tint.getNumKeys(), 2);
  expectColor(effect->tint.get(12.0f), 0.0f, 1e-05f, 1.0f);
  ASSERT_EQ(effect->boom.mAction.size(), 2u);
  EXPECT_FLOAT_EQ(effect->boom.mAction[1]->mStart, 7.25f);
  EXPECT_EQ(effect->boom.mAction[1]->mRepeat, 12u);
  EXPECT_EQ(saved(*effect), kindra_test::kRichScript);
}

// What is no number is named with its plugin; a key without a time is
// skipped, any other value is read as 0; the rest of the script stands.
TEST_F(PluginScriptTest, ValuesThatAreNoNumbersAreNamedAndTheRestKept) {
  const struct {
    const char* element;
    const char* warning;
    std::function<bool(Rich&)> kept;
  } rows[] = {
      {"<time start=\"nan\" end=\"7\"/>", "script/Rich.A.xml: <time start=\"nan\"> is no number; read as 0",
       [](Rich& e) { return e.mStart == 0.0f && e.mEnd == 7.0f; }},
      {"<plugin type=\"spline\" name=\"level\"><key time=\"-nan\" value=\"1\"/><key time=\"1\" value=\"-inf\"/></plugin>",
       "Spline 'level': a key at time \"-nan\" cannot be placed; skipped",
       [](Rich& e) { return e.level.mSpline.getNumKeys() == 1 && e.level.mSpline[0].value == 0.0f; }},
      {"<plugin type=\"camera\" name=\"view\"><key time=\"nan\" v0=\"1\"/><key time=\"0\" v0=\"inf\" v1=\"2\"/></plugin>",
       "Camera 'view': a key at time \"nan\" cannot be placed; skipped",
       [](Rich& e) { return e.view.getNumKeys() == 1 && e.view.mSpline[0][0].value == 0.0f && e.view.mSpline[1][0].value == 2.0f; }},
      {"<plugin type=\"color\" name=\"tint\"><key time=\"inf\" r=\"1\"/><key time=\"0\" r=\"nan\" g=\"1\"/></plugin>",
       "Color 'tint': a key at time \"inf\" cannot be placed; skipped",
       [](Rich& e) { return e.tint.getNumKeys() == 1 && e.tint.mR[0].value == 0.0f && e.tint.mG[0].value == 1.0f; }},
      {"<plugin type=\"trigger\" name=\"boom\"><action start=\"nan\" delay=\"inf\" repeat=\"-3\"/></plugin>",
       "Trigger 'boom': an action with a value out of range was read as 0, 1, 0",
       [](Rich& e) { return e.boom.mAction.size() == 1u; }},
      {"<plugin type=\"color\" name=\"tint\"/><plugin type=\"color\" name=\"tint\"><key time=\"0.5\" b=\"1\"/></plugin>",
       "script/Rich.A.xml: 2 plugin elements are named 'tint'; the last one is used",
       [](Rich& e) { return e.tint.getNumKeys() == 1 && e.tint.mR[0].time == 0.5f; }},
  };
  for (const auto& row : rows) {
    std::unique_ptr<Rich> effect = loaded(std::string("<effect>") + row.element + "</effect>");
    EXPECT_TRUE(contains(log, row.warning)) << row.element << "\n" << log;
    EXPECT_TRUE(row.kept(*effect)) << row.element;
  }
}

TEST_F(PluginScriptTest, ATriggerWithoutActionGetsOneThatHasFiredAlready) {
  std::unique_ptr<Rich> effect = loaded("<effect><plugin type=\"trigger\" name=\"boom\"/></effect>");
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
