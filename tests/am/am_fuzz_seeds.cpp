// Writes the small seed corpora of the asset manager's fuzzers:
//   am_fuzz_seeds <directory>   (normally fuzz/am/seeds)
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "am_test_inputs.h"
#include "test_support.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed directory>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  bool ok = true;
  auto put = [&](const char* target, const char* name, const std::string& bytes) {
    fs::create_directories(root / target);
    ok = kindra_test::writeFile((root / target / name).string(), bytes) && ok;
  };

  put("am_png_fuzzer", "rgb8.png", am_test::makePng(4, 4, PNG_COLOR_TYPE_RGB, 8));
  put("am_png_fuzzer", "rgba8_interlaced.png", am_test::makePng(9, 5, PNG_COLOR_TYPE_RGB_ALPHA, 8, "", true));
  put("am_png_fuzzer", "gray8.png", am_test::makePng(3, 2, PNG_COLOR_TYPE_GRAY, 8));
  put("am_png_fuzzer", "palette4.png", am_test::makePng(3, 3, PNG_COLOR_TYPE_PALETTE, 4));
  put("am_png_fuzzer", "rgb16.png", am_test::makePng(2, 2, PNG_COLOR_TYPE_RGB, 16));

  const std::vector<uint8_t> rgb = am_test::makeFrame(16, 8, 3);
  put("am_jpeg_fuzzer", "baseline.jpg", am_test::makeJpeg(16, 8, 3, rgb, 50));
  put("am_jpeg_fuzzer", "progressive.jpg", am_test::makeJpeg(16, 8, 3, rgb, 50, true));
  put("am_jpeg_fuzzer", "grey.jpg", am_test::makeJpeg(8, 8, 1, am_test::makeFrame(8, 8, 1), 50));

  const std::string scratch = (fs::temp_directory_path() / "am_fuzz_seed.zip").string();
  auto zip = [&](const char* name, const std::vector<am_test::ZipEntry>& entries) {
    ok = am_test::makeZip(scratch, entries) && ok;
    put("am_zip_fuzzer", name, kindra_test::readFile(scratch));
    fs::remove(scratch);
  };
  zip("mixed.zip", {{"a.txt", "stored text", false}, {"dir/b.txt", std::string(300, 'b') + "end", true}});
  zip("empty_entry.zip", {{"empty", "", true}});
  zip("no_entries.zip", {});

  if (!ok) std::fprintf(stderr, "am_fuzz_seeds: could not write every seed\n");
  return ok ? 0 : 1;
}
