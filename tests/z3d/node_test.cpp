#include <gtest/gtest.h>

#include <cmath>

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
using mathbase::Vector3f;
using z3d_test::Bytes;
using Key = TrackBlenderFloat::Key;

void expectMatrixNear(const Matrix4x4Col& a, const Matrix4x4Col& b, float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

void expectVectorNear(const Vector3f& a, const Vector3f& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
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

}  // namespace
