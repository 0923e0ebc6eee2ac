// The editor's own work per frame: the shipped demo at 1280x720 with the
// shipped layout, every effect unfolded and the beat grid on, paused where
// the demo opens. Measured on the main thread's CPU clock: the toolkit's and
// the editor's update and draw with the editor shown, against the whole frame
// (effects and editor) with the editor hidden, in the same run. The driver's
// rasterising after the calls (glFinish) is not counted.

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "bench_scratch.h"
#include "demo_effects.h"
#include "dis_glinclude.h"
#include "kin_gui.h"
#include "kin_main.h"
#include "tes_control.h"

namespace {

using zelkor::kindra::Effect;
using zelkor::kindra::Kindra;

double threadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A scratch copy of data/ at 1280x720 without sound, the working directory
// while it lives.
struct Work : demo_bench::ScratchData {
  Work() : demo_bench::ScratchData("editor", true, true) {}
};

// Runs `hook` once, in the first frame after loading.
class HookedKindra : public Kindra {
 public:
  void onDraw() override {
    Kindra::onDraw();
    if (isRunningSetup() || !hook) return;
    std::function<void()> run;
    run.swap(hook);
    run();
  }
  std::function<void()> hook;
};

void closeWindow() {
  GLFWwindow* window = glfwGetCurrentContext();
  GLFWwindowclosefun close = glfwSetWindowCloseCallback(window, nullptr);
  glfwSetWindowCloseCallback(window, close);
  if (close) close(window);
}

void BM_EditorFrame(benchmark::State& state) {
  Work work;
  HookedKindra engine;
  engine.setup(-1.0f);
  registerDemoEffects(engine);
  bool ran = false;
  engine.hook = [&] {
    ran = true;
    zelkor::kindra::Gui* gui = engine.getGui();
    if (!gui || !gui->getRuler()) {
      state.SkipWithError("no editor");
      closeWindow();
      return;
    }
    zelkor::display::KeyEvent space;
    space.key = zelkor::display::KEY_SPACE;
    engine.onKeyDown(space);
    for (Effect* effect : engine.getEffects()) effect->setFolded(false);
    zelkor::tessel::Tessel& tessel = gui->getTessel();
    zelkor::tessel::Control* workspace = tessel.findControl("workspace");
    zelkor::display::DisplayGL* display = engine.getDisplay();
    // one frame as the device makes it: state reset, the engine, the
    // toolkit, the editor; the seconds of the editor's part and of the whole
    auto frame = [&](bool shown, double& editor, double& whole) {
      workspace->setVisible(shown);
      display->resetStates();
      const double c0 = threadSeconds();
      engine.Kindra::onDraw();
      const double c1 = threadSeconds();
      tessel.onDraw();
      gui->onDraw();
      const double c2 = threadSeconds();
      glFinish();
      editor += c2 - c1;
      whole += c2 - c0;
    };
    double editor = 0.0, shownWhole = 0.0, hiddenEditor = 0.0, hidden = 0.0;
    // the first frames build what the driver needs for each state used
    for (int i = 0; i < 3; ++i) {
      frame(true, editor, shownWhole);
      frame(false, hiddenEditor, hidden);
    }
    editor = shownWhole = hiddenEditor = hidden = 0.0;
    for (auto _ : state) {
      frame(true, editor, shownWhole);
      frame(false, hiddenEditor, hidden);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["editor_cpu_ms"] = editor / n * 1e3;
    state.counters["shown_frame_cpu_ms"] = shownWhole / n * 1e3;
    state.counters["hidden_frame_cpu_ms"] = hidden / n * 1e3;
    state.counters["hidden_editor_cpu_ms"] = hiddenEditor / n * 1e3;
    closeWindow();
  };
  engine.run();
  if (!ran) state.SkipWithError("the demo did not start");
}
BENCHMARK(BM_EditorFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
