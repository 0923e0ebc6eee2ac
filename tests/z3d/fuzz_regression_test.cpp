// Inputs the scene-loading fuzzer once failed on, run through its checks.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "z3d_walk.h"

namespace {

TEST(FuzzRegressions, EveryFindingNowPasses) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(kindra_test::sourceDir()) / "tests/z3d/fuzz_regressions";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string bytes = kindra_test::readFile(entry.path().string());
    kindra_test::StdoutCapture quiet;
    EXPECT_EQ(z3d_fuzz::checkInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "")
        << entry.path();
    ++count;
  }
  EXPECT_GE(count, 2);
}

}  // namespace
