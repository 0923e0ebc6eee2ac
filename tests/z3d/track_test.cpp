#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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

TEST(TrackChannel, WithoutKeysGivesTheBaseValue) {
  TrackBlenderFloat c;
  c.setBaseValue(2.5f);
  for (float t : {-100.0f, 0.0f, 3.0f, 1e9f}) EXPECT_EQ(c.getValue(t), 2.5f);
  EXPECT_TRUE(c.isStatic());
  EXPECT_EQ(c.getAnimationLength(), 0.0f);

  // a track chunk holding only its base value
  const Bytes bytes = z3d_test::chunkBytes(POSITION, [](WriteBuffer& w) {
    w.openChunk(VECTOR3);
    for (float f : {1.0f, 2.0f, 3.0f}) w.write(f);
    w.closeChunk();
  });
  TrackVector3f track;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { track.loadChunk(r); });
  EXPECT_TRUE(track.isStatic());
  const mathbase::Vector3f v = track.getValue(7.0f);
  EXPECT_EQ(v.x, 1.0f);
  EXPECT_EQ(v.y, 2.0f);
  EXPECT_EQ(v.z, 3.0f);
}

TEST(TrackChannel, OneKeyHoldsItsValueEverywhere) {
  for (TrackExtrapolation ep : {EXTRAPOLATION_CONSTANT, EXTRAPOLATION_EXTRAPOLATION, EXTRAPOLATION_CYCLIC,
                                EXTRAPOLATION_CYCLIC_EXTRAPOLATION}) {
    TrackBlenderFloat c = channel({key(2, 7, 1, 0, 3, 14)}, INTERPOLATION_CONSTANT, ep);
    for (float t : {-5.0f, 2.0f, 2.5f, 50.0f}) EXPECT_EQ(c.getValue(t), 7.0f) << ep << " " << t;
    EXPECT_EQ(c.isStatic(), ep == EXTRAPOLATION_CONSTANT) << ep;
  }
  // with a slope to follow, extrapolation leaves the key's value
  TrackBlenderFloat c = channel({key(2, 7, 1, 0, 3, 14)}, INTERPOLATION_LINEAR, EXTRAPOLATION_EXTRAPOLATION);
  EXPECT_EQ(c.getValue(4.0f), 21.0f);
  EXPECT_EQ(c.getValue(0.0f), -7.0f);
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

TEST(TrackChannel, ExtrapolationFollowsTheHandles) {
  const std::vector<Key> keys = {key(0, 0, -1, -3, 1, 1), key(10, 10, 9, 9, 11, 12)};
  TrackBlenderFloat linear = channel(keys, INTERPOLATION_LINEAR, EXTRAPOLATION_EXTRAPOLATION);
  EXPECT_FLOAT_EQ(linear.getValue(12.0f), 14.0f);  // 10 + 2 * 2
  EXPECT_FLOAT_EQ(linear.getValue(-2.0f), -6.0f);  // 0 + (-3) * 2
  TrackBlenderFloat constant = channel(keys, INTERPOLATION_CONSTANT, EXTRAPOLATION_EXTRAPOLATION);
  EXPECT_EQ(constant.getValue(12.0f), 10.0f);
  EXPECT_EQ(constant.getValue(-2.0f), 0.0f);
  // a handle without time extent gives the key's value instead of a division by zero
  TrackBlenderFloat flat = channel({key(0, 0), key(10, 10)}, INTERPOLATION_LINEAR, EXTRAPOLATION_EXTRAPOLATION);
  EXPECT_EQ(flat.getValue(12.0f), 10.0f);
  EXPECT_EQ(flat.getValue(-2.0f), 0.0f);
}

TEST(TrackChannel, TimesExactlyAtKeys) {
  const std::vector<Key> keys = {key(0, 0, -1, 0, 1, 0), key(10, 10, 9, 10, 11, 10), key(20, 5, 19, 5, 21, 6)};
  for (TrackInterpolation ip : {INTERPOLATION_CONSTANT, INTERPOLATION_LINEAR}) {
    for (TrackExtrapolation ep : {EXTRAPOLATION_CONSTANT, EXTRAPOLATION_EXTRAPOLATION, EXTRAPOLATION_CYCLIC,
                                  EXTRAPOLATION_CYCLIC_EXTRAPOLATION}) {
      TrackBlenderFloat c = channel(keys, ip, ep);
      EXPECT_EQ(c.getValue(0.0f), 0.0f) << ip << ep;
      EXPECT_EQ(c.getValue(10.0f), 10.0f) << ip << ep;
      // the last key falls under the after-the-end rule
      EXPECT_EQ(c.getValue(20.0f), ep == EXTRAPOLATION_CYCLIC ? 0.0f : 5.0f) << ip << ep;
    }
  }
  TrackBlenderFloat constant = channel(keys, INTERPOLATION_CONSTANT, EXTRAPOLATION_CONSTANT);
  EXPECT_EQ(constant.getValue(9.99f), 0.0f);
  EXPECT_EQ(constant.getValue(15.0f), 10.0f);
}

TEST(TrackChannel, CyclicWrapLandingOnTheLastKey) {
  TrackBlenderFloat c = channel({key(0, 0), key(4, 8), key(10, 10)}, INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC);
  StdoutCapture out;
  EXPECT_EQ(c.getValue(-10.0f), 10.0f);  // fmod gives -0: exactly the last key
  EXPECT_EQ(c.getValue(-20.0f), 10.0f);
  EXPECT_FLOAT_EQ(c.getValue(-8.0f), 4.0f);  // wraps to 2
  EXPECT_EQ(out.finish(), "");
}

TEST(TrackChannel, BezierStraightLineMatchesLinear) {
  // handles one third of the way to the neighbour in time and value
  const std::vector<Key> keys = {key(0, 0, -10.0f / 3, -10.0f / 3, 10.0f / 3, 10.0f / 3),
                                 key(10, 10, 20.0f / 3, 20.0f / 3, 40.0f / 3, 16.0f / 3),
                                 key(20, -4, 50.0f / 3, 2.0f / 3, 70.0f / 3, -26.0f / 3)};
  TrackBlenderFloat bezier = channel(keys, INTERPOLATION_BEZIER, EXTRAPOLATION_CONSTANT);
  TrackBlenderFloat linear = channel(keys, INTERPOLATION_LINEAR, EXTRAPOLATION_CONSTANT);
  for (float t = 0.0f; t < 20.0f; t += 0.37f) EXPECT_NEAR(bezier.getValue(t), linear.getValue(t), 1e-4f) << t;
}

TEST(TrackChannel, BezierCurveByHand) {
  // time runs linearly (u = t / 3); value 3u(1 - u)
  TrackBlenderFloat c =
      channel({key(0, 0, -1, -1, 1, 1), key(3, 0, 2, 1, 4, -1)}, INTERPOLATION_BEZIER, EXTRAPOLATION_CONSTANT);
  EXPECT_FLOAT_EQ(c.getValue(1.5f), 0.75f);
  EXPECT_NEAR(c.getValue(1.0f), 3.0f * (1.0f / 3) * (2.0f / 3), 1e-6f);
  // ease in and out in time (x = 3u² − 2u³): t = 0.104 is u = 0.2
  TrackBlenderFloat ease =
      channel({key(0, 0, -1, 0, 0, 0), key(1, 1, 1, 1, 2, 1)}, INTERPOLATION_BEZIER, EXTRAPOLATION_CONSTANT);
  EXPECT_NEAR(ease.getValue(0.104f), 0.104f, 1e-5f);  // value curve has the same control points
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

TEST(TrackChannel, LoadReadsModesAndWholeKeysOnly) {
  Bytes bytes = channelChunk(INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC, {key(0, 1), key(1, 2)});
  // 10 stray bytes after the keys: not a whole key
  Bytes padded = z3d_test::chunkBytes(TRACK_BLENDERFLOAT_X, [&](WriteBuffer& w) {
    w.store(bytes.data() + 12, bytes.size() - 12);
    for (int i = 0; i < 10; ++i) w.write(static_cast<uint8_t>(0xEE));
  });
  const TrackBlenderFloat c = loadedChannel(padded);
  EXPECT_EQ(c.getInterpolationMode(), INTERPOLATION_LINEAR);
  EXPECT_EQ(c.getExtrapolationMode(), EXTRAPOLATION_CYCLIC);
  EXPECT_EQ(c.getNumKeys(), 2);
  EXPECT_EQ(c.getKey(1).point.value, 2.0f);
}

TEST(TrackChannel, HostileKeysAreMendedWithWarnings) {
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
}

TEST(TrackChannel, DegenerateTimesStayFinite) {
  // every key at one time: no period to cycle through
  for (TrackExtrapolation ep : {EXTRAPOLATION_CYCLIC, EXTRAPOLATION_CYCLIC_EXTRAPOLATION}) {
    TrackBlenderFloat c = channel({key(2, 1), key(2, 3)}, INTERPOLATION_LINEAR, ep);
    EXPECT_EQ(c.getValue(5.0f), 1.0f);
    EXPECT_EQ(c.getValue(-5.0f), 1.0f);
  }
  // NaN time: a value, no crash
  TrackBlenderFloat c = channel({key(0, 0), key(1, 1), key(2, 2)}, INTERPOLATION_CONSTANT, EXTRAPOLATION_CONSTANT);
  StdoutCapture out;
  EXPECT_EQ(c.getValue(std::nanf("")), 0.0f);
  EXPECT_NE(out.finish().find("error ("), std::string::npos);
}

TEST(TrackChannel, SequentialAndRandomAccessAgree) {
  std::vector<Key> keys;
  for (int i = 0; i < 50; ++i) keys.push_back(key(i * 0.5f, std::sin(i * 0.3f)));
  TrackBlenderFloat sequential = channel(keys, INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC_EXTRAPOLATION);
  std::vector<float> times;
  for (float t = -30.0f; t < 60.0f; t += 0.113f) times.push_back(t);
  std::vector<float> forward;
  for (float t : times) forward.push_back(sequential.getValue(t));
  for (size_t i = times.size(); i-- > 0;) {
    TrackBlenderFloat fresh = channel(keys, INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC_EXTRAPOLATION);
    EXPECT_EQ(fresh.getValue(times[i]), forward[i]) << times[i];
    EXPECT_EQ(sequential.getValue(times[i]), forward[i]) << times[i];
  }
}

TEST(TrackComposite, AnimationLengthIsTheLongestChannel) {
  TrackVector3f v;
  const float ends[3] = {2.0f, 5.0f, 3.0f};
  for (int i = 0; i < 3; ++i) v.getChannel(i).setKeys({key(0, 0), key(ends[i], 1)});
  EXPECT_EQ(v.getAnimationLength(), 5.0f);
  EXPECT_FALSE(v.isStatic());
}

TEST(TrackComposite, ExactChunkLayout) {
  TrackFloat t;
  t.setBaseValue(0.5f);
  t.getChannel(0).setKeys({key(1, 2, 0, 1, 2, 3)});
  t.getChannel(0).setInterpolationMode(INTERPOLATION_LINEAR);
  t.getChannel(0).setExtrapolationMode(EXTRAPOLATION_CYCLIC);
  WriteBuffer w("Z3DF", 1, 1, 1);
  t.writeChunk(w, FOV);
  Bytes expected = {'Z', '3', 'D', 'F', 1, 1, 0x40, 0xFA, 38, 0, 0, 0, 0x10, 0xFB, 26, 0, 0, 0, 1, 2};
  for (float f : {0.0f, 1.0f, 1.0f, 2.0f, 2.0f, 3.0f}) {
    uint8_t b[4];
    std::memcpy(b, &f, 4);
    expected.insert(expected.end(), b, b + 4);
  }
  expected.insert(expected.end(), {0x04, 0xF0, 0x00, 0x00, 0x00, 0x3F});
  EXPECT_EQ(w.getData(), expected);
}

TEST(TrackComposite, ChannelsRoundTripUnderTheirIdentifiers) {
  TrackColor4f color;
  color.setBaseValue(mathbase::Vector4f(0.1f, 0.2f, 0.3f, 0.4f));
  for (int i = 0; i < 4; ++i) {
    color.getChannel(i).setKeys({key(0, float(i)), key(1.0f + i, 10.0f * i)});
    color.getChannel(i).setInterpolationMode(INTERPOLATION_LINEAR);
  }
  WriteBuffer w("Z3DF", 1, 1, 1);
  color.writeChunk(w, COLOR);
  const Bytes data = w.getData();
  ReadBuffer r(data.data(), static_cast<uint32_t>(data.size()), 1);
  ASSERT_EQ(r.openChunk(), COLOR);
  std::vector<uint16_t> ids;
  while (uint16_t id = r.openChunk()) {
    ids.push_back(id);
    r.closeChunk();
  }
  EXPECT_EQ(ids, std::vector<uint16_t>({0xFB00, 0xFB10, 0xFB20, 0xFB30, 0xF007}));

  TrackColor4f back;
  z3d_test::loadChunk(data, [&](ReadBuffer& rb) { back.loadChunk(rb); });
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(back.getChannel(i).getNumKeys(), 2);
    EXPECT_EQ(back.getChannel(i).getKey(1).point.time, 1.0f + i);
  }
  const mathbase::Vector4f mid = back.getValue(0.5f);
  EXPECT_FLOAT_EQ(mid.x, 0.0f);
  EXPECT_FLOAT_EQ(mid.y, 1.0f + 9.0f * 0.5f / 2.0f);
  EXPECT_EQ(back.getBaseValue().w, 0.4f);
}

TEST(TrackComposite, QuaternionBaseIsNormalized) {
  const Bytes twice = z3d_test::chunkBytes(ROTATION_QUAT, [](WriteBuffer& w) {
    w.openChunk(VECTOR4);
    for (float f : {0.0f, 0.0f, 2.0f, 0.0f}) w.write(f);
    w.closeChunk();
  });
  TrackQuatf q;
  z3d_test::loadChunk(twice, [&](ReadBuffer& r) { q.loadChunk(r); });
  EXPECT_EQ(q.getBaseValue().y, 1.0f);
  EXPECT_EQ(q.getBaseValue().w, 0.0f);

  const Bytes zero = z3d_test::chunkBytes(ROTATION_QUAT, [](WriteBuffer& w) {
    w.openChunk(VECTOR4);
    for (int i = 0; i < 4; ++i) w.write(0.0f);
    w.closeChunk();
  });
  StdoutCapture out;
  TrackQuatf z;
  z3d_test::loadChunk(zero, [&](ReadBuffer& r) { z.loadChunk(r); });
  EXPECT_NE(out.finish().find("no usable length"), std::string::npos);
  EXPECT_EQ(z.getBaseValue().w, 1.0f);
  EXPECT_TRUE(z.isStatic());
}

TEST(TrackComposite, EulerTrackDefaultsToYZXOrder) {
  TrackEulerf e;
  EXPECT_EQ(e.getRotationOrder().asInt(), 4);
  e.setRotationOrder(mathbase::RotationOrder::XYZ);
  e.clear();
  EXPECT_TRUE(e.getRotationOrder() == mathbase::RotationOrder::YZX);
  e.setBaseValue(mathbase::Vector3f(0.1f, 0.2f, 0.3f));
  const mathbase::Eulerf value = e.getValue(3.0f);
  EXPECT_EQ(value.angles.y, 0.2f);
  EXPECT_TRUE(value.order == mathbase::RotationOrder::YZX);
}

}  // namespace
