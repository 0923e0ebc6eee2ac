#pragma once
// The song's synthesizer: oscillators, filters, envelopes, the instruments
// built from them and the send effects (delay, reverb). Everything is
// sample-exact and seeded, so a render is the same on every run.

#include <cstdint>
#include <memory>
#include <vector>

namespace kindra_music {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// Frequency of a MIDI note number (69 = A4 = 440 Hz).
double noteFrequency(double midi);

// Seeded white noise in [-1, 1).
class Noise {
 public:
  explicit Noise(uint32_t seed);
  float next();

 private:
  uint32_t mState;
};

// A phase accumulator with band-limited (polyBLEP) saw and square shapes.
class Oscillator {
 public:
  void setFrequency(double hz) { mIncrement = hz / kRate; }
  void setPhase(double phase) { mPhase = phase; }
  float sine();
  float saw();
  float square();

 private:
  void advance();

  double mPhase = 0.0;
  double mIncrement = 0.0;
};

// Trapezoidal state-variable filter: stable while its cutoff moves.
class Filter {
 public:
  enum Mode { LOWPASS, BANDPASS, HIGHPASS };
  explicit Filter(Mode mode = LOWPASS) : mMode(mode) {}
  void set(double cutoff, double q);
  float process(float in);

 private:
  Mode mMode;
  float mA1 = 0.0f, mA2 = 0.0f, mA3 = 0.0f, mK = 1.0f;
  float mIc1 = 0.0f, mIc2 = 0.0f;
};

// Attack, decay, sustain, release. The attack is linear from zero and the
// release a smooth curve down to exactly zero, so a note neither starts nor
// ends with a step. The gate is the note's held length in frames.
class Envelope {
 public:
  Envelope(double attack, double decay, double sustain, double release, long gateFrames);
  float next();
  bool finished() const { return mStage == DONE; }

 private:
  enum Stage { ATTACK, DECAY, RELEASE, DONE };
  Stage mStage = ATTACK;
  double mLevel = 0.0;
  double mAttackStep;
  double mDecayCoefficient;
  double mSustain;
  long mReleaseFrames;
  long mGate;
  long mAge = 0;
  double mReleaseFrom = 0.0;
  long mReleaseAge = 0;
};

enum class Instrument { KICK, SNARE, HAT, OPEN_HAT, CRASH, RISER, BOOM, BASS, PAD, ARP, LEAD };
constexpr int kInstrumentCount = 11;
const char* instrumentName(Instrument instrument);

// Where an instrument sits in the mix.
struct MixSettings {
  float level;
  float pan;        // -1 left .. 1 right
  float duck;       // how far the kick pushes it down (0..1)
  float delaySend;
  float reverbSend;
};
const MixSettings& mixSettings(Instrument instrument);

// One sounding note of an instrument.
class Voice {
 public:
  virtual ~Voice() = default;
  // Adds the next `frames` samples to `left` and `right`; `tone` (0..1) is the
  // brightness the arrangement asks for now. False once the note has died
  // away; it adds nothing from then on.
  virtual bool render(float* left, float* right, int frames, float tone) = 0;
};

// A note of `instrument` at `midi` pitch, held for `gateFrames`, with its
// noise seeded by `seed`.
std::unique_ptr<Voice> makeVoice(Instrument instrument, double midi, long gateFrames, float velocity, uint32_t seed);

// Ping-pong echo on a dotted eighth, darkened on every repeat.
class PingPongDelay {
 public:
  PingPongDelay(int frames, float feedback);
  void process(float inLeft, float inRight, float& outLeft, float& outRight);

 private:
  std::vector<float> mLeft, mRight;
  size_t mAt = 0;
  float mFeedback;
  float mDampLeft = 0.0f, mDampRight = 0.0f;
};

// A hall of parallel damped combs and serial all-passes per channel, the
// right channel's lines slightly longer for width.
class Reverb {
 public:
  Reverb(float room, float damp);
  void process(float inLeft, float inRight, float& outLeft, float& outRight);

 private:
  struct Comb {
    std::vector<float> buffer;
    size_t at = 0;
    float store = 0.0f;
  };
  struct AllPass {
    std::vector<float> buffer;
    size_t at = 0;
  };
  static float comb(Comb& c, float in, float feedback, float damp);
  static float allPass(AllPass& a, float in);

  std::vector<Comb> mCombs[2];
  std::vector<AllPass> mAllPasses[2];
  float mFeedback;
  float mDamp;
};

}  // namespace kindra_music
