#include "cubes_tower_batch.h"

#include <algorithm>
#include <cstring>

#include "mb_euler.h"
#include "mb_matrix4x4col.h"
#include "mb_quatf.h"

using zelkor::display::VertexAttribute;
using zelkor::mathbase::Euler;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Quatf;
using zelkor::mathbase::RotationOrder;
using zelkor::mathbase::Vector3f;

namespace {
const int kFloatsIn = 6;
const int kFloatsOut = 9;

bool sameCubes(const std::vector<TowerBatch::Cube>& a, const std::vector<TowerBatch::Cube>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0);
}
}  // namespace

TowerBatch::TowerBatch() : mDisplay(nullptr), mDef(kFloatsOut * 4), mMaxCubes(0), mVBO(nullptr), mIBO(nullptr) {
  mDef.addAttribute(VertexAttribute(0, "va_position", 0, zelkor::display::TYPE_FLOAT, 3));
  mDef.addAttribute(VertexAttribute(1, "va_normal", 12, zelkor::display::TYPE_FLOAT, 3));
  mDef.addAttribute(VertexAttribute(2, "va_color", 24, zelkor::display::TYPE_FLOAT, 3));
}

TowerBatch::~TowerBatch() {
  if (mVBO) mVBO->destroy();
  if (mIBO) mIBO->destroy();
}

void TowerBatch::create(zelkor::display::DisplayGL* display, const std::vector<float>& vertices,
                        const std::vector<uint32_t>& indices, int maxCubes) {
  const int perCube = static_cast<int>(vertices.size()) / kFloatsIn;
  if (perCube == 0 || indices.empty() || maxCubes <= 0) return;
  mDisplay = display;
  mVertices = vertices;
  mIndices = indices;
  mMaxCubes = maxCubes;
  mVBO = display->createVBO(perCube * maxCubes, &mDef, zelkor::display::DisplayGL::MODE_DYNAMIC);
  const int numIndices = static_cast<int>(indices.size()) * maxCubes;
  mIBO = display->createIBO(numIndices, zelkor::display::IBO::FORMAT_UINT32, zelkor::display::DisplayGL::MODE_STATIC);
  std::vector<uint32_t> all(static_cast<size_t>(numIndices));
  for (int c = 0; c < maxCubes; ++c) {
    for (size_t i = 0; i < indices.size(); ++i) all[c * indices.size() + i] = indices[i] + static_cast<uint32_t>(c * perCube);
  }
  mIBO->replace(0, numIndices, all.data(), 0, zelkor::display::IBO::FORMAT_UINT32);
  mFilled.clear();
}

void TowerBatch::set(const std::vector<Cube>& cubes) {
  if (!mVBO || sameCubes(cubes, mFilled)) return;
  mFilled = cubes;
  if (mFilled.size() > static_cast<size_t>(mMaxCubes)) mFilled.resize(static_cast<size_t>(mMaxCubes));
  if (mFilled.empty()) return;
  const size_t perCube = mVertices.size() / kFloatsIn;
  float* out = static_cast<float*>(mVBO->lock(true, false, 0, static_cast<int>(perCube * mFilled.size())));
  for (const Cube& cube : mFilled) {
    // the transform a single draw would give the cube; normals only turn
    // (the program normalises them)
    const Quatf rotation(Euler(cube.rot.x, cube.rot.y, cube.rot.z, RotationOrder(RotationOrder::XYZ)));
    Matrix4x4Col transform;
    transform.buildPRS(cube.pos, rotation, Vector3f(cube.size, cube.size, cube.size));
    const Matrix4x4Col turn(rotation);
    for (size_t v = 0; v < perCube; ++v, out += kFloatsOut) {
      const float* in = &mVertices[v * kFloatsIn];
      const Vector3f p = transform.multiply(Vector3f(in[0], in[1], in[2]));
      const Vector3f n = turn.multiplyVector(Vector3f(in[3], in[4], in[5]));
      const float vertex[kFloatsOut] = {p.x, p.y, p.z, n.x, n.y, n.z, cube.color.x, cube.color.y, cube.color.z};
      std::memcpy(out, vertex, sizeof(vertex));
    }
  }
  mVBO->unlock();
}

void TowerBatch::draw(const Vector3f& eye) {
  if (!mVBO || mFilled.empty()) return;
  const int perCube = static_cast<int>(mVertices.size()) / kFloatsIn;
  const int count = static_cast<int>(mFilled.size());
  mOrder.clear();
  for (int c = 0; c < count; ++c) {
    const Vector3f d = mFilled[c].pos - eye;
    mOrder.emplace_back(d.x * d.x + d.y * d.y + d.z * d.z, static_cast<uint32_t>(c));
  }
  std::sort(mOrder.begin(), mOrder.end());
  mSorted.resize(mIndices.size() * static_cast<size_t>(count));
  uint32_t* out = mSorted.data();
  for (const auto& entry : mOrder) {
    const uint32_t base = entry.second * static_cast<uint32_t>(perCube);
    for (uint32_t index : mIndices) *out++ = index + base;
  }
  mIBO->replace(0, static_cast<int>(mSorted.size()), mSorted.data(), 0, zelkor::display::IBO::FORMAT_UINT32);
  mDisplay->setVBO(mVBO);
  mDisplay->setIBO(mIBO);
  mDisplay->draw(zelkor::display::DisplayGL::DRAW_TRIANGLES, 0, static_cast<int>(mIndices.size()) * count, 0,
                 perCube * count);
  mDisplay->setVBO(nullptr);
  mDisplay->setIBO(nullptr);
}
