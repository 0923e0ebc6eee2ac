// The demo's first effects through the real executable under the X server:
// frames grabbed from its window at chosen times have the expected character
// (measured by mean colour, spread and change, never by exact pictures), and a
// full pass of the clear and the tunnel logs no error.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "am_image.h"
#include "asset_kit.h"
#include "demo_fixture.h"
#include "mb_matrix4x4col.h"
#include "test_support.h"
#include "tunnel.h"
#include "tunnel_bacon.h"

namespace {

using kindra_e2e::DemoProcess;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Vector3f;

const int kWidth = 400;
const int kHeight = 300;

// One grabbed frame, RGB.
struct Frame {
  std::vector<uint8_t> rgb;
  bool empty() const { return rgb.empty(); }
  double mean(int channel) const {
    double sum = 0;
    for (size_t i = channel; i < rgb.size(); i += 3) sum += rgb[i];
    return sum / (rgb.size() / 3);
  }
  double luminance() const { return (mean(0) + mean(1) + mean(2)) / 3; }
  // Standard deviation of the pixels' brightness.
  double spread() const {
    const double m = luminance();
    double sum = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
      const double v = (rgb[i] + rgb[i + 1] + rgb[i + 2]) / 3.0 - m;
      sum += v * v;
    }
    return std::sqrt(sum / (rgb.size() / 3));
  }
  // Mean absolute difference per channel value.
  double differenceTo(const Frame& other) const {
    double sum = 0;
    for (size_t i = 0; i < rgb.size() && i < other.rgb.size(); ++i) sum += std::abs(rgb[i] - other.rgb[i]);
    return sum / rgb.size();
  }
  // Pixels that are bright in every channel: white text, not tinted walls.
  int whitePixels(int threshold) const {
    int count = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
      if (rgb[i] > threshold && rgb[i + 1] > threshold && rgb[i + 2] > threshold) ++count;
    }
    return count;
  }
};

class TunnelDemoTest : public kindra_e2e::DemoTest {
 protected:
  void SetUp() override {
    kindra_e2e::DemoTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(std::filesystem::exists(work.file("tunnel/tunnel.z3d"))) << "the generated data is missing";
    // without its layout the editor stays away: the frames hold only the demo
    std::filesystem::remove(work.file("layout.xml"));
  }

  // the demo's song playing
  void writeSetup(float start) { DemoTest::writeSetup(start, kWidth, kHeight, true); }

  void writeClearScript(float end, float r, float g, float b) {
    char text[512];
    std::snprintf(text, sizeof(text),
                  "<effect>\n\t<option inactive=\"0\" locked=\"0\"/>\n\t<time start=\"0\" end=\"%g\"/>\n"
                  "\t<plugin type=\"color\" name=\"color\">\n"
                  "\t\t<key time=\"0\" r=\"%g\" g=\"%g\" b=\"%g\"/>\n"
                  "\t\t<key time=\"1\" r=\"%g\" g=\"%g\" b=\"%g\"/>\n\t</plugin>\n</effect>\n",
                  end, r, g, b, r, g, b);
    writeWork("script/Clear.Clear.xml", text);
  }

  // Switches the later effects off, as the editor does, so that only the
  // clear and the tunnel draw.
  void onlyClearAndTunnel() {
    for (const char* type : {"Cubes", "Ascii", "Cred", "End"}) {
      const std::string name = std::string("script/") + type + "." + type + ".xml";
      std::string script = readWork(name);
      const size_t at = script.find("inactive=\"0\"");
      ASSERT_NE(at, std::string::npos) << name;
      script.replace(at, 12, "inactive=\"1\"");
      writeWork(name, script);
    }
  }

  // Starts the demo, waits until it plays, grabs a frame after each delay
  // (seconds from the start of play), then quits it.
  std::vector<Frame> playAndGrab(const std::vector<double>& delays) {
    std::vector<Frame> frames;
    DemoProcess demo(binary, work.path(), logFile);
    const std::string window = playingWindow(demo);
    if (window.empty()) return frames;
    const auto played = std::chrono::steady_clock::now();
    for (double delay : delays) {
      std::this_thread::sleep_until(played + std::chrono::duration<double>(delay));
      const std::string bytes = kindra_e2e::grabWindow(window, kWidth, kHeight);
      frames.push_back(Frame{std::vector<uint8_t>(bytes.begin(), bytes.end())});
      EXPECT_FALSE(frames.back().empty()) << "no frame grabbed";
    }
    int status = 0;
    EXPECT_TRUE(pressAndWait(demo, window, "Escape", &status)) << kindra_test::readFile(logFile);
    return frames;
  }
};

TEST_F(TunnelDemoTest, AfterTheTunnelOnlyTheClearColourFillsTheFrame) {
  writeSetup(60.0f);
  writeClearScript(176, 0.2f, 0.4f, 0.6f);
  onlyClearAndTunnel();
  const std::vector<Frame> frames = playAndGrab({1.0});
  ASSERT_EQ(frames.size(), 1u);
  ASSERT_FALSE(frames[0].empty());
  EXPECT_NEAR(frames[0].mean(0), 51, 4);
  EXPECT_NEAR(frames[0].mean(1), 102, 4);
  EXPECT_NEAR(frames[0].mean(2), 153, 4);
  EXPECT_LT(frames[0].spread(), 3.0) << "nothing but the background";
}

TEST_F(TunnelDemoTest, InsideTheTunnelTheFrameIsLitAndMoves) {
  writeSetup(10.0f);
  writeClearScript(176, 0.2f, 0.4f, 0.6f);
  const std::vector<Frame> frames = playAndGrab({0.8, 1.6});
  ASSERT_EQ(frames.size(), 2u);
  for (const Frame& frame : frames) {
    ASSERT_FALSE(frame.empty());
    // the tunnel clears to near black itself: no trace of the clear colour
    EXPECT_LT(frame.mean(1), 90);
    EXPECT_GT(frame.luminance(), 12) << "lit walls";
    EXPECT_GT(frame.spread(), 12) << "structure, not a flat fill";
  }
  EXPECT_GT(frames[0].differenceTo(frames[1]), 3.0) << "the flight goes on";
}

// The first time, after `from`, from which some greeting hangs 1.2 to 3.5
// units in front of the camera and well inside the picture for at least 0.4 s
// (the flight passes one every 1.2 s); -1 when there is none. The tunnel
// spans 0..48 s.
float timeOfAGreeting(float from) {
  const std::vector<Vector3f> greets = tunnel::greetPositions();
  const float tanHalf = std::tan(27.5f * 3.14159265f / 180.0f);
  const float aspect = float(kWidth) / kHeight;
  float since = -1.0f;
  for (float t = from; t < 47.0f; t += 0.05f) {
    const float p = t / 48.0f;
    Matrix4x4Col cam;
    cam.setCamera(Tunnel::getSpline(p), Tunnel::getSpline(p + 0.02f), 0.0f);
    bool seen = false;
    for (const Vector3f& g : greets) {
      const Vector3f e = cam.multiply(g);
      const float depth = -e.z;
      if (depth < 1.2f || depth > 3.5f) continue;
      if (std::fabs(e.x) / depth < 0.5f * tanHalf * aspect && std::fabs(e.y) / depth < 0.6f * tanHalf) seen = true;
    }
    if (!seen) {
      since = -1.0f;
    } else if (since < 0.0f) {
      since = t;
    } else if (t - since >= 0.4f) {
      return since;
    }
  }
  return -1.0f;
}

// The most white pixels in any of the frames; -1 when one is missing.
int mostWhite(const std::vector<Frame>& frames) {
  int most = frames.empty() ? -1 : 0;
  for (const Frame& frame : frames) most = frame.empty() ? -1 : std::max(most, frame.whitePixels(150));
  return most;
}

TEST_F(TunnelDemoTest, AGreetingShowsWhenTheCameraReachesIt) {
  // each hangs half a unit beside the flight path
  const std::vector<Vector3f> greets = tunnel::greetPositions();
  for (size_t i = 0; i < greets.size(); ++i) {
    const Vector3f onPath = Tunnel::getSpline(i * 0.55f / 22.0f + 0.4f);
    EXPECT_NEAR(std::hypot(greets[i].x - onPath.x, greets[i].y - onPath.y), 0.5f, 1e-5f) << i;
  }
  const float when = timeOfAGreeting(19.0f);
  ASSERT_GT(when, 0.0f) << "no greeting comes into view";
  writeSetup(when);
  // no particles, so that white means text
  std::string script = readWork("script/Tunnel.Tunnel.xml");
  for (size_t at = script.find("value=\""); at != std::string::npos; at = script.find("value=\"", at + 1)) {
    script.replace(at, script.find('"', at + 7) - at + 1, "value=\"0\"");
  }
  writeWork("script/Tunnel.Tunnel.xml", script);
  // a few frames, since the camera passes a greeting in about a second
  const std::vector<double> delays = {0.1, 0.3, 0.5};
  const int text = mostWhite(playAndGrab(delays));

  // the same moments with blank strips
  zelkor::am::Image black(new zelkor::am::ImageObject(8, 8));
  for (int i = 0; i < 8 * 8 * 4; ++i) black->getWriteData()[i] = i % 4 == 3 ? 255 : 0;
  writeWork("tunnel/greets.png", kindra_assets::encodePng(black));
  const int none = mostWhite(playAndGrab(delays));

  std::printf("greeting at %.2f s: %d white pixels with text, %d without\n", when, text, none);
  EXPECT_GT(text, none + 40) << "at " << when << " s";
}

TEST_F(TunnelDemoTest, WithoutTheWallMeshOrTheSpriteTheDemoStopsNamingTheFile) {
  writeSetup(0.0f);
  const std::string mesh = readWork("tunnel/tunnel.z3d");
  for (const char* missing : {"tunnel/tunnel.z3d", "tunnel/particle.png"}) {
    writeWork("tunnel/tunnel.z3d", mesh);
    std::filesystem::remove(work.file(missing));
    const std::string out = runToEnd(1, 60.0);
    EXPECT_NE(out.find(std::string("Could not open file ") + missing), std::string::npos) << out;
  }
}

}  // namespace
