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
#include "kindra_editor_fixture.h"
#include "kindra_effects.h"
#include "tes_colorchooser.h"

namespace {

using zelkor::display::KEYMOD_LALT;
using zelkor::display::KEYMOD_NONE;
using zelkor::kindra::BeatGrid;
using zelkor::kindra::EditHistory;
using zelkor::mathbase::Vector2f;
using zelkor::tessel::Area;
using Key = zelkor::mathbase::SplineBaseKey<float>;
using kindra_test::kRichScript;
using kindra_test::Rich;

class HistoryTest : public kindra_test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    loadEditor("<window id=\"picker_window\" hidden=\"true\"><area x=\"400\" y=\"60\" width=\"300\" height=\"280\"/><child>"
               "<colorchooser id=\"picker\"><area x=\"8\" y=\"8\" width=\"280\" height=\"200\"/></colorchooser>"
               "<button id=\"picker_ok\" caption=\"OK\"><area x=\"208\" y=\"216\" width=\"80\" height=\"24\"/></button>"
               "</child></window>");
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
  // A point across the middle of a plugin's editor, `u` of its width in.
  Vector2f across(zelkor::tessel::Control& editor, float u) const {
    const Area world = editor.getAreaWorld();
    return Vector2f(world.mMin.x + u * world.getWidth(), world.getCenter().y);
  }
  Rich* effect = nullptr;
  EditHistory history;
};

TEST_F(HistoryTest, EveryKindOfEditUndoesToTheBytesBeforeAndRedoesToTheBytesAfter) {
  Rich& e = *effect;
  const std::string initial = e.getScriptText();
  const auto pulse = [&](float x) { return across(e.boom, 0.0f) + Vector2f(x, 0.0f); };  // x pixels in
  const std::vector<std::pair<const char*, std::function<void()>>> edits = {
      {"bar move", [&] { drag(onBar(50.0f), 30.0f); }},
      {"bar resize", [&] { drag(onBar(97.0f), 40.0f); }},
      {"spline add", [&] { e.level.mSpline.addKey(Key(0.5f, -0.5f)); }},
      {"spline move", [&] { e.level.mSpline[1].time = 0.6f; e.level.mSpline.updateKey(1); }},
      {"spline delete", [&] { e.level.mSpline.removeKey(0); }},
      {"spline type", [&] { e.level.mSpline.setInterpolation(zelkor::mathbase::SplineBasef::LINEAR); }},
      {"spline repeat", [&] { e.level.mSpline.setExtrapolationAfter(zelkor::mathbase::SplineBasef::EXT_REPEAT); }},
      {"camera add", [&] { e.view.addKey(0.5f); }},
      // the last key dragged back past the middle one: they trade places
      {"camera move", [&] {
         dragTo(across(e.view, 1.0f) - Vector2f(2.0f, 0.0f), across(e.view, 0.4f), 2);
         EXPECT_NEAR(e.view.mSpline[0][1].time, 0.4f, 0.011f);
         EXPECT_FLOAT_EQ(e.view.mSpline[0][2].time, 0.5f);
       }},
      {"camera delete", [&] {
         pick(across(e.view, 0.4f), "delete this and forward");
         EXPECT_EQ(e.view.getNumKeys(), 1);
       }},
      // pad buttons: one takes the key before the time off, one adds a key
      // where the camera stands, one frees the view
      {"camera pad", [&] {
         e.view.addKey(0.25f);
         zelkor::display::GamePadState pad{};
         pad.buttons[12] = 1;
         zelkor::display::setGamePadOverride(0, &pad);
         e.view.setupControl(e.view.getArea().getWidth(), -1.0f);
         moveTo(across(e.view, 0.9f));  // the editor takes the focus
         button(true);
         button(false);
         const float at = e.mStart + 0.5f * (e.mEnd - e.mStart);
         e.view.update(at);
         ASSERT_EQ(e.view.getNumKeys(), 1);
         EXPECT_FLOAT_EQ(e.view.mSpline[0][0].time, 0.0f);
         pad.buttons[12] = 0;
         pad.buttons[14] = pad.buttons[3] = 1;
         zelkor::display::setGamePadOverride(0, &pad);
         e.view.update(at);
         zelkor::display::setGamePadOverride(0, nullptr);
         EXPECT_EQ(e.view.getNumKeys(), 2);
         EXPECT_TRUE(e.view.mFreeView);
       }},
      {"colour add", [&] {
         pick(across(e.tint, 0.3f), "add");
         ASSERT_EQ(e.tint.getNumKeys(), 3);
         EXPECT_NEAR(e.tint.mR[1].time, 0.3f, 0.011f);
       }},
      {"colour move", [&] {
         dragTo(across(e.tint, 1.0f) - Vector2f(2.0f, 0.0f), across(e.tint, 0.8f), 2);
         EXPECT_NEAR(e.tint.mR[2].time, 0.8f, 0.011f);
       }},
      {"colour edit", [&] {
         // a double click opens the picker on the key; a click on its wheel recolours the key
         moveTo(across(e.tint, 0.0f) + Vector2f(2.0f, 0.0f));
         button(true, true);
         button(false);
         auto* chooser = dynamic_cast<zelkor::tessel::ColorChooser*>(find("picker"));
         ASSERT_TRUE(chooser && find("picker_window")->getVisible());
         moveTo(chooser->getWheel()->getAreaWorld().getCenter() + Vector2f(-30.0f, 20.0f));
         button(true);
         button(false);
         EXPECT_NEAR(e.tint.mG[0].value, chooser->getColor().y, 1e-6f);
         EXPECT_NEAR(e.tint.mB[0].value, chooser->getColor().z, 1e-6f);
       }},
      {"colour delete", [&] { pick(across(e.tint, e.tint.mR[1].time), "delete"); }},
      // pulses 2.5 pixels apart: the first drags the start, a later one the delay
      {"trigger start", [&] {
         dragTo(pulse(0.0f), pulse(5.0f), 2);
         EXPECT_NEAR(e.boom.mAction.front()->mStart, 0.5f, 1e-4f);
       }},
      {"trigger delay", [&] {
         dragTo(pulse(10.0f), pulse(15.0f), 2);
         EXPECT_NEAR(e.boom.mAction.front()->mDelay, 0.5f, 1e-4f);
       }},
      {"trigger repeat", [&] {
         pick(pulse(40.0f), "adjust");
         EXPECT_EQ(e.boom.mAction.front()->mRepeat, 8u);
       }},
      // Ctrl held while the end is dragged: every key keeps its second
      {"ctrl rescale", [&] {
         const float seconds = e.tint.mR[1].time * (e.mEnd - e.mStart);
         modifiers = zelkor::display::KEYMOD_LCTRL;
         drag(onBar(e.getArea().getWidth() - 3.0f), 20.0f);
         modifiers = KEYMOD_NONE;
         EXPECT_NEAR(e.tint.mR[1].time * (e.mEnd - e.mStart), seconds, 1e-4f);
       }},
      // last: a folded or locked effect's editors take no mouse
      {"off", [&] { e.setInactive(true); }},
      {"lock", [&] { e.setLocked(true); }},
      {"fold", [&] { e.setFolded(true); }},
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
