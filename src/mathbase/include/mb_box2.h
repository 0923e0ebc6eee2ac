#pragma once
// Axis-aligned rectangle; the GUI toolkit's area type. Half-open: a point on
// the upper edge is outside.

#include <cstddef>

#include "mb_vector2.h"

namespace zelkor {
namespace mathbase {

class Box2 {
 public:
  Vector2f mMin, mMax;

  Box2() {}
  Box2(const Vector2f& pMin, const Vector2f& pMax) : mMin(pMin), mMax(pMax) {}
  Box2(float minX, float minY, float maxX, float maxY) : mMin(minX, minY), mMax(maxX, maxY) {}

  const Vector2f& getMin() const { return mMin; }
  const Vector2f& getMax() const { return mMax; }
  Vector2f getCenter() const { return (mMin + mMax) * 0.5f; }
  Vector2f getSize() const { return mMax - mMin; }
  Vector2f getHalfSize() const { return getSize() * 0.5f; }
  float getWidth() const { return mMax.x - mMin.x; }
  float getHeight() const { return mMax.y - mMin.y; }
  float getArea() const { return getWidth() * getHeight(); }

  // 0 is the minimum corner, 1 the maximum.
  Vector2f& operator[](int i) { return i ? mMax : mMin; }
  const Vector2f& operator[](int i) const { return i ? mMax : mMin; }

  Box2 operator+(const Vector2f& d) const { return Box2(mMin + d, mMax + d); }
  Box2 operator-(const Vector2f& d) const { return Box2(mMin - d, mMax - d); }
  Box2& operator+=(const Vector2f& d) {
    mMin += d;
    mMax += d;
    return *this;
  }
  Box2& operator-=(const Vector2f& d) {
    mMin -= d;
    mMax -= d;
    return *this;
  }
  bool operator==(const Box2& o) const { return mMin == o.mMin && mMax == o.mMax; }
  bool operator!=(const Box2& o) const { return !(*this == o); }

  void expand(float d) {
    mMin -= Vector2f(d, d);
    mMax += Vector2f(d, d);
  }
  void setUnion(const Vector2f& p) {
    mMin.min(p);
    mMax.max(p);
  }
  void setUnion(const Box2& b) {
    mMin.min(b.mMin);
    mMax.max(b.mMax);
  }
  // An empty overlap becomes the box (0, 0)-(0, 0).
  void setIntersect(const Box2& b) {
    mMin.max(b.mMin);
    mMax.min(b.mMax);
    if (mMin.x > mMax.x || mMin.y > mMax.y) {
      mMin.set(0, 0);
      mMax.set(0, 0);
    }
  }
  bool isInside(const Vector2f& p) const { return p.x >= mMin.x && p.y >= mMin.y && p.x < mMax.x && p.y < mMax.y; }
};

static_assert(sizeof(Box2) == 4 * sizeof(float) && offsetof(Box2, mMax) == 8, "Box2 is min, then max");

}  // namespace mathbase
}  // namespace zelkor
