// Effects in the demo's program: a test build with two effects reads its
// scripts, animates a spline parameter, shows its bar that a real mouse drag
// moves, and writes the scripts back when it ends.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>
#include <thread>

#include "demo_fixture.h"
#include "effect_scripts.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using kindra_e2e::DemoProcess;

using kindra_test::kGlowScript;

class EffectDemoTest : public kindra_e2e::DemoTest {
 protected:
  std::string executable() const override { return "/tests/e2e/kindra_effects_demo"; }

  void SetUp() override {
    DemoTest::SetUp();
    fs::create_directories(work.file("script"));
    writeWork("script/Glow.glow.xml", kGlowScript);
  }

  // Waits until the log has a match of `pattern`; returns it (empty on timeout).
  // The whole match and its groups, copied: the log is read again later.
  std::vector<std::string> waitForLine(const std::regex& pattern, double seconds = 20.0) {
    std::smatch match;
    const bool found = kindra_e2e::waitUntil(
        [&] { return std::regex_search(log = kindra_test::readFile(logFile), match, pattern); }, seconds);
    return found ? std::vector<std::string>(match.begin(), match.end()) : std::vector<std::string>();
  }
  // Drags the glow's bar (reported as `bar`) with a real mouse through the X
  // server 100 units to the right, 10 s later; then quits and expects a clean exit.
  void dragGlowAndQuit(const std::string& window, const std::vector<std::string>& bar, DemoProcess& demo) {
    const int x = static_cast<int>(std::stof(bar[1])) + 60;
    const int y = static_cast<int>(std::stof(bar[2])) + 10;
    const auto at = [&](int ax) { return "mousemove --window %W " + std::to_string(ax) + " " + std::to_string(y); };
    ASSERT_TRUE(xdotool(window, at(x) + " sleep 0.2 mousedown 1 sleep 0.2 " + at(x + 50) + " sleep 0.2 " + at(x + 100) +
                                    " sleep 0.2 mouseup 1"));
    EXPECT_FALSE(waitForLine(std::regex("glow span 10 30 bar")).empty()) << log;

    int status = -1;
    ASSERT_TRUE(pressAndWait(demo, window, "Escape", &status)) << kindra_test::readFile(logFile);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << kindra_test::readFile(logFile);
  }

  std::string log;
};

TEST_F(EffectDemoTest, AnEffectIsScriptedAnimatedDraggedAndSaved) {
  DemoProcess demo(binary, work.path(), logFile);
  const std::string window = playingWindow(demo);
  ASSERT_FALSE(window.empty());

  // the scripted span, and the bar in the editor (10 units per second)
  const std::vector<std::string> bar = waitForLine(std::regex("glow span 0 20 bar ([0-9.]+) ([0-9.]+) 200 70\n"));
  ASSERT_FALSE(bar.empty()) << log;
  dragGlowAndQuit(window, bar, demo);
  log = kindra_test::readFile(logFile);

  // the level followed its spline while the effect ran
  std::smatch level;
  ASSERT_TRUE(std::regex_search(log, level, std::regex("glow level ([0-9.]+) at ([0-9.]+)\n"))) << log;
  const float value = std::stof(level[1]);
  const float at = std::stof(level[2]);
  EXPECT_NEAR(value, 0.25f + 0.5f * at / 20.0f, 1e-4f) << log;

  EXPECT_NE(log.find("effect::load: filename: script/Glow.glow.xml"), std::string::npos) << log;
  EXPECT_NE(log.find("effect::save: filename: script/Glow.glow.xml"), std::string::npos) << log;
  std::string saved = kGlowScript;
  saved.replace(saved.find("start=\"0\" end=\"20\""), 18, "start=\"10\" end=\"30\"");
  EXPECT_EQ(readWork("script/Glow.glow.xml"), saved);
  EXPECT_EQ(readWork("script/Backdrop.backdrop.xml"),
            "<effect>\n\t<option inactive=\"0\" locked=\"0\"/>\n\t<time start=\"0\" end=\"1000\"/>\n</effect>\n");
}

// Share of the pixels in a rectangle that have the backdrop's dark blue.
double backdropShare(const std::string& rgb, int width, int x0, int y0, int x1, int y1) {
  int hits = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const unsigned char* p = reinterpret_cast<const unsigned char*>(&rgb[(static_cast<size_t>(y) * width + x) * 3]);
      if (p[0] < 8 && p[1] < 8 && p[2] > 120 && p[2] < 136) ++hits;
    }
  }
  return static_cast<double>(hits) / ((x1 - x0) * (y1 - y0));
}

TEST_F(EffectDemoTest, TheEditorShowsAndHidesWithTabAndSavesADraggedBar) {
  const int width = 1280, height = 720;
  std::string setup = readWork("setup.xml");
  setup.replace(setup.find("width=\"800\" height=\"600\""), 24, "width=\"1280\" height=\"720\"");
  writeWork("setup.xml", setup);
  DemoProcess demo(binary, work.path(), logFile);
  const std::string window = playingWindow(demo);
  ASSERT_FALSE(window.empty());
  const std::vector<std::string> bar = waitForLine(std::regex("glow span 0 20 bar ([0-9.]+) ([0-9.]+) 200 ([0-9.]+)\n"));
  ASSERT_FALSE(bar.empty()) << log;
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  // the editor over the lower part of the window; the demo above it
  const std::string shown = kindra_e2e::grabWindow(window, width, height, "editor_shown");
  ASSERT_FALSE(shown.empty());
  EXPECT_GT(backdropShare(shown, width, 400, 100, 1200, 300), 0.95) << "the demo shows above the editor";
  EXPECT_LT(backdropShare(shown, width, 0, 480, 1280, 720), 0.05) << "the editor covers the lower part";

  ASSERT_TRUE(xdotool(window, "key --window %W Tab"));
  EXPECT_FALSE(waitForLine(std::regex("key tab\n")).empty()) << log;
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::string hidden = kindra_e2e::grabWindow(window, width, height, "editor_hidden");
  ASSERT_FALSE(hidden.empty());
  EXPECT_GT(backdropShare(hidden, width, 400, 480, 1280, 720), 0.95) << "only the demo";

  // shown again before the drag
  ASSERT_TRUE(xdotool(window, "key --window %W Tab"));
  EXPECT_FALSE(waitForLine(std::regex("key tab\n[^]*key tab\n")).empty()) << log;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  dragGlowAndQuit(window, bar, demo);
  std::string saved = kGlowScript;
  saved.replace(saved.find("start=\"0\" end=\"20\""), 18, "start=\"10\" end=\"30\"");
  EXPECT_EQ(readWork("script/Glow.glow.xml"), saved);
}

}  // namespace
