// The demo executable through the cubes span: frames grabbed from its window
// show the lit, shadowed scene, the clouds and the sun at their times and
// the tower growing; the span plays through without a GL error. A driver
// without float targets leaves the scene out and the demo goes on.

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "demo_fixture.h"

namespace {

using kindra_e2e::DemoOptions;
using kindra_e2e::DemoProcess;

const int kWidth = 480;
const int kHeight = 270;

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  float r(int x, int y) const { return rgb[(y * width + x) * 3] / 255.0f; }
  float g(int x, int y) const { return rgb[(y * width + x) * 3 + 1] / 255.0f; }
  float b(int x, int y) const { return rgb[(y * width + x) * 3 + 2] / 255.0f; }
  float luminance(int x, int y) const { return 0.3f * r(x, y) + 0.59f * g(x, y) + 0.11f * b(x, y); }
};

// A grabbed frame: one capture, taken when asked for.
Frame grab(const std::string& window) {
  const std::string bytes = kindra_e2e::grabWindow(window, kWidth, kHeight);
  return Frame{bytes.empty() ? 0 : kWidth, kHeight, std::vector<unsigned char>(bytes.begin(), bytes.end())};
}

struct Stats {
  float mean = 0;
  float low = 0;   // 10th percentile of luminance
  float high = 0;  // 90th percentile
  int sun = 0;     // bright warm-white pixels
  int cubes = 0;   // bright bluish-white pixels
};

Stats measure(const Frame& f, int y0, int y1) {
  Stats s;
  std::vector<float> values;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const float l = f.luminance(x, y);
      values.push_back(l);
      s.mean += l;
      if (l > 0.75f && f.r(x, y) >= f.g(x, y) && f.g(x, y) >= f.b(x, y) && f.b(x, y) < f.r(x, y) - 0.08f) ++s.sun;
      if (l > 0.45f && f.b(x, y) > f.r(x, y) + 0.05f && f.g(x, y) > 0.4f) ++s.cubes;
    }
  }
  if (values.empty()) return s;
  s.mean /= values.size();
  std::sort(values.begin(), values.end());
  s.low = values[values.size() / 10];
  s.high = values[values.size() * 9 / 10];
  return s;
}

class CubesDemoTest : public kindra_e2e::DemoTest {
 protected:
  void writeSetup(float start) { DemoTest::writeSetup(start, kWidth, kHeight); }
  static void press(const std::string& window, const std::string& keys) { xdotool(window, "key --window %W " + keys); }
};

TEST_F(CubesDemoTest, SpanShowsTheLitSceneCloudsSunAndGrowingTowerWithoutGlErrors) {
  const float start = 48.5f;
  writeSetup(start);
  DemoProcess demo(binary, work.path(), logFile);
  const std::string window = playingWindow(demo);
  ASSERT_FALSE(window.empty());
  const auto playing = std::chrono::steady_clock::now();
  press(window, "Tab");  // the editor hides; the scene fills the window
  // the frame on screen at a song time (the clock follows the song from the
  // start mark)
  auto at = [&](float songTime) {
    std::this_thread::sleep_until(playing + std::chrono::duration<double>(songTime - start));
    return grab(window);
  };
  const Frame early = at(50.5f);   // clouds still faint, few cubes
  const Frame clouds = at(57.0f);  // clouds up, camera level
  const Frame sun = at(61.5f);     // camera turned up to the sun
  const Frame grown = at(74.0f);   // tower nearly whole
  ASSERT_TRUE(early.width && clouds.width && sun.width && grown.width);

  const Stats earlySky = measure(early, 0, kHeight / 4);
  const Stats cloudSky = measure(clouds, 0, kHeight / 4);
  const Stats sunSky = measure(sun, 0, kHeight);
  const Stats earlyScene = measure(early, 0, kHeight);
  const Stats grownScene = measure(grown, 0, kHeight);
  std::printf("sky mean %.3f -> %.3f; sun pixels %d (early %d); cube pixels %d -> %d; grown luminance %.3f..%.3f\n",
              earlySky.mean, cloudSky.mean, sunSky.sun, earlyScene.sun, earlyScene.cubes, grownScene.cubes,
              grownScene.low, grownScene.high);
  // the margin allows for a frame a little behind the song on a loaded machine
  EXPECT_GT(cloudSky.mean, earlySky.mean + 0.02f) << "the clouds came up";
  EXPECT_GT(sunSky.sun, 1000) << "the sun is in view";
  EXPECT_LT(earlyScene.sun * 2, sunSky.sun) << "only the glowing strands before";
  EXPECT_GT(grownScene.cubes, earlyScene.cubes * 2 + 200) << "the tower grew";
  // lit faces and shadowed ones: a wide spread of luminance
  EXPECT_GT(grownScene.high - grownScene.low, 0.3f);
  EXPECT_LT(grownScene.low, grownScene.high * 0.4f);

  // on through the explosion and the break to the end of the span
  std::this_thread::sleep_until(playing + std::chrono::duration<double>(112.8 - start));
  press(window, "Escape");
  int status = 0;
  const bool exited = demo.wait(30.0, &status);
  const std::string out = kindra_test::readFile(logFile);
  ASSERT_TRUE(exited) << out;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_NE(out.find("Tower took"), std::string::npos) << out;
  EXPECT_EQ(out.find("GL error"), std::string::npos) << out;
  EXPECT_EQ(out.find("GL-error"), std::string::npos) << out;
  EXPECT_EQ(out.find("[error]"), std::string::npos) << out;
}

TEST_F(CubesDemoTest, WithoutFloatTargetsTheSceneIsLeftOutAndTheDemoGoesOn) {
  writeSetup(60.0f);
  DemoOptions options;
  options.env.push_back({"KINDRA_FORCE_NO_FLOAT_TARGETS", "1"});
  const std::string out = playAndPress("Escape", options);
  EXPECT_NE(out.find("Cubes: the display driver has no float textures or no render targets"), std::string::npos)
      << out;
  EXPECT_EQ(out.find("Tower took"), std::string::npos);
  EXPECT_NE(out.find("\n---\n"), std::string::npos) << "the demo played";
}

TEST_F(CubesDemoTest, QuittingWhileTheSceneLoadsEndsCleanly) {
  writeSetup(50.0f);
  DemoProcess demo(binary, work.path(), logFile);
  ASSERT_TRUE(demo.started());
  const std::string window = waitForWindow(demo.pid());
  ASSERT_FALSE(window.empty()) << kindra_test::readFile(logFile);
  // the cubes are the long part of the loading screen
  kindra_e2e::waitUntil([&] { return kindra_test::readFile(logFile).find("Meshes:") != std::string::npos; });
  int status = 0;
  bool exited = false;
  for (int attempt = 0; attempt < 20 && !exited; ++attempt) {
    std::system(("xdotool key --window " + window + " Escape 2>/dev/null").c_str());
    exited = demo.wait(0.5, &status);
  }
  if (!exited) exited = demo.wait(20.0, &status);
  const std::string out = kindra_test::readFile(logFile);
  ASSERT_TRUE(exited) << out;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << out;
  EXPECT_EQ(out.find("\n---\n"), std::string::npos) << "the demo never played";
  // the program ended normally: the scripts are written back
  EXPECT_NE(readWork("script/Cubes.Cubes.xml").find("<time start=\"48\" end=\"112\"/>"), std::string::npos);
  expectNoTemporaryFiles();
}

}  // namespace
