#include "synth.h"

#include <algorithm>
#include <cmath>

namespace kindra_music {

namespace {

// Filters and pitch follow their envelopes at this many frames per step.
constexpr int kControlFrames = 16;

double decayCoefficient(double seconds) { return std::exp(-1.0 / (seconds * kRate)); }

double cents(double c) { return std::pow(2.0, c / 1200.0); }

// Smooth saturation that keeps unity gain at full scale.
float saturate(float x, float drive) { return static_cast<float>(std::tanh(drive * x) / std::tanh(drive)); }

float polyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return static_cast<float>(t + t - t * t - 1.0);
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return static_cast<float>(t * t + t + t + 1.0);
  }
  return 0.0f;
}

}  // namespace

double noteFrequency(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

// ------------------------------------------------------------ building blocks

Noise::Noise(uint32_t seed) : mState(seed * 2654435761u + 0x9e3779b9u) {
  if (mState == 0) mState = 1;
}

float Noise::next() {
  // xorshift32
  mState ^= mState << 13;
  mState ^= mState >> 17;
  mState ^= mState << 5;
  return static_cast<float>(mState) * (2.0f / 4294967296.0f) - 1.0f;
}

void Oscillator::advance() {
  mPhase += mIncrement;
  if (mPhase >= 1.0) mPhase -= 1.0;
}

float Oscillator::sine() {
  const float value = static_cast<float>(std::sin(2.0 * kPi * mPhase));
  advance();
  return value;
}

float Oscillator::saw() {
  const float value = static_cast<float>(2.0 * mPhase - 1.0) - polyBlep(mPhase, mIncrement);
  advance();
  return value;
}

float Oscillator::square() {
  float value = mPhase < 0.5 ? 1.0f : -1.0f;
  value += polyBlep(mPhase, mIncrement);
  const double half = mPhase < 0.5 ? mPhase + 0.5 : mPhase - 0.5;
  value -= polyBlep(half, mIncrement);
  advance();
  return value;
}

void Filter::set(double cutoff, double q) {
  cutoff = std::clamp(cutoff, 20.0, 0.45 * kRate);
  const double g = std::tan(kPi * cutoff / kRate);
  const double k = 1.0 / q;
  const double a1 = 1.0 / (1.0 + g * (g + k));
  mA1 = static_cast<float>(a1);
  mA2 = static_cast<float>(g * a1);
  mA3 = static_cast<float>(g * g * a1);
  mK = static_cast<float>(k);
}

float Filter::process(float in) {
  const float v3 = in - mIc2;
  const float v1 = mA1 * mIc1 + mA2 * v3;
  const float v2 = mIc2 + mA2 * mIc1 + mA3 * v3;
  mIc1 = 2.0f * v1 - mIc1;
  mIc2 = 2.0f * v2 - mIc2;
  switch (mMode) {
    case LOWPASS:
      return v2;
    case BANDPASS:
      return v1;
    case HIGHPASS:
      break;
  }
  return in - mK * v1 - v2;
}

Envelope::Envelope(double attack, double decay, double sustain, double release, long gateFrames)
    : mAttackStep(1.0 / std::max(1.0, attack * kRate)),
      mDecayCoefficient(decayCoefficient(decay)),
      mSustain(sustain),
      mReleaseFrames(std::max(1L, std::lround(release * kRate))),
      mGate(std::max(1L, gateFrames)) {}

float Envelope::next() {
  if (mStage != DONE && mStage != RELEASE && mAge >= mGate) {
    mStage = RELEASE;
    mReleaseFrom = mLevel;
  }
  switch (mStage) {
    case ATTACK:
      mLevel += mAttackStep;
      if (mLevel >= 1.0) {
        mLevel = 1.0;
        mStage = DECAY;
      }
      break;
    case DECAY:
      mLevel = mSustain + (mLevel - mSustain) * mDecayCoefficient;
      break;
    case RELEASE: {
      const double x = 1.0 - static_cast<double>(++mReleaseAge) / mReleaseFrames;
      mLevel = x > 0.0 ? mReleaseFrom * x * x : 0.0;
      if (x <= 0.0) mStage = DONE;
      break;
    }
    case DONE:
      mLevel = 0.0;
      break;
  }
  ++mAge;
  return static_cast<float>(mLevel);
}

// ------------------------------------------------------------ the instruments

namespace {

long seconds(double s) { return std::lround(s * kRate); }

// The loop of a voice that sounds the same in both ears: `sample()` gives
// the next raw frame and the envelope shapes it.
template <typename Sample>
bool renderMono(Envelope& envelope, float velocity, float* left, float* right, int frames, Sample sample) {
  for (int i = 0; i < frames; ++i) {
    const float v = sample();
    const float out = v * envelope.next() * velocity;
    left[i] += out;
    right[i] += out;
    if (envelope.finished()) return false;
  }
  return true;
}

class Kick : public Voice {
 public:
  Kick(float velocity, uint32_t seed)
      : mVelocity(velocity), mNoise(seed), mEnvelope(0.0005, 0.17, 0.0, 0.02, seconds(0.42)) {
    mClick.set(5000.0, 0.7);
  }
  bool render(float* left, float* right, int frames, float) override {
    return renderMono(mEnvelope, mVelocity, left, right, frames, [this] {
      mSweep *= mSweepDecay;
      mBody.setFrequency(46.0 + 150.0 * mSweep);
      mClickLevel *= mClickDecay;
      return saturate(mBody.sine(), 1.6f) + 0.35f * static_cast<float>(mClickLevel) * mClick.process(mNoise.next());
    });
  }

 private:
  const double mSweepDecay = decayCoefficient(0.028);
  const double mClickDecay = decayCoefficient(0.003);
  float mVelocity;
  Noise mNoise;
  Envelope mEnvelope;
  Oscillator mBody;
  Filter mClick{Filter::LOWPASS};
  double mSweep = 1.0;
  double mClickLevel = 1.0;
};

class Snare : public Voice {
 public:
  Snare(float velocity, uint32_t seed)
      : mVelocity(velocity), mNoise(seed), mEnvelope(0.0005, 1.0, 1.0, 0.03, seconds(0.3)) {
    mBand.set(2800.0, 0.6);
    mHigh.set(1200.0, 0.7);
  }
  bool render(float* left, float* right, int frames, float) override {
    return renderMono(mEnvelope, mVelocity, left, right, frames, [this] {
      mSweep *= mSweepDecay;
      mBodyLevel *= mBodyDecay;
      mNoiseLevel *= mNoiseDecay;
      mBody.setFrequency(180.0 + 90.0 * mSweep);
      const float n = mNoise.next();
      const float noise = 0.7f * mBand.process(n) + 0.5f * mHigh.process(n);
      const float v = 0.8f * static_cast<float>(mBodyLevel) * mBody.sine() + static_cast<float>(mNoiseLevel) * noise;
      // rounds off the crack of the first milliseconds, keeps the tail
      return std::tanh(1.5f * v) * (1.0f / 1.5f);
    });
  }

 private:
  const double mSweepDecay = decayCoefficient(0.015);
  const double mBodyDecay = decayCoefficient(0.05);
  const double mNoiseDecay = decayCoefficient(0.12);
  float mVelocity;
  Noise mNoise;
  Envelope mEnvelope;
  Oscillator mBody;
  Filter mBand{Filter::BANDPASS};
  Filter mHigh{Filter::HIGHPASS};
  double mSweep = 1.0;
  double mBodyLevel = 1.0;
  double mNoiseLevel = 1.0;
};

// Noise and six detuned squares, high-passed: closed or open hat.
class Hat : public Voice {
 public:
  Hat(float velocity, uint32_t seed, bool open)
      : mVelocity(velocity),
        mNoise(seed),
        mEnvelope(0.0003, open ? 0.22 : 0.028, 0.0, 0.012, seconds(open ? 0.6 : 0.12)) {
    static const double kRatios[6] = {1.0, 1.4471, 1.6170, 1.9265, 2.5028, 2.6637};
    for (int i = 0; i < 6; ++i) {
      mMetal[i].setFrequency(410.0 * kRatios[i]);
      mMetal[i].setPhase(0.5 + 0.5 * mNoise.next());
    }
    mRing.set(9500.0, 1.2);
    mHigh.set(7000.0, 0.7);
  }
  bool render(float* left, float* right, int frames, float) override {
    return renderMono(mEnvelope, mVelocity, left, right, frames, [this] {
      float metal = 0.0f;
      for (Oscillator& o : mMetal) metal += o.square();
      return mHigh.process(0.6f * mNoise.next() + 0.25f * mRing.process(metal));
    });
  }

 private:
  float mVelocity;
  Noise mNoise;
  Envelope mEnvelope;
  Oscillator mMetal[6];
  Filter mRing{Filter::BANDPASS};
  Filter mHigh{Filter::HIGHPASS};
};

// A long wash of noise, different in each ear.
class Crash : public Voice {
 public:
  Crash(float velocity, uint32_t seed)
      : mVelocity(velocity), mNoise{Noise(seed), Noise(seed + 7919)}, mEnvelope(0.001, 0.7, 0.0, 0.5, seconds(3.5)) {
    for (Filter& f : mHigh) f.set(4200.0, 0.8);
  }
  bool render(float* left, float* right, int frames, float) override {
    for (int i = 0; i < frames; ++i) {
      const float e = mEnvelope.next() * mVelocity;
      left[i] += mHigh[0].process(mNoise[0].next()) * e;
      right[i] += mHigh[1].process(mNoise[1].next()) * e;
      if (mEnvelope.finished()) return false;
    }
    return true;
  }

 private:
  float mVelocity;
  Noise mNoise[2];
  Envelope mEnvelope;
  Filter mHigh[2] = {Filter(Filter::HIGHPASS), Filter(Filter::HIGHPASS)};
};

// Noise through a band-pass that sweeps up over the note while it swells.
class Riser : public Voice {
 public:
  Riser(long gate, float velocity, uint32_t seed)
      : mVelocity(velocity), mGate(std::max(1L, gate)), mNoise{Noise(seed), Noise(seed + 104729)},
        mEnvelope(0.01, 1.0, 1.0, 0.04, gate) {}
  bool render(float* left, float* right, int frames, float) override {
    for (int i = 0; i < frames; ++i, ++mAge) {
      const double x = std::min(1.0, static_cast<double>(mAge) / mGate);
      if (mAge % kControlFrames == 0) {
        for (Filter& f : mBand) f.set(250.0 * std::pow(36.0, x), 2.5);
      }
      const float e = static_cast<float>(x * x) * mEnvelope.next() * mVelocity;
      left[i] += mBand[0].process(mNoise[0].next()) * e;
      right[i] += mBand[1].process(mNoise[1].next()) * e;
      if (mEnvelope.finished()) return false;
    }
    return true;
  }

 private:
  float mVelocity;
  long mGate;
  long mAge = 0;
  Noise mNoise[2];
  Envelope mEnvelope;
  Filter mBand[2] = {Filter(Filter::BANDPASS), Filter(Filter::BANDPASS)};
};

// A deep falling sine under the first beat of a drop.
class Boom : public Voice {
 public:
  explicit Boom(float velocity) : mVelocity(velocity), mEnvelope(0.002, 0.7, 0.0, 0.1, seconds(1.8)) {}
  bool render(float* left, float* right, int frames, float) override {
    return renderMono(mEnvelope, mVelocity, left, right, frames, [this] {
      mSweep *= mSweepDecay;
      mBody.setFrequency(32.0 + 50.0 * mSweep);
      return saturate(mBody.sine(), 1.3f);
    });
  }

 private:
  const double mSweepDecay = decayCoefficient(0.3);
  float mVelocity;
  Envelope mEnvelope;
  Oscillator mBody;
  double mSweep = 1.0;
};

// One or two oscillators through a low-pass whose cutoff snaps down after
// the attack, with an unfiltered sine under them: the bass and the arp.
struct MonoPatch {
  double attack, decay, sustain, release;
  double cutoff, cutoffByTone;           // Hz, at tone 0 and added at tone 1
  double snapFloor, snapAmount, snapSeconds;  // the cutoff's envelope
  double q;
  float saw, square, sub;                // levels
  double squareCents;
};

const MonoPatch kBassPatch = {0.003, 0.3, 0.8, 0.035, 100.0, 1000.0, 1.0, 3.0, 0.07, 1.2, 0.6f, 0.0f, 0.55f, 0.0};
const MonoPatch kArpPatch = {0.002, 0.28, 0.0, 0.05, 200.0, 5000.0, 0.3, 1.7, 0.1, 1.8, 0.5f, 0.35f, 0.0f, 4.0};

class MonoSynth : public Voice {
 public:
  MonoSynth(const MonoPatch& patch, double midi, long gate, float velocity)
      : mPatch(patch),
        mSnapDecay(std::pow(decayCoefficient(patch.snapSeconds), kControlFrames)),
        mVelocity(velocity),
        mEnvelope(patch.attack, patch.decay, patch.sustain, patch.release, gate) {
    const double f = noteFrequency(midi);
    mSaw.setFrequency(f);
    mSquare.setFrequency(f * cents(patch.squareCents));
    mSub.setFrequency(f);
  }
  bool render(float* left, float* right, int frames, float tone) override {
    return renderMono(mEnvelope, mVelocity, left, right, frames, [this, tone] {
      if (mAge++ % kControlFrames == 0) {
        mLow.set((mPatch.cutoff + mPatch.cutoffByTone * tone) * (mPatch.snapFloor + mPatch.snapAmount * mSnap),
                 mPatch.q);
        mSnap *= mSnapDecay;
      }
      float v = 0.0f;
      if (mPatch.saw != 0.0f) v += mPatch.saw * mSaw.saw();
      if (mPatch.square != 0.0f) v += mPatch.square * mSquare.square();
      v = mLow.process(v);
      if (mPatch.sub != 0.0f) v += mPatch.sub * mSub.sine();
      return v;
    });
  }

 private:
  const MonoPatch& mPatch;
  double mSnapDecay;
  float mVelocity;
  Envelope mEnvelope;
  Oscillator mSaw, mSquare, mSub;
  Filter mLow;
  double mSnap = 1.0;
  long mAge = 0;
};

// Three detuned saws per ear, slowly breathing through a low-pass.
class Pad : public Voice {
 public:
  Pad(double midi, long gate, float velocity, uint32_t seed)
      : mVelocity(velocity), mEnvelope(0.45, 1.2, 0.8, 0.9, gate) {
    static const double kDetune[2][3] = {{-11.0, 0.0, 8.0}, {-6.0, 3.0, 12.0}};
    Noise phases(seed);
    const double f = noteFrequency(midi);
    for (int c = 0; c < 2; ++c) {
      for (int s = 0; s < 3; ++s) {
        mSaws[c][s].setFrequency(f * cents(kDetune[c][s]));
        mSaws[c][s].setPhase(0.5 + 0.5 * phases.next());
      }
    }
    mDrift = 0.5 + 0.5 * phases.next();
  }
  bool render(float* left, float* right, int frames, float tone) override {
    float* out[2] = {left, right};
    for (int i = 0; i < frames; ++i, ++mAge) {
      if (mAge % kControlFrames == 0) {
        const double breath = 1.0 + 0.15 * std::sin(2.0 * kPi * (0.17 * mAge / kRate + mDrift));
        for (Filter& f : mLow) f.set((300.0 + 3500.0 * tone * tone) * breath, 0.7);
      }
      const float e = mEnvelope.next() * mVelocity * 0.5f;
      for (int c = 0; c < 2; ++c) {
        const float sum = mSaws[c][0].saw() + mSaws[c][1].saw() + mSaws[c][2].saw();
        out[c][i] += mLow[c].process(sum * (1.0f / 3.0f)) * e;
      }
      if (mEnvelope.finished()) return false;
    }
    return true;
  }

 private:
  float mVelocity;
  Envelope mEnvelope;
  Oscillator mSaws[2][3];
  Filter mLow[2];
  double mDrift;
  long mAge = 0;
};

// Two detuned saws over a square an octave down, with a vibrato that comes
// in while the note is held.
class Lead : public Voice {
 public:
  Lead(double midi, long gate, float velocity)
      : mVelocity(velocity), mFrequency(noteFrequency(midi)), mEnvelope(0.008, 0.5, 0.72, 0.12, gate) {
    mSaws[1].setPhase(0.37);
  }
  bool render(float* left, float* right, int frames, float tone) override {
    for (int i = 0; i < frames; ++i, ++mAge) {
      if (mAge % kControlFrames == 0) {
        const double t = static_cast<double>(mAge) / kRate;
        const double depth = 14.0 * std::clamp((t - 0.25) / 0.3, 0.0, 1.0);
        const double vibrato = cents(depth * std::sin(2.0 * kPi * 5.2 * t));
        mSaws[0].setFrequency(mFrequency * vibrato * cents(-7.0));
        mSaws[1].setFrequency(mFrequency * vibrato * cents(7.0));
        mSub.setFrequency(mFrequency * vibrato * 0.5);
        const double cutoff = (600.0 + 5500.0 * tone) * (0.7 + 0.9 * mFilterEnvelope);
        for (Filter& f : mLow) f.set(cutoff, 1.0);
        mFilterEnvelope *= mFilterDecay;
      }
      const float a = mSaws[0].saw();
      const float b = mSaws[1].saw();
      const float sub = 0.25f * mSub.square();
      const float e = mEnvelope.next() * mVelocity * 0.5f;
      left[i] += mLow[0].process(0.6f * a + 0.4f * b + sub) * e;
      right[i] += mLow[1].process(0.4f * a + 0.6f * b + sub) * e;
      if (mEnvelope.finished()) return false;
    }
    return true;
  }

 private:
  const double mFilterDecay = std::pow(decayCoefficient(0.25), kControlFrames);
  float mVelocity;
  double mFrequency;
  Envelope mEnvelope;
  Oscillator mSaws[2], mSub;
  Filter mLow[2];
  double mFilterEnvelope = 1.0;
  long mAge = 0;
};

}  // namespace

const char* instrumentName(Instrument instrument) {
  static const char* const kNames[kInstrumentCount] = {"kick", "snare", "hat",  "open hat", "crash", "riser",
                                                        "boom", "bass",  "pad", "arp",      "lead"};
  return kNames[static_cast<int>(instrument)];
}

const MixSettings& mixSettings(Instrument instrument) {
  //                                         level  pan    duck  delay reverb
  static const MixSettings kMix[kInstrumentCount] = {
      {0.38f, 0.0f, 0.0f, 0.0f, 0.0f},     // kick
      {0.60f, 0.0f, 0.0f, 0.0f, 0.18f},    // snare
      {0.40f, 0.25f, 0.0f, 0.0f, 0.05f},   // hat
      {0.19f, 0.3f, 0.0f, 0.0f, 0.08f},    // open hat
      {0.28f, 0.0f, 0.0f, 0.0f, 0.2f},     // crash
      {0.16f, 0.0f, 0.0f, 0.15f, 0.3f},    // riser
      {0.40f, 0.0f, 0.0f, 0.0f, 0.05f},    // boom
      {0.65f, 0.0f, 0.7f, 0.0f, 0.0f},     // bass
      {0.40f, 0.0f, 0.8f, 0.0f, 0.35f},    // pad
      {0.27f, -0.2f, 0.5f, 0.35f, 0.2f},   // arp
      {0.45f, 0.05f, 0.3f, 0.28f, 0.25f},  // lead
  };
  return kMix[static_cast<int>(instrument)];
}

std::unique_ptr<Voice> makeVoice(Instrument instrument, double midi, long gateFrames, float velocity, uint32_t seed) {
  switch (instrument) {
    case Instrument::KICK:
      return std::make_unique<Kick>(velocity, seed);
    case Instrument::SNARE:
      return std::make_unique<Snare>(velocity, seed);
    case Instrument::HAT:
      return std::make_unique<Hat>(velocity, seed, false);
    case Instrument::OPEN_HAT:
      return std::make_unique<Hat>(velocity, seed, true);
    case Instrument::CRASH:
      return std::make_unique<Crash>(velocity, seed);
    case Instrument::RISER:
      return std::make_unique<Riser>(gateFrames, velocity, seed);
    case Instrument::BOOM:
      return std::make_unique<Boom>(velocity);
    case Instrument::BASS:
      return std::make_unique<MonoSynth>(kBassPatch, midi, gateFrames, velocity);
    case Instrument::PAD:
      return std::make_unique<Pad>(midi, gateFrames, velocity, seed);
    case Instrument::ARP:
      return std::make_unique<MonoSynth>(kArpPatch, midi, gateFrames, velocity);
    case Instrument::LEAD:
      return std::make_unique<Lead>(midi, gateFrames, velocity);
  }
  return nullptr;
}

// ------------------------------------------------------------ send effects

PingPongDelay::PingPongDelay(int frames, float feedback)
    : mLeft(static_cast<size_t>(frames), 0.0f), mRight(static_cast<size_t>(frames), 0.0f), mFeedback(feedback) {}

void PingPongDelay::process(float inLeft, float inRight, float& outLeft, float& outRight) {
  outLeft = mLeft[mAt];
  outRight = mRight[mAt];
  // one-pole low-passes in the loop: every repeat a little darker
  mDampLeft += 0.35f * (outLeft - mDampLeft);
  mDampRight += 0.35f * (outRight - mDampRight);
  mLeft[mAt] = 0.5f * (inLeft + inRight) + mDampRight * mFeedback;
  mRight[mAt] = mDampLeft * mFeedback;
  if (++mAt == mLeft.size()) mAt = 0;
}

Reverb::Reverb(float room, float damp) : mFeedback(0.7f + 0.28f * room), mDamp(0.4f * damp) {
  static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const int kAllPasses[4] = {556, 441, 341, 225};
  for (int c = 0; c < 2; ++c) {
    const int spread = c * 23;
    for (int length : kCombs) {
      Comb comb;
      comb.buffer.assign(static_cast<size_t>(length + spread), 0.0f);
      mCombs[c].push_back(comb);
    }
    for (int length : kAllPasses) {
      AllPass pass;
      pass.buffer.assign(static_cast<size_t>(length + spread), 0.0f);
      mAllPasses[c].push_back(pass);
    }
  }
}

float Reverb::comb(Comb& c, float in, float feedback, float damp) {
  const float out = c.buffer[c.at];
  c.store = out * (1.0f - damp) + c.store * damp;
  c.buffer[c.at] = in + c.store * feedback;
  if (++c.at == c.buffer.size()) c.at = 0;
  return out;
}

float Reverb::allPass(AllPass& a, float in) {
  const float delayed = a.buffer[a.at];
  a.buffer[a.at] = in + delayed * 0.5f;
  if (++a.at == a.buffer.size()) a.at = 0;
  return delayed - in;
}

void Reverb::process(float inLeft, float inRight, float& outLeft, float& outRight) {
  const float in = (inLeft + inRight) * 0.015f;
  float out[2];
  for (int c = 0; c < 2; ++c) {
    float sum = 0.0f;
    for (Comb& comb : mCombs[c]) sum += Reverb::comb(comb, in, mFeedback, mDamp);
    for (AllPass& pass : mAllPasses[c]) sum = allPass(pass, sum);
    out[c] = sum;
  }
  outLeft = out[0];
  outRight = out[1];
}

}  // namespace kindra_music
