#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "z3d_manager.h"
#include "z3d_test_util.h"
#include "zlk_system.h"

namespace {

using namespace zelkor::z3d;
namespace mathbase = zelkor::mathbase;
using kindra_test::StdoutCapture;
using z3d_test::Bytes;
using z3d_test::countOccurrences;

void writeMesh(WriteBuffer& w, const std::string& name, int numVertices = 0) {
  w.openChunk(MESH);
  w.write(name);
  if (numVertices > 0) {
    w.openChunk(VERTEX_LIST);
    for (int i = 0; i < numVertices; ++i) {
      w.write(static_cast<int32_t>(0));
      for (int k = 0; k < 3; ++k) w.write(0.0f);
    }
    w.closeChunk();
    w.openChunk(POSITION_LIST);
    for (int k = 0; k < 3; ++k) w.write(1.0f);
    w.closeChunk();
  }
  w.closeChunk();
}

std::string loadError(const Bytes& bytes, const std::string& source = "") {
  Manager m;
  StdoutCapture quiet;
  try {
    if (source.empty()) m.load(bytes.data(), static_cast<int>(bytes.size()));
    else m.load(bytes.data(), static_cast<int>(bytes.size()), source);
  } catch (const zelkor::Exception& e) {
    EXPECT_EQ(m.getNumMeshes() + m.getNumScenes() + m.getNumMaterials() + m.getNumImages(), 0);
    return e.what();
  }
  return "(no exception)";
}

TEST(ManagerHeader, WrongVersionMagicOrLength) {
  Bytes file = z3d_test::sceneFile([](WriteBuffer& w) { writeMesh(w, "m"); });
  file[5] = 2;
  EXPECT_EQ(loadError(file), "Manager-file is of wrong version (1:2 of format Z3DF)");
  file[5] = 1;
  file[4] = 2;
  EXPECT_EQ(loadError(file), "Manager-file is of wrong version (2:1 of format Z3DF)");
  file[4] = 1;
  file[3] = 'X';
  EXPECT_EQ(loadError(file), "Manager-file is of wrong version (1:1 of format Z3DX)");
  EXPECT_EQ(loadError(Bytes(file.begin(), file.begin() + 5)), "Manager-file is of wrong version (0:0 of format void)");
  EXPECT_EQ(loadError(Bytes()), "Manager-file is of wrong version (0:0 of format void)");
  file[3] = 'F';
  EXPECT_EQ(loadError(file, "cubes/kub.z3d"),
            "(no exception)");
  file[5] = 7;
  EXPECT_EQ(loadError(file, "cubes/kub.z3d"),
            "Manager-file is of wrong version (1:7 of format Z3DF) in 'cubes/kub.z3d'");
}

TEST(ManagerHeader, TopChunkMustBeMain) {
  WriteBuffer w("Z3DF", 1, 1, 1);
  writeMesh(w, "m");
  EXPECT_EQ(loadError(w.getData()), "There can only be a main-chunk as the top of the hiarchy! Found 0x2000");
  const Bytes headerOnly = WriteBuffer("Z3DF", 1, 1, 1).getData();
  EXPECT_EQ(loadError(headerOnly), "There can only be a main-chunk as the top of the hiarchy! Found 0x0");
  Bytes cut = headerOnly;
  cut.insert(cut.end(), {0x00, 0x10, 0x05});
  EXPECT_EQ(loadError(cut, "a.z3d"), "There can only be a main-chunk as the top of the hiarchy! Found 0x0 in 'a.z3d'");
}

TEST(ManagerLoading, UnknownChunkBetweenMeshesIsReportedOnce) {
  const Bytes file = z3d_test::sceneFile([](WriteBuffer& w) {
    writeMesh(w, "first");
    z3d_test::chunkWithString(w, 0x3000, "mystery");
    writeMesh(w, "second");
  });
  Manager m;
  StdoutCapture out;
  z3d_test::loadInto(m, file);
  const std::string log = out.finish();
  EXPECT_EQ(countOccurrences(log, "[warning]"), 1) << log;
  EXPECT_NE(log.find("Unknown chunk with ID=0x3000\n"), std::string::npos) << log;
  ASSERT_EQ(m.getNumMeshes(), 2);
  EXPECT_EQ(m.getMesh(1)->getName(), "second");
}

TEST(ManagerLoading, LookupsByNameAndIndex) {
  const Bytes file = z3d_test::sceneFile([](WriteBuffer& w) {
    writeMesh(w, "twin", 1);
    writeMesh(w, "twin", 2);
    w.openChunk(SCENE);
    w.write(std::string("level"));
    w.closeChunk();
    w.openChunk(SCENE);
    w.write(std::string("level"));
    w.closeChunk();
  });
  Manager m;
  z3d_test::loadInto(m, file);
  EXPECT_EQ(m.getNumMeshes(), 2);
  EXPECT_EQ(m.getMesh("twin"), m.getMesh(1));
  EXPECT_EQ(m.getMesh("twin")->getVertices().size(), 2);
  EXPECT_EQ(m.getMeshIndex("twin"), 1);
  EXPECT_EQ(m.getMesh("missing"), nullptr);
  EXPECT_EQ(m.getMeshIndex("missing"), -1);
  EXPECT_EQ(m.getMesh(-1), nullptr);
  EXPECT_EQ(m.getMesh(2), nullptr);
  EXPECT_EQ(m.getMaterial(0), nullptr);
  EXPECT_EQ(m.getImage(-5), nullptr);
  EXPECT_EQ(m.getScene("level"), m.getScene(0));  // the first of that name
  EXPECT_EQ(m.getScene("nothing"), nullptr);
  EXPECT_EQ(m.getScene(2), nullptr);

  // a second file adds to what is there
  z3d_test::loadInto(m, file);
  EXPECT_EQ(m.getNumMeshes(), 4);
  EXPECT_EQ(m.getMeshIndex("twin"), 3);
  EXPECT_EQ(m.getNumScenes(), 4);
  m.clear();
  EXPECT_EQ(m.getNumMeshes(), 0);
  EXPECT_EQ(m.getMesh("twin"), nullptr);
}

TEST(ManagerLoading, AnythingAfterTheMainChunkIsIgnored) {
  Bytes file = z3d_test::sceneFile([](WriteBuffer& w) { writeMesh(w, "m"); });
  const Bytes again = z3d_test::sceneFile([](WriteBuffer& w) { writeMesh(w, "extra"); });
  file.insert(file.end(), again.begin() + 6, again.end());
  Manager m;
  StdoutCapture out;
  z3d_test::loadInto(m, file);
  EXPECT_EQ(out.finish(), "");
  EXPECT_EQ(m.getNumMeshes(), 1);
}

TEST(ManagerDamage, TruncatedFileLoadsWhatIsIntactAndWarns) {
  Manager source;
  Mesh* mesh = new Mesh;
  mesh->setName("cube");
  for (int i = 0; i < 8; ++i) mesh->getPositions().push_back(mathbase::Vector3f(float(i & 1), float(i & 2), float(i & 4)));
  for (int i = 0; i < 8; ++i) {
    Vertex v;
    v.posIndex = i;
    mesh->getVertices().push_back(v);
  }
  Submesh* s = new Submesh;
  for (int i = 0; i < 6; ++i) {
    Triangle t;
    t.v[0] = i;
    t.v[1] = i + 1;
    t.v[2] = i + 2;
    s->getTriangles().push_back(t);
  }
  mesh->addSubmesh(s);
  source.addMesh(mesh);
  Image* image = new Image;
  image->setName("img");
  image->setFilename("a.png");
  source.addImage(image);
  const Bytes full = source.write();

  // every cut: an error about the header, or a partial load with a warning; never a crash
  for (size_t cut = 0; cut < full.size(); ++cut) {
    const Bytes part(full.begin(), full.begin() + cut);
    Manager m;
    StdoutCapture out;
    try {
      m.load(part.data(), static_cast<int>(part.size()), "cube.z3d");
      const std::string log = out.finish();
      EXPECT_NE(log.find("[warning]"), std::string::npos) << "cut " << cut << ": " << log;
      EXPECT_NE(log.find("Scene file 'cube.z3d' is damaged: chunk 0x1000 at offset 6 declares"), std::string::npos)
          << log;
      EXPECT_LE(m.getNumMeshes(), 1);
      EXPECT_LE(m.getNumImages(), 1);  // the image is last: always cut, loaded as far as it goes
      if (m.getNumImages() == 1) {
        EXPECT_EQ(std::string("a.png").find(m.getImage(0)->getFilename()), 0u);
      }
      for (int i = 0; i < m.getNumMeshes(); ++i) {
        const Mesh* loaded = m.getMesh(i);
        for (int sub = 0; sub < loaded->getNumSubmesh(); ++sub) {
          const TriangleList& triangles = loaded->getSubmesh(sub)->getTriangles();
          for (int t = 0; t < triangles.size(); ++t)
            for (int k = 0; k < 3; ++k) EXPECT_LT(triangles[t].v[k], loaded->getVertices().size()) << "cut " << cut;
        }
      }
    } catch (const zelkor::Exception&) {
      EXPECT_LT(cut, 12u) << "only a cut inside the header or the main chunk's header throws";
    }
  }
}

TEST(ManagerDamage, ChunkRunningPastItsParentIsCutAndReported) {
  // a mesh whose declared length reaches past the main chunk into a second mesh
  Bytes file = z3d_test::sceneFile([](WriteBuffer& w) {
    writeMesh(w, "a", 1);
    writeMesh(w, "b", 1);
  });
  file[14] = 0xFF;  // length of mesh "a" (at offset 12) grows by 16 MiB
  Manager m;
  StdoutCapture out;
  m.load(file.data(), static_cast<int>(file.size()), "two.z3d");
  const std::string log = out.finish();
  EXPECT_NE(log.find("Scene file 'two.z3d' is damaged: chunk 0x2000 at offset 12 declares"), std::string::npos) << log;
  ASSERT_EQ(m.getNumMeshes(), 1);  // "a" swallowed "b", as far as the main chunk reaches
  EXPECT_EQ(m.getMesh(0)->getName(), "a");
}

TEST(ManagerDamage, DeepNestingStopsAtTheLimit) {
  const Bytes file = z3d_test::sceneFile([](WriteBuffer& w) {
    w.openChunk(SCENE);
    w.write(std::string("deep"));
    for (int i = 0; i < 5000; ++i) {
      w.openChunk(DUMMY);
      w.write(static_cast<uint8_t>(0));
    }
    for (int i = 0; i < 5000; ++i) w.closeChunk();
    w.closeChunk();
  });
  Manager m;
  StdoutCapture out;
  z3d_test::loadInto(m, file);
  EXPECT_NE(out.finish().find("is nested too deeply"), std::string::npos);
  int depth = 0;
  for (const SceneNode* n = m.getScene(0); n->getNumChildren() > 0; n = n->getChild(0)) ++depth;
  EXPECT_EQ(depth, 254);  // main and scene take two of the 256 levels
}

TEST(ManagerDamage, ZeroIdentifierEndsTheChildren) {
  Bytes file = z3d_test::sceneFile([](WriteBuffer& w) {
    writeMesh(w, "a");
    w.write(static_cast<uint16_t>(0));
    w.write(static_cast<uint32_t>(0));
    writeMesh(w, "b");
  });
  Manager m;
  StdoutCapture out;
  z3d_test::loadInto(m, file);
  EXPECT_NE(out.finish().find("invalid chunk identifier 0 at offset"), std::string::npos);
  EXPECT_EQ(m.getNumMeshes(), 1);
}

TEST(ManagerWriting, EmptyMaterialRoundTrips) {
  Manager m;
  Material* material = new Material;
  material->setName("plain");
  material->setShadeless(true);
  material->setRecieveShadows(false);
  m.addMaterial(material);
  unsigned char* data = reinterpret_cast<unsigned char*>(1);
  int length = -1;
  m.write(&data, &length);
  ASSERT_NE(data, nullptr);
  Manager back;
  back.load(data, length);
  delete[] data;
  ASSERT_EQ(back.getNumMaterials(), 1);
  EXPECT_EQ(back.getMaterial("plain")->getName(), "plain");
  EXPECT_TRUE(back.getMaterial(0)->isShadeless());
  EXPECT_FALSE(back.getMaterial(0)->isRecieveShadows());
  EXPECT_EQ(back.getMaterial(0)->getNumAttributes(), 0);
}

TEST(ManagerWriting, EmptyManagerStillWritesALoadableFile) {
  const Bytes bytes = Manager().write();
  EXPECT_EQ(bytes, Bytes({'Z', '3', 'D', 'F', 1, 1, 0x00, 0x10, 0, 0, 0, 0}));
  Manager back;
  StdoutCapture out;
  z3d_test::loadInto(back, bytes);
  EXPECT_EQ(out.finish(), "");
  EXPECT_EQ(back.listContents().size(), 0u);
}

TEST(ManagerWriting, ExactBytesOfAnImage) {
  Manager m;
  Image* image = new Image;
  image->setName("i");
  image->setFilename("f");
  m.addImage(image);
  const Bytes expected = {'Z', '3', 'D', 'F', 1, 1,           //
                          0x00, 0x10, 16, 0, 0, 0,             // main
                          0x00, 0x40, 10, 0, 0, 0, 'i', 0,     // image
                          0x20, 0xF0, 2, 0, 0, 0, 'f', 0};     // file name
  EXPECT_EQ(m.write(), expected);
}

TEST(ManagerWriting, OutOfRangeValuesAreRefusedNotTruncated) {
  Manager m;
  Mesh* mesh = new Mesh;
  Submesh* s = new Submesh;
  s->setMaterialSlot(300);
  mesh->addSubmesh(s);
  m.addMesh(mesh);
  StdoutCapture quiet;
  unsigned char* data = nullptr;
  int length = 5;
  EXPECT_THROW(m.write(&data, &length), zelkor::Exception);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(length, 0);
}

TEST(ManagerWriting, SaveWritesTheFileAndListsContents) {
  kindra_test::ScratchDir dir("z3d");
  Manager m;
  Mesh* mesh = new Mesh;
  mesh->setName("kub");
  m.addMesh(mesh);
  Scene* scene = new Scene;
  scene->setName("main");
  scene->addChild(new Dummy);
  m.addScene(scene);
  Image* image = new Image;
  image->setName("sky");
  image->setFilename("sky.png");
  m.addImage(image);
  const std::string path = dir.file("out.z3d");
  m.save(path);
  const std::string saved = kindra_test::readFile(path);
  EXPECT_EQ(Bytes(saved.begin(), saved.end()), m.write());
  EXPECT_EQ(m.listContents(),
            std::vector<std::string>({"mesh 'kub': 0 vertices, 0 triangles, 0 submeshes", "image 'sky': 'sky.png'",
                                      "scene 'main': 1 nodes"}));
  StdoutCapture quiet;
  EXPECT_THROW(m.save(dir.file("no/such/dir.z3d")), zelkor::Exception);
}

}  // namespace
