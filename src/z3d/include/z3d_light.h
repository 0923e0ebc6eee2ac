#pragma once

#include "z3d_scenenode.h"

namespace zelkor {
namespace z3d {

class Light : public SceneNode {
 public:
  Light() { clear(); }
  uint16_t getType() const override { return LIGHT; }
  // Colour (1, 1, 1, 1), distance 50, energy 1, cone angle 45° in radians, no shadows.
  void clear() override;
  bool isStatic() const override;
  float getAnimationLength() const override;

  TrackColor4f& getColorTrack() { return mTrackColor; }
  const TrackColor4f& getColorTrack() const { return mTrackColor; }
  TrackFloat& getDistTrack() { return mTrackDist; }
  const TrackFloat& getDistTrack() const { return mTrackDist; }
  TrackFloat& getEnergyTrack() { return mTrackEnergy; }
  const TrackFloat& getEnergyTrack() const { return mTrackEnergy; }
  TrackFloat& getFovTrack() { return mTrackFov; }
  const TrackFloat& getFovTrack() const { return mTrackFov; }
  void setTrackColor(const TrackColor4f& track) { mTrackColor = track; }
  void setTrackDist(const TrackFloat& track) { mTrackDist = track; }
  void setTrackEnergy(const TrackFloat& track) { mTrackEnergy = track; }
  void setTrackFov(const TrackFloat& track) { mTrackFov = track; }

  // The tracks at time 0.
  mathbase::Vector4f getColor() const { return mTrackColor.getValue(0.0f); }
  float getDist() const { return mTrackDist.getValue(0.0f); }
  float getEnergy() const { return mTrackEnergy.getValue(0.0f); }
  float getFov() const { return mTrackFov.getValue(0.0f); }

  bool isCastShadow() const { return mCastShadows; }
  void setCastShadow(bool cast) { mCastShadows = cast; }

 protected:
  bool loadOwnChunk(uint16_t id, ReadBuffer& buffer) override;
  void writeOwnChunks(WriteBuffer& buffer) const override;

 private:
  bool mCastShadows;
  TrackColor4f mTrackColor;
  TrackFloat mTrackDist;
  TrackFloat mTrackEnergy;
  TrackFloat mTrackFov;
};

}  // namespace z3d
}  // namespace zelkor
