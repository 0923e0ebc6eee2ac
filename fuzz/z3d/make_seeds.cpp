// Writes the tracked seed files of the scene-loading fuzzer into a folder:
// make_seeds <folder>. They are small files made with the scene writer.

#include <cmath>
#include <cstdio>
#include <string>

#include "z3d_armature.h"
#include "z3d_camera.h"
#include "z3d_curve.h"
#include "z3d_light.h"
#include "z3d_manager.h"
#include "z3d_meshinstance.h"
#include "zlk_system.h"

namespace zelkor {
void zlk_log_callback(const LogData& data) { std::printf("[%s] %s\n", data.type, data.message); }
}  // namespace zelkor

using namespace zelkor::z3d;
using zelkor::mathbase::Quatf;
using zelkor::mathbase::Vector3f;
using zelkor::mathbase::Vector4f;
using Key = TrackBlenderFloat::Key;

namespace {

void keys(TrackBlenderFloat& c, TrackInterpolation ip, TrackExtrapolation ep) {
  c.setKeys({Key{{-0.5f, 0}, {0, 0}, {0.5f, 1}}, Key{{1.5f, 2}, {2, 2}, {2.5f, 2}}});
  c.setInterpolationMode(ip);
  c.setExtrapolationMode(ep);
}

void mesh(Manager& m) {
  Mesh* mesh = new Mesh;
  mesh->setName("quad");
  for (int i = 0; i < 4; ++i) {
    mesh->getPositions().push_back(Vector3f(float(i & 1), float(i >> 1), 0));
    Vertex v;
    v.posIndex = i;
    v.normal = Vector3f(0, 0, 1);
    mesh->getVertices().push_back(v);
  }
  UVList* uv = new UVList;
  uv->setName("UV");
  uv->resize(4);
  mesh->addUV(uv);
  BoneGroup* group = new BoneGroup;
  group->setGroupName("b");
  BoneGroupWeight w;
  w.vertexIndex = 1;
  w.weight = 0.5f;
  group->getWeights().push_back(w);
  mesh->addBoneGroup(group);
  Submesh* s = new Submesh;
  Triangle t;
  t.v[0] = 0;
  t.v[1] = 1;
  t.v[2] = 2;
  s->getTriangles().push_back(t);
  t.v[0] = 3;
  s->getTriangles().push_back(t);
  mesh->addSubmesh(s);
  m.addMesh(mesh);
}

void material(Manager& m) {
  Material* material = new Material;
  material->setName("mat");
  Material::Attribute* a = new Material::Attribute;
  a->setName("diffuse");
  a->setValue(Vector4f(1, 0.5f, 0, 1));
  Texture* t = new Texture;
  t->setName("t");
  t->setImageReference("img");
  a->addTexture(t);
  material->addAttribute(a);
  m.addMaterial(material);
  Image* image = new Image;
  image->setName("img");
  image->setFilename("a.png");
  m.addImage(image);
}

void scene(Manager& m) {
  Scene* scene = new Scene;
  scene->setName("s");
  Dummy* d = new Dummy;
  keys(d->getPositionTrack().getChannel(0), INTERPOLATION_BEZIER, EXTRAPOLATION_CYCLIC);
  keys(d->getRotationTrack().getChannel(1), INTERPOLATION_LINEAR, EXTRAPOLATION_CYCLIC_EXTRAPOLATION);
  scene->addChild(d);
  Camera* c = new Camera;
  keys(c->getFovTrack().getChannel(0), INTERPOLATION_CONSTANT, EXTRAPOLATION_EXTRAPOLATION);
  d->addChild(c);
  Light* l = new Light;
  l->setCastShadow(true);
  keys(l->getColorTrack().getChannel(0), INTERPOLATION_LINEAR, EXTRAPOLATION_CONSTANT);
  scene->addChild(l);
  MeshInstance* mi = new MeshInstance;
  mi->setMeshReference("quad");
  mi->setMaterial(1, "mat");
  scene->addChild(mi);
  Armature* a = new Armature;
  Armature::Bone* b = new Armature::Bone;
  b->setLength(1);
  b->addChildBone(new Armature::Bone);
  keys(b->getRotationTrack().getChannel(0), INTERPOLATION_BEZIER, EXTRAPOLATION_CONSTANT);
  a->addRootBone(b);
  scene->addChild(a);
  CurveInstance* curve = new CurveInstance;
  curve->getKeys().resize(2);
  curve->getKeys()[1].pos[1] = Vector3f(1, 2, 3);
  keys(curve->getSpeedTrack().getChannel(0), INTERPOLATION_LINEAR, EXTRAPOLATION_CONSTANT);
  scene->addChild(curve);
  m.addScene(scene);
}

void save(const Manager& m, const std::string& folder, const char* name) {
  m.save(folder + "/" + name);
  std::printf("%s/%s\n", folder.c_str(), name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  Manager empty, meshes, materials, scenes, all;
  save(empty, folder, "empty.z3d");
  mesh(meshes);
  save(meshes, folder, "mesh.z3d");
  material(materials);
  save(materials, folder, "material.z3d");
  scene(scenes);
  save(scenes, folder, "scene.z3d");
  mesh(all);
  material(all);
  scene(all);
  save(all, folder, "all.z3d");
  return 0;
}
