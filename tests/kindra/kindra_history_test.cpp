// Undo and redo over an effect with every kind of plugin: each kind of edit
// undoes to the exact script bytes from before it and redoes to those after;
// a drag is one step; a new edit drops the redo. Drags snap to the beat grid
// (not with Alt, not without a tempo).

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kin_beatgrid.h"
#include "kin_history.h"
#include "kin_plugin_camera.h"
#include "kin_plugin_color.h"
#include "kin_plugin_spline.h"
#include "kin_plugin_trigger.h"
#include "kindra_editor_fixture.h"

namespace {

using zelkor::display::KEYMOD_LALT;
using zelkor::display::KEYMOD_NONE;
using zelkor::kindra::BeatGrid;
using zelkor::kindra::EditHistory;
using zelkor::mathbase::Vector2f;
using zelkor::tessel::Area;
using Key = zelkor::mathbase::SplineBaseKey<float>;

class Rich : public zelkor::kindra::Effect {
 public:
  Rich() {
    addPlugin("level", level);
    addPlugin("view", view);
    addPlugin("tint", tint);
    addPlugin("boom", boom);
  }
  void draw(float, float, float) override {}
  zelkor::kindra::Spline level;
  zelkor::kindra::Camera view;
  zelkor::kindra::Color tint;
  zelkor::kindra::Trigger boom;
};

const char kRichScript[] =
    "<effect>\n\t<option inactive=\"0\" locked=\"0\"/>\n\t<time start=\"2\" end=\"12\"/>\n"
    "\t<plugin type=\"spline\" name=\"level\">\n\t\t<attributes type=\"smooth\" before=\"constant\" after=\"constant\"/>\n"
    "\t\t<key time=\"0\" value=\"0.25\"/>\n\t\t<key time=\"1\" value=\"0.75\"/>\n\t</plugin>\n"
    "\t<plugin type=\"camera\" name=\"view\">\n"
    "\t\t<key time=\"0\" v0=\"0\" v1=\"0\" v2=\"0\" v3=\"0\" v4=\"0\" v5=\"0\" v6=\"1\"/>\n"
    "\t\t<key time=\"1\" v0=\"20\" v1=\"0\" v2=\"0\" v3=\"0\" v4=\"0\" v5=\"0\" v6=\"1\"/>\n\t</plugin>\n"
    "\t<plugin type=\"color\" name=\"tint\">\n\t\t<key time=\"0\" r=\"1\" g=\"0\" b=\"0\"/>\n"
    "\t\t<key time=\"1\" r=\"0\" g=\"0\" b=\"1\"/>\n\t</plugin>\n"
    "\t<plugin type=\"trigger\" name=\"boom\">\n\t\t<action start=\"0\" delay=\"0.25\" repeat=\"10\"/>\n\t</plugin>\n"
    "</effect>\n";

class HistoryTest : public kindra_test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    loadEditor();
    effect = new Rich;
    effect->mType = "Rich";
    effect->mName = "rich";
    addEffect(effect);
    ASSERT_TRUE(effect->restoreScript(kRichScript));
    history.reset({effect});
  }
  void TearDown() override { BeatGrid::setActive(BeatGrid()); }
  Vector2f onBar(float x) const {
    const Area world = effect->getAreaWorld();
    return Vector2f(world.mMin.x + x, world.mMin.y + 10.0f);
  }

  Rich* effect = nullptr;
  EditHistory history;
};

TEST_F(HistoryTest, EveryKindOfEditUndoesToTheBytesBeforeAndRedoesToTheBytesAfter) {
  Rich& e = *effect;
  const std::string initial = e.getScriptText();
  const std::vector<std::pair<const char*, std::function<void()>>> edits = {
      {"bar move", [&] { drag(onBar(50.0f), 30.0f); }},
      {"bar resize", [&] { drag(onBar(97.0f), 40.0f); }},
      {"off", [&] { e.setInactive(true); }},
      {"lock", [&] { e.setLocked(true); }},
      {"fold", [&] { e.setFolded(true); }},
      {"spline add", [&] { e.level.mSpline.addKey(Key(0.5f, -0.5f)); }},
      {"spline move", [&] { e.level.mSpline[1].time = 0.6f; e.level.mSpline.updateKey(1); }},
      {"spline delete", [&] { e.level.mSpline.removeKey(0); }},
      {"spline type", [&] { e.level.mSpline.setInterpolation(zelkor::mathbase::SplineBasef::LINEAR); }},
      {"spline repeat", [&] { e.level.mSpline.setExtrapolationAfter(zelkor::mathbase::SplineBasef::EXT_REPEAT); }},
      {"ctrl rescale", [&] { e.level.setupControl(200.0f, 100.0f); }},
      {"camera add", [&] { e.view.addKey(0.5f); }},
      {"camera move", [&] { for (auto& curve : e.view.mSpline) if (curve.getNumKeys() > 1) curve[1].time = 0.4f; }},
      {"camera delete", [&] { e.view.removeKey(0); }},
      {"colour add", [&] { e.tint.addKey(0.3f); }},
      {"colour edit", [&] { e.tint.mG[0].value = 0.5f; }},
      {"colour delete", [&] { e.tint.removeKey(1); }},
      {"trigger", [&] { e.boom.mAction.front()->mDelay = 0.5f; }},
  };
  for (const auto& edit : edits) {
    const std::string before = e.getScriptText();
    edit.second();
    const std::string after = e.getScriptText();
    ASSERT_NE(before, after) << edit.first;
    ASSERT_TRUE(history.checkpoint()) << edit.first;
    ASSERT_TRUE(history.undo()) << edit.first;
    EXPECT_EQ(e.getScriptText(), before) << edit.first;
    ASSERT_TRUE(history.redo()) << edit.first;
    EXPECT_EQ(e.getScriptText(), after) << edit.first;
  }
  // and all the way back to the start
  while (history.undo()) {
  }
  EXPECT_EQ(e.getScriptText(), initial);
}

TEST_F(HistoryTest, ADragIsOneStepAndANewEditDropsTheRedo) {
  const std::string start = effect->getScriptText();
  moveTo(onBar(49.0f));
  moveTo(onBar(50.0f));
  button(true);
  for (int i = 0; i < 5; ++i) moveBy(10.0f);
  button(false);
  EXPECT_TRUE(history.checkpoint());
  EXPECT_EQ(history.getUndoCount(), 1u);
  EXPECT_TRUE(history.undo());
  EXPECT_EQ(effect->getScriptText(), start);
  effect->setInactive(true);
  EXPECT_FALSE(history.redo()) << "the new edit took the redo's place";
  EXPECT_EQ(history.getRedoCount(), 0u);
}

TEST_F(HistoryTest, DragsSnapToBeatsUnlessAltOrNoTempo) {
  struct Case {
    float bpm;
    int modifiers;
    float dx;  // pixels; 10 per second
    float start;
  };
  // the bar starts at 2 s; 120 BPM has a beat every 0.5 s (5 pixels)
  const Case cases[] = {{120.0f, KEYMOD_NONE, 13.0f, 3.5f}, {120.0f, KEYMOD_LALT, 13.0f, 3.3f},
                        {0.0f, KEYMOD_NONE, 13.0f, 3.3f},   {100.0f, KEYMOD_NONE, 21.0f, 4.2f}};
  for (const Case& c : cases) {
    BeatGrid::setActive(BeatGrid(c.bpm, 4));
    ASSERT_TRUE(effect->restoreScript(kRichScript));
    modifiers = c.modifiers;
    drag(onBar(50.0f), c.dx);
    EXPECT_NEAR(effect->mStart, c.start, 1e-5f) << c.bpm << " " << c.modifiers;
  }
  // keys of each kind land on the beat nearest the pointer: 5.5 s at 120 BPM
  BeatGrid::setActive(BeatGrid(120.0f, 4));
  modifiers = KEYMOD_NONE;
  ASSERT_TRUE(effect->restoreScript(kRichScript));
  const float u = (5.5f - 2.0f) / 10.0f;
  const float beside = u + 0.012f;  // a pixel and a bit off, 100 pixels wide
  const float width = effect->getArea().getWidth();
  EXPECT_NEAR(zelkor::kindra::snapFraction(beside, 2.0f, 10.0f, width, false), u, 1e-6f);
  EXPECT_NEAR(effect->level.snapKeyTime(beside, false), u, 1e-6f);
  EXPECT_NEAR(effect->level.snapKeyTime(beside, true), beside, 1e-6f);
  EXPECT_NEAR(zelkor::kindra::snapFraction(beside, 2.0f, 10.0f, width, true), beside, 1e-6f);
}

}  // namespace
