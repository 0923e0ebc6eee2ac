#pragma once
// Immediate-mode drawing on the fixed-function pipeline, for the editor, the
// progress bar and simple effects.

#include <string>

#include "mb_matrix4x4col.h"
#include "mb_vector3.h"
#include "mb_vector4.h"

namespace zelkor {
namespace display {

class DisplayObsolete {
 public:
  enum FillMode { SOLID = 0, WIRE = 1 };

  static void setColor(float r, float g, float b, float a);
  // Perspective projection, field of view in radians, loaded into GL_PROJECTION.
  static void setProject(float fovy, float aspect, float znear, float zfar);
  static void setProject(const mathbase::Matrix4x4Col& matrix);
  // The model-view matrix is camera x transform.
  static void setCamera(const mathbase::Matrix4x4Col& matrix);
  static void setTransform(const mathbase::Matrix4x4Col& matrix);
  static void setModelView();

  static void drawLine(float x1, float y1, float x2, float y2);
  static void drawBox(float x1, float y1, float x2, float y2, FillMode mode);
  // A frame whose sides are bands reaching thicknessX (left, right) and
  // thicknessY (top, bottom) to both sides of the rectangle's edges.
  static void drawBox(float x1, float y1, float x2, float y2, float thicknessX, float thicknessY, FillMode mode);
  static void drawCircle(float x, float y, float radius, FillMode mode);
  // A ring of the given thickness centred on the radius.
  static void drawCircle(float x, float y, float radius, float thickness, FillMode mode);
  // A band of width pSize from pPos1 to pPos2, facing across pForward, with
  // half-disc ends of pPoints segments when pRounded.
  static void drawLine(const mathbase::Vector3f& pPos1, const mathbase::Vector3f& pPos2,
                       const mathbase::Vector3f& pForward, float pSize, bool pRounded, int pPoints);
  // Axis-aligned boxes around pos.
  static void drawBox(const mathbase::Vector3f& pos, const mathbase::Vector3f& halfSizes);
  static void drawBoxWire(const mathbase::Vector3f& pos, const mathbase::Vector3f& halfSizes);

  // A quad over the whole target in clip space, texture coordinates 0..1:
  // the matrices and the state in use are left as they are.
  static void drawScreenQuad();

  // "rrggbb" or "rrggbbaa" (any case) as a colour; alpha 1 unless given.
  static mathbase::Vector4f hex2vec(const std::string& text);

 private:
  static mathbase::Matrix4x4Col mCameraMatrix;
  static mathbase::Matrix4x4Col mTransformMatrix;
};

}  // namespace display
}  // namespace zelkor
