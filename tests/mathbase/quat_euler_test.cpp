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
using mathref::nearMatrix;
using mathref::nearVector;
using mathref::orderName;
using mathref::sameRotation;

const RotationOrder::Order kOrders[6] = {RotationOrder::XYZ, RotationOrder::XZY, RotationOrder::YXZ,
                                         RotationOrder::ZXY, RotationOrder::YZX, RotationOrder::ZYX};

// Quaternion → matrix → Euler → quaternion, in every order, including the
// gimbal-locked middle angle of ±π/2 and
// angles just short of it.
// The reversed order of every order (its name read backwards) and back again.
TEST(RotationOrderTest, InvertingReversesTheOrder) {
  for (RotationOrder::Order order : kOrders) {
    RotationOrder r(order);
    const std::string name = orderName(order);
    r.invert();
    EXPECT_EQ(orderName(r.asInt()), std::string(name.rbegin(), name.rend()));
    EXPECT_EQ(r.getInverse(), order);
  }
  // an order outside the six leaves a quaternion as it was, and says so
  kindra_test::StdoutCapture capture;
  Quatf q(0.6f, 0, 0.8f, 0);
  q.setEuler(Euler(Vector3f(1, 2, 3), RotationOrder(6)));
  EXPECT_NE(capture.finish().find("Assertion failed: order >= RotationOrder::XYZ"), std::string::npos);
  EXPECT_EQ(q, Quatf(0.6f, 0, 0.8f, 0));
}

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

}  // namespace
