#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "math_reference.h"
#include "mb_matrix4x4col.h"
#include "mb_quatf.h"
#include "test_support.h"

namespace {

using namespace zelkor::mathbase;
using mathref::isIdentity;
using mathref::near3x3;
using mathref::nearMatrix;
using mathref::nearVector;
using mathref::sameRotation;

Matrix4x4Col sample() {
  Matrix4x4Col m;
  for (int i = 0; i < 16; ++i) m[i] = float((i * 7) % 11) - 4.5f + 0.25f * float(i);
  return m;
}

// Reference 4×4 product by the textbook definition on (row, column).
Matrix4x4Col referenceProduct(const Matrix4x4Col& a, const Matrix4x4Col& b) {
  Matrix4x4Col r;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += double(a(row, k)) * double(b(k, col));
      r(row, col) = float(sum);
    }
  return r;
}

// Rotation part orthonormal with determinant +1.
::testing::AssertionResult isRotation(const Matrix4x4Col& m) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double dot = 0;
      for (int k = 0; k < 3; ++k) dot += double(m(k, i)) * double(m(k, j));
      if (!(std::fabs(dot - (i == j ? 1 : 0)) < 1e-5))
        return ::testing::AssertionFailure() << "columns " << i << " and " << j << " have dot " << dot;
    }
  const Vector3f c0(m(0, 0), m(1, 0), m(2, 0)), c1(m(0, 1), m(1, 1), m(2, 1)), c2(m(0, 2), m(1, 2), m(2, 2));
  const float det = c0.cross(c1).dot(c2);
  if (!(std::fabs(det - 1) < 1e-5)) return ::testing::AssertionFailure() << "determinant " << det;
  return ::testing::AssertionSuccess();
}

TEST(Matrix, ProductsAgreeWithReferenceAndAliasSafely) {
  const Matrix4x4Col a = sample();
  Matrix4x4Col b;
  b.buildPRS(Vector3f(1, -2, 3), Quatf(0.4f, Vector3f(0.6f, 0, 0.8f)), Vector3f(2, 3, 0.5f));
  EXPECT_TRUE(nearMatrix(a * b, referenceProduct(a, b), 1e-4));

  Matrix4x4Col c = a;
  c.multiplyFromRight(b);
  EXPECT_TRUE(nearMatrix(c, referenceProduct(a, b), 1e-4));
  c = a;
  c *= b;
  EXPECT_TRUE(nearMatrix(c, referenceProduct(a, b), 1e-4));
  c = a;
  c.multiplyFromLeft(b);
  EXPECT_TRUE(nearMatrix(c, referenceProduct(b, a), 1e-4));

  c = a;
  c.multiplyFromRight(c);
  EXPECT_TRUE(nearMatrix(c, referenceProduct(a, a), 1e-3));
  c = a;
  c.multiplyFromLeft(c);
  EXPECT_TRUE(nearMatrix(c, referenceProduct(a, a), 1e-3));

  // Composed elementary rotations equal the hand-written composition.
  Matrix4x4Col rx, ry, rz;
  rx.setRotX(0.3f);
  ry.setRotY(-1.1f);
  rz.setRotZ(2.0f);
  EXPECT_TRUE(near3x3(rx * ry * rz, mathref::euler(0.3, -1.1, 2.0, "XYZ")));
  EXPECT_TRUE(near3x3(rz * rx * ry, mathref::euler(0.3, -1.1, 2.0, "ZXY")));
}

TEST(Matrix, BuildPRS) {
  Matrix4x4Col m;
  EXPECT_TRUE(isIdentity(m.buildPRS(Vector3f(), Quatf(), Vector3f(1, 1, 1)), 0));
  EXPECT_TRUE(isIdentity(Matrix4x4Col(Quatf()), 0));

  // T·R·S from the elementary matrices.
  const Vector3f p(3, -1, 2), s(2, 0.5f, -3);
  const Quatf q(2.1f, Vector3f(0.48f, 0.6f, 0.64f));
  Matrix4x4Col t, r, sc;
  t.setTranslation(p);
  r.setRot(q);
  sc.setScale(s);
  EXPECT_TRUE(nearMatrix(m.buildPRS(p, q, s), referenceProduct(referenceProduct(t, r), sc), 1e-5));

  for (const Vector3f& scale : {Vector3f(1, 1, 1), s, Vector3f(0.25f, 8, 7)}) {
    Matrix4x4Col inverse;
    inverse.buildPRSinverse(p, q, scale);
    m.buildPRS(p, q, scale);
    EXPECT_TRUE(isIdentity(inverse * m, 1e-4));
  }
  Matrix4x4Col camera, cameraInverse;
  camera.buildBlenderCamera(p, q, s);
  cameraInverse.buildBlenderCameraInverse(p, q, s);
  EXPECT_TRUE(isIdentity(cameraInverse * camera, 1e-4));
  Matrix4x4Col minusHalfPiX;
  minusHalfPiX.setRotX(-0.5f * PI);
  EXPECT_TRUE(nearMatrix(camera, m.buildPRS(p, q, s) * minusHalfPiX, 1e-6));
}

TEST(Matrix, CameraLooksAtTarget) {
  const Vector3f eye(1, 2, 3), target(4, 6, 3);
  Matrix4x4Col view;
  view.setCamera(eye, target, 0);
  EXPECT_TRUE(isRotation(view));
  EXPECT_TRUE(nearVector(view * eye, Vector3f(), 1e-5));
  EXPECT_TRUE(nearVector(view * target, Vector3f(0, 0, -5), 1e-5));
  // The world's up stays up on screen.
  EXPECT_GT(view.multiplyVector(Vector3f(0, 1, 0)).y, 0);
  EXPECT_NEAR(view.multiplyVector(Vector3f(0, 1, 0)).x, 0, 1e-6);

  // Roll turns the picture about the viewing axis: this = RotZ(−roll)·view.
  Matrix4x4Col rolled, rotZ;
  rolled.setCamera(eye, target, 0.7f);
  rotZ.setRotZ(-0.7f);
  EXPECT_TRUE(nearMatrix(rolled, rotZ * view, 1e-6));

  Matrix4x4Col inverse;
  inverse.setCameraInv(eye, target, 0.7f);
  EXPECT_TRUE(isIdentity(inverse * rolled, 1e-5));
}

// Every builder's matrix times its inverse is the identity, its transpose
// mirrors it, and unprojecting a projected point finds it again.
TEST(Matrix, InverseUndoesEveryBuilder) {
  Matrix4x4Col sheared, scaledAbout, projection, infinite, prs;
  sheared.setScaleAndShear(Vector3f(2, 0.5f, 3), 0.3f, -0.2f, 0.7f);
  scaledAbout.setScale(Vector3f(2, 3, 4), Vector3f(1, -1, 2));
  projection.setProject(0.9f, 16.0f / 9.0f, 0.2f, 100.0f);
  infinite.setProjectInf(0.9f, 16.0f / 9.0f, 0.2f);
  prs.buildPRS(Vector3f(3, -1, 2), Quatf(2.1f, Vector3f(0.48f, 0.6f, 0.64f)), Vector3f(2, 0.5f, -3));
  const std::pair<const char*, Matrix4x4Col> rows[] = {
      {"scale and shear", sheared}, {"scale about a centre", scaledAbout}, {"projection", projection},
      {"projection without far plane", infinite}, {"PRS", prs}};
  for (const auto& row : rows) {
    Matrix4x4Col inverse, turned = row.second;
    ASSERT_TRUE(row.second.getInverse(inverse)) << row.first;
    EXPECT_TRUE(isIdentity(inverse * row.second, 1e-4)) << row.first;
    turned.transponate();
    for (int k = 0; k < 16; ++k) EXPECT_EQ(turned(k / 4, k % 4), row.second(k % 4, k / 4)) << row.first << " " << k;
  }
  EXPECT_TRUE(nearVector(scaledAbout * Vector3f(1, -1, 2), Vector3f(1, -1, 2), 1e-6)) << "the centre stays";
  Matrix4x4Col singular, unused;
  EXPECT_FALSE(singular.setScale(Vector3f(1, 0, 1)).getInverse(unused));

  Matrix4x4Col view, unproject;
  view.setCamera(Vector3f(1, 2, 3), Vector3f(4, 6, 3), 0.3f);
  ASSERT_TRUE((projection * view).getInverse(unproject));
  const Vector3f world(4, 5, 3.5f);
  const Vector4f clip = (projection * view) * Vector4f(world, 1.0f);
  EXPECT_TRUE(nearVector(unproject.getUnprojectedPoint(clip.getXYZ() / clip.w), world, 1e-3));
  const Vector3f ray = unproject.getUnprojectedDirection(Vector2f(clip.x / clip.w, clip.y / clip.w));
  EXPECT_TRUE(nearVector(ray, (world - Vector3f(1, 2, 3)).getNormalized(), 1e-4));
}

TEST(Quat, SlerpAndAngleAxis) {
  const Vector3f axis = Vector3f(0.48f, 0.6f, 0.64f);
  const Quatf a(0.4f, axis), b(2.0f, axis);
  EXPECT_TRUE(sameRotation(Quatf::slerp(a, b, 0), a, 1e-5));
  EXPECT_TRUE(sameRotation(Quatf::slerp(a, b, 1), b, 1e-5));
  EXPECT_TRUE(sameRotation(Quatf::slerp(a, b, 0.25f), Quatf(0.8f, axis), 1e-5));
  // the short way round, and nearly equal rotations without dividing by nought
  EXPECT_TRUE(sameRotation(Quatf::slerp(a, -b, 0.25f), Quatf(0.8f, axis), 1e-5));
  EXPECT_TRUE(sameRotation(Quatf::slerp(a, Quatf(0.4001f, axis), 0.5f), Quatf(0.40005f, axis), 1e-5));
  float angle = 0;
  Vector3f back;
  b.getAngleAxis(angle, back);
  EXPECT_NEAR(angle, 2.0f, 1e-5);
  EXPECT_TRUE(nearVector(back, axis, 1e-5));
  Quatf().getAngleAxis(angle, back);
  EXPECT_EQ(angle, 0);
  // opposite directions turn half way round
  const Vector3f from(0, 0, 1);
  EXPECT_TRUE(nearVector(Quatf(from, -from) * from, -from, 1e-5));
}

}  // namespace
