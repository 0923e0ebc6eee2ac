#include "z3d_walk.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "z3d_armature.h"
#include "z3d_camera.h"
#include "z3d_curve.h"
#include "z3d_light.h"
#include "z3d_meshinstance.h"
#include "z3d_meshutil.h"
#include "zlk_system.h"

namespace z3d_fuzz {

using namespace zelkor::z3d;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Vector3f;

namespace {

const float kTimes[] = {-2.5f, -0.0f, 0.0f, 0.33f, 1.0f, 7.5f, 1e6f};

std::string gProblem;

void check(bool condition, const char* what) {
  if (!condition && gProblem.empty()) gProblem = what;
}

void walkMesh(Mesh* mesh) {
  const int numVertices = mesh->getVertices().size();
  const int numPositions = mesh->getPositions().size();
  for (int v = 0; v < numVertices; ++v) {
    const int p = mesh->getVertices()[v].posIndex;
    check(p >= 0 && p < numPositions, "vertex refers to a missing position");
  }
  float sum = 0.0f;
  for (int s = 0; s < mesh->getNumSubmesh(); ++s) {
    const TriangleList& triangles = mesh->getSubmesh(s)->getTriangles();
    for (int t = 0; t < triangles.size(); ++t) {
      for (int k = 0; k < 3; ++k) {
        const int v = triangles[t].v[k];
        check(v >= 0 && v < numVertices, "triangle refers to a missing vertex");
        sum += mesh->getPositions()[mesh->getVertices()[v].posIndex].x;
      }
    }
  }
  for (int g = 0; g < mesh->getNumBoneGroups(); ++g) {
    const BoneGroupWeightList& weights = mesh->getBoneGroup(g)->getWeights();
    for (int i = 0; i < weights.size(); ++i)
      check(weights[i].vertexIndex >= 0 && weights[i].vertexIndex < numPositions, "weight of a missing position");
  }
  std::vector<BoneVertex> bones(numPositions);
  MeshUtil::findBoneWeights(mesh, bones.data());
  MeshUtil::limitBonesPerSubmesh(mesh, bones.data(), 4);
  MeshUtil::updateBox(mesh);
  (void)sum;
}

void walkBone(Armature::Bone* bone) {
  for (float t : kTimes) bone->getRotationTrack().getValue(t);
  for (Armature::Bone* child : bone->getChildBones()) walkBone(child);
}

void walkNode(SceneNode* node) {
  Matrix4x4Col m;
  bool mirrored;
  for (float t : kTimes) node->calculateMatrix(t, m, mirrored);
  node->isStatic();
  node->getAnimationLength();
  node->getPosition();
  node->getRotation();
  node->getScale();
  if (Camera* camera = dynamic_cast<Camera*>(node)) camera->getFov();
  if (Light* light = dynamic_cast<Light*>(node)) {
    for (float t : kTimes) {
      light->getColorTrack().getValue(t);
      light->getDistTrack().getValue(t);
      light->getEnergyTrack().getValue(t);
      light->getFovTrack().getValue(t);
    }
  }
  if (MeshInstance* instance = dynamic_cast<MeshInstance*>(node)) {
    for (int slot = -1; slot < 300; slot += 7) instance->getMaterial(slot);
  }
  if (Armature* armature = dynamic_cast<Armature*>(node)) {
    armature->updatePose();
    for (int i = 0; i < armature->getNumRootBones(); ++i) walkBone(armature->getRootBone(i));
  }
  if (CurveInstance* curve = dynamic_cast<CurveInstance*>(node)) {
    Vector3f pos, dir;
    float percent;
    for (float t : kTimes) curve->evaluate(t, pos, dir, percent);
    for (float p : {-1.0f, 0.0f, 0.5f, 0.999f, 1.0f, 3.0f}) curve->evaluatePercent(p, pos, dir);
  }
  for (int i = 0; i < node->getNumChildren(); ++i) walkNode(node->getChild(i));
}

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  out += text;
}

void summarizeTrack(std::string& out, const TrackBlenderFloat& c) {
  // a channel without keys is its base value; its modes are neither used nor written
  if (c.getNumKeys() == 0) out += "[0]";
  else appendf(out, "[%d %d %d]", c.getNumKeys(), c.getInterpolationMode(), c.getExtrapolationMode());
}

template <int N>
void summarizeTrack(std::string& out, const TrackChannels<N>& track) {
  for (int i = 0; i < N; ++i) summarizeTrack(out, track.getChannel(i));
}

void summarizeBone(std::string& out, const Armature::Bone* bone) {
  appendf(out, " bone '%s' {", bone->getName().c_str());
  summarizeTrack(out, bone->getRotationTrack());
  for (const Armature::Bone* child : bone->getChildBones()) summarizeBone(out, child);
  out += "}";
}

void summarizeNode(std::string& out, const SceneNode* node) {
  appendf(out, " node %X '%s' {", node->getType(), node->getName().c_str());
  summarizeTrack(out, node->getPositionTrack());
  summarizeTrack(out, node->getRotationTrack());
  summarizeTrack(out, node->getScaleTrack());
  if (const Camera* camera = dynamic_cast<const Camera*>(node)) summarizeTrack(out, camera->getFovTrack());
  if (const Light* light = dynamic_cast<const Light*>(node)) {
    appendf(out, " shadows %d", light->isCastShadow());
    summarizeTrack(out, light->getColorTrack());
    summarizeTrack(out, light->getDistTrack());
    summarizeTrack(out, light->getEnergyTrack());
    summarizeTrack(out, light->getFovTrack());
  }
  if (const MeshInstance* instance = dynamic_cast<const MeshInstance*>(node)) {
    appendf(out, " mesh '%s'", instance->getMeshReference().c_str());
    for (size_t slot = 0; slot < instance->getMaterials().size(); ++slot)
      if (!instance->getMaterials()[slot].empty()) appendf(out, " %zu='%s'", slot, instance->getMaterials()[slot].c_str());
  }
  if (const Armature* armature = dynamic_cast<const Armature*>(node)) {
    for (int i = 0; i < armature->getNumRootBones(); ++i) summarizeBone(out, armature->getRootBone(i));
  }
  if (const CurveInstance* curve = dynamic_cast<const CurveInstance*>(node)) {
    appendf(out, " keys %zu", curve->getKeys().size());
    summarizeTrack(out, curve->getSpeedTrack());
  }
  for (int i = 0; i < node->getNumChildren(); ++i) summarizeNode(out, node->getChild(i));
  out += "}";
}

}  // namespace

std::string walk(Manager& manager) {
  gProblem.clear();
  for (int i = 0; i < manager.getNumMeshes(); ++i) walkMesh(manager.getMesh(i));
  for (int i = 0; i < manager.getNumMaterials(); ++i) {
    const Material* material = manager.getMaterial(i);
    for (int a = 0; a < material->getNumAttributes(); ++a) {
      const Material::Attribute* attribute = material->getAttribute(a);
      for (int t = 0; t < attribute->getNumTextures(); ++t) manager.getImage(attribute->getTexture(t)->getImageReference());
    }
  }
  for (int i = 0; i < manager.getNumScenes(); ++i) walkNode(manager.getScene(i));
  return gProblem;
}

std::string summary(const Manager& manager) {
  std::string out;
  for (int i = 0; i < manager.getNumMeshes(); ++i) {
    const Mesh* mesh = manager.getMesh(i);
    appendf(out, "mesh '%s' %d %d", mesh->getName().c_str(), mesh->getVertices().size(), mesh->getPositions().size());
    for (int u = 0; u < mesh->getNumUV(); ++u)
      appendf(out, " uv '%s' %d", mesh->getUV(u)->getName().c_str(), mesh->getUV(u)->size());
    for (int g = 0; g < mesh->getNumBoneGroups(); ++g)
      appendf(out, " group '%s' %d", mesh->getBoneGroup(g)->getGroupName().c_str(),
              mesh->getBoneGroup(g)->getWeights().size());
    for (int s = 0; s < mesh->getNumSubmesh(); ++s)
      appendf(out, " sub %d %d", mesh->getSubmesh(s)->getMaterialSlot(), mesh->getSubmesh(s)->getTriangles().size());
    out += "\n";
  }
  for (int i = 0; i < manager.getNumMaterials(); ++i) {
    const Material* material = manager.getMaterial(i);
    appendf(out, "material '%s' %d %d", material->getName().c_str(), material->isShadeless(),
            material->isRecieveShadows());
    for (int a = 0; a < material->getNumAttributes(); ++a) {
      const Material::Attribute* attribute = material->getAttribute(a);
      appendf(out, " attribute '%s'", attribute->getName().c_str());
      for (int t = 0; t < attribute->getNumTextures(); ++t) {
        const Texture* texture = attribute->getTexture(t);
        appendf(out, " texture '%s' '%s' %d", texture->getName().c_str(), texture->getImageReference().c_str(),
                texture->getWrappingMode());
      }
    }
    out += "\n";
  }
  for (int i = 0; i < manager.getNumImages(); ++i)
    appendf(out, "image '%s' '%s'\n", manager.getImage(i)->getName().c_str(),
            manager.getImage(i)->getFilename().c_str());
  for (int i = 0; i < manager.getNumScenes(); ++i) {
    summarizeNode(out, manager.getScene(i));
    out += "\n";
  }
  return out;
}

std::string checkInput(const uint8_t* data, size_t size) {
  Manager manager;
  try {
    manager.load(data, static_cast<int>(size));
  } catch (const zelkor::Exception&) {
    return std::string();  // wrong header or top chunk
  }
  const std::string problem = walk(manager);
  if (!problem.empty()) return problem;

  // whatever was loaded is written and reads back the same
  const std::vector<uint8_t> written = manager.write();
  Manager again;
  again.load(written.data(), static_cast<int>(written.size()));
  const std::string before = summary(manager);
  const std::string after = summary(again);
  if (before != after) return "reader and writer disagree:\n" + before + "----\n" + after;
  return std::string();
}

}  // namespace z3d_fuzz
