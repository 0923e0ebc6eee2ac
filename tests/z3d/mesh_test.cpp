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

void writeUVList(WriteBuffer& w, const std::string& name, int count) {
  w.openChunk(UV_LIST);
  w.write(name);
  for (int i = 0; i < count * 8; ++i) w.write(float(i));
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

TEST(MeshLoading, ListsAndSubmeshes) {
  std::unique_ptr<Mesh> mesh(loadMesh([](WriteBuffer& w) {
    w.write(std::string("kub"));
    writeVertices(w, {0, 1, 2, 2});
    writeUVList(w, "UVMap", 4);
    writeUVList(w, "Lightmap", 4);
    writePositions(w, {Vector3f(0, 0, 0), Vector3f(1, 0, 0), Vector3f(0, 1, 0)});
    writeSubmesh(w, 2, {{0, 1, 2}, {1, 2, 3}});
  }));
  EXPECT_EQ(mesh->getName(), "kub");
  EXPECT_EQ(mesh->getVertices().size(), 4);
  EXPECT_EQ(mesh->getVertices()[3].posIndex, 2);
  EXPECT_EQ(mesh->getVertices()[3].normal.z, 1.0f);
  ASSERT_EQ(mesh->getNumUV(), 2);
  EXPECT_EQ(mesh->getUV(0)->getName(), "UVMap");
  EXPECT_EQ(mesh->getUV(1)->getName(), "Lightmap");
  EXPECT_EQ((*mesh->getUV(1))[1].uv.x, 8.0f);
  EXPECT_EQ((*mesh->getUV(1))[1].bitangent.z, 15.0f);
  EXPECT_EQ(mesh->getPositions().size(), 3);
  ASSERT_EQ(mesh->getNumSubmesh(), 1);
  const Submesh* s = mesh->getSubmesh(0);
  EXPECT_EQ(s->getOwner(), mesh.get());
  EXPECT_EQ(s->getMaterialSlot(), 2);
  ASSERT_EQ(s->getTriangles().size(), 2);
  EXPECT_EQ(s->getTriangles()[1].v[2], 3);
}

TEST(MeshLoading, ElementCountsFollowThePayloadAfterTheName) {
  std::unique_ptr<Mesh> mesh(loadMesh([](WriteBuffer& w) {
    w.write(std::string("m"));
    writeUVList(w, std::string(40, 'u'), 3);
    writeBoneGroup(w, "forearm1", {{0, 1.0f}, {1, 0.5f}, {2, 0.25f}, {3, 0.125f}, {4, 0.0625f}});
    writePositions(w, std::vector<Vector3f>(5));
  }));
  ASSERT_EQ(mesh->getNumUV(), 1);
  EXPECT_EQ(mesh->getUV(0)->size(), 3);
  ASSERT_EQ(mesh->getNumBoneGroups(), 1);
  EXPECT_EQ(mesh->getBoneGroup(0)->getGroupName(), "forearm1");
  ASSERT_EQ(mesh->getBoneGroup(0)->getWeights().size(), 5);
  EXPECT_EQ(mesh->getBoneGroup(0)->getWeights()[4].weight, 0.0625f);
}

TEST(MeshLoading, BoxesSkipEmptySubmeshes) {
  std::unique_ptr<Mesh> mesh(loadMesh([](WriteBuffer& w) {
    w.write(std::string("m"));
    writeVertices(w, {0, 1, 2});
    writePositions(w, {Vector3f(1, 1, 1), Vector3f(2, 1.5f, 2), Vector3f(1.5f, 2, 1)});
    writeSubmesh(w, 0, {});
    writeSubmesh(w, 1, {{0, 1, 2}});
  }));
  const mathbase::Box3& sub = mesh->getSubmesh(1)->getBox();
  EXPECT_EQ(sub.mMin, Vector3f(1, 1, 1));
  EXPECT_EQ(sub.mMax, Vector3f(2, 2, 2));
  // submesh 0 is empty: the mesh box starts as the zero box
  EXPECT_EQ(mesh->getBox().mMin, Vector3f(0, 0, 0));
  EXPECT_EQ(mesh->getBox().mMax, Vector3f(2, 2, 2));

  Mesh none;
  MeshUtil::updateBox(&none);
  EXPECT_EQ(none.getBox().mMax, Vector3f(0, 0, 0));
}

TEST(MeshLoading, UnknownChildrenAreReportedAndSkipped) {
  StdoutCapture out;
  std::unique_ptr<Mesh> mesh(loadMesh([](WriteBuffer& w) {
    w.write(std::string("m"));
    w.openChunk(0x2300);
    w.write(1.0f);
    w.closeChunk();
    w.openChunk(SUBMESH);
    w.write(static_cast<uint8_t>(4));
    w.openChunk(0x2400);
    w.write(1.0f);
    w.closeChunk();
    w.closeChunk();
    writePositions(w, {Vector3f(1, 2, 3)});
  }));
  const std::string log = out.finish();
  EXPECT_NE(log.find("[warning][z3d::Mesh::loadChunk], mesh::Unknown chunk with ID=0x2300\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Submesh: Unknown chunk with ID=0x2400\n"), std::string::npos) << log;
  EXPECT_EQ(mesh->getSubmesh(0)->getMaterialSlot(), 4);
  EXPECT_EQ(mesh->getPositions().size(), 1);  // read after the unknown chunk
}

TEST(MeshLoading, UVListWithoutTerminatedNameIsSkipped) {
  StdoutCapture out;
  std::unique_ptr<Mesh> mesh(loadMesh([](WriteBuffer& w) {
    w.write(std::string("m"));
    w.openChunk(UV_LIST);
    for (int i = 0; i < 40; ++i) w.write(static_cast<uint8_t>('a'));
    w.closeChunk();
    writeUVList(w, "good", 1);
  }));
  EXPECT_NE(out.finish().find("Mesh 'm': texture-coordinate list without a terminated name; skipped"),
            std::string::npos);
  ASSERT_EQ(mesh->getNumUV(), 1);
  EXPECT_EQ(mesh->getUV(0)->getName(), "good");
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

TEST(MeshRepair, VerticesWithoutPositionsGo) {
  StdoutCapture out;
  std::unique_ptr<Mesh> mesh(loadMesh([](WriteBuffer& w) {
    w.write(std::string("flat"));
    writeVertices(w, {0, 0, 0});
    writeSubmesh(w, 0, {{0, 1, 2}});
  }));
  const std::string log = out.finish();
  EXPECT_NE(log.find("Mesh 'flat': 3 vertices but no positions; the vertices were dropped"), std::string::npos)
      << log;
  EXPECT_EQ(mesh->getVertices().size(), 0);
  EXPECT_EQ(mesh->getSubmesh(0)->getTriangles().size(), 0);
  EXPECT_EQ(MeshUtil::repair(mesh.get()), 0);  // nothing left to mend
}

TEST(MeshUtilTest, BoxOfAProgrammaticMeshIgnoresBadCorners) {
  Mesh mesh;
  mesh.getPositions().push_back(Vector3f(-1, 2, 3));
  Vertex v;
  v.posIndex = 0;
  mesh.getVertices().push_back(v);
  v.posIndex = 40;
  mesh.getVertices().push_back(v);
  Submesh* s = new Submesh;
  Triangle t;
  t.v[0] = 0;
  t.v[1] = 1;
  t.v[2] = 1000;
  s->getTriangles().push_back(t);
  mesh.addSubmesh(s);
  EXPECT_EQ(s->getOwner(), &mesh);
  MeshUtil::updateBox(&mesh);
  EXPECT_EQ(mesh.getBox().mMin, Vector3f(-1, 2, 3));
  EXPECT_EQ(mesh.getBox().mMax, Vector3f(-1, 2, 3));
}

TEST(MeshUtilTest, FindBoneWeights) {
  Mesh mesh;
  mesh.getPositions().resize(3);
  const float tiny = 0.000001f;
  // position 0: 0.5, tiny, 0.5 in groups 0, 1, 2; position 1: five weights; position 2: none
  const std::vector<std::vector<std::pair<int, float>>> groups = {
      {{0, 0.5f}, {1, 0.1f}}, {{0, tiny}, {1, 0.4f}}, {{0, 0.5f}, {1, 0.3f}}, {{1, 0.05f}}, {{1, 0.2f}}};
  for (size_t g = 0; g < groups.size(); ++g) {
    BoneGroup* group = new BoneGroup;
    for (const auto& pw : groups[g]) {
      BoneGroupWeight w;
      w.vertexIndex = pw.first;
      w.weight = pw.second;
      group->getWeights().push_back(w);
    }
    mesh.addBoneGroup(group);
  }
  std::vector<BoneVertex> bv(3);
  MeshUtil::findBoneWeights(&mesh, bv.data());
  EXPECT_EQ(std::vector<int>(bv[0].index, bv[0].index + 4), std::vector<int>({0, 2, 0, 0}));
  EXPECT_EQ(std::vector<float>(bv[0].weight, bv[0].weight + 4), std::vector<float>({0.5f, 0.5f, 0.0f, 0.0f}));
  // the four largest of 0.1, 0.4, 0.3, 0.05, 0.2, normalized by their sum 1.0
  EXPECT_EQ(std::vector<int>(bv[1].index, bv[1].index + 4), std::vector<int>({1, 2, 4, 0}));
  EXPECT_FLOAT_EQ(bv[1].weight[0], 0.4f);
  EXPECT_FLOAT_EQ(bv[1].weight[3], 0.1f);
  EXPECT_FLOAT_EQ(bv[1].weight[0] + bv[1].weight[1] + bv[1].weight[2] + bv[1].weight[3], 1.0f);
  EXPECT_EQ(std::vector<int>(bv[2].index, bv[2].index + 4), std::vector<int>({0, 0, 0, 0}));
  EXPECT_EQ(std::vector<float>(bv[2].weight, bv[2].weight + 4), std::vector<float>({0, 0, 0, 0}));

  // equal weights keep their order of arrival
  Mesh ties;
  ties.getPositions().resize(1);
  for (int g = 0; g < 3; ++g) {
    BoneGroup* group = new BoneGroup;
    BoneGroupWeight w;
    w.weight = 0.25f;
    group->getWeights().push_back(w);
    ties.addBoneGroup(group);
  }
  BoneVertex one;
  MeshUtil::findBoneWeights(&ties, &one);
  EXPECT_EQ(std::vector<int>(one.index, one.index + 4), std::vector<int>({0, 1, 2, 0}));
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

TEST(MaterialLoading, FlagsAttributesAndTextures) {
  const Bytes bytes = z3d_test::chunkBytes(MATERIAL, [](WriteBuffer& w) {
    w.write(std::string("stone"));
    z3d_test::chunkWithByte(w, MATERIAL_SHADELESS, 2);
    w.openChunk(MATERIAL_ATTRIBUTE);
    w.write(std::string("diffuse"));
    w.openChunk(VECTOR4);
    for (float f : {0.1f, 0.2f, 0.3f, 0.4f}) w.write(f);
    w.closeChunk();
    w.openChunk(TEXTURE);
    w.write(std::string("tex"));
    z3d_test::chunkWithByte(w, MATERIAL_TEXTURE_WRAPPING_MODE, 3);
    z3d_test::chunkWithString(w, IMAGE_REFERENCE, "stone.png");
    w.closeChunk();
    w.closeChunk();
  });
  Material m;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { m.loadChunk(r); });
  EXPECT_EQ(m.getName(), "stone");
  EXPECT_FALSE(m.isShadeless());       // byte 2 is not 1
  EXPECT_TRUE(m.isRecieveShadows());  // no chunk: default
  ASSERT_EQ(m.getNumAttributes(), 1);
  const Material::Attribute* a = m.getAttribute(0);
  EXPECT_EQ(a->getName(), "diffuse");
  EXPECT_EQ(a->getValue().w, 0.4f);
  ASSERT_EQ(a->getNumTextures(), 1);
  EXPECT_EQ(a->getTexture(0)->getName(), "tex");
  EXPECT_EQ(a->getTexture(0)->getWrappingMode(), 3);
  EXPECT_EQ(a->getTexture(0)->getImageReference(), "stone.png");
  m.clear();
  EXPECT_EQ(m.getNumAttributes(), 0);
  EXPECT_TRUE(m.isRecieveShadows());
}

TEST(MaterialLoading, UnknownChildrenAtEveryLevel) {
  const Bytes bytes = z3d_test::chunkBytes(MATERIAL, [](WriteBuffer& w) {
    w.write(std::string("m"));
    z3d_test::chunkWithByte(w, MATERIAL_RECIEVE_SHADOWS, 0);
    z3d_test::chunkWithString(w, 0x6600, "x");
    w.openChunk(MATERIAL_ATTRIBUTE);
    w.write(std::string("a"));
    z3d_test::chunkWithString(w, 0x6700, "x");
    w.openChunk(TEXTURE);
    w.write(std::string("t"));
    z3d_test::chunkWithString(w, 0x7100, "x");
    z3d_test::chunkWithString(w, IMAGE_REFERENCE, "img");
    w.closeChunk();
    w.closeChunk();
  });
  StdoutCapture out;
  Material m;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { m.loadChunk(r); });
  const std::string log = out.finish();
  EXPECT_NE(log.find("Material:Unknown chunk with ID=0x6600\n"), std::string::npos) << log;
  EXPECT_NE(log.find("material-attribute: Unknown chunk with ID=0x6700\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\nUnknown chunk with ID=0x7100\n"), std::string::npos) << log;  // printed plainly
  EXPECT_FALSE(m.isRecieveShadows());
  EXPECT_EQ(m.getAttribute(0)->getTexture(0)->getImageReference(), "img");
}

TEST(ImageLoading, NameAndFile) {
  const Bytes bytes = z3d_test::chunkBytes(IMAGE, [](WriteBuffer& w) {
    w.write(std::string("grass"));
    z3d_test::chunkWithString(w, 0x4100, "?");
    z3d_test::chunkWithString(w, FILENAME, "textures/grass.jpg");
  });
  StdoutCapture out;
  Image image;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { image.loadChunk(r); });
  EXPECT_EQ(out.finish(), "Unknown chunk with ID=0x4100\n");
  EXPECT_EQ(image.getName(), "grass");
  EXPECT_EQ(image.getFilename(), "textures/grass.jpg");
}

}  // namespace
