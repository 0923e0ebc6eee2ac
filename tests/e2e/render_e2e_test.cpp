// scripts/render.sh end to end: a one-second render at a tiny size becomes a
// video with every frame and the song's sound.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace {

std::string run(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buffer[512];
  while (fgets(buffer, sizeof(buffer), pipe)) out += buffer;
  *status = pclose(pipe);
  return out;
}

TEST(RenderScript, ARenderBecomesAVideoWithTheSong) {
  kindra_test::ScratchDir dir("kindra-render");
  const std::string video = dir.file("demo.mkv");
  int status = -1;
  const std::string out = run("KINDRA_BUILD_DIR='" + kindra_test::binaryDir() + "' '" + kindra_test::sourceDir() +
                                  "/scripts/render.sh' -s 64x48 -r 10 -t 1 -o '" + video + "'",
                              &status);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
  EXPECT_NE(out.find("frames 10 / 10 (100%)"), std::string::npos) << "the progress line\n" << out;
  ASSERT_TRUE(std::filesystem::exists(video)) << out;

  const std::string streams =
      run("ffprobe -v error -count_frames -show_entries stream=codec_type,width,height,nb_read_frames -of compact '" +
              video + "'",
          &status);
  EXPECT_NE(streams.find("codec_type=video|width=64|height=48|nb_read_frames=10"), std::string::npos) << streams;
  EXPECT_NE(streams.find("codec_type=audio"), std::string::npos) << streams;
  // the scratch copy of data/ is gone
  for (const auto& entry : std::filesystem::directory_iterator(kindra_test::binaryDir())) {
    EXPECT_EQ(entry.path().filename().string().rfind("render.", 0), std::string::npos) << entry.path();
  }
}

}  // namespace
