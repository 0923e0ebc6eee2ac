// The node classes beyond the base: cameras, lights, mesh instances,
// armatures and curves.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "z3d_armature.h"
#include "z3d_camera.h"
#include "z3d_curve.h"
#include "z3d_light.h"
#include "z3d_meshinstance.h"
#include "z3d_values.h"
#include "zlk_system.h"

namespace zelkor {
namespace z3d {

using mathbase::Quatf;
using mathbase::Vector3f;
using mathbase::Vector4f;

// --- Camera

void Camera::clear() {
  SceneNode::clear();
  mTrackFov.clear();
  mTrackFov.setBaseValue(static_cast<float>(M_PI / 2.0));
}

bool Camera::loadOwnChunk(uint16_t id, ReadBuffer& buffer) {
  if (id != FOV) return false;
  mTrackFov.loadChunk(buffer);
  return true;
}

void Camera::writeOwnChunks(WriteBuffer& buffer) const { mTrackFov.writeChunk(buffer, FOV); }

// --- Light

void Light::clear() {
  SceneNode::clear();
  mCastShadows = false;
  mTrackColor.clear();
  mTrackColor.setBaseValue(Vector4f(1.0f, 1.0f, 1.0f, 1.0f));
  mTrackDist.clear();
  mTrackDist.setBaseValue(50.0f);
  mTrackEnergy.clear();
  mTrackEnergy.setBaseValue(1.0f);
  mTrackFov.clear();
  mTrackFov.setBaseValue(45.0f * 0.017453292f);
}

bool Light::loadOwnChunk(uint16_t id, ReadBuffer& buffer) {
  switch (id) {
    case COLOR:
      mTrackColor.loadChunk(buffer);
      return true;
    case LIGHT_ENERGY:
      mTrackEnergy.loadChunk(buffer);
      return true;
    case LIGHT_DISTANCE:
      mTrackDist.loadChunk(buffer);
      return true;
    case FOV:
      mTrackFov.loadChunk(buffer);
      return true;
    case LIGHT_CAST_SHADOWS: {
      uint8_t flag;
      if (buffer.read(flag)) mCastShadows = flag == 1;
      return true;
    }
    default:
      return false;
  }
}

void Light::writeOwnChunks(WriteBuffer& buffer) const {
  mTrackColor.writeChunk(buffer, COLOR);
  mTrackEnergy.writeChunk(buffer, LIGHT_ENERGY);
  mTrackDist.writeChunk(buffer, LIGHT_DISTANCE);
  mTrackFov.writeChunk(buffer, FOV);
  buffer.openChunk(LIGHT_CAST_SHADOWS);
  buffer.write(static_cast<uint8_t>(mCastShadows ? 1 : 0));
  buffer.closeChunk();
}

bool Light::isStatic() const {
  return SceneNode::isStatic() && mTrackColor.isStatic() && mTrackDist.isStatic() && mTrackEnergy.isStatic() &&
         mTrackFov.isStatic();
}

float Light::getAnimationLength() const {
  float length = SceneNode::getAnimationLength();
  length = std::max(length, mTrackColor.getAnimationLength());
  length = std::max(length, mTrackDist.getAnimationLength());
  length = std::max(length, mTrackEnergy.getAnimationLength());
  return std::max(length, mTrackFov.getAnimationLength());
}

// --- MeshInstance

void MeshInstance::clear() {
  SceneNode::clear();
  mMeshReference.clear();
  mMaterials.clear();
}

void MeshInstance::setMaterial(int slot, const std::string& material) {
  if (slot < 0) return;
  if (static_cast<size_t>(slot) >= mMaterials.size()) mMaterials.resize(static_cast<size_t>(slot) + 1);
  mMaterials[slot] = material;
}

const std::string& MeshInstance::getMaterial(int slot) const {
  static const std::string kEmpty;
  if (slot < 0 || static_cast<size_t>(slot) >= mMaterials.size()) return kEmpty;
  return mMaterials[slot];
}

void MeshInstance::loadLeadingFields(ReadBuffer& buffer) { loadValueString(buffer, mMeshReference); }

bool MeshInstance::loadOwnChunk(uint16_t id, ReadBuffer& buffer) {
  if (id != MATERIAL_ID_AND_REFERENCE) return false;
  uint8_t slot;
  if (buffer.read(slot)) {
    std::string name;
    loadValueString(buffer, name);
    setMaterial(slot, name);
  }
  return true;
}

void MeshInstance::writeLeadingFields(WriteBuffer& buffer) const { writeValueString(buffer, mMeshReference); }

void MeshInstance::writeOwnChunks(WriteBuffer& buffer) const {
  for (size_t slot = 0; slot < mMaterials.size(); ++slot) {
    if (mMaterials[slot].empty()) continue;
    if (slot > 255)
      throw Exception("Mesh instance '%s': material slot %zu does not fit in a byte", mName.c_str(), slot);
    buffer.openChunk(MATERIAL_ID_AND_REFERENCE);
    buffer.write(static_cast<uint8_t>(slot));
    writeValueString(buffer, mMaterials[slot]);
    buffer.closeChunk();
  }
}

// --- Armature

Armature::Bone::Bone() : mLength(0.0f) {}

Armature::Bone::~Bone() {
  for (Bone* b : mChildBones) delete b;
}

void Armature::Bone::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mName);
  loadValue(buffer, mLocalPos);
  loadValue(buffer, mLocalOrient);
  buffer.read(mLength);
  while (const uint16_t id = buffer.openChunk()) {
    if (id == ARMATURE_BONE) {
      std::unique_ptr<Bone> child(new Bone);
      child->loadChunk(buffer);
      mChildBones.push_back(child.release());
    } else if (id == ROTATION_QUAT) {
      mTrackRotation.loadChunk(buffer);
    } else {
      std::printf("Other chunk with ID=0x%0X\n", id);
    }
    buffer.closeChunk();
  }
}

void Armature::Bone::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(ARMATURE_BONE);
  writeValueString(buffer, mName);
  writeValue(buffer, mLocalPos);
  writeValue(buffer, mLocalOrient);
  buffer.write(mLength);
  for (const Bone* b : mChildBones) b->writeChunk(buffer);
  mTrackRotation.writeChunk(buffer, ROTATION_QUAT);
  buffer.closeChunk();
}

void Armature::Bone::updatePose(const Quatf& parentOrient, const Vector3f& parentEnd) {
  mPosePos = parentEnd + mLocalPos;
  mPoseOrient = parentOrient * mLocalOrient;
  const Vector3f end = mPosePos + mPoseOrient * Vector3f(0.0f, 0.0f, -mLength);
  for (Bone* b : mChildBones) b->updatePose(mPoseOrient, end);
}

Armature::~Armature() {
  for (Bone* b : mRootBones) delete b;
}

void Armature::clear() {
  SceneNode::clear();
  for (Bone* b : mRootBones) delete b;
  mRootBones.clear();
}

void Armature::loadChunk(ReadBuffer& buffer) {
  SceneNode::loadChunk(buffer);
  updatePose();
}

bool Armature::loadOwnChunk(uint16_t id, ReadBuffer& buffer) {
  if (id != ARMATURE_BONE) return false;
  std::unique_ptr<Bone> bone(new Bone);
  bone->loadChunk(buffer);
  mRootBones.push_back(bone.release());
  return true;
}

void Armature::writeOwnChunks(WriteBuffer& buffer) const {
  for (const Bone* b : mRootBones) b->writeChunk(buffer);
}

void Armature::updatePose() {
  const Quatf identity(0.0f, Vector3f(0.0f, 0.0f, -1.0f));
  for (Bone* b : mRootBones) b->updatePose(identity, Vector3f(0.0f, 0.0f, 0.0f));
}

// --- CurveInstance

void CurveInstance::clear() {
  SceneNode::clear();
  mKeys.clear();
  mTrackSpeed.clear();
}

void CurveInstance::loadLeadingFields(ReadBuffer& buffer) {
  uint8_t type;
  if (buffer.read(type) && type != 0)
    ZLK_LOG("warning", "z3d", "Curve without type==0, reinterpreting randomly!");
  uint32_t count = 0;
  buffer.read(count);
  // the count comes from the file: never size memory by more than is there
  const uint32_t present = buffer.getRemaining() / KEY_SIZE;
  if (count > present) {
    ZLK_LOG("warning", "z3d", "Curve '%s' declares %u keys but holds only %u; reading those", mName.c_str(), count,
            present);
    count = present;
  }
  mKeys.assign(count, Key());
  for (Key& key : mKeys)
    for (Vector3f& v : key.pos) loadValue(buffer, v);
}

bool CurveInstance::loadOwnChunk(uint16_t id, ReadBuffer& buffer) {
  if (id != CURVE_SPEED) return false;
  mTrackSpeed.loadChunk(buffer);
  return true;
}

void CurveInstance::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(CURVE);
  writeValueString(buffer, mName);
  buffer.write(static_cast<uint8_t>(0));
  buffer.write(static_cast<uint32_t>(mKeys.size()));
  for (const Key& key : mKeys)
    for (const Vector3f& v : key.pos) writeValue(buffer, v);
  writeCommonChunks(buffer);
  mTrackSpeed.writeChunk(buffer, CURVE_SPEED);
  buffer.closeChunk();
}

float CurveInstance::getAnimationLength() const {
  return std::max(SceneNode::getAnimationLength(), mTrackSpeed.getAnimationLength());
}

bool CurveInstance::evaluate(float time, Vector3f& pos, Vector3f& dir, float& percent) const {
  if (time < 0.0f) return false;
  float p = mTrackSpeed.getValue(time);
  if (!(p >= 0.0f)) p = 0.0f;  // also catches NaN
  if (p > 1.0f) p = 1.0f;
  percent = p;
  evaluatePercent(p, pos, dir);
  return true;
}

void CurveInstance::evaluatePercent(float percent, Vector3f& pos, Vector3f& dir) const {
  const int n = static_cast<int>(mKeys.size());
  if (n == 0) {
    pos = Vector3f(0.0f, 0.0f, 0.0f);
    dir = Vector3f(0.0f, 1.0f, 0.0f);
    return;
  }
  if (n == 1) {
    pos = mKeys[0].pos[1];
    dir = mKeys[0].pos[2] - mKeys[0].pos[0];
    return;
  }
  const float segments = static_cast<float>(n - 1);
  // a valid segment for any percent, NaN included
  const float f = std::floor(percent * segments);
  int i = 0;
  if (f >= static_cast<float>(n - 2)) i = n - 2;
  else if (f > 0.0f) i = static_cast<int>(f);
  const float t = (percent - static_cast<float>(i) / segments) * segments;
  const float u = 1.0f - t;
  const Vector3f& p0 = mKeys[i].pos[1];
  const Vector3f& p1 = mKeys[i].pos[2];
  const Vector3f& p2 = mKeys[i + 1].pos[0];
  const Vector3f& p3 = mKeys[i + 1].pos[1];
  pos = p0 * (u * u * u) + p1 * (3.0f * t * u * u) + p2 * (3.0f * t * t * u) + p3 * (t * t * t);
  dir = (p1 - p0) * (u * u) + (p2 - p1) * (2.0f * t * u) + (p3 - p2) * (t * t);
}

}  // namespace z3d
}  // namespace zelkor
