#pragma once
// A toolkit on a window-less display whose archive is a scratch directory.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "am.h"
#include "fake_display.h"
#include "tes_control.h"
#include "tes_workspace.h"
#include "tessel.h"
#include "test_support.h"

namespace kindra_test {

class TesselTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(archive.addArchive(dir.path() + "/"), 0);
    display.setArchive(&archive);
    tessel = std::make_unique<zelkor::tessel::Tessel>(&display);
  }

  void put(const std::string& name, const std::string& text) { ASSERT_TRUE(writeFile(dir.file(name), text)); }

  // Loads a layout whose workspace holds `children` (and names the style
  // file when `styleText` is given); returns the log.
  std::string loadLayout(const std::string& children, const std::string& styleText = std::string(),
                         const std::string& workspaceAttributes = std::string()) {
    std::string attributes = workspaceAttributes;
    if (!styleText.empty()) {
      put("style.xml", styleText);
      attributes += " style=\"style.xml\"";
    }
    put("layout.xml", "<tessel>\n<workspace id=\"workspace\"" + attributes + ">\n<child>\n" + children +
                          "\n</child>\n</workspace>\n</tessel>\n");
    StdoutCapture capture;
    tessel->load("layout.xml");
    return capture.finish();
  }

  zelkor::tessel::Control* find(const std::string& id) { return tessel->findControl(id); }
  zelkor::tessel::Workspace* workspace() { return tessel->getWorkspace(); }

  ScratchDir dir{"tessel"};
  zelkor::am::ArchiveManager archive;
  FakeDisplay display{800, 600};
  std::unique_ptr<zelkor::tessel::Tessel> tessel;
};

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace kindra_test
