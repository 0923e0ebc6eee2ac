#include "kin_rescue.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "zlk_system.h"

namespace zelkor {
namespace kindra {

namespace {

// Makes `path` and every directory above it.
bool makeDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string directory = path.substr(0, slash);
    struct stat info;
    if (mkdir(directory.c_str(), 0700) != 0 && (errno != EEXIST || stat(directory.c_str(), &info) != 0 ||
                                                 !S_ISDIR(info.st_mode))) {
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}

bool writeWhole(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "wbx");
  if (!file) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? value : "";
}

}  // namespace

void Rescue::keep(const std::string& name, const std::string& text) {
  // never outside the rescue directory
  size_t begin = name.find_first_not_of("./");
  mFiles.emplace_back(begin == std::string::npos ? "unnamed" : name.substr(begin), text);
}

bool Rescue::write() {
  if (mFiles.empty()) return true;
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof(stamp), "unsaved-%Y%m%d-%H%M%S", std::localtime(&now));

  std::vector<std::string> bases;
  if (!environment("XDG_STATE_HOME").empty()) bases.push_back(environment("XDG_STATE_HOME") + "/kindra");
  if (!environment("HOME").empty()) bases.push_back(environment("HOME") + "/.local/state/kindra");
  bases.push_back((environment("TMPDIR").empty() ? std::string("/tmp") : environment("TMPDIR")) + "/kindra");
  for (const std::string& base : bases) {
    if (!makeDirectories(base)) continue;
    // a second run within the same second gets a directory of its own
    std::string directory = base + "/" + stamp;
    bool ok = mkdir(directory.c_str(), 0700) == 0;
    for (int n = 2; !ok && errno == EEXIST && n < 100; ++n) {
      directory = base + "/" + stamp + "-" + std::to_string(n);
      ok = mkdir(directory.c_str(), 0700) == 0;
    }
    if (!ok) continue;
    for (const auto& file : mFiles) {
      const std::string path = directory + "/" + file.first;
      const size_t slash = path.rfind('/');
      ok = ok && makeDirectories(path.substr(0, slash)) && writeWhole(path, file.second);
    }
    if (!ok) {
      // half a rescue is no place to look for the edits
      std::error_code ignored;
      std::filesystem::remove_all(directory, ignored);
      continue;
    }
    mDirectory = directory;
    ZLK_LOG("error", "app", "%zu file(s) could not be saved; the edits are kept in %s", mFiles.size(),
            mDirectory.c_str());
    return true;
  }
  ZLK_LOG("error", "app", "%zu file(s) could not be saved, nor kept in a rescue directory; the edits are lost",
          mFiles.size());
  return false;
}

}  // namespace kindra
}  // namespace zelkor
