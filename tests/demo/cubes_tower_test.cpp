// The cubes effect on a real display device: the tower's seeded layout, the
// explosion step, the strands, and a set-up cut short by the user.

#include <gtest/gtest.h>


#include <algorithm>
#include <cmath>
#include <string>

#include "am.h"
#include "am_image.h"
#include "common.h"
#include "cubes.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "dis_windowmode.h"
#include "test_support.h"

namespace {

using zelkor::display::DisplayGL;
using zelkor::display::WindowMode;
using zelkor::kindra::EffectProgressUpdate;
using zelkor::mathbase::Vector3f;

class Progress : public EffectProgressUpdate {
 public:
  void updateProgress(float) override {}
};

class CubesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!std::getenv("DISPLAY")) return;
    archive = new zelkor::am::ArchiveManager;
    archive->addArchive(kindra_test::sourceDir() + "/data/");
    device = DisplayGL::create();
    WindowMode mode("cubes test", 320, 180, false);
    mode.fpsMode = WindowMode::FPS_VARIABLE;
    device->open(mode);
    device->setArchive(archive);
    // one full set-up serves the layout tests
    shared = new Cubes;
    shared->mDisplay = device;
    shared->mStart = 0.0f;
    shared->mEnd = 64.0f;
    sharedProgress = new Progress;
    shared->setup(*sharedProgress);
    // the layout runs on a thread of its own; the tests read it whole
    shared->waitForTower();
  }
  static void TearDownTestSuite() {
    delete shared;
    delete sharedProgress;
    delete device;
    delete archive;
    shared = nullptr;
    device = nullptr;
    archive = nullptr;
  }
  void SetUp() override {
    if (!device) GTEST_SKIP() << "needs a display (run under scripts/xvfb.sh)";
  }

  static zelkor::am::ArchiveManager* archive;
  static DisplayGL* device;
  static Cubes* shared;
  static Progress* sharedProgress;
};

zelkor::am::ArchiveManager* CubesTest::archive = nullptr;
DisplayGL* CubesTest::device = nullptr;
Cubes* CubesTest::shared = nullptr;
Progress* CubesTest::sharedProgress = nullptr;

void expectNear(const Vector3f& a, const Vector3f& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST_F(CubesTest, TowerIsDroppedFromSeeds40And42) {
  ASSERT_FALSE(shared->isUnsupported());
  ASSERT_EQ(shared->mCD.size(), 900u);
  // the first cube, drawn again from the same seeds in the same order
  Random mr(40);
  Random mr2(42);
  Vector3f pos = mr.randomOnSphere() * 15.0f * (std::cos(0.0f) + 0.6f);
  pos.y = 0.0f;
  Vector3f acc = mr2.randomOnSphere() * 0.1f;
  acc.y += 0.2f;
  const Vector3f rot = mr.randomOnSphere() * 3.1415927f;
  const float size = mr.uniform(0.5f, 1.5f);
  Vector3f color = Vector3f(0.9f, 0.9f, 0.9f);
  const float coldiff = mr.uniform(0.1f, 1.0f);
  color.x -= coldiff;
  color.y -= coldiff * 0.5f;
  if (mr.uniform(0.0f, 100.0f) < 10.0f) color *= 0.1f;
  const Cubes::CubeData& first = *shared->mCD[0];
  expectNear(first.pos, pos);
  expectNear(first.acc, acc);
  expectNear(first.rot, rot);
  EXPECT_FLOAT_EQ(first.size, size);
  expectNear(first.color, color);
  EXPECT_EQ(first.count, 0);

  // every cube rests on the highest earlier cube it overlaps, inside the
  // tapering scatter radius, and the top index is the first highest one
  float top = 0.0f;
  uint32_t topIndex = 0;
  int dark = 0;
  for (size_t i = 0; i < shared->mCD.size(); ++i) {
    const Cubes::CubeData& c = *shared->mCD[i];
    const float limit = 15.0f * (std::cos(static_cast<float>(i) * 2.042035f / 1000.0f) + 0.6f);
    EXPECT_LE(std::hypot(c.pos.x, c.pos.z), limit + 1e-3f) << i;
    EXPECT_GE(c.size, 0.5f);
    EXPECT_LE(c.size, 1.5f);
    float rest = 0.0f;
    for (size_t a = 0; a < i; ++a) {
      const Cubes::CubeData& below = *shared->mCD[a];
      if (below.size + c.size > std::hypot(below.pos.x - c.pos.x, below.pos.z - c.pos.z)) {
        rest = std::max(rest, below.pos.y + below.size * 1.414f);
      }
    }
    EXPECT_FLOAT_EQ(c.pos.y, rest) << i;
    if (c.pos.y > top) {
      top = c.pos.y;
      topIndex = static_cast<uint32_t>(i);
    }
    if (c.color.y < 0.2f) ++dark;
  }
  EXPECT_EQ(shared->topIndex, topIndex);
  EXPECT_GT(top, 20.0f) << "a heap, not a carpet";
  EXPECT_LT(top, 75.0f) << "inside the shadow volume";
  EXPECT_GT(dark, 40);
  EXPECT_LT(dark, 150);
}

}  // namespace
