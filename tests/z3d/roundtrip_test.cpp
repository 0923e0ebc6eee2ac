#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"
#include "z3d_armature.h"
#include "z3d_camera.h"
#include "z3d_curve.h"
#include "z3d_light.h"
#include "z3d_manager.h"
#include "z3d_meshinstance.h"
#include "z3d_test_util.h"

namespace {

using namespace zelkor::z3d;
namespace mathbase = zelkor::mathbase;
using kindra_test::StdoutCapture;
using mathbase::Matrix4x4Col;
using mathbase::Quatf;
using mathbase::Vector2f;
using mathbase::Vector3f;
using mathbase::Vector4f;
using z3d_test::Bytes;
using Key = TrackBlenderFloat::Key;

void animate(TrackBlenderFloat& c, TrackInterpolation ip, TrackExtrapolation ep, float scale) {
  std::vector<Key> keys;
  for (int i = 0; i < 4; ++i) {
    const float t = i * 1.5f, v = std::sin(i * scale);
    keys.push_back(Key{{t - 0.5f, v - 0.1f}, {t, v}, {t + 0.5f, v + 0.1f}});
  }
  c.setKeys(keys);
  c.setInterpolationMode(ip);
  c.setExtrapolationMode(ep);
}

Mesh* buildMesh() {
  Mesh* mesh = new Mesh;
  mesh->setName("tower");
  for (int i = 0; i < 6; ++i) mesh->getPositions().push_back(Vector3f(float(i), float(i * i), -float(i)));
  for (int i = 0; i < 9; ++i) {
    Vertex v;
    v.posIndex = i % 6;
    v.normal = Vector3f(0.0f, 1.0f, float(i) / 9);
    mesh->getVertices().push_back(v);
  }
  for (const char* name : {"UVMap", "Detail"}) {
    UVList* uv = new UVList;
    uv->setName(name);
    for (int i = 0; i < 9; ++i) {
      UV e;
      e.uv = Vector2f(i * 0.1f, 1 - i * 0.1f);
      e.tangent = Vector3f(1, 0, 0);
      e.bitangent = Vector3f(0, 0, float(i));
      uv->push_back(e);
    }
    mesh->addUV(uv);
  }
  for (int g = 0; g < 2; ++g) {
    BoneGroup* group = new BoneGroup;
    group->setGroupName(g ? "upper" : "lower");
    for (int p = 0; p < 6; ++p) {
      BoneGroupWeight w;
      w.vertexIndex = p;
      w.weight = g ? p / 6.0f : 1 - p / 6.0f;
      group->getWeights().push_back(w);
    }
    mesh->addBoneGroup(group);
  }
  Submesh* walls = new Submesh;
  walls->setMaterialSlot(1);
  for (int i = 0; i + 2 < 9; ++i) {
    Triangle t;
    t.flags = static_cast<uint8_t>(i);
    t.v[0] = i;
    t.v[1] = i + 1;
    t.v[2] = i + 2;
    walls->getTriangles().push_back(t);
  }
  mesh->addSubmesh(walls);
  Submesh* empty = new Submesh;
  empty->setMaterialSlot(255);
  mesh->addSubmesh(empty);
  return mesh;
}

Material* buildMaterial() {
  Material* m = new Material;
  m->setName("brick");
  m->setShadeless(true);
  m->setRecieveShadows(false);
  for (int a = 0; a < 2; ++a) {
    Material::Attribute* attribute = new Material::Attribute;
    attribute->setName(a ? "specular" : "diffuse");
    attribute->setValue(Vector4f(0.1f * a, 0.2f, 0.3f, 1.0f));
    for (int t = 0; t < a + 1; ++t) {
      Texture* texture = new Texture;
      texture->setName("tex" + std::to_string(t));
      texture->setImageReference("brickimage");
      texture->setWrappingMode(t + 1);
      attribute->addTexture(texture);
    }
    m->addAttribute(attribute);
  }
  return m;
}

Scene* buildScene() {
  Scene* scene = new Scene;
  scene->setName("world");

  Dummy* pivot = new Dummy;
  pivot->setName("pivot");
  animate(pivot->getPositionTrack().getChannel(0), INTERPOLATION_BEZIER, EXTRAPOLATION_CYCLIC, 0.7f);
  animate(pivot->getPositionTrack().getChannel(2), INTERPOLATION_LINEAR, EXTRAPOLATION_EXTRAPOLATION, 0.3f);
  animate(pivot->getRotationTrack().getChannel(1), INTERPOLATION_CONSTANT, EXTRAPOLATION_CYCLIC_EXTRAPOLATION, 1.1f);
  pivot->getScaleTrack().setBaseValue(Vector3f(1, -2, 3));
  scene->addChild(pivot);

  Camera* camera = new Camera;
  camera->setName("cam");
  animate(camera->getFovTrack().getChannel(0), INTERPOLATION_LINEAR, EXTRAPOLATION_CONSTANT, 0.2f);
  pivot->addChild(camera);

  Light* light = new Light;
  light->setName("lamp");
  light->setCastShadow(true);
  light->getColorTrack().setBaseValue(Vector4f(1, 0.5f, 0.25f, 1));
  animate(light->getColorTrack().getChannel(3), INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC, 0.4f);
  light->getDistTrack().setBaseValue(12.0f);
  animate(light->getEnergyTrack().getChannel(0), INTERPOLATION_BEZIER, EXTRAPOLATION_CONSTANT, 0.9f);
  light->getFovTrack().setBaseValue(0.5f);
  scene->addChild(light);

  MeshInstance* instance = new MeshInstance;
  instance->setName("tower.001");
  instance->setMeshReference("tower");
  instance->setMaterial(0, "brick");
  instance->setMaterial(2, "glass");
  instance->getPositionTrack().setBaseValue(Vector3f(5, 0, 0));
  pivot->addChild(instance);

  Armature* rig = new Armature;
  rig->setName("rig");
  Armature::Bone* spine = new Armature::Bone;
  spine->setName("lower");
  spine->setLength(2.0f);
  spine->setLocalPosition(Vector3f(0, 1, 0));
  spine->setLocalOrientation(Quatf(0.5f, Vector3f(0, 1, 0)));
  Armature::Bone* neck = new Armature::Bone;
  neck->setName("upper");
  neck->setLength(0.5f);
  animate(neck->getRotationTrack().getChannel(0), INTERPOLATION_LINEAR, EXTRAPOLATION_CONSTANT, 0.1f);
  spine->addChildBone(neck);
  rig->addRootBone(spine);
  rig->updatePose();
  scene->addChild(rig);

  CurveInstance* path = new CurveInstance;
  path->setName("path");
  for (int i = 0; i < 3; ++i) {
    CurveInstance::Key k;
    for (int h = 0; h < 3; ++h) k.pos[h] = Vector3f(float(i), float(h), float(i * h));
    path->getKeys().push_back(k);
  }
  animate(path->getSpeedTrack().getChannel(0), INTERPOLATION_LINEAR, EXTRAPOLATION_CONSTANT, 0.25f);
  path->addChild(new Dummy);
  scene->addChild(path);
  return scene;
}

Manager* buildManager() {
  Manager* m = new Manager;
  m->addMesh(buildMesh());
  m->addMaterial(buildMaterial());
  Image* image = new Image;
  image->setName("brickimage");
  image->setFilename("textures/brick.png");
  m->addImage(image);
  m->addScene(buildScene());
  return m;
}

TEST(RoundTrip, EveryObjectKindReadsBackAsWritten) {
  std::unique_ptr<Manager> source(buildManager());
  const Bytes written = source->write();
  Manager back;
  StdoutCapture out;
  back.load(written.data(), static_cast<int>(written.size()));
  EXPECT_EQ(out.finish(), "");  // nothing unknown, nothing mended
  EXPECT_EQ(back.write(), written);
  EXPECT_EQ(back.listContents(), source->listContents());
  // handed over as a copy and saved as a file: the same bytes
  unsigned char* copy = nullptr;
  int length = 0;
  source->write(&copy, &length);
  EXPECT_EQ(Bytes(copy, copy + length), written);
  delete[] copy;
  kindra_test::ScratchDir dir("z3d");
  source->save(dir.file("scene.z3d"));
  EXPECT_EQ(kindra_test::readFile(dir.file("scene.z3d")), std::string(written.begin(), written.end()));

  const Mesh* mesh = back.getMesh("tower");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->getVertices().size(), 9);
  EXPECT_EQ(mesh->getVertices()[7].posIndex, 1);
  EXPECT_EQ(mesh->getVertices()[7].normal.z, 7.0f / 9);
  ASSERT_EQ(mesh->getNumUV(), 2);
  EXPECT_EQ(mesh->getUV(1)->getName(), "Detail");
  EXPECT_EQ((*mesh->getUV(1))[8].bitangent.z, 8.0f);
  EXPECT_EQ(mesh->getPositions()[5].y, 25.0f);
  ASSERT_EQ(mesh->getNumBoneGroups(), 2);
  EXPECT_EQ(mesh->getBoneGroup(1)->getGroupName(), "upper");
  EXPECT_EQ(mesh->getBoneGroup(1)->getWeights()[3].weight, 0.5f);
  ASSERT_EQ(mesh->getNumSubmesh(), 2);
  EXPECT_EQ(mesh->getSubmesh(0)->getMaterialSlot(), 1);
  EXPECT_EQ(mesh->getSubmesh(0)->getTriangles()[6].flags, 6);
  EXPECT_EQ(mesh->getSubmesh(1)->getMaterialSlot(), 255);
  EXPECT_EQ(mesh->getSubmesh(1)->getTriangles().size(), 0);
  EXPECT_EQ(mesh->getBox().mMax, Vector3f(5, 25, 0));

  const Material* material = back.getMaterial("brick");
  ASSERT_NE(material, nullptr);
  EXPECT_TRUE(material->isShadeless());
  EXPECT_FALSE(material->isRecieveShadows());
  ASSERT_EQ(material->getNumAttributes(), 2);
  EXPECT_EQ(material->getAttribute(1)->getValue().x, 0.1f);
  ASSERT_EQ(material->getAttribute(1)->getNumTextures(), 2);
  EXPECT_EQ(material->getAttribute(1)->getTexture(1)->getWrappingMode(), 2);
  EXPECT_EQ(back.getImage("brickimage")->getFilename(), "textures/brick.png");

  const Scene* scene = back.getScene("world");
  ASSERT_NE(scene, nullptr);
  const Light* light = dynamic_cast<const Light*>(scene->getChild("lamp"));
  ASSERT_NE(light, nullptr);
  EXPECT_TRUE(light->isCastShadow());
  EXPECT_EQ(light->getDist(), 12.0f);
  EXPECT_EQ(light->getColorTrack().getChannel(3).getNumKeys(), 4);
  const MeshInstance* instance =
      dynamic_cast<const MeshInstance*>(scene->getChild("pivot")->getChild("tower.001"));
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(instance->getMeshReference(), "tower");
  EXPECT_EQ(instance->getMaterials(), std::vector<std::string>({"brick", "", "glass"}));
  const Armature* rig = dynamic_cast<const Armature*>(scene->getChild("rig"));
  ASSERT_NE(rig, nullptr);
  ASSERT_EQ(rig->getNumRootBones(), 1);
  const Armature::Bone* neck = rig->getRootBone(0)->getChildBones().at(0);
  EXPECT_EQ(neck->getName(), "upper");
  EXPECT_EQ(neck->getRotationTrack().getChannel(0).getNumKeys(), 4);
  const Armature::Bone* spine = rig->getRootBone(0);
  const Vector3f end = neck->getPosePosition();  // the rest pose is computed after loading
  EXPECT_NEAR(end.x, -2 * std::sin(0.5f), 1e-5f);
  EXPECT_NEAR(end.z, -2 * std::cos(0.5f), 1e-5f);
  EXPECT_EQ(spine->getLocalOrientation().y, std::sin(0.25f));
  const CurveInstance* path = dynamic_cast<const CurveInstance*>(scene->getChild("path"));
  ASSERT_NE(path, nullptr);
  ASSERT_EQ(path->getKeys().size(), 3u);
  EXPECT_EQ(path->getKeys()[2].pos[2].z, 4.0f);
  EXPECT_EQ(path->getNumChildren(), 1);

  // the same animation from both
  const SceneNode* pivotA = source->getScene(0)->getChild("pivot");
  const SceneNode* pivotB = scene->getChild("pivot");
  for (float t = -3.0f; t < 10.0f; t += 0.7f) {
    Matrix4x4Col a, b;
    pivotA->calculateMatrix(t, a);
    pivotB->calculateMatrix(t, b);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], b[i]) << t;
  }
  EXPECT_EQ(scene->getAnimationLength(), source->getScene(0)->getAnimationLength());
}

}  // namespace
