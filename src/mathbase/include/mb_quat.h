#pragma once
// Quaternion (w, x, y, z). Unit quaternions are rotations; q1 * q2 applies q2
// first, then q1. The layout (w first) is what scene files store.

#include <cmath>

#include "mb_assert.h"
#include "mb_euler.h"
#include "mb_vector3.h"

namespace zelkor {
namespace mathbase {

template <typename T>
class Quat {
 public:
  T w, x, y, z;

  Quat() : w(1), x(0), y(0), z(0) {}
  Quat(T pw, T px, T py, T pz) : w(pw), x(px), y(py), z(pz) {}
  Quat(T angle, const Vector3T<T>& axis) { setAngleAxis(angle, axis); }
  explicit Quat(const Euler& e) : w(1), x(0), y(0), z(0) { setEuler(e); }
  Quat(const Vector3T<T>& from, const Vector3T<T>& to) { setOrientation(from, to); }

  Quat& operator=(const Euler& e) { return setEuler(e); }

  void set(T pw, T px, T py, T pz) {
    w = pw;
    x = px;
    y = py;
    z = pz;
  }
  Quat& setIdentity() {
    set(1, 0, 0, 0);
    return *this;
  }

  // The axis is taken as given; callers pass unit length.
  Quat& setAngleAxis(T angle, const Vector3T<T>& axis) {
    const T s = std::sin(angle * T(0.5));
    set(std::cos(angle * T(0.5)), axis.x * s, axis.y * s, axis.z * s);
    return *this;
  }
  Quat& setRotX(T a) {
    set(std::cos(a * T(0.5)), std::sin(a * T(0.5)), 0, 0);
    return *this;
  }
  Quat& setRotY(T a) {
    set(std::cos(a * T(0.5)), 0, std::sin(a * T(0.5)), 0);
    return *this;
  }
  Quat& setRotZ(T a) {
    set(std::cos(a * T(0.5)), 0, 0, std::sin(a * T(0.5)));
    return *this;
  }

  Quat& setEuler(const Euler& e);
  Quat& setOrientation(const Vector3T<T>& from, const Vector3T<T>& to);
  void getAngleAxis(T& angle, Vector3T<T>& axis) const;
  Euler getEuler(RotationOrder order) const;
  // Spherical interpolation along the shorter arc; t = 0 gives a, t = 1 gives
  // b (or -b, the same rotation, when that is nearer to a).
  static Quat slerp(const Quat& a, const Quat& b, T t);

  // Hamilton product this·o.
  Quat operator*(const Quat& o) const {
    return Quat(w * o.w - x * o.x - y * o.y - z * o.z, w * o.x + x * o.w + y * o.z - z * o.y,
                w * o.y + y * o.w + z * o.x - x * o.z, w * o.z + z * o.w + x * o.y - y * o.x);
  }
  Quat& operator*=(const Quat& o) { return *this = *this * o; }

  Quat operator+(const Quat& o) const { return Quat(w + o.w, x + o.x, y + o.y, z + o.z); }
  Quat operator-(const Quat& o) const { return Quat(w - o.w, x - o.x, y - o.y, z - o.z); }
  Quat operator-() const { return Quat(-w, -x, -y, -z); }
  Quat operator*(T s) const { return Quat(w * s, x * s, y * s, z * s); }
  Quat& operator+=(const Quat& o) { return *this = *this + o; }
  Quat& operator-=(const Quat& o) { return *this = *this - o; }
  Quat& operator*=(T s) { return *this = *this * s; }
  bool operator==(const Quat& o) const { return w == o.w && x == o.x && y == o.y && z == o.z; }
  bool operator!=(const Quat& o) const { return !(*this == o); }

  T dot(const Quat& o) const { return w * o.w + x * o.x + y * o.y + z * o.z; }
  T length2() const { return dot(*this); }
  T length() const { return std::sqrt(length2()); }

  // A zero quaternion has no direction and is left as it is.
  Quat& normalize() {
    const T length = this->length();
    MB_ASSERT_OR(length>0, return *this);
    const T inv = T(1) / length;
    return *this *= inv;
  }
  Quat getNormalized() const {
    Quat result(*this);
    return result.normalize();
  }

  // The conjugate: the inverse rotation of a unit quaternion.
  Quat getInverse() const { return Quat(w, -x, -y, -z); }
  Quat& invert() {
    x = -x;
    y = -y;
    z = -z;
    return *this;
  }

  // Rotation matrix, row-major r[row][column]; assumes unit length.
  void getRotation(T r[3][3]) const {
    r[0][0] = 1 - 2 * (y * y + z * z);
    r[0][1] = 2 * (x * y - w * z);
    r[0][2] = 2 * (x * z + w * y);
    r[1][0] = 2 * (x * y + w * z);
    r[1][1] = 1 - 2 * (x * x + z * z);
    r[1][2] = 2 * (y * z - w * x);
    r[2][0] = 2 * (x * z - w * y);
    r[2][1] = 2 * (y * z + w * x);
    r[2][2] = 1 - 2 * (x * x + y * y);
  }

  // v rotated by this quaternion, the same as the rotation matrix times v.
  Vector3T<T> rotate(const Vector3T<T>& v) const {
    T r[3][3];
    getRotation(r);
    return Vector3T<T>(r[0][0] * v.x + r[0][1] * v.y + r[0][2] * v.z, r[1][0] * v.x + r[1][1] * v.y + r[1][2] * v.z,
                       r[2][0] * v.x + r[2][1] * v.y + r[2][2] * v.z);
  }
  Vector3T<T> operator*(const Vector3T<T>& v) const { return rotate(v); }
};

template <typename T>
inline Vector3T<T> operator*(const Vector3T<T>& v, const Quat<T>& q) {
  return q.rotate(v);
}

template <typename T>
Quat<T>& Quat<T>::setEuler(const Euler& e) {
  const int order = e.order.asInt();
  MB_ASSERT_OR(order >= RotationOrder::XYZ && order <= RotationOrder::ZYX, return *this);
  Quat q[3];
  q[0].setRotX(T(e.angles.x));
  q[1].setRotY(T(e.angles.y));
  q[2].setRotZ(T(e.angles.z));
  int first, second, third;
  e.order.getAxes(first, second, third);
  return *this = q[first] * q[second] * q[third];
}

template <typename T>
Quat<T>& Quat<T>::setOrientation(const Vector3T<T>& from, const Vector3T<T>& to) {
  Vector3T<T> axis = from.cross(to);
  const T cosAngle = clampValue(from.dot(to), T(-1), T(1));
  if (axis.length2() >= T(1e-6)) return setAngleAxis(std::acos(cosAngle), axis.normalize());
  if (cosAngle >= 0) return setIdentity();
  // Opposite vectors: half a turn about any axis at right angles to them.
  Vector3T<T> helper;
  helper[from.getMinorAxis()] = 1;
  axis = from.cross(helper);
  return setAngleAxis(T(PI), axis.normalize());
}

template <typename T>
void Quat<T>::getAngleAxis(T& angle, Vector3T<T>& axis) const {
  const T cw = clampValue(w, T(-1), T(1));
  angle = 2 * std::acos(cw);
  const T s = std::sqrt(1 - cw * cw);
  if (s > T(1e-6))
    axis = Vector3T<T>(x / s, y / s, z / s);
  else
    axis = Vector3T<T>(1, 0, 0);  // no rotation: any axis will do
}

template <typename T>
Euler Quat<T>::getEuler(RotationOrder order) const {
  T r[3][3];
  getRotation(r);
  float rf[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) rf[i][j] = float(r[i][j]);
  return Euler::fromRotation(rf, order);
}

template <typename T>
Quat<T> Quat<T>::slerp(const Quat& a, const Quat& b, T t) {
  T cosTheta = a.dot(b);
  Quat end = b;
  if (cosTheta < 0) {
    cosTheta = -cosTheta;
    end = -b;
  }
  if (cosTheta > T(0.9995)) {
    // Nearly the same rotation: the sine below would lose all precision.
    return (a + (end - a) * t).normalize();
  }
  const T theta = std::acos(cosTheta);
  const T sinTheta = std::sin(theta);
  return a * (std::sin((1 - t) * theta) / sinTheta) + end * (std::sin(t * theta) / sinTheta);
}

}  // namespace mathbase
}  // namespace zelkor
