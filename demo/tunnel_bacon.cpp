#include "tunnel_bacon.h"

#include <cmath>

#include "am.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "tunnel.h"
#include "tunnel_walls.h"
#include "zlk_system.h"

using zelkor::Exception;
using zelkor::mathbase::Matrix4x4Col;
using zelkor::mathbase::Vector3f;
using zelkor::mathbase::Vector4f;

namespace {
const char kSpriteFile[] = "tunnel/particle.png";
const float kBrightest = 1000.0f;

Matrix4x4Col identity() {
  Matrix4x4Col m;
  m.setIdentity();
  return m;
}

void vertex(float u, float v, const Vector3f& p) {
  glTexCoord2f(u, v);
  glVertex3f(p.x, p.y, p.z);
}
}  // namespace

std::vector<Vector3f> tunnel::greetPositions() {
  std::vector<Vector3f> positions;
  Random random(0);
  random.setSeed(42);
  for (int i = 0; i < kGreetings; ++i) {
    Vector3f pos = Tunnel::getSpline(i * 0.55f / 22.0f + 0.4f);
    const float angle = random.uniform(0.0f, 6.2831855f);
    pos += Vector3f(0.5f * std::sin(angle), 0.5f * std::cos(angle), 0.0f);
    positions.push_back(pos);
  }
  return positions;
}

float tunnel::particleLead(int b, float pTimer) { return std::sin(b * 0.3454f + pTimer * 0.04f) * 0.08f + 0.05f; }

bool tunnel::particle(int b, float pTimer, float pPercent, Vector3f& pos, float& angle) {
  const float w = particleLead(b, pTimer);
  if (pPercent + w > 1.0f) return false;
  const Vector3f futurePos = Tunnel::getSpline(pPercent + w);
  const Vector3f up = futurePos.cross(Vector3f(0, 1, 0)).getNormalized();
  const Vector3f right = up.cross(futurePos).getNormalized();
  const float ar = std::sin(float(b)) * 0.45f + 0.8f;
  angle = b * 0.0013f + pTimer * 0.5f + w * w;
  pos = futurePos + up * (std::cos(angle) * ar) + right * (std::sin(angle) * ar);
  return true;
}

void Tunnel::setupBacon() {
  mBaconShader = mDisplay->createShader("tunnel/bacon", nullptr);
  mGreetShader = mDisplay->createShader("tunnel/greet", nullptr);
  mGreets = mDisplay->createTexture("tunnel/greets.png", false);
  mGreetPos = tunnel::greetPositions();
  // textures load on first use: make sure now that the sprite is there
  if (mDisplay->getArchive()->readFile(kSpriteFile).isNull()) throw Exception("Could not open file %s", kSpriteFile);
  // the sprites are mostly small and soft: one mipmap level a texel is enough
  zelkor::display::Texture::TextureDeclaration decl;
  decl.blendMipmaps = false;
  mSprite = mDisplay->createTexture(kSpriteFile, decl, false);
  if (!mSprite) throw Exception("Could not create the texture %s", kSpriteFile);
}

void Tunnel::drawBacon(float pTimer, float pDelta, float pPercent) {
  mdo.setTransform(identity());
  mdo.setColor(1, 1, 1, 1);
  mDisplay->setShader(mBaconShader);
  drawGreet(pTimer, pDelta, pPercent);
  mDisplay->setShader(nullptr);
  mDisplay->setTexture(mSprite, 0);
  mdo.setTransform(identity());

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);

  const Vector3f camUp = camInv.multiplyVector(Vector3f(0, 1, 0));
  const Vector3f camRight = camInv.multiplyVector(Vector3f(1, 0, 0));

  // Each sprite is an octagon around the part of its picture that is not
  // clear (nothing shows past 0.85 of its half size): two fifths fewer
  // blended fragments than the square. One array for all of them, as the
  // calls one vertex at a time cost the processor more than the drawing.
  static const int kCorners = 8;
  static const float kReach = 0.9f;
  const float t = 0.41421356f * kReach;  // tan(pi / 8)
  const float corners[kCorners][2] = {{-kReach, t}, {-t, kReach}, {t, kReach},   {kReach, t},
                                      {kReach, -t}, {t, -kReach}, {-t, -kReach}, {-kReach, -t}};
  Vector4f col[2];
  getParticleColors(pTimer, col);
  mParticleVertices.clear();
  mParticleIndices.clear();
  // the corners' farthest reach from the centre: 0.9 of the half size out to
  // an octagon's corner
  const float reach = tunnel::kSpriteHalfSize * kReach * 1.0824f;
  for (int b = 0; b < tunnel::kParticles; ++b) {
    const Vector4f& c = col[b % 2];
    // added with alpha 0, a sprite leaves the frame as it was
    if (!(c.w > 0.0f)) continue;
    Vector3f p;
    float a;
    if (!tunnel::particle(b, pTimer, pPercent, p, a)) continue;
    // nor does one wholly behind the near plane or beside the view
    const Vector3f inEye = cam.multiply(p);
    if (-inEye.z + reach < tunnel::kNear || !tunnel::inView(inEye, reach, mViewSlope[0], mViewSlope[1])) continue;
    const float r = tunnel::kSpriteHalfSize;
    const Vector3f right = (camRight * std::cos(a) + camUp * std::sin(a)) * r;
    const Vector3f up = (camUp * std::cos(a) - camRight * std::sin(a)) * r;
    const uint32_t base = static_cast<uint32_t>(mParticleVertices.size());
    for (int k = 0; k < kCorners; ++k) {
      const Vector3f at = p + right * corners[k][0] + up * corners[k][1];
      mParticleVertices.push_back(SpriteVertex{
          {at.x, at.y, at.z}, {0.5f + 0.5f * corners[k][0], 0.5f - 0.5f * corners[k][1]}, {c.x, c.y, c.z, c.w}});
    }
    for (uint32_t k = 1; k + 1 < kCorners; ++k) {
      mParticleIndices.push_back(base);
      mParticleIndices.push_back(base + k);
      mParticleIndices.push_back(base + k + 1);
    }
  }
  glEnable(GL_TEXTURE_2D);
  if (!mParticleVertices.empty()) {
    const SpriteVertex* first = mParticleVertices.data();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(SpriteVertex), first->pos);
    glTexCoordPointer(2, GL_FLOAT, sizeof(SpriteVertex), first->uv);
    glColorPointer(4, GL_FLOAT, sizeof(SpriteVertex), first->color);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mParticleIndices.size()), GL_UNSIGNED_INT,
                   mParticleIndices.data());
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
  }
  glDepthMask(GL_TRUE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  mDisplay->setShader(nullptr);
  mDisplay->setTexture(nullptr, 0);
}

void Tunnel::drawGreet(float, float, float pPercent) {
  mdo.setTransform(identity());
  const Vector3f camUp = camInv.multiplyVector(Vector3f(0, 1, 0)) * 0.05f;
  const Vector3f camRight = camInv.multiplyVector(Vector3f(1, 0, 0)) * (25.6f * 0.05f);

  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);

  mDisplay->setShader(mGreetShader);
  mDisplay->setTexture(mGreets, 0);
  mGreetShader->set(mGreetShader->getUniformLocation("texture"), 0);

  const float cameraZ = getSpline(pPercent).z;
  glBegin(GL_QUADS);
  for (int i = 0; i < static_cast<int>(mGreetPos.size()); ++i) {
    const float length = mGreetPos[i].z - cameraZ;
    // brightens on approach and goes dark once passed; at the very plane
    // of the camera it is simply as bright as it gets, not infinite
    float dist = 1.0f / (length * 0.4f);
    if (!(std::fabs(dist) < kBrightest)) dist = length < 0.0f ? -kBrightest : kBrightest;
    glColor3f(dist, dist, dist);
    const Vector3f& p = mGreetPos[i];
    const float y1 = i / 22.0f;
    const float y2 = y1 + 0.0454545f;
    vertex(0, y1, p - camRight + camUp);
    vertex(1, y1, p + camRight + camUp);
    vertex(1, y2, p + camRight - camUp);
    vertex(0, y2, p - camRight - camUp);
  }
  glEnd();
  glDepthMask(GL_TRUE);
  glDisable(GL_TEXTURE_2D);
  mDisplay->setShader(nullptr);
  mDisplay->setTexture(nullptr, 0);
}
