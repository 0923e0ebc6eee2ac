#include "dis_display_obsolete.h"

#include <algorithm>
#include <cmath>

#include "dis_glinclude.h"

namespace zelkor {
namespace display {

using mathbase::Matrix4x4Col;
using mathbase::Vector3f;
using mathbase::Vector4f;

namespace {
const float kTwoPi = 6.28318530718f;

Matrix4x4Col identity() {
  Matrix4x4Col m;
  m.setIdentity();
  return m;
}

void vertex(const Vector3f& v) { glVertex3f(v.x, v.y, v.z); }

void circlePoints(float x, float y, float radius, int count) {
  for (int i = 0; i < count; ++i) {
    const float angle = kTwoPi * static_cast<float>(i) / 32.0f;
    glVertex2f(x + std::cos(angle) * radius, y + std::sin(angle) * radius);
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}
}  // namespace

Matrix4x4Col DisplayObsolete::mCameraMatrix = identity();
Matrix4x4Col DisplayObsolete::mTransformMatrix = identity();

void DisplayObsolete::setColor(float r, float g, float b, float a) { glColor4f(r, g, b, a); }

void DisplayObsolete::setProject(float fovy, float aspect, float znear, float zfar) {
  Matrix4x4Col matrix;
  matrix.setProject(fovy, aspect, znear, zfar);
  setProject(matrix);
}

void DisplayObsolete::setProject(const Matrix4x4Col& matrix) {
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(matrix.mData);
  glMatrixMode(GL_MODELVIEW);
}

void DisplayObsolete::setCamera(const Matrix4x4Col& matrix) {
  mCameraMatrix = matrix;
  setModelView();
}

void DisplayObsolete::setTransform(const Matrix4x4Col& matrix) {
  mTransformMatrix = matrix;
  setModelView();
}

void DisplayObsolete::setModelView() {
  const Matrix4x4Col modelView = mCameraMatrix * mTransformMatrix;
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(modelView.mData);
}

void DisplayObsolete::drawLine(float x1, float y1, float x2, float y2) {
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
}

void DisplayObsolete::drawBox(float x1, float y1, float x2, float y2, FillMode mode) {
  glBegin(mode == WIRE ? GL_LINE_LOOP : GL_QUADS);
  glVertex2f(x1, y1);
  glVertex2f(x2, y1);
  glVertex2f(x2, y2);
  glVertex2f(x1, y2);
  glEnd();
}

void DisplayObsolete::drawBox(float x1, float y1, float x2, float y2, float thicknessX, float thicknessY,
                              FillMode mode) {
  const float tx = thicknessX;
  const float ty = thicknessY;
  if (mode == WIRE) {
    drawBox(x1 - tx, y1 - ty, x2 + tx, y2 + ty, WIRE);
    drawBox(x1 + tx, y1 + ty, x2 - tx, y2 - ty, WIRE);
    return;
  }
  drawBox(x1 - tx, y1 - ty, x2 + tx, y1 + ty, SOLID);  // first horizontal side
  drawBox(x1 - tx, y2 - ty, x2 + tx, y2 + ty, SOLID);  // second horizontal side
  drawBox(x1 - tx, y1 + ty, x1 + tx, y2 - ty, SOLID);  // vertical sides between them
  drawBox(x2 - tx, y1 + ty, x2 + tx, y2 - ty, SOLID);
}

void DisplayObsolete::drawCircle(float x, float y, float radius, FillMode mode) {
  if (radius <= 0.0f) return;
  if (mode == WIRE) {
    glBegin(GL_LINE_LOOP);
    circlePoints(x, y, radius, 32);
  } else {
    glBegin(GL_TRIANGLE_FAN);
    glVertex2f(x, y);
    circlePoints(x, y, radius, 33);
  }
  glEnd();
}

void DisplayObsolete::drawCircle(float x, float y, float radius, float thickness, FillMode mode) {
  if (radius <= 0.0f) return;
  const float inner = std::max(0.0f, radius - thickness * 0.5f);
  const float outer = radius + thickness * 0.5f;
  if (mode == WIRE) {
    drawCircle(x, y, outer, WIRE);
    drawCircle(x, y, inner, WIRE);
    return;
  }
  glBegin(GL_QUAD_STRIP);
  for (int i = 0; i < 33; ++i) {
    const float angle = kTwoPi * static_cast<float>(i) / 32.0f;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    glVertex2f(x + c * inner, y + s * inner);
    glVertex2f(x + c * outer, y + s * outer);
  }
  glEnd();
}

void DisplayObsolete::drawLine(const Vector3f& pPos1, const Vector3f& pPos2, const Vector3f& pForward, float pSize,
                               bool pRounded, int pPoints) {
  const Vector3f along = pPos2 - pPos1;
  Vector3f side = along.cross(pForward);
  // a line of no length, or one along the viewing direction, has no width direction
  if (along.length() <= 1e-10f || side.length() <= 1e-10f) return;
  const float half = pSize * 0.5f;
  side = side * (half / side.length());
  const Vector3f direction = along * (half / along.length());

  glBegin(GL_QUADS);
  vertex(pPos1 - side);
  vertex(pPos1 + side);
  vertex(pPos2 + side);
  vertex(pPos2 - side);
  glEnd();

  if (!pRounded || pPoints <= 0) return;
  const float pi = kTwoPi * 0.5f;
  for (int end = 0; end < 2; ++end) {
    const Vector3f centre = end == 0 ? pPos2 : pPos1;
    const Vector3f outward = end == 0 ? direction : -direction;
    const Vector3f across = end == 0 ? side : -side;
    glBegin(GL_TRIANGLE_FAN);
    vertex(centre);
    for (int i = 0; i <= pPoints; ++i) {
      const float angle = pi * static_cast<float>(i) / static_cast<float>(pPoints);
      vertex(centre + across * std::cos(angle) + outward * std::sin(angle));
    }
    glEnd();
  }
}

namespace {
// Corner k of a box: bit 0 picks x, bit 1 y, bit 2 z.
Vector3f corner(const Vector3f& pos, const Vector3f& half, int k) {
  return Vector3f(pos.x + ((k & 1) ? half.x : -half.x), pos.y + ((k & 2) ? half.y : -half.y),
                  pos.z + ((k & 4) ? half.z : -half.z));
}
}  // namespace

void DisplayObsolete::drawBox(const Vector3f& pos, const Vector3f& halfSizes) {
  // faces as corner indices, counter-clockwise seen from outside
  static const int kFaces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  static const float kNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  glBegin(GL_QUADS);
  for (int f = 0; f < 6; ++f) {
    glNormal3fv(kNormals[f]);
    for (int i = 0; i < 4; ++i) vertex(corner(pos, halfSizes, kFaces[f][i]));
  }
  glEnd();
}

void DisplayObsolete::drawBoxWire(const Vector3f& pos, const Vector3f& halfSizes) {
  glBegin(GL_LINES);
  for (int k = 0; k < 8; ++k) {
    for (int bit = 1; bit < 8; bit <<= 1) {
      if (k & bit) continue;  // each edge once, from its lower corner
      vertex(corner(pos, halfSizes, k));
      vertex(corner(pos, halfSizes, k | bit));
    }
  }
  glEnd();
}

Vector4f DisplayObsolete::hex2vec(const std::string& text) {
  Vector4f colour(0.0f, 0.0f, 0.0f, 1.0f);
  for (size_t pair = 0; pair < 4; ++pair) {
    const size_t first = pair * 2;
    if (first >= text.size()) break;
    const int high = hexDigit(text[first]);
    const int low = first + 1 < text.size() ? hexDigit(text[first + 1]) : 0;
    colour[pair] = static_cast<float>(high * 16 + low) / 255.0f;
  }
  return colour;
}

void DisplayObsolete::drawScreenQuad() {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(-1.0f, 1.0f);
  glEnd();
}

}  // namespace display
}  // namespace zelkor
