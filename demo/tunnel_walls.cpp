#include "tunnel_walls.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "am.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "mb_quatf.h"
#include "tunnel.h"
#include "z3d_manager.h"
#include "zlk_system.h"

using zelkor::Exception;
using zelkor::mathbase::Box3;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Quatf;
using zelkor::mathbase::Vector3f;

namespace {
const char kSceneFile[] = "tunnel/tunnel.z3d";
const char kSegmentMesh[] = "segment0";
// Segments of a mesh that is not made of solids are drawn one-sided farther
// than this. A face turned away shows only where the tube bends and a look
// out through a gap comes back to a segment's open outer side; that far, the
// fog leaves such a face within a few levels of what stands behind it, and
// the driver is spared about half the triangles of each such segment.
const float kOneSidedBeyond = 25.0f;
// Past the corners of the near plane (0.2 units ahead) at any usual aspect.
const float kNearMargin = 0.5f;

// Calls f(corners, normal sum) for each triangle; false at an index out of range.
template <typename F>
bool forEachTriangle(const zelkor::z3d::Mesh& mesh, F f) {
  const zelkor::z3d::VertexList& vertices = mesh.getVertices();
  const zelkor::z3d::PositionList& positions = mesh.getPositions();
  for (int s = 0; s < mesh.getNumSubmesh(); ++s) {
    const zelkor::z3d::TriangleList& triangles = mesh.getSubmesh(s)->getTriangles();
    for (int t = 0; t < triangles.size(); ++t) {
      Vector3f corner[3], normal;
      for (int i = 0; i < 3; ++i) {
        const int v = triangles[t].v[i];
        if (v < 0 || v >= vertices.size()) return false;
        const int p = vertices[v].posIndex;
        if (p < 0 || p >= positions.size()) return false;
        corner[i] = positions[p];
        normal += vertices[v].normal;
      }
      if (!f(corner, normal)) return false;
    }
  }
  return true;
}
}  // namespace

bool tunnel::facesItsNormals(const zelkor::z3d::Mesh& mesh) {
  return forEachTriangle(mesh, [](const Vector3f* corner, const Vector3f& normal) {
    return (corner[1] - corner[0]).cross(corner[2] - corner[0]).dot(normal) > 0.0f;
  });
}

bool tunnel::enclosesSolids(const zelkor::z3d::Mesh& mesh, std::vector<Box3>* solids) {
  // corners by value: the faces of a piece share positions, not vertices
  std::map<std::array<float, 3>, int> ids;
  std::vector<Vector3f> at;
  std::vector<int> piece;  // union-find over the corners
  auto find = [&](int i) {
    while (piece[i] != i) i = piece[i] = piece[piece[i]];
    return i;
  };
  std::map<std::pair<int, int>, int> edges;  // walks of each directed edge
  std::vector<std::array<int, 3>> triangles;
  const bool valid = forEachTriangle(mesh, [&](const Vector3f* corner, const Vector3f&) {
    std::array<int, 3> id;
    for (int i = 0; i < 3; ++i) {
      const Vector3f& p = corner[i];
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
      const auto it = ids.emplace(std::array<float, 3>{p.x, p.y, p.z}, static_cast<int>(at.size())).first;
      if (it->second == static_cast<int>(at.size())) {
        at.push_back(p);
        piece.push_back(it->second);
      }
      id[i] = it->second;
    }
    for (int i = 0; i < 3; ++i) {
      ++edges[{id[i], id[(i + 1) % 3]}];
      piece[find(id[i])] = find(id[(i + 1) % 3]);
    }
    triangles.push_back(id);
    return true;
  });
  if (!valid || triangles.empty()) return false;
  for (const auto& e : edges) {
    const auto back = edges.find({e.first.second, e.first.first});
    if (back == edges.end() || back->second != e.second) return false;
  }
  std::map<int, double> volume;  // six times each piece's
  std::map<int, Box3> bounds;
  for (const std::array<int, 3>& t : triangles) {
    const int root = find(t[0]);
    volume[root] += at[t[0]].dot(at[t[1]].cross(at[t[2]]));
    Box3& b = bounds.emplace(root, Box3(at[t[0]], at[t[0]])).first->second;
    for (int i : t) b.setUnion(at[i]);
  }
  for (const auto& v : volume) {
    if (!(v.second > 0.0)) return false;
  }
  if (solids) {
    solids->clear();
    for (const auto& b : bounds) solids->push_back(b.second);
  }
  return true;
}

bool tunnel::inView(const Vector3f& centre, float reach, float slopeX, float slopeY) {
  // each side plane passes through the eye: the sphere is out when its
  // centre lies farther than `reach` beyond one of them
  return std::fabs(centre.x) + slopeX * centre.z <= reach * std::sqrt(1.0f + slopeX * slopeX) &&
         std::fabs(centre.y) + slopeY * centre.z <= reach * std::sqrt(1.0f + slopeY * slopeY);
}

bool tunnel::nearSolid(const std::vector<Box3>& solids, const Vector3f& p, float margin) {
  for (Box3 b : solids) {
    b.expand(margin);
    if (b.isInside(p)) return true;
  }
  return false;
}

float tunnel::oneSidedBeyond(const zelkor::z3d::Mesh& mesh, std::vector<Box3>* solids) {
  if (solids) solids->clear();
  if (!facesItsNormals(mesh)) return std::numeric_limits<float>::infinity();
  if (enclosesSolids(mesh, solids)) return -std::numeric_limits<float>::infinity();
  return kOneSidedBeyond;
}

Matrix4x4Col tunnel::segmentTransform(int k, float pTimer) {
  const float segmentLength = 1.0f;
  const Vector3f here = Tunnel::getSpline(k / 200.0f);
  Matrix4x4Col t;
  t.buildPRS(here, Quatf(), Vector3f(1.0f, 1.0f, segmentLength));
  Vector3f norm = Tunnel::getSpline((k + 1) / 200.0f) - here;
  norm.normalize();
  const Quatf rotate(1.5707964f, Vector3f(1, 0, 0));
  const Quatf rotta(std::cos(0.5f * pTimer + 0.5f * k), Vector3f(0, 0, 1));
  const Quatf up(Vector3f(0, 0, 1), norm);
  t = t * Matrix4x4Col((up * rotta) * rotate);
  return t;
}

void Tunnel::setupWalls() {
  const std::unique_ptr<zelkor::display::VertexDef> def(zelkor::display::VertexP3N3::getVertexDef("va_"));
  mSegmentVD = *def;
  loadWalls();
  mSegmentShader = mDisplay->createShader("tunnel/walls", &mSegmentVD);
}

bool Tunnel::reloadFile(const std::string& filename) {
  if (filename != kSceneFile) return false;
  loadWalls(true);
  return true;
}

void Tunnel::loadWalls(bool live) {
  zelkor::am::File file = mDisplay->getArchive()->readFile(kSceneFile);
  if (file.isNull()) throw Exception("Could not open file %s", kSceneFile);
  if (file->length > 0x7fffffff) throw Exception("%s: The scene file is too large", kSceneFile);
  zelkor::z3d::Manager scene;
  scene.load(file->data, static_cast<int>(file->length), kSceneFile);
  const zelkor::z3d::Mesh* mesh = scene.getMesh(kSegmentMesh);
  // without it there would be no walls to draw
  if (!mesh) throw Exception("%s: The scene has no mesh '%s'", kSceneFile, kSegmentMesh);
  // a file cut short reads as an empty mesh: while the demo plays, the walls stay
  if (live && (mesh->getVertices().size() == 0 || mesh->getNumSubmesh() == 0)) {
    throw Exception("%s: The mesh '%s' has no triangles", kSceneFile, kSegmentMesh);
  }
  std::unique_ptr<zelkor::brontel::Mesh> segment(new zelkor::brontel::Mesh);
  segment->load(mDisplay, mesh, &mSegmentVD, "va_", nullptr);
  float reach = 0.0f;
  const zelkor::z3d::PositionList& positions = mesh->getPositions();
  for (int i = 0; i < positions.size(); ++i) reach = std::max(reach, positions[i].length());
  delete mSegment[0];
  mSegment[0] = segment.release();
  mSegmentReach = reach;
  mSegmentOneSidedBeyond = tunnel::oneSidedBeyond(*mesh, &mSegmentSolids);
}

void Tunnel::drawWalls(float pTimer, float, float) {
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  mDisplay->setShader(mSegmentShader);
  mdo.setColor(0.5f, 0.5f, 0.5f, 1.0f);
  const Vector3f eye = camInv.multiply(Vector3f(0.0f, 0.0f, 0.0f));
  for (int k = 0; k < tunnel::kSegments; ++k) {
    const zelkor::mathbase::Matrix4x4Col transform = tunnel::segmentTransform(k, pTimer);
    // the camera looks down -z: a segment whose reach lies wholly at +z is
    // behind it (the scale along the path is 1, so the reach holds)
    const Vector3f origin = cam.multiply(transform.multiply(Vector3f(0.0f, 0.0f, 0.0f)));
    if (origin.z > mSegmentReach) continue;
    // where the path bends, many segments lie wholly beside the view
    if (!tunnel::inView(origin, mSegmentReach, mViewSlope[0], mViewSlope[1])) continue;
    bool oneSided = -origin.z > mSegmentOneSidedBeyond;
    if (oneSided && origin.length() < mSegmentReach + kNearMargin) {
      Matrix4x4Col toLocal;
      oneSided = transform.getInverse(toLocal) &&
                 !tunnel::nearSolid(mSegmentSolids, toLocal.multiply(eye), kNearMargin);
    }
    if (oneSided) {
      glEnable(GL_CULL_FACE);
    } else {
      glDisable(GL_CULL_FACE);
    }
    mdo.setTransform(transform);
    mSegment[0]->draw();
  }
  glDisable(GL_CULL_FACE);
  mDisplay->setShader(nullptr);
  mDisplay->setVBO(nullptr);
  mDisplay->setIBO(nullptr);
  glDisable(GL_DEPTH_TEST);
  mDisplay->setTexture(nullptr, 0);
}
