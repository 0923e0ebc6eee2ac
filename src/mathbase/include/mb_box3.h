#pragma once
// Axis-aligned box; bounds of meshes and scene parts. Half-open like Box2.

#include <cmath>
#include <cstddef>
#include <utility>

#include "mb_matrix4x4col.h"
#include "mb_vector3.h"

namespace zelkor {
namespace mathbase {

class Box3 {
 public:
  Vector3f mMin, mMax;

  Box3() {}
  Box3(const Vector3f& pMin, const Vector3f& pMax) : mMin(pMin), mMax(pMax) {}

  const Vector3f& getMin() const { return mMin; }
  const Vector3f& getMax() const { return mMax; }
  Vector3f getCenter() const { return (mMin + mMax) * 0.5f; }
  Vector3f getSize() const { return mMax - mMin; }
  Vector3f getHalfSize() const { return getSize() * 0.5f; }
  float getVolume() const { return getSize().product(); }

  // 0 is the minimum corner, 1 the maximum.
  Vector3f& operator[](int i) { return i ? mMax : mMin; }
  const Vector3f& operator[](int i) const { return i ? mMax : mMin; }

  Box3 operator+(const Vector3f& d) const { return Box3(mMin + d, mMax + d); }
  Box3 operator-(const Vector3f& d) const { return Box3(mMin - d, mMax - d); }
  Box3& operator+=(const Vector3f& d) {
    mMin += d;
    mMax += d;
    return *this;
  }
  Box3& operator-=(const Vector3f& d) {
    mMin -= d;
    mMax -= d;
    return *this;
  }
  bool operator==(const Box3& o) const { return mMin == o.mMin && mMax == o.mMax; }
  bool operator!=(const Box3& o) const { return !(*this == o); }

  void expand(float d) {
    mMin -= Vector3f(d);
    mMax += Vector3f(d);
  }
  void setUnion(const Vector3f& p) {
    mMin.min(p);
    mMax.max(p);
  }
  void setUnion(const Box3& b) {
    mMin.min(b.mMin);
    mMax.max(b.mMax);
  }
  // The corners as given, not sorted.
  void setFromPoints(const Vector3f& a, const Vector3f& b) {
    mMin = a;
    mMax = b;
  }
  bool isInside(const Vector3f& p) const {
    return p.x >= mMin.x && p.y >= mMin.y && p.z >= mMin.z && p.x < mMax.x && p.y < mMax.y && p.z < mMax.z;
  }

  // The axis-aligned bounds of box b transformed by m.
  void setTransformed(const Box3& b, const Matrix4x4Col& m) {
    const Vector3f center = m.multiply(b.getCenter());
    const Vector3f half = b.getHalfSize();
    Vector3f extent;
    for (int r = 0; r < 3; ++r)
      extent[r] = std::fabs(m(r, 0)) * half.x + std::fabs(m(r, 1)) * half.y + std::fabs(m(r, 2)) * half.z;
    mMin = center - extent;
    mMax = center + extent;
  }

  // Where the ray origin + t·dir enters and leaves the box (slab test);
  // false when it misses or the box lies behind the origin.
  bool getIntersection(const Vector3f& origin, const Vector3f& dir, float& tNear, float& tFar) const {
    float t0 = -INFINITY, t1 = INFINITY;
    for (int i = 0; i < 3; ++i) {
      if (dir[i] == 0) {
        if (origin[i] < mMin[i] || origin[i] > mMax[i]) return false;
        continue;
      }
      const float inv = 1.0f / dir[i];
      float a = (mMin[i] - origin[i]) * inv, b = (mMax[i] - origin[i]) * inv;
      if (a > b) std::swap(a, b);
      t0 = a > t0 ? a : t0;
      t1 = b < t1 ? b : t1;
    }
    if (t0 > t1 || t1 < 0) return false;
    tNear = t0;
    tFar = t1;
    return true;
  }

  // Squared distance from p to the box; 0 inside.
  float getDistanceSqr(const Vector3f& p) const {
    float sum = 0;
    for (int i = 0; i < 3; ++i) {
      const float d = p[i] < mMin[i] ? mMin[i] - p[i] : (p[i] > mMax[i] ? p[i] - mMax[i] : 0.0f);
      sum += d * d;
    }
    return sum;
  }

  // Area and circumference of the cross-section at right angles to an axis.
  float getAxisArea(int axis) const {
    const Vector3f s = getSize();
    return s[(axis + 1) % 3] * s[(axis + 2) % 3];
  }
  float getAxisAreaCircum(int axis) const {
    const Vector3f s = getSize();
    return 2 * (s[(axis + 1) % 3] + s[(axis + 2) % 3]);
  }
  // Radius of the smallest sphere about the centre that holds the box.
  float getMinSphereRadiusFromCenter() const { return getHalfSize().length(); }
};

static_assert(sizeof(Box3) == 6 * sizeof(float) && offsetof(Box3, mMax) == 12, "Box3 is min, then max");

}  // namespace mathbase
}  // namespace zelkor
