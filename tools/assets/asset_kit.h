#pragma once
// What every asset generator shares. A generator is one small executable that
// makes a fixed list of files below data/ from code alone: the same bytes on
// every run (no clock, no unseeded random numbers, fixed encoder settings).

#include <string>
#include <vector>

namespace zelkor {
namespace am {
class Image;
}
}  // namespace zelkor

namespace kindra_assets {

// One generated file: its path below data/ ('/' separated) and the function
// that makes its bytes (throws zelkor::Exception on failure).
struct Asset {
  const char* path;
  std::string (*make)();
};

// The files of this generator; each generator's source defines it once.
std::vector<Asset> generatedAssets();

// PNG bytes of a picture through the project's codec (8-bit RGBA, no time
// or text chunks, the codec's fixed compression settings).
std::string encodePng(const zelkor::am::Image& image);

// Writes the bytes safely (a temporary file beside the target, then rename),
// creating the folders the path needs; throws naming the path.
void writeAsset(const std::string& path, const std::string& bytes);

// The command line of every generator:
//   <generator> <data-dir> [<file>...]  writes the files below data-dir; the
//                                       list, when given, must be exactly the
//                                       generator's own (the build names them)
//   <generator> --list                  prints the generator's files
int runGenerator(int argc, char** argv);

}  // namespace kindra_assets
