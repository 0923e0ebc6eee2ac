#pragma once
// Key-framed one-dimensional curves: the animated parameters of the effects and
// what the spline editor edits. Keys are kept sorted by time; each carries a
// value and two tangents (per unit of segment parameter, not per second).

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "mb_assert.h"
#include "mb_math.h"

namespace zelkor {
namespace mathbase {

template <typename T>
struct SplineBaseKey {
  float time;
  T value;
  T tangentIN;   // used when this key ends a segment
  T tangentOUT;  // used when this key starts a segment

  SplineBaseKey() : time(0), value(), tangentIN(), tangentOUT() {}
  SplineBaseKey(float pTime, const T& pValue, const T& pIn = T(), const T& pOut = T())
      : time(pTime), value(pValue), tangentIN(pIn), tangentOUT(pOut) {}

  bool operator<(const SplineBaseKey& o) const { return time < o.time; }
  // Field by field, time included: (a + b) * 0.5 is the key halfway between.
  SplineBaseKey operator+(const SplineBaseKey& o) const {
    return SplineBaseKey(time + o.time, value + o.value, tangentIN + o.tangentIN, tangentOUT + o.tangentOUT);
  }
  SplineBaseKey operator*(float s) const {
    return SplineBaseKey(time * s, value * s, tangentIN * s, tangentOUT * s);
  }
};

// VALUETYPE needs +, -, * float, < and >; KEYTYPE the four fields of SplineBaseKey.
template <typename VALUETYPE, typename KEYTYPE>
class SplineBase {
 public:
  // A fixed underlying type keeps values outside the list (from files) well defined.
  enum InterpolationMode : int { SQUARE = 0, LINEAR = 1, SMOOTH = 2 };
  enum ExtrapolationMode : int { EXT_CONSTANT = 0, EXT_REPEAT = 1, EXT_REPEAT_ADD = 2 };

  explicit SplineBase(InterpolationMode mode = SQUARE, bool autoTangents = true)
      : mExtModeBefore(EXT_CONSTANT), mExtModeAfter(EXT_CONSTANT) {
    clear();
    mAutoTangents = autoTangents;
    mIntMode = mode;
  }

  // The extrapolation modes survive a clear.
  void clear() {
    mKeys.clear();
    mMinValue = mMaxValue = VALUETYPE();
    mLastUsedKey = -1;
    mAutoTangents = true;
    mIntMode = SQUARE;
  }

  bool hasKeys() const { return !mKeys.empty(); }
  int getNumKeys() const { return int(mKeys.size()); }

  // Direct access; after changing a key's time or value call updateKey.
  KEYTYPE& operator[](int index) {
    MB_ASSERT_OR(index>=0 && index<(int)mKeys.size(), return scratchKey());
    return mKeys[index];
  }
  const KEYTYPE& operator[](int index) const {
    MB_ASSERT_OR(index>=0 && index<(int)mKeys.size(), return scratchKey());
    return mKeys[index];
  }

  bool hasAutoTangents() const { return mAutoTangents; }
  void setAutoTangents(bool autoTangents) { mAutoTangents = autoTangents; }

  // Plain setters: tangents follow at the next key edit or updateTangents().
  void setInterpolation(const InterpolationMode& mode) { mIntMode = mode; }
  void setExtrapolationBefore(const ExtrapolationMode& mode) { mExtModeBefore = mode; }
  void setExtrapolationAfter(const ExtrapolationMode& mode) { mExtModeAfter = mode; }
  InterpolationMode getInterpolation() const { return mIntMode; }
  ExtrapolationMode getExtrapolationBefore() const { return mExtModeBefore; }
  ExtrapolationMode getExtrapolationAfter() const { return mExtModeAfter; }

  float getMinTime() const { return mKeys.empty() ? 0.0f : mKeys.front().time; }
  float getMaxTime() const { return mKeys.empty() ? 0.0f : mKeys.back().time; }
  const VALUETYPE& getMinValue() const { return mMinValue; }
  const VALUETYPE& getMaxValue() const { return mMaxValue; }

  VALUETYPE evaluate(float t) const {
    if (mKeys.empty()) return VALUETYPE();
    const KEYTYPE& first = mKeys.front();
    const KEYTYPE& last = mKeys.back();
    VALUETYPE offset = VALUETYPE();

    // Repetition maps t into the key range. Infinite and NaN times are not
    // wrapped (their phase is undefined); they fall on the constant ends below.
    if (std::isfinite(t)) {
      const double len = double(last.time) - double(first.time);
      if (repeats(mExtModeAfter) && t > last.time) {
        if (!(len > 0)) return last.value;  // all keys at one time
        const double n = std::floor((double(t) - last.time) / len) + 1;
        t = wrapped(double(t) - len * n);
        if (mExtModeAfter == EXT_REPEAT_ADD) offset = (last.value - first.value) * repetitions(n);
      } else if (repeats(mExtModeBefore) && t < first.time) {
        if (!(len > 0)) return last.value;
        const double n = std::floor((double(first.time) - t) / len) + 1;
        t = wrapped(double(t) + len * n);
        if (mExtModeBefore == EXT_REPEAT_ADD) offset = (first.value - last.value) * repetitions(n);
      }
    }

    const int i = getKeyIndex(t);
    if (i == -1) return first.value;
    if (i == -2) return last.value;
    const KEYTYPE& k = mKeys[i];
    const KEYTYPE& k1 = mKeys[i + 1];
    if (mIntMode != LINEAR && mIntMode != SMOOTH) return k.value + offset;

    // A zero-length segment only occurs at the last key's time: its end value.
    const double dt = double(k1.time) - double(k.time);
    const float u = dt > 0 ? float(clampValue((double(t) - k.time) / dt, 0.0, 1.0)) : 1.0f;
    if (mIntMode == LINEAR) return k.value * (1 - u) + k1.value * u + offset;
    const float u2 = u * u, u3 = u2 * u;
    return k.value * (2 * u3 - 3 * u2 + 1) + k.tangentOUT * (u3 - 2 * u2 + u) + k1.value * (-2 * u3 + 3 * u2) +
           k1.tangentIN * (u3 - u2) + offset;
  }

  // Index of the key starting the segment that holds t: the last key at or
  // before t, except that the last key's own time still belongs to the last
  // segment. -1 before the first key (and for NaN), -2 after the last key or
  // on a single key, -3 without keys.
  int getKeyIndex(float t) const {
    const int count = int(mKeys.size());
    if (count == 0) return -3;
    if (!(t >= mKeys.front().time)) return -1;
    if (count == 1 || t > mKeys.back().time) return -2;
    int i = mLastUsedKey;
    if (i < 0 || i > count - 2 || !(mKeys[i].time <= t) ||
        !(t < mKeys[i + 1].time || (i == count - 2 && t <= mKeys[i + 1].time))) {
      const auto after = std::upper_bound(mKeys.begin(), mKeys.end(), t,
                                          [](float time, const KEYTYPE& key) { return time < key.time; });
      i = std::min(int(after - mKeys.begin()) - 1, count - 2);
      i = std::max(i, 0);
    }
    mLastUsedKey = i;
    return i;
  }

  // Inserts after every key at or before its time and returns the new index.
  // A key whose time is not a finite number is refused (-1).
  int addKey(const KEYTYPE& key) {
    MB_ASSERT_OR(std::isfinite(key.time), return -1);
    mLastUsedKey = -1;
    const auto at = std::upper_bound(mKeys.begin(), mKeys.end(), key);
    const int index = int(at - mKeys.begin());
    mKeys.insert(at, key);
    updateTangents();
    return index;
  }

  // Same result as addKey for each key in turn, sorted once: a long script of
  // keys loads in n log n rather than n squared.
  template <typename Iterator>
  void addKeys(Iterator begin, Iterator end) {
    const size_t before = mKeys.size();
    for (; begin != end; ++begin) {
      bool placeable = true;
      MB_ASSERT_OR(std::isfinite(begin->time), placeable = false);
      if (placeable) mKeys.push_back(*begin);
    }
    if (mKeys.size() == before) return;
    mLastUsedKey = -1;
    std::stable_sort(mKeys.begin() + before, mKeys.end());
    std::inplace_merge(mKeys.begin(), mKeys.begin() + before, mKeys.end());
    updateTangents();
  }

  void removeKey(int index) {
    MB_ASSERT_OR(index>=0 && index<(int)mKeys.size(), return);
    mKeys.erase(mKeys.begin() + index);
    updateTangents();  // with no key left this resets the value range to 0
    mLastUsedKey = -1;
  }

  // Restores the order after a key was changed through operator[]; returns the
  // key's new index. A key moved to a time that is not a finite number cannot
  // be placed and is removed (-1).
  int updateKey(int index) {
    MB_ASSERT_OR(index>=0 && index<(int)mKeys.size(), return -1);
    mLastUsedKey = -1;
    MB_ASSERT_OR(std::isfinite(mKeys[index].time), removeKey(index); return -1);
    const int count = int(mKeys.size());
    const float t = mKeys[index].time;
    if ((index == 0 || mKeys[index - 1].time <= t) && (index == count - 1 || t <= mKeys[index + 1].time)) {
      updateTangents();
      return index;
    }
    const KEYTYPE key = mKeys[index];
    removeKey(index);
    return addKey(key);
  }

  void setMinMax(const VALUETYPE& v) {
    if (v < mMinValue) mMinValue = v;
    if (v > mMaxValue) mMaxValue = v;
  }

  // Recomputes the value range and, when automatic in smooth mode, every
  // tangent. The arguments are not used.
  void updateTangents(int = 0, int = 0, int = 0) {
    if (mKeys.empty()) {
      mMinValue = mMaxValue = VALUETYPE();
      return;
    }
    mMinValue = mMaxValue = mKeys.front().value;
    for (const KEYTYPE& key : mKeys) setMinMax(key.value);
    if (!mAutoTangents || mIntMode != SMOOTH) return;

    const int count = int(mKeys.size());
    if (count == 1) {
      mKeys[0].tangentIN = mKeys[0].tangentOUT = VALUETYPE();
      return;
    }
    const KEYTYPE& first = mKeys.front();
    const KEYTYPE& last = mKeys.back();
    const VALUETYPE rise = last.value - first.value;
    // The neighbours of the end keys across a repetition: the key range wraps,
    // the last key standing for the first.
    const VALUETYPE beforeFirst = mKeys[count - 2].value - (mExtModeBefore == EXT_REPEAT_ADD ? rise : VALUETYPE());
    const VALUETYPE afterLast = mKeys[1].value + (mExtModeAfter == EXT_REPEAT_ADD ? rise : VALUETYPE());
    const double wrapBefore = double(last.time) - mKeys[count - 2].time;
    const double wrapAfter = double(mKeys[1].time) - first.time;

    for (int i = 0; i < count; ++i) {
      KEYTYPE& key = mKeys[i];
      const VALUETYPE v = key.value;
      if (i == 0 && !repeats(mExtModeBefore)) {
        key.tangentIN = VALUETYPE();
        key.tangentOUT = mKeys[1].value - v;
        continue;
      }
      if (i == count - 1 && !repeats(mExtModeAfter)) {
        key.tangentIN = v - mKeys[count - 2].value;
        key.tangentOUT = VALUETYPE();
        continue;
      }
      const VALUETYPE prev = i > 0 ? mKeys[i - 1].value : beforeFirst;
      const VALUETYPE next = i < count - 1 ? mKeys[i + 1].value : afterLast;
      const double dtP = i > 0 ? double(key.time) - mKeys[i - 1].time : wrapBefore;
      const double dtN = i < count - 1 ? double(mKeys[i + 1].time) - key.time : wrapAfter;
      // The mean of the two sides' slopes; a side of zero length (coincident
      // keys, a jump) has no slope, so the other side counts alone.
      const double wP = dtP > 0 ? (dtN > 0 ? 0.5 : 1.0) / dtP : 0.0;
      const double wN = dtN > 0 ? (dtP > 0 ? 0.5 : 1.0) / dtN : 0.0;
      // tangent = slope × the side's duration; the weights are formed in
      // double so that a very short side does not overflow a float.
      key.tangentIN = (next - v) * float(wN * dtP) + (v - prev) * float(wP * dtP);
      key.tangentOUT = (next - v) * float(wN * dtN) + (v - prev) * float(wP * dtN);
    }
  }

 protected:
  // Search memory of getKeyIndex; it never changes a result. Curves are used
  // on one thread, so const evaluation may update it.
  mutable int mLastUsedKey;
  VALUETYPE mMinValue, mMaxValue;
  InterpolationMode mIntMode;
  ExtrapolationMode mExtModeBefore, mExtModeAfter;
  std::vector<KEYTYPE> mKeys;
  bool mAutoTangents;

 private:
  static bool repeats(ExtrapolationMode mode) { return mode == EXT_REPEAT || mode == EXT_REPEAT_ADD; }

  // Rounding can leave a wrapped time a hair outside the key range.
  float wrapped(double t) const {
    return float(clampValue(t, double(mKeys.front().time), double(mKeys.back().time)));
  }

  static float repetitions(double n) { return float(std::min(n, double(FLT_MAX))); }

  // Stands in for a key outside the range, so a bad index cannot reach memory.
  static KEYTYPE& scratchKey() {
    static KEYTYPE scratch;
    scratch = KEYTYPE();
    return scratch;
  }
};

typedef SplineBase<float, SplineBaseKey<float> > SplineBasef;

}  // namespace mathbase
}  // namespace zelkor
