// The score: melodies read as written, a malformed one is refused with a
// message that names it, and every note of the song lies inside the song,
// in its key.

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "score.h"

namespace {

using namespace kindra_music;

TEST(MelodyTest, NotesRestsAndSharpsBecomeStepsAndPitches) {
  int total = 0;
  const std::vector<MelodyNote> notes = parseMelody("A4:4 r:4 C#5:8 | G2:12 r:4|", &total);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(total, 32);
  EXPECT_EQ(notes[0].step, 0);
  EXPECT_EQ(notes[0].length, 4);
  EXPECT_EQ(notes[0].midi, 69);
  EXPECT_EQ(notes[1].step, 8);
  EXPECT_EQ(notes[1].length, 8);
  EXPECT_EQ(notes[1].midi, 73);
  EXPECT_EQ(notes[2].step, 16);
  EXPECT_EQ(notes[2].midi, 43);
}

TEST(MelodyTest, AMalformedMelodyIsRefusedByName) {
  const char* const bad[] = {
      "E5:4 | E5:12",  // a bar line after 4 steps
      "E5:4 E5",       // no length
      "E5:",           // no length
      "E5:0",          // nothing to hold
      "E5:x",          // not a number
      "E5:99999",      // a length past any song
      "H5:4",          // no such note
      "E:4",           // no octave
      "E55:4",         // an octave too many
      "",              // nothing at all
      "| |",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    int total = 0;
    try {
      parseMelody(text, &total);
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("melody \"") + text + "\""), std::string::npos) << e.what();
    }
  }
}

TEST(ScoreTest, EveryNoteLiesInsideTheSongAndInAMinor) {
  const std::vector<Note> notes = scoreNotes();
  ASSERT_FALSE(notes.empty());
  std::set<Instrument> heard;
  // A natural minor: A B C D E F G
  const std::set<int> scale = {9, 11, 0, 2, 4, 5, 7};
  long previousStart = 0;
  for (const Note& n : notes) {
    SCOPED_TRACE(std::string(instrumentName(n.instrument)) + " at frame " + std::to_string(n.startFrame));
    heard.insert(n.instrument);
    EXPECT_GE(n.startFrame, previousStart) << "in order of start";
    previousStart = n.startFrame;
    EXPECT_GE(n.startFrame, 0);
    EXPECT_LT(n.startFrame, kSongFrames);
    EXPECT_GT(n.gateFrames, 0);
    EXPECT_LE(n.startFrame + n.gateFrames, kSongFrames);
    EXPECT_GT(n.velocity, 0.0f);
    EXPECT_LE(n.velocity, 1.0f);
    ASSERT_GE(n.part, 0);
    ASSERT_LT(static_cast<size_t>(n.part), arrangement().size());
    const Part& part = arrangement()[static_cast<size_t>(n.part)];
    EXPECT_EQ(part.instrument, n.instrument);
    EXPECT_GE(n.startFrame, stepFrame(static_cast<long>(part.from) * kStepsPerBar)) << "inside its part";
    EXPECT_LT(n.startFrame, stepFrame(static_cast<long>(part.to) * kStepsPerBar)) << "inside its part";
    const bool pitched = n.instrument == Instrument::BASS || n.instrument == Instrument::PAD ||
                         n.instrument == Instrument::ARP || n.instrument == Instrument::LEAD;
    if (pitched) {
      const int midi = static_cast<int>(n.midi);
      EXPECT_EQ(static_cast<double>(midi), n.midi);
      EXPECT_EQ(scale.count(midi % 12), 1u) << "midi " << midi;
      EXPECT_GE(midi, 24);
      EXPECT_LE(midi, 96);
    }
  }
  EXPECT_EQ(heard.size(), static_cast<size_t>(kInstrumentCount)) << "every instrument plays";
}

}  // namespace
