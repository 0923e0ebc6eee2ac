#pragma once

#include <string>
#include <vector>

#include "mb_quatf.h"
#include "mb_vector3.h"
#include "z3d_scenenode.h"

namespace zelkor {
namespace z3d {

class Armature : public SceneNode {
 public:
  class Bone {
   public:
    Bone();
    ~Bone();
    Bone(const Bone&) = delete;
    Bone& operator=(const Bone&) = delete;

    // Reads the payload of an open bone chunk.
    void loadChunk(ReadBuffer& buffer);
    void writeChunk(WriteBuffer& buffer) const;

    const std::string& getName() const { return mName; }
    void setName(const std::string& name) { mName = name; }
    std::vector<Bone*>& getChildBones() { return mChildBones; }
    const std::vector<Bone*>& getChildBones() const { return mChildBones; }
    void addChildBone(Bone* bone) { mChildBones.push_back(bone); }  // takes ownership
    TrackQuatf& getRotationTrack() { return mTrackRotation; }
    const TrackQuatf& getRotationTrack() const { return mTrackRotation; }

    const mathbase::Vector3f& getLocalPosition() const { return mLocalPos; }
    void setLocalPosition(const mathbase::Vector3f& pos) { mLocalPos = pos; }
    const mathbase::Quatf& getLocalOrientation() const { return mLocalOrient; }
    void setLocalOrientation(const mathbase::Quatf& orient) { mLocalOrient = orient; }
    float getLength() const { return mLength; }
    void setLength(float length) { mLength = length; }
    const mathbase::Vector3f& getPosePosition() const { return mPosePos; }
    const mathbase::Quatf& getPoseOrientation() const { return mPoseOrient; }

    // Rest pose: head = parentEnd + local position (not rotated), orientation
    // = parentOrient · local orientation; the children start at this bone's end.
    void updatePose(const mathbase::Quatf& parentOrient, const mathbase::Vector3f& parentEnd);

   private:
    std::string mName;
    std::vector<Bone*> mChildBones;
    mathbase::Vector3f mLocalPos;
    mathbase::Vector3f mPosePos;
    mathbase::Quatf mLocalOrient;
    mathbase::Quatf mPoseOrient;
    float mLength;
    TrackQuatf mTrackRotation;
  };

  Armature() { clear(); }
  ~Armature() override;
  uint16_t getType() const override { return ARMATURE; }
  void clear() override;
  // Reads the armature and computes its rest pose.
  void loadChunk(ReadBuffer& buffer) override;

  int getNumRootBones() const { return static_cast<int>(mRootBones.size()); }
  Bone* getRootBone(int i) { return mRootBones[i]; }
  const Bone* getRootBone(int i) const { return mRootBones[i]; }
  void addRootBone(Bone* bone) { mRootBones.push_back(bone); }  // takes ownership
  void updatePose();

 protected:
  bool loadOwnChunk(uint16_t id, ReadBuffer& buffer) override;
  void writeOwnChunks(WriteBuffer& buffer) const override;

 private:
  std::vector<Bone*> mRootBones;
};

}  // namespace z3d
}  // namespace zelkor
