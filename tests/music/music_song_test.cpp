// The demo's song as the build leaves it in data/music: it plays through the
// engine's music at the length of its score, stays below full scale, rises
// and falls with its sections, and renders to the same bytes every time.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <vorbis/vorbisfile.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kin_music.h"
#include "score.h"
#include "song.h"
#include "test_support.h"

namespace {

using namespace kindra_music;

std::string songPath() { return kindra_test::sourceDir() + "/data/music/emberfall.ogg"; }

struct Decoded {
  int channels = 0;
  long rate = 0;
  std::vector<short> samples;  // interleaved
};

Decoded decode(const std::string& path) {
  Decoded out;
  OggVorbis_File file;
  if (ov_fopen(path.c_str(), &file) != 0) return out;
  const vorbis_info* info = ov_info(&file, -1);
  out.channels = info->channels;
  out.rate = info->rate;
  char buffer[8192];
  int section = 0;
  long got;
  while ((got = ov_read(&file, buffer, sizeof(buffer), 0, 2, 1, &section)) > 0) {
    const size_t at = out.samples.size();
    out.samples.resize(at + static_cast<size_t>(got) / 2);
    std::memcpy(&out.samples[at], buffer, static_cast<size_t>(got));
  }
  ov_clear(&file);
  return out;
}

class SongTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { sSong = new Decoded(decode(songPath())); }
  static void TearDownTestSuite() {
    delete sSong;
    sSong = nullptr;
  }
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_FALSE(sSong->samples.empty()) << "could not decode " << songPath();
  }
  static Decoded* sSong;
};
Decoded* SongTest::sSong = nullptr;

TEST_F(SongTest, TheEnginePlaysItAtTheLengthOfItsScore) {
  const std::string bytes = kindra_test::readFile(songPath());
  ASSERT_FALSE(bytes.empty());
  unsigned char* data = new unsigned char[bytes.size()];
  std::memcpy(data, bytes.data(), bytes.size());
  zelkor::am::File file(new zelkor::am::FileStructure("music/emberfall.ogg", static_cast<long>(bytes.size()), data));
  zelkor::kindra::Music music;
  ASSERT_TRUE(music.setup(file));
  EXPECT_EQ(music.getSampleRate(), 44100);
  EXPECT_EQ(music.getSongFrames(), kSongFrames) << "88 bars at 120 BPM";
  EXPECT_FLOAT_EQ(music.getSongLength(), 176.0f);
}

// The file the build made is what the score renders now: it is neither
// stale nor different from one run to the next.
TEST_F(SongTest, TheBuiltFileIsWhatTheScoreRenders) {
  const std::string rendered = encodeSong();
  ASSERT_FALSE(rendered.empty());
  EXPECT_TRUE(rendered == kindra_test::readFile(songPath()));
}

// ------------------------------------------------------------ the generator

int run(const std::string& arguments, const std::string& log) {
  const int status = std::system((std::string(KINDRA_MUSICGEN) + " " + arguments + " >" + log + " 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MusicGeneratorTest, TwoRendersGiveTheSameBytes) {
  kindra_test::ScratchDir work("kindra-music");
  ASSERT_EQ(run(work.file("a.ogg") + " 5", work.file("log")), 0) << kindra_test::readFile(work.file("log"));
  ASSERT_EQ(run(work.file("b.ogg") + " 5", work.file("log")), 0) << kindra_test::readFile(work.file("log"));
  const std::string a = kindra_test::readFile(work.file("a.ogg"));
  EXPECT_GT(a.size(), 10000u);
  EXPECT_TRUE(a == kindra_test::readFile(work.file("b.ogg")));
  EXPECT_TRUE(a == encodeSong(5.0)) << "the same in another process";
  const Decoded excerpt = decode(work.file("a.ogg"));
  EXPECT_EQ(excerpt.samples.size(), 2u * 5 * 44100);
}

TEST(MusicGeneratorTest, BadArgumentsAndUnwritablePlacesAreRefused) {
  kindra_test::ScratchDir work("kindra-music");
  const std::string log = work.file("log");
  for (const char* bad : {"", " 0", " -3", " abc", " 5x", " 177", " 5 6"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(run(bad[0] ? work.file("x.ogg") + bad : std::string(), log), 2);
    EXPECT_NE(kindra_test::readFile(log).find("kindra_musicgen"), std::string::npos) << kindra_test::readFile(log);
  }
  // folders are made as needed, but never below a plain file
  kindra_test::writeFile(work.file("plain"), "x");
  const std::string nowhere = work.file("plain/song.ogg");
  EXPECT_EQ(run(nowhere + " 1", log), 1);
  EXPECT_NE(kindra_test::readFile(log).find("could not write '" + nowhere + "'"), std::string::npos)
      << kindra_test::readFile(log);
}

}  // namespace
