// Whether the setup file lets the demo watch its files for live editing.

#include <gtest/gtest.h>

#include "kin_liveedit.h"
#include "kin_main.h"
#include "kindra_workdir.h"
#include "test_support.h"

namespace {

TEST(LiveEditSetting, OnUnlessTheSetupFileSaysOffOrTheDemoDumps) {
  struct Case {
    const char* shared;
    const char* local;  // "" when there is none
    bool wanted;
  };
  const Case cases[] = {
      {"<demo><display/></demo>", "", true},
      {"<demo><display live=\"off\"/></demo>", "", false},
      {"<demo><display live=\"off\"/><display live=\"on\"/></demo>", "", true},
      {"<demo><display live=\"on\"/><dump name=\"f.png\"/></demo>", "", false},
      {"<demo><display live=\"off\"/></demo>", "<demo><display/></demo>", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.shared) + " / " + c.local);
    kindra_test::WorkDir work("kindra-live");
    work.write("setup.xml", c.shared);
    if (*c.local) work.write("setup.local.xml", c.local);
    kindra_test::StdoutCapture capture;
    zelkor::kindra::Kindra engine;
    engine.setup(-1.0f);
    EXPECT_EQ(zelkor::kindra::LiveEdit::isWanted(engine), c.wanted);
  }
}

}  // namespace
