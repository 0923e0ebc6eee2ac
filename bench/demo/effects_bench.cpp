// Every effect of the demo on the device at 1280x720, one frame at a moment
// inside its span of the song, as a multiple of a frame that only clears the
// screen, measured in the same run (so that figures from loaded or different
// machines compare). Besides the whole frame (until the driver has drawn
// it), the main thread's CPU time for the effect's update and draw calls:
// our own work plus the driver's recording of the calls, without the
// rasterising the driver's threads do afterwards.

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "ascii.h"
#include "bench_device.h"
#include "clear.h"
#include "common.h"
#include "cred.h"
#include "cubes.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "end.h"
#include "kin_renderscale.h"
#include "tunnel.h"

namespace {


using demo_bench::NoProgress;

double threadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Device : demo_bench::Device {
  Device() : demo_bench::Device("effects bench") {
    common.mType = "common";
    common.mName = "Common";
    common.load(device.get());
  }
  Common common;
};

Device& device() {
  static Device instance;
  return instance;
}

// One effect, set up as the engine does, drawn at `local` seconds into its
// span of `length` seconds; at a render scale below 1 into the scaled
// picture, stretched over the window as the engine does.
template <typename T>
void effectFrame(benchmark::State& state, const char* type, float local, float length, float scale = 1.0f) {
  Device& d = device();
  d.device->setRenderScale(scale);
  zelkor::kindra::RenderScale scaled(d.device.get());
  T effect;
  effect.mType = type;
  effect.mName = type;
  effect.setCommon(&d.common);
  effect.load(d.device.get());
  NoProgress progress;
  static_cast<zelkor::kindra::Effect&>(effect).setup(progress);
  const float delta = 1.0f / 60.0f;
  auto frame = [&]() {
    d.device->resetStates();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scaled.begin();
    effect.update(local);
    effect.draw(local, delta, local / length);
    scaled.end();
  };
  // the first frame compiles the driver's code for the state used
  frame();
  glFinish();
  double wall = 0.0;
  double cpu = 0.0;
  for (auto _ : state) {
    const double w0 = wallSeconds();
    const double c0 = threadSeconds();
    frame();
    cpu += threadSeconds() - c0;
    glFinish();
    wall += wallSeconds() - w0;
  }
  const double n = static_cast<double>(state.iterations());
  const double clear = d.clearFrame();
  state.counters["clear_frames"] = wall / n / clear;
  state.counters["cpu_ms"] = cpu / n * 1e3;
  state.counters["fps"] = n / wall;
  d.device->setRenderScale(1.0f);
}

void BM_ClearOnlyFrame(benchmark::State& state) {
  Device& d = device();
  double cpu = 0.0;
  for (auto _ : state) {
    const double c0 = threadSeconds();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    cpu += threadSeconds() - c0;
    glFinish();
  }
  (void)d;
  state.counters["clear_frames"] = 1.0;
  state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations()) * 1e3;
}
BENCHMARK(BM_ClearOnlyFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

// Moments chosen where each effect draws the most: the tunnel during the
// greetings, the tower nearly whole before the explosion, the grid falling,
// a credit in full view.
void BM_EffectFrame_Clear(benchmark::State& state) { effectFrame<Clear>(state, "Clear", 60.0f, 176.0f); }
BENCHMARK(BM_EffectFrame_Clear)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

void BM_EffectFrame_Tunnel(benchmark::State& state) { effectFrame<Tunnel>(state, "Tunnel", 30.0f, 48.0f); }
BENCHMARK(BM_EffectFrame_Tunnel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// and 10 s in, where the path bends and most segments lie beside the view
void BM_EffectFrame_Tunnel_Bend(benchmark::State& state) { effectFrame<Tunnel>(state, "Tunnel", 10.0f, 48.0f); }
BENCHMARK(BM_EffectFrame_Tunnel_Bend)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_EffectFrame_Cubes(benchmark::State& state) { effectFrame<Cubes>(state, "Cubes", 26.0f, 64.0f); }
BENCHMARK(BM_EffectFrame_Cubes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

// The two heaviest at render scale 0.5, against the frames above.
void BM_EffectFrame_Tunnel_Scale050(benchmark::State& state) { effectFrame<Tunnel>(state, "Tunnel", 30.0f, 48.0f, 0.5f); }
BENCHMARK(BM_EffectFrame_Tunnel_Scale050)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_EffectFrame_Cubes_Scale050(benchmark::State& state) { effectFrame<Cubes>(state, "Cubes", 26.0f, 64.0f, 0.5f); }
BENCHMARK(BM_EffectFrame_Cubes_Scale050)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);

void BM_EffectFrame_Ascii(benchmark::State& state) { effectFrame<Ascii>(state, "Ascii", 6.0f, 8.0f); }
BENCHMARK(BM_EffectFrame_Ascii)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

void BM_EffectFrame_Cred(benchmark::State& state) { effectFrame<Cred>(state, "Cred", 5.0f, 40.0f); }
BENCHMARK(BM_EffectFrame_Cred)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

void BM_EffectFrame_End(benchmark::State& state) { effectFrame<End>(state, "End", 8.0f, 16.0f); }
BENCHMARK(BM_EffectFrame_End)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

}  // namespace
