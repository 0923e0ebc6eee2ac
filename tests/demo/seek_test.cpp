// Every shipped effect, with its shipped script, draws the same frame at a
// time whether the clock played there at 60 or at 10 frames per second or
// jumped there from later; and a jump back over the explosion brings the
// tower back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "am.h"
#include "ascii.h"
#include "clear.h"
#include "common.h"
#include "cred.h"
#include "cubes.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "dis_windowmode.h"
#include "end.h"
#include "test_support.h"
#include "tunnel.h"
#include "tunnel_walls.h"
#include "z3d_manager.h"
#include "volumetric.h"

namespace {

using zelkor::display::DisplayGL;
using zelkor::display::WindowMode;
using Frame = std::vector<uint8_t>;

const int kWidth = 160, kHeight = 90;

class SeekTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!std::getenv("DISPLAY")) return;
    // the scripts are read from the working directory, as the demo does
    ASSERT_EQ(chdir((kindra_test::sourceDir() + "/data").c_str()), 0);
    archive.addArchive(kindra_test::sourceDir() + "/data/");
    device = DisplayGL::create();
    WindowMode mode("seek test", kWidth, kHeight, false);
    mode.fpsMode = WindowMode::FPS_VARIABLE;
    device->open(mode);
    device->setArchive(&archive);
  }
  static void TearDownTestSuite() {
    delete device;
    device = nullptr;
  }
  void SetUp() override {
    if (!device) GTEST_SKIP() << "needs a display";
  }

  template <typename T>
  std::unique_ptr<CommonEffect> make(const char* type) {
    std::unique_ptr<CommonEffect> effect(new T);
    effect->mType = effect->mName = type;
    effect->mDisplay = device;
    effect->setCommon(&common);
    effect->load(device);
    struct : zelkor::kindra::EffectProgressUpdate {
      void updateProgress(float) override {}
    } progress;
    effect->setup(progress);
    return effect;
  }

  // One frame as the engine draws it, read back.
  Frame draw(CommonEffect& effect, float local, float delta) {
    device->resetStates();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    effect.update(local);
    effect.draw(local, delta, local / (effect.mEnd - effect.mStart));
    Frame pixels(static_cast<size_t>(kWidth) * kHeight * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

  // Frames at `times` (multiples of 0.1 s) played from `from` at `rate` fps.
  std::vector<Frame> play(CommonEffect& effect, float from, int rate, const std::vector<float>& times) {
    std::vector<Frame> frames;
    float last = from;
    for (long k = 0; frames.size() < times.size(); ++k) {
      const float t = static_cast<float>(from + static_cast<double>(k) / rate);
      const bool wanted = std::fabs(t - times[frames.size()]) < 1e-4f;
      // frames nobody looks at are drawn all the same: drawing is what moves state
      Frame frame = draw(effect, t, t - last);
      if (wanted) frames.push_back(frame);
      last = t;
    }
    return frames;
  }

  static zelkor::am::ArchiveManager archive;
  static DisplayGL* device;
  Common common;
};
zelkor::am::ArchiveManager SeekTest::archive;
DisplayGL* SeekTest::device = nullptr;

// Channels that differ by more than `tolerance`, and the largest difference.
std::pair<int, int> difference(const Frame& a, const Frame& b, int tolerance = 0) {
  int count = 0, largest = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int d = std::abs(a[i] - b[i]);
    largest = std::max(largest, d);
    count += d > tolerance;
  }
  return {count, largest};
}

TEST_F(SeekTest, EveryEffectDrawsTheSameFrameHoweverTheClockGotThere) {
  struct Case {
    const char* type;
    std::function<std::unique_ptr<CommonEffect>()> make;
    float from;                // where playing starts: the span's start, or shortly before the explosion
    std::vector<float> times;  // local seconds, ascending
  };
  const std::vector<Case> cases = {
      {"Clear", [&] { return make<Clear>("Clear"); }, 0.0f, {0.5f, 2.0f}},
      {"Tunnel", [&] { return make<Tunnel>("Tunnel"); }, 0.0f, {0.5f, 2.0f}},
      {"Cubes", [&] { return make<Cubes>("Cubes"); }, 0.0f, {1.0f, 2.0f}},
      // the tower stands from the span's start until the trigger at 32 s: the
      // explosion is played from a moment before it
      {"Cubes", [&] { return make<Cubes>("Cubes"); }, 31.5f, {32.0f, 32.1f, 32.5f, 33.5f}},
      {"Ascii", [&] { return make<Ascii>("Ascii"); }, 0.0f, {1.0f, 5.0f}},
      {"Cred", [&] { return make<Cred>("Cred"); }, 0.0f, {0.5f, 2.0f}},
      {"End", [&] { return make<End>("End"); }, 0.0f, {0.5f, 2.0f}},
      // on no timeline and with no script: lit grey here
      {"Volumetric", [&] {
         std::unique_ptr<CommonEffect> effect = make<Volumetric>("Volumetric");
         zelkor::kindra::Color& colour = static_cast<Volumetric&>(*effect).mColor;
         for (auto* channel : {&colour.mR, &colour.mG, &colour.mB}) channel->addKey({0.0f, 0.5f});
         return effect;
       }, 0.0f, {0.5f, 2.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    std::unique_ptr<CommonEffect> effect = c.make();
    const std::vector<Frame> at60 = play(*effect, c.from, 60, c.times);
    // the same effect, so that what it kept from the first run must be undone
    const std::vector<Frame> at10 = play(*effect, c.from, 10, c.times);
    for (size_t i = 0; i < c.times.size(); ++i) {
      SCOPED_TRACE(c.times[i]);
      draw(*effect, c.times.back() + 1.0f, 1.0f / 60.0f);
      const Frame sought = draw(*effect, c.times[i], 0.0f);
      // identical: every state is a function of time, with no frame's
      // rounding in it
      EXPECT_EQ(difference(at60[i], at10[i]), std::make_pair(0, 0)) << "10 fps against 60 fps";
      EXPECT_EQ(difference(at60[i], sought), std::make_pair(0, 0)) << "a seek back against 60 fps";
      EXPECT_GT(difference(at60[i], Frame(at60[i].size(), 0)).first, kWidth * kHeight / 100) << "it drew";
    }
  }
}

TEST_F(SeekTest, ASeekBackOverTheExplosionBringsTheTowerBack) {
  std::unique_ptr<CommonEffect> effect = make<Cubes>("Cubes");
  Cubes& cubes = static_cast<Cubes&>(*effect);
  const Frame standing = draw(cubes, 31.5f, 0.0f);
  const size_t whole = cubes.mCD.size();
  for (float t = 31.5f; t < 36.0f; t += 0.5f) draw(cubes, t, 0.5f);
  EXPECT_TRUE(cubes.mExplode);
  EXPECT_LT(cubes.mCD.size(), whole) << "cubes bounced away";
  EXPECT_GT(difference(standing, draw(cubes, 36.0f, 0.5f)).first, kWidth * kHeight / 20) << "the tower is gone";

  const Frame back = draw(cubes, 31.5f, -4.5f);
  EXPECT_FALSE(cubes.mExplode);
  EXPECT_EQ(cubes.mCD.size(), whole);
  EXPECT_EQ(difference(standing, back), std::make_pair(0, 0));
}

// Before its cells fall the grid is its picture, centred, a pixel to a texel.
TEST_F(SeekTest, TheStillGridIsItsPicture) {
  std::unique_ptr<CommonEffect> effect = make<Ascii>("Ascii");
  const Frame frame = draw(*effect, 1.0f, 0.0f);
  const zelkor::am::Image picture = archive.loadImage("ascii/ascii.png");
  const float brightness = std::min(8.0f / (effect->mEnd - effect->mStart), 1.0f);
  int wrong = 0, lit = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // rows read bottom-up; the grid's middle column starts at the window's middle
      const int texel = (Ascii::ROWS * Ascii::CELL / 2 + kHeight / 2 - 1 - y) * picture->getWidth() + x +
                        Ascii::COLUMNS / 2 * Ascii::CELL - kWidth / 2;
      for (int c = 0; c < 3; ++c) {
        const int want = static_cast<int>(picture->getData()[4 * texel + 2 - c] * brightness + 0.5f);
        wrong += std::abs(frame[3 * (y * kWidth + x) + c] - want) > 2;
        lit += want > 0;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(lit, kWidth * kHeight / 10);
}

// The shipped wall segment is made of solids, so every segment is drawn
// one-sided; with a hole, or turned inside out, only far ones are; with one
// triangle wound the other way none is.
TEST(TunnelWalls, SolidsAreDrawnOneSidedAndSegmentsBesideTheViewNotAtAll) {
  const std::string bytes = kindra_test::readFile(kindra_test::sourceDir() + "/data/tunnel/tunnel.z3d");
  zelkor::z3d::Manager scene;
  scene.load(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  zelkor::z3d::Mesh* mesh = scene.getMesh("segment0");
  ASSERT_NE(mesh, nullptr);
  std::vector<zelkor::mathbase::Box3> solids;
  EXPECT_EQ(tunnel::oneSidedBeyond(*mesh, &solids), -std::numeric_limits<float>::infinity());
  // ten panels and four arcs; near one of them the camera could be inside
  EXPECT_EQ(solids.size(), 14u);
  EXPECT_FALSE(tunnel::nearSolid(solids, zelkor::mathbase::Vector3f(0.1f, 0.2f, -0.1f), 0.5f));
  EXPECT_TRUE(tunnel::nearSolid(solids, zelkor::mathbase::Vector3f(1.7f, 0.2f, 0.0f), 0.5f));
  // a segment 10 units ahead and 6 aside is in a view 90 degrees wide, not in one 30 wide
  EXPECT_TRUE(tunnel::inView(zelkor::mathbase::Vector3f(6.0f, 0.0f, -10.0f), 2.3f, 1.0f, 1.0f));
  EXPECT_FALSE(tunnel::inView(zelkor::mathbase::Vector3f(6.0f, 0.0f, -10.0f), 2.3f, 0.27f, 1.0f));
  EXPECT_FALSE(tunnel::inView(zelkor::mathbase::Vector3f(0.0f, -6.0f, -10.0f), 2.3f, 1.0f, 0.27f));
  zelkor::z3d::TriangleList& triangles = mesh->getSubmesh(0)->getTriangles();
  const zelkor::z3d::Triangle last = triangles[triangles.size() - 1];
  triangles.resize(triangles.size() - 1);
  EXPECT_EQ(tunnel::oneSidedBeyond(*mesh), 25.0f);
  triangles.push_back(last);
  std::swap(triangles[0].v[1], triangles[0].v[2]);
  EXPECT_EQ(tunnel::oneSidedBeyond(*mesh), std::numeric_limits<float>::infinity());
  // turned inside out it encloses nothing: rooms seen from outside show their backs
  for (int t = 1; t < triangles.size(); ++t) std::swap(triangles[t].v[1], triangles[t].v[2]);
  for (int v = 0; v < mesh->getVertices().size(); ++v) mesh->getVertices()[v].normal = -mesh->getVertices()[v].normal;
  EXPECT_EQ(tunnel::oneSidedBeyond(*mesh), 25.0f);
}

}  // namespace
