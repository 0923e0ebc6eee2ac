// Start-up of the demo: from starting the program until it begins its first
// frame (setup file, archives, scripts, editor, loading screen, every
// effect's set-up including the cube tower), at 1280x720 in a scratch copy
// of data/. Also as a multiple of starting a process that only opens a
// 1280x720 window and clears it once, measured in the same run.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench_scratch.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "zlk_system.h"

namespace zelkor {
void zlk_log_callback(const LogData&) {}
}  // namespace zelkor

namespace {

using zelkor::display::DisplayGL;
using zelkor::display::WindowMode;

const char* const kReady = "---";

// A scratch copy of data/ with the window at 1280x720; removed at exit.
struct Work : demo_bench::ScratchData {
  Work() : demo_bench::ScratchData("startup", false, false) {}
};

Work& work() {
  static Work instance;
  return instance;
}

// Runs `child` in a new process whose output comes through a pipe; returns
// the seconds until it printed a line `kReady`, then stops it (-1 if it
// never did).
template <typename Child>
double secondsUntilReady(Child child) {
  int fds[2];
  if (pipe(fds) != 0) return -1.0;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    child();
    _exit(127);
  }
  close(fds[1]);
  FILE* out = fdopen(fds[0], "r");
  char line[4096];
  double seconds = -1.0;
  while (std::fgets(line, sizeof(line), out)) {
    if (std::string(line) == std::string(kReady) + "\n") {
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      break;
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  std::fclose(out);
  return seconds;
}

double openWindowOnly() {
  return secondsUntilReady([] {
    std::unique_ptr<DisplayGL> device(DisplayGL::create());
    WindowMode mode("startup bench", 1280, 720, false);
    device->open(mode);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    std::printf("%s\n", kReady);
    std::fflush(stdout);
    pause();
  });
}

void BM_StartupWindowOnly(benchmark::State& state) {
  double total = 0.0;
  for (auto _ : state) {
    const double seconds = openWindowOnly();
    if (seconds < 0) {
      state.SkipWithError("the window did not open");
      return;
    }
    total += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["window_starts"] = 1.0;
}
BENCHMARK(BM_StartupWindowOnly)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_StartupToFirstFrame(benchmark::State& state) {
  const std::string dir = work().dir;
  const std::string binary = std::string(KINDRA_BINARY_DIR) + "/demo/kindra";
  double total = 0.0;
  for (auto _ : state) {
    const double seconds = secondsUntilReady([&] {
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      if (chdir(dir.c_str()) != 0) _exit(126);
      execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    });
    if (seconds < 0) {
      state.SkipWithError("the demo did not start");
      return;
    }
    total += seconds;
    state.SetIterationTime(seconds);
  }
  // the baseline after the demo's runs, so that both see the same load
  double window = 0.0;
  for (int i = 0; i < 3; ++i) window += openWindowOnly();
  state.counters["window_starts"] = total / static_cast<double>(state.iterations()) / (window / 3.0);
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
