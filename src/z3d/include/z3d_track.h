#pragma once
// Animated properties: float channels of key-framed curves (constant, linear
// or cubic Bézier between keys, four behaviours outside them) and the
// composite tracks that group channels into vectors, angles, rotations and colours.

#include <cstdint>
#include <vector>

#include "cl_readbuffer.h"
#include "cl_writebuffer.h"
#include "mb_euler.h"
#include "mb_quatf.h"
#include "mb_vector3.h"
#include "mb_vector4.h"

namespace zelkor {
namespace z3d {

using chunklib::ReadBuffer;
using chunklib::WriteBuffer;

enum TrackInterpolation { INTERPOLATION_CONSTANT = 0, INTERPOLATION_LINEAR = 1, INTERPOLATION_BEZIER = 2 };

enum TrackExtrapolation {
  EXTRAPOLATION_CONSTANT = 0,
  EXTRAPOLATION_EXTRAPOLATION = 1,
  EXTRAPOLATION_CYCLIC = 2,
  EXTRAPOLATION_CYCLIC_EXTRAPOLATION = 3
};

// One channel. getValue remembers the segment it used, so one channel must not
// be evaluated from two threads at once.
class TrackBlenderFloat {
 public:
  struct Key {
    struct Value {
      float time;
      float value;
    };
    Value in;     // handle before the key
    Value point;  // the key itself
    Value out;    // handle after the key
    bool operator<(const Key& other) const { return point.time < other.point.time; }
  };
  enum { KEY_SIZE = 24 };

  TrackBlenderFloat() { clear(); }

  void clear();
  // Reads the payload of an open channel chunk: modes and keys. Keys without a
  // finite time are dropped and unsorted keys sorted, both with a warning.
  void loadKeys(ReadBuffer& buffer);
  // Nothing when the channel has no keys.
  void writeChunk(WriteBuffer& buffer, uint16_t id) const;

  float getValue(float time) const;
  float getAnimationLength() const { return mKeys.empty() ? 0.0f : mKeys.back().point.time; }
  bool isStatic() const;

  void sortKeys();
  void setNumKeys(int n) { mKeys.resize(n > 0 ? n : 0); }
  void setKey(int i, const Key& key) { mKeys[i] = key; }
  int getNumKeys() const { return static_cast<int>(mKeys.size()); }
  const Key& getKey(int i) const { return mKeys[i]; }
  void setKeys(const std::vector<Key>& keys) { mKeys = keys; }
  const std::vector<Key>& getKeys() const { return mKeys; }

  void setBaseValue(float v) { mBaseValue = v; }
  float getBaseValue() const { return mBaseValue; }
  void setInterpolationMode(TrackInterpolation mode) { mInterpolation = mode; }
  TrackInterpolation getInterpolationMode() const { return mInterpolation; }
  void setExtrapolationMode(TrackExtrapolation mode) { mExtrapolation = mode; }
  TrackExtrapolation getExtrapolationMode() const { return mExtrapolation; }

  // Parameters u in [0, 1] (within tolerance) where the time curve of the
  // segment a-b reaches time; stored in roots (room for three), count returned.
  static int solveForTime(const Key& a, const Key& b, float time, float* roots);
  static float evaluateValue(const Key& a, const Key& b, float u);

 private:
  int findSegment(float time) const;
  void correctBezierHandles();

  float mBaseValue;
  TrackInterpolation mInterpolation;
  TrackExtrapolation mExtrapolation;
  std::vector<Key> mKeys;
  mutable int lastUsedKey;
};

// N channels with their chunk identifiers and one base-value chunk.
template <int N>
class TrackChannels {
 public:
  virtual ~TrackChannels() {}

  // Reads the children of an open track chunk; unknown ones are skipped.
  virtual void loadChunk(ReadBuffer& buffer);
  void writeChunk(WriteBuffer& buffer, uint16_t id) const;
  bool isStatic() const;
  float getAnimationLength() const;
  virtual void clear();

  TrackBlenderFloat& getChannel(int i) { return mChannels[i]; }
  const TrackBlenderFloat& getChannel(int i) const { return mChannels[i]; }

  static uint16_t getChannelID(int i);
  static uint16_t getBaseValueID();

 protected:
  TrackBlenderFloat mChannels[N];
};

class TrackFloat : public TrackChannels<1> {
 public:
  TrackFloat() { clear(); }
  float getValue(float time) const { return mChannels[0].getValue(time); }
  float getBaseValue() const { return mChannels[0].getBaseValue(); }
  void setBaseValue(float v) { mChannels[0].setBaseValue(v); }
};

class TrackVector3f : public TrackChannels<3> {
 public:
  TrackVector3f() { clear(); }
  mathbase::Vector3f getValue(float time) const;
  mathbase::Vector3f getBaseValue() const;
  void setBaseValue(const mathbase::Vector3f& v);
};

// Angles about x, y and z in radians. The order is not stored in the file;
// clear() sets YZX.
class TrackEulerf : public TrackVector3f {
 public:
  TrackEulerf() { clear(); }
  void clear() override;
  mathbase::Eulerf getValue(float time) const;
  mathbase::Eulerf getBaseValue() const;
  void setRotationOrder(mathbase::RotationOrder order) { mOrder = order; }
  mathbase::RotationOrder getRotationOrder() const { return mOrder; }
  mathbase::Quatf getValueQuatf(float time) const;
  mathbase::Quatf getBaseValueQuatf() const;
  mathbase::Quatf getValueInverseOrderQuatf(float time) const;
  mathbase::Quatf getBaseValueInverseOrderQuatf() const;

 private:
  mathbase::RotationOrder mOrder;
};

// Channels w, x, y, z. The base value is normalized when read or set; a value
// between keys is normalized too, so it is always a rotation.
class TrackQuatf : public TrackChannels<4> {
 public:
  TrackQuatf() { clear(); }
  void clear() override;
  void loadChunk(ReadBuffer& buffer) override;
  mathbase::Quatf getValue(float time) const;
  mathbase::Quatf getBaseValue() const;
  void setBaseValue(const mathbase::Quatf& q);
};

// Channels r, g, b, a.
class TrackColor4f : public TrackChannels<4> {
 public:
  TrackColor4f() { clear(); }
  mathbase::Vector4f getValue(float time) const;
  mathbase::Vector4f getBaseValue() const;
  void setBaseValue(const mathbase::Vector4f& c);
};

extern template class TrackChannels<1>;
extern template class TrackChannels<3>;
extern template class TrackChannels<4>;

}  // namespace z3d
}  // namespace zelkor
