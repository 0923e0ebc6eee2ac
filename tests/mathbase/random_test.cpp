#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <set>
#include <vector>

#include "math_reference.h"
#include "mb_random.h"

namespace {

using namespace zelkor::mathbase;
using mathref::nearVector;

// The generator written out independently: x·69069 + 5 modulo 2^32.
uint32_t lcg(uint32_t x) { return uint32_t((uint64_t(x) * 69069u + 5u) & 0xffffffffu); }

TEST(Random, SeedOneGivesTheKnownSequence) {
  RandomGen_LCG<69069, 5> gen;
  gen.setSeed(1);
  EXPECT_EQ(gen.nextLong(), 69074u);
  EXPECT_EQ(gen.nextLong(), 475904815u);

  RandomLCG random(1);
  EXPECT_EQ(random.mGen.mX, 475904815u);  // the two seeding steps are skipped
  EXPECT_EQ(random.nextLong(), 884950952u);
  EXPECT_EQ(random.nextLong(), 997714317u);
  random.setSeed(1);
  EXPECT_EQ(random.nextLong(), 884950952u);
  EXPECT_EQ(RandomLCG::getMaxLong(), 4294967295u);
}

TEST(Random, SequenceFollowsTheRecurrenceForAnySeed) {
  for (uint32_t seed : {2u, 12345u, 0xffffffffu, 0x80000000u}) {
    RandomLCG random(seed);
    uint32_t x = lcg(lcg(seed));
    for (int i = 0; i < 1000; ++i) {
      x = lcg(x);
      ASSERT_EQ(random.nextLong(), x) << "seed " << seed << " step " << i;
    }
  }
}

TEST(Random, SeedZeroTakesTheClock) {
  const uint32_t before = uint32_t(std::clock());
  RandomLCG random(0);
  const uint32_t after = uint32_t(std::clock());
  bool found = false;
  for (uint32_t c = before; c <= after && !found; ++c) found = random.mGen.mX == lcg(lcg(c));
  EXPECT_TRUE(found) << "state " << random.mGen.mX << " not from a clock value in [" << before << ", " << after << "]";
}

TEST(Random, FloatsAreTheNormalizedLongs) {
  RandomLCG random(1), twin(1);
  EXPECT_NEAR(random.nextFloat(), 884950952.0 / 4294967295.0, 1e-7);
  twin.nextLong();
  for (int i = 0; i < 1000; ++i) {
    const float f = random.nextFloat();
    ASSERT_EQ(f, float(double(twin.nextLong()) / 4294967295.0));
    ASSERT_GE(f, 0.0f);
    ASSERT_LE(f, 1.0f);
  }
}

TEST(Random, UniformFloatStaysInItsRange) {
  RandomLCG random(7);
  EXPECT_FLOAT_EQ(RandomLCG(1).uniform(-1.0f, 3.0f), float(-1 + 4 * (884950952.0 / 4294967295.0)));
  float low = 10, high = -10;
  for (int i = 0; i < 20000; ++i) {
    const float f = random.uniform(0.1f, 0.7f);
    ASSERT_GE(f, 0.1f);
    ASSERT_LE(f, 0.7f);
    const float g = random.uniform(-3.0f, -2.0f);
    ASSERT_GE(g, -3.0f);
    ASSERT_LE(g, -2.0f);
    low = std::fmin(low, f);
    high = std::fmax(high, f);
  }
  EXPECT_LT(low, 0.11f);
  EXPECT_GT(high, 0.69f);
  EXPECT_EQ(random.uniform(2.5f, 2.5f), 2.5f);
}

// The state whose successor is next (69069 is odd, so it has an inverse
// modulo 2^32; Newton's iteration finds it).
uint32_t predecessor(uint32_t next) {
  uint32_t inverse = 69069u;
  for (int i = 0; i < 5; ++i) inverse *= 2u - 69069u * inverse;
  return (next - 5u) * inverse;
}

// The generator's extreme values land exactly on the ends.
TEST(Random, UniformFloatEndsAreReachable) {
  RandomLCG random(1);
  random.mGen.mX = predecessor(0);
  EXPECT_EQ(random.nextLong(), 0u);
  random.mGen.mX = predecessor(0xffffffffu);
  EXPECT_EQ(random.nextLong(), 0xffffffffu);
  random.mGen.mX = predecessor(0xffffffffu);
  EXPECT_EQ(random.uniform(0.1f, 0.7f), 0.7f);
  random.mGen.mX = predecessor(0);
  EXPECT_EQ(random.uniform(0.1f, 0.7f), 0.1f);
  random.mGen.mX = predecessor(0xffffffffu);
  EXPECT_EQ(random.uniform(-7, 7), -7 + int(0xffffffffu % 15u));
}

TEST(Random, UniformIntIncludesBothEnds) {
  RandomLCG random(3);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    const int v = random.uniform(-2, 2);
    ASSERT_GE(v, -2);
    ASSERT_LE(v, 2);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 5u);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(random.uniform(3, 3), 3);

  // The modulo is taken on the unsigned long: 884950952 % 10.
  EXPECT_EQ(RandomLCG(1).uniform(100, 109), 102);
}

TEST(Random, UniformIntOverWideAndReversedRanges) {
  RandomLCG random(11), twin(11);
  // The whole int range: b − a + 1 wraps to 0, so every long is a value.
  for (int i = 0; i < 100; ++i) EXPECT_EQ(random.uniform(INT_MIN, INT_MAX), int(twin.nextLong() + 0x80000000u));
  for (int i = 0; i < 1000; ++i) {
    const int v = random.uniform(-5, INT_MAX);
    ASSERT_GE(v, -5);
    const int w = random.uniform(INT_MIN, 0);
    ASSERT_LE(w, 0);
  }
  // Ends given the wrong way round still mean the same range.
  std::set<int> seen;
  for (int i = 0; i < 500; ++i) seen.insert(random.uniform(4, 1));
  EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4}));
}

TEST(Random, VectorDrawsFillTheLastComponentFirst) {
  RandomLCG random(5), twin(5);
  const Vector3f v = random.uniform3(-1.0f, 1.0f);
  const float z = twin.uniform(-1.0f, 1.0f), y = twin.uniform(-1.0f, 1.0f), x = twin.uniform(-1.0f, 1.0f);
  EXPECT_EQ(v, Vector3f(x, y, z));

  const Vector2f v2 = random.uniform2(0.0f, 4.0f);
  const float y2 = twin.uniform(0.0f, 4.0f), x2 = twin.uniform(0.0f, 4.0f);
  EXPECT_EQ(v2, Vector2f(x2, y2));

  const Vector4f v4 = random.uniform4(2.0f, 3.0f);
  const float w4 = twin.uniform(2.0f, 3.0f), z4 = twin.uniform(2.0f, 3.0f);
  const float y4 = twin.uniform(2.0f, 3.0f), x4 = twin.uniform(2.0f, 3.0f);
  EXPECT_EQ(v4, Vector4f(x4, y4, z4, w4));

  for (int i = 0; i < 1000; ++i) {
    const Vector3f r = random.uniform3(-2.0f, 5.0f);
    ASSERT_GE(r.getMin(), -2.0f);
    ASSERT_LE(r.getMax(), 5.0f);
  }
}

TEST(Random, OnSphereIsUnitLengthFromTwoDraws) {
  RandomLCG random(9), twin(9);
  Vector3f mean;
  for (int i = 0; i < 4000; ++i) {
    const Vector3f p = random.randomOnSphere();
    const float u = twin.nextFloat(), z = 2 * twin.nextFloat() - 1, r = std::sqrt(1 - z * z);
    ASSERT_TRUE(nearVector(p, Vector3f(std::cos(TWO_PI * u) * r, std::sin(TWO_PI * u) * r, z), 1e-6));
    ASSERT_NEAR(p.length(), 1, 1e-5);
    mean += p;
  }
  EXPECT_LT((mean / 4000).length(), 0.05f);
}

TEST(Random, InSphereAndEllipsoidStayInside) {
  RandomLCG random(13), twin(13);
  // The first triple drawn inside the ball is the result, drawn x, y, z.
  Vector3f expected;
  do {
    expected.x = (2 * twin.nextFloat() - 1) * 2;
    expected.y = (2 * twin.nextFloat() - 1) * 2;
    expected.z = (2 * twin.nextFloat() - 1) * 2;
  } while (expected.length2() > 4);
  EXPECT_EQ(random.randomInSphere(2), expected);

  float longest = 0;
  for (int i = 0; i < 4000; ++i) {
    const Vector3f p = random.randomInSphere(2);
    ASSERT_LE(p.length2(), 4.0f);
    longest = std::fmax(longest, p.length());
  }
  EXPECT_GT(longest, 1.9f);
  EXPECT_EQ(random.randomInSphere(0), Vector3f());

  const Vector3f radii(3, 1, 0.5f);
  for (int i = 0; i < 2000; ++i) {
    const Vector3f p = random.randomInEllipsoid(radii);
    ASSERT_LE(Vector3f(p.x / radii.x, p.y / radii.y, p.z / radii.z).length2(), 1.0f + 1e-6f);
    const Vector3f q = random.randomOnEllipsoid(radii);
    ASSERT_NEAR(Vector3f(q.x / radii.x, q.y / radii.y, q.z / radii.z).length(), 1, 1e-5);
  }
}

TEST(Random, HemisphereHelpersStayInTheirCaps) {
  RandomLCG random(17);
  const float theta = 0.3f;
  float meanCosine = 0, meanPow = 0;
  for (int i = 0; i < 4000; ++i) {
    const Vector3f h = random.randomHemisphere();
    ASSERT_NEAR(h.length(), 1, 1e-5);
    ASSERT_GE(h.z, 0);
    const Vector3f c = random.randomCosineHemisphere();
    ASSERT_NEAR(c.length(), 1, 1e-5);
    ASSERT_GE(c.z, 0);
    meanCosine += c.z;
    const Vector3f p = random.randomCosinePowHemisphere(20);
    ASSERT_NEAR(p.length(), 1, 1e-5);
    ASSERT_GE(p.z, 0);
    meanPow += p.z;
    const Vector3f t = random.randomSphereThetaLimit(theta);
    ASSERT_NEAR(t.length(), 1, 1e-5);
    ASSERT_GE(t.z, std::cos(theta) - 1e-6f);
    const Vector3f q = random.randomSphereQuad(0.5f, 1.0f, -0.2f, 0.4f);
    ASSERT_NEAR(q.length(), 1, 1e-5);
    ASSERT_GE(q.z, -0.2f - 1e-6f);
    ASSERT_LE(q.z, 0.4f + 1e-6f);
    const float phi = std::atan2(q.y, q.x);
    ASSERT_GE(phi, 0.5f - 1e-5f);
    ASSERT_LE(phi, 1.0f + 1e-5f);
  }
  // Cosine weighting: the mean height is 2/3; a higher power leans further up.
  EXPECT_NEAR(meanCosine / 4000, 2.0f / 3, 0.02f);
  EXPECT_GT(meanPow / 4000, 0.9f);
}

TEST(Random, BoxSurfaceHitsFacesFacingTheRay) {
  RandomLCG random(19);
  const Box3 box(Vector3f(-1, -2, -3), Vector3f(1, 2, 3));
  int onMinX = 0, onMaxZ = 0;
  for (int i = 0; i < 3000; ++i) {
    const Vector3f p = random.randomBoxSurfaceHitFromDir(box, Vector3f(1, 0, -1));
    const bool minX = p.x == -1 && std::fabs(p.y) <= 2 && std::fabs(p.z) <= 3;
    const bool maxZ = p.z == 3 && std::fabs(p.x) <= 1 && std::fabs(p.y) <= 2;
    ASSERT_TRUE(minX || maxZ) << p.x << " " << p.y << " " << p.z;
    onMinX += minX;
    onMaxZ += maxZ;
  }
  // Seen along (1, 0, −1) the x face (4×6) and the z face (2×4) weigh 24 : 8.
  EXPECT_NEAR(float(onMinX) / float(onMinX + onMaxZ), 0.75f, 0.03f);
  EXPECT_EQ(random.randomBoxSurfaceHitFromDir(box, Vector3f()), box.getCenter());
  for (int i = 0; i < 100; ++i) EXPECT_EQ(random.randomBoxSurfaceHitFromDir(box, Vector3f(0, -1, 0)).y, 2);
}

TEST(Random, StandardLibraryGeneratorRepeatsPerSeed) {
  RandomBase<RandomGen_Rand> a(42);
  const float first = a.nextFloat();
  const int second = a.uniform(0, 9);
  RandomBase<RandomGen_Rand> b(42);
  EXPECT_EQ(b.nextFloat(), first);
  EXPECT_EQ(b.uniform(0, 9), second);
  for (int i = 0; i < 1000; ++i) {
    const float f = a.nextFloat();
    ASSERT_GE(f, 0);
    ASSERT_LE(f, 1);
  }
}

}  // namespace

TEST(Random, BulkUniformDrawsAreTheSingleDrawsInTurn) {
  for (size_t count : {size_t(0), size_t(3), size_t(8), size_t(9), size_t(901)}) {
    RandomLCG bulk(40), single(40);
    std::vector<float> out(count);
    std::vector<uint32_t> scratch(count);
    bulk.uniform(0.0f, 5.0f, out.data(), scratch.data(), count);
    for (size_t i = 0; i < count; ++i) ASSERT_EQ(out[i], single.uniform(0.0f, 5.0f)) << count << " draws, " << i;
    EXPECT_EQ(bulk.nextLong(), single.nextLong()) << "the sequence goes on after " << count << " draws";
  }
}
