#pragma once
// The cubes scene: a tower of cubes that grows and explodes, standing on a
// small water planet under a shaped sun and a sky of cloud billboards. The
// scene is drawn into float targets and composited with screen-space
// ambient occlusion; only the tower casts into the sun's shadow map.

#include <exception>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "brn_mesh.h"
#include "common.h"
#include "cubes_tower_batch.h"
#include "dis_display.h"
#include "dis_display_obsolete.h"
#include "kin_plugin_camera.h"
#include "kin_plugin_spline.h"
#include "kin_plugin_trigger.h"
#include "mb_matrix4x4col.h"
#include "mb_vector4.h"
#include "z3d_manager.h"

// One viewpoint: where it sits in the world and how it projects.
struct RenderView {
  RenderView() {
    local2world.setIdentity();
    world2local.setIdentity();
    project.setIdentity();
  }
  zelkor::mathbase::Matrix4x4Col local2world;
  zelkor::mathbase::Matrix4x4Col world2local;
  zelkor::mathbase::Matrix4x4Col project;
};

// One vertex of the cloud billboards: four per particle, differing only in
// the corner.
struct MyVertex {
  zelkor::mathbase::Vector3f pos;
  float displacement[2];
  float radius;
  float color[4];
  // Highest particles first.
  bool operator<(const MyVertex& other) const { return pos.y > other.pos.y; }
  // A new definition, owned by the caller.
  static zelkor::display::VertexDef* getVertexDef();
};
static_assert(sizeof(MyVertex) == 40, "the cloud buffer's layout");

class Cubes : public CommonEffect {
 public:
  typedef zelkor::mathbase::Vector3f Vector3f;
  typedef zelkor::mathbase::Matrix4x4Col MatrixGL;

  struct CubeData {
    CubeData() : count(0), size(1.0f) {}
    Vector3f pos;
    Vector3f rot;
    Vector3f acc;
    int count;
    float size;
    Vector3f color;
  };

  struct CloudPoint {
    Vector3f center;
    Vector3f size;
    Vector3f p[3];
    Vector3f s[3];
    float y0 = 0.0f;
    float y1 = 0.0f;
  };

  enum { kCubeCount = 900, kStrandCount = 400, kStrandPoints = 300, kKernelSize = 32, kCloudDivisor = 4 };
  enum { kShadowMapSize = 1024 };

  // Set to anything but "" or "0" to have the effect act as on a driver
  // without float textures or framebuffer objects.
  static const char* const kForceUnsupportedEnv;

  Cubes();
  ~Cubes() override;

  void setup(zelkor::kindra::EffectProgressUpdate& progress) override;
  // A changed scene file uploads its meshes again, in place of the old ones.
  bool reloadFile(const std::string& filename) override;
  void draw(float pTimer, float pDelta, float pPercent) override;
  void createShadowMap(float pTimer, float pDelta, float pPercent, const MatrixGL& cameraInv);
  // The scene target onto the screen with ambient occlusion.
  void drawComposite(float pTimer);

  void setupTower(zelkor::kindra::EffectProgressUpdate& progress);
  // The tower's layout is processor work only: setup starts it on a thread
  // of its own and the demo starts without waiting for it (the cubes play
  // well after the start); anything that reads the tower waits here first.
  void startTowerLayout();
  void waitForTower();
  void drawTower(float pTimer, float pDelta, float pPercent, int renderpass);
  // Brings the tower's changing state (the explosion, the marker's blink) to
  // effect time pTimer. The state is a function of time: the explosion is
  // stepped at a fixed rate from the trigger's first event, and a seek back
  // re-simulates it from the tower at rest.
  void setTowerTime(float pTimer);
  // One step of the explosion: gravity `delta`, the velocity added once,
  // bounces on the floor, cubes that bounced more than five times removed.
  void stepExplosion(float delta);
  // The explosion runs in ticks of this length; each tick is two steps, the
  // motion of a frame at 60 fps (the tower is drawn twice a frame).
  static constexpr double kExplosionTick = 1.0 / 60.0;
  void setupLandscape();
  void drawLandscape(float pTimer, float pDelta, float pPercent, int renderpass);
  void setupSun();
  void drawSun(float pTimer, float pDelta, float pPercent, int renderpass);
  void setupBirds();
  void drawBirds(float pTimer, float pDelta, float pPercent, int renderpass);

  // Whether the device can give what the scene needs (shaders, render
  // targets, float textures); false also when forced off for tests.
  bool driverSupportsScene() const;
  // Setup found the driver lacking: the effect draws nothing.
  bool isUnsupported() const { return mUnsupported; }
  // Uploads a scene mesh into mMeshes under `name`, replacing an entry.
  void uploadMesh(const std::string& name, const zelkor::z3d::Mesh* mesh);

  zelkor::display::DisplayObsolete mdo;
  zelkor::display::Shader* mAmbientOcclusionShader;
  zelkor::kindra::Spline mGrow;
  zelkor::kindra::Camera mCamera;
  std::vector<CubeData*> mCD;
  uint32_t topIndex;
  std::vector<Vector3f> mGrass[kStrandCount];
  float renderblink;
  zelkor::display::FBO* mFBO;
  zelkor::display::Texture* mColorTexture;
  zelkor::display::Texture* mDepthTexture;
  Vector3f* mRandy;
  zelkor::z3d::Manager mManager;
  std::map<std::string, zelkor::brontel::Mesh*> mMeshes;
  zelkor::display::VertexDef* mVertexDef;
  zelkor::display::Shader* mStandardShader;
  zelkor::display::Shader* mWaterShader;
  zelkor::display::Shader* mStandardShader_CreateShadowMap;
  MatrixGL m_matView2world;
  MatrixGL m_matWorld2View;
  zelkor::kindra::Trigger mPluginExplode;
  bool mExplode;
  zelkor::display::FBO* m_sunShadowMapFBO;
  zelkor::display::Texture* m_sunShadowMap;
  float m_sunYMin;
  float m_sunYMax;
  MatrixGL m_sunView2UV;
  MatrixGL m_sun2world;
  zelkor::display::VertexDef* mCloudVertexDef;
  zelkor::display::Shader* mCloudShader;
  zelkor::display::VBO* mCloudVBO;
  zelkor::display::IBO* mCloudIBO;
  zelkor::display::Texture* mBillboardParticle;
  // the clouds are drawn at a quarter of the size each way, then stretched
  // over the frame: a sixteenth of the blended fragments, and they are soft
  // enough that the frames differ by a few levels at most
  zelkor::display::FBO* mCloudFBO;
  zelkor::display::Texture* mCloudPicture;
  std::vector<CloudPoint*> mClouds;
  zelkor::kindra::Spline mCloudIntensity;
  zelkor::display::Shader* mSunShader;
  zelkor::kindra::Spline mSunShape;
  zelkor::kindra::Spline mSunBlob;
  zelkor::kindra::Spline mSunSize;
  zelkor::kindra::Spline mSunDrawSize;

 private:
  // Binds the tower's program for the pass with this frame's sun values:
  // the batch's program for the cubes, else the single mesh's.
  void bindTowerShader(int renderpass, bool batch = false);
  // Loads a scene file of the archives into `manager`; throws naming it.
  void loadScene(zelkor::z3d::Manager& manager, const std::string& filename);
  // The sun's uniforms for the bound program; with `shadowLookup` also the
  // shadow map on unit 4 and the matrix to reach it.
  void setSunUniforms(zelkor::display::Shader* shader, bool shadowLookup);
  // Logs (once per kind) a GL error left by the frame, so that a broken
  // driver or program shows in the log without stopping the demo.
  void reportGlErrors();

  // The marker's brightness at pTimer: 1 while a strand segment touches its
  // strand's end, falling by 2 per second since the last 1/60 s tick that
  // did (from 0 at the effect's start before any did).
  float blinkAt(float pTimer) const;

  bool mUnsupported;
  bool mReportedGlError;
  // Every cube of the tower in one buffer and the programs that read it.
  TowerBatch mTowerBatch;
  zelkor::display::Shader* mBatchShader;
  zelkor::display::Shader* mBatchShadowShader;
  std::vector<float> mCubeVertices;      // the "Cube" mesh: position, normal
  std::vector<uint32_t> mCubeIndices;    // and its triangles
  std::vector<TowerBatch::Cube> mBatchCubes;
  std::vector<CubeData> mTowerAtRest;  // the tower as set up, for re-simulating
  float mExplodeAt;                    // the first event the state was stepped from
  long mExplodeTicks;                  // ticks stepped since then
  std::thread mTowerLayout;
  std::exception_ptr mTowerLayoutError;
};

// Sets a uniform of the bound program by name; unknown names are ignored
// (the compiler drops uniforms a program does not use).
template <typename T>
inline void setUniform(zelkor::display::Shader* shader, const char* name, const T& value, int count = 1) {
  shader->set(shader->getUniformLocation(name), value, count);
}
