#pragma once
// Two-component float vector: screen positions, sizes and texture coordinates.

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "mb_assert.h"
#include "mb_components.h"

namespace zelkor {
namespace mathbase {

class Vector2f : public Components<Vector2f, float, 2> {
 public:
  union {
    struct {
      float x, y;
    };
    float v[2];
  };

  Vector2f() { set(0, 0); }
  Vector2f(float px, float py) { set(px, py); }
  explicit Vector2f(const float* p) { set(p[0], p[1]); }
  Vector2f(const Vector2f&) = default;
  Vector2f& operator=(const Vector2f&) = default;

  void set(float px, float py) {
    x = px;
    y = py;
  }

  Vector2f operator+(const Vector2f& o) const { return Vector2f(x + o.x, y + o.y); }
  Vector2f operator-(const Vector2f& o) const { return Vector2f(x - o.x, y - o.y); }
  Vector2f operator-() const { return Vector2f(-x, -y); }
  Vector2f operator*(float s) const { return Vector2f(x * s, y * s); }
  Vector2f operator/(float s) const { return Vector2f(x / s, y / s); }
  // Component-wise, like multiply().
  Vector2f operator*(const Vector2f& o) const { return multiply(o); }

  Vector2f& operator+=(const Vector2f& o) {
    x += o.x;
    y += o.y;
    return *this;
  }
  Vector2f& operator-=(const Vector2f& o) {
    x -= o.x;
    y -= o.y;
    return *this;
  }
  Vector2f& operator*=(float s) {
    x *= s;
    y *= s;
    return *this;
  }
  Vector2f& operator/=(float s) {
    x /= s;
    y /= s;
    return *this;
  }

  bool operator==(const Vector2f& o) const { return x == o.x && y == o.y; }
  bool operator!=(const Vector2f& o) const { return !(*this == o); }

  Vector2f multiply(const Vector2f& o) const { return Vector2f(x * o.x, y * o.y); }
  float dot(const Vector2f& o) const { return x * o.x + y * o.y; }
  float length2() const { return x * x + y * y; }
  float length() const { return std::sqrt(length2()); }

  // A vector too short to have a direction is left as it is.
  Vector2f& normalize() {
    const float length = this->length();
    MB_ASSERT_OR(length>0.0000000001f, return *this);
    *this *= 1.0f / length;
    return *this;
  }
  Vector2f getNormalized() const {
    Vector2f result(*this);
    result.normalize();
    return result;
  }

  void min(const Vector2f& o) {
    x = o.x < x ? o.x : x;
    y = o.y < y ? o.y : y;
  }
  void max(const Vector2f& o) {
    x = o.x > x ? o.x : x;
    y = o.y > y ? o.y : y;
  }
  float getMin() const { return x < y ? x : y; }
  float getMax() const { return x > y ? x : y; }
  float product() const { return x * y; }
};

inline Vector2f operator*(float s, const Vector2f& v) { return v * s; }

static_assert(std::is_trivially_copyable<Vector2f>::value, "read and written as raw floats");
static_assert(sizeof(Vector2f) == 2 * sizeof(float) && offsetof(Vector2f, y) == 4, "x, y and nothing else");

}  // namespace mathbase
}  // namespace zelkor
