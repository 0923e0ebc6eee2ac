#include "tes_typedef.h"

#include <cmath>

namespace zelkor {
namespace tessel {

Interval::Interval()
    : mSpeed(0.3f), mValue1(0.0f), mValue2(0.0f), value(0.0f), mLasttime(0.0f), mSetTime(0.0f), mSetup(false) {}

void Interval::setSpeed(float s) {
  // a duration must stay finite, or the value would never arrive
  if (s > 0.0f && std::isfinite(1.0f / s)) mSpeed = 1.0f / s;
}

void Interval::set(float v, bool immediate) {
  mSetup = true;
  mValue1 = value;
  mValue2 = v;
  if (immediate) {
    mSetTime = mLasttime;
    mValue1 = mValue2 = value = v;
  } else {
    mSetTime = kPending;
  }
}

float Interval::get(float t, bool immediate) {
  mLasttime = t;
  if (mSetTime == kPending) mSetTime = t;
  if (!immediate && t < mSetTime + mSpeed) {
    // a clock that went back holds the start instead of running past it
    float f = (t - mSetTime) / mSpeed;
    if (!(f > 0.0f)) f = 0.0f;
    value = mValue1 + std::sin(f * 1.57079632679f) * (mValue2 - mValue1);
    return value;
  }
  value = mValue2;
  return value;
}

}  // namespace tessel
}  // namespace zelkor
