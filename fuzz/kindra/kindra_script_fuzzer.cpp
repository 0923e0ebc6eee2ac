// Effect scripts as a user's editor or a broken disk leaves them: loading
// ends with the script's values or the defaults, never a crash, and whatever
// was loaded is saved so that loading and saving it again gives the same
// bytes.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_files.h"
#include "kin_effect.h"
#include "kin_plugin_spline.h"

namespace {

class Fuzzed : public zelkor::kindra::Effect {
 public:
  Fuzzed() {
    mType = "Fuzz";
    mName = "f";
    addPlugin("a", a);
    addPlugin("b", b);
  }
  void draw(float, float, float) override {}
  zelkor::kindra::Spline a;
  zelkor::kindra::Spline b;
};

using kindra_fuzz::readAll;
using kindra_fuzz::writeAll;

// Loads the script into a new effect, evaluates it and saves it; returns what
// was written.
std::string loadAndSave(bool* broken) {
  Fuzzed effect;
  effect.load(nullptr);
  *broken = effect.isScriptBroken();
  for (float t = -5.0f; t < 30.0f; t += 2.5f) {
    const float value = effect.a.get(t) + effect.b.get(t);
    (void)value;
  }
  effect.save();
  return readAll(effect.getSaveName().c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    char pattern[] = "/tmp/kindra_script_fuzz.XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) abort();
    // quiet: every rejected script would print its error
    return std::freopen("/dev/null", "w", stdout) != nullptr;
  }();
  (void)ready;
  unlink("script/Fuzz.f.xml.new");
  if (access("script", F_OK) != 0 && mkdir("script", 0777) != 0) abort();
  writeAll("script/Fuzz.f.xml", data, size);

  bool broken = false;
  const std::string first = loadAndSave(&broken);
  if (broken) {
    // the input is kept as it was, the state went beside it
    if (readAll("script/Fuzz.f.xml") != std::string(reinterpret_cast<const char*>(data), size)) abort();
    return 0;
  }
  // what was written reads back to the same state
  bool again = false;
  const std::string second = loadAndSave(&again);
  if (again || second != first) {
    std::fprintf(stderr, "FIRST\n%s\nSECOND\n%s\n", first.c_str(), second.c_str());
    abort();
  }
  return 0;
}
