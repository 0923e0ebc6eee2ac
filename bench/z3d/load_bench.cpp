// Loading and writing a generated scene of one mesh with about a million
// triangles, all in memory. Bytes per second are the file's size.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "z3d_manager.h"

namespace {

using namespace zelkor::z3d;
using zelkor::mathbase::Vector2f;
using zelkor::mathbase::Vector3f;

// A height field of n × n quads: (n + 1)² vertices sharing positions one to
// one, a UV list, and 2n² triangles in one submesh.
Manager* makeGrid(int n) {
  Mesh* mesh = new Mesh;
  mesh->setName("grid");
  UVList* uv = new UVList;
  uv->setName("UVMap");
  for (int y = 0; y <= n; ++y) {
    for (int x = 0; x <= n; ++x) {
      mesh->getPositions().push_back(Vector3f(float(x), std::sin(x * 0.1f) * std::cos(y * 0.1f), float(y)));
      Vertex v;
      v.posIndex = y * (n + 1) + x;
      v.normal = Vector3f(0, 1, 0);
      mesh->getVertices().push_back(v);
      UV e;
      e.uv = Vector2f(float(x) / n, float(y) / n);
      e.tangent = Vector3f(1, 0, 0);
      e.bitangent = Vector3f(0, 0, 1);
      uv->push_back(e);
    }
  }
  mesh->addUV(uv);
  Submesh* s = new Submesh;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const int i = y * (n + 1) + x;
      Triangle a, b;
      a.v[0] = i;
      a.v[1] = i + n + 1;
      a.v[2] = i + 1;
      b.v[0] = i + 1;
      b.v[1] = i + n + 1;
      b.v[2] = i + n + 2;
      s->getTriangles().push_back(a);
      s->getTriangles().push_back(b);
    }
  }
  mesh->addSubmesh(s);
  Manager* m = new Manager;
  m->addMesh(mesh);
  return m;
}

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
  for (auto _ : state) {
    Manager m;
    m.load(file.data(), static_cast<int>(file.size()));
    benchmark::DoNotOptimize(m.getMesh(0)->getBox());
  }
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
