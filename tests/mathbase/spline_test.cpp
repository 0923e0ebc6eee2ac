#include <gtest/gtest.h>

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

// (tangentIN, tangentOUT) of every key.
typedef std::vector<std::pair<float, float>> Tangents;
Tangents tangents(const Curve& c) {
  Tangents r;
  for (int i = 0; i < c.getNumKeys(); ++i) r.push_back({c[i].tangentIN, c[i].tangentOUT});
  return r;
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

}  // namespace
