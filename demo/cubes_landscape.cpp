// The water planet the tower stands on: drawn solid, then as a slightly
// larger wireframe shell.

#include "cubes.h"
#include "dis_glinclude.h"
#include "zlk_system.h"

using zelkor::mathbase::Vector3f;

void Cubes::setupLandscape() {
  zelkor::z3d::Manager manager;
  loadScene(manager, "waterworld/waterworld.z3d");
  const zelkor::z3d::Mesh* mesh = manager.getMesh("Waterworld");
  if (!mesh) throw zelkor::Exception("waterworld/waterworld.z3d: there is no mesh 'Waterworld'");
  uploadMesh("Waterworld", mesh);
}

void Cubes::drawLandscape(float pTimer, float, float, int renderpass) {
  if (renderpass != 0) return;
  auto found = mMeshes.find("Waterworld");
  if (found == mMeshes.end()) return;
  zelkor::brontel::Mesh* waterWorld = found->second;

  mDisplay->setShader(mWaterShader);
  setUniform(mWaterShader, "animateSlider", pTimer);
  setSunUniforms(mWaterShader, true);

  MatrixGL translation;
  translation.setIdentity();
  translation.setTranslation(Vector3f(0.0f, -100.0f, 0.0f));
  MatrixGL scale;
  scale.setIdentity();
  scale.setScale(100.0f);
  mdo.setTransform(translation * scale);
  mdo.setColor(0.3f, 0.3f, 0.4f, 1.0f);
  glEnable(GL_DEPTH_TEST);
  waterWorld->draw();

  mdo.setColor(0.6f, 0.6f, 0.6f, 1.0f);
  glLineWidth(2.0f);
  scale.setIdentity();
  scale.setScale(100.0f * 1.011f);
  mdo.setTransform(translation * scale);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  waterWorld->draw();
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

  glDisable(GL_DEPTH_TEST);
  mDisplay->setShader(nullptr);
  mDisplay->setTexture(nullptr, 4);
}
