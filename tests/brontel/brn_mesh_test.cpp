// GPU meshes: index ranges per submesh, index widths, the vertex layout
// filled by attribute name, refusal of indices outside the lists, and scene
// meshes written, read back and drawn.

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "brn_mesh.h"
#include "dis_vboibo_gl.h"
#include "gpu_fixture.h"
#include "z3d_manager.h"
#include "z3d_meshutil.h"

namespace {

using namespace zelkor;
using display::VBO_GL;
using display::VertexAttribute;
using display::VertexDef;
using gpu_test::GpuTest;
using gpu_test::Rgba;
using mathbase::Vector2f;
using mathbase::Vector3f;

// Appends a quad from (x0, y0) to (x1, y1) at depth 0 as two triangles of a
// new submesh. Positions are stored in reverse corner order so that the
// vertices reach them only through their position indices.
z3d::Submesh* addQuad(z3d::Mesh* mesh, float x0, float y0, float x1, float y1, const Vector3f& normal) {
  const int firstPosition = mesh->getPositions().size();
  const int firstVertex = mesh->getVertices().size();
  const Vector3f corners[4] = {Vector3f(x0, y0, 0), Vector3f(x1, y0, 0), Vector3f(x1, y1, 0), Vector3f(x0, y1, 0)};
  for (int i = 3; i >= 0; --i) mesh->getPositions().push_back(corners[i]);
  for (int i = 0; i < 4; ++i) {
    z3d::Vertex v;
    v.posIndex = firstPosition + 3 - i;
    v.normal = normal;
    mesh->getVertices().push_back(v);
  }
  z3d::Submesh* submesh = new z3d::Submesh;
  const int order[6] = {0, 1, 2, 0, 2, 3};
  for (int t = 0; t < 2; ++t) {
    z3d::Triangle triangle;
    for (int k = 0; k < 3; ++k) triangle.v[k] = firstVertex + order[3 * t + k];
    submesh->getTriangles().push_back(triangle);
  }
  mesh->addSubmesh(submesh);
  return submesh;
}

// `count` floats at byte `offset` of vertex `vertex`.
std::vector<float> floatsAt(const brontel::Mesh& mesh, int vertex, int offset, int count) {
  const VBO_GL* vbo = static_cast<const VBO_GL*>(mesh.getVBO());
  std::vector<float> out(count);
  std::memcpy(out.data(), vbo->getCPUCopy() + vertex * vbo->getFormat()->getVertexSize() + offset, 4 * count);
  return out;
}

std::vector<int> bytesAt(const brontel::Mesh& mesh, int vertex, int offset, int count) {
  const VBO_GL* vbo = static_cast<const VBO_GL*>(mesh.getVBO());
  const unsigned char* p = vbo->getCPUCopy() + vertex * vbo->getFormat()->getVertexSize() + offset;
  return std::vector<int>(p, p + count);
}

class MeshTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    p3n3.reset(display::VertexP3N3::getVertexDef("va_"));
  }
  void TearDown() override {
    if (device) {
      device->resetStates();
      if (shader) shader->destroy();
    }
    GpuTest::TearDown();
  }

  // Pixel space, black, and a program that shows each normal as a colour.
  void begin() {
    if (!shader) {
      writeText("fx/mesh.vert",
                "attribute vec3 va_position;\n"
                "attribute vec3 va_normal;\n"
                "varying vec3 vNormal;\n"
                "void main() {\n"
                "  vNormal = va_normal;\n"
                "  gl_Position = gl_ModelViewProjectionMatrix * vec4(va_position, 1.0);\n"
                "}\n");
      writeText("fx/mesh.frag",
                "varying vec3 vNormal;\n"
                "void main() { gl_FragColor = vec4(vNormal, 1.0); }\n");
      shader = device->createShader("fx/mesh", p3n3.get());
    }
    pixelSpace();
    clear(0, 0, 0);
    device->setShader(shader);
  }
  Rgba at(int x, int y) {
    Rgba c = pixel(x, y);
    c.a = 255;
    return c;
  }

  const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, black{0, 0, 0, 255};
  std::unique_ptr<VertexDef> p3n3;
  display::Shader* shader = nullptr;
};

TEST_F(MeshTest, AttributesAreFilledByPrefixedNameAndComponentCountAndBonesByWeight) {
  z3d::Mesh scene;
  scene.setName("probe");
  addQuad(&scene, 1, 2, 3, 4, Vector3f(0, 0, 1));
  z3d::UVList* uv = new z3d::UVList;
  uv->setName("UVMap");
  for (int i = 0; i < 4; ++i) {
    z3d::UV e;
    e.uv = Vector2f(0.25f * i, 1.0f - 0.25f * i);
    e.tangent = Vector3f(float(i), 0, 0);
    e.bitangent = Vector3f(0, float(i), 0);
    uv->push_back(e);
  }
  scene.addUV(uv);

  VertexDef def(100);
  def.addAttribute(VertexAttribute(0, "skin_position", 0, display::TYPE_FLOAT, 3));
  def.addAttribute(VertexAttribute(1, "position", 12, display::TYPE_FLOAT, 3));  // no prefix
  def.addAttribute(VertexAttribute(2, "skin_normal", 24, display::TYPE_FLOAT, 4));  // wrong count
  def.addAttribute(VertexAttribute(3, "skin_normal", 40, display::TYPE_FLOAT, 3));
  def.addAttribute(VertexAttribute(4, "skin_uv0", 52, display::TYPE_FLOAT, 2));
  def.addAttribute(VertexAttribute(5, "skin_tangent0", 60, display::TYPE_FLOAT, 3));
  def.addAttribute(VertexAttribute(6, "skin_bitangent0", 72, display::TYPE_FLOAT, 3));
  def.addAttribute(VertexAttribute(7, "skin_normal", 84, display::TYPE_UBYTE, 3));  // floats would overrun it
  brontel::Mesh mesh;
  mesh.load(device.get(), &scene, &def, "skin_", nullptr);
  EXPECT_NE(takeLog().find("attribute 'skin_normal' holds ubyte components"), std::string::npos);

  // vertex i uses corner i: (1,2), (3,2), (3,4), (1,4)
  EXPECT_EQ(floatsAt(mesh, 0, 0, 3), (std::vector<float>{1, 2, 0}));
  EXPECT_EQ(floatsAt(mesh, 2, 0, 3), (std::vector<float>{3, 4, 0}));
  EXPECT_EQ(floatsAt(mesh, 3, 0, 3), (std::vector<float>{1, 4, 0}));
  EXPECT_EQ(floatsAt(mesh, 1, 12, 3), (std::vector<float>{0, 0, 0})) << "without the prefix";
  EXPECT_EQ(floatsAt(mesh, 1, 24, 4), (std::vector<float>{0, 0, 0, 0})) << "four components";
  EXPECT_EQ(floatsAt(mesh, 1, 40, 3), (std::vector<float>{0, 0, 1}));
  EXPECT_EQ(bytesAt(mesh, 1, 84, 16), std::vector<int>(16, 0));
  EXPECT_EQ(floatsAt(mesh, 3, 52, 2), (std::vector<float>{0.75f, 0.25f}));
  EXPECT_EQ(floatsAt(mesh, 3, 60, 3), (std::vector<float>{3, 0, 0}));
  EXPECT_EQ(floatsAt(mesh, 2, 72, 3), (std::vector<float>{0, 2, 0}));

  // the last matching attribute of a name wins
  VertexDef twice(36);
  twice.addAttribute(VertexAttribute(0, "position", 0, display::TYPE_FLOAT, 3));
  twice.addAttribute(VertexAttribute(1, "position", 12, display::TYPE_FLOAT, 3));
  twice.addAttribute(VertexAttribute(2, "position", 24, display::TYPE_FLOAT, 2));  // does not match
  brontel::Mesh other;
  other.load(device.get(), &scene, &twice, "", nullptr);
  EXPECT_EQ(floatsAt(other, 2, 0, 3), (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(floatsAt(other, 2, 12, 3), (std::vector<float>{3, 4, 0}));

  // a UV list that is not one entry per vertex leaves the coordinates zero
  uv->push_back(z3d::UV());
  mesh.load(device.get(), &scene, &def, "skin_", nullptr);
  EXPECT_NE(takeLog().find("Mesh 'probe': UV list 'UVMap' has 5 entries for 4 vertices"), std::string::npos);
  EXPECT_EQ(floatsAt(mesh, 3, 52, 2), (std::vector<float>{0, 0}));
  EXPECT_EQ(floatsAt(mesh, 3, 0, 3), (std::vector<float>{1, 4, 0}));

  // bone data comes from the position's strongest four weights
  z3d::Mesh skinned;
  skinned.setName("skinned");
  addQuad(&skinned, 0, 0, 1, 1, Vector3f(0, 0, 1));
  const int p0 = skinned.getVertices()[0].posIndex;
  const int p2 = skinned.getVertices()[2].posIndex;
  // (group, position, weight); five groups on p0: the weakest one drops out
  const std::vector<std::vector<std::pair<int, float>>> groups = {
      {{p0, 0.0625f}}, {{p0, 0.5f}, {p2, 1.0f}}, {{p0, 0.25f}}, {{p0, 0.125f}, {p2, 0.0f}, {99, 1.0f}}, {{p0, 0.125f}}};
  for (const auto& weights : groups) {
    z3d::BoneGroup* group = new z3d::BoneGroup;
    for (const auto& w : weights) group->getWeights().push_back(z3d::BoneGroupWeight{w.first, w.second});
    skinned.addBoneGroup(group);
  }
  std::vector<z3d::BoneVertex> bones(skinned.getPositions().size());
  z3d::MeshUtil::findBoneWeights(&skinned, bones.data());

  VertexDef skin(40);
  skin.addAttribute(VertexAttribute(0, "position", 0, display::TYPE_FLOAT, 3));
  skin.addAttribute(VertexAttribute(1, "bone_index", 12, display::TYPE_UBYTE, 4));
  skin.addAttribute(VertexAttribute(2, "bone_weight", 16, display::TYPE_FLOAT, 4));
  brontel::Mesh skinnedMesh;
  skinnedMesh.load(device.get(), &skinned, &skin, "", bones.data());
  EXPECT_EQ(bytesAt(skinnedMesh, 0, 12, 4), (std::vector<int>{1, 2, 3, 4}));
  // normalised over the four kept; the fourth weight is left to the shader
  EXPECT_EQ(floatsAt(skinnedMesh, 0, 16, 4), (std::vector<float>{0.5f, 0.25f, 0.125f, 0.0f}));
  EXPECT_EQ(bytesAt(skinnedMesh, 2, 12, 4), (std::vector<int>{1, 1, 1, 1})) << "unused slots repeat the first bone";
  EXPECT_EQ(floatsAt(skinnedMesh, 2, 16, 4), (std::vector<float>{1, 0, 0, 0}));

  // a bone index that does not fit in its byte would name another bone
  bones[p2].index[3] = 256;
  const std::string error = errorOf([&] { skinnedMesh.load(device.get(), &skinned, &skin, "", bones.data()); });
  EXPECT_NE(error.find("mesh 'skinned': bone index 256 of position"), std::string::npos) << error;
  takeLog();
}

TEST_F(MeshTest, BadInputIsRefusedBeforeAnyBufferAndKeepsTheMeshThereWas) {
  z3d::Mesh scene;
  addQuad(&scene, 0, 0, 1, 1, Vector3f(0, 0, 1));
  brontel::Mesh mesh;
  EXPECT_NE(errorOf([&] { mesh.load(device.get(), &scene, p3n3.get(), "skin_", nullptr); }).find("positionIndex!=-1"),
            std::string::npos);
  VertexDef flat(8);
  flat.addAttribute(VertexAttribute(0, "position", 0, display::TYPE_FLOAT, 2));
  EXPECT_NE(errorOf([&] { mesh.load(device.get(), &scene, &flat, "", nullptr); }).find("positionIndex!=-1"),
            std::string::npos);
  VertexDef tooSmall(16);
  tooSmall.addAttribute(VertexAttribute(0, "position", 8, display::TYPE_FLOAT, 3));
  EXPECT_NE(errorOf([&] { mesh.load(device.get(), &scene, &tooSmall, "", nullptr); })
                .find("attribute 'position' at byte 8 does not fit in a vertex of 16 bytes"),
            std::string::npos);
  EXPECT_EQ(mesh.getNumMeshes(), 0);
  EXPECT_TRUE(device->getResources().empty());

  // indices outside the lists are refused too, and a failed load keeps the mesh there was
  z3d::Mesh good;
  addQuad(&good, 16, 16, 112, 112, Vector3f(1, 0, 0));
  mesh.load(device.get(), &good, p3n3.get(), "va_", nullptr);
  display::VBO* vbo = mesh.getVBO();

  z3d::Mesh bad;
  bad.setName("broken");
  addQuad(&bad, 0, 0, 1, 1, Vector3f(0, 0, 1));
  addQuad(&bad, 0, 0, 1, 1, Vector3f(0, 0, 1));
  bad.getSubmesh(1)->getTriangles()[1].v[2] = 8;  // one past the last vertex
  std::string error = errorOf([&] { mesh.load(device.get(), &bad, p3n3.get(), "va_", nullptr); });
  EXPECT_NE(error.find("mesh 'broken', submesh 1: triangle 1 uses vertex 8, but the mesh has 8 vertices"),
            std::string::npos)
      << error;
  bad.getSubmesh(1)->getTriangles()[1].v[2] = -1;
  error = errorOf([&] { mesh.load(device.get(), &bad, p3n3.get(), "va_", nullptr); });
  EXPECT_NE(error.find("uses vertex -1"), std::string::npos) << error;
  bad.getSubmesh(1)->getTriangles()[1].v[2] = 7;
  bad.getVertices()[5].posIndex = 8;
  error = errorOf([&] { mesh.load(device.get(), &bad, p3n3.get(), "va_", nullptr); });
  EXPECT_NE(error.find("mesh 'broken': vertex 5 uses position 8, but the mesh has 8 positions"), std::string::npos)
      << error;

  EXPECT_EQ(mesh.getVBO(), vbo) << "a failed load keeps the previous mesh";
  EXPECT_EQ(device->getResources().size(), 2u) << "and makes no buffers";
  begin();
  mesh.draw();
  EXPECT_EQ(at(64, 64), red);
  takeLog();
}

}  // namespace
