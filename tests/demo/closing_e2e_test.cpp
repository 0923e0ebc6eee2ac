// The demo's program plays the closing part of the song, through the
// character grid, the credits and the end picture, to the song's end without
// a GL error; their scripts are in the form the engine writes them.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "demo_fixture.h"
#include "test_support.h"

namespace {

class ClosingDemoTest : public kindra_e2e::DemoTest {
 protected:
  void writeSetup(double start) { DemoTest::writeSetup(start, 320, 240); }
};

TEST_F(ClosingDemoTest, TheClosingEffectsPlayToTheEndOfTheSong) {
  writeSetup(112);
  const std::string out = runToEnd(0, 180.0);
  for (const char* script : {"script/Ascii.Ascii.xml", "script/Cred.Cred.xml", "script/End.End.xml"}) {
    EXPECT_NE(out.find(std::string("effect::load: filename: ") + script), std::string::npos) << script;
  }
  EXPECT_EQ(out.find("GL-error"), std::string::npos) << out;
  EXPECT_EQ(out.find("[error][Exception]"), std::string::npos) << out;
  EXPECT_NE(out.find("\n---\n"), std::string::npos) << "it played\n" << out;
}

TEST_F(ClosingDemoTest, TheScriptsAreWrittenBackAsTheyStand) {
  writeSetup(170);
  const std::string before[] = {readWork("script/Ascii.Ascii.xml"), readWork("script/Cred.Cred.xml"),
                                readWork("script/End.End.xml")};
  const std::string out = playAndPress("Escape");
  EXPECT_NE(out.find("effect::save: filename: script/End.End.xml"), std::string::npos) << out;
  EXPECT_EQ(readWork("script/Ascii.Ascii.xml"), before[0]);
  EXPECT_EQ(readWork("script/Cred.Cred.xml"), before[1]);
  EXPECT_EQ(readWork("script/End.End.xml"), before[2]);
}

}  // namespace
