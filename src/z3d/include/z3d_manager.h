#pragma once
// Everything one scene file holds: meshes, materials, images and scenes, read
// from and written to the chunked "Z3DF" format.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cl_readbuffer.h"
#include "z3d_image.h"
#include "z3d_material.h"
#include "z3d_mesh.h"
#include "z3d_scenenode.h"

namespace zelkor {
namespace z3d {

class Manager {
 public:
  Manager() { clear(); }
  ~Manager() { clear(); }
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  // Adds the content of one file in memory (the caller keeps the bytes).
  // Throws Exception for a wrong header or top chunk, adding nothing. Damage
  // below that (chunks running past their parent, cut headers, broken
  // indices) is mended where it lies and reported as warnings; what is intact
  // loads. sourceName, when given, names the file in the reports.
  void load(const unsigned char* data, int length);
  void load(const unsigned char* data, int length, const std::string& sourceName);

  // The file of the current content in a new array the caller frees with
  // delete[]; both outputs are 0 first and stay so when writing throws.
  void write(unsigned char** data, int* length) const;
  std::vector<uint8_t> write() const;
  // Writes the file safely (temporary file, then rename); throws naming the path.
  void save(const std::string& path) const;

  void clear();

  Mesh* getMesh(const std::string& name);
  const Mesh* getMesh(const std::string& name) const;
  Material* getMaterial(const std::string& name);
  const Material* getMaterial(const std::string& name) const;
  Image* getImage(const std::string& name);
  const Image* getImage(const std::string& name) const;
  int getMeshIndex(const std::string& name) const { return find(mNameMeshMap, name); }
  int getMaterialIndex(const std::string& name) const { return find(mNameMaterialMap, name); }
  int getImageIndex(const std::string& name) const { return find(mNameImageMap, name); }

  // Null for −1 and for any other index outside the counts.
  Mesh* getMesh(int i) { return at(mMeshes, i); }
  const Mesh* getMesh(int i) const { return at(mMeshes, i); }
  Material* getMaterial(int i) { return at(mMaterials, i); }
  const Material* getMaterial(int i) const { return at(mMaterials, i); }
  Image* getImage(int i) { return at(mImages, i); }
  const Image* getImage(int i) const { return at(mImages, i); }
  Scene* getScene(int i) { return at(mScenes, i); }
  const Scene* getScene(int i) const { return at(mScenes, i); }
  // The first scene in load order whose node name matches.
  Scene* getScene(const std::string& name);
  const Scene* getScene(const std::string& name) const;

  int getNumMeshes() const { return static_cast<int>(mMeshes.size()); }
  int getNumMaterials() const { return static_cast<int>(mMaterials.size()); }
  int getNumImages() const { return static_cast<int>(mImages.size()); }
  int getNumScenes() const { return static_cast<int>(mScenes.size()); }

  // Append an object the caller created; the manager takes ownership, and a
  // name already present now maps to the new object.
  void addMesh(Mesh* mesh);
  void addMaterial(Material* material);
  void addImage(Image* image);
  void addScene(Scene* scene);

  // One line per object, by kind and name, in write order
  // (e.g. "mesh 'kub': 24 vertices, 12 triangles, 1 submeshes").
  std::vector<std::string> listContents() const;

  // Reads the children of the open main chunk.
  void loadChunkMain(ReadBuffer& buffer);

 private:
  template <typename T>
  static T* at(const std::vector<T*>& list, int i) {
    return i >= 0 && static_cast<size_t>(i) < list.size() ? list[i] : nullptr;
  }
  static int find(const std::map<std::string, int>& map, const std::string& name) {
    auto it = map.find(name);
    return it == map.end() ? -1 : it->second;
  }

  std::vector<Mesh*> mMeshes;
  std::vector<Material*> mMaterials;
  std::vector<Scene*> mScenes;
  std::vector<Image*> mImages;
  std::map<std::string, int> mNameImageMap;
  std::map<std::string, int> mNameMeshMap;
  std::map<std::string, int> mNameMaterialMap;
};

}  // namespace z3d
}  // namespace zelkor
