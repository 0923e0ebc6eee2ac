// GPU meshes: index ranges per submesh, index widths, the vertex layout
// filled by attribute name, refusal of indices outside the lists, and scene
// meshes written, read back and drawn.

#include <cstring>
#include <memory>
#include <vector>

#include "brn_mesh.h"
#include "dis_vboibo_gl.h"
#include "gpu_fixture.h"
#include "z3d_manager.h"
#include "z3d_meshutil.h"

namespace {

using namespace zelkor;
using display::DisplayGL;
using display::IBO;
using display::IBO_GL;
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

// `triangles` triangles over vertices 0..vertices-1 (each vertex its own
// position at (i, 0, 0)).
z3d::Submesh* addFan(z3d::Mesh* mesh, int triangles) {
  z3d::Submesh* submesh = new z3d::Submesh;
  const int n = mesh->getVertices().size();
  for (int t = 0; t < triangles; ++t) {
    z3d::Triangle triangle;
    triangle.v[0] = 0;
    triangle.v[1] = (t + 1) % n;
    triangle.v[2] = (t + 2) % n;
    submesh->getTriangles().push_back(triangle);
  }
  mesh->addSubmesh(submesh);
  return submesh;
}

void addPoints(z3d::Mesh* mesh, int count) {
  for (int i = 0; i < count; ++i) {
    const int p = mesh->getPositions().size();
    mesh->getPositions().push_back(Vector3f(float(i), 0, 0));
    z3d::Vertex v;
    v.posIndex = p;
    v.normal = Vector3f(0, 0, 1);
    mesh->getVertices().push_back(v);
  }
}

// The index buffer's indices, widened.
std::vector<uint32_t> indicesOf(const brontel::Mesh& mesh) {
  const IBO_GL* ibo = static_cast<const IBO_GL*>(mesh.getIBO());
  const int size = IBO_GL::getFormatSize(ibo->getFormat());
  std::vector<uint32_t> out(ibo->getNumIndices());
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char* p = ibo->getCPUCopy() + i * size;
    if (size == 1) out[i] = *p;
    if (size == 2) {
      uint16_t v;
      std::memcpy(&v, p, 2);
      out[i] = v;
    }
    if (size == 4) std::memcpy(&out[i], p, 4);
  }
  return out;
}

std::vector<uint32_t> trianglesOf(const z3d::Submesh* submesh) {
  std::vector<uint32_t> out;
  for (int t = 0; t < submesh->getTriangles().size(); ++t) {
    for (int k = 0; k < 3; ++k) out.push_back(static_cast<uint32_t>(submesh->getTriangles()[t].v[k]));
  }
  return out;
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

void expectRecord(const brontel::Mesh::Submesh& s, int firstIndex, int numIndices, int firstVertex, int numVertices,
                  DisplayGL::DrawMode mode) {
  EXPECT_EQ(s.firstIndex, firstIndex);
  EXPECT_EQ(s.numIndices, numIndices);
  EXPECT_EQ(s.firstVertex, firstVertex);
  EXPECT_EQ(s.numVertices, numVertices);
  EXPECT_EQ(s.mode, mode);
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

TEST_F(MeshTest, SubmeshesGetConsecutiveIndexRangesOverAllVertices) {
  z3d::Mesh scene;
  addPoints(&scene, 12);
  const z3d::Submesh* first = addFan(&scene, 10);
  addFan(&scene, 0);
  const z3d::Submesh* third = addFan(&scene, 4);

  brontel::Mesh mesh;
  EXPECT_EQ(mesh.getNumMeshes(), 0);
  EXPECT_EQ(mesh.getVBO(), nullptr);
  mesh.load(device.get(), &scene, p3n3.get(), "va_", nullptr);
  ASSERT_EQ(mesh.getNumMeshes(), 3) << "the empty submesh keeps its number";
  expectRecord(mesh.getSubmesh(0), 0, 30, 0, 12, DisplayGL::DRAW_TRIANGLES);
  expectRecord(mesh.getSubmesh(1), 0, 0, 0, 0, DisplayGL::DRAW_NONE);
  expectRecord(mesh.getSubmesh(2), 30, 12, 0, 12, DisplayGL::DRAW_TRIANGLES);
  EXPECT_EQ(mesh.getVBO()->getNumVertices(), 12);
  EXPECT_EQ(mesh.getVBO()->getFormat(), p3n3.get());
  ASSERT_EQ(mesh.getIBO()->getNumIndices(), 42);
  std::vector<uint32_t> expected = trianglesOf(first);
  const std::vector<uint32_t> rest = trianglesOf(third);
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(indicesOf(mesh), expected);
  EXPECT_EQ(device->getResources().size(), 2u);

  EXPECT_NE(errorOf([&] { mesh.drawSubmesh(3); }), "") << "no such submesh";
  EXPECT_NE(errorOf([&] { mesh.drawSubmesh(-1); }), "");
}

TEST_F(MeshTest, IndexWidthFollowsTheVertexCount) {
  const struct {
    int vertices;
    IBO::Format format;
  } cases[] = {{3, IBO::FORMAT_UINT8},      {255, IBO::FORMAT_UINT8},    {256, IBO::FORMAT_UINT16},
               {300, IBO::FORMAT_UINT16},   {65535, IBO::FORMAT_UINT16}, {65536, IBO::FORMAT_UINT32},
               {70000, IBO::FORMAT_UINT32}};
  for (const auto& c : cases) {
    z3d::Mesh scene;
    addPoints(&scene, c.vertices);
    z3d::Submesh* submesh = new z3d::Submesh;
    z3d::Triangle triangle;
    triangle.v[0] = c.vertices - 1;
    triangle.v[1] = c.vertices / 2;
    triangle.v[2] = 0;
    submesh->getTriangles().push_back(triangle);
    scene.addSubmesh(submesh);
    brontel::Mesh mesh;
    mesh.load(device.get(), &scene, p3n3.get(), "va_", nullptr);
    EXPECT_EQ(mesh.getIBO()->getFormat(), c.format) << c.vertices << " vertices";
    EXPECT_EQ(indicesOf(mesh), (std::vector<uint32_t>{uint32_t(c.vertices - 1), uint32_t(c.vertices / 2), 0}))
        << c.vertices << " vertices";
  }
  takeLog();
}

TEST_F(MeshTest, MeshesWithoutVerticesOrTrianglesDrawNothing) {
  brontel::Mesh mesh;
  z3d::Mesh loaded;
  addQuad(&loaded, 0, 0, 10, 10, Vector3f(1, 0, 0));
  mesh.load(device.get(), &loaded, p3n3.get(), "va_", nullptr);
  ASSERT_EQ(device->getResources().size(), 2u);

  z3d::Mesh noTriangles;
  addPoints(&noTriangles, 5);
  addFan(&noTriangles, 0);
  mesh.load(device.get(), &noTriangles, p3n3.get(), "va_", nullptr);
  EXPECT_EQ(mesh.getNumMeshes(), 0);
  EXPECT_EQ(mesh.getVBO(), nullptr);
  EXPECT_EQ(mesh.getIBO(), nullptr);
  EXPECT_TRUE(device->getResources().empty()) << "the previous buffers are released";

  z3d::Mesh noVertices;  // triangles, but nothing they could use
  z3d::Submesh* orphan = new z3d::Submesh;
  z3d::Triangle triangle;
  triangle.v[1] = 7;
  orphan->getTriangles().push_back(triangle);
  noVertices.addSubmesh(orphan);
  mesh.load(device.get(), &noVertices, p3n3.get(), "va_", nullptr);
  EXPECT_EQ(mesh.getNumMeshes(), 0);

  z3d::Mesh nothing;
  mesh.load(device.get(), &nothing, p3n3.get(), "va_", nullptr);
  EXPECT_EQ(mesh.getNumMeshes(), 0);
  EXPECT_TRUE(device->getResources().empty());
  begin();
  mesh.draw();
  EXPECT_EQ(at(5, 5), black);
}

TEST_F(MeshTest, AttributesAreFilledByPrefixedNameAndComponentCount) {
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
}

TEST_F(MeshTest, BoneDataComesFromThePositionsBoneVertex) {
  z3d::Mesh scene;
  scene.setName("skinned");
  addQuad(&scene, 0, 0, 1, 1, Vector3f(0, 0, 1));
  // weights for the positions of vertices 0 and 2 in two groups
  z3d::BoneGroup* hip = new z3d::BoneGroup;
  z3d::BoneGroup* knee = new z3d::BoneGroup;
  const int p0 = scene.getVertices()[0].posIndex;
  const int p2 = scene.getVertices()[2].posIndex;
  hip->getWeights().push_back(z3d::BoneGroupWeight{p0, 0.75f});
  knee->getWeights().push_back(z3d::BoneGroupWeight{p0, 0.25f});
  knee->getWeights().push_back(z3d::BoneGroupWeight{p2, 1.0f});
  scene.addBoneGroup(hip);
  scene.addBoneGroup(knee);
  std::vector<z3d::BoneVertex> bones(scene.getPositions().size());
  z3d::MeshUtil::findBoneWeights(&scene, bones.data());

  VertexDef def(40);
  def.addAttribute(VertexAttribute(0, "position", 0, display::TYPE_FLOAT, 3));
  def.addAttribute(VertexAttribute(1, "bone_index", 12, display::TYPE_UBYTE, 4));
  def.addAttribute(VertexAttribute(2, "bone_weight", 16, display::TYPE_FLOAT, 4));
  brontel::Mesh mesh;
  mesh.load(device.get(), &scene, &def, "", bones.data());
  EXPECT_EQ(bytesAt(mesh, 0, 12, 4), (std::vector<int>{0, 1, 0, 0}));
  EXPECT_EQ(floatsAt(mesh, 0, 16, 4), (std::vector<float>{0.75f, 0.25f, 0, 0}));
  EXPECT_EQ(bytesAt(mesh, 2, 12, 4), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(floatsAt(mesh, 2, 16, 4), (std::vector<float>{1, 0, 0, 0}));
  EXPECT_EQ(bytesAt(mesh, 1, 12, 4), (std::vector<int>{0, 0, 0, 0})) << "no weights";

  // the fourth component is 0, not the fourth weight
  bones[p0] = z3d::BoneVertex{{3, 2, 1, 0}, {0.4f, 0.3f, 0.2f, 0.1f}};
  mesh.load(device.get(), &scene, &def, "", bones.data());
  EXPECT_EQ(bytesAt(mesh, 0, 12, 4), (std::vector<int>{3, 2, 1, 0}));
  EXPECT_EQ(floatsAt(mesh, 0, 16, 4), (std::vector<float>{0.4f, 0.3f, 0.2f, 0}));

  // without bone vertices nothing is written there
  mesh.load(device.get(), &scene, &def, "", nullptr);
  EXPECT_EQ(bytesAt(mesh, 0, 12, 20), std::vector<int>(20, 0));

  // a bone index that does not fit in its byte would name another bone
  bones[p2].index[3] = 256;
  const std::string error = errorOf([&] { mesh.load(device.get(), &scene, &def, "", bones.data()); });
  EXPECT_NE(error.find("mesh 'skinned': bone index 256 of position"), std::string::npos) << error;
  VertexDef weightsOnly(32);
  weightsOnly.addAttribute(VertexAttribute(0, "position", 0, display::TYPE_FLOAT, 3));
  weightsOnly.addAttribute(VertexAttribute(2, "bone_weight", 16, display::TYPE_FLOAT, 4));
  EXPECT_EQ(errorOf([&] { mesh.load(device.get(), &scene, &weightsOnly, "", bones.data()); }), "");
  takeLog();
}

TEST_F(MeshTest, ADefinitionWithoutAPositionIsRefusedBeforeAnyBuffer) {
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
  takeLog();
}

TEST_F(MeshTest, IndicesOutsideTheListsAreRefusedAndTheOldMeshStays) {
  z3d::Mesh good;
  addQuad(&good, 16, 16, 112, 112, Vector3f(1, 0, 0));
  brontel::Mesh mesh;
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

TEST_F(MeshTest, ReloadingReleasesThePreviousBuffers) {
  z3d::Mesh a, b;
  addQuad(&a, 16, 16, 112, 112, Vector3f(1, 0, 0));
  addQuad(&b, 144, 144, 240, 240, Vector3f(0, 1, 0));
  brontel::Mesh mesh;
  for (int i = 0; i < 3; ++i) {
    mesh.load(device.get(), &a, p3n3.get(), "va_", nullptr);
    mesh.load(device.get(), &b, p3n3.get(), "va_", nullptr);
  }
  EXPECT_EQ(device->getResources().size(), 2u);
  begin();
  mesh.draw();
  EXPECT_EQ(at(64, 64), black);
  EXPECT_EQ(at(192, 192), green);
}

// The mesh of a scene file: red, empty and green submeshes and a blue one
// whose vertices share positions with the red one but carry their own normals.
z3d::Manager* panelScene() {
  z3d::Mesh* mesh = new z3d::Mesh;
  mesh->setName("panels");
  addQuad(mesh, 16, 16, 112, 112, Vector3f(1, 0, 0));
  mesh->addSubmesh(new z3d::Submesh);
  addQuad(mesh, 144, 144, 240, 240, Vector3f(0, 1, 0));
  z3d::Submesh* shared = new z3d::Submesh;
  for (int i = 0; i < 4; ++i) {  // the red quad's positions with a blue normal
    z3d::Vertex v = mesh->getVertices()[i];
    v.normal = Vector3f(0, 0, 1);
    mesh->getVertices().push_back(v);
  }
  z3d::Triangle lower;  // the lower right half of the red quad
  lower.v[0] = 8;
  lower.v[1] = 9;
  lower.v[2] = 10;
  shared->getTriangles().push_back(lower);
  mesh->addSubmesh(shared);
  z3d::Manager* manager = new z3d::Manager;
  manager->addMesh(mesh);
  return manager;
}

TEST_F(MeshTest, AGeneratedSceneWrittenAndReadBackDrawsItsSubmeshes) {
  {
    std::unique_ptr<z3d::Manager> generated(panelScene());
    generated->save(scratch->file("panels.z3d"));
  }
  const std::string bytes = kindra_test::readFile(scratch->file("panels.z3d"));
  z3d::Manager scene;
  scene.load(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()), "panels.z3d");
  const z3d::Mesh* panels = scene.getMesh("panels");
  ASSERT_NE(panels, nullptr);

  brontel::Mesh mesh;
  mesh.load(device.get(), panels, p3n3.get(), "va_", nullptr);
  ASSERT_EQ(mesh.getNumMeshes(), 4);
  expectRecord(mesh.getSubmesh(3), 12, 3, 0, 12, DisplayGL::DRAW_TRIANGLES);

  begin();
  mesh.draw();
  EXPECT_EQ(at(40, 90), red) << "upper left half of the red quad";
  EXPECT_EQ(at(90, 40), blue) << "drawn over by the last submesh";
  EXPECT_EQ(at(192, 192), green);
  EXPECT_EQ(at(192, 64), black);
  EXPECT_EQ(at(64, 192), black);
  EXPECT_EQ(at(8, 8), black);

  begin();
  mesh.drawSubmesh(2);
  EXPECT_EQ(at(40, 90), black);
  EXPECT_EQ(at(192, 192), green);

  begin();
  mesh.drawSubmesh(1);
  mesh.drawSubmesh(0, DisplayGL::DRAW_NONE);
  EXPECT_EQ(at(40, 90), black);
  EXPECT_EQ(at(192, 192), black);

  // after the device lost its GL objects the buffers come back as they were
  device->resetStates();
  device->disposeResources();
  device->restoreResources();
  begin();
  mesh.drawSubmesh(0);
  EXPECT_EQ(at(64, 64), red);
}

TEST_F(MeshTest, WideIndicesReachTheirVertices) {
  for (int vertices : {300, 70000}) {
    z3d::Mesh scene;
    addPoints(&scene, vertices - 4);  // no triangle uses these
    addQuad(&scene, 144, 16, 240, 112, Vector3f(0, 0, 1));
    brontel::Mesh mesh;
    mesh.load(device.get(), &scene, p3n3.get(), "va_", nullptr);
    begin();
    mesh.draw();
    EXPECT_EQ(at(192, 64), blue) << vertices << " vertices";
    EXPECT_EQ(at(64, 64), black) << vertices << " vertices";
  }
  takeLog();
}

TEST_F(MeshTest, ADamagedSceneFileDrawsWhatIsIntact) {
  std::unique_ptr<z3d::Manager> generated(panelScene());
  z3d::Mesh* written = generated->getMesh("panels");
  written->getSubmesh(2)->getTriangles()[0].v[1] = 1000;  // past the vertex list
  written->getSubmesh(3)->getTriangles()[0].v[0] = -5;
  const std::vector<uint8_t> bytes = generated->write();
  z3d::Manager scene;
  scene.load(bytes.data(), static_cast<int>(bytes.size()), "damaged.z3d");
  EXPECT_NE(takeLog().find("dropped 1 triangles"), std::string::npos);

  brontel::Mesh mesh;
  mesh.load(device.get(), scene.getMesh("panels"), p3n3.get(), "va_", nullptr);
  ASSERT_EQ(mesh.getNumMeshes(), 4);
  expectRecord(mesh.getSubmesh(3), 0, 0, 0, 0, DisplayGL::DRAW_NONE);
  begin();
  mesh.draw();
  EXPECT_EQ(at(90, 40), red) << "the blue triangle is gone";
  EXPECT_EQ(at(220, 200), black) << "the broken green triangle is gone";
  EXPECT_EQ(at(200, 220), green) << "its intact neighbour stays";
}

}  // namespace
