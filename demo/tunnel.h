#pragma once
// The tunnel flight: the camera follows a fixed curve through 200 wobbling
// wall segments, past 22 greeting strips, inside a stream of 1,600 additive
// sprites. The whole span of the effect is one pass, whatever its length.

#include <cstdint>
#include <vector>

#include "brn_mesh.h"
#include "common.h"
#include "dis_display_obsolete.h"
#include "dis_resource.h"
#include "dis_vertexdef.h"
#include "kin_plugin_camera.h"
#include "kin_plugin_color.h"
#include "kin_plugin_spline.h"
#include "mb_matrix4x4col.h"
#include "mb_vector3.h"
#include "mb_vector4.h"
#include "tunnel_walls.h"

class Tunnel : public CommonEffect {
 public:
  Tunnel();
  ~Tunnel() override;

  void setup() override;
  void draw(float pTimer, float pDelta, float pPercent) override;
  // The walls' scene file is read again when it changed.
  bool reloadFile(const std::string& filename) override;

  // The path at parameter p: z runs 0..100 over p 0..1 while x and y weave.
  static zelkor::mathbase::Vector3f getSpline(float p);

  // The two particle colour sets at the effect's local time, alpha never
  // below 0: col[0] for even particles, col[1] for odd ones.
  void getParticleColors(float pTimer, zelkor::mathbase::Vector4f col[2]);

  const std::vector<zelkor::mathbase::Vector3f>& getGreetPositions() const { return mGreetPos; }

  zelkor::display::DisplayObsolete mdo;
  zelkor::kindra::Camera mCamera;  // only its roll is used
  zelkor::display::VertexDef mSegmentVD;
  zelkor::brontel::Mesh* mSegment[1];
  zelkor::display::Shader* mSegmentShader;
  // how far the segment mesh reaches from its origin: segments wholly behind
  // the camera are left out (most of the tunnel lies behind it)
  float mSegmentReach;
  // segments farther than this from the camera are drawn one-sided
  float mSegmentOneSidedBeyond;
  std::vector<zelkor::mathbase::Box3> mSegmentSolids;  // when it is made of solids
  float mViewSlope[2];  // the view's sides, x and y over depth
  zelkor::display::Shader* mBaconShader;
  zelkor::display::Shader* mGreetShader;
  std::vector<zelkor::mathbase::Vector3f> mGreetPos;
  struct SpriteVertex {
    float pos[3];
    float uv[2];
    float color[4];
  };
  // kept: filled again each frame
  std::vector<SpriteVertex> mParticleVertices;
  std::vector<uint32_t> mParticleIndices;
  zelkor::display::Texture* mGreets;
  zelkor::mathbase::Matrix4x4Col cam;
  zelkor::mathbase::Matrix4x4Col camInv;
  zelkor::display::Texture* mSprite;
  zelkor::kindra::Spline mParticleFade;
  zelkor::kindra::Spline mParticleFade2;
  zelkor::kindra::Color mParticleColor;
  zelkor::kindra::Color mParticleColor2;

 private:
  void setupWalls();
  // The wall segment from the scene file; the old one stays when it fails
  // (also, `live`, when the mesh is empty).
  void loadWalls(bool live = false);
  void drawWalls(float pTimer, float pDelta, float pPercent);
  void setupBacon();
  void drawBacon(float pTimer, float pDelta, float pPercent);
  void drawGreet(float pTimer, float pDelta, float pPercent);
};
