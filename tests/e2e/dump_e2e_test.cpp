// The demo command dumping frames off-line: a short dump at a low resolution
// in a scratch copy of data/ whose scripts only keep a background that
// changes colour, and the end picture over it from 1 s on.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "am.h"
#include "demo_fixture.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using kindra_e2e::DemoTest;

class DumpDemoTest : public DemoTest {
 protected:
  void SetUp() override {
    DemoTest::SetUp();
    if (IsSkipped()) return;
    // every effect of the shipped timeline stays off but the background,
    // whatever the demo's own scripts hold
    const fs::path scripts = fs::path(work.path()) / "script";
    fs::create_directories(scripts);
    const std::regex active("inactive=\"0\"");
    for (const auto& entry : fs::directory_iterator(scripts)) {
      const std::string name = entry.path().filename();
      if (name == "common.Common.xml") continue;
      const std::string text = kindra_test::readFile(entry.path());
      kindra_test::writeFile(entry.path(), std::regex_replace(text, active, "inactive=\"1\""));
    }
    writeWork("script/Clear.Clear.xml",
              "<effect>\n\t<option inactive=\"0\" locked=\"0\"/>\n\t<time start=\"0\" end=\"100\"/>\n"
              "\t<plugin type=\"color\" name=\"color\">\n"
              "\t\t<key time=\"0\" r=\"1\" g=\"0\" b=\"0\"/>\n"
              "\t\t<key time=\"0.005\" r=\"1\" g=\"0\" b=\"0\"/>\n"
              "\t\t<key time=\"0.0051\" r=\"0\" g=\"0\" b=\"1\"/>\n"
              "\t\t<key time=\"1\" r=\"0\" g=\"0\" b=\"1\"/>\n"
              "\t</plugin>\n</effect>\n");
    writeWork("script/End.End.xml",
              "<effect>\n\t<option inactive=\"0\" locked=\"0\"/>\n\t<time start=\"1\" end=\"100\"/>\n"
              "\t<plugin type=\"spline\" name=\"alpha\">\n"
              "\t\t<attributes type=\"linear\" before=\"constant\" after=\"constant\"/>\n"
              "\t\t<key time=\"0\" value=\"1\"/>\n\t\t<key time=\"1\" value=\"1\"/>\n"
              "\t</plugin>\n</effect>\n");
    fs::remove(work.file("setup.local.xml"));
  }
  // 10 frames per second at 160 x 120 into frames/
  void writeDumpSetup(const std::string& time, const std::string& music) {
    writeWork("setup.xml", "<demo>\n\t" + time + "\n\t<display width=\"160\" height=\"120\" title=\"Kindra\"/>\n" +
                               "\t<dump name=\"frames/demo.png\" fps=\"10\"/>\n\t" + music + "\n</demo>\n");
  }
};

// 2 s at 10 frames per second: frames 0 to 19, the colour turning at 0.5 s
// (0.005 of the background's 100 s), the end picture from frame 10, and the
// demo ends by itself with 0.
TEST_F(DumpDemoTest, AShortDumpWritesEveryFrameAndEndsByItself) {
  writeDumpSetup("<time start=\"1.5\" length=\"2\"/>", "<music mute=\"nosound\" filename=\"music/emberfall.ogg\"/>");
  const std::string out = runToEnd(0, 90.0);
  EXPECT_NE(out.find("Dumping 20 frames (2 s at 10 frames per second)"), std::string::npos) << out;
  EXPECT_NE(out.find("Dumped 20 frames"), std::string::npos) << out;
  EXPECT_NE(out.find("closing display"), std::string::npos) << "the normal way out\n" << out;

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(work.file("frames"))) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 20u) << out;
  zelkor::am::ArchiveManager archive;
  archive.addArchive(work.path() + "/");
  std::vector<std::string> pictures;
  for (int n = 0; n < 20; ++n) {
    char name[32];
    std::snprintf(name, sizeof(name), "demo.%06d.png", n);
    ASSERT_EQ(names[n], name);
    zelkor::am::Image frame = archive.loadImage(std::string("frames/") + name, -1, true);
    ASSERT_EQ(frame->getWidth(), 160);
    ASSERT_EQ(frame->getHeight(), 120);
    // B G R A in the middle of the picture: red before 0.5 s, blue after
    pictures.emplace_back(reinterpret_cast<const char*>(frame->getData()), 160 * 120 * 4);
    const unsigned char* pixel = frame->getData() + (60 * 160 + 80) * 4;
    if (n < 5) {
      EXPECT_GT(pixel[2], 200) << name;
      EXPECT_LT(pixel[0], 50) << name;
    } else if (n > 5 && n < 10) {
      EXPECT_LT(pixel[2], 50) << name;
      EXPECT_GT(pixel[0], 200) << name;
    }
  }
  EXPECT_NE(pictures[0], pictures[9]) << "the background changed colour";
  EXPECT_EQ(pictures[7], pictures[9]) << "nothing else moves before 1 s";
  EXPECT_NE(pictures[9], pictures[10]) << "the end picture comes in at 1 s";
  EXPECT_EQ(pictures[10], pictures[19]) << "a still picture";
  expectNoTemporaryFiles();
}

// A folder that cannot be made fails the dump with status 1 and the name of
// the frame, instead of leaving gaps.
TEST_F(DumpDemoTest, AFrameThatCannotBeWrittenEndsTheDemoWithAnError) {
  writeWork("frames", "not a folder");
  writeDumpSetup("<time length=\"30\"/>", "<music mute=\"nosound\"/>");
  const std::string out = runToEnd(1, 90.0);
  EXPECT_NE(out.find("Could not write the frame 'frames/demo.000000.png'"), std::string::npos) << out;
  EXPECT_NE(out.find("The dump stopped with "), std::string::npos) << out;
}

}  // namespace
