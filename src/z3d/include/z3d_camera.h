#pragma once

#include "z3d_scenenode.h"

namespace zelkor {
namespace z3d {

class Camera : public SceneNode {
 public:
  Camera() { clear(); }
  uint16_t getType() const override { return CAMERA; }
  void clear() override;  // field of view π/2

  TrackFloat& getFovTrack() { return mTrackFov; }
  const TrackFloat& getFovTrack() const { return mTrackFov; }
  float getFov() const { return mTrackFov.getValue(0.0f); }  // radians, at time 0

 protected:
  bool loadOwnChunk(uint16_t id, ReadBuffer& buffer) override;
  void writeOwnChunks(WriteBuffer& buffer) const override;

 private:
  TrackFloat mTrackFov;
};

}  // namespace z3d
}  // namespace zelkor
