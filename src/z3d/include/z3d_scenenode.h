#pragma once
// Nodes of a scene tree: every node has a name, animated position, Euler
// rotation and scale, and owns its children.

#include <cstdint>
#include <string>
#include <vector>

#include "mb_matrix4x4col.h"
#include "z3d_chunks.h"
#include "z3d_track.h"

namespace zelkor {
namespace z3d {

class SceneNode {
 public:
  SceneNode();
  virtual uint16_t getType() const = 0;  // the node's chunk identifier
  virtual ~SceneNode();
  // Deletes the children and resets the tracks and the class defaults.
  virtual void clear();
  // Reads the payload of an open node chunk: name, leading fields, children.
  virtual void loadChunk(ReadBuffer& buffer);
  virtual void writeChunk(WriteBuffer& buffer) const;
  // The three transform tracks are static (children are not considered).
  virtual bool isStatic() const;
  // The largest end time of this node's tracks and of all its descendants.
  virtual float getAnimationLength() const;

  SceneNode(const SceneNode&) = delete;
  SceneNode& operator=(const SceneNode&) = delete;

  const std::string& getName() const { return mName; }
  void setName(const std::string& name) { mName = name; }

  void addChild(SceneNode* child) { mChildren.push_back(child); }  // takes ownership
  int getNumChildren() const { return static_cast<int>(mChildren.size()); }
  SceneNode* getChild(int i) { return mChildren[i]; }
  const SceneNode* getChild(int i) const { return mChildren[i]; }
  // The first direct child of that name, else null.
  SceneNode* getChild(const std::string& name);
  const SceneNode* getChild(const std::string& name) const;

  TrackVector3f& getPositionTrack() { return mTrackPosition; }
  const TrackVector3f& getPositionTrack() const { return mTrackPosition; }
  TrackEulerf& getRotationTrack() { return mTrackRotation; }
  const TrackEulerf& getRotationTrack() const { return mTrackRotation; }
  TrackVector3f& getScaleTrack() { return mTrackScale; }
  const TrackVector3f& getScaleTrack() const { return mTrackScale; }
  void setPositionTrack(const TrackVector3f& track) { mTrackPosition = track; }
  void setRotationTrack(const TrackEulerf& track) { mTrackRotation = track; }
  void setScaleTrack(const TrackVector3f& track) { mTrackScale = track; }

  // The transform tracks at time 0.
  mathbase::Vector3f getPosition() const { return mTrackPosition.getValue(0.0f); }
  mathbase::Eulerf getRotation() const { return mTrackRotation.getValue(0.0f); }
  mathbase::Vector3f getScale() const { return mTrackScale.getValue(0.0f); }

  // Local matrix translation · rotation · scale at time; the parent's is not
  // included. mirrored is set when the scale flips handedness.
  void calculateMatrix(float time, mathbase::Matrix4x4Col& matrix) const;
  void calculateMatrix(float time, mathbase::Matrix4x4Col& matrix, bool& mirrored) const;

  // Handles one child chunk shared by all nodes (transform tracks and child
  // nodes); anything else is skipped silently.
  void loadChunkItem(int id, ReadBuffer& buffer);
  // The transform tracks (not for the scene root) and every child.
  void writeCommonChunks(WriteBuffer& buffer) const;

  // A new node of the class whose chunk identifier is given, else null.
  static SceneNode* create(uint16_t id);

 protected:
  // Class-specific parts of loading and writing.
  virtual void loadLeadingFields(ReadBuffer&) {}
  virtual bool loadOwnChunk(uint16_t, ReadBuffer&) { return false; }
  virtual void writeLeadingFields(WriteBuffer&) const {}
  virtual void writeOwnChunks(WriteBuffer&) const {}

  TrackVector3f mTrackPosition;
  TrackEulerf mTrackRotation;
  TrackVector3f mTrackScale;
  std::string mName;
  std::vector<SceneNode*> mChildren;
};

// The root of a scene; writes no transform tracks of its own.
class Scene : public SceneNode {
 public:
  Scene() { clear(); }
  uint16_t getType() const override { return SCENE; }
};

class Dummy : public SceneNode {
 public:
  Dummy() { clear(); }
  uint16_t getType() const override { return DUMMY; }
};

}  // namespace z3d
}  // namespace zelkor
