#include "score.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace kindra_music {

namespace {

using I = Instrument;

// ------------------------------------------------------------ harmony

// A triad voiced around middle C and the bass note under it.
struct Chord {
  const char* name;
  int bass;
  int triad[3];
};

const Chord kChords[] = {
    {"Am", 33, {57, 60, 64}},  // A1 | A3 C4 E4
    {"F", 29, {57, 60, 65}},   // F1 | A3 C4 F4
    {"C", 36, {55, 60, 64}},   // C2 | G3 C4 E4
    {"G", 31, {55, 59, 62}},   // G1 | G3 B3 D4
    {"Em", 28, {55, 59, 64}},  // E1 | G3 B3 E4
};

// One chord per bar, repeated over the rows' bars.
struct Harmony {
  int from;
  int to;
  const char* chords;
};

const char kMainChords[] = "Am Am F F C C G G";

const Harmony kHarmony[] = {
    {0, 40, kMainChords},
    {40, 56, "F F G G Em Em Am Am"},
    {56, 80, kMainChords},
    {80, 88, "F F G G Am Am Am Am"},
};

// ------------------------------------------------------------ patterns
//
// One character per step (a sixteenth); spaces are for reading only and a
// pattern repeats over its part. '.' is a rest and '-' holds the note
// before it. Drums: 'X' loud, 'x' medium, 'o' soft. Bass: 'R' root, 'O'
// octave, 'F' fifth, lower case softer. Arp: a digit picks a chord tone,
// 0-2 the triad, 3-5 an octave up. Pad: 'C' the chord. A held note that
// meets a change of chord goes on in the new chord.

const char kOneHit[] = "X... .... .... ....";
const char kKickFour[] = "X... X... X... X...";
const char kKickHalf[] = "X... .... X... ....";
const char kSnareBack[] = ".... X... .... X...";
const char kSnareGhost[] = ".... X..o .... X.o.";
const char kSnareRoll8[] = "X.x. X.x. X.x. X.x.";
const char kSnareRoll16[] = "XxXx XxXx XxXx XxXx";
const char kHatSoft[] = "..o. ..o. ..o. ..o.";
const char kHatOff[] = "..x. ..x. ..x. ..x.";
const char kHatBuild[] = "o.x. o.x. o.x. o.x.";
const char kHatDrive[] = "xo.o xo.o xo.o xo.o";
const char kOpenOff[] = "..X. ..X. ..X. ..X.";
const char kRiser2[] = "X--- ---- ---- ---- ---- ---- ---- ----";
const char kRiser4[] =
    "X--- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ----";
const char kBassOff[] = "..R- ..R- ..R- ..R-";
const char kBassRoll[] = ".Rrr .Rrr .Rrr .ROr";
const char kBassOut[] = "R--- ---- R--- ----";
const char kBassHold[] = "R--- ---- ---- ---- ---- ---- ---- ----";
const char kBassHold4[] =
    "R--- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ----";
const char kPadHold[] = "C--- ---- ---- ---- ---- ---- ---- ----";
const char kPadHold4[] =
    "C--- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ---- ----";
const char kArpUp[] = "0123 4321 0123 4321";
const char kArpWide[] = "0243 1354 0243 1354";
const char kArpSparse[] = "0.2. 3.2. 1.3. 4.3.";

// Melodies, eight bars over the main chords unless said otherwise.
const char kMelodyA[] =
    "E5:4 A5:2 G5:2 E5:4 C5:2 D5:2 | E5:6 D5:2 C5:4 B4:2 C5:2 |"  // Am
    "A4:4 C5:2 F5:2 E5:4 C5:2 A4:2 | C5:8 r:4 A4:2 C5:2 |"        // F
    "G5:4 E5:2 C5:2 G5:4 A5:2 G5:2 | E5:6 D5:2 C5:4 D5:2 E5:2 |"  // C
    "D5:4 B4:2 G4:2 D5:4 E5:2 D5:2 | B4:8 r:4 D5:2 E5:2";         // G
const char kMelodyA2[] =
    "E5:4 A5:2 G5:2 E5:4 C5:2 D5:2 | E5:4 G5:4 A5:4 G5:2 E5:2 |"  // Am
    "F5:4 E5:2 C5:2 A4:4 C5:2 F5:2 | E5:8 r:4 C5:2 E5:2 |"        // F
    "G5:4 E5:2 G5:2 C6:4 B5:2 G5:2 | E5:6 G5:2 E5:4 D5:2 C5:2 |"  // C
    "D5:4 G5:2 B5:2 D6:4 B5:2 G5:2 | B5:4 A5:2 G5:2 D5:4 E5:2 G5:2";  // G
// over F F G G Em Em Am Am
const char kMelodyBreak[] =
    "C5:12 A4:4 | C5:8 F5:8 | D5:12 B4:4 | D5:8 G5:8 |"
    "E5:12 B4:4 | G5:8 E5:8 | C5:12 E5:4 | A4:16";
// over F F G G Am Am Am Am
const char kMelodyOutro[] = "C5:24 A4:8 | D5:24 B4:8 | E5:64";

// ------------------------------------------------------------ arrangement

const std::vector<Part> kArrangement = {
    // intro: a pad swells in, a muffled arp and soft hats join, a riser
    {0, 4, I::PAD, kPadHold, 0, 0.25f, 0.85f, 0.10f, 0.30f},
    {4, 8, I::PAD, kPadHold, 0, 0.85f, 0.90f, 0.30f, 0.45f},
    {4, 8, I::ARP, kArpUp, 12, 0.35f, 0.70f, 0.05f, 0.20f},
    {4, 8, I::HAT, kHatSoft, 0, 0.50f, 0.80f, 0.0f, 0.0f},
    {6, 8, I::RISER, kRiser2, 0, 0.50f, 0.50f, 0.0f, 0.0f},

    // build: kick, bass and hats, then the snare while the arp opens up; a
    // roll and a riser into the drop, the last bar without kick
    {8, 9, I::CRASH, kOneHit, 0, 0.70f, 0.70f, 0.0f, 0.0f},
    {8, 9, I::BOOM, kOneHit, 0, 0.70f, 0.70f, 0.0f, 0.0f},
    {8, 16, I::KICK, kKickFour, 0, 0.75f, 0.85f, 0.0f, 0.0f},
    {16, 23, I::KICK, kKickFour, 0, 0.85f, 0.95f, 0.0f, 0.0f},
    {8, 16, I::BASS, kBassOff, 0, 0.70f, 0.80f, 0.15f, 0.35f},
    {16, 24, I::BASS, kBassOff, 0, 0.80f, 0.90f, 0.35f, 0.55f},
    {8, 24, I::PAD, kPadHold, 0, 0.90f, 0.80f, 0.45f, 0.60f},
    {8, 24, I::ARP, kArpUp, 12, 0.70f, 0.80f, 0.20f, 0.75f},
    {8, 16, I::HAT, kHatOff, 0, 0.80f, 0.90f, 0.0f, 0.0f},
    {16, 24, I::HAT, kHatBuild, 0, 0.90f, 0.90f, 0.0f, 0.0f},
    {16, 22, I::SNARE, kSnareBack, 0, 0.80f, 0.90f, 0.0f, 0.0f},
    {22, 23, I::SNARE, kSnareRoll8, 0, 0.40f, 0.60f, 0.0f, 0.0f},
    {23, 24, I::SNARE, kSnareRoll16, 0, 0.60f, 0.85f, 0.0f, 0.0f},
    {20, 24, I::RISER, kRiser4, 0, 1.0f, 1.0f, 0.0f, 0.0f},

    // drop: everything, the lead's theme twice
    {24, 25, I::CRASH, kOneHit, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {24, 25, I::BOOM, kOneHit, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {32, 33, I::CRASH, kOneHit, 0, 0.8f, 0.8f, 0.0f, 0.0f},
    {24, 40, I::KICK, kKickFour, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {24, 40, I::SNARE, kSnareBack, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {24, 40, I::HAT, kHatDrive, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {24, 40, I::OPEN_HAT, kOpenOff, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {24, 40, I::BASS, kBassRoll, 0, 1.0f, 1.0f, 0.55f, 0.70f},
    {24, 40, I::PAD, kPadHold, 0, 0.75f, 0.75f, 0.65f, 0.65f},
    {24, 40, I::ARP, kArpUp, 12, 0.75f, 0.75f, 0.75f, 0.80f},
    {24, 32, I::LEAD, kMelodyA, 0, 1.0f, 1.0f, 0.55f, 0.60f},
    {32, 40, I::LEAD, kMelodyA2, 0, 1.0f, 1.0f, 0.60f, 0.70f},

    // break: the drums stop, the pad darkens under long lead notes; a
    // half-time kick, a roll and a riser build back up
    {40, 41, I::CRASH, kOneHit, 0, 0.6f, 0.6f, 0.0f, 0.0f},
    {40, 48, I::PAD, kPadHold, 0, 0.75f, 0.75f, 0.60f, 0.40f},
    {48, 56, I::PAD, kPadHold, 0, 0.75f, 0.85f, 0.40f, 0.60f},
    {40, 48, I::ARP, kArpSparse, 12, 0.60f, 0.60f, 0.30f, 0.25f},
    {48, 56, I::ARP, kArpUp, 12, 0.60f, 0.80f, 0.25f, 0.70f},
    {40, 56, I::LEAD, kMelodyBreak, 0, 0.60f, 0.85f, 0.25f, 0.50f},
    {48, 56, I::BASS, kBassHold, 0, 0.70f, 0.90f, 0.20f, 0.40f},
    {48, 52, I::KICK, kKickHalf, 0, 0.60f, 0.80f, 0.0f, 0.0f},
    {52, 55, I::KICK, kKickFour, 0, 0.85f, 1.0f, 0.0f, 0.0f},
    {52, 56, I::HAT, kHatOff, 0, 0.70f, 0.90f, 0.0f, 0.0f},
    {54, 55, I::SNARE, kSnareRoll8, 0, 0.40f, 0.60f, 0.0f, 0.0f},
    {55, 56, I::SNARE, kSnareRoll16, 0, 0.60f, 0.85f, 0.0f, 0.0f},
    {52, 56, I::RISER, kRiser4, 0, 1.0f, 1.0f, 0.0f, 0.0f},

    // second drop: brighter, wider arp, ghost snares, the theme doubled an
    // octave down
    {56, 57, I::CRASH, kOneHit, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {56, 57, I::BOOM, kOneHit, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {64, 65, I::CRASH, kOneHit, 0, 0.8f, 0.8f, 0.0f, 0.0f},
    {72, 73, I::CRASH, kOneHit, 0, 0.8f, 0.8f, 0.0f, 0.0f},
    {56, 80, I::KICK, kKickFour, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {56, 80, I::SNARE, kSnareGhost, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {56, 80, I::HAT, kHatDrive, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {56, 80, I::OPEN_HAT, kOpenOff, 0, 1.0f, 1.0f, 0.0f, 0.0f},
    {56, 80, I::BASS, kBassRoll, 0, 1.0f, 1.0f, 0.70f, 0.80f},
    {56, 80, I::PAD, kPadHold, 0, 0.75f, 0.75f, 0.70f, 0.70f},
    {56, 80, I::ARP, kArpWide, 12, 0.75f, 0.75f, 0.85f, 0.85f},
    {56, 64, I::LEAD, kMelodyA, 0, 1.0f, 1.0f, 0.70f, 0.70f},
    {64, 72, I::LEAD, kMelodyA2, 0, 1.0f, 1.0f, 0.70f, 0.75f},
    {72, 80, I::LEAD, kMelodyA2, 0, 1.0f, 1.0f, 0.75f, 0.80f},
    {64, 72, I::LEAD, kMelodyA2, -12, 0.45f, 0.45f, 0.50f, 0.50f},
    {72, 80, I::LEAD, kMelodyA2, -12, 0.45f, 0.45f, 0.50f, 0.55f},

    // outro: the drums thin out and everything fades on a last A minor
    {80, 81, I::CRASH, kOneHit, 0, 0.7f, 0.7f, 0.0f, 0.0f},
    {80, 84, I::KICK, kKickFour, 0, 0.90f, 0.60f, 0.0f, 0.0f},
    {80, 84, I::SNARE, kSnareBack, 0, 0.70f, 0.40f, 0.0f, 0.0f},
    {80, 86, I::HAT, kHatOff, 0, 0.80f, 0.0f, 0.0f, 0.0f},
    {80, 84, I::BASS, kBassOut, 0, 0.90f, 0.70f, 0.50f, 0.30f},
    {84, 88, I::BASS, kBassHold4, 0, 0.70f, 0.0f, 0.30f, 0.20f},
    {80, 84, I::PAD, kPadHold, 0, 0.85f, 0.85f, 0.55f, 0.45f},
    {84, 88, I::PAD, kPadHold4, 0, 0.85f, 0.0f, 0.45f, 0.20f},
    {80, 86, I::ARP, kArpUp, 12, 0.70f, 0.0f, 0.60f, 0.20f},
    {80, 88, I::LEAD, kMelodyOutro, 0, 0.60f, 0.0f, 0.40f, 0.20f},
};

// ------------------------------------------------------------ reading the score

std::vector<const Chord*> chordsPerBar() {
  std::vector<const Chord*> bars(kSongBars, nullptr);
  for (const Harmony& h : kHarmony) {
    std::vector<const Chord*> cycle;
    const char* at = h.chords;
    while (*at) {
      while (*at == ' ') ++at;
      const char* end = at;
      while (*end && *end != ' ') ++end;
      if (end == at) break;
      const std::string name(at, end);
      const Chord* found = nullptr;
      for (const Chord& c : kChords) {
        if (name == c.name) found = &c;
      }
      if (!found) throw std::runtime_error("unknown chord '" + name + "' in \"" + h.chords + "\"");
      cycle.push_back(found);
      at = end;
    }
    if (cycle.empty()) throw std::runtime_error(std::string("no chords in \"") + h.chords + "\"");
    for (int bar = h.from; bar < h.to && bar < kSongBars; ++bar) {
      bars[static_cast<size_t>(bar)] = cycle[static_cast<size_t>(bar - h.from) % cycle.size()];
    }
  }
  for (int bar = 0; bar < kSongBars; ++bar) {
    if (!bars[static_cast<size_t>(bar)]) throw std::runtime_error("bar " + std::to_string(bar) + " has no chord");
  }
  return bars;
}

// A pattern's notes: step, held length and symbol.
struct PatternNote {
  int step;
  int length;
  char symbol;
};

std::vector<PatternNote> parsePattern(const char* pattern, int* totalSteps) {
  std::vector<PatternNote> notes;
  int step = 0;
  for (const char* at = pattern; *at; ++at) {
    if (*at == ' ') continue;
    if (*at == '-') {
      if (notes.empty() || notes.back().step + notes.back().length != step) {
        throw std::runtime_error(std::string("a hold without a note in pattern \"") + pattern + "\"");
      }
      ++notes.back().length;
    } else if (*at != '.') {
      notes.push_back({step, 1, *at});
    }
    ++step;
  }
  if (step == 0) throw std::runtime_error("an empty pattern");
  *totalSteps = step;
  return notes;
}

float drumVelocity(char symbol, const char* pattern) {
  switch (symbol) {
    case 'X':
      return 1.0f;
    case 'x':
      return 0.7f;
    case 'o':
      return 0.45f;
  }
  throw std::runtime_error(std::string("unknown drum symbol '") + symbol + "' in pattern \"" + pattern + "\"");
}

// Pitch of a chord-relative symbol; the velocity through `velocity`.
int chordPitch(Instrument instrument, char symbol, const Chord& chord, const char* pattern, float* velocity) {
  *velocity = 1.0f;
  if (instrument == I::BASS) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(symbol)));
    if (upper != symbol) *velocity = 0.75f;
    if (upper == 'R') return chord.bass;
    if (upper == 'O') return chord.bass + 12;
    if (upper == 'F') return chord.bass + 7;
  } else if (instrument == I::ARP && symbol >= '0' && symbol <= '9') {
    const int index = symbol - '0';
    return chord.triad[index % 3] + 12 * (index / 3);
  } else if (instrument == I::PAD && symbol == 'C') {
    return 0;  // the whole chord, see below
  }
  throw std::runtime_error(std::string("unknown symbol '") + symbol + "' for the " + instrumentName(instrument) +
                           " in pattern \"" + pattern + "\"");
}

bool chordRelative(Instrument instrument) {
  return instrument == I::BASS || instrument == I::PAD || instrument == I::ARP;
}

bool drum(Instrument instrument) { return !chordRelative(instrument) && instrument != I::LEAD; }

uint32_t noteSeed(size_t part, long step) { return static_cast<uint32_t>(part * 100003u + static_cast<size_t>(step)); }

// Small seeded differences of loudness, as a player would make them.
float humanize(uint32_t seed) {
  Noise noise(seed ^ 0x5bd1e995u);
  return 1.0f - 0.05f * (0.5f + 0.5f * noise.next());
}

}  // namespace

long stepFrame(long step) { return std::lround(step * kSecondsPerStep * kRate); }

const std::vector<Part>& arrangement() { return kArrangement; }

std::vector<MelodyNote> parseMelody(const std::string& text, int* totalSteps) {
  static const int kNames[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  std::vector<MelodyNote> notes;
  int step = 0;
  size_t at = 0;
  const auto fail = [&text](const std::string& why) {
    throw std::runtime_error(why + " in melody \"" + text + "\"");
  };
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    if (text[at] == '|') {
      if (step % kStepsPerBar != 0) fail("a bar line after " + std::to_string(step) + " steps");
      ++at;
      continue;
    }
    size_t end = text.find_first_of(" |", at);
    if (end == std::string::npos) end = text.size();
    const std::string token = text.substr(at, end - at);
    at = end;
    const size_t colon = token.find(':');
    if (colon == std::string::npos || colon + 1 == token.size()) fail("no length in '" + token + "'");
    const std::string lengthText = token.substr(colon + 1);
    if (lengthText.find_first_not_of("0123456789") != std::string::npos || lengthText.size() > 4) {
      fail("a bad length in '" + token + "'");
    }
    const int length = std::stoi(lengthText);
    if (length <= 0) fail("a bad length in '" + token + "'");
    const std::string name = token.substr(0, colon);
    if (name != "r") {
      // <letter>[#]<octave>
      if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') fail("a bad note '" + token + "'");
      int pitch = kNames[name[0] - 'A'];
      size_t i = 1;
      if (name[i] == '#') {
        ++pitch;
        ++i;
      }
      if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') fail("a bad octave in '" + token + "'");
      notes.push_back({step, length, pitch + 12 * (name[i] - '0' + 1)});
    }
    step += length;
  }
  if (step == 0) fail("no notes");
  *totalSteps = step;
  return notes;
}

std::vector<Note> scoreNotes() {
  const std::vector<const Chord*> chords = chordsPerBar();
  // the first step of the next bar with another chord, from `step` on
  const auto chordEnd = [&chords](long step) {
    long bar = step / kStepsPerBar;
    const Chord* chord = chords[static_cast<size_t>(bar)];
    while (bar < kSongBars && chords[static_cast<size_t>(bar)] == chord) ++bar;
    return bar * kStepsPerBar;
  };

  std::vector<Note> notes;
  for (size_t index = 0; index < kArrangement.size(); ++index) {
    const Part& part = kArrangement[index];
    if (part.from < 0 || part.to > kSongBars || part.from >= part.to) {
      throw std::runtime_error("the part at bars " + std::to_string(part.from) + "-" + std::to_string(part.to) +
                               " lies outside the song");
    }
    const long first = static_cast<long>(part.from) * kStepsPerBar;
    const long last = static_cast<long>(part.to) * kStepsPerBar;
    const auto add = [&](long step, long length, double midi, float velocity) {
      const uint32_t seed = noteSeed(index, step);
      if (part.instrument != I::KICK) velocity *= humanize(seed);
      const long gate = stepFrame(step + length) - stepFrame(step);
      notes.push_back({part.instrument, stepFrame(step), gate, midi, velocity, static_cast<int>(index), seed});
    };

    int cycle = 0;
    if (part.instrument == I::LEAD) {
      const std::vector<MelodyNote> melody = parseMelody(part.pattern, &cycle);
      for (long start = first; start < last; start += cycle) {
        for (const MelodyNote& m : melody) {
          const long step = start + m.step;
          if (step >= last) break;
          add(step, std::min<long>(m.length, last - step), m.midi + part.transpose, 1.0f);
        }
      }
      continue;
    }

    const std::vector<PatternNote> pattern = parsePattern(part.pattern, &cycle);
    for (long start = first; start < last; start += cycle) {
      for (const PatternNote& p : pattern) {
        long step = start + p.step;
        if (step >= last) break;
        const long end = std::min<long>(step + p.length, last);
        if (drum(part.instrument)) {
          add(step, end - step, 0.0, drumVelocity(p.symbol, part.pattern));
          continue;
        }
        // a held note goes on in each chord it meets
        while (step < end) {
          const long until = std::min(end, chordEnd(step));
          const Chord& chord = *chords[static_cast<size_t>(step / kStepsPerBar)];
          float velocity = 1.0f;
          const int pitch = chordPitch(part.instrument, p.symbol, chord, part.pattern, &velocity);
          if (part.instrument == I::PAD) {
            for (int tone : chord.triad) add(step, until - step, tone + part.transpose, 1.0f);
            add(step, until - step, chord.triad[0] + 12 + part.transpose, 0.8f);
          } else {
            add(step, until - step, pitch + part.transpose, velocity);
          }
          step = until;
        }
      }
    }
  }
  std::stable_sort(notes.begin(), notes.end(),
                   [](const Note& a, const Note& b) { return a.startFrame < b.startFrame; });
  return notes;
}

}  // namespace kindra_music
