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

}  // namespace
