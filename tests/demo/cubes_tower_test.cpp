// The cubes effect on a real display device: the tower's seeded layout, the
// explosion step, the strands, and a set-up cut short by the user.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
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
using zelkor::kindra::UserCancelledException;
using zelkor::mathbase::Vector3f;

// Counts the reports; throws the user's cancel at the given report.
class Progress : public EffectProgressUpdate {
 public:
  explicit Progress(int cancelAt = -1) : mCancelAt(cancelAt) {}
  void updateProgress(float fraction) override {
    last = fraction;
    if (calls++ == mCancelAt) throw UserCancelledException();
  }
  void updateProgress(int index, int count) override {
    indices.push_back(index);
    EXPECT_EQ(count, 400);
    EffectProgressUpdate::updateProgress(index, count);
  }
  int calls = 0;
  float last = -1.0f;
  std::vector<int> indices;

 private:
  int mCancelAt;
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

TEST_F(CubesTest, StrandsCreepFromTheGroundCircleWithOneReportEach) {
  ASSERT_EQ(sharedProgress->indices.size(), 400u);
  for (int g = 0; g < 400; ++g) EXPECT_EQ(sharedProgress->indices[g], g);
  for (const auto& strand : shared->mGrass) {
    ASSERT_EQ(strand.size(), 300u);
    // each step is at most half a unit (less by the jitter); the first
    // leaves the circle of radius 25
    const Vector3f first = strand[0];
    EXPECT_NEAR(std::hypot(first.x, first.z), 25.0f, 0.51f);
    for (size_t i = 1; i < strand.size(); ++i) EXPECT_LE((strand[i] - strand[i - 1]).length(), 0.5001f);
    EXPECT_GT(strand.back().y, 1.0f) << "strands climb the heap";
  }
  EXPECT_EQ(shared->mMeshes.count("Cube"), 1u);
  EXPECT_EQ(shared->mMeshes.count("Mesh"), 1u);
  EXPECT_EQ(shared->mMeshes.count("Waterworld"), 1u);
  EXPECT_EQ(shared->mClouds.size(), 50u);
  for (const Cubes::CloudPoint* c : shared->mClouds) {
    EXPECT_GT(c->center.y, -80.0f);
    EXPECT_LE(c->center.y, 400.0f);
    EXPECT_GE(c->center.length(), 350.0f - 1e-2f);
    EXPECT_LE(c->center.length(), 800.0f + 1e-2f);
  }
  // the cloud buffer starts with the highest particle
  MyVertex* vertices = static_cast<MyVertex*>(shared->mCloudVBO->lock(false, true, -1, 0));
  float highest = vertices[0].pos.y;
  for (int v = 0; v < 24000; ++v) EXPECT_LE(vertices[v].pos.y, highest);
  EXPECT_EQ(vertices[0].displacement[0], -1.0f);
  EXPECT_EQ(vertices[3].displacement[1], 1.0f);
  shared->mCloudVBO->unlock();
}

TEST_F(CubesTest, ALaterMeshOfTheSameNameTakesTheEntry) {
  Cubes cubes;
  cubes.mDisplay = device;
  cubes.mVertexDef = zelkor::display::VertexP3N3::getVertexDef("va_");
  cubes.uploadMesh("Cube", shared->mManager.getMesh("Cube"));
  cubes.uploadMesh("Cube", shared->mManager.getMesh("Mesh"));
  ASSERT_EQ(cubes.mMeshes.size(), 1u);
  EXPECT_EQ(cubes.mMeshes["Cube"]->getIBO()->getNumIndices(), shared->mMeshes["Mesh"]->getIBO()->getNumIndices());
}

// Luminance of the window's pixels, as drawn into the back buffer.
std::vector<float> windowLuminance(int width, int height) {
  std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  std::vector<float> out(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = (0.3f * rgba[i * 4] + 0.59f * rgba[i * 4 + 1] + 0.11f * rgba[i * 4 + 2]) / 255.0f;
  }
  return out;
}

TEST_F(CubesTest, TheTowersShadowDarkensTheSceneAndNothingElse) {
  // the demo's own script: camera, growth and sky of the drop
  const std::string here = std::filesystem::current_path().string();
  ASSERT_EQ(chdir((kindra_test::sourceDir() + "/data").c_str()), 0);
  shared->mType = "Cubes";
  shared->mName = "Cubes";
  shared->load(device);
  ASSERT_EQ(chdir(here.c_str()), 0);
  ASSERT_EQ(shared->mStart, 48.0f);
  const float local = 26.0f;  // tower nearly whole, before the explosion
  auto frame = [&] {
    device->resetStates();
    glClearColor(0.05f, 0.05f, 0.1f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    shared->update(local);
    shared->draw(local, 0.0f, local / 64.0f);  // no time passes: the same strands and marker
    return windowLuminance(320, 180);
  };
  const std::vector<float> shadowed = frame();

  // the map holds the tower seen from above: occluders in the middle, the
  // cleared value where nothing stands
  device->setFBO(shared->m_sunShadowMapFBO);
  std::vector<unsigned char> map(1024 * 1024 * 4);
  glReadPixels(0, 0, 1024, 1024, GL_RGBA, GL_UNSIGNED_BYTE, map.data());
  device->setFBO(nullptr);
  EXPECT_EQ(map[0], 255) << "a corner is empty";
  const size_t centre = (512 * 1024 + 512) * 4;
  EXPECT_LT(map[centre], 255) << "the heap's middle";
  size_t occluded = 0;
  for (size_t i = 0; i < map.size(); i += 4) occluded += map[i] < 255;
  EXPECT_GT(occluded, map.size() / 4 / 20);

  // the same frame with a map in which nothing stands
  zelkor::display::TextureDeclaration decl(1024, 1024);
  decl.channelType = zelkor::display::Texture::CHAN_RGBA;
  decl.channelFormat = zelkor::display::Texture::FORMAT_UINT8;
  decl.target = zelkor::display::Texture::TARGET_2D;
  decl.repeatMode = 0;
  decl.useMipmaps = false;
  zelkor::am::Image white(new zelkor::am::ImageObject(1024, 1024));
  std::fill(white->getWriteData(), white->getWriteData() + 1024 * 1024 * 4, 255);
  zelkor::display::Texture* empty = device->createTexture(white, decl);
  zelkor::display::FBO* elsewhere = device->createFBO(1024, 1024, true);
  elsewhere->attach(zelkor::display::FBO::COLOR0, device->createTexture(decl));
  zelkor::display::Texture* map0 = shared->m_sunShadowMap;
  zelkor::display::FBO* target0 = shared->m_sunShadowMapFBO;
  shared->m_sunShadowMap = empty;
  shared->m_sunShadowMapFBO = elsewhere;
  const std::vector<float> unshadowed = frame();
  shared->m_sunShadowMap = map0;
  shared->m_sunShadowMapFBO = target0;

  int darker = 0, brighter = 0;
  for (size_t i = 0; i < shadowed.size(); ++i) {
    if (unshadowed[i] - shadowed[i] > 0.06f) ++darker;
    if (shadowed[i] - unshadowed[i] > 0.06f) ++brighter;
  }
  std::printf("pixels darker in shadow: %d, brighter: %d of %zu\n", darker, brighter, shadowed.size());
  EXPECT_GT(darker, static_cast<int>(shadowed.size() / 50)) << "the shadow falls on cubes and water";
  EXPECT_LE(brighter, darker / 50) << "a shadow never lights anything";
}

// A fresh tower from the same seeds for the explosion, which changes it.
class ExplodingTower : public CubesTest {
 protected:
  void SetUp() override {
    CubesTest::SetUp();
    if (IsSkipped()) return;
    cubes.reset(new Cubes);
    cubes->mDisplay = device;
    cubes->mStart = 0.0f;
    cubes->mEnd = 64.0f;
    // only what drawing the tower needs: the meshes and programs of the full
    // set-up are shared
    // (without meshes: the cubes are stepped but not drawn)
    cubes->mStandardShader = shared->mStandardShader;
    cubes->mStandardShader_CreateShadowMap = shared->mStandardShader_CreateShadowMap;
    cubes->m_sunShadowMap = shared->m_sunShadowMap;
    for (const Cubes::CubeData* c : shared->mCD) cubes->mCD.push_back(new Cubes::CubeData(*c));
    cubes->topIndex = shared->topIndex;
  }
  void TearDown() override { cubes.reset(); }
  std::unique_ptr<Cubes> cubes;
};

TEST_F(ExplodingTower, StepsAddTheVelocityPerCallAndBounceOnTheFloor) {
  const Cubes::CubeData before = *cubes->mCD[0];
  cubes->stepExplosion(0.25f);
  Vector3f acc = before.acc;
  acc.y -= 0.25f;
  expectNear(cubes->mCD[0]->acc, acc);
  expectNear(cubes->mCD[0]->pos, before.pos + acc);

  // a cube below the floor turns back at 0.4 of its speed and counts it;
  // the sixth bounce removes it and its follower takes its index at once
  Cubes::CubeData* low = cubes->mCD[5];
  Cubes::CubeData* next = cubes->mCD[6];
  const Vector3f nextPos = next->pos;
  low->pos = Vector3f(0.0f, -5.0f, 0.0f);
  low->acc = Vector3f(0.0f, -1.0f, 0.0f);
  low->count = 5;
  const size_t count = cubes->mCD.size();
  cubes->stepExplosion(0.5f);
  ASSERT_EQ(cubes->mCD.size(), count - 1);
  EXPECT_EQ(cubes->mCD[5], next);
  EXPECT_NE(next->pos.y, nextPos.y) << "the follower was stepped in the same pass";

  Cubes::CubeData* bouncing = cubes->mCD[7];
  bouncing->pos = Vector3f(0.0f, -0.5f, 0.0f);
  bouncing->acc = Vector3f(0.0f, -1.0f, 0.0f);
  bouncing->count = 0;
  cubes->stepExplosion(0.5f);
  EXPECT_EQ(bouncing->count, 1);
  EXPECT_FLOAT_EQ(bouncing->acc.y, -1.5f * -0.4f);
}

TEST(CubesSetup, QuitDuringTheStrandsLeavesTheTowerHalfBuilt) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display";
  zelkor::am::ArchiveManager archive;
  archive.addArchive(kindra_test::sourceDir() + "/data/");
  std::unique_ptr<DisplayGL> display(DisplayGL::create());
  display->open(WindowMode("cubes cancel", 160, 90, false));
  display->setArchive(&archive);
  kindra_test::StdoutCapture out;
  {
    Cubes cubes;
    cubes.mDisplay = display.get();
    Progress progress(10);
    EXPECT_THROW(cubes.setup(progress), UserCancelledException);
    EXPECT_EQ(cubes.mCD.size(), 900u);
    for (int g = 0; g < 10; ++g) EXPECT_EQ(cubes.mGrass[g].size(), 300u) << g;
    for (int g = 10; g < 400; ++g) EXPECT_TRUE(cubes.mGrass[g].empty()) << g;
    EXPECT_TRUE(cubes.mClouds.empty());
    EXPECT_EQ(cubes.mMeshes.count("Waterworld"), 0u);
    EXPECT_EQ(cubes.m_sunShadowMap, nullptr);
    EXPECT_EQ(cubes.mSunShader, nullptr);
    // the half-built effect goes away with the rest of the program
  }
  const std::string text = out.finish();
  EXPECT_NE(text.find("Meshes: 2"), std::string::npos) << text;
  EXPECT_EQ(text.find("Tower took"), std::string::npos) << text;
}

TEST(CubesSetup, ForcedOffDriverCheckReportsAndDrawsNothing) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display";
  std::unique_ptr<DisplayGL> display(DisplayGL::create());
  display->open(WindowMode("cubes unsupported", 160, 90, false));
  setenv(Cubes::kForceUnsupportedEnv, "1", 1);
  kindra_test::StdoutCapture out;
  {
    Cubes cubes;
    cubes.mDisplay = display.get();
    Progress progress;
    cubes.setup(progress);
    EXPECT_TRUE(cubes.isUnsupported());
    EXPECT_EQ(progress.last, 1.0f);
    EXPECT_EQ(cubes.mFBO, nullptr);
    cubes.draw(1.0f, 0.1f, 0.1f);
  }
  unsetenv(Cubes::kForceUnsupportedEnv);
  const std::string text = out.finish();
  EXPECT_NE(text.find("Cubes: the display driver has no float textures or no render targets"), std::string::npos)
      << text;
}

}  // namespace
