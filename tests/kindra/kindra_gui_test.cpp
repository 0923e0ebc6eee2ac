// The editor window through the real engine on a window: its layout contract,
// Tab over the running demo, the ruler's markers, the frame-time label and
// graph, the colour picker and the game pad.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dis_display.h"
#include "dis_listener.h"
#include "glfw_inject.h"
#include "kin_gui.h"
#include "kin_main.h"
#include "kindra_frames.h"
#include "kindra_workdir.h"
#include "tes_layoutstack.h"
#include "tes_ruler.h"
#include "tes_scrollbars.h"
#include "tes_stat.h"
#include "tessel.h"
#include "test_support.h"

namespace {

using zelkor::kindra::Effect;
using zelkor::kindra::Gui;
using zelkor::kindra::Kindra;
using zelkor::tessel::Control;

using kindra_test::Watcher;

using Plain = kindra_test::HookingEffect;

class GuiTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"layout.xml", "style.xml", "fonthelvete2.png"}) {
      work.write(name, kindra_test::readFile(kindra_test::sourceDir() + "/data/" + name));
    }
    Plain::sWatcher = &watcher;
  }
  void TearDown() override {
    engine.reset();
    Plain::sWatcher = nullptr;
    zelkor::display::setGamePadOverride(0, nullptr);
  }

  // Plays with the steps run one per frame, each until it says it is done;
  // then quits.
  void play(std::vector<std::function<bool()>> steps, const std::string& setup = kindra_test::windowSetup()) {
    work.write("setup.xml", setup);
    engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    engine->addFactory<Plain>("Plain");
    effect = engine->addEffect("Plain", "plain");
    size_t step = 0;
    int frames = 0;
    watcher.hook = [&] {
      kindra_test::runStep(steps, step, frames);
    };
    kindra_test::StdoutCapture capture;
    engine->run();
    output = capture.finish();
    kindra_test::keyRelease(GLFW_KEY_ESCAPE);
    EXPECT_EQ(step, steps.size()) << output;
  }

  Gui& gui() { return *engine->getGui(); }
  Control* find(const char* id) { return gui().getTessel().findControl(id); }
  float frameHeight() {
    return dynamic_cast<zelkor::tessel::Scrollbars&>(*find("main_scrollbars_horisontal")).getFrame()->getArea().getHeight();
  }

  kindra_test::WorkDir work{"kindra-gui"};
  Watcher watcher;
  std::unique_ptr<Kindra> engine;
  Effect* effect = nullptr;
  std::string output;
};

TEST_F(GuiTest, TheLayoutHasEveryControlTheEditorNeeds) {
  play({[&] {
    for (const char* id : {"workspace", "main_window", "main_scrollbars_horisontal", "main_ruler", "main_body",
                           "effects", "main_stat", "fps", "picker_window", "picker", "picker_ok"}) {
      EXPECT_NE(find(id), nullptr) << id;
    }
    EXPECT_NE(dynamic_cast<zelkor::tessel::Scrollbars*>(find("main_scrollbars_horisontal")), nullptr);
    EXPECT_NE(gui().getRuler(), nullptr);
    EXPECT_NE(gui().getStat(), nullptr);
    EXPECT_EQ(gui().getFps(), find("fps"));
    // a 120-second timeline, 10 units per second and a margin
    EXPECT_EQ(find("main_ruler")->getArea().getWidth(), 1211.0f);
    EXPECT_EQ(find("main_body")->getArea().getWidth(), 1211.0f);
    EXPECT_EQ(find("main_body")->getArea().getHeight(), 3000.0f);
    // the ruler fills the timeline's visible height (above the scroll bar)
    EXPECT_EQ(find("main_ruler")->getArea().getHeight(), frameHeight());
    // the effect is in the stack, the picker waits hidden
    zelkor::tessel::LayoutStack* effects = dynamic_cast<zelkor::tessel::LayoutStack*>(find("effects"));
    EXPECT_NE(effects, nullptr);
    EXPECT_EQ(effect->getParent(), effects);
    EXPECT_FALSE(find("picker_window")->getVisible());
    // the whole timeline scrolls into view
    auto* scroller = dynamic_cast<zelkor::tessel::Scrollbars*>(find("main_scrollbars_horisontal"));
    EXPECT_GE(scroller->getScrollRange().x + scroller->getArea().getWidth(), 1211.0f - 20.0f);
    return true;
  }},
       "<demo>\n\t<time length=\"120\"/>\n\t<display width=\"1280\" height=\"720\" title=\"kindra test\"/>\n"
       "\t<music mute=\"nosound\"/>\n</demo>\n");
  EXPECT_NE(output.find("\nLoading gui\n"), std::string::npos) << output;
}

TEST_F(GuiTest, TheRulerKeepsTheTimelinesHeightWhenTheWindowChanges) {
  float before = 0.0f;
  play({
      [&] {
        before = find("main_ruler")->getArea().getHeight();
        kindra_test::windowResized(1024, 900);
        return true;
      },
      [&] {
        const float height = frameHeight();
        EXPECT_GT(height, before) << "the editor takes its share of the taller window";
        EXPECT_EQ(find("main_ruler")->getArea().getHeight(), height);
        EXPECT_EQ(find("main_ruler")->getArea().getWidth(), 5011.0f) << "the length stays";
        return true;
      },
  });
}

TEST_F(GuiTest, TabHidesAndShowsTheEditorWhileTheDemoRuns) {
  float hiddenAt = 0.0f;
  play({
      [&] {
        EXPECT_TRUE(find("workspace")->getVisible());
        kindra_test::keyTap(GLFW_KEY_TAB);
        return true;
      },
      [&] {
        EXPECT_FALSE(find("workspace")->getVisible());
        hiddenAt = engine->getSystemTime();
        kindra_test::keyTap(GLFW_KEY_SPACE);  // keys still reach the engine
        return true;
      },
      [&] {
        EXPECT_TRUE(engine->isPaused());
        EXPECT_GE(engine->getSystemTime(), hiddenAt);
        kindra_test::keyTap(GLFW_KEY_TAB);
        return true;
      },
      [&] {
        EXPECT_TRUE(find("workspace")->getVisible());
        return true;
      },
  });
  EXPECT_NE(output.find("key tab\n"), std::string::npos) << output;
}

TEST_F(GuiTest, TheRulerMarksTheStartAndThePlayHead) {
  play({
      [&] {
        kindra_test::keyTap(GLFW_KEY_SPACE);
        return true;
      },
      [&] {
        engine->setTime(42.0f);
        return true;
      },
      [&] {
        EXPECT_FLOAT_EQ(gui().getRuler()->getShadow2(), 420.0f);
        EXPECT_FLOAT_EQ(gui().getRuler()->getShadow(), 0.0f);
        kindra_test::keyPress(GLFW_KEY_LEFT_CONTROL);
        kindra_test::keyTap(GLFW_KEY_T);
        kindra_test::keyRelease(GLFW_KEY_LEFT_CONTROL);
        return true;
      },
      [&] {
        EXPECT_FLOAT_EQ(gui().getRuler()->getShadow(), 420.0f);
        EXPECT_FLOAT_EQ(engine->getStartTime(), 42.0f);
        return true;
      },
  });
}

TEST_F(GuiTest, TheFrameTimeIsAveragedIntoTheLabelAndTheGraph) {
  play({[&] {
    // a second editor of its own, so that no real frame times mix in
    Gui probe(engine->getDisplay(), engine.get());
    probe.setup();
    Control* label = probe.getFps();
    const std::string before = label->getCaption();
    // frames out of range count as frames but add no time
    for (int frame = 1; frame <= 51; ++frame) {
      probe.setExecutionTime(frame == 1 ? 0.0f : 0.002f);
      probe.onDraw();
    }
    EXPECT_EQ(label->getCaption(), before) << "100 ms are not more than 100";
    probe.setExecutionTime(0.002f);
    probe.onDraw();
    // 102 ms over 52 frames
    EXPECT_EQ(label->getCaption(), "Speed: 1.96ms (510 fps)");
    EXPECT_FLOAT_EQ(probe.getStat()->mCurrentValue + probe.getStat()->getValue(0), 102.0f / 52.0f);
    for (int frame = 1; frame <= 34; ++frame) {
      probe.setExecutionTime(frame == 7 ? 1.5f : 0.003f);  // over a second: not counted
      probe.onDraw();
    }
    EXPECT_EQ(label->getCaption(), "Speed: 1.96ms (510 fps)") << "33 frames of 3 ms are only 99 ms";
    probe.setExecutionTime(0.003f);
    probe.onDraw();
    EXPECT_EQ(label->getCaption(), "Speed: 2.91ms (343 fps)") << "102 ms over 35 frames";
    return true;
  }});
}

TEST_F(GuiTest, AGamePadPausesAndScrubs) {
  zelkor::display::GamePadState pad;
  std::memset(&pad, 0, sizeof(pad));
  zelkor::display::setGamePadOverride(0, &pad);
  float from = 0.0f;
  play({
      [&] {
        EXPECT_EQ(gui().getPadIndex(), 0);
        pad.buttons[0] = 1;
        zelkor::display::setGamePadOverride(0, &pad);
        return true;
      },
      [&] {
        // read at the end of the last frame, a pause at the start of this one
        return gui().getPadPaused() || engine->isPaused();
      },
      [&] {
        EXPECT_TRUE(engine->isPaused());
        EXPECT_FALSE(gui().getPadPaused()) << "held, not pressed again";
        pad.buttons[0] = 0;
        pad.buttons[7] = 1;
        pad.axes[11] = 1.0f;
        zelkor::display::setGamePadOverride(0, &pad);
        return true;
      },
      [&] {
        // the pad moves the time at the end of a frame; the engine reads it in the next
        from = engine->getSystemTime();
        return true;
      },
      [&] {
        EXPECT_NEAR(engine->getSystemTime(), from + 0.1f, 1e-4f);
        pad.buttons[7] = 0;
        pad.buttons[5] = 1;
        pad.axes[11] = 0.0f;
        pad.axes[9] = 1.0f;
        zelkor::display::setGamePadOverride(0, &pad);
        return true;
      },
      [&] {
        from = engine->getSystemTime();
        return true;
      },
      [&] {
        EXPECT_NEAR(engine->getSystemTime(), from - 0.1f, 1e-4f);
        EXPECT_TRUE(engine->isPaused());
        return true;
      },
  });
}

TEST_F(GuiTest, ThePickerWindowClosesWithItsButton) {
  play({[&] {
    gui().showPicker();
    EXPECT_TRUE(find("picker_window")->getVisible());
    find("picker_ok")->sendAction(zelkor::tessel::ACTION_BUTTON_RELEASED);
    EXPECT_FALSE(find("picker_window")->getVisible());
    return true;
  }});
}

TEST_F(GuiTest, ALayoutWithoutTheEditorsControlsIsNamedAndTheDemoRuns) {
  work.write("layout.xml", "<tessel><workspace id=\"workspace\"/></tessel>\n");
  play({[&] {
    EXPECT_EQ(gui().getRuler(), nullptr);
    kindra_test::keyTap(GLFW_KEY_TAB);
    return true;
  }});
  EXPECT_NE(output.find("layout.xml: there is no control 'main_ruler'; the editor goes without it"), std::string::npos)
      << output;
  EXPECT_NE(output.find("there is no control 'picker_ok'"), std::string::npos) << output;
}

}  // namespace
