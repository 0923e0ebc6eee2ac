#include "mb_matrix4x4col.h"

#include <cmath>
#include <cstring>

namespace zelkor {
namespace mathbase {

namespace {

// out = a·b; out must not be a or b.
inline void product(const float* a, const float* b, float* out) {
  for (int c = 0; c < 4; ++c) {
    const float b0 = b[c * 4], b1 = b[c * 4 + 1], b2 = b[c * 4 + 2], b3 = b[c * 4 + 3];
    for (int r = 0; r < 4; ++r) out[c * 4 + r] = a[r] * b0 + a[4 + r] * b1 + a[8 + r] * b2 + a[12 + r] * b3;
  }
}

// The camera's unit side, up and viewing directions.
void cameraBasis(const Vector3f& eye, const Vector3f& target, Vector3f& side, Vector3f& up, Vector3f& d) {
  d = target - eye;
  MB_ASSERT_OR(d.length()>0.0000000001f, d.set(0, 0, -1));
  d.normalize();
  // Looking (nearly) straight up or down, the world's up has no side to it.
  if (d.x * d.x + d.z * d.z <= 1e-20f)
    up.set(-d.y, 0, 0);
  else
    up.set(0, 1, 0);
  side = d.cross(up).normalize();
  up = side.cross(d);
}

}  // namespace

Matrix4x4Col& Matrix4x4Col::setIdentity() {
  static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  std::memcpy(mData, kIdentity, sizeof(mData));
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setZero() {
  for (float& value : mData) value = 0;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setTranslation(const Vector3f& t) {
  setIdentity();
  mData[12] = t.x;
  mData[13] = t.y;
  mData[14] = t.z;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setTranslation(const Vector4f& t) { return setTranslation(t.getXYZ()); }

Matrix4x4Col& Matrix4x4Col::setScale(const Vector3f& s) {
  setIdentity();
  mData[0] = s.x;
  mData[5] = s.y;
  mData[10] = s.z;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setScale(float s) { return setScale(Vector3f(s)); }

Matrix4x4Col& Matrix4x4Col::setScale(const Vector3f& s, const Vector3f& center) {
  setScale(s);
  mData[12] = center.x - s.x * center.x;
  mData[13] = center.y - s.y * center.y;
  mData[14] = center.z - s.z * center.z;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setShear(float xy, float xz, float yz) {
  setIdentity();
  (*this)(0, 1) = xy;
  (*this)(0, 2) = xz;
  (*this)(1, 2) = yz;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setScaleAndShear(const Vector3f& s, float xy, float xz, float yz) {
  Matrix4x4Col shear;
  shear.setShear(xy, xz, yz);
  return setScale(s).multiplyFromRight(shear);
}

Matrix4x4Col& Matrix4x4Col::setRotX(float a) { return setRotAxis(0, a); }
Matrix4x4Col& Matrix4x4Col::setRotY(float a) { return setRotAxis(1, a); }
Matrix4x4Col& Matrix4x4Col::setRotZ(float a) { return setRotAxis(2, a); }

Matrix4x4Col& Matrix4x4Col::setRotAxis(int axis, float a) {
  // Right-handed: turns the next axis (cyclically) towards the one after it.
  const int p = (axis + 1) % 3, q = (axis + 2) % 3;
  const float c = std::cos(a), s = std::sin(a);
  setIdentity();
  (*this)(p, p) = c;
  (*this)(p, q) = -s;
  (*this)(q, p) = s;
  (*this)(q, q) = c;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setRot(const Quatf& q) {
  float r[3][3];
  q.getRotation(r);
  setIdentity();
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column) (*this)(row, column) = r[row][column];
  return *this;
}

Matrix4x4Col& Matrix4x4Col::buildPRS(const Vector3f& p, const Quatf& q, const Vector3f& s) {
  setRot(q);
  for (int row = 0; row < 3; ++row) {
    (*this)(row, 0) *= s.x;
    (*this)(row, 1) *= s.y;
    (*this)(row, 2) *= s.z;
  }
  mData[12] = p.x;
  mData[13] = p.y;
  mData[14] = p.z;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::buildPRSinverse(const Vector3f& p, const Quatf& q, const Vector3f& s) {
  setScale(Vector3f(1.0f / s.x, 1.0f / s.y, 1.0f / s.z));
  multiplyFromRight(Matrix4x4Col(q.getInverse()));
  return multiplyFromRight(Matrix4x4Col(-p));
}

Matrix4x4Col& Matrix4x4Col::buildBlenderCamera(const Vector3f& p, const Quatf& q, const Vector3f& s) {
  Matrix4x4Col rot;
  rot.setRotX(-0.5f * PI);
  return buildPRS(p, q, s).multiplyFromRight(rot);
}

Matrix4x4Col& Matrix4x4Col::buildBlenderCameraInverse(const Vector3f& p, const Quatf& q, const Vector3f& s) {
  Matrix4x4Col rot;
  rot.setRotX(0.5f * PI);
  return buildPRSinverse(p, q, s).multiplyFromLeft(rot);
}

Matrix4x4Col& Matrix4x4Col::setProject(float fovY, float aspect, float zNear, float zFar) {
  const float top = std::tan(fovY * 0.5f) * zNear;
  const float bottom = -top;
  const float right = aspect * top;
  const float left = aspect * bottom;
  setZero();
  mData[0] = 2 * zNear / (right - left);
  mData[5] = 2 * zNear / (top - bottom);
  mData[8] = (right + left) / (right - left);
  mData[9] = (top + bottom) / (top - bottom);
  mData[10] = -(zFar + zNear) / (zFar - zNear);
  mData[11] = -1;
  mData[14] = -2 * zFar * zNear / (zFar - zNear);
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setProjectInf(float fovY, float aspect, float zNear) {
  setProject(fovY, aspect, zNear, 2 * zNear);  // the x and y terms do not depend on far
  mData[10] = -1;
  mData[14] = -2 * zNear;
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setProjectOrtho(float left, float right, float bottom, float top, float zNear,
                                            float zFar) {
  setIdentity();
  mData[0] = 2 / (right - left);
  mData[5] = 2 / (top - bottom);
  mData[10] = 2 / (zFar - zNear);
  mData[12] = -(right + left) / (right - left);
  mData[13] = -(top + bottom) / (top - bottom);
  mData[14] = -(zFar + zNear) / (zFar - zNear);
  return *this;
}

Matrix4x4Col& Matrix4x4Col::setCamera(const Vector3f& eye, const Vector3f& target, float roll) {
  Vector3f side, up, d;
  cameraBasis(eye, target, side, up, d);
  for (int column = 0; column < 3; ++column) {
    (*this)(0, column) = side[column];
    (*this)(1, column) = up[column];
    (*this)(2, column) = -d[column];
    (*this)(3, column) = 0;
  }
  mData[12] = -side.dot(eye);
  mData[13] = -up.dot(eye);
  mData[14] = d.dot(eye);
  mData[15] = 1;
  Matrix4x4Col rot;
  rot.setRotZ(-roll);
  return multiplyFromLeft(rot);
}

Matrix4x4Col& Matrix4x4Col::setCameraInv(const Vector3f& eye, const Vector3f& target, float roll) {
  Vector3f side, up, d;
  cameraBasis(eye, target, side, up, d);
  for (int row = 0; row < 3; ++row) {
    (*this)(row, 0) = side[row];
    (*this)(row, 1) = up[row];
    (*this)(row, 2) = -d[row];
    (*this)(row, 3) = eye[row];
    (*this)(3, row) = 0;
  }
  mData[15] = 1;
  Matrix4x4Col rot;
  rot.setRotZ(roll);
  return multiplyFromRight(rot);
}

Matrix4x4Col Matrix4x4Col::operator*(const Matrix4x4Col& b) const {
  Matrix4x4Col result;
  product(mData, b.mData, result.mData);
  return result;
}

Matrix4x4Col& Matrix4x4Col::multiplyFromRight(const Matrix4x4Col& b) {
  float result[16];
  product(mData, b.mData, result);
  std::memcpy(mData, result, sizeof(mData));
  return *this;
}

Matrix4x4Col& Matrix4x4Col::multiplyFromLeft(const Matrix4x4Col& b) {
  float result[16];
  product(b.mData, mData, result);
  std::memcpy(mData, result, sizeof(mData));
  return *this;
}

Matrix4x4Col& Matrix4x4Col::transponate() {
  for (int r = 0; r < 4; ++r)
    for (int c = r + 1; c < 4; ++c) {
      const float t = (*this)(r, c);
      (*this)(r, c) = (*this)(c, r);
      (*this)(c, r) = t;
    }
  return *this;
}

bool Matrix4x4Col::getInverse(Matrix4x4Col& result) const {
  // Cofactor expansion over 2×2 minors. It works on the array as stored, i.e.
  // on the transpose, whose inverse is the transpose of the inverse: so the
  // result is stored the same way.
  float a[4][4];
  std::memcpy(a, mData, sizeof(a));
  const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (det == 0 || !std::isfinite(det)) return false;
  const float k = 1.0f / det;
  const float out[16] = {
      (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k, (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k,
      (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k, (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k,
      (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k, (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k,
      (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k, (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k,
      (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k, (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k,
      (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k, (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k,
      (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k, (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k,
      (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k, (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k};
  std::memcpy(result.mData, out, sizeof(out));
  return true;
}

Euler Matrix4x4Col::getEuler(RotationOrder order) const {
  float r[3][3];
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column) r[row][column] = (*this)(row, column);
  return Euler::fromRotation(r, order);
}

Vector3f Matrix4x4Col::getUnprojectedPoint(const Vector3f& ndc) const {
  const Vector4f p = multiply(Vector4f(ndc, 1.0f));
  if (p.w == 0) return p.getXYZ();  // a point at infinity: its direction
  return p.getXYZ() / p.w;
}

Vector3f Matrix4x4Col::getUnprojectedDirection(const Vector2f& ndc) const {
  const Vector3f nearPoint = getUnprojectedPoint(Vector3f(ndc.x, ndc.y, -1.0f));
  const Vector3f farPoint = getUnprojectedPoint(Vector3f(ndc.x, ndc.y, 1.0f));
  return (farPoint - nearPoint).normalize();
}

}  // namespace mathbase
}  // namespace zelkor
