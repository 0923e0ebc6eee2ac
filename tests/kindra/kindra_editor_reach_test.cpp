// The shipped editor with the shipped effects: at the shipped window size
// and at 1280x720 every effect's bar is scrolled into view with the wheel and
// dragged 5 s later with the mouse; the scripts written at exit hold it.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "demo_effects.h"
#include "glfw_inject.h"
#include "kin_gui.h"
#include "kin_main.h"
#include "kindra_workdir.h"
#include "tes_scrollbars.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zelkor::kindra::Effect;
using zelkor::mathbase::Vector2f;
using zelkor::tessel::Area;

// Runs a hook after the engine's part of every frame once loading is over.
class SteppedKindra : public zelkor::kindra::Kindra {
 public:
  void onDraw() override {
    Kindra::onDraw();
    if (!isRunningSetup() && hook) hook();
  }
  std::function<void()> hook;
};

float scriptStart(const std::string& text) {
  const std::string key = "<time start=\"";
  const size_t at = text.find(key);
  return at == std::string::npos ? -1.0f : std::stof(text.substr(at + key.size()));
}

void replaceIn(std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

class EditorReachTest : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(EditorReachTest, EveryShippedEffectScrollsIntoViewAndItsBarDrags) {
  kindra_test::WorkDir work("kindra-reach");
  fs::copy(kindra_test::sourceDir() + "/data", work.path(), fs::copy_options::recursive);
  std::string setup = work.read("setup.xml");
  replaceIn(setup, "width=\"800\" height=\"600\"",
            "width=\"" + std::to_string(GetParam().first) + "\" height=\"" + std::to_string(GetParam().second) + "\"");
  replaceIn(setup, "mute=\"off\"", "mute=\"nosound\"");
  work.write("setup.xml", setup);

  SteppedKindra engine;
  engine.setup(-1.0f);
  registerDemoEffects(engine);
  std::map<std::string, float> before;  // as the scripts have them

  size_t index = 0;
  int phase = 0, frames = 0;
  engine.hook = [&] {
    if (++frames > 3000) {
      ADD_FAILURE() << "stuck at effect " << index << " phase " << phase;
      kindra_test::keyPress(GLFW_KEY_ESCAPE);
      return;
    }
    auto* scroller =
        dynamic_cast<zelkor::tessel::Scrollbars*>(engine.getGui()->getTessel().findControl("main_scrollbars_horisontal"));
    ASSERT_NE(scroller, nullptr);
    const Area view = scroller->getFrame()->getAreaWorld();
    if (phase == 0) {
      if (frames < 3) return;
      // the editor opens on what plays: a playing bar shows below the band
      const float now = engine.getSystemTime();
      EXPECT_TRUE(std::any_of(engine.getEffects().begin(), engine.getEffects().end(), [&](Effect* e) {
        return e->mStart <= now && now < e->mEnd && e->getAreaWorld().mMin.y >= view.mMin.y + 20.0f &&
               e->getAreaWorld().mMin.y + 20.0f <= view.mMax.y;
      }));
      // the frame stays quick: paused where only cheap effects draw
      engine.setTime(170.0f);
      kindra_test::keyTap(GLFW_KEY_SPACE);
      // the shipped tempo's bars, 2 s at 120 BPM and 4 beats, a frame a step
      kindra_test::keyTap(GLFW_KEY_PAGE_DOWN);
      for (const Effect* effect : engine.getEffects()) before[effect->getScriptName()] = effect->mStart;
      phase = -1;
      return;
    }
    if (phase < 0) {
      EXPECT_FLOAT_EQ(engine.getSystemTime(), phase == -1 ? 172.0f : 170.0f);
      if (phase == -1) kindra_test::keyTap(GLFW_KEY_PAGE_UP);
      phase = phase == -1 ? -2 : 1;
      return;
    }
    const std::vector<Effect*>& effects = engine.getEffects();
    if (index == effects.size()) {
      // the last drag undone and done again from the keyboard
      const float moved = effects.back()->mStart;
      kindra_test::keyPress(GLFW_KEY_LEFT_CONTROL);
      kindra_test::keyTap(GLFW_KEY_Z);
      EXPECT_FLOAT_EQ(effects.back()->mStart, moved - 5.0f);
      kindra_test::keyTap(GLFW_KEY_Y);
      kindra_test::keyRelease(GLFW_KEY_LEFT_CONTROL);
      EXPECT_FLOAT_EQ(effects.back()->mStart, moved);
      kindra_test::keyPress(GLFW_KEY_ESCAPE);
      return;
    }
    Effect* effect = effects[index];
    const Area bar = effect->getAreaWorld();
    if (phase == 1) {
      // along time by the bar, up and down by the wheel as a maker does
      scroller->setScrollPosition(Vector2f(effect->mStart * 10.0f, scroller->getScrollPosition().y));
      phase = 2;
      return;
    }
    const float top = view.mMin.y + 25.0f;  // below the ruler's band
    if (phase == 2) {
      kindra_test::mouseMove(view.mMin.x + 5.0f, view.mMax.y - 5.0f);
      if (bar.mMin.y < top) {
        kindra_test::wheel(1.0);
      } else if (bar.mMin.y + 20.0f > view.mMax.y) {
        kindra_test::wheel(-1.0);
      } else {
        phase = 3;
      }
      return;
    }
    // a press on the bar away from its handles and fold marker, a move, a release
    const Vector2f at(std::max(bar.mMin.x, view.mMin.x) + 40.0f, bar.mMin.y + 10.0f);
    kindra_test::mouseMove(at.x - 1.0f, at.y);
    kindra_test::mouseMove(at.x, at.y);
    kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, true);
    kindra_test::mouseMove(at.x + 25.0f, at.y);
    kindra_test::mouseMove(at.x + 50.0f, at.y);
    kindra_test::mouseButton(GLFW_MOUSE_BUTTON_LEFT, false);
    EXPECT_FLOAT_EQ(effect->mStart, before[effect->getScriptName()] + 5.0f) << effect->mName;
    ++index;
    phase = 1;
  };
  engine.run();
  kindra_test::keyRelease(GLFW_KEY_ESCAPE);
  EXPECT_EQ(index, engine.getEffects().size());
  engine.saveXml();
  for (const auto& entry : before) {
    EXPECT_FLOAT_EQ(scriptStart(work.read(entry.first)), entry.second + 5.0f) << entry.first;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, EditorReachTest, testing::Values(std::make_pair(800, 600), std::make_pair(1280, 720)));

}  // namespace
