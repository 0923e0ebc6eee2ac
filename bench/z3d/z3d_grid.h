#pragma once
// A generated scene for the benchmarks: one mesh over a height field.

#include <cmath>

#include "z3d_manager.h"

namespace z3d_bench {

// A height field of n × n quads: (n + 1)² vertices sharing positions one to
// one, a UV list, and 2n² triangles in one submesh.
inline zelkor::z3d::Manager* makeGrid(int n) {
  using namespace zelkor::z3d;
  using zelkor::mathbase::Vector2f;
  using zelkor::mathbase::Vector3f;
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

}  // namespace z3d_bench
