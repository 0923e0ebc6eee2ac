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

// ------------------------------------------------------------ the song's own rate

TEST_F(MusicTest, SampleRateComesFromTheSongsHeader) {
  const std::string wav = kindra_tools::encodeWav(kindra_tools::makeTone(0.1, 22050, 1), 22050, 1);
  const std::string ogg = kindra_tools::encodeOgg(kindra_tools::makeTone(0.1, 48000, 2), 48000, 2);
  const auto rateOf = [](const std::string& bytes) {
    return Music::probeSampleRate(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<long>(bytes.size()));
  };
  EXPECT_EQ(rateOf(wav), 22050);
  EXPECT_EQ(rateOf(ogg), 48000);
  // the stream info of a FLAC file: 96000 Hz in 20 bits
  std::string flac("fLaC\0\0\0\x22\x10\x00\x10\x00\0\0\0\0\0\0\x17\x70\x00", 21);
  EXPECT_EQ(rateOf(flac), 96000);
  std::string opus = ogg.substr(0, 28 + ogg[26]);
  opus.replace(27 + static_cast<unsigned char>(ogg[26]), std::string::npos, "OpusHead\x01\x02\0\0\x44\xac\0\0", 16);
  EXPECT_EQ(rateOf(opus), 48000);
  // nothing it can tell from
  EXPECT_EQ(rateOf(wav.substr(0, 30)), 0) << "a cut format chunk";
  EXPECT_EQ(rateOf(ogg.substr(0, 30)), 0);
  EXPECT_EQ(rateOf("ID3\x03 an mp3 perhaps"), 0);
  EXPECT_EQ(Music::probeSampleRate(nullptr, 10), 0);
}

// ------------------------------------------------------------ positions

TEST_F(MusicTest, PositionsAreSampleFramesAtTheSongsRate) {
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

TEST_F(MusicTest, PositionsAtAnotherRate) {
  for (const bool ogg : {false, true}) {
    SCOPED_TRACE(ogg ? "ogg" : "wav");
    Music music;
    ASSERT_TRUE(music.setup(ogg ? oggSong(2.0, 22050, 1) : wavSong(2.0, 22050, 1)));
    EXPECT_EQ(music.getSampleRate(), 22050);
    EXPECT_EQ(music.getSongFrames(), 44100);
    music.setTime(1.5f);
    EXPECT_EQ(music.getPosition(), 33075);
    EXPECT_EQ(music.getTime(), 1.5f);
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

TEST_F(MusicTest, TheSongEndsByItselfAndTheDecoderFollowsTime) {
  Music music;
  ASSERT_TRUE(music.setup(oggSong(0.6, 44100)));
  music.play();
  sleepFor(0.3);
  EXPECT_FALSE(music.update());
  const auto start = std::chrono::steady_clock::now();
  while (!music.update() && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) sleepFor(0.01);
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(music.update()) << "the device plays the song to its end";
  EXPECT_LT(waited, 1.0) << "in about the song's time";
  EXPECT_EQ(music.getTime(), music.getSongLength());
}

// ------------------------------------------------------------ pause and mute

TEST_F(MusicTest, PauseHoldsThePosition) {
  Music music;
  ASSERT_TRUE(music.setup(wavSong(3.0, 44100)));
  music.play();
  sleepFor(0.2);
  music.pause(true);
  EXPECT_TRUE(music.isPaused());
  const int held = music.getPosition();
  EXPECT_GT(held, 0);
  sleepFor(0.2);
  EXPECT_EQ(music.getPosition(), held);
  EXPECT_FALSE(music.update());
  music.pause(false);
  sleepFor(0.2);
  EXPECT_GT(music.getPosition(), held + 4410);
}

TEST_F(MusicTest, ASongThatEndedWhilePausedEndsOnlyWhenUnpaused) {
  Music music;
  ASSERT_TRUE(music.setup(oggSong(1.0, 44100)));
  music.play();
  music.pause(true);
  music.setTime(5.0f);
  EXPECT_EQ(music.getTime(), 1.0f);
  EXPECT_FALSE(music.update()) << "paused: not ended";
  music.pause(false);
  EXPECT_TRUE(music.update());

  // paused just before the end, it stays there
  music.setTime(0.95f);
  music.pause(true);
  sleepFor(0.3);
  EXPECT_FALSE(music.update());
  EXPECT_NEAR(music.getTime(), 0.95f, 0.06f);
  music.pause(false);
  sleepFor(0.5);
  EXPECT_TRUE(music.update());
}

TEST_F(MusicTest, MuteKeepsTheSongAndItsTimeGoing) {
  Music music;
  ASSERT_TRUE(music.setup(oggSong(3.0, 44100)));
  music.play();
  music.mute(true);
  EXPECT_TRUE(music.isMuted());
  const float before = music.getTime();
  sleepFor(0.3);
  EXPECT_GT(music.getTime(), before + 0.2f);
  EXPECT_FALSE(music.update());
  music.mute(false);
  EXPECT_FALSE(music.isMuted());
}

// ------------------------------------------------------------ failures

TEST_F(MusicTest, NoSoundDeviceFailsWithItsMessage) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  Music music;
  kindra_test::StdoutCapture capture;
  EXPECT_FALSE(music.setup(wavSong(1.0, 44100)));
  const std::string out = capture.finish();
  EXPECT_NE(out.find("[error][kindra::Music::setup], No sound device!\n (kin_music.cpp:"), std::string::npos) << out;
  EXPECT_EQ(music.getTime(), 0.0f);
  EXPECT_FALSE(music.update());

  // the device comes back for the next song
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_TRUE(music.setup(wavSong(1.0, 44100)));
}

TEST_F(MusicTest, SongsThatCannotBeDecodedFailWithItsMessage) {
  const std::string wav = kindra_tools::encodeWav(kindra_tools::makeTone(1.0, 44100, 2), 44100, 2);
  for (const std::string& bytes : {std::string("certainly no song at all"), wav.substr(0, 40), std::string()}) {
    Music music;
    kindra_test::StdoutCapture capture;
    EXPECT_FALSE(music.setup(fileOf("bad", bytes)));
    const std::string out = capture.finish();
    EXPECT_NE(out.find("Could not open file\n"), std::string::npos) << out;
  }
  Music music;
  kindra_test::StdoutCapture capture;
  EXPECT_FALSE(music.setup(File()));
  EXPECT_NE(capture.finish().find("Could not open file\n"), std::string::npos);
}

TEST_F(MusicTest, ACutSongPlaysWhatItHas) {
  std::string ogg = kindra_tools::encodeOgg(kindra_tools::makeTone(2.0, 44100, 2), 44100, 2);
  Music music;
  if (music.setup(fileOf("cut.ogg", ogg.substr(0, ogg.size() / 2)))) {
    music.play();
    music.setTime(0.5f);
    sleepFor(0.1);
    EXPECT_LE(music.getTime(), music.getSongLength());
  }
  std::string wav = kindra_tools::encodeWav(kindra_tools::makeTone(2.0, 44100, 2), 44100, 2);
  ASSERT_TRUE(music.setup(fileOf("cut.wav", wav.substr(0, wav.size() / 2))));
  EXPECT_NEAR(music.getSongLength(), 1.0f, 0.01f);
}

TEST_F(MusicTest, OneSongAtATime) {
  Music first;
  ASSERT_TRUE(first.setup(wavSong(1.0, 44100)));
  Music second;
  kindra_test::StdoutCapture capture;
  EXPECT_FALSE(second.setup(wavSong(1.0, 44100)));
  EXPECT_NE(capture.finish().find("Could not open sound!, muting\n"), std::string::npos);
  first.play();
  sleepFor(0.1);
  EXPECT_GT(first.getPosition(), 0) << "the first one keeps playing";
}

// ------------------------------------------------------------ the steady clock

TEST(MusicClockTest, TheWallClockCarriesThePositionBetweenReports) {
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
}

TEST(MusicClockTest, AReportThatStraysTakesOver) {
  MusicClock clock(0.2);
  clock.set(0.0, 0.0);
  clock.run(true, 0.0);
  EXPECT_NEAR(clock.get(0.0, 1.0), 1.0, 1e-9);
  EXPECT_NEAR(clock.get(0.5, 1.0), 0.5, 1e-9) << "the device fell behind";
  EXPECT_NEAR(clock.get(0.5, 1.1), 0.6, 1e-9);
  EXPECT_NEAR(clock.get(3.0, 1.2), 3.0, 1e-9) << "or ran ahead";
}

TEST(MusicClockTest, ADecoderThatNeverMovesLeavesTheWallClock) {
  MusicClock clock(0.2);
  clock.set(2.0, 0.0);
  clock.run(true, 0.0);
  for (int i = 1; i <= 10; ++i) EXPECT_NEAR(clock.get(2.0, i), 2.0 + i, 1e-9);
  EXPECT_NEAR(clock.get(-1.0, 11.0), 13.0, 1e-9) << "no position at all";
}

}  // namespace
