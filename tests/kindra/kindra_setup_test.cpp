// The setup file: which one is read, what each element sets, and what is
// written back into the local one at exit.

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <tuple>

#include "kin_main.h"
#include "kindra_workdir.h"
#include "test_support.h"

namespace {

using zelkor::kindra::Kindra;

class SetupTest : public testing::Test {
 protected:
  // Reads `text` as the shared setup file.
  std::unique_ptr<Kindra> load(const std::string& text, const std::string& name = "setup.xml") {
    work.write(name, text);
    auto engine = std::make_unique<Kindra>();
    engine->setup(-1.0f);
    return engine;
  }
  kindra_test::WorkDir work{"kindra-setup"};
};

// ------------------------------------------------------------ reading

TEST_F(SetupTest, LaterElementsOverrideEarlierOnesExceptTheOnFlags) {
  auto engine = load(
      "<demo>\n"
      "\t<time loop=\"on\" start=\"1\"/>\n\t<time loop=\"off\" start=\"2\"/>\n"
      "\t<display fullscreen=\"on\" width=\"640\"/>\n\t<display fullscreen=\"off\" width=\"320\"/>\n"
      "\t<osd location=\"middle\" show=\"on\"/>\n\t<osd location=\"nowhere\" show=\"on\"/>\n"
      "\t<music mute=\"nosound\"/>\n\t<music mute=\"on\"/>\n"
      "</demo>\n");
  EXPECT_EQ(engine->getStartTime(), 2.0f);
  EXPECT_TRUE(engine->isLooping()) << "loop is only ever switched on";
  EXPECT_TRUE(engine->isFullscreen()) << "so is full screen";
  EXPECT_EQ(engine->getWidth(), 320);
  EXPECT_EQ(engine->getOsdLocation(), 0) << "an unknown place is the top";
  EXPECT_FALSE(engine->isNosound());
  EXPECT_TRUE(engine->isMuted());
}

// ------------------------------------------------------------ write-back

// Found by fuzzing: stray text in the user's file gained a pair of quotes and
// the layout after it at every exit, so the file grew with each run; a <!...>
// entry and a title holding quotes were written back in a form the next start
// refused.
TEST_F(SetupTest, WhatWasReadIsWrittenSoThatItReadsAgainAndSaysTheSame) {
  const std::tuple<std::string, std::string, std::string> files[] = {
      {"<demo>\n-\t<!-- mine -->\n\t<display width=\"640\" heihow=\"on\" location=\"top\" delay=\"1\"/>\n"
       "\t<extra note=\"kept\"/>\n</demo>\n",
       "\t'-'\n\t<!-- mine -->", ""},
      {"<demo>\n\t<!2- n\" location=\"tonpmine -->>\t<display width=\"640\" title='say \"hi\"'/>\n</demo>\n",
       "<!2- n", "say \"hi\""},
  };
  for (const auto& [text, kept, title] : files) {
    work.write("setup.local.xml", text);
    std::string saved[3];
    for (std::string& each : saved) {
      {
        Kindra engine;
        engine.setup(-1.0f);
        EXPECT_EQ(engine.getTitle(), title);
      }
      each = work.read("setup.local.xml");
    }
    EXPECT_NE(saved[0].find(kept), std::string::npos) << saved[0];
    EXPECT_EQ(saved[1], saved[0]);
    EXPECT_EQ(saved[2], saved[0]);
  }
}

TEST_F(SetupTest, ALocalFileThatBrokeDuringTheRunIsLeftAlone) {
  work.write("setup.local.xml", "<demo><osd show=\"on\"/></demo>");
  kindra_test::StdoutCapture capture;
  {
    Kindra engine;
    engine.setup(-1.0f);
    work.write("setup.local.xml", "<demo><osd");
  }
  const std::string out = capture.finish();
  EXPECT_EQ(work.read("setup.local.xml"), "<demo><osd");
  EXPECT_NE(out.find("setup.local.xml is no setup file any more; it is left as it is"), std::string::npos) << out;
}

}  // namespace
