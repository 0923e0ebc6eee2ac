#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "mb_splinebase.h"
#include "test_support.h"

namespace {

using namespace zelkor::mathbase;
typedef SplineBasef Curve;
typedef SplineBaseKey<float> Key;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

const Curve::InterpolationMode kInterpolations[] = {Curve::SQUARE, Curve::LINEAR, Curve::SMOOTH};
const Curve::ExtrapolationMode kExtrapolations[] = {Curve::EXT_CONSTANT, Curve::EXT_REPEAT, Curve::EXT_REPEAT_ADD};

// Modes are set before the keys go in, so automatic tangents follow them.
Curve makeCurve(Curve::InterpolationMode mode, const std::vector<std::pair<float, float>>& keys,
                Curve::ExtrapolationMode before = Curve::EXT_CONSTANT,
                Curve::ExtrapolationMode after = Curve::EXT_CONSTANT) {
  Curve curve(mode, true);
  curve.setExtrapolationBefore(before);
  curve.setExtrapolationAfter(after);
  for (const auto& k : keys) curve.addKey(Key(k.first, k.second));
  return curve;
}

std::vector<float> times(const Curve& c) {
  std::vector<float> r;
  for (int i = 0; i < c.getNumKeys(); ++i) r.push_back(c[i].time);
  return r;
}
std::vector<float> values(const Curve& c) {
  std::vector<float> r;
  for (int i = 0; i < c.getNumKeys(); ++i) r.push_back(c[i].value);
  return r;
}
// (tangentIN, tangentOUT) of every key.
typedef std::vector<std::pair<float, float>> Tangents;
Tangents tangents(const Curve& c) {
  Tangents r;
  for (int i = 0; i < c.getNumKeys(); ++i) r.push_back({c[i].tangentIN, c[i].tangentOUT});
  return r;
}

TEST(SplineKey, OperatorsWorkOnEveryField) {
  const Key a(1, 2, 3, 4), b(3, 4, 5, 6);
  const Key mid = (a + b) * 0.5f;
  EXPECT_EQ(mid.time, 2);
  EXPECT_EQ(mid.value, 3);
  EXPECT_EQ(mid.tangentIN, 4);
  EXPECT_EQ(mid.tangentOUT, 5);
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(b < a);
  EXPECT_FALSE(a < Key(1, 99));
}

TEST(Spline, EmptyCurveEvaluatesToZero) {
  Curve c;
  EXPECT_FALSE(c.hasKeys());
  EXPECT_EQ(c.getNumKeys(), 0);
  for (float t : {-5.0f, 0.0f, 5.0f, kNaN, kInf}) EXPECT_EQ(c.evaluate(t), 0) << t;
  EXPECT_EQ(c.getKeyIndex(0), -3);
  EXPECT_EQ(c.getMinTime(), 0);
  EXPECT_EQ(c.getMaxTime(), 0);
  EXPECT_EQ(c.getMinValue(), 0);
  EXPECT_EQ(c.getMaxValue(), 0);
}

// Clearing resets the interpolation and tangents but keeps the repetitions.
TEST(Spline, ClearKeepsTheRepetitions) {
  Curve c(Curve::SMOOTH, false);
  c.setExtrapolationBefore(Curve::EXT_REPEAT);
  c.setExtrapolationAfter(Curve::EXT_REPEAT_ADD);
  c.addKey(Key(0, 4));
  c.addKey(Key(1, 8));
  c.clear();
  EXPECT_FALSE(c.hasKeys());
  EXPECT_EQ(c.getInterpolation(), Curve::SQUARE);
  EXPECT_TRUE(c.hasAutoTangents());
  EXPECT_EQ(c.getExtrapolationBefore(), Curve::EXT_REPEAT);
  EXPECT_EQ(c.getExtrapolationAfter(), Curve::EXT_REPEAT_ADD);
  EXPECT_EQ(c.getMinValue(), 0);
  EXPECT_EQ(c.getMaxValue(), 0);
  EXPECT_EQ(c.evaluate(0.5f), 0);
}

TEST(Spline, CopiesAreIndependent) {
  Curve a = makeCurve(Curve::LINEAR, {{0, 0}, {1, 10}});
  Curve b = a;
  b[1].value = 20;
  b.updateKey(1);
  EXPECT_FLOAT_EQ(a.evaluate(0.5f), 5);
  EXPECT_FLOAT_EQ(b.evaluate(0.5f), 10);
}

// However many keys, an inner key's value takes effect exactly at its time.
TEST(Spline, SquareTakesEachInnerKeyValueAtItsTime) {
  for (int n = 3; n <= 17; ++n) {
    Curve c(Curve::SQUARE, true);
    for (int i = 0; i < n; ++i) c.addKey(Key(float(i), 10.0f * i));
    for (int i = 0; i < n - 1; ++i) {
      EXPECT_EQ(c.getKeyIndex(float(i)), i) << n << " keys";
      EXPECT_EQ(c.evaluate(float(i)), 10.0f * i) << n << " keys, t " << i;
      if (i > 0) {
        EXPECT_EQ(c.evaluate(i - 0.001f), 10.0f * (i - 1)) << n << " keys, t " << i;
      }
    }
    EXPECT_EQ(c.getKeyIndex(float(n - 1)), n - 2);
    EXPECT_EQ(c.evaluate(float(n - 1)), 10.0f * (n - 2));
  }
}

TEST(Spline, GetKeyIndexCodes) {
  Curve c = makeCurve(Curve::LINEAR, {{0, 0}});
  EXPECT_EQ(c.getKeyIndex(-1), -1);
  EXPECT_EQ(c.getKeyIndex(0), -2);
  EXPECT_EQ(c.getKeyIndex(1), -2);
  c.addKey(Key(1, 1));
  EXPECT_EQ(c.getKeyIndex(0), 0);
  EXPECT_EQ(c.getKeyIndex(1), 0);
  EXPECT_EQ(c.getKeyIndex(1.5f), -2);
  c.addKey(Key(2, 2));
  c.addKey(Key(4, 3));
  EXPECT_EQ(c.getKeyIndex(-0.5f), -1);
  EXPECT_EQ(c.getKeyIndex(0.5f), 0);
  EXPECT_EQ(c.getKeyIndex(1.5f), 1);
  EXPECT_EQ(c.getKeyIndex(3), 2);
  EXPECT_EQ(c.getKeyIndex(4), 2);
  EXPECT_EQ(c.getKeyIndex(4.5f), -2);
  EXPECT_EQ(c.getKeyIndex(kNaN), -1);
}

// (0, 0), (1, 10) and (0, 0), (1, 10), (2, 4) (rise 4) at, between and beyond
// their keys, in each mode and repetition.
TEST(Spline, EvaluatesAtBetweenAndBeyondKeys) {
  const std::vector<std::pair<float, float>> two = {{0, 0}, {1, 10}}, three = {{0, 0}, {1, 10}, {2, 4}};
  const auto C = Curve::EXT_CONSTANT, R = Curve::EXT_REPEAT, A = Curve::EXT_REPEAT_ADD;
  struct Case {
    const char* name;
    Curve curve;
    std::vector<std::pair<float, float>> points;  // (time, value)
  };
  const Case cases[] = {
      {"linear", makeCurve(Curve::LINEAR, two), {{0.25f, 2.5f}, {0.5f, 5}, {0, 0}, {1, 10}, {-1, 0}, {2, 10}}},
      // the last key's time still lies in the last segment
      {"square", makeCurve(Curve::SQUARE, two), {{0, 0}, {0.99f, 0}, {1, 0}, {1.0001f, 10}, {-1, 0}, {5, 10}}},
      // a whole number of ranges past the end is the range's start
      {"repeat after", makeCurve(Curve::LINEAR, two, C, R), {{1.5f, 5}, {7.25f, 2.5f}, {1, 10}, {2, 0}, {-1, 0}}},
      {"add after",
       makeCurve(Curve::LINEAR, two, C, A),
       {{1.5f, 15}, {2.5f, 25}, {2, 20}, {101.5f, 1015}, {1, 10}, {-1, 0}}},
      {"repeat before", makeCurve(Curve::LINEAR, two, R, C), {{-0.5f, 5}, {-0.75f, 2.5f}, {-1, 10}, {2, 10}}},
      {"add before",
       makeCurve(Curve::LINEAR, two, A, C),
       {{-0.5f, -5}, {-1, -10}, {-1.5f, -15}, {-10.25f, -102.5f}, {2, 10}}},
      {"square, add both", makeCurve(Curve::SQUARE, three, A, A), {{2.5f, 4}, {3, 14}, {4, 8}, {-0.5f, 6}}},
      {"linear, add both", makeCurve(Curve::LINEAR, three, A, A), {{2.5f, 9}, {3, 14}, {-0.5f, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [t, v] : c.points) EXPECT_FLOAT_EQ(c.curve.evaluate(t), v) << "t " << t;
  }
  EXPECT_EQ(cases[0].curve.getMinTime(), 0);
  EXPECT_EQ(cases[0].curve.getMaxTime(), 1);
}

TEST(Spline, SmoothRepetitionWithTheRise) {
  const std::vector<std::pair<float, float>> keys = {{0, 0}, {1, 10}, {2, 4}};
  // Across the wrap the neighbours are shifted by the rise, so every tangent is 2.
  const Curve sm = makeCurve(Curve::SMOOTH, keys, Curve::EXT_REPEAT_ADD, Curve::EXT_REPEAT_ADD);
  EXPECT_EQ(tangents(sm), Tangents({{2, 2}, {2, 2}, {2, 2}}));
  EXPECT_FLOAT_EQ(sm.evaluate(0.5f), 5);
  EXPECT_FLOAT_EQ(sm.evaluate(1.5f), 7);
  EXPECT_FLOAT_EQ(sm.evaluate(2.5f), 9);
  EXPECT_FLOAT_EQ(sm.evaluate(-0.5f), 3);
  // Smooth across the repetition: value and slope match on both sides of t = 2.
  const float h = 1e-3f;
  EXPECT_NEAR(sm.evaluate(2 - h), 4 - 2 * h, 1e-4);
  EXPECT_NEAR(sm.evaluate(2 + h), 4 + 2 * h, 1e-4);
}

TEST(Spline, SmoothAutomaticTangents) {
  const Curve c = makeCurve(Curve::SMOOTH, {{0, 0}, {1, 1}, {2, 0}});
  EXPECT_EQ(tangents(c), Tangents({{0, 1}, {0, 0}, {-1, 0}}));
  EXPECT_FLOAT_EQ(c.evaluate(0.5f), 0.625f);
  EXPECT_FLOAT_EQ(c.evaluate(1.5f), 0.625f);
  EXPECT_EQ(c.evaluate(0), 0);
  EXPECT_EQ(c.evaluate(1), 1);
  EXPECT_EQ(c.evaluate(2), 0);
  EXPECT_EQ(c.evaluate(3), 0);

  const Curve wrap = makeCurve(Curve::SMOOTH, {{0, 0}, {1, 1}, {2, 0}}, Curve::EXT_REPEAT, Curve::EXT_REPEAT);
  EXPECT_EQ(tangents(wrap), Tangents({{0, 0}, {0, 0}, {0, 0}}));
}

// Tangents are per unit of segment parameter: slope × the segment's duration.
TEST(Spline, SmoothTangentsScaleWithSegmentDuration) {
  const Curve c = makeCurve(Curve::SMOOTH, {{0, 0}, {1, 1}, {3, 5}});
  EXPECT_EQ(tangents(c), Tangents({{0, 1}, {1.5f, 3}, {4, 0}}));
  EXPECT_FLOAT_EQ(c.evaluate(0.5f), 0.4375f);
  EXPECT_FLOAT_EQ(c.evaluate(2), 2.875f);
}

TEST(Spline, ModeSettersLeaveTangentsUntilTheNextEdit) {
  Curve c = makeCurve(Curve::SMOOTH, {{0, 0}, {1, 1}, {2, 0}});
  c.setExtrapolationAfter(Curve::EXT_REPEAT);
  EXPECT_EQ(c[2].tangentIN, -1);
  c.updateTangents();
  EXPECT_EQ(c[2].tangentIN, 0);

  // Outside smooth mode automatic tangents are not touched.
  c.setInterpolation(Curve::LINEAR);
  c[1].tangentOUT = 42;
  c.addKey(Key(3, 3));
  EXPECT_EQ(c[1].tangentOUT, 42);
}

TEST(Spline, ManualTangentsAreKept) {
  Curve c(Curve::SMOOTH, false);
  c.addKey(Key(0, 0, 0, 4));
  c.addKey(Key(1, 0, 0, 0));
  EXPECT_EQ(c[0].tangentOUT, 4);
  EXPECT_FLOAT_EQ(c.evaluate(0.5f), 0.5f);  // 4 × (u³ − 2u² + u)
  c.setAutoTangents(true);
  c.updateKey(0);
  EXPECT_EQ(c[0].tangentOUT, 0);
}

TEST(Spline, SingleKeyIsConstantInEveryMode) {
  for (auto mode : kInterpolations)
    for (auto before : kExtrapolations)
      for (auto after : kExtrapolations) {
        const Curve c = makeCurve(mode, {{3, 7}}, before, after);
        for (float t : {-100.0f, 0.0f, 2.9f, 3.0f, 3.1f, 100.0f, kInf, -kInf, kNaN})
          EXPECT_EQ(c.evaluate(t), 7) << mode << before << after << " t " << t;
        EXPECT_EQ(c[0].tangentIN, 0);
        EXPECT_EQ(c[0].tangentOUT, 0);
        EXPECT_EQ(c.getMinTime(), 3);
        EXPECT_EQ(c.getMaxTime(), 3);
      }
}

// Several keys at one time: a key range of zero length cannot be repeated.
TEST(Spline, KeysAllAtOneTime) {
  for (auto mode : kInterpolations)
    for (auto before : kExtrapolations)
      for (auto after : kExtrapolations) {
        const Curve c = makeCurve(mode, {{2, 1}, {2, 5}, {2, 3}}, before, after);
        EXPECT_EQ(values(c), std::vector<float>({1, 5, 3}));
        const float beforeValue = before == Curve::EXT_CONSTANT ? 1 : 3;
        EXPECT_EQ(c.evaluate(1), beforeValue) << mode << before << after;
        EXPECT_EQ(c.evaluate(-1e6f), beforeValue) << mode << before << after;
        EXPECT_EQ(c.evaluate(3), 3) << mode << before << after;
        EXPECT_EQ(c.evaluate(2), mode == Curve::SQUARE ? 5 : 3) << mode << before << after;
        for (int i = 0; i < 3; ++i) {
          EXPECT_TRUE(std::isfinite(c[i].tangentIN) && std::isfinite(c[i].tangentOUT)) << i;
        }
      }
}

// Two keys at one time inside the curve make a jump; the later key holds from its time on.
TEST(Spline, CoincidentInnerKeysMakeAJump) {
  const std::vector<std::pair<float, float>> keys = {{0, 0}, {1, 10}, {1, 20}, {2, 30}};
  const Curve lin = makeCurve(Curve::LINEAR, keys);
  EXPECT_FLOAT_EQ(lin.evaluate(0.5f), 5);
  EXPECT_NEAR(lin.evaluate(0.999f), 9.99f, 1e-4);
  EXPECT_EQ(lin.evaluate(1), 20);
  EXPECT_FLOAT_EQ(lin.evaluate(1.5f), 25);

  const Curve sq = makeCurve(Curve::SQUARE, keys);
  EXPECT_EQ(sq.evaluate(0.999f), 0);
  EXPECT_EQ(sq.evaluate(1), 20);
  EXPECT_EQ(sq.evaluate(1.5f), 20);

  // Each side of the jump takes the slope of its own segment only.
  const Curve sm = makeCurve(Curve::SMOOTH, keys);
  EXPECT_EQ(tangents(sm), Tangents({{0, 10}, {10, 0}, {0, 10}, {10, 0}}));
  EXPECT_FLOAT_EQ(sm.evaluate(0.5f), 5);
  EXPECT_EQ(sm.evaluate(1), 20);
  EXPECT_FLOAT_EQ(sm.evaluate(1.5f), 25);

  // Coincident last keys: linear and smooth end on the last value, square
  // holds the last segment's start.
  const std::vector<std::pair<float, float>> end = {{0, 0}, {1, 10}, {1, 20}};
  EXPECT_EQ(makeCurve(Curve::LINEAR, end).evaluate(1), 20);
  EXPECT_EQ(makeCurve(Curve::SMOOTH, end).evaluate(1), 20);
  EXPECT_EQ(makeCurve(Curve::SQUARE, end).evaluate(1), 10);
  EXPECT_FLOAT_EQ(makeCurve(Curve::LINEAR, end, Curve::EXT_CONSTANT, Curve::EXT_REPEAT_ADD).evaluate(1.5f), 25);
}

TEST(Spline, AddKeyKeepsOrderAndPlacesEqualTimesAfter) {
  Curve c(Curve::LINEAR, true);
  EXPECT_EQ(c.addKey(Key(5, 0)), 0);
  EXPECT_EQ(c.addKey(Key(1, 0)), 0);
  EXPECT_EQ(c.addKey(Key(3, 0)), 1);
  EXPECT_EQ(c.addKey(Key(0, 0)), 0);
  EXPECT_EQ(c.addKey(Key(9, 0)), 4);
  EXPECT_EQ(times(c), std::vector<float>({0, 1, 3, 5, 9}));

  Curve d = makeCurve(Curve::LINEAR, {{0, 1}, {1, 2}, {2, 3}});
  EXPECT_EQ(d.addKey(Key(0, 10)), 1);
  EXPECT_EQ(d.addKey(Key(1, 20)), 3);
  EXPECT_EQ(d.addKey(Key(2, 30)), 5);
  EXPECT_EQ(d.addKey(Key(1, 21)), 4);
  EXPECT_EQ(values(d), std::vector<float>({1, 10, 2, 20, 21, 3, 30}));

  Curve single = makeCurve(Curve::LINEAR, {{4, 1}});
  EXPECT_EQ(single.addKey(Key(4, 2)), 1);
  EXPECT_EQ(values(single), std::vector<float>({1, 2}));
}

TEST(Spline, UpdateKeyResortsAndReturnsTheNewIndex) {
  Curve c = makeCurve(Curve::LINEAR, {{0, 0}, {1, 10}, {2, 20}, {3, 30}});
  c[0].time = 2.5f;
  EXPECT_EQ(c.updateKey(0), 2);
  EXPECT_EQ(times(c), std::vector<float>({1, 2, 2.5f, 3}));
  EXPECT_EQ(values(c), std::vector<float>({10, 20, 0, 30}));

  c[3].time = -1;
  EXPECT_EQ(c.updateKey(3), 0);
  EXPECT_EQ(values(c), std::vector<float>({30, 10, 20, 0}));

  // In order (equal times included) the key stays where it is.
  c[1].value = 100;
  EXPECT_EQ(c.updateKey(1), 1);
  EXPECT_EQ(c.getMaxValue(), 100);
  c[2].time = c[1].time;
  EXPECT_EQ(c.updateKey(2), 2);

  // Moved onto a later key's time it goes after that key.
  c[0].time = c[3].time;
  EXPECT_EQ(c.updateKey(0), 3);
  EXPECT_EQ(values(c), std::vector<float>({100, 20, 0, 30}));
}

TEST(Spline, EditsRecomputeSmoothTangents) {
  Curve c = makeCurve(Curve::SMOOTH, {{0, 0}, {1, 1}, {2, 0}});
  c[1].value = 3;
  c.updateKey(1);
  EXPECT_EQ(tangents(c), Tangents({{0, 3}, {0, 0}, {-3, 0}}));
  c.removeKey(2);
  EXPECT_EQ(tangents(c), Tangents({{0, 3}, {3, 0}}));
  c.removeKey(0);
  EXPECT_EQ(tangents(c), Tangents({{0, 0}}));
}

TEST(Spline, RemoveKeyAndValueRange) {
  Curve c = makeCurve(Curve::LINEAR, {{0, 3}, {1, -2}, {2, 7}});
  EXPECT_EQ(c.getMinValue(), -2);
  EXPECT_EQ(c.getMaxValue(), 7);
  c.setMinMax(10);
  EXPECT_EQ(c.getMaxValue(), 10);
  c.setMinMax(-5);
  EXPECT_EQ(c.getMinValue(), -5);

  c.removeKey(1);
  EXPECT_EQ(times(c), std::vector<float>({0, 2}));
  EXPECT_EQ(c.getMinValue(), 3);
  EXPECT_EQ(c.getMaxValue(), 7);
  EXPECT_FLOAT_EQ(c.evaluate(1), 5);

  kindra_test::StdoutCapture capture;
  c.removeKey(-1);
  c.removeKey(2);
  const std::string out = capture.finish();
  EXPECT_NE(out.find("Assertion failed: index>=0 && index<(int)mKeys.size()"), std::string::npos) << out;
  EXPECT_EQ(c.getNumKeys(), 2);

  c.removeKey(0);
  c.removeKey(0);
  EXPECT_FALSE(c.hasKeys());
  EXPECT_EQ(c.getMinValue(), 0);  // an empty curve's range is 0 again
  EXPECT_EQ(c.getMaxValue(), 0);
  EXPECT_EQ(c.evaluate(1), 0);
}

TEST(Spline, BadIndicesAreLoggedAndHarmless) {
  Curve c = makeCurve(Curve::LINEAR, {{0, 1}, {1, 2}});
  kindra_test::StdoutCapture capture;
  c[5].value = 99;
  EXPECT_EQ(c[-1].value, 0);  // a fresh stand-in, not the 99 written above
  const Curve& constCurve = c;
  EXPECT_EQ(constCurve[2].time, 0);
  EXPECT_EQ(c.updateKey(2), -1);
  const std::string out = capture.finish();
  EXPECT_EQ(kindra_test::splitLines(out).size(), 4u) << out;
  EXPECT_EQ(values(c), std::vector<float>({1, 2}));
}

TEST(Spline, NonFiniteTimes) {
  for (auto mode : kInterpolations)
    for (auto ext : kExtrapolations) {
      const Curve c = makeCurve(mode, {{0, 1}, {1, 2}, {2, 4}}, ext, ext);
      EXPECT_EQ(c.evaluate(kNaN), 1) << mode << ext;
      EXPECT_EQ(c.evaluate(-kInf), 1) << mode << ext;
      EXPECT_EQ(c.evaluate(kInf), 4) << mode << ext;
    }

  Curve c = makeCurve(Curve::LINEAR, {{0, 1}, {1, 2}});
  kindra_test::StdoutCapture capture;
  EXPECT_EQ(c.addKey(Key(kNaN, 5)), -1);
  EXPECT_EQ(c.addKey(Key(kInf, 5)), -1);
  std::string out = capture.finish();
  EXPECT_NE(out.find("Assertion failed: std::isfinite(key.time)"), std::string::npos) << out;
  EXPECT_EQ(values(c), std::vector<float>({1, 2}));

  // A key moved to no time at all cannot be placed: it is dropped, loudly.
  kindra_test::StdoutCapture capture2;
  c[0].time = kNaN;
  EXPECT_EQ(c.updateKey(0), -1);
  out = capture2.finish();
  EXPECT_NE(out.find("Assertion failed: std::isfinite(mKeys[index].time)"), std::string::npos) << out;
  EXPECT_EQ(values(c), std::vector<float>({2}));
}

// Far-away times are wrapped in one step, and rounding never lands outside the range.
TEST(Spline, FarTimesWithRepeatStayInTheRange) {
  const Curve c = makeCurve(Curve::LINEAR, {{0.1f, 0}, {0.7f, 10}, {1.3f, 4}}, Curve::EXT_REPEAT, Curve::EXT_REPEAT);
  for (float t : {1e30f, 3e38f, -3e38f, 1e7f + 0.123f, -1e7f, 0.1f + 0.6f * 1000, 1.3f + 1.2f * 77}) {
    const float v = c.evaluate(t);
    EXPECT_TRUE(v >= 0 && v <= 10) << t << " -> " << v;
  }
  const Curve tiny = makeCurve(Curve::LINEAR, {{0, 0}, {1e-30f, 10}}, Curve::EXT_REPEAT, Curve::EXT_REPEAT);
  for (float t : {1e30f, -1e30f, 3e38f}) {
    const float v = tiny.evaluate(t);
    EXPECT_TRUE(v >= 0 && v <= 10) << t << " -> " << v;
  }
  // With the rise added the result keeps growing with the number of repetitions.
  const Curve add = makeCurve(Curve::LINEAR, {{0, 0}, {1, 1}}, Curve::EXT_REPEAT_ADD, Curve::EXT_REPEAT_ADD);
  EXPECT_NEAR(add.evaluate(1e6f + 0.5f), 1e6f + 0.5f, 0.1);
  EXPECT_NEAR(add.evaluate(-1e6f - 0.5f), -1e6f - 0.5f, 0.1);
  // So far out the wrapped time is mostly rounding; it must still count the repetitions.
  const Curve far = makeCurve(Curve::LINEAR, {{0.1f, 0}, {0.7f, 1}}, Curve::EXT_REPEAT_ADD, Curve::EXT_REPEAT_ADD);
  for (float t : {1e20f, -1e20f, 1e30f}) EXPECT_NEAR(far.evaluate(t) / (t / 0.6), 1, 1e-5) << t;
}

// Modes outside the lists (a corrupt script) hold like square and extend as constant.
TEST(Spline, UnknownModes) {
  Curve c = makeCurve(Curve::LINEAR, {{0, 0}, {1, 10}, {2, 20}});
  c.setInterpolation(Curve::InterpolationMode(7));
  c.setExtrapolationBefore(Curve::ExtrapolationMode(-1));
  c.setExtrapolationAfter(Curve::ExtrapolationMode(9));
  EXPECT_EQ(c.getInterpolation(), 7);
  EXPECT_EQ(c.evaluate(0.5f), 0);
  EXPECT_EQ(c.evaluate(1.5f), 10);
  EXPECT_EQ(c.evaluate(-0.5f), 0);
  EXPECT_EQ(c.evaluate(2.5f), 20);
  c.setInterpolation(Curve::SMOOTH);
  c.updateTangents();
  EXPECT_EQ(c[0].tangentIN, 0);
  EXPECT_EQ(c[2].tangentOUT, 0);
}

TEST(Spline, AddKeysEqualsAddingOneByOne) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> slot(0, 20);
  std::uniform_real_distribution<float> value(-5, 5);
  for (auto mode : kInterpolations) {
    Curve one = makeCurve(mode, {{3, 1}, {6, 2}}, Curve::EXT_REPEAT_ADD, Curve::EXT_REPEAT);
    Curve bulk = one;
    std::vector<Key> keys;
    for (int i = 0; i < 60; ++i) keys.push_back(Key(slot(rng) * 0.5f, value(rng), value(rng), value(rng)));
    keys.push_back(Key(kNaN, 1));
    kindra_test::StdoutCapture quiet;
    for (const Key& k : keys) one.addKey(k);
    bulk.addKeys(keys.begin(), keys.end());
    quiet.finish();
    EXPECT_EQ(one.getNumKeys(), 62);
    EXPECT_EQ(times(one), times(bulk));
    EXPECT_EQ(values(one), values(bulk));
    EXPECT_EQ(tangents(one), tangents(bulk));
    EXPECT_EQ(one.getMinValue(), bulk.getMinValue());
    EXPECT_EQ(one.getMaxValue(), bulk.getMaxValue());
  }
}

// The search memory must not change a result, whatever order times come in;
// linear values are checked against a plain scan of the keys.
TEST(Spline, EvaluationOrderDoesNotMatter) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> slot(0, 80);
  std::uniform_real_distribution<float> value(-5, 5);
  for (auto mode : kInterpolations) {
    Curve c(mode, true);
    c.setExtrapolationAfter(Curve::EXT_REPEAT_ADD);
    for (int i = 0; i < 50; ++i) c.addKey(Key(slot(rng) * 0.25f, value(rng)));  // some coincide
    std::vector<float> ts;
    for (int i = -200; i <= 2400; ++i) ts.push_back(i * 0.01f);
    for (int i = 0; i < c.getNumKeys(); ++i) ts.push_back(c[i].time);
    std::vector<float> forward;
    for (float t : ts) forward.push_back(c.evaluate(t));
    std::vector<size_t> order(ts.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    const Curve other = c;
    for (size_t i : order) ASSERT_EQ(other.evaluate(ts[i]), forward[i]) << "t " << ts[i];
    for (size_t i = ts.size(); i-- > 0;) ASSERT_EQ(c.evaluate(ts[i]), forward[i]) << "t " << ts[i];

    if (mode != Curve::LINEAR) continue;
    const int n = c.getNumKeys();
    for (float t : ts) {
      if (t < c.getMinTime() || t > c.getMaxTime()) continue;
      int i = 0;
      while (i + 1 < n - 1 && c[i + 1].time <= t) ++i;
      const double dt = double(c[i + 1].time) - c[i].time;
      const double u = dt > 0 ? (t - c[i].time) / dt : 1.0;
      EXPECT_NEAR(c.evaluate(t), c[i].value + (c[i + 1].value - c[i].value) * u, 1e-5) << "t " << t;
    }
  }
}

}  // namespace
