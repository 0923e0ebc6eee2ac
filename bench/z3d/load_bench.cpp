// Loading and writing a generated scene of one mesh with about a million
// triangles, all in memory. Bytes per second are the file's size.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench_baseline.h"
#include "z3d_grid.h"
#include "z3d_manager.h"

namespace {

using namespace zelkor::z3d;
using z3d_bench::makeGrid;

const int kGrid = 708;  // 2 · 708² = 1 002 528 triangles

const std::vector<uint8_t>& millionTriangleFile() {
  static const std::vector<uint8_t> bytes = [] {
    Manager* m = makeGrid(kGrid);
    std::vector<uint8_t> b = m->write();
    delete m;
    return b;
  }();
  return bytes;
}

void BM_LoadMillionTriangles(benchmark::State& state) {
  const std::vector<uint8_t>& file = millionTriangleFile();
  const kindra_bench::CopyRatio ratio;
  for (auto _ : state) {
    Manager m;
    m.load(file.data(), static_cast<int>(file.size()));
    benchmark::DoNotOptimize(m.getMesh(0)->getBox());
  }
  ratio.report(state, file.data(), file.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
  state.counters["triangles"] = 2.0 * kGrid * kGrid;
  state.counters["file_MB"] = file.size() / 1e6;
  state.counters["triangles/s"] =
      benchmark::Counter(2.0 * kGrid * kGrid * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadMillionTriangles)->Unit(benchmark::kMillisecond);

void BM_WriteMillionTriangles(benchmark::State& state) {
  Manager* m = makeGrid(kGrid);
  size_t size = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> bytes = m->write();
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
  delete m;
}
BENCHMARK(BM_WriteMillionTriangles)->Unit(benchmark::kMillisecond);

}  // namespace
