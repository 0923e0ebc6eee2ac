// Hot paths of the maths types: per-frame matrix chains, transforming points,
// animation (slerp, quaternion to matrix) and the effects' random draws.

#include <benchmark/benchmark.h>

#include <vector>

#include "mb_matrix4x4col.h"
#include "mb_quatf.h"
#include "mb_random.h"

namespace {

using namespace zelkor::mathbase;

const int kCount = 1024;

std::vector<Matrix4x4Col> matrices() {
  RandomLCG random(1);
  std::vector<Matrix4x4Col> result(kCount);
  for (Matrix4x4Col& m : result)
    m.buildPRS(random.uniform3(-10, 10), Quatf(random.uniform(0.0f, 6.0f), random.randomOnSphere()),
               random.uniform3(0.5f, 2.0f));
  return result;
}

std::vector<Quatf> quaternions() {
  RandomLCG random(2);
  std::vector<Quatf> result(kCount);
  for (Quatf& q : result) q = Quatf(random.uniform(0.0f, 6.0f), random.randomOnSphere());
  return result;
}

void BM_MatrixTimesMatrix(benchmark::State& state) {
  const std::vector<Matrix4x4Col> m = matrices();
  int i = 0;
  for (auto _ : state) {
    Matrix4x4Col r = m[i] * m[(i + 1) & (kCount - 1)];
    benchmark::DoNotOptimize(r);
    i = (i + 1) & (kCount - 1);
  }
}
BENCHMARK(BM_MatrixTimesMatrix);

void BM_MatrixMultiplyFromRightInPlace(benchmark::State& state) {
  const std::vector<Matrix4x4Col> m = matrices();
  Matrix4x4Col acc;
  acc.setIdentity();
  int i = 0;
  for (auto _ : state) {
    if (i == 0) acc.setIdentity();  // keep the chain's values finite
    acc.multiplyFromRight(m[i]);
    benchmark::DoNotOptimize(acc);
    i = (i + 1) & 63;
  }
}
BENCHMARK(BM_MatrixMultiplyFromRightInPlace);

void BM_MatrixTimesPoints(benchmark::State& state) {
  const Matrix4x4Col m = matrices()[0];
  RandomLCG random(3);
  std::vector<Vector3f> points(kCount), out(kCount);
  for (Vector3f& p : points) p = random.uniform3(-5, 5);
  for (auto _ : state) {
    for (int i = 0; i < kCount; ++i) out[i] = m * points[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_MatrixTimesPoints);

void BM_MatrixTimesVector4(benchmark::State& state) {
  const Matrix4x4Col m = matrices()[0];
  RandomLCG random(4);
  std::vector<Vector4f> points(kCount), out(kCount);
  for (Vector4f& p : points) p = random.uniform4(-5, 5);
  for (auto _ : state) {
    for (int i = 0; i < kCount; ++i) out[i] = m * points[i];
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_MatrixTimesVector4);

void BM_QuatSlerp(benchmark::State& state) {
  const std::vector<Quatf> q = quaternions();
  int i = 0;
  float t = 0;
  for (auto _ : state) {
    Quatf r = Quatf::slerp(q[i], q[(i + 1) & (kCount - 1)], t);
    benchmark::DoNotOptimize(r);
    i = (i + 1) & (kCount - 1);
    t = t < 1 ? t + 0.001f : 0;
  }
}
BENCHMARK(BM_QuatSlerp);

void BM_QuatToMatrix(benchmark::State& state) {
  const std::vector<Quatf> q = quaternions();
  int i = 0;
  Matrix4x4Col m;
  for (auto _ : state) {
    m.setRot(q[i]);
    benchmark::DoNotOptimize(m);
    i = (i + 1) & (kCount - 1);
  }
}
BENCHMARK(BM_QuatToMatrix);

void BM_BuildPRS(benchmark::State& state) {
  const std::vector<Quatf> q = quaternions();
  int i = 0;
  Matrix4x4Col m;
  for (auto _ : state) {
    m.buildPRS(Vector3f(1, 2, 3), q[i], Vector3f(2, 2, 2));
    benchmark::DoNotOptimize(m);
    i = (i + 1) & (kCount - 1);
  }
}
BENCHMARK(BM_BuildPRS);

void BM_RandomNextLong(benchmark::State& state) {
  RandomLCG random(1);
  for (auto _ : state) benchmark::DoNotOptimize(random.nextLong());
}
BENCHMARK(BM_RandomNextLong);

void BM_RandomUniformFloat(benchmark::State& state) {
  RandomLCG random(1);
  for (auto _ : state) benchmark::DoNotOptimize(random.uniform(-1.0f, 1.0f));
}
BENCHMARK(BM_RandomUniformFloat);

void BM_RandomOnSphere(benchmark::State& state) {
  RandomLCG random(1);
  for (auto _ : state) {
    Vector3f p = random.randomOnSphere();
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_RandomOnSphere);

}  // namespace
