#pragma once
// Three-component vector; the float instance is the system's point, direction
// and RGB colour type. Its layout (x, y, z, nothing else) is read from and
// written to files and handed to OpenGL as an array.

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "mb_assert.h"
#include "mb_components.h"
#include "mb_math.h"

namespace zelkor {
namespace mathbase {

template <typename T>
class Vector3T : public Components<Vector3T<T>, T, 3> {
 public:
  union {
    struct {
      T x, y, z;
    };
    T v[3];
  };

  Vector3T() { set(0, 0, 0); }
  explicit Vector3T(T all) { set(all, all, all); }
  Vector3T(T px, T py, T pz) { set(px, py, pz); }
  explicit Vector3T(const T* p) { set(p[0], p[1], p[2]); }
  Vector3T(const Vector3T&) = default;
  Vector3T& operator=(const Vector3T&) = default;

  void set(T px, T py, T pz) {
    x = px;
    y = py;
    z = pz;
  }

  Vector3T operator+(const Vector3T& o) const { return Vector3T(x + o.x, y + o.y, z + o.z); }
  Vector3T operator-(const Vector3T& o) const { return Vector3T(x - o.x, y - o.y, z - o.z); }
  Vector3T operator-() const { return Vector3T(-x, -y, -z); }
  Vector3T operator*(T s) const { return Vector3T(x * s, y * s, z * s); }
  Vector3T operator/(T s) const { return Vector3T(x / s, y / s, z / s); }
  // Component-wise, like multiply().
  Vector3T operator*(const Vector3T& o) const { return multiply(o); }

  Vector3T& operator+=(const Vector3T& o) {
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
  }
  Vector3T& operator-=(const Vector3T& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
  }
  Vector3T& operator*=(T s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  Vector3T& operator/=(T s) {
    x /= s;
    y /= s;
    z /= s;
    return *this;
  }

  bool operator==(const Vector3T& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const Vector3T& o) const { return !(*this == o); }

  Vector3T multiply(const Vector3T& o) const { return Vector3T(x * o.x, y * o.y, z * o.z); }
  T dot(const Vector3T& o) const { return x * o.x + y * o.y + z * o.z; }
  T length2() const { return x * x + y * y + z * z; }
  T length() const { return std::sqrt(length2()); }

  // A vector too short to have a direction is left as it is.
  Vector3T& normalize() {
    const T length = this->length();
    MB_ASSERT_OR(length>0.0000000001f, return *this);
    *this *= T(1) / length;
    return *this;
  }
  Vector3T getNormalized() const {
    Vector3T result(*this);
    result.normalize();
    return result;
  }

  // Right-handed cross product; cross() is the same.
  Vector3T crossRHS(const Vector3T& b) const {
    return Vector3T(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
  }
  Vector3T cross(const Vector3T& b) const { return crossRHS(b); }
  Vector3T crossLHS(const Vector3T& b) const { return b.crossRHS(*this); }

  void min(const Vector3T& o) {
    x = o.x < x ? o.x : x;
    y = o.y < y ? o.y : y;
    z = o.z < z ? o.z : z;
  }
  void max(const Vector3T& o) {
    x = o.x > x ? o.x : x;
    y = o.y > y ? o.y : y;
    z = o.z > z ? o.z : z;
  }
  T getMin() const { return x < y ? (x < z ? x : z) : (y < z ? y : z); }
  T getMax() const { return x > y ? (x > z ? x : z) : (y > z ? y : z); }
  T product() const { return x * y * z; }

  // Index of the component with the smallest / largest magnitude.
  int getMinorAxis() const {
    const T ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    return ax <= ay ? (ax <= az ? 0 : 2) : (ay <= az ? 1 : 2);
  }
  int getMajorAxis() const {
    const T ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    return ax >= ay ? (ax >= az ? 0 : 2) : (ay >= az ? 1 : 2);
  }

  // This vector mirrored at the plane with the given unit normal.
  Vector3T reflection(const Vector3T& normal) const { return *this - normal * (T(2) * dot(normal)); }
  // Component-wise reciprocal.
  Vector3T byOne() const { return Vector3T(T(1) / x, T(1) / y, T(1) / z); }
  // Luminance when used as an RGB colour.
  T getIntensity() const { return T(0.3) * x + T(0.59) * y + T(0.11) * z; }
};

template <typename T>
inline Vector3T<T> operator*(T s, const Vector3T<T>& v) {
  return v * s;
}

typedef Vector3T<float> Vector3f;

static_assert(std::is_trivially_copyable<Vector3f>::value, "read and written as raw floats");
static_assert(sizeof(Vector3f) == 3 * sizeof(float) && offsetof(Vector3f, x) == 0 && offsetof(Vector3f, y) == 4 &&
                  offsetof(Vector3f, z) == 8,
              "x, y, z and nothing else");

}  // namespace mathbase
}  // namespace zelkor
