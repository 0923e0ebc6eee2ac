// The tower: cubes dropped into a tapering heap, revealed one by one, light
// strands crawling up towards them, a blinking marker on the top cube, and
// the explosion.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "cubes.h"
#include "dis_clock.h"
#include "dis_glinclude.h"
#include "mb_euler.h"
#include "mb_quatf.h"

using zelkor::mathbase::Euler;
using zelkor::mathbase::Quatf;
using zelkor::mathbase::RotationOrder;
using zelkor::mathbase::Vector3f;

namespace {
const float kPi = 3.1415927f;
// Farther than any cube a strand weighs: the weight of none found.
const float kFar = 100000.0f;

Quatf rotationXYZ(const Vector3f& angles) {
  return Quatf(Euler(angles.x, angles.y, angles.z, RotationOrder(RotationOrder::XYZ)));
}
}  // namespace

void Cubes::setupTower(zelkor::kindra::EffectProgressUpdate& progress) {
  mExplode = false;
  renderblink = 0.0f;
  Random mr(40);
  Random mr2(42);
  float topY = 0.0f;

  for (int i = 0; i < kCubeCount; ++i) {
    CubeData* cd = new CubeData;
    cd->pos = mr.randomOnSphere() * 15.0f;
    const float modifyer = cosf(static_cast<float>(i) * 2.042035f / 1000.0f) + 0.6f;
    cd->pos *= modifyer;
    cd->pos.y = 0.0f;

    cd->acc = mr2.randomOnSphere() * 0.1f;
    cd->acc.y += 0.2f;
    cd->count = 0;

    cd->rot = mr.randomOnSphere() * kPi;
    cd->size = mr.uniform(0.5f, 1.5f);

    for (const CubeData* a : mCD) {
      Vector3f flat = a->pos;
      flat.y = cd->pos.y;
      const float length = (flat - cd->pos).length();
      if (a->size + cd->size > length) {
        const float newheight = a->pos.y + a->size * 1.414f;
        if (newheight > cd->pos.y) cd->pos.y = newheight;
      }
    }

    cd->color = Vector3f(1.0f, 1.0f, 1.0f) * (cd->pos.y * 0.08f + 0.9f);
    const float coldiff = mr.uniform(0.1f, 1.0f);
    cd->color.x -= coldiff;
    cd->color.y += coldiff * -0.5f;
    if (mr.uniform(0.0f, 100.0f) < 10.0f) cd->color *= 0.1f;

    if (cd->pos.y > topY) {
      topIndex = static_cast<uint32_t>(mCD.size());
      topY = cd->pos.y;
    }
    mCD.push_back(cd);
  }

  zelkor::display::Clock clock;
  const float started = clock.getTime();

  // Each strand point weighs every cube: the cubes' positions side by side
  // and the point's draws made first keep the distance loop free of pointer
  // chasing and the generator's chain, so that it runs on vectors.
  const size_t cubes = mCD.size();
  std::vector<float> px(cubes), py(cubes), pz(cubes), noise(cubes), weight(cubes);
  std::vector<uint32_t> scratch(cubes);
  for (size_t a = 0; a < cubes; ++a) {
    px[a] = mCD[a]->pos.x;
    py[a] = mCD[a]->pos.y;
    pz[a] = mCD[a]->pos.z;
  }
  for (int g = 0; g < kStrandCount; ++g) {
    progress.updateProgress(g, kStrandCount);
    const float angle = mr.uniform(0.0f, 6.2831855f);
    Vector3f root(sinf(angle) * 25.0f, 0.0f, cosf(angle) * 25.0f);
    mr.randomOnSphere();  // keeps the sequence of draws
    mGrass[g].reserve(kStrandPoints);
    for (int y = 0; y < kStrandPoints; ++y) {
      mr.uniform(0.0f, 5.0f, noise.data(), scratch.data(), cubes);
      const float rx = root.x, ry = root.y, rz = root.z;
      for (size_t a = 0; a < cubes; ++a) {
        const float dx = px[a] - rx, dy = py[a] - ry, dz = pz[a] - rz;
        const float length = std::sqrt(dx * dx + dy * dy + dz * dz) + noise[a] + (ry > py[a] ? 12.0f : 0.0f);
        // too close (or not a number) never wins
        weight[a] = length > 5.0f ? length : kFar;
      }
      // the first cube of the smallest weight under kFar; the minimum in
      // eight running lanes keeps the loop off one chain of compares
      float lane[8] = {kFar, kFar, kFar, kFar, kFar, kFar, kFar, kFar};
      size_t a = 0;
      for (; a + 8 <= cubes; a += 8) {
        for (int j = 0; j < 8; ++j) lane[j] = weight[a + j] < lane[j] ? weight[a + j] : lane[j];
      }
      float current = kFar;
      for (; a < cubes; ++a) current = weight[a] < current ? weight[a] : current;
      for (float m : lane) current = m < current ? m : current;
      size_t findindex = 0;
      if (current < kFar) {
        while (weight[findindex] != current) ++findindex;
      }
      root += (mCD[findindex]->pos - root) * (1.0f / current) * 0.5f;
      mGrass[g].push_back(root);
    }
  }
  mTowerAtRest.clear();
  for (const CubeData* cd : mCD) mTowerAtRest.push_back(*cd);
  mExplodeAt = std::numeric_limits<float>::infinity();
  mExplodeTicks = 0;
  std::printf("Tower took: %.2fs.\n", static_cast<double>(clock.getTime() - started));
  std::fflush(stdout);
}

namespace {
class Unseen : public zelkor::kindra::EffectProgressUpdate {
 public:
  void updateProgress(float) override {}
};
}  // namespace

void Cubes::startTowerLayout() {
  mTowerLayout = std::thread([this] {
    try {
      Unseen progress;
      setupTower(progress);
    } catch (...) {
      mTowerLayoutError = std::current_exception();
    }
  });
}

void Cubes::waitForTower() {
  if (!mTowerLayout.joinable()) return;
  mTowerLayout.join();
  if (mTowerLayoutError) std::rethrow_exception(mTowerLayoutError);
}

void Cubes::stepExplosion(float delta) {
  for (size_t i = 0; i < mCD.size();) {
    CubeData* c = mCD[i];
    c->acc.y -= delta;
    c->pos += c->acc;
    if (c->pos.y < -1.0f) {
      c->acc.y *= -0.4f;
      c->count += 1;
    }
    if (c->count > 5) {
      // the next cube moves into this index and is stepped next
      delete c;
      mCD.erase(mCD.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
}

void Cubes::setTowerTime(float pTimer) {
  waitForTower();
  const float at = mPluginExplode.firstEventTime();
  // an event fires on the first frame past its time; that frame is the
  // first tick (a little slack for times that are k/60 in float)
  const double since = static_cast<double>(pTimer) - static_cast<double>(at);
  const long ticks = std::isfinite(at) && since > 0.0
                         ? static_cast<long>(std::min(std::ceil(since / kExplosionTick - 1e-3), 1e7))
                         : 0;
  mExplode = ticks > 0;
  if (at != mExplodeAt || ticks < mExplodeTicks) {
    // back before the state we have, or the trigger was moved: from rest
    for (CubeData* cube : mCD) delete cube;
    mCD.clear();
    for (const CubeData& cube : mTowerAtRest) mCD.push_back(new CubeData(cube));
    mExplodeAt = at;
    mExplodeTicks = 0;
  }
  // bounded: every cube is gone after a few seconds of falling
  for (; mExplodeTicks < ticks && !mCD.empty(); ++mExplodeTicks) {
    stepExplosion(static_cast<float>(kExplosionTick));
    stepExplosion(static_cast<float>(kExplosionTick));
  }
  mExplodeTicks = std::max(mExplodeTicks, ticks);
  renderblink = blinkAt(pTimer);
}

float Cubes::blinkAt(float pTimer) const {
  const auto touches = [this](float t) {
    const unsigned step = static_cast<unsigned>(static_cast<int>(t * 200.0f));
    for (int g = 0; g < kStrandCount; ++g) {
      const unsigned count = static_cast<unsigned>(mGrass[g].size());
      if (count != 0 && (static_cast<unsigned>(static_cast<int>(g * 0.052f)) + step) % count + 20 >= count) return true;
    }
    return false;
  };
  if (!(pTimer >= 0.0f)) return 0.0f;
  if (touches(pTimer)) return 1.0f;
  // a segment reaches an end at least every 1.5 s; look back 2 s
  const long now = static_cast<long>(std::floor(static_cast<double>(pTimer) / kExplosionTick + 1e-3));
  for (long tick = now; tick >= 0 && tick > now - 120; --tick) {
    const float t = static_cast<float>(static_cast<double>(tick) * kExplosionTick);
    if (touches(t)) return 1.0f - 2.0f * (pTimer - t);
  }
  return -2.0f * pTimer;
}

void Cubes::bindTowerShader(int renderpass, bool batch) {
  if (renderpass == 0) {
    zelkor::display::Shader* shader = batch ? mBatchShader : mStandardShader;
    mDisplay->setShader(shader);
    setSunUniforms(shader, true);
  } else {
    zelkor::display::Shader* shader = batch ? mBatchShadowShader : mStandardShader_CreateShadowMap;
    mDisplay->setShader(shader);
    setSunUniforms(shader, false);
    setUniform(shader, "mat_sun2world", m_sun2world);
  }
  glEnable(GL_DEPTH_TEST);
}

void Cubes::drawTower(float pTimer, float, float, int renderpass) {
  waitForTower();
  const float grow = std::min(mGrow.get(pTimer), 1.0f);
  const float imax = static_cast<float>(mCD.size()) * grow;
  const int intmax = static_cast<int>(imax);
  const float diff = imax - static_cast<float>(intmax);
  mBatchCubes.clear();
  for (int i = 0; i < intmax; ++i) {
    const float moddie = i == intmax - 1 ? sinf(diff * kPi * 0.5f) : 1.0f;
    mBatchCubes.push_back(TowerBatch::Cube{mCD[i]->pos, mCD[i]->rot, mCD[i]->size * moddie, mCD[i]->color});
  }
  bindTowerShader(renderpass, true);
  MatrixGL world;
  world.setIdentity();
  mdo.setTransform(world);
  mTowerBatch.set(mBatchCubes);
  // from the camera, or from the sun above the tower in the shadow pass
  const MatrixGL& viewer = renderpass == 0 ? m_matView2world : m_sun2world;
  mTowerBatch.draw(viewer.multiply(Vector3f(0.0f, 0.0f, 0.0f)));

  mDisplay->setShader(nullptr);
  MatrixGL identity;
  identity.setIdentity();
  mdo.setTransform(identity);
  glLineWidth(2.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glDepthMask(GL_FALSE);
  for (int g = 0; g < kStrandCount && !mExplode; ++g) {
    const unsigned count = static_cast<unsigned>(mGrass[g].size());
    if (count == 0) continue;  // a set-up cut short leaves strands empty
    const unsigned from = (static_cast<unsigned>(static_cast<int>(g * 0.052f)) +
                           static_cast<unsigned>(static_cast<int>(pTimer * 200.0f))) %
                          count;
    unsigned to = from + 20;
    if (to >= count) to = count;
    const bool red = g % 5 == 1;
    glBegin(GL_LINE_STRIP);
    for (unsigned i = from; i < to; ++i) {
      const float alpha = sinf(static_cast<float>(i - from) / static_cast<float>(to - from) * kPi) * 0.41f;
      if (red) {
        glColor4f(0.99f, 0.22f, 0.11f, alpha);
      } else {
        glColor4f(1.0f, 0.81f, 0.51f, alpha);
      }
      const Vector3f& p = mGrass[g][i];
      glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
  }
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);

  if (mExplode) return;

  bindTowerShader(renderpass);
  zelkor::brontel::Mesh* marker = mMeshes.count("Mesh") ? mMeshes["Mesh"] : nullptr;
  if (marker && topIndex < mCD.size()) {
    const CubeData* t = mCD[topIndex];
    const Quatf q2 = rotationXYZ(t->rot);
    const Vector3f up = q2.rotate(Vector3f(0.0f, 1.0f, 0.0f));
    const Quatf q(Vector3f(0.0f, 0.0f, -1.0f), up);
    const Quatf r(-pTimer, Vector3f(0.0f, 0.0f, -1.0f));
    const Quatf v(up, q2.rotate(Vector3f(-1.0f, 0.0f, 0.0f)));
    MatrixGL transform;
    transform.buildPRS(t->pos, (v * q) * r, Vector3f(5.0f, 5.0f, 5.0f));
    mdo.setTransform(transform);
    const float blink = renderblink * (std::fabs(cosf(pTimer * 20.0f) * cosf(pTimer * 55.0f)) + 0.3f);
    mdo.setColor(0.9f * blink, 0.7f * blink, 0.58f * blink, 1.0f);
    marker->draw();
  }
  glLineWidth(2.0f);
  mDisplay->setShader(nullptr);
}
