// Layout and style files as an attacker writes them: the input up to the
// first NUL is "layout.xml", the rest "style.xml". Loading must end with a
// tree or an Exception, and the tree must survive a round of events.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "am.h"
#include "fake_display.h"
#include "tes_workspace.h"
#include "tessel.h"
#include "zlk_system.h"

namespace zelkor {
void zlk_log_callback(const LogData&) {}
}  // namespace zelkor

namespace {

const std::string& scratch() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/tessel_fuzz.XXXXXX";
    if (!mkdtemp(pattern)) abort();
    dir = pattern;
  }
  return dir;
}

void put(const std::string& name, const uint8_t* data, size_t size) {
  FILE* f = std::fopen((scratch() + "/" + name).c_str(), "wb");
  if (!f) abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

void send(zelkor::tessel::Workspace* workspace, const char* type, float x, float y, int button) {
  zelkor::tessel::Event e;
  e.type = type;
  e.mousePos = e.mousePosWorld = zelkor::mathbase::Vector2f(x, y);
  e.button = button;
  workspace->handleEvent(e);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t split = 0;
  while (split < size && data[split] != 0) ++split;
  put("layout.xml", data, split);
  put("style.xml", data + (split < size ? split + 1 : size), split < size ? size - split - 1 : 0);

  static zelkor::am::ArchiveManager* archive = [] {
    auto* a = new zelkor::am::ArchiveManager;
    a->addArchive(scratch() + "/");
    return a;
  }();
  // quiet: the style warning is printed, not logged
  static bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
  (void)quiet;

  kindra_test::FakeDisplay display(640, 480);
  display.setArchive(archive);
  zelkor::tessel::Tessel tessel(&display);
  try {
    tessel.load("layout.xml");
  } catch (const zelkor::Exception&) {
    return 0;
  }
  zelkor::tessel::Workspace* workspace = tessel.getWorkspace();
  for (float x = 5.0f; x < 640.0f; x += 97.0f) {
    send(workspace, "mousemove", x, x * 0.7f, 0);
    send(workspace, "mousedown", x, x * 0.7f, 0);
    send(workspace, "mouseup", x, x * 0.7f, 0);
  }
  // keys go to the focused control (the last one clicked), the wheel under the mouse
  for (zelkor::display::Key key : {zelkor::display::KEY_INSERT, zelkor::display::KEY_RIGHT,
                                   zelkor::display::KEY_DEL, zelkor::display::KEY_LEFT}) {
    zelkor::tessel::Event e;
    e.type = "keydown";
    e.key = key;
    workspace->handleEvent(e);
  }
  zelkor::tessel::Event wheel;
  wheel.type = "mousewheel";
  wheel.mousePos = wheel.mousePosWorld = zelkor::mathbase::Vector2f(300.0f, 200.0f);
  wheel.mouseDeltaWheel = static_cast<float>(size % 7) - 3.0f;
  workspace->handleEvent(wheel);
  tessel.onResize(640, 480);
  return 0;
}
