#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "mb_matrix4x4col.h"
#include "test_support.h"
#include "z3d_armature.h"
#include "z3d_camera.h"
#include "z3d_curve.h"
#include "z3d_light.h"
#include "z3d_meshinstance.h"
#include "z3d_test_util.h"

namespace {

using namespace zelkor::z3d;
namespace mathbase = zelkor::mathbase;
using kindra_test::StdoutCapture;
using mathbase::Matrix4x4Col;
using mathbase::Quatf;
using mathbase::RotationOrder;
using mathbase::Vector3f;
using z3d_test::Bytes;
using Key = TrackBlenderFloat::Key;

Matrix4x4Col identity() { return Matrix4x4Col().setIdentity(); }

Matrix4x4Col rotY(float a) {
  // right-handed about y, filled by hand
  Matrix4x4Col m = identity();
  m(0, 0) = std::cos(a);
  m(0, 2) = std::sin(a);
  m(2, 0) = -std::sin(a);
  m(2, 2) = std::cos(a);
  return m;
}

void expectMatrixNear(const Matrix4x4Col& a, const Matrix4x4Col& b, float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

void expectVectorNear(const Vector3f& a, const Vector3f& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

Key key(float t, float v) { return Key{{t, v}, {t, v}, {t, v}}; }

void animate(TrackBlenderFloat& channel, float t0, float v0, float t1, float v1) {
  channel.setKeys({key(t0, v0), key(t1, v1)});
  channel.setInterpolationMode(INTERPOLATION_LINEAR);
}

TEST(NodeMatrix, NodeWithoutTracksIsIdentity) {
  Dummy node;
  Matrix4x4Col m;
  bool mirrored = true;
  node.calculateMatrix(3.0f, m, mirrored);
  expectMatrixNear(m, identity(), 0.0f);
  EXPECT_FALSE(mirrored);
  EXPECT_TRUE(node.isStatic());
}

TEST(NodeMatrix, TranslationRotationScaleAgainstIndependentProduct) {
  Dummy node;
  // animated: at time 1 position (1, 2, 3), angles (0.3, -0.7, 1.1), scale (2, 3, 0.5)
  animate(node.getPositionTrack().getChannel(0), 0, -1, 2, 3);
  node.getPositionTrack().setBaseValue(Vector3f(0, 2, 3));
  animate(node.getRotationTrack().getChannel(1), 0, -1.4f, 2, 0);
  node.getRotationTrack().setBaseValue(Vector3f(0.3f, 0, 1.1f));
  animate(node.getScaleTrack().getChannel(2), 0, 0, 2, 1);
  node.getScaleTrack().setBaseValue(Vector3f(2, 3, 1));
  EXPECT_FALSE(node.isStatic());

  Matrix4x4Col t, rx, rz, s;
  t.setTranslation(Vector3f(1, 2, 3));
  rx.setRotX(0.3f);
  rz.setRotZ(1.1f);
  s.setScale(Vector3f(2, 3, 0.5f));

  // the default order YZX applies x first, then z, then y
  Matrix4x4Col m;
  node.calculateMatrix(1.0f, m);
  expectMatrixNear(m, t * rotY(-0.7f) * rz * rx * s);

  node.getRotationTrack().setRotationOrder(RotationOrder::XYZ);
  node.calculateMatrix(1.0f, m);
  expectMatrixNear(m, t * rx * rotY(-0.7f) * rz * s);

  // a point goes through scale, rotation and translation in that order
  const Vector3f p(0.5f, -1.0f, 2.0f);
  const Vector3f scaled(1.0f, -3.0f, 1.0f);
  expectVectorNear(m.multiply(p), Vector3f(1, 2, 3) + (rx * rotY(-0.7f) * rz).multiplyVector(scaled));
}

TEST(NodeMatrix, HierarchyComposesParentTimesChild) {
  Scene scene;
  Dummy* arm = new Dummy;
  arm->setName("arm");
  arm->getPositionTrack().setBaseValue(Vector3f(10, 0, 0));
  arm->getRotationTrack().setBaseValue(Vector3f(0, 0, static_cast<float>(M_PI / 2)));  // 90° about z
  Dummy* hand = new Dummy;
  hand->setName("hand");
  hand->getPositionTrack().setBaseValue(Vector3f(1, 0, 0));
  hand->getScaleTrack().setBaseValue(Vector3f(2, 2, 2));
  arm->addChild(hand);
  scene.addChild(arm);

  Matrix4x4Col parent, child;
  scene.getChild("arm")->calculateMatrix(0.0f, parent);
  scene.getChild("arm")->getChild("hand")->calculateMatrix(0.0f, child);
  const Matrix4x4Col world = parent * child;
  // the hand's origin: one unit along the arm's rotated x, which points along y
  expectVectorNear(world.multiply(Vector3f(0, 0, 0)), Vector3f(10, 1, 0));
  // a point one unit along the hand's x: scaled to 2, then rotated to y
  expectVectorNear(world.multiply(Vector3f(1, 0, 0)), Vector3f(10, 3, 0));
  Matrix4x4Col rz, t1, t2, s;
  rz.setRotZ(static_cast<float>(M_PI / 2));
  t1.setTranslation(Vector3f(10, 0, 0));
  t2.setTranslation(Vector3f(1, 0, 0));
  s.setScale(Vector3f(2, 2, 2));
  expectMatrixNear(world, t1 * rz * t2 * s);
}

TEST(NodeMatrix, MirroringFlag) {
  Dummy node;
  Matrix4x4Col m;
  bool mirrored = false;
  node.getScaleTrack().setBaseValue(Vector3f(1, -1, 1));
  node.calculateMatrix(0.0f, m, mirrored);
  EXPECT_TRUE(mirrored);
  node.getScaleTrack().setBaseValue(Vector3f(-1, -1, 1));
  node.calculateMatrix(0.0f, m, mirrored);
  EXPECT_FALSE(mirrored);
}

TEST(NodeTree, GetChildFindsOnlyDirectChildren) {
  Scene scene;
  Dummy* a = new Dummy;
  a->setName("a");
  Dummy* b = new Dummy;
  b->setName("b");
  a->addChild(b);
  scene.addChild(a);
  EXPECT_EQ(scene.getChild("a"), a);
  EXPECT_EQ(scene.getChild("b"), nullptr);
  EXPECT_EQ(a->getChild("b"), b);
}

TEST(NodeTree, AnimationLengthIsTheLatestEndOverAllNodes) {
  Scene scene;
  Dummy* a = new Dummy;
  animate(a->getPositionTrack().getChannel(0), 0, 0, 4, 1);
  Light* light = new Light;
  animate(light->getEnergyTrack().getChannel(0), 1, 0, 9, 1);
  a->addChild(light);
  CurveInstance* curve = new CurveInstance;
  animate(curve->getSpeedTrack().getChannel(0), 0, 0, 7, 1);
  scene.addChild(a);
  scene.addChild(curve);
  EXPECT_EQ(scene.getAnimationLength(), 9.0f);
  EXPECT_EQ(a->getAnimationLength(), 9.0f);
  EXPECT_EQ(curve->getAnimationLength(), 7.0f);
  EXPECT_FALSE(light->isStatic());  // its energy moves, its transform does not
  EXPECT_TRUE(scene.isStatic());    // children are not considered
}

TEST(NodeClasses, Defaults) {
  Camera camera;
  EXPECT_FLOAT_EQ(camera.getFov(), static_cast<float>(M_PI / 2));
  Light light;
  EXPECT_EQ(light.getColor().x, 1.0f);
  EXPECT_EQ(light.getColor().w, 1.0f);
  EXPECT_EQ(light.getDist(), 50.0f);
  EXPECT_EQ(light.getEnergy(), 1.0f);
  EXPECT_FLOAT_EQ(light.getFov(), 45.0f * 0.017453292f);
  EXPECT_FALSE(light.isCastShadow());
  EXPECT_TRUE(light.isStatic());
  Dummy d;
  EXPECT_EQ(d.getScale().x, 1.0f);
  EXPECT_EQ(d.getType(), 0x5130);
  EXPECT_EQ(camera.getType(), 0x5110);
  EXPECT_EQ(light.getType(), 0x5140);
  EXPECT_EQ(MeshInstance().getType(), 0x5120);
  EXPECT_EQ(Armature().getType(), 0x5180);
  EXPECT_EQ(CurveInstance().getType(), 0x2900);
  EXPECT_EQ(Scene().getType(), 0x5000);
}

TEST(NodeClasses, MeshInstanceMaterialSlots) {
  const Bytes bytes = z3d_test::chunkBytes(MESH_INSTANCE, [](WriteBuffer& w) {
    w.write(std::string("cube.001"));
    w.write(std::string("cube"));
    w.openChunk(MATERIAL_ID_AND_REFERENCE);
    w.write(static_cast<uint8_t>(3));
    w.write(std::string("stone"));
    w.closeChunk();
  });
  MeshInstance mi;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { mi.loadChunk(r); });
  EXPECT_EQ(mi.getName(), "cube.001");
  EXPECT_EQ(mi.getMeshReference(), "cube");
  ASSERT_EQ(mi.getMaterials().size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(mi.getMaterial(i), "");
  EXPECT_EQ(mi.getMaterial(3), "stone");
  EXPECT_EQ(mi.getMaterial(7), "");
  EXPECT_EQ(mi.getMaterial(-1), "");
}

TEST(NodeClasses, LightReadsItsOwnChunks) {
  const Bytes bytes = z3d_test::chunkBytes(LIGHT, [](WriteBuffer& w) {
    w.write(std::string("sun"));
    TrackFloat energy;
    energy.setBaseValue(3.0f);
    energy.writeChunk(w, LIGHT_ENERGY);
    TrackFloat dist;
    dist.setBaseValue(7.0f);
    dist.writeChunk(w, LIGHT_DISTANCE);
    z3d_test::chunkWithByte(w, LIGHT_CAST_SHADOWS, 1);
  });
  Light light;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { light.loadChunk(r); });
  EXPECT_EQ(light.getEnergy(), 3.0f);
  EXPECT_EQ(light.getDist(), 7.0f);
  EXPECT_TRUE(light.isCastShadow());
  EXPECT_EQ(light.getColor().y, 1.0f);  // not in the file: default
}

CurveInstance* threeKeyCurve() {
  CurveInstance* curve = new CurveInstance;
  for (int i = 0; i < 3; ++i) {
    CurveInstance::Key k;
    k.pos[0] = Vector3f(float(i), 0, -1);
    k.pos[1] = Vector3f(float(i), float(i * i), 0);
    k.pos[2] = Vector3f(float(i), 0, 1);
    curve->getKeys().push_back(k);
  }
  return curve;
}

TEST(Curve, EvaluatesBezierSegmentsByPercent) {
  std::unique_ptr<CurveInstance> curve(threeKeyCurve());
  Vector3f pos, dir;
  curve->evaluatePercent(0.5f, pos, dir);
  expectVectorNear(pos, Vector3f(1, 1, 0), 0.0f);  // key 1's point exactly
  curve->evaluatePercent(1.0f, pos, dir);
  expectVectorNear(pos, Vector3f(2, 4, 0), 0.0f);  // segment 1 at t = 1
  // the middle of segment 0 by hand: P0 (0,0,0), P1 (0,0,1), P2 (1,0,-1), P3 (1,1,0)
  curve->evaluatePercent(0.25f, pos, dir);
  expectVectorNear(pos, Vector3f(0.5f, 0.125f, 0.0f));
  expectVectorNear(dir, Vector3f(0.5f, 0.25f, -0.5f));
  // outside [0, 1]: still a valid segment
  curve->evaluatePercent(-3.0f, pos, dir);
  curve->evaluatePercent(std::nanf(""), pos, dir);
  curve->evaluatePercent(40.0f, pos, dir);
}

TEST(Curve, FewKeysAndTimeMapping) {
  CurveInstance empty;
  Vector3f pos(9, 9, 9), dir;
  empty.evaluatePercent(0.3f, pos, dir);
  expectVectorNear(pos, Vector3f(0, 0, 0), 0.0f);
  expectVectorNear(dir, Vector3f(0, 1, 0), 0.0f);

  std::unique_ptr<CurveInstance> curve(threeKeyCurve());
  curve->getKeys().resize(1);
  curve->evaluatePercent(0.7f, pos, dir);
  expectVectorNear(pos, Vector3f(0, 0, 0), 0.0f);
  expectVectorNear(dir, Vector3f(0, 0, 2), 0.0f);

  std::unique_ptr<CurveInstance> timed(threeKeyCurve());
  animate(timed->getSpeedTrack().getChannel(0), 0, 0, 1, 1.7f);
  timed->getSpeedTrack().getChannel(0).setExtrapolationMode(EXTRAPOLATION_EXTRAPOLATION);
  float percent = 5.0f;
  pos = Vector3f(7, 7, 7);
  EXPECT_FALSE(timed->evaluate(-0.1f, pos, dir, percent));
  EXPECT_EQ(percent, 5.0f);
  expectVectorNear(pos, Vector3f(7, 7, 7), 0.0f);
  ASSERT_TRUE(timed->evaluate(1.0f, pos, dir, percent));  // speed 1.7 clamps to 1
  EXPECT_EQ(percent, 1.0f);
  expectVectorNear(pos, Vector3f(2, 4, 0), 0.0f);
}

TEST(Curve, LoadWarnsOnTypeAndClampsAHugeKeyCount) {
  const Bytes bytes = z3d_test::chunkBytes(CURVE, [](WriteBuffer& w) {
    w.write(std::string("path"));
    w.write(static_cast<uint8_t>(1));
    w.write(static_cast<uint32_t>(0xFFFFFFF0u));  // would ask for about 150 GB
    for (int i = 0; i < 18; ++i) w.write(float(i));  // two keys are there
  });
  StdoutCapture out;
  CurveInstance curve;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { curve.loadChunk(r); });
  const std::string log = out.finish();
  EXPECT_NE(log.find("Curve without type==0, reinterpreting randomly!"), std::string::npos) << log;
  EXPECT_NE(log.find("Curve 'path' declares 4294967280 keys but holds only 2"), std::string::npos) << log;
  ASSERT_EQ(curve.getKeys().size(), 2u);
  EXPECT_EQ(curve.getKeys()[1].pos[2].z, 17.0f);
}

TEST(Armature, BoneChainRestPose) {
  Armature armature;
  Armature::Bone* root = new Armature::Bone;
  root->setLength(2.0f);
  Armature::Bone* child = new Armature::Bone;
  child->setLength(1.0f);
  child->setLocalPosition(Vector3f(0, 0, 0));
  root->addChildBone(child);
  armature.addRootBone(root);
  armature.updatePose();
  expectVectorNear(root->getPosePosition(), Vector3f(0, 0, 0), 0.0f);
  expectVectorNear(child->getPosePosition(), Vector3f(0, 0, -2), 1e-6f);
}

TEST(Armature, PoseFollowsParentOrientation) {
  // root turned 90° about x: its end (0, 0, −2) rotates to (0, 2, 0)
  Armature armature;
  Armature::Bone* root = new Armature::Bone;
  root->setLength(2.0f);
  root->setLocalPosition(Vector3f(1, 0, 0));
  root->setLocalOrientation(Quatf(static_cast<float>(M_PI / 2), Vector3f(1, 0, 0)));
  Armature::Bone* child = new Armature::Bone;
  child->setLength(3.0f);
  child->setLocalPosition(Vector3f(0, 0, 1));  // not rotated by the parent
  root->addChildBone(child);
  armature.addRootBone(root);
  armature.updatePose();
  expectVectorNear(child->getPosePosition(), Vector3f(1, 2, 1));
  const Quatf o = child->getPoseOrientation();
  EXPECT_NEAR(o.w, std::cos(M_PI / 4), 1e-6);
  EXPECT_NEAR(o.x, std::sin(M_PI / 4), 1e-6);
}

TEST(Armature, LoadedBonesPoseAndReportOtherChunks) {
  const Bytes bytes = z3d_test::chunkBytes(ARMATURE, [](WriteBuffer& w) {
    w.write(std::string("rig"));
    w.openChunk(ARMATURE_BONE);
    w.write(std::string("spine"));
    for (float f : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 2.0f}) w.write(f);
    w.openChunk(0x7770);
    w.write(std::string("junk"));
    w.closeChunk();
    w.openChunk(ARMATURE_BONE);
    w.write(std::string("neck"));
    for (float f : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}) w.write(f);
    w.closeChunk();
    w.closeChunk();
  });
  StdoutCapture out;
  Armature armature;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { armature.loadChunk(r); });
  EXPECT_EQ(out.finish(), "Other chunk with ID=0x7770\n");
  ASSERT_EQ(armature.getNumRootBones(), 1);
  const Armature::Bone* spine = armature.getRootBone(0);
  EXPECT_EQ(spine->getName(), "spine");
  ASSERT_EQ(spine->getChildBones().size(), 1u);
  expectVectorNear(spine->getChildBones()[0]->getPosePosition(), Vector3f(0, 0, -2), 1e-6f);
}

TEST(NodeLoading, UnknownCommonChildrenAreSkippedSilently) {
  const Bytes bytes = z3d_test::chunkBytes(DUMMY, [](WriteBuffer& w) {
    w.write(std::string("d"));
    w.openChunk(0x5550);
    w.write(7.0f);
    w.closeChunk();
    w.openChunk(DUMMY);
    w.write(std::string("inner"));
    w.closeChunk();
  });
  StdoutCapture out;
  Dummy d;
  z3d_test::loadChunk(bytes, [&](ReadBuffer& r) { d.loadChunk(r); });
  EXPECT_EQ(out.finish(), "");
  ASSERT_EQ(d.getNumChildren(), 1);
  EXPECT_EQ(d.getChild(0)->getName(), "inner");
}

}  // namespace
