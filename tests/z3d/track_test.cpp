#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "test_support.h"
#include "z3d_test_util.h"
#include "z3d_track.h"

namespace {

using namespace zelkor::z3d;
namespace mathbase = zelkor::mathbase;
using kindra_test::StdoutCapture;
using z3d_test::Bytes;
using Key = TrackBlenderFloat::Key;

Key key(float t, float v) { return Key{{t, v}, {t, v}, {t, v}}; }
Key key(float t, float v, float inT, float inV, float outT, float outV) { return Key{{inT, inV}, {t, v}, {outT, outV}}; }

TrackBlenderFloat channel(std::vector<Key> keys, TrackInterpolation ip, TrackExtrapolation ep) {
  TrackBlenderFloat c;
  c.setKeys(keys);
  c.setInterpolationMode(ip);
  c.setExtrapolationMode(ep);
  return c;
}

// The payload of a channel chunk as a file holds it.
Bytes channelChunk(uint8_t ip, uint8_t ep, const std::vector<Key>& keys) {
  return z3d_test::chunkBytes(TRACK_BLENDERFLOAT_X, [&](WriteBuffer& w) {
    w.write(ip);
    w.write(ep);
    for (const Key& k : keys)
      for (float f : {k.in.time, k.in.value, k.point.time, k.point.value, k.out.time, k.out.value}) w.write(f);
  });
}

TrackBlenderFloat loadedChannel(const Bytes& bytes) {
  TrackBlenderFloat c;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { c.loadKeys(r); });
  return c;
}

TEST(TrackChannel, LinearKeysInsideAndOutside) {
  const std::vector<Key> keys = {key(0, 0), key(10, 10)};
  struct Case {
    TrackExtrapolation mode;
    float before;  // at -5
    float after;   // at 15
  };
  const Case cases[] = {{EXTRAPOLATION_CONSTANT, 0.0f, 10.0f},
                        {EXTRAPOLATION_CYCLIC, 5.0f, 5.0f},
                        {EXTRAPOLATION_CYCLIC_EXTRAPOLATION, -5.0f, 15.0f}};
  for (const Case& c : cases) {
    TrackBlenderFloat ch = channel(keys, INTERPOLATION_LINEAR, c.mode);
    EXPECT_FLOAT_EQ(ch.getValue(5.0f), 5.0f) << c.mode;
    EXPECT_FLOAT_EQ(ch.getValue(15.0f), c.after) << c.mode;
    EXPECT_FLOAT_EQ(ch.getValue(-5.0f), c.before) << c.mode;
    EXPECT_FALSE(ch.isStatic());
  }
  // several periods away: k = 3 periods plus 2.5
  TrackBlenderFloat cyclicEx = channel(keys, INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC_EXTRAPOLATION);
  EXPECT_FLOAT_EQ(cyclicEx.getValue(32.5f), 32.5f);
  EXPECT_FLOAT_EQ(cyclicEx.getValue(-27.5f), -27.5f);
  TrackBlenderFloat cyclic = channel(keys, INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC);
  EXPECT_FLOAT_EQ(cyclic.getValue(32.5f), 2.5f);
  EXPECT_FLOAT_EQ(cyclic.getValue(-27.5f), 2.5f);
}

TEST(TrackChannel, SolveForTimeEveryBranch) {
  float roots[3];
  // linear: x = 3u
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(0, 0, 0, 0, 1, 0), key(3, 0, 2, 0, 3, 0), 1.5f, roots), 1);
  EXPECT_NEAR(roots[0], 0.5f, 1e-6f);
  // quadratic: x = 3u², roots −0.5 (rejected) and 0.5
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(0, 0, 0, 0, 0, 0), key(3, 0, 1, 0, 3, 0), 0.75f, roots), 1);
  EXPECT_NEAR(roots[0], 0.5f, 1e-6f);
  // cubic with three real roots: 3u² − 2u³ = 0.5 at u = 0.5 and (1 ± √3)/2
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(0, 0, 0, 0, 0, 0), key(1, 0, 1, 0, 1, 0), 0.5f, roots), 1);
  EXPECT_NEAR(roots[0], 0.5f, 1e-6f);
  // cubic with one real root: 4(u − 0.5)³ + 0.5 = 0.5625 at u = 0.75
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(0, 0, 0, 0, 1, 0), key(1, 0, 0, 0, 1, 0), 0.5625f, roots), 1);
  EXPECT_NEAR(roots[0], 0.75f, 1e-5f);
  // the same cubic's triple root at x = 0.5 (discriminant zero): reported twice
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(0, 0, 0, 0, 1, 0), key(1, 0, 0, 0, 1, 0), 0.5f, roots), 2);
  EXPECT_NEAR(roots[0], 0.5f, 1e-6f);
  EXPECT_NEAR(roots[1], 0.5f, 1e-6f);
  // constant time curve: only its own time has a root
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(2, 0), key(2, 0), 2.0f, roots), 1);
  EXPECT_EQ(roots[0], 0.0f);
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(2, 0), key(2, 0), 3.0f, roots), 0);
  // outside the segment: no root in [0, 1]
  EXPECT_EQ(TrackBlenderFloat::solveForTime(key(0, 0, 0, 0, 1, 0), key(3, 0, 2, 0, 3, 0), 4.0f, roots), 0);
}

TEST(TrackChannel, BezierHandlesOverlappingInTimeArePulledInOnLoad) {
  const Bytes bytes = channelChunk(INTERPOLATION_BEZIER, EXTRAPOLATION_CONSTANT,
                                   {key(0, 0, -2, 0, 8, 5), key(10, 10, 2, 5, 12, 10)});
  const TrackBlenderFloat c = loadedChannel(bytes);
  ASSERT_EQ(c.getNumKeys(), 2);
  // f = 10 / (8 + 8)
  EXPECT_FLOAT_EQ(c.getKey(0).out.time, 5.0f);
  EXPECT_FLOAT_EQ(c.getKey(0).out.value, 3.125f);
  EXPECT_FLOAT_EQ(c.getKey(1).in.time, 5.0f);
  EXPECT_FLOAT_EQ(c.getKey(1).in.value, 6.875f);
  // untouched handles and non-Bézier channels stay as read
  EXPECT_EQ(c.getKey(0).in.time, -2.0f);
  const TrackBlenderFloat linear =
      loadedChannel(channelChunk(INTERPOLATION_LINEAR, 0, {key(0, 0, -2, 0, 8, 5), key(10, 10, 2, 5, 12, 10)}));
  EXPECT_EQ(linear.getKey(0).out.time, 8.0f);
  // the corrected time curve is monotonic: one value per time, no error printed
  StdoutCapture out;
  TrackBlenderFloat copy = c;
  float previous = -1.0f;
  for (float t = 0.0f; t < 10.0f; t += 0.25f) {
    const float v = copy.getValue(t);
    EXPECT_GE(v, previous - 1e-4f) << t;
    previous = v;
  }
  EXPECT_EQ(out.finish(), "");
}

TEST(TrackChannel, HostileKeysAreMendedWithWarningsAndDegenerateTimesStayFinite) {
  StdoutCapture out;
  const float nan = std::nanf("");
  const TrackBlenderFloat c = loadedChannel(
      channelChunk(7, 9, {key(5, 50), key(nan, 1), key(1, 10), key(INFINITY, 2), key(3, 30)}));
  const std::string log = out.finish();
  EXPECT_EQ(c.getInterpolationMode(), INTERPOLATION_CONSTANT);
  EXPECT_EQ(c.getExtrapolationMode(), EXTRAPOLATION_CONSTANT);
  ASSERT_EQ(c.getNumKeys(), 3);
  EXPECT_EQ(c.getKey(0).point.time, 1.0f);
  EXPECT_EQ(c.getKey(1).point.time, 3.0f);
  EXPECT_EQ(c.getKey(2).point.time, 5.0f);
  EXPECT_NE(log.find("unknown interpolation 7"), std::string::npos) << log;
  EXPECT_NE(log.find("unknown extrapolation 9"), std::string::npos) << log;
  EXPECT_NE(log.find("dropped 2 keys"), std::string::npos) << log;
  EXPECT_NE(log.find("out of time order"), std::string::npos) << log;

  // every key at one time: no period to cycle through
  for (TrackExtrapolation ep : {EXTRAPOLATION_CYCLIC, EXTRAPOLATION_CYCLIC_EXTRAPOLATION}) {
    TrackBlenderFloat same = channel({key(2, 1), key(2, 3)}, INTERPOLATION_LINEAR, ep);
    EXPECT_EQ(same.getValue(5.0f), 1.0f);
    EXPECT_EQ(same.getValue(-5.0f), 1.0f);
  }
  // NaN time: a value, no crash
  TrackBlenderFloat steps = channel({key(0, 0), key(1, 1), key(2, 2)}, INTERPOLATION_CONSTANT, EXTRAPOLATION_CONSTANT);
  StdoutCapture quiet;
  EXPECT_EQ(steps.getValue(nan), 0.0f);
  EXPECT_NE(quiet.finish().find("error ("), std::string::npos);
}

}  // namespace
