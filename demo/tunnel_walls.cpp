#include "tunnel_walls.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "am.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "mb_quatf.h"
#include "tunnel.h"
#include "z3d_manager.h"
#include "zlk_system.h"

using zelkor::Exception;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Quatf;
using zelkor::mathbase::Vector3f;

namespace {
const char kSceneFile[] = "tunnel/tunnel.z3d";
const char kSegmentMesh[] = "segment0";
// Segments farther than this are drawn one-sided. A face turned away shows
// only where the tube bends and a look out through a gap comes back to a
// segment's open outer side; that far, the fog leaves such a face within a
// few levels of what stands behind it, and the driver is spared about half
// the triangles of each such segment.
const float kOneSidedBeyond = 25.0f;
}  // namespace

bool tunnel::facesItsNormals(const zelkor::z3d::Mesh& mesh) {
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
      if ((corner[1] - corner[0]).cross(corner[2] - corner[0]).dot(normal) <= 0.0f) return false;
    }
  }
  return true;
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
  mSegmentOneSided = tunnel::facesItsNormals(*mesh);
}

void Tunnel::drawWalls(float pTimer, float, float) {
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  mDisplay->setShader(mSegmentShader);
  mdo.setColor(0.5f, 0.5f, 0.5f, 1.0f);
  for (int k = 0; k < tunnel::kSegments; ++k) {
    const zelkor::mathbase::Matrix4x4Col transform = tunnel::segmentTransform(k, pTimer);
    // the camera looks down -z: a segment whose reach lies wholly at +z is
    // behind it (the scale along the path is 1, so the reach holds)
    const Vector3f origin = cam.multiply(transform.multiply(Vector3f(0.0f, 0.0f, 0.0f)));
    if (origin.z > mSegmentReach) continue;
    if (mSegmentOneSided && -origin.z > kOneSidedBeyond) {
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
