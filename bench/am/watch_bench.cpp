// What live editing costs the frame loop: one look for changes per frame
// with every file of the demo's data watched, by change notices and by
// modification times. CPU time is the calling (main) thread's.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "am_filewatcher.h"

namespace {

using zelkor::am::FileWatcher;

void watchData(FileWatcher& watcher) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(KINDRA_DATA_DIR)) {
    if (entry.is_regular_file()) watcher.watch(entry.path().string(), entry.path().string());
  }
}

void BM_WatchFrame(benchmark::State& state) {
  FileWatcher watcher(state.range(0) ? FileWatcher::MODE_NOTIFY : FileWatcher::MODE_POLL);
  watchData(watcher);
  std::vector<std::string> changed;
  for (auto _ : state) {
    changed.clear();
    watcher.poll(changed);
    benchmark::DoNotOptimize(changed.data());
  }
  state.SetLabel(watcher.usesNotify() ? "notices" : "times");
  state.counters["files"] = static_cast<double>(watcher.getWatchedCount());
}
BENCHMARK(BM_WatchFrame)->Arg(1)->Arg(0)->MinTime(0.5);

// The frame on which the times are compared: every file's status asked.
void BM_WatchTimesLook(benchmark::State& state) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(KINDRA_DATA_DIR)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  for (auto _ : state) {
    FileWatcher watcher(FileWatcher::MODE_POLL);
    state.PauseTiming();
    for (const std::string& file : files) watcher.watch(file, file);
    state.ResumeTiming();
    std::vector<std::string> changed;
    watcher.poll(changed);
    benchmark::DoNotOptimize(changed.data());
  }
  state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_WatchTimesLook)->MinTime(0.5);

}  // namespace
