// Setup files as a user's editor or a broken disk leaves them: the bytes are
// "setup.local.xml" in an empty working directory. Reading ends with the
// settings or an Exception; what was read is written back at exit, and that
// file reads again to the same settings and writes to the same bytes.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_files.h"
#include "kin_main.h"
#include "zlk_system.h"

namespace {

using kindra_fuzz::readAll;
using kindra_fuzz::writeAll;

// The settings a run takes from the file, as one comparable line; times and
// delays as they are written back (rounded), so that the next start reads
// them the same. Each number lies in its documented range.
std::string settings(zelkor::kindra::Kindra& k) {
  const bool inRange = k.getStartTime() >= 0.0f && k.getStartTime() <= 86400.0f && k.getSongLength() >= 0.0f &&
                       k.getSongLength() <= 86400.0f && k.getOsdDelay() >= 0.01f && k.getOsdDelay() <= 3600.0f &&
                       (!k.isDumping() || (k.getDumpRate() >= 1.0f && k.getDumpRate() <= 1000.0f)) &&
                       k.getWidth() >= 0 && k.getWidth() <= 16384 && k.getHeight() >= 0 && k.getHeight() <= 16384;
  if (!inRange) abort();
  char line[512];
  std::snprintf(line, sizeof(line), "%d %d %d %d %d %d %d %d %d %d %d %.6g %d", k.hasDisplay(), k.getWidth(),
                k.getHeight(), k.isFullscreen(), static_cast<int>(k.getFpsMode()), k.isLooping(), k.isNosound(),
                k.isOsdEnabled(), k.getOsdLocation(), k.getLogConsole(), k.isDumping(), k.getDumpRate(),
                k.isMuted());
  char times[128];
  std::snprintf(times, sizeof(times), " %.2f %.6g %.2f", k.getStartTime(), k.getSongLength(), k.getOsdDelay());
  return std::string(line) + times + "|" + k.getTitle() + "|" + k.getMusicFilename() + "|" + k.getDumpName();
}

// Reads the local setup, notes its settings and lets the engine write it
// back as at exit; false when the file was refused.
bool readAndSave(std::string* read) {
  try {
    zelkor::kindra::Kindra kindra;
    kindra.setup(-1.0f);
    *read = settings(kindra);
  } catch (const zelkor::Exception&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  static bool ready = [] {
    char pattern[] = "/tmp/kindra_setup_fuzz.XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) abort();
    // quiet: every rejected file would print its error
    return std::freopen("/dev/null", "w", stdout) != nullptr;
  }();
  (void)ready;
  writeAll("setup.local.xml", data, size);

  std::string first;
  if (!readAndSave(&first)) {
    // a refused file is left as it was
    if (readAll("setup.local.xml") != std::string(reinterpret_cast<const char*>(data), size)) abort();
    return 0;
  }
  const std::string written = readAll("setup.local.xml");
  std::string second;
  if (!readAndSave(&second)) {
    std::fprintf(stderr, "WRITTEN\n%s\nis refused\n", written.c_str());
    abort();
  }
  if (second != first) {
    std::fprintf(stderr, "READ\n%s\nREAD BACK\n%s\n", first.c_str(), second.c_str());
    abort();
  }
  const std::string again = readAll("setup.local.xml");
  if (again != written) {
    std::fprintf(stderr, "WRITTEN\n%s\nAGAIN\n%s\n", written.c_str(), again.c_str());
    abort();
  }
  return 0;
}
