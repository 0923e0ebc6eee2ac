// Effects through the real engine and editor on a window: an effect reads its
// script, animates a parameter from its spline, shows as a bar on the
// timeline that the mouse moves, resizes, switches off and locks (input
// through the device's event path), and writes its script back at exit.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dis_display.h"
#include "dis_glinclude.h"
#include "dis_listener.h"
#include "effect_scripts.h"
#include "glfw_inject.h"
#include "kin_main.h"
#include "kin_plugin_camera.h"
#include "kin_plugin_color.h"
#include "kindra_frames.h"
#include "kin_plugin_spline.h"
#include "kin_plugin_trigger.h"
#include "kindra_workdir.h"
#include "tes_context.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zelkor::kindra::Effect;
using zelkor::kindra::Kindra;
using zelkor::kindra::Spline;
using zelkor::mathbase::Vector2f;
using zelkor::mathbase::Vector4f;
using zelkor::tessel::Area;

const int kWidth = 800;
const int kHeight = 600;
// Where Glow draws its level (window pixels, y down).
const int kGlowX0 = 100, kGlowY0 = 50, kGlowX1 = 300, kGlowY1 = 150;

using kindra_test::Watcher;

// The whole window in a fixed colour; puts the watcher last on its first frame.
class Backdrop : public kindra_test::HookingEffect {
 public:
  void draw(float, float, float) override {
    hook();
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
};

// A grey patch as bright as its "level" parameter.
class Glow : public Effect {
 public:
  Glow() { addPlugin("level", level); }
  void draw(float pTimer, float, float) override {
    ++draws;
    local = pTimer;
    value = level.get(pTimer);
    glEnable(GL_SCISSOR_TEST);
    glScissor(kGlowX0, kHeight - kGlowY1, kGlowX1 - kGlowX0, kGlowY1 - kGlowY0);
    glClearColor(value, value, value, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
  }
  Spline level;
  int draws = 0;
  float local = 0.0f;
  float value = 0.0f;
};

// A colour, a train of events and a camera path, as the demo's effects hold
// them; draws nothing itself.
class Painted : public Effect {
 public:
  Painted() {
    addPlugin("tint", tint);
    addPlugin("boom", boom);
    addPlugin("view", view);
  }
  void draw(float pTimer, float, float) override {
    colour = tint.get(pTimer);
    fired += boom.get(pTimer);
    view.getMatrix(pTimer);
  }
  zelkor::kindra::Color tint;
  zelkor::kindra::Trigger boom;
  zelkor::kindra::Camera view;
  zelkor::mathbase::Vector3f colour;
  uint32_t fired = 0;
};

const char kPaintedScript[] =
    "<effect>\n"
    "\t<option inactive=\"0\" locked=\"0\"/>\n"
    "\t<time start=\"0\" end=\"20\"/>\n"
    "\t<plugin type=\"color\" name=\"tint\">\n"
    "\t\t<key time=\"0\" r=\"1\" g=\"0\" b=\"0\"/>\n"
    "\t\t<key time=\"1\" r=\"0\" g=\"0\" b=\"1\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"trigger\" name=\"boom\">\n"
    "\t\t<action start=\"0\" delay=\"0.25\" repeat=\"1000\"/>\n"
    "\t</plugin>\n"
    "\t<plugin type=\"camera\" name=\"view\">\n"
    "\t\t<key time=\"0\" v0=\"0\" v1=\"0\" v2=\"0\" v3=\"0\" v4=\"0\" v5=\"0\" v6=\"1\"/>\n"
    "\t\t<key time=\"1\" v0=\"20\" v1=\"0\" v2=\"0\" v3=\"0\" v4=\"0\" v5=\"0\" v6=\"1\"/>\n"
    "\t</plugin>\n"
    "</effect>\n";

using kindra_test::kGlowScript;

class TimelineTest : public testing::Test {
 protected:
  void SetUp() override {
    work.write("setup.xml", kindra_test::windowSetup(kWidth, kHeight));
    for (const char* name : {"layout.xml", "style.xml", "fonthelvete2.png"}) {
      fs::copy_file(kindra_test::sourceDir() + "/data/" + name, work.file(name));
    }
    fs::create_directories(work.file("script"));
    work.write("script/Glow.glow.xml", kGlowScript);
    kindra_test::HookingEffect::sWatcher = &watcher;
  }
  void TearDown() override {
    engine.reset();
    kindra_test::HookingEffect::sWatcher = nullptr;
  }

  // Plays with the steps run one per frame, each until it says it is done;
  // then quits.
  void play(std::vector<std::function<bool()>> steps) {
    engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    engine->addFactory<Backdrop>("Backdrop");
    engine->addFactory<Glow>("Glow");
    backdrop = dynamic_cast<Backdrop*>(engine->addEffect("Backdrop", "backdrop"));
    backdrop->mEnd = 1000.0f;
    glow = dynamic_cast<Glow*>(engine->addEffect("Glow", "glow"));
    if (withPainted) {
      engine->addFactory<Painted>("Painted");
      painted = dynamic_cast<Painted*>(engine->addEffect("Painted", "painted"));
    }
    size_t step = 0;
    int frames = 0;
    watcher.hook = [&] {
      shot.resize(static_cast<size_t>(kWidth) * kHeight * 4);
      watcher.display->getScreenShotBGRA(shot.data());
      kindra_test::runStep(steps, step, frames);
    };
    kindra_test::StdoutCapture capture;
    engine->run();
    output = capture.finish();
    // the failures of the steps went into the capture
    if (HasFailure()) std::fprintf(stderr, "%s", output.c_str());
    kindra_test::keyRelease(GLFW_KEY_ESCAPE);
    EXPECT_EQ(step, steps.size()) << output;
  }

  Vector4f pixel(int x, int y) const {
    const uint8_t* p = &shot[(static_cast<size_t>(y) * kWidth + x) * 4];
    return Vector4f(p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, 1.0f);
  }
  static bool near(const Vector4f& a, const Vector4f& b) {
    return std::fabs(a.x - b.x) < 0.02f && std::fabs(a.y - b.y) < 0.02f && std::fabs(a.z - b.z) < 0.02f;
  }
  static std::string text(const Vector4f& c) {
    return std::to_string(c.x) + " " + std::to_string(c.y) + " " + std::to_string(c.z);
  }
  Vector4f glowPatch() const { return pixel((kGlowX0 + kGlowX1) / 2, (kGlowY0 + kGlowY1) / 2); }
  // A point inside the bar away from the handles and the name.
  Vector4f barPixel(Effect* effect) const {
    const Area world = effect->getAreaWorld();
    return pixel(static_cast<int>(world.mMin.x) + 14, static_cast<int>(world.mMin.y) + 4);
  }
  // The bar's colour as its state asks.
  static Vector4f barColour(Effect* effect) {
    const zelkor::tessel::style& s = effect->getStyleColors();
    if (effect->getLocked()) return s.mCaption.mInactive1;
    if (effect->getInactive()) return s.mBack.mInactive1;
    if (effect->getParent()->getFocus() == effect) return s.mBack.mPushed1;
    return s.mBack.mColor1;
  }
  static Vector2f onBar(Effect* effect, float x) {
    const Area world = effect->getAreaWorld();
    return Vector2f(world.mMin.x + x, world.mMin.y + 10.0f);
  }

  // Mouse input as the window system reports it to the device.
  void moveTo(const Vector2f& at) { kindra_test::mouseMove(at.x, at.y); }
  void press(int button, bool down) { kindra_test::mouseButton(button, down); }
  void drag(const Vector2f& from, float dx) {
    moveTo(from - Vector2f(1.0f, 0.0f));
    moveTo(from);
    press(GLFW_MOUSE_BUTTON_LEFT, true);
    moveTo(from + Vector2f(dx * 0.5f, 0.0f));
    moveTo(from + Vector2f(dx, 0.0f));
    press(GLFW_MOUSE_BUTTON_LEFT, false);
    moveAway();
  }
  // Off the editor: no bar is hovered.
  void moveAway() { moveTo(Vector2f(700.0f, 20.0f)); }
  void pick(Effect* effect, const std::string& option) {
    moveTo(onBar(effect, 40.0f));
    press(GLFW_MOUSE_BUTTON_RIGHT, true);
    press(GLFW_MOUSE_BUTTON_RIGHT, false);
    zelkor::tessel::Context& menu = effect->getContextMenu();
    zelkor::tessel::Context* row = menu.findOption(option);
    ASSERT_NE(row, nullptr);
    moveTo(menu.getAreaWorld().mMin + row->getArea().getCenter());
    press(GLFW_MOUSE_BUTTON_LEFT, true);
    press(GLFW_MOUSE_BUTTON_LEFT, false);
    moveAway();
  }

  kindra_test::WorkDir work{"kindra-timeline"};
  Watcher watcher;
  std::unique_ptr<Kindra> engine;
  Backdrop* backdrop = nullptr;
  Glow* glow = nullptr;
  bool withPainted = false;
  Painted* painted = nullptr;
  std::vector<uint8_t> shot;
  std::string output;
};

TEST_F(TimelineTest, AnEffectLoadsAnimatesShowsItsBarAndSavesItsScript) {
  float pausedAt = 0.0f;
  play({
      [&] {
        // scripted span and curve, drawn into the frame
        EXPECT_EQ(glow->mEnd, 20.0f);
        EXPECT_EQ(glow->level.mSpline.getNumKeys(), 2);
        EXPECT_NEAR(glow->value, 0.25f + 0.5f * glow->local / 20.0f, 1e-5f);
        EXPECT_TRUE(near(glowPatch(), Vector4f(glow->value, glow->value, glow->value, 1))) << text(glowPatch());
        // the bars: 10 units per second in the editor's timeline
        EXPECT_EQ(glow->getArea().getWidth(), 200.0f);
        EXPECT_EQ(backdrop->getArea().getWidth(), 10000.0f);
        EXPECT_TRUE(near(barPixel(glow), barColour(glow))) << text(barPixel(glow)) << " / " << text(barColour(glow));
        EXPECT_TRUE(near(barPixel(backdrop), barColour(backdrop))) << text(barPixel(backdrop));
        kindra_test::keyTap(GLFW_KEY_SPACE);
        return true;
      },
      [&] {
        pausedAt = engine->getSystemTime();
        kindra_test::keyTap(GLFW_KEY_RIGHT);
        return true;
      },
      [&] {
        // five seconds on, frozen: the level has risen by an eighth
        EXPECT_FLOAT_EQ(glow->local, pausedAt + 5.0f);
        EXPECT_NEAR(glow->value, 0.25f + 0.5f * (pausedAt + 5.0f) / 20.0f, 1e-5f);
        EXPECT_TRUE(near(glowPatch(), Vector4f(glow->value, glow->value, glow->value, 1))) << text(glowPatch());
        return true;
      },
  });
  EXPECT_NE(output.find("effect::load: filename: script/Glow.glow.xml"), std::string::npos) << output;
  kindra_test::StdoutCapture capture;
  engine.reset();
  const std::string atExit = capture.finish();
  EXPECT_NE(atExit.find("effect::save: filename: script/Glow.glow.xml"), std::string::npos) << atExit;
  EXPECT_EQ(work.read("script/Glow.glow.xml"), kGlowScript) << "written back as it was";
  EXPECT_TRUE(fs::exists(work.file("script/Backdrop.backdrop.xml")));
}

TEST_F(TimelineTest, TheColourTriggerAndCameraEditorsShowTheirPluginsAndKeepTheirEdits) {
  work.write("script/Painted.painted.xml", kPaintedScript);
  withPainted = true;
  const auto stripPixel = [&](float u) {
    const Area world = painted->tint.getAreaWorld();
    // a box of the strip starts every 7 units; its colour is that of its left edge
    const float x = world.mMin.x + std::floor(u * world.getWidth() / 7.0f) * 7.0f;
    return pixel(static_cast<int>(x) + 2, static_cast<int>(world.mMax.y) - 4);
  };
  play({
      [&] {
        // each editor under the bar, as wide as the effect
        for (zelkor::tessel::Control* editor :
             {static_cast<zelkor::tessel::Control*>(&painted->tint), static_cast<zelkor::tessel::Control*>(&painted->boom),
              static_cast<zelkor::tessel::Control*>(&painted->view)}) {
          EXPECT_EQ(editor->getParent(), painted);
          EXPECT_EQ(editor->getArea().getWidth(), 200.0f);
          EXPECT_GT(editor->getAreaWorld().mMin.y, painted->getAreaWorld().mMin.y + 19.0f);
          EXPECT_LT(editor->getAreaWorld().mMax.y, kHeight);
        }
        EXPECT_TRUE(near(stripPixel(0.0f), Vector4f(1, 0, 0, 1))) << text(stripPixel(0.0f));
        EXPECT_TRUE(near(stripPixel(0.99f), Vector4f(0.035f, 0, 0.965f, 1))) << text(stripPixel(0.99f));
        EXPECT_GT(painted->fired, 0u);
        // a key added where the menu is opened, on the strip between the keys
        const Area world = painted->tint.getAreaWorld();
        moveTo(Vector2f(world.mMin.x + 100.0f, world.getCenter().y));
        press(GLFW_MOUSE_BUTTON_RIGHT, true);
        press(GLFW_MOUSE_BUTTON_RIGHT, false);
        zelkor::tessel::Context* row = painted->tint.mContextAdd.findOption("add");
        if (!row) return true;
        moveTo(painted->tint.mContextAdd.getAreaWorld().mMin + row->getArea().getCenter());
        press(GLFW_MOUSE_BUTTON_LEFT, true);
        press(GLFW_MOUSE_BUTTON_LEFT, false);
        moveAway();
        return true;
      },
      [&] {
        EXPECT_EQ(painted->tint.getNumKeys(), 3);
        return true;
      },
  });
  engine.reset();
  const std::string script = work.read("script/Painted.painted.xml");
  EXPECT_NE(script.find("<key time=\"0.5\" r=\"0.5\" g=\"0\" b=\"0.5\"/>"), std::string::npos) << script;
  EXPECT_NE(script.find("<action start=\"0\" delay=\"0.25\" repeat=\"1000\"/>"), std::string::npos) << script;
  EXPECT_NE(script.find("<key time=\"1\" v0=\"20\""), std::string::npos) << script;
}

TEST_F(TimelineTest, TheMouseMovesResizesSwitchesOffAndLocksBars) {
  const Vector4f blue(0.0f, 0.0f, 0.5f, 1.0f);
  int drawsBefore = 0;
  play({
      [&] {
        kindra_test::keyTap(GLFW_KEY_SPACE);  // frozen time
        return true;
      },
      [&] {
        // the right edge, 5 s to the left: the curve ends at 15 s
        drag(onBar(glow, glow->getArea().getWidth() - 4.0f), -50.0f);
        EXPECT_FLOAT_EQ(glow->mEnd, 15.0f);
        EXPECT_EQ(glow->mStart, 0.0f);
        return true;
      },
      [&] {
        EXPECT_NEAR(glow->value, 0.25f + 0.5f * glow->local / 15.0f, 1e-5f);
        EXPECT_TRUE(near(glowPatch(), Vector4f(glow->value, glow->value, glow->value, 1))) << text(glowPatch());
        pick(glow, "on/off");
        drawsBefore = glow->draws;
        return true;
      },
      [&] {
        // switched off: not drawn, the backdrop shows through; its bar greys
        EXPECT_TRUE(glow->getInactive());
        EXPECT_EQ(glow->draws, drawsBefore);
        EXPECT_TRUE(near(glowPatch(), blue)) << text(glowPatch());
        EXPECT_TRUE(near(barPixel(glow), barColour(glow))) << text(barPixel(glow));
        pick(glow, "on/off");
        return true;
      },
      [&] {
        EXPECT_FALSE(glow->getInactive());
        EXPECT_GT(glow->draws, drawsBefore);
        // the bar 10 s later: the demo time is before its start now
        drag(onBar(glow, 60.0f), 100.0f);
        EXPECT_FLOAT_EQ(glow->mStart, 10.0f);
        EXPECT_FLOAT_EQ(glow->mEnd, 25.0f);
        drawsBefore = glow->draws;
        return true;
      },
      [&] {
        EXPECT_EQ(glow->draws, drawsBefore);
        EXPECT_TRUE(near(glowPatch(), blue)) << text(glowPatch());
        pick(backdrop, "lock/unlock");
        return true;
      },
      [&] {
        EXPECT_TRUE(backdrop->getLocked());
        EXPECT_TRUE(near(barPixel(backdrop), barColour(backdrop))) << text(barPixel(backdrop));
        drag(onBar(backdrop, 60.0f), 100.0f);
        drag(onBar(backdrop, 4.0f), 100.0f);
        EXPECT_EQ(backdrop->mStart, 0.0f);
        EXPECT_EQ(backdrop->mEnd, 1000.0f);
        return true;
      },
  });
  engine.reset();
  const std::string glowScript = work.read("script/Glow.glow.xml");
  EXPECT_NE(glowScript.find("<option inactive=\"0\" locked=\"0\"/>\n\t<time start=\"10\" end=\"25\"/>"),
            std::string::npos)
      << glowScript;
  EXPECT_NE(glowScript.find("<key time=\"1\" value=\"0.75\"/>"), std::string::npos) << "keys stretch with the bar";
  EXPECT_NE(work.read("script/Backdrop.backdrop.xml").find("<option inactive=\"0\" locked=\"1\"/>"), std::string::npos);
}

}  // namespace
