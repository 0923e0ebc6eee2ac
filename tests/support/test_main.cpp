#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // what the engine rescues at exit stays out of the user's own state
  const std::string state = "/tmp/kindra-test-state-" + std::to_string(getpid());
  setenv("XDG_STATE_HOME", state.c_str(), 1);
  const int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(state, ignored);
  return result;
}
