#pragma once

#include <string>
#include <vector>

#include "z3d_scenenode.h"

namespace zelkor {
namespace z3d {

// A placed mesh: the mesh's name and one material name per material slot.
class MeshInstance : public SceneNode {
 public:
  MeshInstance() { clear(); }
  uint16_t getType() const override { return MESH_INSTANCE; }
  void clear() override;

  const std::string& getMeshReference() const { return mMeshReference; }
  void setMeshReference(const std::string& mesh) { mMeshReference = mesh; }
  // Grows the list with empty names up to the slot; negative slots are ignored.
  void setMaterial(int slot, const std::string& material);
  // The name, or an empty string for a slot beyond the list.
  const std::string& getMaterial(int slot) const;
  const std::vector<std::string>& getMaterials() const { return mMaterials; }

 protected:
  void loadLeadingFields(ReadBuffer& buffer) override;
  bool loadOwnChunk(uint16_t id, ReadBuffer& buffer) override;
  void writeLeadingFields(WriteBuffer& buffer) const override;
  // Throws when a named slot does not fit the file's one byte.
  void writeOwnChunks(WriteBuffer& buffer) const override;

 private:
  std::string mMeshReference;
  std::vector<std::string> mMaterials;
};

}  // namespace z3d
}  // namespace zelkor
