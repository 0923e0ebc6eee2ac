#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "math_reference.h"
#include "mb_box2.h"
#include "mb_box3.h"
#include "mb_euler.h"
#include "mb_matrix4x4col.h"
#include "mb_quatf.h"
#include "mb_random.h"
#include "mb_vector2.h"
#include "mb_vector3.h"
#include "mb_vector4.h"
#include "test_support.h"

namespace {

using namespace zelkor::mathbase;
using kindra_test::StdoutCapture;

// A vector with no direction stays as it is (never NaN) and the violated
// condition is logged as its expression.
TEST(Vector, NormalizeOfNearZeroVectorKeepsItAndLogs) {
  StdoutCapture capture;
  Vector3f zero;
  zero.normalize();
  const Vector3f tiny(1e-11f, 0, 0);
  const Vector3f tinyNormalized = tiny.getNormalized();
  Vector2f zero2;
  zero2.normalize();
  Vector4f zero4;
  zero4.normalize();
  const std::string out = capture.finish();
  EXPECT_EQ(zero, Vector3f());
  EXPECT_EQ(tinyNormalized, tiny);
  EXPECT_EQ(zero2, Vector2f());
  EXPECT_EQ(zero4, Vector4f());
  const auto lines = kindra_test::splitLines(out);
  ASSERT_EQ(lines.size(), 4u) << out;
  EXPECT_EQ(lines[0].rfind("[error][mathbase::Vector3T<", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(">::normalize], Assertion failed: length>0.0000000001f (mb_vector3.h:"), std::string::npos)
      << lines[0];
}

// Each operator against sums worked out by hand (values exact in floats).
TEST(Vector, OperatorsWorkComponentByComponent) {
  const Vector4f a(1, 2, 3, 4), b(0.5f, -1, 2, 8);
  Vector4f c = a;
  EXPECT_EQ(c += b, Vector4f(1.5f, 1, 5, 12));
  EXPECT_EQ(c -= a + a, Vector4f(-0.5f, -3, -1, 4));
  EXPECT_EQ(c *= 2.0f, Vector4f(-1, -6, -2, 8));
  EXPECT_EQ(c /= 4.0f, Vector4f(-0.25f, -1.5f, -0.5f, 2));
  EXPECT_EQ(-(a - b) / 2.0f, Vector4f(-0.25f, -1.5f, -0.5f, 2));
  EXPECT_EQ(a.multiply(b), Vector4f(0.5f, -2, 6, 32));
  EXPECT_FLOAT_EQ(a.dot(b), 36.5f);
  EXPECT_TRUE(a != b && !(a != a));
  EXPECT_EQ(Vector3f(3, 1, 2).getMin(), 1.0f);
  EXPECT_EQ(Vector3f(1, 2, 3).getMax(), 3.0f);

  const Vector2f p(3, -4), q(0.5f, 2);
  Vector2f r = p;
  EXPECT_EQ(r += q, Vector2f(3.5f, -2));
  EXPECT_EQ(r -= p * 2.0f, Vector2f(-2.5f, 6));
  EXPECT_EQ(r *= 2.0f, Vector2f(-5, 12));
  EXPECT_EQ(r /= 4.0f, Vector2f(-1.25f, 3));
  EXPECT_EQ(-p / 2.0f, Vector2f(-1.5f, 2));
  EXPECT_EQ(p * q, Vector2f(1.5f, -8));
  EXPECT_FLOAT_EQ(p.dot(q), -6.5f);
  EXPECT_FLOAT_EQ(p.length(), 5.0f);
  EXPECT_FLOAT_EQ(p.getNormalized().y, -0.8f);

  const Quatf u(1, 2, 3, 4), v(0.5f, -1, 2, 8);
  Quatf w = u;
  EXPECT_EQ(w += v, Quatf(1.5f, 1, 5, 12));
  EXPECT_EQ(w -= u + u, Quatf(-0.5f, -3, -1, 4));
  EXPECT_EQ(w *= 2.0f, Quatf(-1, -6, -2, 8));
  EXPECT_EQ(-(u - v) * 0.5f, Quatf(-0.25f, -1.5f, -0.5f, 2));
  EXPECT_EQ(u.getInverse(), Quatf(u).invert());
  EXPECT_EQ(u.getInverse(), Quatf(1, -2, -3, -4));
}

// A 2D box moves, grows and meets others; an empty overlap is the zero box.
TEST(Box2Test, MovesGrowsAndMeets) {
  Box2 box(0, 0, 4, 2);
  box -= Vector2f(1, 1);
  EXPECT_EQ(box, Box2(-1, -1, 3, 1));
  box.expand(1.0f);
  EXPECT_EQ(box, Box2(-2, -2, 4, 2));
  box.setUnion(Vector2f(5, -3));
  EXPECT_EQ(box, Box2(-2, -3, 5, 2));
  box.setUnion(Box2(0, 0, 1, 7));
  EXPECT_EQ(box, Box2(-2, -3, 5, 7));
  box.setIntersect(Box2(4, 6, 9, 9));
  EXPECT_EQ(box, Box2(4, 6, 5, 7));
  box.setIntersect(Box2(6, 0, 9, 9));
  EXPECT_EQ(box, Box2()) << "no overlap";
  EXPECT_TRUE(box != Box2(0, 0, 1, 1));
}

TEST(Box3Test, BoundsAndQueries) {
  Box3 box;
  box.setFromPoints(Vector3f(1, 2, 3), Vector3f(0, 0, 0));
  EXPECT_EQ(box.mMin, Vector3f(1, 2, 3));  // not sorted
  box.setFromPoints(Vector3f(0, 0, 0), Vector3f(2, 4, 6));
  EXPECT_FLOAT_EQ(box.getVolume(), 48);
  EXPECT_EQ(box.getCenter(), Vector3f(1, 2, 3));
  EXPECT_TRUE(box.isInside(Vector3f(0, 0, 0)));
  EXPECT_FALSE(box.isInside(Vector3f(1, 4, 1)));
  EXPECT_FLOAT_EQ(box.getAxisArea(0), 24);
  EXPECT_FLOAT_EQ(box.getAxisArea(2), 8);
  EXPECT_FLOAT_EQ(box.getAxisAreaCircum(1), 16);
  EXPECT_FLOAT_EQ(box.getMinSphereRadiusFromCenter(), std::sqrt(14.0f));
  EXPECT_FLOAT_EQ(box.getDistanceSqr(Vector3f(1, 1, 1)), 0);
  EXPECT_FLOAT_EQ(box.getDistanceSqr(Vector3f(-1, 5, 1)), 2);

  Box3 grown = box + Vector3f(1, 1, 1);
  grown.expand(0.5f);
  EXPECT_EQ(grown, Box3(Vector3f(0.5f, 0.5f, 0.5f), Vector3f(3.5f, 5.5f, 7.5f)));
  grown.setUnion(Box3(Vector3f(-1, 0, 0), Vector3f(0, 0, 9)));
  EXPECT_EQ(grown, Box3(Vector3f(-1, 0, 0), Vector3f(3.5f, 5.5f, 9)));

  float tNear = 0, tFar = 0;
  ASSERT_TRUE(box.getIntersection(Vector3f(-1, 1, 1), Vector3f(1, 0, 0), tNear, tFar));
  EXPECT_FLOAT_EQ(tNear, 1);
  EXPECT_FLOAT_EQ(tFar, 3);
  EXPECT_FALSE(box.getIntersection(Vector3f(-1, 5, 1), Vector3f(1, 0, 0), tNear, tFar));
  EXPECT_FALSE(box.getIntersection(Vector3f(3, 1, 1), Vector3f(1, 0, 0), tNear, tFar));  // behind
}

}  // namespace
