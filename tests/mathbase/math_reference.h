#pragma once
// Independent double-precision reference for the rotation tests: textbook
// elementary rotations composed by plain 3×3 products.

#include <gtest/gtest.h>

#include <cmath>

#include "mb_matrix4x4col.h"
#include "mb_quatf.h"

namespace mathref {

struct M3 {
  double m[3][3];
};

inline M3 identity() {
  M3 r{};
  for (int i = 0; i < 3; ++i) r.m[i][i] = 1;
  return r;
}

// Right-handed rotation by a radians about the axis 0 (x), 1 (y) or 2 (z),
// written out as in any textbook.
inline M3 rot(int axis, double a) {
  const double c = std::cos(a), s = std::sin(a);
  switch (axis) {
    case 0:
      return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    case 1:
      return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    default:
      return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
  }
}

inline M3 mul(const M3& a, const M3& b) {
  M3 r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
  return r;
}

// Elementary rotations for the angles, composed as the order's letters read.
inline M3 euler(double ax, double ay, double az, const char* order) {
  const double angles[3] = {ax, ay, az};
  M3 r = identity();
  for (const char* c = order; *c; ++c) r = mul(r, rot(*c - 'X', angles[*c - 'X']));
  return r;
}

inline ::testing::AssertionResult near3x3(const zelkor::mathbase::Matrix4x4Col& actual, const M3& expected,
                                          double tolerance = 1e-5) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (std::fabs(actual(r, c) - expected.m[r][c]) > tolerance)
        return ::testing::AssertionFailure() << "element (" << r << ", " << c << ") is " << actual(r, c)
                                             << ", expected " << expected.m[r][c];
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult nearMatrix(const zelkor::mathbase::Matrix4x4Col& actual,
                                             const zelkor::mathbase::Matrix4x4Col& expected,
                                             double tolerance = 1e-5) {
  for (int i = 0; i < 16; ++i)
    if (std::fabs(actual[i] - expected[i]) > tolerance)
      return ::testing::AssertionFailure() << "mData[" << i << "] is " << actual[i] << ", expected " << expected[i];
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult isIdentity(const zelkor::mathbase::Matrix4x4Col& actual, double tolerance = 1e-5) {
  zelkor::mathbase::Matrix4x4Col identity;
  identity.setIdentity();
  return nearMatrix(actual, identity, tolerance);
}

inline ::testing::AssertionResult nearVector(const zelkor::mathbase::Vector3f& actual,
                                             const zelkor::mathbase::Vector3f& expected, double tolerance = 1e-5) {
  for (int i = 0; i < 3; ++i)
    if (!(std::fabs(actual[i] - expected[i]) <= tolerance))
      return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z
                                           << "), expected (" << expected.x << ", " << expected.y << ", "
                                           << expected.z << ")";
  return ::testing::AssertionSuccess();
}

// Equal as rotations: q and −q are the same rotation.
inline ::testing::AssertionResult sameRotation(const zelkor::mathbase::Quatf& a, const zelkor::mathbase::Quatf& b,
                                               double tolerance = 1e-5) {
  const double d = std::fabs(double(a.dot(b)));
  if (std::fabs(d - 1) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.w << ", " << a.x << ", " << a.y << ", " << a.z << ") and (" << b.w
                                       << ", " << b.x << ", " << b.y << ", " << b.z << ") differ";
}

inline const char* orderName(int order) {
  static const char* const kNames[6] = {"XYZ", "XZY", "YXZ", "ZXY", "YZX", "ZYX"};
  return kNames[order];
}

}  // namespace mathref
