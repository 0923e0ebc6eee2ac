// Building trees from layout files and routing mouse input through them.

#include <benchmark/benchmark.h>
#include <stdlib.h>

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

using namespace zelkor::tessel;

// A scratch directory holding one layout and style, mounted as the archive.
class Files {
 public:
  Files() {
    char pattern[] = "/tmp/tessel_bench.XXXXXX";
    if (!mkdtemp(pattern)) abort();
    dir = pattern;
    archive.addArchive(dir + "/");
    display.setArchive(&archive);
  }
  void put(const std::string& name, const std::string& text) {
    FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f) abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  std::string dir;
  zelkor::am::ArchiveManager archive;
  kindra_test::FakeDisplay display{1280, 720};
};

// `count` framed panels, each with a flow of three labels, styled by type
// and by class.
std::string layout(int count) {
  std::string s = "<tessel><workspace style=\"style.xml\"><child><layoutstack><area maximized=\"true\"/><child>";
  char line[512];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof(line),
                  "<frame id=\"p%d\" class=\"%s\"><area x=\"%d\" y=\"0\" width=\"300\" height=\"24\"/><child>"
                  "<flow direction=\"horisontal\"><area maximized=\"true\"/><child>"
                  "<label text=\"name\"><area percent=\"40\"/></label><label text=\"value\"><area percent=\"60\"/></label>"
                  "<label text=\"x\"><area size=\"20\"/></label></child></flow></child></frame>",
                  i, i % 2 ? "odd" : "even", (i * 37) % 900);
    s += line;
  }
  return s + "</child></layoutstack></child></workspace></tessel>";
}

const char* const kStyle =
    "<tessel><frame><color name=\"back.color\" first=\"202020\" second=\"101010\"/></frame>"
    "<odd><color name=\"back.color\" first=\"303030\" second=\"101010\"/></odd>"
    "<even><color name=\"back.color\" first=\"282828\" second=\"101010\"/></even>"
    "<label><color name=\"text.color\" first=\"ffffff\" second=\"ffffff\"/></label></tessel>";

void BM_LoadLayout(benchmark::State& state) {
  Files files;
  files.put("layout.xml", layout(static_cast<int>(state.range(0))));
  files.put("style.xml", kStyle);
  for (auto _ : state) {
    Tessel tessel(&files.display);
    tessel.load("layout.xml");
    benchmark::DoNotOptimize(tessel.getWorkspace());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 5);
}
BENCHMARK(BM_LoadLayout)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_RouteMouseMove(benchmark::State& state) {
  Files files;
  files.put("layout.xml", layout(static_cast<int>(state.range(0))));
  files.put("style.xml", kStyle);
  Tessel tessel(&files.display);
  tessel.load("layout.xml");
  zelkor::display::MouseMoveEvent move;
  int step = 0;
  for (auto _ : state) {
    move.mousePos = zelkor::mathbase::Vector2f(static_cast<float>(step % 1280), static_cast<float>((step * 7) % 720));
    ++step;
    benchmark::DoNotOptimize(tessel.onMouseMove(move));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RouteMouseMove)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
