#include "z3d_track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "z3d_chunks.h"
#include "z3d_values.h"
#include "zlk_system.h"

namespace zelkor {
namespace z3d {

using mathbase::Eulerf;
using mathbase::Quatf;
using mathbase::RotationOrder;
using mathbase::Vector3f;
using mathbase::Vector4f;

void TrackBlenderFloat::clear() {
  mKeys.clear();
  mBaseValue = 0.0f;
  mInterpolation = INTERPOLATION_CONSTANT;
  mExtrapolation = EXTRAPOLATION_CONSTANT;
  lastUsedKey = -1;
}

void TrackBlenderFloat::loadKeys(ReadBuffer& buffer) {
  uint8_t interpolation = mInterpolation;
  uint8_t extrapolation = mExtrapolation;
  buffer.read(interpolation);
  buffer.read(extrapolation);
  if (interpolation > INTERPOLATION_BEZIER) {
    ZLK_LOG("warning", "z3d", "Track with unknown interpolation %d; using constant", interpolation);
    interpolation = INTERPOLATION_CONSTANT;
  }
  if (extrapolation > EXTRAPOLATION_CYCLIC_EXTRAPOLATION) {
    ZLK_LOG("warning", "z3d", "Track with unknown extrapolation %d; using constant", extrapolation);
    extrapolation = EXTRAPOLATION_CONSTANT;
  }
  mInterpolation = static_cast<TrackInterpolation>(interpolation);
  mExtrapolation = static_cast<TrackExtrapolation>(extrapolation);
  lastUsedKey = -1;

  const uint32_t count = buffer.getRemaining() / KEY_SIZE;
  const uint8_t* p = buffer.readRaw(count * KEY_SIZE);
  mKeys.clear();
  mKeys.reserve(count);
  uint32_t dropped = 0;
  for (uint32_t i = 0; p && i < count; ++i, p += KEY_SIZE) {
    float f[6];
    for (int j = 0; j < 6; ++j) f[j] = chunklib::loadLEFloat(p + 4 * j);
    // a key without a finite time cannot be placed on the time line
    if (!std::isfinite(f[2])) {
      ++dropped;
      continue;
    }
    mKeys.push_back(Key{{f[0], f[1]}, {f[2], f[3]}, {f[4], f[5]}});
  }
  if (dropped)
    ZLK_LOG("warning", "z3d", "Track: dropped %u keys without a finite time", dropped);
  if (!std::is_sorted(mKeys.begin(), mKeys.end())) {
    ZLK_LOG("warning", "z3d", "Track: keys out of time order; sorted");
    sortKeys();
  }
  if (mInterpolation == INTERPOLATION_BEZIER) correctBezierHandles();
}

void TrackBlenderFloat::correctBezierHandles() {
  // Pull in handles that overlap in time, so the time curve of every segment
  // stays monotonic and has one solution.
  for (size_t i = 0; i + 1 < mKeys.size(); ++i) {
    Key& a = mKeys[i];
    Key& b = mKeys[i + 1];
    const float h1 = a.point.time - a.out.time;
    const float h2 = b.point.time - b.in.time;
    const float len = b.point.time - a.point.time;
    const float s = std::fabs(h1) + std::fabs(h2);
    if (s != 0.0f && len < s) {
      const float f = len / s;
      a.out.time = a.point.time - h1 * f;
      a.out.value = a.point.value - (a.point.value - a.out.value) * f;
      b.in.time = b.point.time - h2 * f;
      b.in.value = b.point.value - (b.point.value - b.in.value) * f;
    }
  }
}

void TrackBlenderFloat::writeChunk(WriteBuffer& buffer, uint16_t id) const {
  if (mKeys.empty()) return;
  buffer.openChunk(id);
  buffer.write(static_cast<uint8_t>(mInterpolation));
  buffer.write(static_cast<uint8_t>(mExtrapolation));
  std::vector<uint8_t> bytes(mKeys.size() * KEY_SIZE);
  uint8_t* p = bytes.data();
  for (const Key& k : mKeys) {
    const float f[6] = {k.in.time, k.in.value, k.point.time, k.point.value, k.out.time, k.out.value};
    for (int j = 0; j < 6; ++j, p += 4) chunklib::storeLEFloat(p, f[j]);
  }
  buffer.store(bytes.data(), bytes.size());
  buffer.closeChunk();
}

bool TrackBlenderFloat::isStatic() const {
  return mKeys.empty() || (mKeys.size() == 1 && mExtrapolation == EXTRAPOLATION_CONSTANT);
}

void TrackBlenderFloat::sortKeys() {
  std::stable_sort(mKeys.begin(), mKeys.end());
  lastUsedKey = -1;
}

int TrackBlenderFloat::findSegment(float time) const {
  const int n = static_cast<int>(mKeys.size());
  if (n == 2) return 0;
  // sequential playback mostly stays in the same or the next segment
  if (lastUsedKey >= 0 && lastUsedKey <= n - 2) {
    const int k = lastUsedKey;
    if (mKeys[k].point.time <= time && time < mKeys[k + 1].point.time) return k;
    if (k + 1 <= n - 2 && mKeys[k + 1].point.time <= time && time < mKeys[k + 2].point.time) return k + 1;
  }
  // invariant: the segment lies in [low, high - 1]; always ends in 0 .. n - 2
  int low = 0;
  int high = n - 1;
  while (high - low > 1) {
    const int middle = low + (high - low) / 2;
    if (time >= mKeys[middle].point.time) low = middle;
    else high = middle;
  }
  return low;
}

float TrackBlenderFloat::getValue(float time) const {
  if (mKeys.empty()) return mBaseValue;
  const Key& first = mKeys.front();
  const Key& last = mKeys.back();
  const float t0 = first.point.time;
  const float t1 = last.point.time;
  const float span = t1 - t0;
  // one key, or several at one time: nothing to cycle through
  const bool single = mKeys.size() == 1 || !(span > 0.0f);
  float tt = time;
  float offset = 0.0f;

  if (time >= t1 || time < t0) {
    const bool after = time >= t1;
    const Key& end = after ? last : first;
    const Key::Value& handle = after ? last.out : first.in;
    switch (mExtrapolation) {
      case EXTRAPOLATION_CONSTANT:
        return end.point.value;
      case EXTRAPOLATION_EXTRAPOLATION: {
        if (mInterpolation == INTERPOLATION_CONSTANT) return end.point.value;
        const float dt = handle.time - end.point.time;
        if (dt == 0.0f) return end.point.value;  // a handle without time extent gives no slope
        const float f = (time - end.point.time) / dt;
        return end.point.value + (handle.value - end.point.value) * f;
      }
      case EXTRAPOLATION_CYCLIC:
        if (single) return first.point.value;
        tt = after ? t0 + std::fmod(time - t0, span) : t0 + span + std::fmod(time - t0, span);
        break;
      case EXTRAPOLATION_CYCLIC_EXTRAPOLATION: {
        if (single) return first.point.value;
        const float k = std::floor((time - t0) / span);
        tt = time - k * span;
        offset = k * (last.point.value - first.point.value);
        break;
      }
    }
  }

  const int i = findSegment(tt);
  lastUsedKey = i;
  const Key& a = mKeys[i];
  const Key& b = mKeys[i + 1];
  if (!(a.point.time <= tt && tt <= b.point.time)) std::printf("error (%f,%f),%f!\n", a.point.time, b.point.time, tt);

  switch (mInterpolation) {
    case INTERPOLATION_BEZIER: {
      float roots[3];
      if (solveForTime(a, b, tt, roots) > 0) return evaluateValue(a, b, roots[0]) + offset;
      std::printf("error, solveForTime returned zero\n");
      return a.point.value + offset;
    }
    case INTERPOLATION_LINEAR: {
      const float dt = b.point.time - a.point.time;
      if (dt == 0.0f) return b.point.value + offset;  // keys at one time: the later one holds
      const float f = (tt - a.point.time) / dt;
      return b.point.value * f + (1.0f - f) * a.point.value + offset;
    }
    case INTERPOLATION_CONSTANT:
    default:
      return a.point.value + offset;
  }
}

namespace {

double signedCubeRoot(double v) {
  if (v > 0.0) return std::exp(std::log(v) / 3.0);
  if (v < 0.0) return -std::exp(std::log(-v) / 3.0);
  return 0.0;
}

int acceptRoot(double u, float* roots, int count) {
  if (u >= -1e-10 && u <= 1.000001) roots[count++] = static_cast<float>(u);
  return count;
}

}  // namespace

int TrackBlenderFloat::solveForTime(const Key& a, const Key& b, float time, float* roots) {
  const double p0 = a.point.time;
  const double p1 = a.out.time;
  const double p2 = b.in.time;
  const double p3 = b.point.time;
  const double x = time;
  const double c0 = p0 - x;
  const double c1 = 3.0 * (p1 - p0);
  const double c2 = 3.0 * (p0 - 2.0 * p1 + p2);
  const double c3 = p3 - p0 + 3.0 * (p1 - p2);
  int count = 0;

  if (c3 == 0.0) {
    if (c2 == 0.0) {
      if (c1 != 0.0) return acceptRoot(-c0 / c1, roots, count);
      if (c0 == 0.0) return acceptRoot(0.0, roots, count);
      return 0;
    }
    const double d = c1 * c1 - 4.0 * c2 * c0;
    if (d > 0.0) {
      const double sd = std::sqrt(d);
      count = acceptRoot((-c1 - sd) / (2.0 * c2), roots, count);
      return acceptRoot((sd - c1) / (2.0 * c2), roots, count);
    }
    if (d == 0.0) return acceptRoot(-c1 / (2.0 * c2), roots, count);
    return 0;
  }

  const double ca = c2 / c3 / 3.0;
  const double cb = c1 / c3;
  const double p = cb / 3.0 - ca * ca;
  const double q = (2.0 * ca * ca * ca - ca * cb + c0 / c3) / 2.0;
  const double d = p * p * p + q * q;
  if (d > 0.0) {
    const double sd = std::sqrt(d);
    return acceptRoot(signedCubeRoot(sd - q) + signedCubeRoot(-q - sd) - ca, roots, count);
  }
  if (d == 0.0) {
    const double w = signedCubeRoot(-q);
    count = acceptRoot(2.0 * w - ca, roots, count);
    return acceptRoot(-w - ca, roots, count);
  }
  // three real roots; rounding may push the cosine a hair outside [-1, 1]
  const double cosine = std::max(-1.0, std::min(1.0, -q / std::sqrt(-p * p * p)));
  const double phi = std::acos(cosine);
  const double r = std::sqrt(-p);
  const double c = std::cos(phi / 3.0);
  const double s = std::sqrt(std::max(0.0, 3.0 - 3.0 * c * c));
  count = acceptRoot(2.0 * r * c - ca, roots, count);
  count = acceptRoot(-r * (c + s) - ca, roots, count);
  return acceptRoot(-r * (c - s) - ca, roots, count);
}

float TrackBlenderFloat::evaluateValue(const Key& a, const Key& b, float u) {
  const float v = 1.0f - u;
  return v * v * v * a.point.value + 3.0f * u * v * v * a.out.value + 3.0f * u * u * v * b.in.value +
         u * u * u * b.point.value;
}

// --- composites

template <int N>
uint16_t TrackChannels<N>::getChannelID(int i) {
  // a single channel is "x"; four channels start at "w"
  return static_cast<uint16_t>((N == 4 ? TRACK_BLENDERFLOAT_W : TRACK_BLENDERFLOAT_X) + 0x10 * i);
}

template <int N>
uint16_t TrackChannels<N>::getBaseValueID() {
  return N == 1 ? FLOAT : (N == 3 ? VECTOR3 : VECTOR4);
}

template <int N>
void TrackChannels<N>::loadChunk(ReadBuffer& buffer) {
  while (const uint16_t id = buffer.openChunk()) {
    if (id == getBaseValueID()) {
      for (int i = 0; i < N; ++i) {
        float v;
        if (!buffer.read(v)) break;
        mChannels[i].setBaseValue(v);
      }
    } else {
      for (int i = 0; i < N; ++i) {
        if (id == getChannelID(i)) mChannels[i].loadKeys(buffer);
      }
    }
    buffer.closeChunk();
  }
}

template <int N>
void TrackChannels<N>::writeChunk(WriteBuffer& buffer, uint16_t id) const {
  buffer.openChunk(id);
  for (int i = 0; i < N; ++i) mChannels[i].writeChunk(buffer, getChannelID(i));
  buffer.openChunk(getBaseValueID());
  for (int i = 0; i < N; ++i) buffer.write(mChannels[i].getBaseValue());
  buffer.closeChunk();
  buffer.closeChunk();
}

template <int N>
bool TrackChannels<N>::isStatic() const {
  for (int i = 0; i < N; ++i)
    if (!mChannels[i].isStatic()) return false;
  return true;
}

template <int N>
float TrackChannels<N>::getAnimationLength() const {
  float length = mChannels[0].getAnimationLength();
  for (int i = 1; i < N; ++i) length = std::max(length, mChannels[i].getAnimationLength());
  return length;
}

template <int N>
void TrackChannels<N>::clear() {
  for (int i = 0; i < N; ++i) mChannels[i].clear();
}

template class TrackChannels<1>;
template class TrackChannels<3>;
template class TrackChannels<4>;

Vector3f TrackVector3f::getValue(float time) const {
  return Vector3f(mChannels[0].getValue(time), mChannels[1].getValue(time), mChannels[2].getValue(time));
}

Vector3f TrackVector3f::getBaseValue() const {
  return Vector3f(mChannels[0].getBaseValue(), mChannels[1].getBaseValue(), mChannels[2].getBaseValue());
}

void TrackVector3f::setBaseValue(const Vector3f& v) {
  for (int i = 0; i < 3; ++i) mChannels[i].setBaseValue(v[i]);
}

void TrackEulerf::clear() {
  TrackVector3f::clear();
  mOrder = RotationOrder(RotationOrder::XZY).getInverse();
}

Eulerf TrackEulerf::getValue(float time) const { return Eulerf(TrackVector3f::getValue(time), mOrder); }

Eulerf TrackEulerf::getBaseValue() const { return Eulerf(TrackVector3f::getBaseValue(), mOrder); }

Quatf TrackEulerf::getValueQuatf(float time) const { return Quatf(getValue(time)); }

Quatf TrackEulerf::getBaseValueQuatf() const { return Quatf(getBaseValue()); }

Quatf TrackEulerf::getValueInverseOrderQuatf(float time) const {
  return Quatf(Eulerf(TrackVector3f::getValue(time), mOrder.getInverse()));
}

Quatf TrackEulerf::getBaseValueInverseOrderQuatf() const {
  return Quatf(Eulerf(TrackVector3f::getBaseValue(), mOrder.getInverse()));
}

namespace {

// A rotation from four numbers: normalized, or the identity when they have no
// usable length.
Quatf toRotation(Quatf q) {
  const float length2 = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
  if (!(length2 > 1e-20f) || !std::isfinite(length2)) return Quatf();
  const float inverse = 1.0f / std::sqrt(length2);
  return Quatf(q.w * inverse, q.x * inverse, q.y * inverse, q.z * inverse);
}

}  // namespace

void TrackQuatf::clear() {
  TrackChannels<4>::clear();
  setBaseValue(Quatf());
}

void TrackQuatf::loadChunk(ReadBuffer& buffer) {
  TrackChannels<4>::loadChunk(buffer);
  const Quatf base = getBaseValue();
  const float length2 = base.w * base.w + base.x * base.x + base.y * base.y + base.z * base.z;
  if (!(length2 > 1e-20f) || !std::isfinite(length2))
    ZLK_LOG("warning", "z3d", "Rotation track with a base value of no usable length; using the identity");
  setBaseValue(base);
}

Quatf TrackQuatf::getValue(float time) const {
  return toRotation(Quatf(mChannels[0].getValue(time), mChannels[1].getValue(time), mChannels[2].getValue(time),
                          mChannels[3].getValue(time)));
}

Quatf TrackQuatf::getBaseValue() const {
  return Quatf(mChannels[0].getBaseValue(), mChannels[1].getBaseValue(), mChannels[2].getBaseValue(),
               mChannels[3].getBaseValue());
}

void TrackQuatf::setBaseValue(const Quatf& q) {
  const Quatf r = toRotation(q);
  mChannels[0].setBaseValue(r.w);
  mChannels[1].setBaseValue(r.x);
  mChannels[2].setBaseValue(r.y);
  mChannels[3].setBaseValue(r.z);
}

Vector4f TrackColor4f::getValue(float time) const {
  return Vector4f(mChannels[0].getValue(time), mChannels[1].getValue(time), mChannels[2].getValue(time),
                  mChannels[3].getValue(time));
}

Vector4f TrackColor4f::getBaseValue() const {
  return Vector4f(mChannels[0].getBaseValue(), mChannels[1].getBaseValue(), mChannels[2].getBaseValue(),
                  mChannels[3].getBaseValue());
}

void TrackColor4f::setBaseValue(const Vector4f& c) {
  for (int i = 0; i < 4; ++i) mChannels[i].setBaseValue(c[i]);
}

}  // namespace z3d
}  // namespace zelkor
