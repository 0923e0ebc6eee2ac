// The cloud sky: soft particles baked once into a static buffer, turned to
// the camera by the program.

#include <algorithm>
#include <cmath>

#include "cubes.h"
#include "dis_glinclude.h"

using zelkor::display::VertexAttribute;
using zelkor::display::VertexDef;
using zelkor::mathbase::Vector3f;

VertexDef* MyVertex::getVertexDef() {
  VertexDef* def = new VertexDef(sizeof(MyVertex));
  def->addAttribute(VertexAttribute(0, "va_pos", 0, zelkor::display::TYPE_FLOAT, 3));
  def->addAttribute(VertexAttribute(1, "va_displacement", 12, zelkor::display::TYPE_FLOAT, 2));
  def->addAttribute(VertexAttribute(2, "va_radius", 20, zelkor::display::TYPE_FLOAT, 1));
  def->addAttribute(VertexAttribute(3, "va_color", 24, zelkor::display::TYPE_FLOAT, 4));
  return def;
}

namespace {
float intensity(const Vector3f& v) { return 0.3f * v.x + 0.59f * v.y + 0.11f * v.z; }
}  // namespace

void Cubes::setupBirds() {
  // one level: the puffs are drawn larger than the picture, and a single
  // bilinear fetch is what the driver does fastest
  zelkor::display::TextureDeclaration particle;
  particle.useMipmaps = false;
  mBillboardParticle = mDisplay->createTexture("clouds/particle.png", particle, false);
  mCloudVertexDef = MyVertex::getVertexDef();
  mCloudShader = mDisplay->createShader("clouds/sprite", mCloudVertexDef);

  const int w = mDisplay->getRenderWidth();
  const int h = mDisplay->getRenderHeight();
  zelkor::display::TextureDeclaration small((w + kCloudDivisor - 1) / kCloudDivisor,
                                           (h + kCloudDivisor - 1) / kCloudDivisor);
  small.channelType = zelkor::display::Texture::CHAN_RGBA;
  small.channelFormat = zelkor::display::Texture::FORMAT_UINT8;
  small.target = zelkor::display::Texture::TARGET_2D;
  small.repeatMode = 0;
  small.useMipmaps = false;
  mCloudPicture = mDisplay->createTexture(small);
  mCloudFBO = mDisplay->createFBO(small.width, small.height, false);
  mCloudFBO->attach(zelkor::display::FBO::COLOR0, mCloudPicture);

  Random random(23);
  for (int j = 0; j < 50; ++j) {
    CloudPoint* c = new CloudPoint;
    mClouds.push_back(c);
    c->size = random.uniform3(170.0f, 230.0f);
    c->size.y *= 0.6f;
    do {
      const float r = random.uniform(350.0f, 800.0f);
      c->center = random.randomOnSphere() * r;
    } while (c->center.y > 400.0f || c->center.y <= -80.0f);
    c->y1 = c->center.y + c->size.y;
    c->y0 = c->center.y - c->size.y;
    for (int p = 0; p < 3; ++p) {
      const Vector3f size = random.uniform3(0.3f, 0.8f).multiply(c->size);
      c->s[p] = size;
      c->p[p] = c->center + random.randomInEllipsoid(size);
    }
  }

  const int particleCount = 6000;
  std::vector<MyVertex> particles;
  particles.reserve(particleCount);
  const Vector3f sunCol(1.4f, 1.4f, 1.4f);
  const Vector3f skyCol(0.7f, 0.6f, 0.6f);
  for (int k = 0; k < particleCount; ++k) {
    const int ci = random.uniform(0, static_cast<int>(mClouds.size()) - 1);
    const int si = random.uniform(0, 2);
    const CloudPoint* c = mClouds[ci];
    MyVertex v;
    v.pos = c->p[si] + random.randomInEllipsoid(c->s[si]);
    const float radius = random.uniform(0.1f, 0.9f);
    v.radius = intensity(c->s[si]) * radius;
    const float heightCol = std::min(std::max((v.pos.y - c->y0) / (c->y1 - c->y0), 0.0f), 1.0f) * 0.8f + 0.2f;
    const float heightIntensity = std::pow(heightCol, 8.0f) * 0.9f;
    const float light = random.uniform(0.3f, std::min(1.0f, heightCol));
    const float density = random.uniform(0.1f, 0.4f) * radius / 0.9f;
    const Vector3f mixCol = sunCol * heightIntensity + skyCol * (1.0f - heightIntensity);
    const Vector3f totCol = mixCol * (light * 0.9f + 0.1f);
    v.color[0] = totCol.x;
    v.color[1] = totCol.y;
    v.color[2] = totCol.z;
    v.color[3] = density;
    v.displacement[0] = 0.0f;
    v.displacement[1] = 0.0f;
    particles.push_back(v);
  }
  // highest first: with the depth test off the lower ones blend over them
  std::stable_sort(particles.begin(), particles.end());

  // Each particle is an octagon around the sprite's circle rather than a
  // square: the sprite is clear outside its circle, and the corners the
  // octagon leaves out are a sixth of the blended fragments the clouds cost.
  // Corners clockwise like the square's two triangles (the faces are culled).
  const float t = 0.41421356f;  // tan(pi / 8)
  static const int kCorners = 8;
  const float corners[kCorners][2] = {{-1.0f, -t}, {-1.0f, t}, {-t, 1.0f}, {t, 1.0f},
                                      {1.0f, t},   {1.0f, -t}, {t, -1.0f}, {-t, -1.0f}};
  const int perParticle = 3 * (kCorners - 2);
  const int numVertices = kCorners * particleCount;
  const int numIndices = perParticle * particleCount;
  mCloudVBO = mDisplay->createVBO(numVertices, mCloudVertexDef, zelkor::display::DisplayGL::MODE_STATIC);
  mCloudIBO = mDisplay->createIBO(numIndices, zelkor::display::IBO::FORMAT_UINT32,
                                  zelkor::display::DisplayGL::MODE_STATIC);
  std::vector<uint32_t> indices;
  indices.reserve(numIndices);
  for (int s = 0; s < particleCount; ++s) {
    for (int k = 1; k + 1 < kCorners; ++k) {
      indices.push_back(kCorners * s);
      indices.push_back(kCorners * s + k);
      indices.push_back(kCorners * s + k + 1);
    }
  }
  mCloudIBO->replace(0, numIndices, indices.data(), 0, zelkor::display::IBO::FORMAT_UINT32);

  MyVertex* out = static_cast<MyVertex*>(mCloudVBO->lock(true, false, -1, 0));
  for (const MyVertex& particle : particles) {
    for (int c = 0; c < kCorners; ++c) {
      *out = particle;
      out->displacement[0] = corners[c][0];
      out->displacement[1] = corners[c][1];
      ++out;
    }
  }
  mCloudVBO->unlock();
}

void Cubes::drawBirds(float pTimer, float, float, int) {
  float cloudIntensity = mCloudIntensity.get(pTimer);
  // at nought every particle blends to nothing: the frame is the same
  // without them, and they are most of its cost
  if (!(cloudIntensity > 0.0f)) return;
  cloudIntensity = std::min(cloudIntensity, 1.0f);

  MatrixGL identity;
  identity.setIdentity();
  mdo.setTransform(identity);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glEnable(GL_BLEND);

  // Into the small picture with the colour blended as over the frame and
  // the alpha as coverage: it holds the clouds' colour premultiplied and how
  // much they hide, which laid over the sky below gives the same blend.
  zelkor::display::FBO* const frame = mDisplay->getFBO();
  mDisplay->setFBO(mCloudFBO);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);

  mDisplay->setShader(mCloudShader);
  mDisplay->setTexture(mBillboardParticle, 0);
  setUniform(mCloudShader, "billboardTex", 0);
  setUniform(mCloudShader, "cameraRight", m_matView2world.multiplyVector(Vector3f(1.0f, 0.0f, 0.0f)).getNormalized());
  setUniform(mCloudShader, "cameraUp", m_matView2world.multiplyVector(Vector3f(0.0f, -1.0f, 0.0f)).getNormalized());
  setUniform(mCloudShader, "mat_view2world", m_matView2world);
  setUniform(mCloudShader, "buffycolly", zelkor::mathbase::Vector4f(1.0f, 1.0f, 1.0f, cloudIntensity));

  mDisplay->setVBO(mCloudVBO);
  mDisplay->setIBO(mCloudIBO);
  mDisplay->draw(zelkor::display::DisplayGL::DRAW_TRIANGLES, -1, -1, -1, -1);

  mDisplay->setShader(nullptr);
  mDisplay->setVBO(nullptr);
  mDisplay->setIBO(nullptr);
  mDisplay->setFBO(frame);
  glDisable(GL_CULL_FACE);

  // stretched over the frame, filtered; the scene's matrices stay
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  mDisplay->setTexture(mCloudPicture, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  mdo.drawScreenQuad();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_TEXTURE_2D);
  mDisplay->setTexture(nullptr, 0);
  glDisable(GL_BLEND);
}
