#include "z3d_mesh.h"

#include <memory>

#include "z3d_chunks.h"
#include "z3d_meshutil.h"
#include "zlk_system.h"

namespace zelkor {
namespace z3d {

// --- Submesh

void Submesh::loadChunk(ReadBuffer& buffer) {
  uint8_t slot = 0;
  if (buffer.read(slot)) mMaterialSlot = slot;
  while (const uint16_t id = buffer.openChunk()) {
    if (id == TRIANGLE_LIST) mTriangles.loadChunk(buffer);
    else ZLK_LOG("warning", "z3d", "Submesh: Unknown chunk with ID=0x%X\n", id);
    buffer.closeChunk();
  }
}

void Submesh::writeChunk(WriteBuffer& buffer) const {
  if (mMaterialSlot < 0 || mMaterialSlot > 255)
    throw Exception("Submesh of mesh '%s': material slot %d does not fit in a byte",
                    mOwner ? mOwner->getName().c_str() : "", mMaterialSlot);
  buffer.openChunk(SUBMESH);
  buffer.write(static_cast<uint8_t>(mMaterialSlot));
  if (mTriangles.size() > 0) mTriangles.writeChunk(buffer, TRIANGLE_LIST);
  buffer.closeChunk();
}

void Submesh::setIndices(const IndexList* indices) {
  mTriangles.getList().clear();
  if (!indices) return;
  for (size_t i = 0; i + 2 < indices->size(); i += 3) {
    Triangle t;
    for (int k = 0; k < 3; ++k) t.v[k] = (*indices)[i + k];
    mTriangles.push_back(t);
  }
}

// --- BoneGroup

void BoneGroup::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mGroupName);
  mWeights.loadChunk(buffer);
}

void BoneGroup::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(BONEGROUP);
  writeValueString(buffer, mGroupName);
  mWeights.writeElements(buffer);
  buffer.closeChunk();
}

// --- Mesh

Mesh::Mesh() { clear(); }

Mesh::~Mesh() { clear(); }

void Mesh::clear() {
  for (Submesh* s : mSubmeshList) delete s;
  for (UVList* uv : mUV) delete uv;
  for (BoneGroup* g : mBoneGroup) delete g;
  mSubmeshList.clear();
  mUV.clear();
  mBoneGroup.clear();
  mVertexList.clear();
  mPositionList.clear();
  mName.clear();
  mBox = mathbase::Box3();
}

void Mesh::addSubmesh(Submesh* submesh) {
  submesh->setOwner(this);
  mSubmeshList.push_back(submesh);
}

void Mesh::loadChunk(ReadBuffer& buffer) {
  loadValueString(buffer, mName);
  while (const uint16_t id = buffer.openChunk()) {
    switch (id) {
      case VERTEX_LIST:
        mVertexList.loadChunk(buffer);
        break;
      case UV_LIST: {
        std::unique_ptr<UVList> uv(new UVList);
        if (uv->loadChunk(buffer)) mUV.push_back(uv.release());
        else ZLK_LOG("warning", "z3d", "Mesh '%s': texture-coordinate list without a terminated name; skipped",
                     mName.c_str());
        break;
      }
      case POSITION_LIST:
        mPositionList.loadChunk(buffer);
        break;
      case SUBMESH: {
        std::unique_ptr<Submesh> submesh(new Submesh(this));
        submesh->loadChunk(buffer);
        mSubmeshList.push_back(submesh.release());
        break;
      }
      case BONEGROUP: {
        std::unique_ptr<BoneGroup> group(new BoneGroup);
        group->loadChunk(buffer);
        mBoneGroup.push_back(group.release());
        break;
      }
      default:
        ZLK_LOG("warning", "z3d", "mesh::Unknown chunk with ID=0x%X\n", id);
        break;
    }
    buffer.closeChunk();
  }
  MeshUtil::repair(this);
  MeshUtil::updateBox(this);
}

void Mesh::writeChunk(WriteBuffer& buffer) const {
  buffer.openChunk(MESH);
  writeValueString(buffer, mName);
  mVertexList.writeChunk(buffer, VERTEX_LIST);
  for (const UVList* uv : mUV) uv->writeChunk(buffer, UV_LIST);
  mPositionList.writeChunk(buffer, POSITION_LIST);
  for (const BoneGroup* g : mBoneGroup) g->writeChunk(buffer);
  for (const Submesh* s : mSubmeshList) s->writeChunk(buffer);
  buffer.closeChunk();
}

}  // namespace z3d
}  // namespace zelkor
