// Evaluating a key-framed curve of 100 keys: at random times (each a fresh key
// search), at random times beyond its ends (repetition), and sweeping forward
// as the demo clock does; plus building the curve key by key and at once.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "mb_random.h"
#include "mb_splinebase.h"

namespace {

using namespace zelkor::mathbase;

const int kKeys = 100;
const int kTimes = 1024;

std::vector<SplineBaseKey<float> > keys() {
  RandomLCG random(5);
  std::vector<SplineBaseKey<float> > result;
  float t = 0;
  for (int i = 0; i < kKeys; ++i) {
    result.push_back(SplineBaseKey<float>(t, random.uniform(-1.0f, 1.0f)));
    t += random.uniform(0.01f, 0.2f);
  }
  return result;
}

SplineBasef curve(SplineBasef::InterpolationMode mode) {
  SplineBasef c(mode, true);
  c.setExtrapolationBefore(SplineBasef::EXT_REPEAT);
  c.setExtrapolationAfter(SplineBasef::EXT_REPEAT_ADD);
  const std::vector<SplineBaseKey<float> > k = keys();
  c.addKeys(k.begin(), k.end());
  return c;
}

std::vector<float> randomTimes(float from, float to) {
  RandomLCG random(6);
  std::vector<float> result(kTimes);
  for (float& t : result) t = random.uniform(from, to);
  return result;
}

void evaluateAll(benchmark::State& state, const SplineBasef& c, const std::vector<float>& times) {
  for (auto _ : state) {
    float sum = 0;
    for (float t : times) sum += c.evaluate(t);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(times.size()));
}

void BM_SplineEvaluateRandom(benchmark::State& state) {
  const SplineBasef c = curve(SplineBasef::InterpolationMode(state.range(0)));
  evaluateAll(state, c, randomTimes(c.getMinTime(), c.getMaxTime()));
}
BENCHMARK(BM_SplineEvaluateRandom)->Arg(SplineBasef::SQUARE)->Arg(SplineBasef::LINEAR)->Arg(SplineBasef::SMOOTH);

void BM_SplineEvaluateRepeated(benchmark::State& state) {
  const SplineBasef c = curve(SplineBasef::SMOOTH);
  const float len = c.getMaxTime() - c.getMinTime();
  evaluateAll(state, c, randomTimes(c.getMinTime() - 50 * len, c.getMaxTime() + 50 * len));
}
BENCHMARK(BM_SplineEvaluateRepeated);

void BM_SplineEvaluateSweep(benchmark::State& state) {
  const SplineBasef c = curve(SplineBasef::SMOOTH);
  std::vector<float> times(kTimes);
  for (int i = 0; i < kTimes; ++i) times[i] = c.getMinTime() + (c.getMaxTime() - c.getMinTime()) * i / kTimes;
  evaluateAll(state, c, times);
}
BENCHMARK(BM_SplineEvaluateSweep);

void BM_SplineAddKeysOneByOne(benchmark::State& state) {
  const std::vector<SplineBaseKey<float> > k = keys();
  for (auto _ : state) {
    SplineBasef c(SplineBasef::SMOOTH, true);
    for (const SplineBaseKey<float>& key : k) c.addKey(key);
    benchmark::DoNotOptimize(c.getMaxValue());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_SplineAddKeysOneByOne);

void BM_SplineAddKeysAtOnce(benchmark::State& state) {
  const std::vector<SplineBaseKey<float> > k = keys();
  for (auto _ : state) {
    SplineBasef c(SplineBasef::SMOOTH, true);
    c.addKeys(k.begin(), k.end());
    benchmark::DoNotOptimize(c.getMaxValue());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_SplineAddKeysAtOnce);

}  // namespace
