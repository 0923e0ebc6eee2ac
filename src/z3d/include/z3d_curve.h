#pragma once

#include <vector>

#include "mb_vector3.h"
#include "z3d_scenenode.h"

namespace zelkor {
namespace z3d {

// A Bézier path; its speed track maps time to progress 0 to 1 along it.
class CurveInstance : public SceneNode {
 public:
  struct Key {
    mathbase::Vector3f pos[3];  // handle before, point, handle after
  };
  enum { KEY_SIZE = 36 };

  CurveInstance() { clear(); }
  uint16_t getType() const override { return CURVE; }
  void clear() override;
  void writeChunk(WriteBuffer& buffer) const override;
  float getAnimationLength() const override;

  std::vector<Key>& getKeys() { return mKeys; }
  const std::vector<Key>& getKeys() const { return mKeys; }
  TrackFloat& getSpeedTrack() { return mTrackSpeed; }
  const TrackFloat& getSpeedTrack() const { return mTrackSpeed; }

  // False (and nothing changed) for a negative time; otherwise the point at
  // the speed track's progress, clamped to [0, 1].
  bool evaluate(float time, mathbase::Vector3f& pos, mathbase::Vector3f& dir, float& percent) const;
  // Point and tangent (divided by 3, not normalized) at progress p; every
  // segment takes an equal share of the range.
  void evaluatePercent(float percent, mathbase::Vector3f& pos, mathbase::Vector3f& dir) const;

 protected:
  void loadLeadingFields(ReadBuffer& buffer) override;
  bool loadOwnChunk(uint16_t id, ReadBuffer& buffer) override;

 private:
  std::vector<Key> mKeys;
  TrackFloat mTrackSpeed;
};

}  // namespace z3d
}  // namespace zelkor
