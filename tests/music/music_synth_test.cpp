// The song's synthesizer: envelopes and voices that neither start nor stop
// with a step, filters that pass what they should, and the limiter.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "song.h"
#include "synth.h"

namespace {

using namespace kindra_music;

double rms(const std::vector<float>& v, size_t from = 0) {
  double sum = 0.0;
  for (size_t i = from; i < v.size(); ++i) sum += static_cast<double>(v[i]) * v[i];
  return std::sqrt(sum / static_cast<double>(v.size() - from));
}

// ------------------------------------------------------------ envelopes

TEST(EnvelopeTest, RisesFallsAndEndsAtZeroWithoutASteps) {
  struct Case {
    const char* what;
    long gate;
  };
  // held past its attack, and let go in the middle of the attack
  for (const Case& c : {Case{"held", 2000}, Case{"short", 100}}) {
    SCOPED_TRACE(c.what);
    const double attack = 0.01;  // 441 frames
    Envelope envelope(attack, 0.05, 0.5, 0.02, c.gate);
    std::vector<float> levels;
    while (!envelope.finished() && levels.size() < 100000) levels.push_back(envelope.next());
    ASSERT_TRUE(envelope.finished()) << "the release ends";
    EXPECT_EQ(levels.back(), 0.0f);
    EXPECT_LE(levels.front(), 1.0f / 441.0f + 1e-6f) << "starts from silence";
    float biggestStep = 0.0f, highest = 0.0f;
    for (size_t i = 1; i < levels.size(); ++i) {
      biggestStep = std::max(biggestStep, std::fabs(levels[i] - levels[i - 1]));
      highest = std::max(highest, levels[i]);
    }
    EXPECT_LE(biggestStep, 1.0f / 441.0f + 1e-6f);
    EXPECT_LE(highest, 1.0f);
    // the release lasts its 20 ms from the end of the gate
    EXPECT_EQ(static_cast<long>(levels.size()), c.gate + std::lround(0.02 * kRate));
  }
  Envelope held(0.001, 0.01, 0.5, 0.01, 5000);
  float level = 0.0f;
  for (int i = 0; i < 4000; ++i) level = held.next();
  EXPECT_NEAR(level, 0.5f, 1e-3f) << "decays to the sustain level while held";
}

// ------------------------------------------------------------ filters

TEST(FilterTest, PassesItsBandAndStopsTheRest) {
  const auto through = [](Filter::Mode mode, double cutoff, double hz) {
    Filter filter(mode);
    filter.set(cutoff, 0.707);
    Oscillator sine;
    sine.setFrequency(hz);
    std::vector<float> out;
    for (int i = 0; i < kRate / 2; ++i) out.push_back(filter.process(sine.sine()));
    return rms(out, kRate / 4) / std::sqrt(0.5);  // settled, relative to the input
  };
  EXPECT_GT(through(Filter::LOWPASS, 1000.0, 100.0), 0.95);
  EXPECT_LT(through(Filter::LOWPASS, 1000.0, 10000.0), 0.02);
  EXPECT_GT(through(Filter::HIGHPASS, 1000.0, 10000.0), 0.95);
  EXPECT_LT(through(Filter::HIGHPASS, 1000.0, 100.0), 0.02);
  EXPECT_NEAR(through(Filter::BANDPASS, 1000.0, 1000.0), 0.707, 0.02) << "the band's gain is its Q";
  EXPECT_LT(through(Filter::BANDPASS, 1000.0, 10000.0), 0.15);
  // a cutoff above what the rate can carry stays stable
  EXPECT_TRUE(std::isfinite(through(Filter::LOWPASS, 1e6, 1000.0)));
}

TEST(OscillatorTest, ShapesSwingAroundZeroAtTheirFrequency) {
  Oscillator o;
  o.setFrequency(441.0);  // 100 frames a period
  for (int shape = 0; shape < 3; ++shape) {
    SCOPED_TRACE(shape);
    o.setPhase(0.25);
    double sum = 0.0, peak = 0.0;
    int crossings = 0;
    float previous = 0.0f;
    for (int i = 0; i < 4410; ++i) {
      const float v = shape == 0 ? o.sine() : shape == 1 ? o.saw() : o.square();
      sum += v;
      peak = std::max(peak, static_cast<double>(std::fabs(v)));
      if (i > 0 && previous < 0.0f && v >= 0.0f) ++crossings;
      previous = v;
    }
    EXPECT_NEAR(sum / 4410.0, 0.0, 0.02) << "no offset";
    EXPECT_LE(peak, 1.1);
    EXPECT_NEAR(crossings, 44, 1) << "one rise through zero a period";
  }
}

// ------------------------------------------------------------ voices

TEST(VoiceTest, EveryInstrumentStartsAndEndsInSilence) {
  for (int i = 0; i < kInstrumentCount; ++i) {
    const Instrument instrument = static_cast<Instrument>(i);
    SCOPED_TRACE(instrumentName(instrument));
    for (const long gate : {20L, static_cast<long>(kRate / 4)}) {
      SCOPED_TRACE(gate);
      auto voice = makeVoice(instrument, 57.0, gate, 1.0f, 1234);
      ASSERT_TRUE(voice);
      std::vector<float> left, right;
      bool playing = true;
      while (playing && left.size() < static_cast<size_t>(10 * kRate)) {
        float l[256] = {}, r[256] = {};
        playing = voice->render(l, r, 256, 0.7f);
        left.insert(left.end(), l, l + 256);
        right.insert(right.end(), r, r + 256);
      }
      ASSERT_FALSE(playing) << "the note dies away";
      float peak = 0.0f;
      for (size_t n = 0; n < left.size(); ++n) {
        ASSERT_TRUE(std::isfinite(left[n]) && std::isfinite(right[n])) << n;
        peak = std::max({peak, std::fabs(left[n]), std::fabs(right[n])});
      }
      EXPECT_GT(peak, gate > 100 ? 1e-3f : 0.0f) << "it sounds";
      EXPECT_LT(peak, 2.0f);
      EXPECT_LE(std::max(std::fabs(left[0]), std::fabs(right[0])), 0.1f * peak) << "no click as it starts";
      // the end: what follows the last sounding frame is silence, and the
      // frames before it fade into it
      size_t last = left.size();
      while (last > 0 && left[last - 1] == 0.0f && right[last - 1] == 0.0f) --last;
      ASSERT_GT(last, 16u);
      for (size_t n = last - 16; n < last; ++n) {
        EXPECT_LT(std::max(std::fabs(left[n]), std::fabs(right[n])), 0.02f * peak) << "no click as it ends, " << n;
      }
    }
  }
}

TEST(VoiceTest, TheSameSeedPlaysTheSameNoise) {
  const auto play = [](uint32_t seed) {
    auto voice = makeVoice(Instrument::HAT, 0.0, 1000, 1.0f, seed);
    std::vector<float> l(2048, 0.0f), r(2048, 0.0f);
    voice->render(l.data(), r.data(), 2048, 0.5f);
    return l;
  };
  EXPECT_EQ(play(7), play(7));
  EXPECT_NE(play(7), play(8));
}

// ------------------------------------------------------------ the limiter

TEST(LimiterTest, HoldsPeaksUnderTheCeilingWithASmoothGain) {
  // a quiet tone with two loud bursts, one at the very start
  std::vector<float> input;
  for (long n = 0; n < 2 * kRate; ++n) {
    const bool loud = n < 300 || (n >= 20000 && n < 20400);
    const float v = (loud ? 2.5f : 0.3f) * static_cast<float>(std::sin(2.0 * kPi * 220.0 * n / kRate));
    input.push_back(v);
    input.push_back(-v);
  }
  std::vector<float> output = input;
  limit(output, kCeiling);
  float peak = 0.0f, biggestGainStep = 0.0f, previousGain = -1.0f;
  for (size_t n = 0; n < output.size(); ++n) peak = std::max(peak, std::fabs(output[n]));
  EXPECT_LE(peak, kCeiling * 1.0001f);
  for (size_t n = 0; n < output.size(); n += 2) {
    if (std::fabs(input[n]) < 0.05f) continue;  // the gain shows only where there is signal
    const float gain = output[n] / input[n];
    EXPECT_LE(gain, 1.0f + 1e-6f);
    if (previousGain >= 0.0f) biggestGainStep = std::max(biggestGainStep, std::fabs(gain - previousGain));
    previousGain = gain;
  }
  EXPECT_LT(biggestGainStep, 0.05f) << "the gain glides";
  // well after the burst the tone is back untouched
  for (long n = 85000; n < 85100; ++n) EXPECT_EQ(output[2 * n], input[2 * n]) << n;
  // nothing to do for quiet input
  std::vector<float> quiet(input.begin() + 2000, input.begin() + 30000);
  std::vector<float> kept = quiet;
  limit(kept, 0.99f);
  EXPECT_EQ(kept, quiet);
  std::vector<float> empty;
  limit(empty, kCeiling);
  EXPECT_TRUE(empty.empty());
}

// ------------------------------------------------------------ the mix

TEST(MixTest, ThePadsMoveFromChordToChordWithoutASteps) {
  // the intro and the build: the pads alone, ducked under the kick, through
  // four changes of chord
  RenderOptions options;
  options.seconds = 40.0;
  options.solo = static_cast<int>(Instrument::PAD);
  options.limiter = false;
  const std::vector<float> pads = renderSong(options);
  float biggestStep = 0.0f, peak = 0.0f;
  for (size_t n = 2; n < pads.size(); ++n) {
    biggestStep = std::max(biggestStep, std::fabs(pads[n] - pads[n - 2]));
    peak = std::max(peak, std::fabs(pads[n]));
  }
  EXPECT_GT(peak, 0.1f);
  // saws filtered to a few kilohertz move by a few hundredths a frame; a
  // note starting or stopping at full level would jump by a tenth or more
  EXPECT_LT(biggestStep, 0.06f) << "peak " << peak;
}

}  // namespace
