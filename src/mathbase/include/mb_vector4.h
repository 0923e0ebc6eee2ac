#pragma once
// Four-component float vector: homogeneous points and RGBA colours.

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "mb_assert.h"
#include "mb_components.h"
#include "mb_vector3.h"

namespace zelkor {
namespace mathbase {

class Vector4f : public Components<Vector4f, float, 4> {
 public:
  union {
    struct {
      float x, y, z, w;
    };
    float v[4];
  };

  Vector4f() { set(0, 0, 0, 0); }
  explicit Vector4f(float all) { set(all, all, all, all); }
  Vector4f(float px, float py, float pz, float pw) { set(px, py, pz, pw); }
  Vector4f(const Vector3f& o, float pw) { set(o.x, o.y, o.z, pw); }
  explicit Vector4f(const float* p) { set(p[0], p[1], p[2], p[3]); }
  Vector4f(const Vector4f&) = default;
  Vector4f& operator=(const Vector4f&) = default;
  // Takes x, y and z; w becomes 0 (a direction).
  Vector4f& operator=(const Vector3f& o) {
    set(o.x, o.y, o.z, 0);
    return *this;
  }

  void set(float px, float py, float pz, float pw) {
    x = px;
    y = py;
    z = pz;
    w = pw;
  }

  Vector3f getXYZ() const { return Vector3f(x, y, z); }

  Vector4f operator+(const Vector4f& o) const { return Vector4f(x + o.x, y + o.y, z + o.z, w + o.w); }
  Vector4f operator-(const Vector4f& o) const { return Vector4f(x - o.x, y - o.y, z - o.z, w - o.w); }
  Vector4f operator-() const { return Vector4f(-x, -y, -z, -w); }
  Vector4f operator*(float s) const { return Vector4f(x * s, y * s, z * s, w * s); }
  Vector4f operator/(float s) const { return Vector4f(x / s, y / s, z / s, w / s); }

  Vector4f& operator+=(const Vector4f& o) {
    set(x + o.x, y + o.y, z + o.z, w + o.w);
    return *this;
  }
  Vector4f& operator-=(const Vector4f& o) {
    set(x - o.x, y - o.y, z - o.z, w - o.w);
    return *this;
  }
  Vector4f& operator*=(float s) {
    set(x * s, y * s, z * s, w * s);
    return *this;
  }
  Vector4f& operator/=(float s) {
    set(x / s, y / s, z / s, w / s);
    return *this;
  }

  bool operator==(const Vector4f& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
  bool operator!=(const Vector4f& o) const { return !(*this == o); }

  Vector4f multiply(const Vector4f& o) const { return Vector4f(x * o.x, y * o.y, z * o.z, w * o.w); }
  float dot(const Vector4f& o) const { return x * o.x + y * o.y + z * o.z + w * o.w; }
  float length2() const { return dot(*this); }
  float length() const { return std::sqrt(length2()); }

  // A vector too short to have a direction is left as it is.
  Vector4f& normalize() {
    const float length = this->length();
    MB_ASSERT_OR(length>0.0000000001f, return *this);
    *this *= 1.0f / length;
    return *this;
  }
  Vector4f getNormalized() const {
    Vector4f result(*this);
    result.normalize();
    return result;
  }

  void min(const Vector4f& o) {
    for (int i = 0; i < 4; ++i) v[i] = o.v[i] < v[i] ? o.v[i] : v[i];
  }
  void max(const Vector4f& o) {
    for (int i = 0; i < 4; ++i) v[i] = o.v[i] > v[i] ? o.v[i] : v[i];
  }
  float getMin() const {
    const float a = x < y ? x : y, b = z < w ? z : w;
    return a < b ? a : b;
  }
  float getMax() const {
    const float a = x > y ? x : y, b = z > w ? z : w;
    return a > b ? a : b;
  }
  float product() const { return x * y * z * w; }
  float getMean() const { return (x + y + z + w) * 0.25f; }
  // Luminance of the RGB part of a colour.
  float getIntensity() const { return 0.3f * x + 0.59f * y + 0.11f * z; }
  // Clamps every component into [low, high].
  void setMinMax(float low, float high) {
    for (int i = 0; i < 4; ++i) v[i] = clampValue(v[i], low, high);
  }
};

inline Vector4f operator*(float s, const Vector4f& v) { return v * s; }

static_assert(std::is_trivially_copyable<Vector4f>::value, "read and written as raw floats");
static_assert(sizeof(Vector4f) == 4 * sizeof(float) && offsetof(Vector4f, w) == 12, "x, y, z, w and nothing else");

}  // namespace mathbase
}  // namespace zelkor
