// The generated assets: every generator makes the same bytes on every run and
// the files in data/ are its current output; the font sheet is laid out as
// the font loader reads it; the sample scene reads back whole.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "am_image.h"
#include "am_imagecodec_png.h"
#include "test_support.h"
#include "z3d_camera.h"
#include "z3d_light.h"
#include "z3d_manager.h"
#include "z3d_meshinstance.h"

namespace {

using kindra_test::readFile;
using kindra_test::ScratchDir;
using kindra_test::sourceDir;

struct Generator {
  std::string program;
  std::vector<std::string> outputs;  // below data/
};

// The generators the build runs, as it lists them next to the tools.
std::vector<Generator> generators() {
  std::ifstream in(kindra_test::binaryDir() + "/tools/asset_generators.txt");
  std::vector<Generator> list;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    Generator g;
    std::string output;
    if (!(words >> g.program)) continue;
    while (words >> output) g.outputs.push_back(output);
    list.push_back(g);
  }
  return list;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// The exit status of the command, run by the shell with its output hidden.
int run(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int generate(const Generator& g, const std::string& folder, const std::vector<std::string>& names) {
  std::string command = quoted(g.program) + " " + quoted(folder);
  for (const std::string& name : names) command += " " + quoted(name);
  return run(command);
}

TEST(Assets, EveryGeneratorMakesTheSameBytesTwiceAndDataHoldsThem) {
  const std::vector<Generator> list = generators();
  ASSERT_GE(list.size(), 3u) << "no list of generators from the build";
  for (const Generator& g : list) {
    SCOPED_TRACE(g.program);
    ScratchDir first("assets"), second("assets");
    ASSERT_EQ(generate(g, first.path(), g.outputs), 0);
    ASSERT_EQ(generate(g, second.path(), g.outputs), 0);
    for (const std::string& name : g.outputs) {
      const std::string bytes = readFile(first.file(name));
      EXPECT_GT(bytes.size(), 0u) << name;
      EXPECT_TRUE(bytes == readFile(second.file(name))) << name << " differs between two runs";
      EXPECT_TRUE(bytes == readFile(sourceDir() + "/data/" + name)) << "data/" << name << " is stale";
    }
  }
}

TEST(Assets, GeneratedFilesAreIgnoredByGit) {
  if (run("git -C " + quoted(sourceDir()) + " rev-parse --is-inside-work-tree") != 0) {
    GTEST_SKIP() << "the sources are no git work tree";
  }
  for (const Generator& g : generators()) {
    for (const std::string& name : g.outputs) {
      EXPECT_EQ(run("git -C " + quoted(sourceDir()) + " check-ignore -q " + quoted("data/" + name)), 0)
          << "data/" << name << " is generated but not in .gitignore";
    }
  }
}

TEST(Assets, AGeneratorRefusesAnOutputListThatIsNotItsOwn) {
  const std::vector<Generator> list = generators();
  ASSERT_FALSE(list.empty());
  const Generator& g = list.front();
  ScratchDir folder("assets");
  std::vector<std::string> more = g.outputs;
  more.push_back("extra.bin");
  EXPECT_EQ(generate(g, folder.path(), more), 2);
  EXPECT_EQ(generate(g, folder.path(), {"extra.bin"}), 2);
  EXPECT_EQ(run(quoted(g.program)), 2);
  EXPECT_EQ(run(quoted(g.program) + " /proc/no/such/folder"), 1);
  EXPECT_EQ(generate(g, folder.path(), {}), 0) << "no names: all of its files";
}

TEST(Assets, AFailedWriteKeepsWhatWasThereAndLeavesNoTemporaryFile) {
  const std::vector<Generator> list = generators();
  ASSERT_FALSE(list.empty());
  const Generator& g = list.front();
  ScratchDir folder("assets");
  // a non-empty folder where the file should go cannot be replaced
  const std::string blocked = folder.file(g.outputs.front());
  std::filesystem::create_directories(blocked);
  ASSERT_TRUE(kindra_test::writeFile(blocked + "/keep", "x"));
  EXPECT_EQ(generate(g, folder.path(), g.outputs), 1);
  EXPECT_EQ(readFile(blocked + "/keep"), "x");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

// Chunk types of a PNG file in order; empty when it is no PNG.
std::vector<std::string> pngChunks(const std::string& bytes) {
  std::vector<std::string> chunks;
  if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return chunks;
  for (size_t at = 8; at + 12 <= bytes.size();) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    const size_t length = (size_t(p[0]) << 24) | (size_t(p[1]) << 16) | (size_t(p[2]) << 8) | p[3];
    chunks.push_back(bytes.substr(at + 4, 4));
    at += 12 + length;
  }
  return chunks;
}

class FontSheet : public testing::Test {
 protected:
  void SetUp() override {
    bytes = readFile(sourceDir() + "/data/fonthelvete2.png");
    ASSERT_FALSE(bytes.empty()) << "data/fonthelvete2.png is missing";
    image.reset(new zelkor::am::ImageObject());
    zelkor::am::ImageCodecPNG().decodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), *image);
    cell = image->getWidth() / 16;
  }

  // Red (the loader's coverage) of pixel (x, y) of the cell of code.
  int red(int code, int x, int y) const {
    const int px = (code % 16) * cell + x;
    const int py = (code / 16) * cell + y;
    return image->getData()[(static_cast<size_t>(py) * image->getWidth() + px) * 4 + 2];
  }

  int strongest(int code) const {
    int best = 0;
    for (int y = 0; y < cell; ++y)
      for (int x = 0; x < cell; ++x) best = std::max(best, red(code, x, y));
    return best;
  }

  std::string bytes;
  std::unique_ptr<zelkor::am::ImageObject> image;
  int cell = 0;
};

TEST_F(FontSheet, IsAnOpaqueSheetOf16By16CellsWithoutTimeOrTextChunks) {
  EXPECT_EQ(image->getWidth() % 16, 0);
  EXPECT_EQ(image->getHeight() % 16, 0);
  EXPECT_EQ(image->getWidth(), image->getHeight());
  EXPECT_GE(cell, 12) << "too small to read";
  const std::vector<std::string> chunks = pngChunks(bytes);
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front(), "IHDR");
  EXPECT_EQ(chunks.back(), "IEND");
  for (const std::string& c : chunks) EXPECT_TRUE(c == "IHDR" || c == "IDAT" || c == "IEND") << c;

  const unsigned char* p = image->getData();
  int grey = 0;
  for (int i = 0; i < image->getWidth() * image->getHeight(); ++i, p += 4) {
    EXPECT_EQ(p[3], 255);
    if (p[0] != p[1] || p[1] != p[2]) ++grey;
  }
  EXPECT_EQ(grey, 0) << "pixels that are not white coverage on black";
}

TEST_F(FontSheet, EveryPrintableCellHasOpaquePixelsAndTheOthersAreEmpty) {
  for (int code = 0; code < 256; ++code) {
    const bool printable = code > 32 && code < 127;
    if (printable) {
      EXPECT_GT(strongest(code), 200) << "character " << code << " gets no width from the loader";
    } else {
      EXPECT_EQ(strongest(code), 0) << "cell " << code << " should be empty";
    }
  }
}

TEST_F(FontSheet, GlyphsStartAtTheLeftOfTheirCellsInsideAnEmptyBorder) {
  for (int code = 33; code < 127; ++code) {
    int left = cell;
    for (int x = cell - 1; x >= 0; --x)
      for (int y = 0; y < cell; ++y)
        if (red(code, x, y) > 0) left = x;
    EXPECT_GE(left, 1) << "character " << code;
    EXPECT_LE(left, 2) << "character " << code;
    // magnified text samples a cell's border together with its neighbour's
    for (int i = 0; i < cell; ++i) {
      EXPECT_EQ(red(code, i, 0) + red(code, i, cell - 1) + red(code, 0, i) + red(code, cell - 1, i), 0)
          << "character " << code;
    }
  }
  // the bottom of 'H', 'x' and '1' is the baseline; 'g' and 'p' reach below it
  const auto bottom = [this](int code) {
    for (int y = cell - 1; y >= 0; --y)
      for (int x = 0; x < cell; ++x)
        if (red(code, x, y) > 128) return y;
    return -1;
  };
  EXPECT_EQ(bottom('H'), bottom('x'));
  EXPECT_EQ(bottom('H'), bottom('1'));
  EXPECT_GT(bottom('g'), bottom('H'));
  EXPECT_GT(bottom('p'), bottom('H'));
  EXPECT_LT(bottom('g'), cell);
}

// The sample scene holds exactly what its generator put in it.
TEST(SampleScene, ReadsBackWithEveryObjectItWasWrittenWith) {
  using namespace zelkor::z3d;
  const std::string bytes = readFile(sourceDir() + "/data/samples/sample.z3d");
  ASSERT_FALSE(bytes.empty()) << "data/samples/sample.z3d is missing";
  Manager m;
  kindra_test::StdoutCapture log;
  m.load(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()), "sample.z3d");
  EXPECT_EQ(log.finish(), "") << "the file loads without warnings";

  EXPECT_EQ(m.listContents(), (std::vector<std::string>{
                                  "mesh 'box': 24 vertices, 12 triangles, 2 submeshes",
                                  "material 'paint': 2 attributes",
                                  "material 'metal': 2 attributes",
                                  "image 'checker': 'samples/checker.png'",
                                  "scene 'sample': 4 nodes",
                              }));

  ASSERT_EQ(m.getNumMeshes(), 1);
  const Mesh* box = m.getMesh("box");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->getPositions().size(), 8);
  EXPECT_EQ(box->getVertices().size(), 24);
  ASSERT_EQ(box->getNumUV(), 1);
  EXPECT_EQ(box->getUV(0)->getName(), "UVMap");
  EXPECT_EQ(box->getUV(0)->size(), 24);
  ASSERT_EQ(box->getNumSubmesh(), 2);
  EXPECT_EQ(box->getSubmesh(0)->getMaterialSlot(), 0);
  EXPECT_EQ(box->getSubmesh(0)->getTriangles().size(), 8);
  EXPECT_EQ(box->getSubmesh(1)->getMaterialSlot(), 1);
  EXPECT_EQ(box->getSubmesh(1)->getTriangles().size(), 4);
  EXPECT_FLOAT_EQ(box->getBox().mMin.x, -0.5f);
  EXPECT_FLOAT_EQ(box->getBox().mMax.y, 0.5f);
  // every face's normal points away from the centre
  for (int s = 0; s < 2; ++s) {
    for (const Triangle& t : box->getSubmesh(s)->getTriangles().getList()) {
      const Vertex& v = box->getVertices()[t.v[0]];
      EXPECT_GT(v.normal.dot(box->getPositions()[v.posIndex]), 0.0f);
    }
  }

  ASSERT_EQ(m.getNumMaterials(), 2);
  const Material* paint = m.getMaterial("paint");
  ASSERT_NE(paint, nullptr);
  ASSERT_EQ(paint->getNumAttributes(), 2);
  EXPECT_EQ(paint->getAttribute(0)->getName(), "diffuse");
  EXPECT_FLOAT_EQ(paint->getAttribute(0)->getValue().x, 0.8f);
  ASSERT_EQ(paint->getAttribute(0)->getNumTextures(), 1);
  EXPECT_EQ(paint->getAttribute(0)->getTexture(0)->getImageReference(), "checker");
  EXPECT_EQ(paint->getAttribute(0)->getTexture(0)->getWrappingMode(), 1);
  EXPECT_EQ(paint->getAttribute(1)->getName(), "specular");
  const Material* metal = m.getMaterial("metal");
  ASSERT_NE(metal, nullptr);
  EXPECT_EQ(metal->getAttribute(0)->getNumTextures(), 0);
  ASSERT_NE(m.getImage("checker"), nullptr);
  EXPECT_EQ(m.getImage("checker")->getFilename(), "samples/checker.png");

  ASSERT_EQ(m.getNumScenes(), 1);
  const Scene* scene = m.getScene("sample");
  ASSERT_NE(scene, nullptr);
  ASSERT_EQ(scene->getNumChildren(), 3);
  const SceneNode* pivot = scene->getChild("pivot");
  ASSERT_NE(pivot, nullptr);
  EXPECT_EQ(pivot->getType(), DUMMY);
  EXPECT_FALSE(pivot->isStatic());
  EXPECT_FLOAT_EQ(pivot->getAnimationLength(), 4.0f);
  EXPECT_NEAR(pivot->getRotationTrack().getValue(2.0f).angles.y, 3.14159f, 1e-4);
  EXPECT_NEAR(pivot->getRotationTrack().getValue(5.0f).angles.y, 6.28319f + 1.5708f, 1e-4) << "keeps turning";

  ASSERT_EQ(pivot->getNumChildren(), 1);
  const MeshInstance* instance = dynamic_cast<const MeshInstance*>(pivot->getChild(0));
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance->getName(), "box");
  EXPECT_EQ(instance->getMeshReference(), "box");
  EXPECT_EQ(instance->getMaterials(), (std::vector<std::string>{"paint", "metal"}));
  const TrackBlenderFloat& bob = instance->getPositionTrack().getChannel(1);
  EXPECT_EQ(bob.getNumKeys(), 3);
  EXPECT_EQ(bob.getInterpolationMode(), INTERPOLATION_BEZIER);
  EXPECT_EQ(bob.getExtrapolationMode(), EXTRAPOLATION_CYCLIC);
  EXPECT_FLOAT_EQ(instance->getPositionTrack().getValue(1.0f).y, 0.5f);
  EXPECT_FLOAT_EQ(instance->getPositionTrack().getValue(3.0f).y, 0.5f) << "repeats every two seconds";

  const Camera* camera = dynamic_cast<const Camera*>(scene->getChild("camera"));
  ASSERT_NE(camera, nullptr);
  EXPECT_FLOAT_EQ(camera->getPosition().z, 4.0f);
  EXPECT_FLOAT_EQ(camera->getFovTrack().getValue(0.0f), 0.8f);
  EXPECT_FLOAT_EQ(camera->getFovTrack().getValue(20.0f), 0.5f);

  const Light* sun = dynamic_cast<const Light*>(scene->getChild("sun"));
  ASSERT_NE(sun, nullptr);
  EXPECT_TRUE(sun->isCastShadow());
  EXPECT_FLOAT_EQ(sun->getColor().x, 1.0f);
  EXPECT_FLOAT_EQ(sun->getColorTrack().getValue(8.0f).z, 1.0f);
  EXPECT_FLOAT_EQ(sun->getPosition().y, 5.0f);

  // and writes back to the same bytes
  const std::vector<uint8_t> again = m.write();
  EXPECT_TRUE(std::string(again.begin(), again.end()) == bytes);
}

}  // namespace
