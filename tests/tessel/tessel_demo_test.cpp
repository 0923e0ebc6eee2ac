// The demo engine shows the workspace built from the shipped layout over its
// frame, and runs without one when the data has no layout.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dis_display.h"
#include "dis_listener.h"
#include "glfw_inject.h"
#include "kin_main.h"
#include "kindra_frames.h"
#include "kindra_workdir.h"
#include "test_support.h"

namespace {

using zelkor::kindra::Effect;
using zelkor::kindra::Kindra;

using kindra_test::Watcher;

using Hooking = kindra_test::HookingEffect;

class DemoTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    work.write("setup.xml", kindra_test::windowSetup(320, 240));
    Hooking::sWatcher = &watcher;
  }
  void TearDown() override {
    engine.reset();
    Hooking::sWatcher = nullptr;
  }

  // Runs the demo until the watcher has seen two frames; returns the last.
  std::vector<uint8_t> runAndShoot() {
    engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    engine->addFactory<Hooking>("Hooking");
    engine->addEffect("Hooking", "h")->mEnd = 1000.0f;
    std::vector<uint8_t> shot;
    int frames = 0;
    watcher.hook = [&] {
      if (++frames != 2) return;
      shot.resize(320 * 240 * 4);
      watcher.display->getScreenShotBGRA(shot.data());
      kindra_test::keyPress(GLFW_KEY_ESCAPE);
    };
    kindra_test::StdoutCapture capture;
    engine->run();
    output = capture.finish();
    kindra_test::keyRelease(GLFW_KEY_ESCAPE);
    return shot;
  }

  static std::vector<int> at(const std::vector<uint8_t>& shot, int x, int y) {
    const uint8_t* p = &shot[(static_cast<size_t>(y) * 320 + x) * 4];
    return {p[2], p[1], p[0]};
  }

  kindra_test::WorkDir work{"tessel-demo"};
  std::unique_ptr<Kindra> engine;
  Watcher watcher;
  std::string output;
};

TEST_F(DemoTest, TheEditorsPanelLiesOverTheDemo) {
  work.write("layout.xml", kindra_test::readFile(kindra_test::sourceDir() + "/data/layout.xml"));
  work.write("style.xml", kindra_test::readFile(kindra_test::sourceDir() + "/data/style.xml"));
  const std::vector<uint8_t> shot = runAndShoot();
  ASSERT_FALSE(shot.empty());
  EXPECT_NE(output.find("Creating control: layoutstack."), std::string::npos) << output;
  // the lower part is the editor's panel, the upper part the demo's frame
  const std::vector<int> panel = at(shot, 160, 200);
  EXPECT_GT(panel[0] + panel[1] + panel[2], 30);
  EXPECT_EQ(at(shot, 160, 20), (std::vector<int>{0, 0, 0}));
}

TEST_F(DemoTest, WithoutALayoutThereIsNoEditor) {
  const std::vector<uint8_t> shot = runAndShoot();
  ASSERT_FALSE(shot.empty());
  EXPECT_EQ(output.find("Creating control"), std::string::npos);
  EXPECT_EQ(at(shot, 160, 200), (std::vector<int>{0, 0, 0}));
}

}  // namespace
