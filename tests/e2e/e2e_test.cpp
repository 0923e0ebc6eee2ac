// The real executable under the test's display: started as the demo command
// starts it, stopped with real keys sent through the X server.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "demo_fixture.h"
#include "test_support.h"
#include "tone.h"

namespace {

namespace fs = std::filesystem;
using kindra_e2e::DemoOptions;
using kindra_e2e::DemoTest;

// Escape quits too: nearly every other run ends with it.
TEST_F(DemoTest, PPrintsTheTimeAndQQuitsWithStatusZero) {
  const std::string out = playAndPress("p q");
  EXPECT_NE(out.find("[info][display::DisplayGLFW::open], Opened window of resolution 800x600 (glfw version: 3."),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("[info][display::DisplayGLFW::close], closing display (dis_display_glfw.cpp:"), std::string::npos)
      << out;
  EXPECT_LT(out.find("Opened window"), out.find("\n---\n"));
  EXPECT_LT(out.find("\n---\n"), out.find("closing display"));
  const size_t printed = out.find("[log][kindra::Kindra::onKeyDown], ");
  ASSERT_NE(printed, std::string::npos) << out;
  const double time = std::atof(out.c_str() + printed + std::string("[log][kindra::Kindra::onKeyDown], ").size());
  EXPECT_GE(time, 0.0);
  EXPECT_LT(time, 30.0);
}

// ------------------------------------------------------------ setup file

// The user's own settings, with things the engine does not know.
const char kLocalSetup[] =
    "<demo>\n"
    "\t<!-- mine -->\n"
    "\t<display width=\"640\" height=\"480\" fullscreen=\"off\" title=\"Kindra\"/>\n"
    "\t<music mute=\"off\" filename=\"music/tone.ogg\"/>\n"
    "\t<osd show=\"on\" location=\"top\" delay=\"1\"/>\n"
    "\t<extra note=\"kept\"/>\n"
    "</demo>\n";

TEST_F(DemoTest, TheLocalSetupIsWrittenBackAtExit) {
  writeWork("setup.local.xml", kLocalSetup);
  const std::string shared = readWork("setup.xml");
  const std::string out = playAndPress("ctrl+t o o m Escape");
  EXPECT_NE(out.find("Opened window of resolution 640x480"), std::string::npos) << "the local file is read:\n" << out;
  const std::string saved = readWork("setup.local.xml");
  static const std::regex expected(
      "<demo>\n"
      "\t<!-- mine -->\n"
      "\t<display width=\"640\" height=\"480\" fullscreen=\"off\" title=\"Kindra\"/>\n"
      "\t<music mute=\"on\" filename=\"music/tone.ogg\"/>\n"
      "\t<osd show=\"on\" location=\"bottom\" delay=\"1.00\"/>\n"
      "\t<extra note=\"kept\"/>\n"
      "\t<time start=\"[0-9]+\\.[0-9]{2}\" length=\"60\" loop=\"off\"/>\n"
      "</demo>\n");
  EXPECT_TRUE(std::regex_match(saved, expected)) << saved;
  EXPECT_EQ(readWork("setup.xml"), shared) << "the shared file is never written";
  expectNoTemporaryFiles();
}

TEST_F(DemoTest, WithoutASoundDeviceTheDemoPlaysSilently) {
  DemoOptions options;
  options.env.push_back({"SDL_AUDIODRIVER", "no-such-driver"});
  const std::string out = playAndPress("Escape", options);
  EXPECT_NE(out.find("[error][kindra::Music::setup], No sound device!"), std::string::npos) << out;
}

TEST_F(DemoTest, TheEndOfTheSongEndsTheDemoWithStatusZero) {
  const std::vector<short> song = kindra_tools::makeTone(1.5, 22050, 1);
  writeWork("music/short.wav", kindra_tools::encodeWav(song, 22050, 1));
  writeWork("setup.local.xml",
            "<demo>\n\t<display width=\"320\" height=\"240\" title=\"Kindra\"/>\n"
            "\t<music filename=\"music/short.wav\" mute=\"off\"/>\n</demo>\n");
  const std::string out = runToEnd(0);
  EXPECT_NE(out.find("closing display"), std::string::npos) << out;
  EXPECT_EQ(readWork("setup.local.xml"),
            "<demo>\n\t<display width=\"320\" height=\"240\" title=\"Kindra\" fullscreen=\"off\"/>\n"
            "\t<music filename=\"music/short.wav\" mute=\"off\"/>\n"
            "\t<time start=\"0.00\" length=\"1.5\" loop=\"off\"/>\n</demo>\n")
      << "the settings are saved as at the quit key";
}

TEST_F(DemoTest, ABrokenSetupEndsStartUpWithAClearError) {
  writeWork("setup.local.xml", "<demo>\n\t<display width=\"320\"\n");
  std::string out = runToEnd(1);
  EXPECT_NE(out.find("setup.local.xml: (error at line "), std::string::npos) << out;
  EXPECT_EQ(out.find("Opened window"), std::string::npos) << out;

  fs::remove(work.file("setup.local.xml"));
  fs::remove(work.file("setup.xml"));
  out = runToEnd(1);
  EXPECT_NE(out.find("[Kindra] Could not load 'setup.[local.]xml'"), std::string::npos) << out;
}

}  // namespace
