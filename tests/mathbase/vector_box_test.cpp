#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
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
using mathref::nearVector;

// Files and OpenGL see these types as plain float arrays (sizes and offsets
// are checked where the types are declared).
TEST(Layout, ComponentsAreAnArray) {
  Vector3f v(1, 2, 3);
  const float* p = v;
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[2], 3);
  v[size_t(1)] = 5;  // any integer type indexes
  EXPECT_EQ(v.y, 5);
  EXPECT_EQ(v(1), 5);
  const float raw[4] = {4, 5, 6, 7};
  EXPECT_EQ(Vector4f(raw), Vector4f(4, 5, 6, 7));
  EXPECT_EQ(Vector3f(raw), Vector3f(4, 5, 6));
}

TEST(Vector, WideningConstructors) {
  EXPECT_EQ(Vector3f(2.5f), Vector3f(2.5f, 2.5f, 2.5f));
  EXPECT_EQ(Vector4f(Vector3f(1, 2, 3), 4), Vector4f(1, 2, 3, 4));
  Vector4f v(9, 9, 9, 9);
  v = Vector3f(1, 2, 3);  // w is cleared, not kept
  EXPECT_EQ(v, Vector4f(1, 2, 3, 0));
}

TEST(Vector, Arithmetic) {
  const Vector3f a(1, 2, 3), b(4, -5, 6);
  EXPECT_EQ(a - b, Vector3f(-3, 7, -3));
  EXPECT_EQ(2.0f * a, Vector3f(2, 4, 6));
  EXPECT_EQ(a * b, Vector3f(4, -10, 18));  // component-wise
  EXPECT_EQ(Vector2f(1, 2) * Vector2f(3, 4), Vector2f(3, 8));
  EXPECT_FLOAT_EQ(a.dot(b), 12);
  EXPECT_FLOAT_EQ(Vector4f(1, 1, 1, 1).length(), 2);
  Vector3f c = a;
  c += b;
  c -= a;
  c *= 2;
  c /= 4;
  EXPECT_EQ(c, Vector3f(2, -2.5f, 3));
  EXPECT_FLOAT_EQ(Vector3f(2, 3, 4).product(), 24);
  EXPECT_FLOAT_EQ(Vector4f(1, 2, 3, 4).getMean(), 2.5f);
  EXPECT_FLOAT_EQ(b.getMin(), -5);
  c = a;
  c.min(b);
  EXPECT_EQ(c, Vector3f(1, -5, 3));
  Vector4f d(1, 2, 3, 4);
  d.max(Vector4f(0, 5, 0, 5));
  EXPECT_EQ(d, Vector4f(1, 5, 3, 5));
}

TEST(Vector, CrossProductsAndAxes) {
  const Vector3f a(1, 2, 3), b(-2, 0.5f, 4);
  const Vector3f expected(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
  EXPECT_EQ(a.cross(b), expected);
  EXPECT_EQ(a.crossRHS(b), expected);
  EXPECT_EQ(a.crossLHS(b), -expected);
  EXPECT_EQ(Vector3f(1, 0, 0).cross(Vector3f(0, 1, 0)), Vector3f(0, 0, 1));

  EXPECT_EQ(Vector3f(-5, 1, 3).getMajorAxis(), 0);
  EXPECT_EQ(Vector3f(-5, 1, 3).getMinorAxis(), 1);
  EXPECT_EQ(Vector3f(0.5f, 2, -0.1f).getMinorAxis(), 2);
  EXPECT_EQ(Vector3f(0.5f, 2, -0.1f).getMajorAxis(), 1);

  EXPECT_EQ(Vector3f(1, -1, 0).reflection(Vector3f(0, 1, 0)), Vector3f(1, 1, 0));
  EXPECT_EQ(Vector3f(2, 4, -0.5f).byOne(), Vector3f(0.5f, 0.25f, -2));
  EXPECT_FLOAT_EQ(Vector3f(1, 1, 1).getIntensity(), 1.0f);
  EXPECT_FLOAT_EQ(Vector3f(1, 0, 0).getIntensity(), 0.3f);
  EXPECT_FLOAT_EQ(Vector4f(0, 1, 0, 0.2f).getIntensity(), 0.59f);

  Vector4f colour(-0.5f, 0.5f, 1.5f, 1);
  colour.setMinMax(0, 1);
  EXPECT_EQ(colour, Vector4f(0, 0.5f, 1, 1));
  EXPECT_NEAR(zelkor::deg2rad(180), 3.14159265f, 1e-6);
}

TEST(Vector, NormalizeGivesUnitLength) {
  Vector3f v(3, 0, 4);
  v.normalize();
  EXPECT_TRUE(nearVector(v, Vector3f(0.6f, 0, 0.8f), 1e-7));
  EXPECT_TRUE(nearVector(Vector3f(0, -7, 0).getNormalized(), Vector3f(0, -1, 0), 0));
  EXPECT_FLOAT_EQ(Vector2f(5, 12).getNormalized().length(), 1);
  EXPECT_FLOAT_EQ(Vector4f(1, 2, 3, 4).getNormalized().length(), 1);
  // Just above the threshold still normalizes.
  EXPECT_NEAR(Vector3f(2e-10f, 0, 0).getNormalized().x, 1.0f, 1e-6);
}

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

TEST(Box2Test, UpperBoundIsOutside) {
  const Box2 box(0, 0, 1, 1);
  EXPECT_TRUE(box.isInside(Vector2f(0, 0)));
  EXPECT_TRUE(box.isInside(Vector2f(0.999f, 0.999f)));
  EXPECT_FALSE(box.isInside(Vector2f(1, 0.5f)));
  EXPECT_FALSE(box.isInside(Vector2f(0.5f, 1)));
  EXPECT_FALSE(box.isInside(Vector2f(-0.001f, 0.5f)));
  EXPECT_FALSE(Box2().isInside(Vector2f()));  // an empty box holds nothing
}

TEST(Box2Test, MovesAndGrows) {
  Box2 box(1, 2, 5, 4);
  EXPECT_EQ(box.getCenter(), Vector2f(3, 3));
  EXPECT_FLOAT_EQ(box.getArea(), 8);
  EXPECT_EQ(box[1], Vector2f(5, 4));
  box += Vector2f(10, 0);
  box -= Vector2f(0, 2);
  EXPECT_EQ(box, Box2(11, 0, 15, 2));
  box.expand(1);
  EXPECT_EQ(box, Box2(10, -1, 16, 3));
  box.setUnion(Vector2f(20, 0));
  EXPECT_EQ(box, Box2(10, -1, 20, 3));
  box.setUnion(Box2(0, 0, 1, 10));
  EXPECT_EQ(box, Box2(0, -1, 20, 10));
}

TEST(Box2Test, IntersectKeepsOverlapAndEmptiesDisjointBoxes) {
  Box2 a(0, 0, 4, 4);
  a.setIntersect(Box2(2, 1, 6, 3));
  EXPECT_EQ(a, Box2(2, 1, 4, 3));

  Box2 apartInX(0, 0, 1, 1);
  apartInX.setIntersect(Box2(2, 0, 3, 1));
  EXPECT_EQ(apartInX, Box2(0, 0, 0, 0));

  Box2 apartInY(5, 5, 7, 7);
  apartInY.setIntersect(Box2(5, 8, 7, 9));
  EXPECT_EQ(apartInY, Box2(0, 0, 0, 0));

  // Touching boxes share an edge of zero width; nothing is inside it.
  Box2 touching(0, 0, 1, 1);
  touching.setIntersect(Box2(1, 0, 2, 1));
  EXPECT_EQ(touching, Box2(1, 0, 1, 1));
  EXPECT_FLOAT_EQ(touching.getArea(), 0);
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

// The transformed bounds hold every transformed corner and touch them.
TEST(Box3Test, SetTransformedBoundsAllCorners) {
  const Box3 box(Vector3f(-1, 0, 2), Vector3f(3, 1, 5));
  Matrix4x4Col m;
  m.buildPRS(Vector3f(4, -2, 1), Quatf(0.7f, Vector3f(0, 0.6f, 0.8f)), Vector3f(2, 1, 0.5f));
  Box3 expected(m * box.mMin, m * box.mMin);
  for (int i = 0; i < 8; ++i)
    expected.setUnion(m * Vector3f(box[i & 1].x, box[(i >> 1) & 1].y, box[(i >> 2) & 1].z));
  Box3 result;
  result.setTransformed(box, m);
  EXPECT_TRUE(nearVector(result.mMin, expected.mMin, 1e-5));
  EXPECT_TRUE(nearVector(result.mMax, expected.mMax, 1e-5));
}

}  // namespace
