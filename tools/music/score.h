#pragma once
// The score of the demo's song "emberfall": tempo, sections, chords,
// patterns and the arrangement that says which part plays when.
//
// 120 BPM in 4/4: one beat is 0.5 s, one bar 2 s, one step (a sixteenth)
// 0.125 s. Section starts, for placing effects on them:
//
//   intro   bar  0     0 s
//   build   bar  8    16 s
//   drop    bar 24    48 s
//   break   bar 40    80 s
//   drop2   bar 56   112 s
//   outro   bar 80   160 s
//   end     bar 88   176 s

#include <string>
#include <vector>

#include "synth.h"

namespace kindra_music {

constexpr double kBpm = 120.0;
constexpr int kBeatsPerBar = 4;
constexpr int kStepsPerBar = 16;
constexpr double kSecondsPerBeat = 60.0 / kBpm;
constexpr double kSecondsPerBar = kSecondsPerBeat * kBeatsPerBar;
constexpr double kSecondsPerStep = kSecondsPerBar / kStepsPerBar;
constexpr int kSongBars = 88;
constexpr double kSongSeconds = kSongBars * kSecondsPerBar;
constexpr long kSongFrames = static_cast<long>(kSongSeconds) * kRate;

struct Section {
  const char* name;
  int bar;
};
constexpr Section kSections[] = {{"intro", 0}, {"build", 8}, {"drop", 24}, {"break", 40}, {"drop2", 56}, {"outro", 80}};
constexpr double sectionSeconds(const Section& s) { return s.bar * kSecondsPerBar; }

// First frame of a step (a sixteenth) counted from the start of the song.
long stepFrame(long step);

// One row of the arrangement: an instrument plays a pattern from bar `from`
// up to bar `to`, its level and brightness moving linearly from the first
// value to the second over those bars.
struct Part {
  int from;
  int to;
  Instrument instrument;
  const char* pattern;
  int transpose;  // semitones
  float gainFrom, gainTo;
  float toneFrom, toneTo;
};

// A note the arrangement asks for.
struct Note {
  Instrument instrument;
  long startFrame;
  long gateFrames;
  double midi;  // 0 for drums
  float velocity;
  int part;     // index into arrangement()
  uint32_t seed;
};

const std::vector<Part>& arrangement();

// Every note of the song in order of start; throws std::runtime_error
// naming the pattern when the score is malformed.
std::vector<Note> scoreNotes();

// A melody as "<note><octave>:<steps>" and "r:<steps>" tokens ("E5:4 r:2");
// a "|" must fall on a bar line. Returns {step, length, midi} triples.
struct MelodyNote {
  int step;
  int length;
  int midi;
};
std::vector<MelodyNote> parseMelody(const std::string& text, int* totalSteps);

}  // namespace kindra_music
