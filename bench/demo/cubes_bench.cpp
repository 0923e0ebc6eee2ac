// The cubes scene on the device at 1280x720: the tower's set-up (the strands
// dominate it) and one whole frame of the scene with the tower grown. Each is
// also given as a multiple of a frame that only clears the screen, measured
// in the same run, so that figures from different machines compare.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "am.h"
#include "cubes.h"
#include "dis_display.h"
#include "dis_glinclude.h"

namespace {

using zelkor::display::DisplayGL;
using zelkor::display::WindowMode;

class NoProgress : public zelkor::kindra::EffectProgressUpdate {
 public:
  void updateProgress(float) override {}
};

struct Bench {
  Bench() {
    // the effect's script is read from the working directory, as in the demo
    if (chdir(KINDRA_DATA_DIR) != 0) std::perror(KINDRA_DATA_DIR);
    archive.addArchive(std::string(KINDRA_DATA_DIR) + "/");
    device.reset(DisplayGL::create());
    WindowMode mode("cubes bench", 1280, 720, false);
    mode.fpsMode = WindowMode::FPS_VARIABLE;
    device->open(mode);
    device->setArchive(&archive);
  }
  ~Bench() {
    cubes.reset();
    device.reset();
  }
  // Seconds of one clear-only frame, averaged over a few.
  double clearFrame() {
    const int frames = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
      glClearColor(0.1f, 0.1f, 0.2f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glFinish();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;
  }
  Cubes& scene() {
    if (!cubes) {
      cubes.reset(new Cubes);
      cubes->mType = "Cubes";
      cubes->mName = "Cubes";
      cubes->load(device.get());
      NoProgress progress;
      cubes->setup(progress);
    }
    return *cubes;
  }
  zelkor::am::ArchiveManager archive;
  std::unique_ptr<DisplayGL> device;
  std::unique_ptr<Cubes> cubes;
};

Bench& bench() {
  static Bench instance;
  return instance;
}

void BM_ClearFrame(benchmark::State& state) {
  Bench& b = bench();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
  }
  (void)b;
}
BENCHMARK(BM_ClearFrame)->Unit(benchmark::kMillisecond);

void BM_TowerSetup(benchmark::State& state) {
  Bench& b = bench();
  double seconds = 0;
  for (auto _ : state) {
    Cubes cubes;
    cubes.mDisplay = b.device.get();
    NoProgress progress;
    const auto start = std::chrono::steady_clock::now();
    cubes.setupTower(progress);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double clear = b.clearFrame();
  state.counters["clear_frames"] = seconds / static_cast<double>(state.iterations()) / clear;
}
BENCHMARK(BM_TowerSetup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_CubesFrame(benchmark::State& state) {
  Bench& b = bench();
  Cubes& cubes = b.scene();
  // the drop with the tower nearly whole, before the explosion
  const float local = 26.0f;
  cubes.update(local);
  cubes.draw(local, 1.0f / 60.0f, local / 64.0f);
  glFinish();
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    b.device->resetStates();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    cubes.update(local);
    cubes.draw(local, 1.0f / 60.0f, local / 64.0f);
    glFinish();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double clear = b.clearFrame();
  state.counters["clear_frames"] = seconds / static_cast<double>(state.iterations()) / clear;
}
BENCHMARK(BM_CubesFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Where a frame's time goes: one part of it at a time, in the state the
// whole frame leaves (0 shadow map, 1 sun, 2 clouds, 3 landscape, 4 tower).
void BM_CubesFramePart(benchmark::State& state) {
  Bench& b = bench();
  Cubes& cubes = b.scene();
  const float local = 26.0f;
  const float delta = 1.0f / 60.0f;
  cubes.update(local);
  cubes.draw(local, delta, local / 64.0f);
  glFinish();
  const int part = static_cast<int>(state.range(0));
  const char* names[] = {"shadow map", "sun", "clouds", "landscape", "tower"};
  state.SetLabel(names[part]);
  for (auto _ : state) {
    switch (part) {
      case 0:
        cubes.createShadowMap(local, delta, 0.0f, cubes.m_matView2world);
        break;
      case 1:
      case 2:
        b.device->resetStates();
        cubes.mdo.setProject(45.0f * 3.1415927f / 180.0f, 1280.0f / 720.0f, 0.2f, 1720.0f);
        cubes.mdo.setCamera(cubes.m_matWorld2View);
        if (part == 1) cubes.drawSun(local, delta, 0.0f, 0);
        if (part == 2) cubes.drawBirds(local, delta, 0.0f, 0);
        break;
      default:
        b.device->resetStates();
        cubes.mdo.setProject(45.0f * 3.1415927f / 180.0f, 1280.0f / 720.0f, 0.2f, 1720.0f);
        cubes.mdo.setCamera(cubes.m_matWorld2View);
        b.device->setFBO(cubes.mFBO);
        glEnable(GL_DEPTH_TEST);
        if (part == 3) cubes.drawLandscape(local, delta, 0.0f, 0);
        if (part == 4) cubes.drawTower(local, delta, 0.0f, 0);
        b.device->setFBO(nullptr);
        break;
    }
    glFinish();
  }
}
BENCHMARK(BM_CubesFramePart)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
