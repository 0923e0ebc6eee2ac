#pragma once
// Column-major 4×4 float matrix: element (row r, column c) is mData[c·4 + r],
// the translation is mData[12..14]. Matrices multiply column vectors (p' = M·p)
// and are handed to OpenGL as they are.

#include <type_traits>

#include "mb_euler.h"
#include "mb_quatf.h"
#include "mb_vector2.h"
#include "mb_vector3.h"
#include "mb_vector4.h"

namespace zelkor {
namespace mathbase {

class Matrix4x4Col {
 public:
  float mData[16];

  Matrix4x4Col() {}  // values left undefined, as for a plain array
  explicit Matrix4x4Col(const float* p) {
    for (int i = 0; i < 16; ++i) mData[i] = p[i];
  }
  explicit Matrix4x4Col(const Quatf& q) { setRot(q); }
  explicit Matrix4x4Col(const Vector3f& t) { setTranslation(t); }

  float& operator[](int i) { return mData[i]; }
  const float& operator[](int i) const { return mData[i]; }
  float& operator()(int row, int column) { return mData[column * 4 + row]; }
  const float& operator()(int row, int column) const { return mData[column * 4 + row]; }
  float* data() { return mData; }
  const float* data() const { return mData; }

  Vector4f getColumn(int i) const { return Vector4f(mData + i * 4); }
  Vector4f getRow(int i) const { return Vector4f(mData[i], mData[4 + i], mData[8 + i], mData[12 + i]); }
  Vector3f getTranslation() const { return Vector3f(mData[12], mData[13], mData[14]); }

  Matrix4x4Col& setIdentity();
  Matrix4x4Col& setZero();
  Matrix4x4Col& setTranslation(const Vector3f& t);
  Matrix4x4Col& setTranslation(const Vector4f& t);  // w is ignored
  Matrix4x4Col& setScale(const Vector3f& s);
  Matrix4x4Col& setScale(float s);
  Matrix4x4Col& setScale(const Vector3f& s, const Vector3f& center);  // fixed point at center
  // x' = x + xy·y + xz·z, y' = y + yz·z, z' = z.
  Matrix4x4Col& setShear(float xy, float xz, float yz);
  // setScale(s) · setShear(xy, xz, yz).
  Matrix4x4Col& setScaleAndShear(const Vector3f& s, float xy, float xz, float yz);
  Matrix4x4Col& setRotX(float a);
  Matrix4x4Col& setRotY(float a);
  Matrix4x4Col& setRotZ(float a);
  Matrix4x4Col& setRotAxis(int axis, float a);  // 0 = x, 1 = y, 2 = z
  Matrix4x4Col& setRot(const Quatf& q);
  Matrix4x4Col& setRot(const Euler& e) { return setRot(Quatf(e)); }

  // T(p)·R(q)·S(s) and its inverse S(1/s)·R(q⁻¹)·T(−p).
  Matrix4x4Col& buildPRS(const Vector3f& p, const Quatf& q, const Vector3f& s);
  Matrix4x4Col& buildPRSinverse(const Vector3f& p, const Quatf& q, const Vector3f& s);
  // buildPRS followed by a rotation of −π/2 about x, and the inverse of that.
  Matrix4x4Col& buildBlenderCamera(const Vector3f& p, const Quatf& q, const Vector3f& s);
  Matrix4x4Col& buildBlenderCameraInverse(const Vector3f& p, const Quatf& q, const Vector3f& s);

  // Perspective frustum (fovY in radians) and its variant without a far plane.
  Matrix4x4Col& setProject(float fovY, float aspect, float zNear, float zFar);
  Matrix4x4Col& setProjectInf(float fovY, float aspect, float zNear);
  // Maps depth zNear to −1 and zFar to +1 along +z.
  Matrix4x4Col& setProjectOrtho(float left, float right, float bottom, float top, float zNear, float zFar);
  Matrix4x4Col& setProjectOrtho2D(float left, float right, float bottom, float top) {
    return setProjectOrtho(left, right, bottom, top, -1.0f, 1.0f);
  }

  // View matrix looking from eye at target, rolled by roll radians, and its
  // inverse (camera to world).
  Matrix4x4Col& setCamera(const Vector3f& eye, const Vector3f& target, float roll);
  Matrix4x4Col& setCameraInv(const Vector3f& eye, const Vector3f& target, float roll);

  // Products go through a temporary, so a.multiplyFromRight(a) is safe.
  Matrix4x4Col& multiplyFromRight(const Matrix4x4Col& b);  // this = this·b
  Matrix4x4Col& multiplyFromLeft(const Matrix4x4Col& b);   // this = b·this
  Matrix4x4Col& operator*=(const Matrix4x4Col& b) { return multiplyFromRight(b); }
  Matrix4x4Col operator*(const Matrix4x4Col& b) const;

  // M·(p, 1) without the division by w.
  Vector3f multiply(const Vector3f& p) const {
    const float* m = mData;
    return Vector3f(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                    m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
  }
  Vector4f multiply(const Vector4f& v) const {
    const float* m = mData;
    return Vector4f(m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w,
                    m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
                    m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w,
                    m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w);
  }
  Vector3f operator*(const Vector3f& p) const { return multiply(p); }
  Vector4f operator*(const Vector4f& v) const { return multiply(v); }
  // Upper 3×3 times v: a direction, no translation.
  Vector3f multiplyVector(const Vector3f& v) const {
    const float* m = mData;
    return Vector3f(m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                    m[2] * v.x + m[6] * v.y + m[10] * v.z);
  }
  // Transpose of the upper 3×3 times v (the inverse rotation of v).
  Vector3f multiplyVectorWithTransponate(const Vector3f& v) const {
    const float* m = mData;
    return Vector3f(m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
                    m[8] * v.x + m[9] * v.y + m[10] * v.z);
  }

  Matrix4x4Col& transponate();
  // General inverse; a singular matrix leaves result unchanged and gives false.
  bool getInverse(Matrix4x4Col& result) const;
  bool invert() { return getInverse(*this); }

  // Euler angles in the given order of the upper 3×3, which must be a rotation.
  Euler getEuler(RotationOrder order) const;

  // With this the inverse of projection·view: the world point at normalized
  // device coordinates ndc (each −1…1), and the unit direction of the ray from
  // the near to the far plane through ndc.
  Vector3f getUnprojectedPoint(const Vector3f& ndc) const;
  Vector3f getUnprojectedDirection(const Vector2f& ndc) const;
};

static_assert(sizeof(Matrix4x4Col) == 16 * sizeof(float), "Matrix4x4Col is 16 floats");
static_assert(std::is_trivially_copyable<Matrix4x4Col>::value, "handed to OpenGL as raw floats");

}  // namespace mathbase
}  // namespace zelkor
