// The music on the sound system's dummy device (it plays in real time but
// makes no sound), on WAV and Ogg songs made by the test.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "kin_music.h"
#include "test_support.h"
#include "tone.h"

namespace {

using zelkor::am::File;
using zelkor::am::FileStructure;
using zelkor::kindra::Music;
using zelkor::kindra::MusicClock;

File fileOf(const std::string& name, const std::string& bytes) {
  unsigned char* data = new unsigned char[bytes.size()];
  std::memcpy(data, bytes.data(), bytes.size());
  return File(new FileStructure(name, static_cast<long>(bytes.size()), data));
}

File wavSong(double seconds, int rate, int channels = 2) {
  return fileOf("song.wav", kindra_tools::encodeWav(kindra_tools::makeTone(seconds, rate, channels), rate, channels));
}

File oggSong(double seconds, int rate, int channels = 2) {
  return fileOf("song.ogg", kindra_tools::encodeOgg(kindra_tools::makeTone(seconds, rate, channels), rate, channels));
}

void sleepFor(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

class MusicTest : public testing::Test {
 protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void TearDown() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

// ------------------------------------------------------------ positions

TEST_F(MusicTest, PositionsAreSampleFramesAtTheSongsRate) {
  EXPECT_EQ(Music::probeSampleRate(nullptr, 10), 0) << "no bytes tell no rate";
  for (const bool ogg : {false, true}) {
    SCOPED_TRACE(ogg ? "ogg" : "wav");
    Music music;
    ASSERT_TRUE(music.setup(ogg ? oggSong(3.0, 44100) : wavSong(3.0, 44100)));
    EXPECT_EQ(music.getSampleRate(), 44100);
    EXPECT_EQ(music.getSongFrames(), 132300);
    EXPECT_FLOAT_EQ(music.getSongLength(), 3.0f);
    EXPECT_EQ(music.getPosition(), 0) << "set up, it stands at its start";
    EXPECT_FALSE(music.update()) << "a song that has not started has not ended";

    music.setTime(1.5f);
    EXPECT_EQ(music.getPosition(), 66150);
    EXPECT_EQ(music.getTime(), 1.5f);
    sleepFor(0.1);
    EXPECT_EQ(music.getPosition(), 66150) << "not playing yet";

    music.play();
    sleepFor(0.25);
    const float playing = music.getTime();
    EXPECT_GT(playing, 1.6f);
    EXPECT_LT(playing, 2.2f);
    music.setTime(0.75f);  // while playing, and into a whole second the decoder would round to
    EXPECT_NEAR(music.getPosition(), 33075, 441) << "it plays on from there";
    sleepFor(0.2);
    EXPECT_GT(music.getTime(), 0.85f);
    EXPECT_LT(music.getTime(), 1.4f);
  }
}

TEST_F(MusicTest, SeekingPastTheEndStandsAtTheEndAndEndsTheSong) {
  for (const bool ogg : {false, true}) {
    SCOPED_TRACE(ogg ? "ogg" : "wav");
    Music music;
    ASSERT_TRUE(music.setup(ogg ? oggSong(2.0, 44100) : wavSong(2.0, 44100)));
    music.play();
    music.setTime(10.0f);
    EXPECT_EQ(music.getPosition(), music.getSongFrames());
    EXPECT_EQ(music.getTime(), music.getSongLength());
    EXPECT_TRUE(music.update());
    music.setTime(-4.0f);
    EXPECT_NEAR(music.getPosition(), 0, 441) << "it plays again from the start";

    // the ended song plays again from where it is sought
    music.setTime(12.0f);
    EXPECT_TRUE(music.update());
    music.setTime(0.5f);
    EXPECT_FALSE(music.update());
    EXPECT_NEAR(music.getPosition(), 22050, 441);
    sleepFor(0.2);
    EXPECT_GT(music.getTime(), 0.6f);
  }
}

// ------------------------------------------------------------ the steady clock

TEST(MusicClockTest, TheWallClockCarriesThePositionBetweenReportsUnlessOneStrays) {
  MusicClock clock(0.2);
  clock.set(10.0, 100.0);
  EXPECT_EQ(clock.get(10.0, 100.5), 10.0) << "stopped, it stands";
  clock.run(true, 101.0);
  EXPECT_NEAR(clock.get(10.0, 101.25), 10.25, 1e-9);
  EXPECT_NEAR(clock.get(10.15, 101.3), 10.3, 1e-9) << "a report near the estimate changes nothing";
  EXPECT_NEAR(clock.get(10.15, 101.4), 10.4, 1e-9) << "the decoder stands between buffers";
  clock.run(false, 101.5);
  EXPECT_NEAR(clock.get(10.15, 102.0), 10.5, 1e-9);
  clock.run(true, 103.0);
  EXPECT_NEAR(clock.get(10.6, 103.1), 10.6, 1e-9);

  // a report that strays takes over
  clock.set(0.0, 0.0);
  clock.run(true, 0.0);
  EXPECT_NEAR(clock.get(0.0, 1.0), 1.0, 1e-9);
  EXPECT_NEAR(clock.get(0.5, 1.0), 0.5, 1e-9) << "the device fell behind";
  EXPECT_NEAR(clock.get(0.5, 1.1), 0.6, 1e-9);
  EXPECT_NEAR(clock.get(3.0, 1.2), 3.0, 1e-9) << "or ran ahead";
}

}  // namespace
