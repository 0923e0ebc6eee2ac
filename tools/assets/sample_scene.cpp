// "samples/sample.z3d": a small scene file written through the scene writer,
// with one object of every main kind: a box mesh whose sides and caps are two
// submeshes with their own materials, an image that a material's texture
// names, and a scene whose nodes carry animation tracks. The scene library's
// tests read it back and the scene fuzzer starts from it.

#include "asset_kit.h"
#include "z3d_camera.h"
#include "z3d_light.h"
#include "z3d_manager.h"
#include "z3d_meshinstance.h"

namespace {

using namespace zelkor::z3d;
using zelkor::mathbase::Vector2f;
using zelkor::mathbase::Vector3f;
using zelkor::mathbase::Vector4f;
using Key = TrackBlenderFloat::Key;

// A key at (time, value) with its Bézier handles a third of a second away.
Key key(float time, float value) { return Key{{time - 0.33f, value}, {time, value}, {time + 0.33f, value}}; }

void animate(TrackBlenderFloat& channel, const std::vector<Key>& keys, TrackInterpolation interpolation,
             TrackExtrapolation extrapolation) {
  channel.setKeys(keys);
  channel.setInterpolationMode(interpolation);
  channel.setExtrapolationMode(extrapolation);
}

// A unit box centred on the origin: four quads of sides in submesh 0 and the
// top and bottom in submesh 1, each face with its own four vertices.
Mesh* box() {
  Mesh* mesh = new Mesh;
  mesh->setName("box");
  for (int i = 0; i < 8; ++i) {
    mesh->getPositions().push_back(Vector3f(i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f));
  }
  // corners of each face counter-clockwise seen from outside, and its normal
  struct Face {
    int corner[4];
    Vector3f normal;
    int submesh;
  };
  const Face faces[6] = {
      {{0, 4, 6, 2}, Vector3f(-1, 0, 0), 0}, {{5, 1, 3, 7}, Vector3f(1, 0, 0), 0},
      {{1, 0, 2, 3}, Vector3f(0, 0, -1), 0}, {{4, 5, 7, 6}, Vector3f(0, 0, 1), 0},
      {{2, 6, 7, 3}, Vector3f(0, 1, 0), 1},  {{0, 1, 5, 4}, Vector3f(0, -1, 0), 1},
  };
  const Vector2f corners[4] = {Vector2f(0, 0), Vector2f(1, 0), Vector2f(1, 1), Vector2f(0, 1)};
  UVList* uv = new UVList;
  uv->setName("UVMap");
  Submesh* parts[2] = {new Submesh, new Submesh};
  parts[1]->setMaterialSlot(1);
  for (const Face& face : faces) {
    const int first = mesh->getVertices().size();
    for (int c = 0; c < 4; ++c) {
      Vertex v;
      v.posIndex = face.corner[c];
      v.normal = face.normal;
      mesh->getVertices().push_back(v);
      UV coordinate;
      coordinate.uv = corners[c];
      uv->push_back(coordinate);
    }
    for (int half = 0; half < 2; ++half) {
      Triangle t;
      t.v[0] = first;
      t.v[1] = first + 1 + half;
      t.v[2] = first + 2 + half;
      parts[face.submesh]->getTriangles().push_back(t);
    }
  }
  mesh->addUV(uv);
  mesh->addSubmesh(parts[0]);
  mesh->addSubmesh(parts[1]);
  return mesh;
}

Material* material(const char* name, const Vector4f& diffuse, const char* image) {
  Material* m = new Material;
  m->setName(name);
  Material::Attribute* colour = new Material::Attribute;
  colour->setName("diffuse");
  colour->setValue(diffuse);
  if (image) {
    Texture* texture = new Texture;
    texture->setName(std::string(name) + "_texture");
    texture->setImageReference(image);
    texture->setWrappingMode(1);
    colour->addTexture(texture);
  }
  m->addAttribute(colour);
  Material::Attribute* shine = new Material::Attribute;
  shine->setName("specular");
  shine->setValue(Vector4f(1, 1, 1, 32));
  m->addAttribute(shine);
  return m;
}

// A pivot spinning once every four seconds carries the box, which bobs up and
// down; a camera looks on with a slow zoom and a light changes colour.
Scene* scene() {
  Scene* root = new Scene;
  root->setName("sample");

  Dummy* pivot = new Dummy;
  pivot->setName("pivot");
  animate(pivot->getRotationTrack().getChannel(1), {key(0, 0), key(4, 6.2831853f)}, INTERPOLATION_LINEAR,
          EXTRAPOLATION_CYCLIC_EXTRAPOLATION);
  root->addChild(pivot);

  MeshInstance* instance = new MeshInstance;
  instance->setName("box");
  instance->setMeshReference("box");
  instance->setMaterial(0, "paint");
  instance->setMaterial(1, "metal");
  animate(instance->getPositionTrack().getChannel(1), {key(0, 0), key(1, 0.5f), key(2, 0)}, INTERPOLATION_BEZIER,
          EXTRAPOLATION_CYCLIC);
  pivot->addChild(instance);

  Camera* camera = new Camera;
  camera->setName("camera");
  camera->getPositionTrack().setBaseValue(Vector3f(0, 1, 4));
  camera->getFovTrack().setBaseValue(0.8f);
  animate(camera->getFovTrack().getChannel(0), {key(0, 0.8f), key(8, 0.5f)}, INTERPOLATION_BEZIER,
          EXTRAPOLATION_CONSTANT);
  root->addChild(camera);

  Light* light = new Light;
  light->setName("sun");
  light->setCastShadow(true);
  light->getPositionTrack().setBaseValue(Vector3f(3, 5, 2));
  light->getColorTrack().setBaseValue(Vector4f(1, 0.9f, 0.7f, 1));
  animate(light->getColorTrack().getChannel(2), {key(0, 0.7f), key(8, 1)}, INTERPOLATION_LINEAR,
          EXTRAPOLATION_CONSTANT);
  root->addChild(light);
  return root;
}

std::string makeSampleScene() {
  Manager manager;
  manager.addMesh(box());
  manager.addMaterial(material("paint", Vector4f(0.8f, 0.3f, 0.1f, 1), "checker"));
  manager.addMaterial(material("metal", Vector4f(0.6f, 0.6f, 0.65f, 1), nullptr));
  Image* image = new Image;
  image->setName("checker");
  image->setFilename("samples/checker.png");
  manager.addImage(image);
  manager.addScene(scene());
  const std::vector<uint8_t> bytes = manager.write();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::vector<kindra_assets::Asset> kindra_assets::generatedAssets() {
  return {{"samples/sample.z3d", makeSampleScene}};
}
