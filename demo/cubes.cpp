#include "cubes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "dis_glinclude.h"
#include "mb_box3.h"
#include "mb_quatf.h"
#include "z3d_submesh.h"
#include "zlk_system.h"

using zelkor::Exception;
using zelkor::display::DisplayGL;
using zelkor::display::FBO;
using zelkor::display::Texture;
using zelkor::display::TextureDeclaration;
using zelkor::mathbase::Quatf;
using zelkor::mathbase::Vector3f;

const char* const Cubes::kForceUnsupportedEnv = "KINDRA_FORCE_NO_FLOAT_TARGETS";

Cubes::Cubes()
    : mAmbientOcclusionShader(nullptr),
      topIndex(0),
      renderblink(0.0f),
      mFBO(nullptr),
      mColorTexture(nullptr),
      mDepthTexture(nullptr),
      mRandy(nullptr),
      mVertexDef(nullptr),
      mStandardShader(nullptr),
      mWaterShader(nullptr),
      mStandardShader_CreateShadowMap(nullptr),
      mExplode(false),
      m_sunShadowMapFBO(nullptr),
      m_sunShadowMap(nullptr),
      m_sunYMin(-15.0f),
      m_sunYMax(75.0f),
      mCloudVertexDef(nullptr),
      mCloudShader(nullptr),
      mCloudVBO(nullptr),
      mCloudIBO(nullptr),
      mBillboardParticle(nullptr),
      mCloudFBO(nullptr),
      mCloudPicture(nullptr),
      mSunShader(nullptr),
      mUnsupported(false),
      mReportedGlError(false),
      mBatchShader(nullptr),
      mBatchShadowShader(nullptr),
      mExplodeAt(std::numeric_limits<float>::infinity()),
      mExplodeTicks(0) {
  m_matView2world.setIdentity();
  m_matWorld2View.setIdentity();
  m_sunView2UV.setIdentity();
  m_sun2world.setIdentity();
  addPlugin("camera", mCamera);
  addPlugin("sunShape", mSunShape);
  addPlugin("sunBlob", mSunBlob);
  addPlugin("sunSize", mSunSize);
  addPlugin("sunDrawSize", mSunDrawSize);
  addPlugin("explode", mPluginExplode);
  addPlugin("grow", mGrow);
  addPlugin("cloudIntensity", mCloudIntensity);
}

Cubes::~Cubes() {
  if (mTowerLayout.joinable()) mTowerLayout.join();
  delete[] mRandy;
  for (CubeData* cube : mCD) delete cube;
  for (CloudPoint* cloud : mClouds) delete cloud;
  // the GPU meshes give their buffers back to the device, which must still
  // be there (the engine releases its effects before the device)
  for (auto& entry : mMeshes) delete entry.second;
  // the cloud buffer is the only other one made for a definition of ours,
  // which must outlive it
  if (mCloudVBO) mCloudVBO->destroy();
  delete mCloudVertexDef;
  delete mVertexDef;
}

bool Cubes::driverSupportsScene() const {
  const char* forced = std::getenv(kForceUnsupportedEnv);
  if (forced && *forced && std::strcmp(forced, "0") != 0) return false;
  return mDisplay && mDisplay->supportsShaders() && mDisplay->supportsFBO() &&
         mDisplay->hasExtension("GL_ARB_texture_float");
}

void Cubes::loadScene(zelkor::z3d::Manager& manager, const std::string& filename) {
  zelkor::am::File file = mDisplay->getArchive()->readFile(filename);
  if (file.isNull()) throw Exception("Could not open file %s", filename.c_str());
  if (file->length > 0x7fffffff) throw Exception("%s: the scene file is too large", filename.c_str());
  manager.load(file->data, static_cast<int>(file->length), filename);
}

bool Cubes::reloadFile(const std::string& filename) {
  if (mUnsupported) return false;
  if (filename != "cubes/kub.z3d" && filename != "cubes/zenit.z3d" && filename != "waterworld/waterworld.z3d") {
    return false;
  }
  // read whole before any mesh is replaced: a broken file changes nothing
  zelkor::z3d::Manager manager;
  loadScene(manager, filename);
  // a file cut short reads as empty meshes: the old ones stay
  if (manager.getNumMeshes() == 0) throw Exception("%s: The scene has no meshes", filename.c_str());
  for (int i = 0; i < manager.getNumMeshes(); ++i) {
    if (manager.getMesh(i)->getVertices().size() == 0) {
      throw Exception("%s: The mesh '%s' has no vertices", filename.c_str(), manager.getMesh(i)->getName().c_str());
    }
  }
  for (int i = 0; i < manager.getNumMeshes(); ++i) uploadMesh(manager.getMesh(i)->getName(), manager.getMesh(i));
  return true;
}

namespace {
// An RGBA render-target texture: one level, clamped.
TextureDeclaration targetDeclaration(int width, int height, Texture::ChannelFormat format) {
  TextureDeclaration decl(width, height);
  decl.channelType = Texture::CHAN_RGBA;
  decl.channelFormat = format;
  decl.target = Texture::TARGET_2D;
  decl.repeatMode = 0;
  decl.useMipmaps = false;
  return decl;
}
}  // namespace

void Cubes::uploadMesh(const std::string& name, const zelkor::z3d::Mesh* mesh) {
  std::unique_ptr<zelkor::brontel::Mesh> gpu(new zelkor::brontel::Mesh);
  gpu->load(mDisplay, mesh, mVertexDef, "va_", nullptr);
  // a later mesh of the same name takes the entry; the earlier one goes
  if (name == "Cube") {
    // the tower's batch repeats this geometry; the buffer's own copy has the
    // vertices as drawn, the scene's triangles their order
    const zelkor::display::VBO* vbo = gpu->getVBO();
    mCubeVertices.clear();
    mCubeIndices.clear();
    if (vbo) {
      const int count = vbo->getNumVertices();
      const float* data = static_cast<const float*>(gpu->getVBO()->lock(false, true, -1, 0));
      mCubeVertices.assign(data, data + count * 6);
      gpu->getVBO()->unlock();
      for (int s = 0; s < mesh->getNumSubmesh(); ++s) {
        const zelkor::z3d::TriangleList& triangles = mesh->getSubmesh(s)->getTriangles();
        for (int t = 0; t < triangles.size(); ++t) {
          for (int k = 0; k < 3; ++k) mCubeIndices.push_back(static_cast<uint32_t>(triangles[t].v[k]));
        }
      }
    }
  }
  zelkor::brontel::Mesh*& entry = mMeshes[name];
  delete entry;
  entry = gpu.release();
}

void Cubes::setSunUniforms(zelkor::display::Shader* shader, bool shadowLookup) {
  setUniform(shader, "sun_ymin", m_sunYMin);
  setUniform(shader, "sun_ymax", m_sunYMax);
  setUniform(shader, "mat_view2world", m_matView2world);
  if (shadowLookup) {
    setUniform(shader, "mat_sun_view2uv", m_sunView2UV);
    setUniform(shader, "sun_shadowmap", 4);
    mDisplay->setTexture(m_sunShadowMap, 4);
  }
}

void Cubes::setup(zelkor::kindra::EffectProgressUpdate& progress) {
  if (!driverSupportsScene()) {
    mUnsupported = true;
    ZLK_LOG("warning", "app",
            "Cubes: the display driver has no float textures or no render targets; the cubes scene is left out");
    progress.updateProgress(1.0f);
    return;
  }
  mVertexDef = zelkor::display::VertexP3N3::getVertexDef("va_");
  mStandardShader = mDisplay->createShader("materials/standard", mVertexDef);
  mWaterShader = mDisplay->createShader("materials/water", mVertexDef);
  mStandardShader_CreateShadowMap = mDisplay->createShader("materials/standard_createshadowmap", mVertexDef);
  mAmbientOcclusionShader = mDisplay->createShader("postprocess/ssao", nullptr);

  // the scene target has the size the effects draw at
  const int w = mDisplay->getRenderWidth();
  const int h = mDisplay->getRenderHeight();
  const TextureDeclaration target = targetDeclaration(w, h, Texture::FORMAT_F16);
  mColorTexture = mDisplay->createTexture(target);
  mFBO = mDisplay->createFBO(w, h, true);
  mFBO->attach(FBO::COLOR0, mColorTexture);
  // the occlusion reads only the depth: one channel is a quarter of the
  // texels to filter on each of its many reads
  TextureDeclaration depth = target;
  depth.channelType = Texture::CHAN_RED;
  mDepthTexture = mDisplay->createTexture(depth);
  mFBO->attach(FBO::COLOR1, mDepthTexture);

  // a hemisphere around +z; a fixed seed, so that every run and every
  // process of a split render draws the same frames
  Random kernel(7);
  mRandy = new Vector3f[kKernelSize];
  for (int a = 0; a < kKernelSize; ++a) {
    const float s = kernel.uniform(0.1f, 1.0f);
    const Vector3f v = kernel.randomOnSphere();
    mRandy[a] = v * s;
    mRandy[a].z = std::fabs(mRandy[a].z);
  }

  loadScene(mManager, "cubes/kub.z3d");
  loadScene(mManager, "cubes/zenit.z3d");

  std::printf("Meshes: %d\n", mManager.getNumMeshes());
  for (int i = 0; i < mManager.getNumMeshes(); ++i) {
    const zelkor::z3d::Mesh* mesh = mManager.getMesh(i);
    uploadMesh(mesh->getName(), mesh);
    std::printf("   * %s\n", mesh->getName().c_str());
  }
  std::fflush(stdout);
  mTowerBatch.create(mDisplay, mCubeVertices, mCubeIndices, kCubeCount);
  mBatchShader = mDisplay->createShader("materials/standard_batch.vert", "materials/standard.frag",
                                        mTowerBatch.getVertexDef());
  mBatchShadowShader =
      mDisplay->createShader("materials/standard_createshadowmap_batch.vert",
                             "materials/standard_createshadowmap.frag", mTowerBatch.getVertexDef());

  startTowerLayout();
  setupLandscape();
  setupBirds();
  setupSun();

  m_sunShadowMap =
      mDisplay->createTexture(targetDeclaration(kShadowMapSize, kShadowMapSize, Texture::FORMAT_UINT8));
  m_sunShadowMapFBO = mDisplay->createFBO(kShadowMapSize, kShadowMapSize, true);
  m_sunShadowMapFBO->attach(FBO::COLOR0, m_sunShadowMap);
}

void Cubes::reportGlErrors() {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return;
  while (glGetError() != GL_NO_ERROR) {
  }
  if (mReportedGlError) return;
  mReportedGlError = true;
  ZLK_LOG("error", "app", "Cubes: GL error 0x%04X after a frame", static_cast<unsigned>(error));
}

void Cubes::draw(float pTimer, float pDelta, float pPercent) {
  if (mUnsupported || !mFBO) return;
  setTowerTime(pTimer);
  m_matView2world = mCamera.getInverseMatrix(pTimer);
  m_matWorld2View = mCamera.getMatrix(pTimer);

  createShadowMap(pTimer, pDelta, pPercent, m_matView2world);

  const zelkor::display::WindowMode& mode = mDisplay->getWindowMode();
  const float aspect = mode.height > 0 ? static_cast<float>(mode.width) / static_cast<float>(mode.height) : 1.0f;
  mdo.setProject(45.0f * 3.1415927f / 180.0f, aspect, 0.2f, 1720.0f);
  mdo.setCamera(m_matWorld2View);

  drawSun(pTimer, pDelta, pPercent, 0);
  drawBirds(pTimer, pDelta, pPercent, 0);

  mDisplay->setFBO(mFBO);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  drawLandscape(pTimer, pDelta, pPercent, 0);
  drawTower(pTimer, pDelta, pPercent, 0);
  mDisplay->setFBO(nullptr);

  drawComposite(pTimer);
  reportGlErrors();
}

void Cubes::drawComposite(float pTimer) {
  MatrixGL identity;
  identity.setIdentity();
  mdo.setProject(identity);
  mdo.setTransform(identity);
  mdo.setCamera(identity);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  mDisplay->setShader(mAmbientOcclusionShader);
  mDisplay->setTexture(mColorTexture, 0);
  mDisplay->setTexture(mDepthTexture, 1);
  setUniform(mAmbientOcclusionShader, "texColor", 0);
  setUniform(mAmbientOcclusionShader, "texDepth", 1);
  setUniform(mAmbientOcclusionShader, "fk", mRandy[0], kKernelSize);
  setUniform(mAmbientOcclusionShader, "pTimer", pTimer);

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  mdo.drawScreenQuad();
  glDisable(GL_BLEND);
  mDisplay->setShader(nullptr);
}

void Cubes::createShadowMap(float pTimer, float pDelta, float pPercent, const MatrixGL& cameraInv) {
  const zelkor::mathbase::Box3 bounds(Vector3f(-30.0f, -15.0f, -30.0f), Vector3f(30.0f, 75.0f, 30.0f));
  const Vector3f boundsCenter = (bounds.mMin + bounds.mMax) * 0.5f;
  const float margin = 3.0f;
  const float height = (bounds.mMax.y - bounds.mMin.y) + 2.0f * margin;
  const float znear = margin / height;
  const float zfar = height;

  const Vector3f lightPos(boundsCenter.x, bounds.mMax.y + margin, boundsCenter.z);
  Quatf lightRot;
  lightRot.setRotX(-1.5707964f);

  RenderView zenitLight;
  zenitLight.project.setProjectOrtho(bounds.mMin.x, bounds.mMax.x, bounds.mMin.z, bounds.mMax.z, -znear, -zfar);
  zenitLight.world2local.buildPRSinverse(lightPos, lightRot, Vector3f(1.0f, 1.0f, 1.0f));
  zenitLight.local2world.buildPRS(lightPos, lightRot, Vector3f(1.0f, 1.0f, 1.0f));

  mdo.setProject(zenitLight.project);
  mdo.setCamera(zenitLight.world2local);

  MatrixGL world2uv;
  world2uv.buildPRS(Vector3f(0.5f, 0.5f, 0.0f), Quatf(), Vector3f(0.5f, 0.5f, 1.0f));
  world2uv = world2uv * zenitLight.project * zenitLight.world2local;
  const MatrixGL view2uv = world2uv * cameraInv;

  m_sunYMin = bounds.mMin.y;
  m_sunYMax = bounds.mMax.y;
  m_sunView2UV = view2uv;
  m_sun2world = zenitLight.local2world;

  mDisplay->setFBO(m_sunShadowMapFBO);
  glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  drawTower(pTimer, pDelta, pPercent, 1);
  mDisplay->setFBO(nullptr);
}
