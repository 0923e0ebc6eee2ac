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
  Bytes file = z3d_test::chunkBytes(zelkor::z3d::MAIN, [](WriteBuffer& w) { writeMesh(w, "m"); });
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

}  // namespace
