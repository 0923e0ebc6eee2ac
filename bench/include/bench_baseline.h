#pragma once
// Same-run baselines for throughput benchmarks: loading a file is given as a
// multiple of copying its bytes in memory, so that the figures hold on a
// loaded machine and compare between machines.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace kindra_bench {

// Seconds to copy `size` bytes once (the best of a few rounds).
inline double copySeconds(const void* data, size_t size) {
  std::vector<unsigned char> target(size);
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const int copies = 4;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < copies; ++i) {
      std::memcpy(target.data(), data, size);
      benchmark::ClobberMemory();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / copies;
    if (seconds < best) best = seconds;
  }
  benchmark::DoNotOptimize(target.data());
  return best;
}

// Times the benchmark loop from construction to report().
class CopyRatio {
 public:
  CopyRatio() : mStart(std::chrono::steady_clock::now()) {}
  // Sets the counter "x_copy": one iteration as a multiple of copying
  // `size` bytes of `data`.
  void report(benchmark::State& state, const void* data, size_t size) const {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
    const double iterations = static_cast<double>(state.iterations());
    if (iterations > 0 && size > 0) state.counters["x_copy"] = seconds / iterations / copySeconds(data, size);
  }

 private:
  std::chrono::steady_clock::time_point mStart;
};

}  // namespace kindra_bench
