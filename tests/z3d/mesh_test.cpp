#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "z3d_image.h"
#include "z3d_material.h"
#include "z3d_mesh.h"
#include "z3d_meshutil.h"
#include "z3d_test_util.h"

namespace {

using namespace zelkor::z3d;
namespace mathbase = zelkor::mathbase;
using kindra_test::StdoutCapture;
using mathbase::Vector3f;
using z3d_test::Bytes;

void writeVertices(WriteBuffer& w, const std::vector<int>& posIndices) {
  w.openChunk(VERTEX_LIST);
  for (int p : posIndices) {
    w.write(static_cast<int32_t>(p));
    for (float f : {0.0f, 0.0f, 1.0f}) w.write(f);
  }
  w.closeChunk();
}

void writePositions(WriteBuffer& w, const std::vector<Vector3f>& positions) {
  w.openChunk(POSITION_LIST);
  for (const Vector3f& p : positions)
    for (float f : {p.x, p.y, p.z}) w.write(f);
  w.closeChunk();
}

void writeSubmesh(WriteBuffer& w, uint8_t slot, const std::vector<std::vector<int>>& triangles) {
  w.openChunk(SUBMESH);
  w.write(slot);
  if (!triangles.empty()) {
    w.openChunk(TRIANGLE_LIST);
    for (const auto& t : triangles) {
      w.write(static_cast<uint8_t>(0));
      for (int v : t) w.write(static_cast<int32_t>(v));
    }
    w.closeChunk();
  }
  w.closeChunk();
}

void writeBoneGroup(WriteBuffer& w, const std::string& name, const std::vector<std::pair<int, float>>& weights) {
  w.openChunk(BONEGROUP);
  w.write(name);
  for (const auto& pw : weights) {
    w.write(static_cast<int32_t>(pw.first));
    w.write(pw.second);
  }
  w.closeChunk();
}

Mesh* loadMesh(const std::function<void(WriteBuffer&)>& body) {
  const Bytes bytes = z3d_test::chunkBytes(MESH, body);
  Mesh* mesh = new Mesh;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { mesh->loadChunk(r); });
  return mesh;
}

TEST(MeshRepair, IndicesOutsideTheListsAreMendedAndReported) {
  StdoutCapture out;
  std::unique_ptr<Mesh> mesh(loadMesh([](WriteBuffer& w) {
    w.write(std::string("broken"));
    writeVertices(w, {0, 1, 2, 99, -1});
    writePositions(w, {Vector3f(0, 0, 0), Vector3f(1, 0, 0), Vector3f(0, 5, 0)});
    writeSubmesh(w, 0, {{0, 1, 2}, {0, 1, 5}, {0, 1, -7}, {0, 1, 3}, {2, 1, 0}});
    writeBoneGroup(w, "b", {{0, 1.0f}, {3, 1.0f}, {-2, 1.0f}});
  }));
  const std::string log = out.finish();
  EXPECT_NE(log.find("Mesh 'broken': 2 vertices refer to positions outside the 3 there are"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Mesh 'broken': submesh 0: dropped 3 triangles"), std::string::npos) << log;
  EXPECT_NE(log.find("Mesh 'broken': bone group 'b': dropped 2 weights"), std::string::npos) << log;
  const TriangleList& t = mesh->getSubmesh(0)->getTriangles();
  ASSERT_EQ(t.size(), 2);
  EXPECT_EQ(t[1].v[0], 2);
  EXPECT_EQ(mesh->getVertices()[3].posIndex, 0);
  EXPECT_EQ(mesh->getVertices()[4].posIndex, 0);
  EXPECT_EQ(mesh->getBoneGroup(0)->getWeights().size(), 1);
  EXPECT_EQ(mesh->getBox().mMax, Vector3f(1, 5, 0));
}

TEST(MeshUtilTest, LimitBonesPerSubmesh) {
  Mesh mesh;
  mesh.setName("skin");
  mesh.getPositions().resize(2);
  Vertex v;
  mesh.getVertices().push_back(v);
  v.posIndex = 1;
  mesh.getVertices().push_back(v);
  for (int g = 0; g < 6; ++g) mesh.addBoneGroup(new BoneGroup);
  Submesh* s = new Submesh;
  Triangle t;
  t.v[2] = 1;
  s->getTriangles().push_back(t);
  mesh.addSubmesh(s);
  const BoneVertex bv[2] = {{{0, 1, 2, 0}, {0.5f, 0.3f, 0.2f, 0}}, {{3, 4, 3, 3}, {0.5f, 0.5f, 0, 0}}};
  EXPECT_TRUE(MeshUtil::limitBonesPerSubmesh(&mesh, bv, 5));
  StdoutCapture out;
  EXPECT_FALSE(MeshUtil::limitBonesPerSubmesh(&mesh, bv, 4));
  EXPECT_NE(out.finish().find("Mesh 'skin': submesh 0 uses 5 bones, more than the limit of 4"), std::string::npos);
  EXPECT_TRUE(MeshUtil::limitBonesPerSubmesh(&mesh, bv, 6));  // not more groups than the limit
}

}  // namespace
