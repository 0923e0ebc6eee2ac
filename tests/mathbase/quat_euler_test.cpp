#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "math_reference.h"
#include "mb_euler.h"
#include "mb_matrix4x4col.h"
#include "mb_quatf.h"
#include "test_support.h"

namespace {

using namespace zelkor::mathbase;
using mathref::isIdentity;
using mathref::near3x3;
using mathref::nearMatrix;
using mathref::nearVector;
using mathref::orderName;
using mathref::sameRotation;

const RotationOrder::Order kOrders[6] = {RotationOrder::XYZ, RotationOrder::XZY, RotationOrder::YXZ,
                                         RotationOrder::ZXY, RotationOrder::YZX, RotationOrder::ZYX};

// Rodrigues' formula in double: rotation by angle about a unit axis.
mathref::M3 axisAngle(double angle, double x, double y, double z) {
  const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  return {{{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
           {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
           {t * x * z - s * y, t * y * z + s * x, t * z * z + c}}};
}

TEST(RotationOrderTest, InverseIsTheReversedOrder) {
  EXPECT_EQ(RotationOrder().asInt(), RotationOrder::XYZ);
  EXPECT_EQ(RotationOrder(RotationOrder::XYZ).getInverse(), RotationOrder::ZYX);
  EXPECT_EQ(RotationOrder(RotationOrder::YXZ).getInverse(), RotationOrder::ZXY);
  EXPECT_EQ(RotationOrder(RotationOrder::XZY).getInverse(), RotationOrder::YZX);
  for (RotationOrder::Order order : kOrders) {
    RotationOrder r(order);
    const std::string name = orderName(order);
    r.invert();
    EXPECT_EQ(orderName(r.asInt()), std::string(name.rbegin(), name.rend()));
    EXPECT_EQ(r.getInverse(), order);
  }
}

TEST(Quaternion, ComponentsAndElementaryRotations) {
  const Quatf identity;
  EXPECT_EQ(identity, Quatf(1, 0, 0, 0));
  const Quatf q(1, 2, 3, 4);
  EXPECT_EQ(q.w, 1);
  EXPECT_EQ(q.z, 4);
  const float c = std::cos(0.35f), s = std::sin(0.35f);
  Quatf r;
  EXPECT_EQ(r.setRotX(0.7f), Quatf(c, s, 0, 0));
  EXPECT_EQ(r.setRotY(0.7f), Quatf(c, 0, s, 0));
  EXPECT_EQ(r.setRotZ(0.7f), Quatf(c, 0, 0, s));
  EXPECT_EQ(Quatf(0.7f, Vector3f(0, 2, 0)), Quatf(c, 0, 2 * s, 0));  // the axis is not normalized

  EXPECT_EQ(q + Quatf(1, 1, 1, 1), Quatf(2, 3, 4, 5));
  EXPECT_EQ(q - Quatf(1, 1, 1, 1), Quatf(0, 1, 2, 3));
  EXPECT_EQ(q * 2.0f, Quatf(2, 4, 6, 8));
  EXPECT_FLOAT_EQ(q.length2(), 30);
  EXPECT_FLOAT_EQ(q.length(), std::sqrt(30.0f));
  EXPECT_FLOAT_EQ(q.getNormalized().length(), 1);
  EXPECT_EQ(q.getInverse(), Quatf(1, -2, -3, -4));
  Quatf inverted = q;
  EXPECT_EQ(inverted.invert(), q.getInverse());
}

TEST(Quaternion, HamiltonProductAppliesRightOperandFirst) {
  const Quatf a(1, 2, 3, 4), b(-0.5f, 1.5f, 0.25f, -2);
  const Quatf p = a * b;
  EXPECT_FLOAT_EQ(p.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
  EXPECT_FLOAT_EQ(p.x, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y);
  EXPECT_FLOAT_EQ(p.y, a.w * b.y + a.y * b.w + a.z * b.x - a.x * b.z);
  EXPECT_FLOAT_EQ(p.z, a.w * b.z + a.z * b.w + a.x * b.y - a.y * b.x);
  Quatf c = a;
  c *= b;
  EXPECT_EQ(c, p);

  const Quatf q1(0.9f, Vector3f(0, 0.6f, 0.8f)), q2(-1.7f, Vector3f(0.48f, 0.6f, 0.64f));
  const Vector3f v(1, -2, 0.5f);
  EXPECT_TRUE(nearVector((q1 * q2) * v, q1 * (q2 * v), 1e-5));
  EXPECT_TRUE(nearMatrix(Matrix4x4Col(q1 * q2), Matrix4x4Col(q1) * Matrix4x4Col(q2), 1e-5));
  EXPECT_TRUE(sameRotation(q1 * q1.getInverse(), Quatf()));
}

TEST(Quaternion, MatrixMatchesRodrigues) {
  const Vector3f axes[] = {Vector3f(1, 0, 0), Vector3f(0, 1, 0), Vector3f(0, 0, 1), Vector3f(0.48f, 0.6f, 0.64f),
                           Vector3f(-0.6f, 0, 0.8f)};
  for (const Vector3f& axis : axes)
    for (float angle : {0.0f, 0.4f, -2.2f, 3.1f}) {
      const Quatf q(angle, axis);
      const Matrix4x4Col m(q);
      EXPECT_TRUE(near3x3(m, axisAngle(angle, axis.x, axis.y, axis.z)));
      EXPECT_EQ(m.getTranslation(), Vector3f());
      EXPECT_EQ(m.getRow(3), Vector4f(0, 0, 0, 1));
      const Vector3f v(0.3f, -1, 2);
      EXPECT_TRUE(nearVector(q * v, m.multiply(v), 1e-6));
      EXPECT_TRUE(nearVector(v * q, m.multiply(v), 1e-6));
      const Vector4f v4 = q * Vector4f(v, 7);
      EXPECT_TRUE(nearVector(v4.getXYZ(), m.multiply(v), 1e-6));
      EXPECT_EQ(v4.w, 7);
    }
}

TEST(Quaternion, AngleAxisRoundTrip) {
  const Quatf q(1.25f, Vector3f(0.48f, 0.6f, 0.64f));
  float angle = 0;
  Vector3f axis;
  q.getAngleAxis(angle, axis);
  EXPECT_NEAR(angle, 1.25f, 1e-5);
  EXPECT_TRUE(nearVector(axis, Vector3f(0.48f, 0.6f, 0.64f), 1e-5));
  // No rotation: angle 0 and some finite unit axis.
  Quatf().getAngleAxis(angle, axis);
  EXPECT_EQ(angle, 0);
  EXPECT_FLOAT_EQ(axis.length(), 1);
  // Slightly more than unit length must not give NaN.
  Quatf(1.0000001f, 0, 0, 0).getAngleAxis(angle, axis);
  EXPECT_EQ(angle, 0);
}

TEST(Quaternion, NormalizeOfZeroQuaternionKeepsIt) {
  kindra_test::StdoutCapture capture;
  Quatf zero(0, 0, 0, 0);
  zero.normalize();
  const std::string out = capture.finish();
  EXPECT_EQ(zero, Quatf(0, 0, 0, 0));
  EXPECT_NE(out.find("Assertion failed: length>0"), std::string::npos) << out;
}

TEST(Euler, OneAngleEqualsElementaryRotation) {
  Quatf q;
  q.setEuler(Euler(0, 0, 0.5f * PI, RotationOrder::XYZ));
  Quatf z;
  z.setRotZ(0.5f * PI);
  EXPECT_EQ(q, z);
  Matrix4x4Col mz;
  mz.setRotZ(0.5f * PI);
  EXPECT_TRUE(nearMatrix(Matrix4x4Col(q), mz, 1e-6));

  // The order matters as soon as two angles are non-zero.
  const Quatf xyz(Euler(0.4f, 0.9f, 0, RotationOrder::XYZ)), yxz(Euler(0.4f, 0.9f, 0, RotationOrder::YXZ));
  EXPECT_FALSE(sameRotation(xyz, yxz, 1e-3));
  EXPECT_TRUE(sameRotation(Quatf(Euler(0.4f, 0, 0, RotationOrder::XYZ)), Quatf(Euler(0.4f, 0, 0, RotationOrder::YXZ))));
}

// Every order composes the elementary rotations as its letters read, left to
// right (so the last letter is applied first).
TEST(Euler, EveryOrderMatchesComposedElementaryRotations) {
  const float angles[][3] = {{0.3f, -0.8f, 1.9f}, {-2.5f, 0.1f, 0.7f}, {1.2f, 1.4f, -3.0f}};
  for (RotationOrder::Order order : kOrders)
    for (const auto& a : angles) {
      const Euler e(a[0], a[1], a[2], order);
      Quatf q;
      q = e;
      EXPECT_TRUE(near3x3(Matrix4x4Col(q), mathref::euler(a[0], a[1], a[2], orderName(order))))
          << orderName(order);
      EXPECT_TRUE(nearMatrix(Matrix4x4Col().setRot(e), Matrix4x4Col(q), 0));
    }
}

// Quaternion → matrix → Euler → quaternion, in every order, including the
// gimbal-locked middle angle of ±π/2 and
// angles just short of it.
TEST(Euler, RoundTripsInEveryOrder) {
  const float angles[][3] = {{0.3f, -0.8f, 1.9f}, {-2.5f, 0.1f, 0.7f}, {3.0f, -1.5f, -0.2f}, {0, 0, 0}};
  for (RotationOrder::Order order : kOrders) {
    int first, second, third;
    RotationOrder(order).getAxes(first, second, third);
    std::vector<Euler> cases;
    for (const auto& a : angles) cases.emplace_back(a[0], a[1], a[2], order);
    for (float sign : {1.0f, -1.0f})
      for (float offset : {0.0f, 3e-4f, 2e-6f}) {
        Euler locked(0.4f, -1.1f, 0.9f, order);
        locked.angles[second] = sign * (0.5f * PI - offset);
        cases.push_back(locked);
      }
    for (const Euler& e : cases) {
      SCOPED_TRACE(std::string(orderName(order)) + " " + std::to_string(e.angles.x) + " " +
                   std::to_string(e.angles.y) + " " + std::to_string(e.angles.z));
      const Quatf q(e);
      const Matrix4x4Col m(q);
      const Euler fromMatrix = m.getEuler(order);
      const Euler fromQuat = q.getEuler(order);
      EXPECT_EQ(fromMatrix.order, order);
      EXPECT_TRUE(sameRotation(Quatf(fromMatrix), q, 1e-5));
      EXPECT_TRUE(sameRotation(Quatf(fromQuat), q, 1e-5));
      EXPECT_TRUE(nearMatrix(Matrix4x4Col(Quatf(fromMatrix)), m, 2e-5));
      if (std::fabs(e.angles[second]) < 1.5f) {
        // Inside the principal range the angles themselves come back.
        EXPECT_TRUE(nearVector(fromMatrix.angles, e.angles, 1e-4));
      }
    }
  }
}

TEST(Euler, InvalidOrderLeavesQuaternionUnchanged) {
  kindra_test::StdoutCapture capture;
  Quatf q(0.6f, 0, 0.8f, 0);
  q.setEuler(Euler(Vector3f(1, 2, 3), RotationOrder(6)));
  const Quatf fromBad(Euler(Vector3f(1, 2, 3), RotationOrder(-1)));
  const std::string out = capture.finish();
  EXPECT_EQ(q, Quatf(0.6f, 0, 0.8f, 0));
  EXPECT_EQ(fromBad, Quatf());
  EXPECT_NE(out.find("Assertion failed: order >= RotationOrder::XYZ && order <= RotationOrder::ZYX"),
            std::string::npos)
      << out;
}

TEST(Orientation, TurnsFromIntoTo) {
  const Vector3f from = Vector3f(1, 2, -0.5f).getNormalized(), to = Vector3f(-0.3f, 0.2f, 1).getNormalized();
  const Quatf q(from, to);
  EXPECT_TRUE(nearVector(q * from, to, 1e-5));
  EXPECT_FLOAT_EQ(q.length(), 1);
  // The axis is at right angles to both: it turns the plane of the two only.
  const Vector3f normal = from.cross(to).getNormalized();
  EXPECT_TRUE(nearVector(q * normal, normal, 1e-5));

  EXPECT_EQ(Quatf(from, from), Quatf());
  Quatf nearlySame;
  nearlySame.setOrientation(Vector3f(1, 0, 0), Vector3f(1, 1e-4f, 0).getNormalized());
  EXPECT_EQ(nearlySame, Quatf());
}

// Opposite vectors still get a rotation that turns one into the other.
TEST(Orientation, OppositeVectorsGetHalfTurn) {
  for (const Vector3f& from : {Vector3f(1, 0, 0), Vector3f(0, -1, 0), Vector3f(0.48f, 0.6f, 0.64f)}) {
    const Quatf q(from, -from);
    EXPECT_TRUE(nearVector(q * from, -from, 1e-5));
    EXPECT_NEAR(q.w, 0, 1e-6);
    EXPECT_FLOAT_EQ(q.length(), 1);
  }
}

TEST(Slerp, EndPointsAndConstantSpeed) {
  const Quatf a(0.3f, Vector3f(0, 0, 1)), b(1.9f, Vector3f(0.48f, 0.6f, 0.64f));
  EXPECT_EQ(Quatf::slerp(a, b, 0), a);
  EXPECT_EQ(Quatf::slerp(a, b, 1), b);
  const float total = 2 * std::acos(std::fabs(a.dot(b)));
  for (float t : {0.25f, 0.5f, 0.8f}) {
    const Quatf q = Quatf::slerp(a, b, t);
    EXPECT_NEAR(q.length(), 1, 1e-6);
    EXPECT_NEAR(2 * std::acos(std::fmin(1.0f, std::fabs(q.dot(a)))), t * total, 1e-4);
    EXPECT_NEAR(2 * std::acos(std::fmin(1.0f, std::fabs(q.dot(b)))), (1 - t) * total, 1e-4);
  }
}

// b and −b are the same rotation; the interpolation takes the shorter way.
TEST(Slerp, TakesTheShortestPath) {
  const Quatf a(0.2f, Vector3f(0, 1, 0)), b(-0.2f, Vector3f(0, 1, 0));
  const Quatf mid = Quatf::slerp(a, -b, 0.5f);
  EXPECT_TRUE(sameRotation(mid, Quatf()));
  EXPECT_TRUE(sameRotation(Quatf::slerp(a, -b, 1), b));
  EXPECT_EQ(Quatf::slerp(a, -b, 1), b);

  // 350° apart one way is 10° the other.
  const Quatf c(0, Vector3f(0, 0, 1)), d(350.0f * PI / 180, Vector3f(0, 0, 1));
  const Quatf half = Quatf::slerp(c, d, 0.5f);
  EXPECT_TRUE(sameRotation(half, Quatf(-5.0f * PI / 180, Vector3f(0, 0, 1))));

  // Nearly equal rotations stay unit and between the two.
  const Quatf e(0.5f, Vector3f(1, 0, 0)), f(0.5001f, Vector3f(1, 0, 0));
  const Quatf g = Quatf::slerp(e, f, 0.5f);
  EXPECT_NEAR(g.length(), 1, 1e-6);
  EXPECT_TRUE(sameRotation(g, Quatf(0.50005f, Vector3f(1, 0, 0)), 1e-6));
}

}  // namespace
