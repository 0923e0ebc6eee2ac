#pragma once
// Euler angles with the order in which their elementary rotations compose.

#include <cmath>
#include <cstddef>

#include "mb_vector3.h"

namespace zelkor {
namespace mathbase {

class RotationOrder {
 public:
  // Numbered so that the reverse of every order is 5 minus its value.
  enum Order { XYZ = 0, XZY = 1, YXZ = 2, ZXY = 3, YZX = 4, ZYX = 5 };

  int value;

  RotationOrder() : value(XYZ) {}
  RotationOrder(Order order) : value(order) {}  // NOLINT: orders convert freely
  explicit RotationOrder(int order) : value(order) {}

  int asInt() const { return value; }
  bool isValid() const { return value >= XYZ && value <= ZYX; }
  RotationOrder getInverse() const { return RotationOrder(5 - value); }
  void invert() { value = 5 - value; }

  bool operator==(Order order) const { return value == order; }
  bool operator!=(Order order) const { return value != order; }
  bool operator==(const RotationOrder& o) const { return value == o.value; }
  bool operator!=(const RotationOrder& o) const { return value != o.value; }

  // The axes (0 = x, 1 = y, 2 = z) as the order names them, left to right.
  // The rotation is R(first)·R(second)·R(third): the third is applied first.
  void getAxes(int& first, int& second, int& third) const {
    static const int kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {2, 0, 1}, {1, 2, 0}, {2, 1, 0}};
    const int* axes = kAxes[isValid() ? value : 0];
    first = axes[0];
    second = axes[1];
    third = axes[2];
  }
};

class Euler {
 public:
  Vector3f angles;  // radians about x, y and z
  RotationOrder order;

  Euler() {}
  explicit Euler(const Vector3f& pAngles, RotationOrder pOrder = RotationOrder()) : angles(pAngles), order(pOrder) {}
  Euler(float ax, float ay, float az, RotationOrder pOrder = RotationOrder()) : angles(ax, ay, az), order(pOrder) {}

  // The angles in the given order that produce the rotation r (row-major
  // r[row][column], orthonormal). In gimbal lock the first angle is 0.
  static Euler fromRotation(const float r[3][3], RotationOrder pOrder) {
    int i, j, k;
    pOrder.getAxes(i, j, k);
    // Cyclic orders (XYZ, YZX, ZXY) and the others differ in sign.
    const float s = (j == (i + 1) % 3) ? 1.0f : -1.0f;
    float a[3];
    const float cosJ = std::sqrt(r[i][i] * r[i][i] + r[i][j] * r[i][j]);
    a[j] = std::atan2(s * r[i][k], cosJ);
    a[i] = cosJ > 1e-6f ? std::atan2(-s * r[j][k], r[k][k]) : 0.0f;
    // The third angle from R(first)⁻¹·r, so that the three together give r
    // even where the first is poorly determined near gimbal lock.
    const float ci = std::cos(a[i]), si = s * std::sin(a[i]);
    a[k] = std::atan2(s * (ci * r[j][i] + si * r[k][i]), ci * r[j][j] + si * r[k][j]);
    return Euler(a[0], a[1], a[2], pOrder.isValid() ? pOrder : RotationOrder());
  }
};

typedef Euler Eulerf;

static_assert(sizeof(RotationOrder) == sizeof(int), "RotationOrder is one int");
static_assert(sizeof(Euler) == 4 * sizeof(float), "Euler is three angles and an order");
static_assert(offsetof(Euler, order) == sizeof(Vector3f), "the order follows the angles");

}  // namespace mathbase
}  // namespace zelkor
