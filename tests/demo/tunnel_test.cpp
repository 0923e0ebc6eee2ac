// The tunnel's fixed layouts: the path, the seeded greeting positions, the
// wall segments' placement, the particle stream and its colours; and the
// order in which the demo registers its effects.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "clear.h"
#include "common.h"
#include "demo_effects.h"
#include "kin_main.h"
#include "tunnel.h"
#include "tunnel_bacon.h"
#include "tunnel_walls.h"

namespace {

using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Vector3f;
using zelkor::mathbase::Vector4f;

// The generator written out from its definition: x' = 69069 x + 5 (mod 2^32),
// two draws thrown away after seeding.
struct ReferenceLcg {
  explicit ReferenceLcg(uint32_t seed) : x(seed) {
    next();
    next();
  }
  uint32_t next() {
    x = x * 69069u + 5u;
    return x;
  }
  uint32_t x;
};

void expectVector(const Vector3f& actual, float x, float y, float z, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, x, tolerance);
  EXPECT_NEAR(actual.y, y, tolerance);
  EXPECT_NEAR(actual.z, z, tolerance);
}

TEST(RandomTest, ASeededGeneratorGivesTheSameFixedSequence) {
  Random random(42);
  ReferenceLcg reference(42);
  EXPECT_EQ(random.nextLong(), 4088599749u);  // pinned: layouts built on it must not move
  reference.next();
  for (int i = 0; i < 100; ++i) EXPECT_EQ(random.nextLong(), reference.next()) << i;

  // built with the clock and then reseeded: the same as seeded at once
  Random later(0);
  later.setSeed(42);
  Random direct(42);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(later.uniform(0.0f, 6.2831855f), direct.uniform(0.0f, 6.2831855f));

  Random unit(23);
  for (int i = 0; i < 1000; ++i) {
    const float v = unit.uniform(-2.0f, 3.0f);
    EXPECT_GE(v, -2.0f);
    EXPECT_LE(v, 3.0f);
  }
}

TEST(TunnelPathTest, StartsAtTwoFiveAndRunsAHundredUnitsDeep) {
  expectVector(Tunnel::getSpline(0.0f), 2.0f, 5.0f, 0.0f);
  const Vector3f end = Tunnel::getSpline(1.0f);
  EXPECT_FLOAT_EQ(end.z, 100.0f);
  EXPECT_NEAR(end.x, 3 * std::sin(15.0) + 2 * std::cos(40.3) + std::sin(10.8), 1e-4);
  EXPECT_NEAR(end.y, 3 * std::cos(15.0) + 2 * std::cos(40.23) + std::sin(10.45), 1e-4);
  // the path never strays more than the sum of its amplitudes from the axis
  for (int i = 0; i <= 1000; ++i) {
    const Vector3f p = Tunnel::getSpline(i / 1000.0f);
    EXPECT_LE(std::hypot(p.x, p.y), 6.0f + 1e-4f);
  }
}

TEST(TunnelLayoutTest, GreetingsHangHalfAUnitOffThePathAtSeed42) {
  const std::vector<Vector3f> greets = tunnel::greetPositions();
  ASSERT_EQ(greets.size(), 22u);
  Random random(42);
  for (int i = 0; i < 22; ++i) {
    const float p = i * 0.55f / 22.0f + 0.4f;
    const Vector3f onPath = Tunnel::getSpline(p);
    const float angle = random.uniform(0.0f, 6.2831855f);
    expectVector(greets[i], onPath.x + 0.5f * std::sin(angle), onPath.y + 0.5f * std::cos(angle), onPath.z);
    EXPECT_NEAR(std::hypot(greets[i].x - onPath.x, greets[i].y - onPath.y), 0.5f, 1e-5f);
  }
  // between 40% and 95% of the flight, in order
  EXPECT_FLOAT_EQ(greets.front().z, 40.0f);
  EXPECT_NEAR(greets.back().z, 92.5f, 1e-4f);
  for (int i = 1; i < 22; ++i) EXPECT_GT(greets[i].z, greets[i - 1].z);
  // pinned, so that a change of generator or draw order shows
  const Vector3f first = Tunnel::getSpline(0.4f);
  const float angle0 = float(double(4088599749u) / 4294967295.0 * 6.2831855);
  expectVector(greets[0], first.x + 0.5f * std::sin(angle0), first.y + 0.5f * std::cos(angle0), 40.0f);
  EXPECT_EQ(tunnel::greetPositions(), greets) << "the same on every run";
}

TEST(TunnelLayoutTest, EachWallSegmentSitsOnThePathFacingAlongIt) {
  for (int k : {0, 1, 57, 120, 199}) {
    const Vector3f here = Tunnel::getSpline(k / 200.0f);
    const Vector3f along = (Tunnel::getSpline((k + 1) / 200.0f) - here).getNormalized();
    const Matrix4x4Col t = tunnel::segmentTransform(k, 3.0f);
    expectVector(t.getTranslation(), here.x, here.y, here.z, 1e-4f);
    // the mesh's y axis (its length) turns onto the path's direction
    const Vector3f axis = t.multiplyVector(Vector3f(0, 1, 0));
    expectVector(axis, along.x, along.y, along.z, 1e-4f);
    // and spins about it with time: the wobble
    const Vector3f side = t.multiplyVector(Vector3f(1, 0, 0));
    const Vector3f later = tunnel::segmentTransform(k, 4.0f).multiplyVector(Vector3f(1, 0, 0));
    EXPECT_NEAR(side.dot(along), 0.0f, 1e-4f);
    EXPECT_GT((side - later).length(), 0.05f) << k;
  }
  // neighbours wobble differently at the same time
  const Vector3f a = tunnel::segmentTransform(10, 0.0f).multiplyVector(Vector3f(1, 0, 0));
  const Vector3f b = tunnel::segmentTransform(11, 0.0f).multiplyVector(Vector3f(1, 0, 0));
  EXPECT_GT((a - b).length(), 0.05f);
}

int countParticles(float pTimer, float pPercent) {
  int drawn = 0;
  Vector3f pos;
  float angle;
  for (int b = 0; b < tunnel::kParticles; ++b) drawn += tunnel::particle(b, pTimer, pPercent, pos, angle) ? 1 : 0;
  return drawn;
}

TEST(TunnelParticlesTest, TheStreamOrbitsThePathAheadAndThinsOutAtTheEnd) {
  for (int b = 0; b < tunnel::kParticles; b += 37) {
    const float w = tunnel::particleLead(b, 5.0f);
    EXPECT_GE(w, -0.03f - 1e-6f);
    EXPECT_LE(w, 0.13f + 1e-6f);
    Vector3f pos;
    float angle;
    ASSERT_TRUE(tunnel::particle(b, 5.0f, 0.3f, pos, angle));
    const Vector3f centre = Tunnel::getSpline(0.3f + w);
    const float radius = (pos - centre).length();
    EXPECT_NEAR(radius, std::fabs(std::sin(float(b)) * 0.45f + 0.8f), 1e-3f) << b;
    EXPECT_NEAR(angle, b * 0.0013f + 5.0f * 0.5f + w * w, 1e-5f);
  }
  EXPECT_EQ(countParticles(5.0f, 0.5f), tunnel::kParticles);
  const int nearEnd = countParticles(5.0f, 0.95f);
  const int atEnd = countParticles(5.0f, 1.0f);
  EXPECT_LT(nearEnd, tunnel::kParticles);
  EXPECT_LT(atEnd, nearEnd);
  EXPECT_GT(atEnd, 0) << "particles behind the camera are still there";

  // a lead that ends exactly at the path's end is still drawn
  int exact = 0;
  for (int b = 0; b < tunnel::kParticles; ++b) {
    const float w = tunnel::particleLead(b, 2.0f);
    const float percent = 1.0f - w;
    if (w <= 0.0f || percent + w != 1.0f) continue;
    Vector3f pos;
    float angle;
    EXPECT_TRUE(tunnel::particle(b, 2.0f, percent, pos, angle)) << b;
    EXPECT_FALSE(tunnel::particle(b, 2.0f, percent + 1e-4f, pos, angle)) << b;
    ++exact;
  }
  EXPECT_GT(exact, 0);
}

TEST(TunnelParticlesTest, EvenAndOddParticlesTakeTheirOwnSetAndNeverANegativeAlpha) {
  Tunnel tunnel;
  std::vector<std::string> names;
  for (auto* plugin : tunnel.getPlugins()) names.push_back(plugin->mName);
  EXPECT_EQ(names, (std::vector<std::string>{"camera", "partFade", "partFade2", "partCol", "partCol2"}));

  // an effect of 10 s (the plugins' default width); keys are fractions of it
  tunnel.mParticleFade.mSpline.addKey({0.0f, -0.5f});
  tunnel.mParticleFade.mSpline.addKey({1.0f, 0.5f});
  tunnel.mParticleFade2.mSpline.addKey({0.0f, 0.75f});
  tunnel.mParticleColor.mR.addKey({0.0f, 1.0f});
  tunnel.mParticleColor.mG.addKey({0.0f, 0.5f});
  tunnel.mParticleColor.mB.addKey({0.0f, 0.0f});
  tunnel.mParticleColor2.mR.addKey({0.0f, 0.0f});
  tunnel.mParticleColor2.mG.addKey({0.0f, 0.25f});
  tunnel.mParticleColor2.mB.addKey({0.0f, 1.0f});
  Vector4f col[2];
  tunnel.getParticleColors(0.0f, col);
  EXPECT_EQ(col[0].w, 0.0f) << "a fade below 0 draws nothing, not negative light";
  EXPECT_FLOAT_EQ(col[1].w, 0.75f);
  EXPECT_FLOAT_EQ(col[0].x, 1.0f);
  EXPECT_FLOAT_EQ(col[0].y, 0.5f);
  EXPECT_FLOAT_EQ(col[1].z, 1.0f);
  EXPECT_FLOAT_EQ(col[1].y, 0.25f);
  tunnel.getParticleColors(10.0f, col);
  EXPECT_NEAR(col[0].w, 0.5f, 1e-5f);

  // without keys: black and invisible
  Tunnel bare;
  bare.getParticleColors(3.0f, col);
  EXPECT_EQ(col[0], Vector4f(0, 0, 0, 0));
  EXPECT_EQ(col[1], Vector4f(0, 0, 0, 0));
}

TEST(DemoEffectsTest, TheCommonEffectComesFirstAndEveryOtherSharesIt) {
  zelkor::kindra::Kindra kindra;
  registerDemoEffects(kindra);
  const auto& effects = kindra.getEffects();
  const std::vector<std::string> names = {"Common", "Clear", "Tunnel", "Cubes", "Ascii", "Cred", "End"};
  ASSERT_EQ(effects.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(effects[i]->mName, names[i]);
    EXPECT_EQ(effects[i]->mType, i == 0 ? std::string("common") : names[i]);
  }
  auto* common = dynamic_cast<Common*>(effects[0]);
  ASSERT_NE(common, nullptr);
  expectVector(common->from, 0, 0, -10);
  expectVector(common->to, 0, 0, 0);
  for (size_t i = 1; i < effects.size(); ++i) {
    auto* effect = dynamic_cast<CommonEffect*>(effects[i]);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->getCommon(), common);
  }
  EXPECT_NE(dynamic_cast<Clear*>(effects[1]), nullptr);
  EXPECT_NE(dynamic_cast<Tunnel*>(effects[2]), nullptr);
}

}  // namespace
