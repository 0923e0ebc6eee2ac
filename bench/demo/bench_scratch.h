#pragma once
// A scratch copy of data/ for the benchmarks that run the whole demo.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace demo_bench {

// A scratch copy of data/ with the window at 1280x720, removed at exit;
// `mute` plays without sound, `enter` makes it the working directory while
// it lives.
struct ScratchData {
  ScratchData(const char* name, bool mute, bool enter) {
    std::string pattern = std::string("/tmp/kindra-") + name + "-XXXXXX";
    if (!mkdtemp(&pattern[0])) std::abort();
    dir = pattern;
    std::filesystem::copy(KINDRA_DATA_DIR, dir, std::filesystem::copy_options::recursive);
    std::ifstream in(dir + "/setup.xml");
    std::stringstream text;
    text << in.rdbuf();
    std::string setup = text.str();
    replace(setup, "width=\"800\" height=\"600\"", "width=\"1280\" height=\"720\"");
    const size_t at = setup.find("mute=\"");
    if (mute && at != std::string::npos) {
      const size_t end = setup.find('"', at + 6);
      if (end != std::string::npos) setup.replace(at, end + 1 - at, "mute=\"nosound\"");
    }
    std::ofstream(dir + "/setup.xml") << setup;
    if (enter) {
      previous = std::filesystem::current_path();
      std::filesystem::current_path(dir);
    }
  }
  ~ScratchData() {
    if (!previous.empty()) std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  static void replace(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
  }
  std::string dir;
  std::filesystem::path previous;
};

}  // namespace demo_bench
