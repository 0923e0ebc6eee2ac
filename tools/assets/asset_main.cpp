// The command line of every asset generator.
#include <cstdio>
#include <cstring>
#include <exception>
#include <set>
#include <string>
#include <vector>

#include "asset_kit.h"
#include "zlk_system.h"

namespace kindra_assets {

namespace {

int usage(const char* self) {
  std::fprintf(stderr, "usage: %s <data-dir> [<file>...] | --list\n", self);
  return 2;
}

}  // namespace

int runGenerator(int argc, char** argv) {
  const char* self = argc > 0 ? argv[0] : "generator";
  if (argc < 2) return usage(self);
  const std::vector<Asset> assets = generatedAssets();
  if (std::strcmp(argv[1], "--list") == 0) {
    if (argc != 2) return usage(self);
    for (const Asset& a : assets) std::printf("%s\n", a.path);
    return 0;
  }

  // The build names the outputs it expects; a generator that makes other
  // files than those would leave stale or untracked ones behind.
  if (argc > 2) {
    std::set<std::string> named(argv + 2, argv + argc);
    std::set<std::string> own;
    for (const Asset& a : assets) own.insert(a.path);
    if (named != own) {
      std::fprintf(stderr, "%s: the build names other files than the generator makes; it makes:\n", self);
      for (const std::string& path : own) std::fprintf(stderr, "  %s\n", path.c_str());
      return 2;
    }
  }

  const std::string folder = argv[1];
  try {
    for (const Asset& a : assets) writeAsset(folder + "/" + a.path, a.make());
  } catch (const zelkor::Exception&) {
    return 1;  // already reported as it was made
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", self, e.what());
    return 1;
  }
  return 0;
}

}  // namespace kindra_assets

int main(int argc, char** argv) { return kindra_assets::runGenerator(argc, argv); }
