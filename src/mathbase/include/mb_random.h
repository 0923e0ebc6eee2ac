#pragma once
// Seeded pseudo-random numbers for the effects: the same seed gives the same
// sequence on every machine, so a demo looks the same every time it runs.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "mb_box3.h"
#include "mb_math.h"
#include "mb_vector2.h"
#include "mb_vector3.h"
#include "mb_vector4.h"

namespace zelkor {
namespace mathbase {

// Linear congruential generator: x = x·A + C modulo 2^32.
template <uint32_t A, uint32_t C>
class RandomGen_LCG {
 public:
  uint32_t mX;

  RandomGen_LCG() : mX(0) {}
  void setSeed(uint32_t seed) { mX = seed; }
  uint32_t nextLong() {
    mX = mX * A + C;
    return mX;
  }
  static constexpr uint32_t getMaxLong() { return 4294967295u; }
  // The next `count` values, as as many nextLong() calls give them: four
  // interleaved chains that each jump four steps, so the loop runs on vectors.
  void fill(uint32_t* out, size_t count) {
    const uint32_t a2 = A * A, a4 = a2 * a2;
    const uint32_t c4 = C * (A * a2 + a2 + A + 1u);
    size_t i = 0;
    if (count >= 8) {
      uint32_t lane[4];
      for (int j = 0; j < 4; ++j) lane[j] = nextLong();
      for (; i + 4 <= count; i += 4) {
        for (int j = 0; j < 4; ++j) {
          out[i + j] = lane[j];
          lane[j] = lane[j] * a4 + c4;
        }
      }
      mX = out[i - 1];
    }
    for (; i < count; ++i) out[i] = nextLong();
  }
};

// The C library's generator; its state is shared by the whole process.
class RandomGen_Rand {
 public:
  void setSeed(uint32_t seed) { std::srand(seed); }
  uint32_t nextLong() { return uint32_t(std::rand()); }
  static constexpr uint32_t getMaxLong() { return uint32_t(RAND_MAX); }
  void fill(uint32_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = nextLong();
  }
};

template <typename Gen>
class RandomBase {
 public:
  Gen mGen;

  // Seed 0 takes the process clock.
  explicit RandomBase(uint32_t seed) { setSeed(seed); }

  void setSeed(uint32_t seed) {
    mGen.setSeed(seed != 0 ? seed : uint32_t(std::clock()));
    mGen.nextLong();
    mGen.nextLong();
  }

  uint32_t nextLong() { return mGen.nextLong(); }
  static constexpr uint32_t getMaxLong() { return Gen::getMaxLong(); }

  // In [0, 1], both ends included.
  float nextFloat() { return float(double(nextLong()) / double(getMaxLong())); }

  // In [a, b]; worked out in double so that rounding never leaves the range.
  float uniform(float a, float b) { return float(double(a) + double(nextFloat()) * (double(b) - double(a))); }
  // `count` uniform(a, b) draws into `out`, the same as calling it in turn;
  // `scratch` holds `count` longs. For long runs of draws.
  void uniform(float a, float b, float* out, uint32_t* scratch, size_t count) {
    mGen.fill(scratch, count);
    for (size_t i = 0; i < count; ++i) {
      const float f = float(double(scratch[i]) / double(getMaxLong()));
      out[i] = float(double(a) + double(f) * (double(b) - double(a)));
    }
  }

  // In [a, b], both ends included; the ends may come in either order. The
  // whole int range (where b − a + 1 wraps to 0) is one full draw.
  int uniform(int a, int b) {
    if (a > b) std::swap(a, b);
    const uint32_t span = uint32_t(b) - uint32_t(a) + 1u;
    const uint32_t r = span != 0 ? nextLong() % span : nextLong();
    return int(uint32_t(a) + r);
  }

  // Several uniform(a, b) draws; the last component is drawn first.
  Vector2f uniform2(float a, float b) {
    const float y = uniform(a, b);
    const float x = uniform(a, b);
    return Vector2f(x, y);
  }
  Vector3f uniform3(float a, float b) {
    const float z = uniform(a, b);
    const float y = uniform(a, b);
    const float x = uniform(a, b);
    return Vector3f(x, y, z);
  }
  Vector4f uniform4(float a, float b) {
    const float w = uniform(a, b);
    const float z = uniform(a, b);
    const float y = uniform(a, b);
    const float x = uniform(a, b);
    return Vector4f(x, y, z, w);
  }

  // Uniform on the unit sphere.
  Vector3f randomOnSphere() {
    const float u = nextFloat();
    const float z = 2 * nextFloat() - 1;
    return onCircle(u, z);
  }
  // Uniform in the ball of the given radius (by rejection: x, y, z in turn).
  Vector3f randomInSphere(float radius) {
    const float r2 = radius * radius;
    Vector3f p;
    do {
      p.x = (2 * nextFloat() - 1) * radius;
      p.y = (2 * nextFloat() - 1) * radius;
      p.z = (2 * nextFloat() - 1) * radius;
    } while (p.length2() > r2);  // a NaN radius ends the loop at once
    return p;
  }
  Vector3f randomInEllipsoid(const Vector3f& radii) { return randomInSphere(1.0f).multiply(radii); }
  Vector3f randomOnEllipsoid(const Vector3f& radii) { return randomOnSphere().multiply(radii); }

  // Uniform over the directions within theta radians of +z.
  Vector3f randomSphereThetaLimit(float theta) {
    const float u = nextFloat();
    const float z = uniform(std::cos(theta), 1.0f);
    return onCircle(u, z);
  }
  // Uniform over the hemisphere about +z.
  Vector3f randomHemisphere() {
    const float u = nextFloat();
    const float z = nextFloat();
    return onCircle(u, z);
  }
  // Cosine-weighted over the hemisphere about +z.
  Vector3f randomCosineHemisphere() { return randomCosinePowHemisphere(1.0f); }
  // Weighted by cos^power of the angle to +z (power ≥ 0).
  Vector3f randomCosinePowHemisphere(float power) {
    const float u = nextFloat();
    const float z = std::pow(nextFloat(), 1.0f / (power + 1.0f));
    return onCircle(u, z);
  }
  // Uniform over the part of the unit sphere between the longitudes phiMin and
  // phiMax (radians about z from +x) and the heights zMin and zMax.
  Vector3f randomSphereQuad(float phiMin, float phiMax, float zMin, float zMax) {
    const float phi = uniform(phiMin, phiMax);
    const float z = clampValue(uniform(zMin, zMax), -1.0f, 1.0f);
    const float r = std::sqrt(1 - z * z);
    return Vector3f(std::cos(phi) * r, std::sin(phi) * r, z);
  }

  // A point on the faces of box that rays travelling along dir hit, uniform
  // over their area as seen along dir. A zero dir hits nothing: the centre.
  Vector3f randomBoxSurfaceHitFromDir(const Box3& box, const Vector3f& dir) {
    float weight[3];
    float total = 0;
    for (int i = 0; i < 3; ++i) {
      weight[i] = box.getAxisArea(i) * std::fabs(dir[i]);
      total += weight[i];
    }
    if (!(total > 0)) return box.getCenter();
    const float pick = uniform(0.0f, total);
    int axis = 2;
    while (weight[axis] == 0) --axis;  // the last face with any weight, should pick reach total
    float sum = 0;
    for (int i = 0; i < axis; ++i) {
      sum += weight[i];
      if (pick < sum) {
        axis = i;
        break;
      }
    }
    Vector3f p;
    p[axis] = dir[axis] > 0 ? box.mMin[axis] : box.mMax[axis];
    const int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
    p[a1] = uniform(box.mMin[a1], box.mMax[a1]);
    p[a2] = uniform(box.mMin[a2], box.mMax[a2]);
    return p;
  }

 private:
  // The unit vector at height z and longitude 2π·u.
  static Vector3f onCircle(float u, float z) {
    const float r = std::sqrt(1 - z * z);
    const float phi = TWO_PI * u;
    return Vector3f(std::cos(phi) * r, std::sin(phi) * r, z);
  }
};

typedef RandomBase<RandomGen_LCG<69069, 5>> RandomLCG;

static_assert(sizeof(RandomGen_LCG<69069, 5>) == sizeof(uint32_t), "the generator is its 32-bit state");
static_assert(sizeof(RandomLCG) == sizeof(uint32_t), "RandomBase is its generator");

}  // namespace mathbase
}  // namespace zelkor
