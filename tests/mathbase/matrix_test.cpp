#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "math_reference.h"
#include "mb_matrix4x4col.h"
#include "mb_quatf.h"
#include "test_support.h"

namespace {

using namespace zelkor::mathbase;
using mathref::isIdentity;
using mathref::M3;
using mathref::near3x3;
using mathref::nearMatrix;
using mathref::nearVector;

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

TEST(Matrix, ColumnMajorLayout) {
  Matrix4x4Col m = sample();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(m(r, c), m.mData[c * 4 + r]);
      EXPECT_EQ(m.getRow(r)[c], m(r, c));
      EXPECT_EQ(m.getColumn(c)[r], m(r, c));
    }
  Matrix4x4Col t;
  t.setTranslation(Vector3f(7, 8, 9));
  EXPECT_EQ(t[12], 7);
  EXPECT_EQ(t[13], 8);
  EXPECT_EQ(t[14], 9);
  EXPECT_EQ(t.getTranslation(), Vector3f(7, 8, 9));
  EXPECT_EQ(Matrix4x4Col(Vector3f(7, 8, 9)).getTranslation(), Vector3f(7, 8, 9));
  t.setTranslation(Vector4f(1, 2, 3, 0));
  EXPECT_TRUE(nearMatrix(t, Matrix4x4Col(Vector3f(1, 2, 3)), 0));
  Matrix4x4Col z;
  z.setZero();
  for (float value : z.mData) EXPECT_EQ(value, 0);
  m.transponate();
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m(r, c), sample()(c, r));
}

TEST(Matrix, ElementaryRotationsMatchTextbook) {
  for (float a : {0.0f, 0.3f, -1.2f, 2.9f}) {
    Matrix4x4Col m;
    EXPECT_TRUE(near3x3(m.setRotX(a), mathref::rot(0, a)));
    EXPECT_TRUE(near3x3(m.setRotY(a), mathref::rot(1, a)));
    EXPECT_TRUE(near3x3(m.setRotZ(a), mathref::rot(2, a)));
    EXPECT_EQ(m.getTranslation(), Vector3f());
    EXPECT_EQ(m[15], 1);
  }
  // Right-handed: a quarter turn about z takes x to y.
  Matrix4x4Col m;
  m.setRotZ(0.5f * PI);
  EXPECT_TRUE(nearVector(m * Vector3f(1, 0, 0), Vector3f(0, 1, 0), 1e-6));
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

TEST(Matrix, VectorProducts) {
  Matrix4x4Col m;
  m.buildPRS(Vector3f(10, 20, 30), Quatf(0.5f * PI, Vector3f(0, 0, 1)), Vector3f(2, 2, 2));
  EXPECT_TRUE(nearVector(m.multiply(Vector3f(1, 0, 0)), Vector3f(10, 22, 30), 1e-5));
  EXPECT_TRUE(nearVector(m * Vector3f(0, 1, 0), Vector3f(8, 20, 30), 1e-5));
  EXPECT_TRUE(nearVector(m.multiplyVector(Vector3f(1, 0, 0)), Vector3f(0, 2, 0), 1e-5));
  EXPECT_TRUE(nearVector(m.multiplyVectorWithTransponate(Vector3f(0, 2, 0)), Vector3f(4, 0, 0), 1e-5));

  const Matrix4x4Col a = sample();
  const Vector4f v(1, -2, 0.5f, 3);
  const Vector4f r = a * v;
  for (int row = 0; row < 4; ++row)
    EXPECT_FLOAT_EQ(r[row], a(row, 0) * v.x + a(row, 1) * v.y + a(row, 2) * v.z + a(row, 3) * v.w);
  // The 3-vector product ignores the bottom row: no division by w.
  const Vector3f p = a.multiply(Vector3f(1, -2, 0.5f));
  const Vector4f full = a.multiply(Vector4f(1, -2, 0.5f, 1));
  EXPECT_TRUE(nearVector(p, full.getXYZ(), 1e-5));
}

TEST(Matrix, InverseTimesMatrixIsIdentity) {
  Matrix4x4Col prs, projection, view;
  prs.buildPRS(Vector3f(1, -2, 3), Quatf(1.3f, Vector3f(0, 0.6f, 0.8f)), Vector3f(2, 0.5f, 4));
  projection.setProject(1.0f, 1.5f, 0.5f, 100.0f);
  view.setCamera(Vector3f(3, 4, 5), Vector3f(0, 1, 0), 0.3f);
  for (const Matrix4x4Col& m : {prs, projection, view, projection * view, sample()}) {
    Matrix4x4Col inverse;
    ASSERT_TRUE(m.getInverse(inverse));
    EXPECT_TRUE(isIdentity(inverse * m, 2e-4));
    EXPECT_TRUE(isIdentity(m * inverse, 2e-4));
  }
  Matrix4x4Col copy = prs;
  ASSERT_TRUE(copy.invert());
  Matrix4x4Col inverse;
  prs.getInverse(inverse);
  EXPECT_TRUE(nearMatrix(copy, inverse, 0));

  // A singular matrix has no inverse; the target keeps its values.
  Matrix4x4Col flat;
  flat.setScale(Vector3f(1, 0, 1));
  Matrix4x4Col untouched = sample();
  EXPECT_FALSE(flat.getInverse(untouched));
  EXPECT_TRUE(nearMatrix(untouched, sample(), 0));
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

TEST(Matrix, ScaleAndShearVariants) {
  Matrix4x4Col m;
  m.setScale(3.0f);
  EXPECT_TRUE(nearVector(m * Vector3f(1, 2, 3), Vector3f(3, 6, 9), 0));
  m.setScale(Vector3f(2, 3, 4), Vector3f(1, 1, 1));
  EXPECT_TRUE(nearVector(m * Vector3f(1, 1, 1), Vector3f(1, 1, 1), 0));  // the centre stays
  EXPECT_TRUE(nearVector(m * Vector3f(2, 2, 2), Vector3f(3, 4, 5), 0));
  m.setShear(0.5f, 0.25f, 2);
  EXPECT_TRUE(nearVector(m * Vector3f(1, 2, 4), Vector3f(1 + 1 + 1, 2 + 8, 4), 0));
  Matrix4x4Col scale, shear;
  scale.setScale(Vector3f(2, 3, 4));
  shear.setShear(0.5f, 0.25f, 2);
  EXPECT_TRUE(nearMatrix(m.setScaleAndShear(Vector3f(2, 3, 4), 0.5f, 0.25f, 2), scale * shear, 0));
}

TEST(Matrix, PerspectiveProjection) {
  Matrix4x4Col m;
  m.setProject(0.5f * PI, 2.0f, 1.0f, 10.0f);
  const float expected[16] = {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, -11.0f / 9, -1, 0, 0, -20.0f / 9, 0};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6) << i;
  // Near and far planes map to depth −1 and +1; the camera looks down −z.
  Vector4f nearPoint = m * Vector4f(0, 0, -1, 1), farPoint = m * Vector4f(0, 0, -10, 1);
  EXPECT_NEAR(nearPoint.z / nearPoint.w, -1, 1e-6);
  EXPECT_NEAR(farPoint.z / farPoint.w, 1, 1e-6);
  // The top edge of the frustum at the near plane is y = tan(fovY/2)·near.
  Vector4f top = m * Vector4f(0, 1, -1, 1);
  EXPECT_NEAR(top.y / top.w, 1, 1e-6);

  m.setProjectInf(0.5f * PI, 2.0f, 1.0f);
  EXPECT_EQ(m[10], -1);
  EXPECT_EQ(m[14], -2);
  EXPECT_EQ(m[0], 0.5f);
  Vector4f distant = m * Vector4f(0, 0, -1e6f, 1);
  EXPECT_NEAR(distant.z / distant.w, 1, 1e-5);
}

TEST(Matrix, OrthographicProjection) {
  Matrix4x4Col m;
  m.setProjectOrtho(-2, 6, -1, 3, 1, 5);
  EXPECT_FLOAT_EQ(m[0], 0.25f);
  EXPECT_FLOAT_EQ(m[5], 0.5f);
  EXPECT_FLOAT_EQ(m[10], 0.5f);  // positive: depth runs along +z
  EXPECT_FLOAT_EQ(m[12], -0.5f);
  EXPECT_FLOAT_EQ(m[13], -0.5f);
  EXPECT_FLOAT_EQ(m[14], -1.5f);
  EXPECT_TRUE(nearVector(m * Vector3f(-2, -1, 1), Vector3f(-1, -1, -1), 1e-6));
  EXPECT_TRUE(nearVector(m * Vector3f(6, 3, 5), Vector3f(1, 1, 1), 1e-6));
  m.setProjectOrtho2D(0, 640, 480, 0);
  EXPECT_TRUE(nearVector(m * Vector3f(0, 480, 0), Vector3f(-1, -1, 0), 1e-6));
  EXPECT_TRUE(nearVector(m * Vector3f(640, 0, 0), Vector3f(1, 1, 0), 1e-6));
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

TEST(Matrix, CameraLookingStraightUpOrDown) {
  Matrix4x4Col view;
  view.setCamera(Vector3f(1, 0, 2), Vector3f(1, 5, 2), 0);
  EXPECT_TRUE(isRotation(view));
  // d = (0, 1, 0), up = (−1, 0, 0): side = d × up = (0, 0, 1), up′ = side × d = (−1, 0, 0).
  EXPECT_TRUE(nearVector(view.getRow(0).getXYZ(), Vector3f(0, 0, 1), 1e-6));
  EXPECT_TRUE(nearVector(view.getRow(1).getXYZ(), Vector3f(-1, 0, 0), 1e-6));
  EXPECT_TRUE(nearVector(view.getRow(2).getXYZ(), Vector3f(0, -1, 0), 1e-6));
  EXPECT_TRUE(nearVector(view * Vector3f(1, 5, 2), Vector3f(0, 0, -5), 1e-5));

  view.setCamera(Vector3f(0, 3, 0), Vector3f(0, -2, 0), 0);
  EXPECT_TRUE(isRotation(view));
  EXPECT_TRUE(nearVector(view * Vector3f(0, -2, 0), Vector3f(0, 0, -5), 1e-5));

  // Almost vertical: the horizontal part is far too short to give a side.
  view.setCamera(Vector3f(0, 0, 0), Vector3f(1e-12f, 1, 0), 0);
  EXPECT_TRUE(isRotation(view));
}

TEST(Matrix, CameraWithEyeOnTargetStaysFinite) {
  kindra_test::StdoutCapture capture;
  Matrix4x4Col view;
  view.setCamera(Vector3f(1, 2, 3), Vector3f(1, 2, 3), 0);
  const std::string out = capture.finish();
  EXPECT_TRUE(isRotation(view));
  EXPECT_TRUE(nearVector(view * Vector3f(1, 2, 3), Vector3f(), 1e-6));
  EXPECT_NE(out.find("Assertion failed: d.length()>0.0000000001f"), std::string::npos) << out;
}

TEST(Matrix, UnprojectInvertsProjection) {
  Matrix4x4Col projection, view;
  projection.setProject(1.0f, 1.25f, 0.5f, 50.0f);
  const Vector3f eye(2, 1, 6);
  view.setCamera(eye, Vector3f(0, 0, 0), 0.2f);
  const Matrix4x4Col viewProjection = projection * view;
  Matrix4x4Col inverse;
  ASSERT_TRUE(viewProjection.getInverse(inverse));

  const Vector3f world(0.5f, -0.25f, 1);
  const Vector4f clip = viewProjection * Vector4f(world, 1);
  const Vector3f ndc = clip.getXYZ() / clip.w;
  EXPECT_TRUE(nearVector(inverse.getUnprojectedPoint(ndc), world, 1e-3));
  const Vector3f direction = inverse.getUnprojectedDirection(Vector2f(ndc.x, ndc.y));
  EXPECT_TRUE(nearVector(direction, (world - eye).getNormalized(), 1e-3));
}

}  // namespace
