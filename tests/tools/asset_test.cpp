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

}  // namespace
