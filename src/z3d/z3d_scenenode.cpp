#include "z3d_scenenode.h"

#include <algorithm>
#include <memory>

#include "z3d_armature.h"
#include "z3d_camera.h"
#include "z3d_curve.h"
#include "z3d_light.h"
#include "z3d_meshinstance.h"
#include "z3d_values.h"

namespace zelkor {
namespace z3d {

using mathbase::Matrix4x4Col;
using mathbase::Quatf;
using mathbase::Vector3f;

SceneNode::SceneNode() {}

SceneNode::~SceneNode() {
  for (SceneNode* child : mChildren) delete child;
}

void SceneNode::clear() {
  for (SceneNode* child : mChildren) delete child;
  mChildren.clear();
  mName.clear();
  mTrackPosition.clear();
  mTrackRotation.clear();
  mTrackScale.clear();
  mTrackScale.setBaseValue(Vector3f(1.0f, 1.0f, 1.0f));
}

SceneNode* SceneNode::create(uint16_t id) {
  switch (id) {
    case CURVE: return new CurveInstance;
    case CAMERA: return new Camera;
    case MESH_INSTANCE: return new MeshInstance;
    case DUMMY: return new Dummy;
    case LIGHT: return new Light;
    case ARMATURE: return new Armature;
    default: return nullptr;
  }
}

void SceneNode::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mName);
  loadLeadingFields(buffer);
  while (const uint16_t id = buffer.openChunk()) {
    if (!loadOwnChunk(id, buffer)) loadChunkItem(id, buffer);
    buffer.closeChunk();
  }
}

void SceneNode::loadChunkItem(int id, ReadBuffer& buffer) {
  switch (id) {
    case POSITION:
      mTrackPosition.loadChunk(buffer);
      return;
    case ROTATION_EULER:
      mTrackRotation.loadChunk(buffer);
      return;
    case SCALE:
      mTrackScale.loadChunk(buffer);
      return;
    default:
      break;
  }
  std::unique_ptr<SceneNode> child(create(static_cast<uint16_t>(id)));
  if (!child) return;  // unknown: skipped without a report
  child->loadChunk(buffer);
  addChild(child.release());
}

void SceneNode::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(getType());
  writeValueString(buffer, mName);
  writeLeadingFields(buffer);
  writeOwnChunks(buffer);
  writeCommonChunks(buffer);
  buffer.closeChunk();
}

namespace {

// Keys, or a base value other than the one a cleared track has.
bool carriesData(const TrackVector3f& track, float defaultBase) {
  for (int i = 0; i < 3; ++i) {
    const TrackBlenderFloat& c = track.getChannel(i);
    if (c.getNumKeys() > 0 || c.getBaseValue() != defaultBase) return true;
  }
  return false;
}

}  // namespace

void SceneNode::writeCommonChunks(WriteBuffer& buffer) const {
  // The root leaves out its tracks, unless they hold something: a file read
  // with them must not lose them when written again.
  const bool root = getType() == SCENE;
  if (!root || carriesData(mTrackPosition, 0.0f)) mTrackPosition.writeChunk(buffer, POSITION);
  if (!root || carriesData(mTrackRotation, 0.0f)) mTrackRotation.writeChunk(buffer, ROTATION_EULER);
  if (!root || carriesData(mTrackScale, 1.0f)) mTrackScale.writeChunk(buffer, SCALE);
  for (const SceneNode* child : mChildren) child->writeChunk(buffer);
}

bool SceneNode::isStatic() const {
  return mTrackPosition.isStatic() && mTrackRotation.isStatic() && mTrackScale.isStatic();
}

float SceneNode::getAnimationLength() const {
  float length = 0.0f;
  length = std::max(length, mTrackPosition.getAnimationLength());
  length = std::max(length, mTrackRotation.getAnimationLength());
  length = std::max(length, mTrackScale.getAnimationLength());
  for (const SceneNode* child : mChildren) length = std::max(length, child->getAnimationLength());
  return length;
}

SceneNode* SceneNode::getChild(const std::string& name) {
  for (SceneNode* child : mChildren)
    if (child->getName() == name) return child;
  return nullptr;
}

const SceneNode* SceneNode::getChild(const std::string& name) const {
  return const_cast<SceneNode*>(this)->getChild(name);
}

void SceneNode::calculateMatrix(float time, Matrix4x4Col& matrix) const {
  bool mirrored;
  calculateMatrix(time, matrix, mirrored);
}

void SceneNode::calculateMatrix(float time, Matrix4x4Col& matrix, bool& mirrored) const {
  const Vector3f p = mTrackPosition.getValue(time);
  const Quatf q(mTrackRotation.getValue(time));
  const Vector3f s = mTrackScale.getValue(time);
  matrix.buildPRS(p, q, s);
  mirrored = s.x * s.y * s.z < 0.0f;
}

}  // namespace z3d
}  // namespace zelkor
