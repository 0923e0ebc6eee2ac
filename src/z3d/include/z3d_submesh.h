#pragma once
// The triangles of one material slot of a mesh.

#include "mb_box3.h"
#include "z3d_values.h"

namespace zelkor {
namespace z3d {

class Mesh;

class Submesh {
 public:
  explicit Submesh(Mesh* owner = nullptr) : mOwner(owner), mMaterialSlot(0) {}

  // Reads the payload of an open submesh chunk.
  void loadChunk(ReadBuffer& buffer);
  // Throws when the material slot does not fit the file's one byte.
  void writeChunk(WriteBuffer& buffer) const;
  void clear() { mTriangles.clear(); }

  int getMaterialSlot() const { return mMaterialSlot; }
  void setMaterialSlot(int slot) { mMaterialSlot = slot; }
  TriangleList& getTriangles() { return mTriangles; }
  const TriangleList& getTriangles() const { return mTriangles; }
  Mesh* getOwner() { return mOwner; }
  const Mesh* getOwner() const { return mOwner; }
  void setOwner(Mesh* owner) { mOwner = owner; }
  const mathbase::Box3& getBox() const { return mBox; }
  void setBox(const mathbase::Box3& box) { mBox = box; }
  // Triangles from a flat list of vertex indices, three per triangle.
  void setIndices(const IndexList* indices);

 private:
  TriangleList mTriangles;
  Mesh* mOwner;
  mathbase::Box3 mBox;
  int mMaterialSlot;
};

}  // namespace z3d
}  // namespace zelkor
