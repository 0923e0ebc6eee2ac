// The cubes scene's data: "cubes/kub.z3d" (the tower's cube, "Cube"),
// "cubes/zenit.z3d" (the marker on the top cube, "Mesh"),
// "waterworld/waterworld.z3d" (the unit planet "Waterworld": sea with a few
// low islands, flat around the north pole where the tower stands) and
// "clouds/particle.png" (one soft cloud puff).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <array>
#include <map>
#include <utility>

#include "am_image.h"
#include "asset_kit.h"
#include "z3d_manager.h"
#include "z3d_mesh.h"
#include "z3d_submesh.h"

namespace {

using namespace zelkor::z3d;
using zelkor::mathbase::Vector3f;

const float kPi = 3.14159265f;

// Collects flat or smooth geometry into a mesh with one submesh.
struct MeshBuilder {
  Mesh* mesh = new Mesh;
  Submesh* part = new Submesh;

  explicit MeshBuilder(const char* name) { mesh->setName(name); }

  int vertex(const Vector3f& p, const Vector3f& n) {
    mesh->getPositions().push_back(p);
    Vertex v;
    v.posIndex = static_cast<int>(mesh->getPositions().size()) - 1;
    v.normal = n;
    mesh->getVertices().push_back(v);
    return static_cast<int>(mesh->getVertices().size()) - 1;
  }
  void triangle(int a, int b, int c) {
    Triangle t;
    t.v[0] = a;
    t.v[1] = b;
    t.v[2] = c;
    part->getTriangles().push_back(t);
  }
  // A flat triangle, counter-clockwise seen from outside.
  void flat(const Vector3f& a, const Vector3f& b, const Vector3f& c) {
    const Vector3f n = (b - a).cross(c - a).getNormalized();
    triangle(vertex(a, n), vertex(b, n), vertex(c, n));
  }
  void quad(const Vector3f& a, const Vector3f& b, const Vector3f& c, const Vector3f& d) {
    flat(a, b, c);
    flat(a, c, d);
  }
  Mesh* finish() {
    mesh->addSubmesh(part);
    return mesh;
  }
};

std::string bytesOf(Manager& manager) {
  const std::vector<uint8_t> bytes = manager.write();
  return std::string(bytes.begin(), bytes.end());
}

// A cube of half-extent h with chamfered edges, so that the light catches
// its rims: each face is inset by b, joined by flat bevels.
Mesh* chamferedCube(const char* name, float h, float b) {
  MeshBuilder out(name);
  const float i = h - b;
  // face quads
  for (int axis = 0; axis < 3; ++axis) {
    for (int sign = -1; sign <= 1; sign += 2) {
      const int u = (axis + 1) % 3;
      const int v = (axis + 2) % 3;
      auto point = [&](float cu, float cv) {
        float c[3];
        c[axis] = sign * h;
        c[u] = cu;
        c[v] = cv;
        return Vector3f(c[0], c[1], c[2]);
      };
      Vector3f q[4] = {point(-i, -i), point(i, -i), point(i, i), point(-i, i)};
      if (sign < 0) std::swap(q[1], q[3]);
      out.quad(q[0], q[1], q[2], q[3]);
    }
  }
  // edge bevels and corner triangles, from the 8 corners' inset points
  auto at = [&](int sx, int sy, int sz, int axis) {
    // the corner's point on the face perpendicular to `axis`
    float c[3] = {sx * i, sy * i, sz * i};
    c[axis] = (axis == 0 ? sx : axis == 1 ? sy : sz) * h;
    return Vector3f(c[0], c[1], c[2]);
  };
  for (int sx = -1; sx <= 1; sx += 2) {
    for (int sy = -1; sy <= 1; sy += 2) {
      for (int sz = -1; sz <= 1; sz += 2) {
        Vector3f a = at(sx, sy, sz, 0), bb = at(sx, sy, sz, 1), c = at(sx, sy, sz, 2);
        const Vector3f centre(sx * h, sy * h, sz * h);
        if ((bb - a).cross(c - a).dot(centre) < 0) std::swap(bb, c);
        out.flat(a, bb, c);
      }
    }
  }
  // bevels along the 12 edges: between the faces of axes p and q
  for (int axis = 0; axis < 3; ++axis) {  // the edge runs along `axis`
    const int p = (axis + 1) % 3;
    const int q = (axis + 2) % 3;
    for (int sp = -1; sp <= 1; sp += 2) {
      for (int sq = -1; sq <= 1; sq += 2) {
        auto point = [&](float along, int face) {
          float c[3];
          c[axis] = along;
          c[p] = sp * (face == p ? h : i);
          c[q] = sq * (face == q ? h : i);
          return Vector3f(c[0], c[1], c[2]);
        };
        Vector3f a = point(-i, p), bb = point(i, p), c = point(i, q), d = point(-i, q);
        float dir[3] = {0, 0, 0};
        dir[p] = static_cast<float>(sp);
        dir[q] = static_cast<float>(sq);
        if ((bb - a).cross(c - a).dot(Vector3f(dir[0], dir[1], dir[2])) < 0) {
          std::swap(a, bb);
          std::swap(c, d);
        }
        out.quad(a, bb, c, d);
      }
    }
  }
  return out.finish();
}

// The marker over the top cube, pointing along -z: a ring of six blades
// around a spire.
Mesh* zenitMarker() {
  MeshBuilder out("Mesh");
  const int blades = 6;
  const Vector3f tip(0, 0, -1.0f);
  const float r = 0.12f;
  for (int k = 0; k < blades; ++k) {
    const float a0 = 2 * kPi * k / blades;
    const float a1 = 2 * kPi * (k + 1) / blades;
    const Vector3f p0(std::cos(a0) * r, std::sin(a0) * r, -0.15f);
    const Vector3f p1(std::cos(a1) * r, std::sin(a1) * r, -0.15f);
    out.flat(p0, p1, tip);
    out.flat(p1, p0, Vector3f(0, 0, -0.05f));
    // a blade leaning out from the ring
    const float am = (a0 + a1) * 0.5f;
    const Vector3f root0(std::cos(am - 0.12f) * 0.2f, std::sin(am - 0.12f) * 0.2f, -0.2f);
    const Vector3f root1(std::cos(am + 0.12f) * 0.2f, std::sin(am + 0.12f) * 0.2f, -0.2f);
    const Vector3f outer(std::cos(am) * 0.65f, std::sin(am) * 0.65f, -0.55f);
    out.flat(root0, root1, outer);
    out.flat(root1, root0, outer);
  }
  return out.finish();
}

// Smooth value noise on the unit sphere, from hashed lattice points.
float hash3(int x, int y, int z) {
  uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
               static_cast<uint32_t>(z) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<float>(h & 0xffffu) / 65535.0f;
}
float valueNoise(const Vector3f& p) {
  const int x0 = static_cast<int>(std::floor(p.x)), y0 = static_cast<int>(std::floor(p.y)),
            z0 = static_cast<int>(std::floor(p.z));
  const float fx = p.x - x0, fy = p.y - y0, fz = p.z - z0;
  auto s = [](float t) { return t * t * (3 - 2 * t); };
  const float ux = s(fx), uy = s(fy), uz = s(fz);
  float result = 0;
  for (int c = 0; c < 8; ++c) {
    const int dx = c & 1, dy = (c >> 1) & 1, dz = (c >> 2) & 1;
    const float w = (dx ? ux : 1 - ux) * (dy ? uy : 1 - uy) * (dz ? uz : 1 - uz);
    result += w * hash3(x0 + dx, y0 + dy, z0 + dz);
  }
  return result;
}

// Radius of the planet's surface in a direction: sea level 1, islands rising
// a little above it, kept flat within the tower's ground around the pole.
float surfaceRadius(const Vector3f& dir) {
  const float n = valueNoise(dir * 4.0f) * 0.6f + valueNoise(dir * 9.0f) * 0.3f + valueNoise(dir * 21.0f) * 0.1f;
  float land = std::max(0.0f, n - 0.52f) * 0.12f;
  const float fromPole = std::acos(std::min(1.0f, std::max(-1.0f, dir.y)));
  const float keep = std::min(1.0f, std::max(0.0f, (fromPole - 0.45f) / 0.25f));
  return 1.0f + land * keep;
}

// A geodesic sphere (subdivided icosahedron) of even triangles, so that its
// wireframe is an even net, shaped by surfaceRadius with smooth normals.
Mesh* waterworld() {
  std::vector<Vector3f> points;
  std::vector<std::array<int, 3>> faces;
  const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
  const float base[12][3] = {{-1, t, 0}, {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                             {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
  for (const auto& b : base) points.push_back(Vector3f(b[0], b[1], b[2]).getNormalized());
  faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
           {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
           {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  for (int level = 0; level < 5; ++level) {
    std::map<std::pair<int, int>, int> middle;
    auto mid = [&](int a, int b) {
      const std::pair<int, int> key(std::min(a, b), std::max(a, b));
      auto found = middle.find(key);
      if (found != middle.end()) return found->second;
      points.push_back(((points[a] + points[b]) * 0.5f).getNormalized());
      const int index = static_cast<int>(points.size()) - 1;
      middle[key] = index;
      return index;
    };
    std::vector<std::array<int, 3>> next;
    for (const auto& f : faces) {
      const int a = mid(f[0], f[1]), b = mid(f[1], f[2]), c = mid(f[2], f[0]);
      next.push_back({f[0], a, c});
      next.push_back({f[1], b, a});
      next.push_back({f[2], c, b});
      next.push_back({a, b, c});
    }
    faces.swap(next);
  }
  MeshBuilder out("Waterworld");
  std::vector<Vector3f> shaped;
  for (const Vector3f& p : points) shaped.push_back(p * surfaceRadius(p));
  std::vector<Vector3f> normals(points.size(), Vector3f(0, 0, 0));
  for (const auto& f : faces) {
    const Vector3f n = (shaped[f[1]] - shaped[f[0]]).cross(shaped[f[2]] - shaped[f[0]]);
    for (int k = 0; k < 3; ++k) normals[f[k]] += n;
  }
  for (size_t k = 0; k < points.size(); ++k) out.vertex(shaped[k], normals[k].getNormalized());
  for (const auto& f : faces) out.triangle(f[0], f[1], f[2]);
  return out.finish();
}

std::string makeKub() {
  Manager manager;
  manager.addMesh(chamferedCube("Cube", 0.7f, 0.08f));
  return bytesOf(manager);
}

std::string makeZenit() {
  Manager manager;
  manager.addMesh(zenitMarker());
  return bytesOf(manager);
}

std::string makeWaterworld() {
  Manager manager;
  manager.addMesh(waterworld());
  return bytesOf(manager);
}

// A soft round puff: white, its alpha falling off from the middle and broken
// up by noise so that stacked puffs read as cloud rather than discs.
std::string makeParticle() {
  const int size = 64;
  zelkor::am::Image image(new zelkor::am::ImageObject(size, size));
  unsigned char* pixels = image->getWriteData();
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = (x + 0.5f) / size * 2 - 1, dy = (y + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(dx * dx + dy * dy);
      const float fall = std::max(0.0f, 1.0f - r);
      const float n = valueNoise(Vector3f(x * 0.15f, y * 0.15f, 3.5f)) * 0.6f +
                      valueNoise(Vector3f(x * 0.35f, y * 0.35f, 7.25f)) * 0.4f;
      const float alpha = std::min(1.0f, fall * fall * (0.55f + 0.9f * n));
      unsigned char* p = pixels + (y * size + x) * 4;
      const unsigned char shade = static_cast<unsigned char>(std::lround(255.0f * (0.85f + 0.15f * n)));
      p[0] = p[1] = p[2] = shade;
      p[3] = static_cast<unsigned char>(std::lround(alpha * 255.0f));
    }
  }
  return kindra_assets::encodePng(image);
}

}  // namespace

std::vector<kindra_assets::Asset> kindra_assets::generatedAssets() {
  return {{"cubes/kub.z3d", makeKub},
          {"cubes/zenit.z3d", makeZenit},
          {"waterworld/waterworld.z3d", makeWaterworld},
          {"clouds/particle.png", makeParticle}};
}
