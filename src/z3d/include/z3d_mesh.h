#pragma once
// The geometry of one object: positions shared by vertices (position index
// plus normal), named texture-coordinate lists, bone groups and submeshes.

#include <string>
#include <vector>

#include "mb_box3.h"
#include "z3d_submesh.h"
#include "z3d_values.h"

namespace zelkor {
namespace z3d {

// The weights of one bone over positions.
class BoneGroup {
 public:
  void loadChunk(ReadBuffer& buffer);
  void writeChunk(WriteBuffer& buffer) const;
  void clear() {
    mGroupName.clear();
    mWeights.clear();
  }
  const std::string& getGroupName() const { return mGroupName; }
  void setGroupName(const std::string& name) { mGroupName = name; }
  BoneGroupWeightList& getWeights() { return mWeights; }
  const BoneGroupWeightList& getWeights() const { return mWeights; }

 private:
  std::string mGroupName;
  BoneGroupWeightList mWeights;
};

class Mesh {
 public:
  Mesh();
  ~Mesh();
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  // Reads the payload of an open mesh chunk, mends indices that point outside
  // their lists (with a warning) and computes the boxes.
  void loadChunk(ReadBuffer& buffer);
  void writeChunk(WriteBuffer& buffer) const;
  void clear();

  const std::string& getName() const { return mName; }
  void setName(const std::string& name) { mName = name; }
  VertexList& getVertices() { return mVertexList; }
  const VertexList& getVertices() const { return mVertexList; }
  PositionList& getPositions() { return mPositionList; }
  const PositionList& getPositions() const { return mPositionList; }

  int getNumUV() const { return static_cast<int>(mUV.size()); }
  UVList* getUV(int i) { return mUV[i]; }
  const UVList* getUV(int i) const { return mUV[i]; }
  void addUV(UVList* list) { mUV.push_back(list); }  // takes ownership

  int getNumSubmesh() const { return static_cast<int>(mSubmeshList.size()); }
  Submesh* getSubmesh(int i) { return mSubmeshList[i]; }
  const Submesh* getSubmesh(int i) const { return mSubmeshList[i]; }
  void addSubmesh(Submesh* submesh);  // takes ownership, becomes its owner

  int getNumBoneGroups() const { return static_cast<int>(mBoneGroup.size()); }
  BoneGroup* getBoneGroup(int i) { return mBoneGroup[i]; }
  const BoneGroup* getBoneGroup(int i) const { return mBoneGroup[i]; }
  void addBoneGroup(BoneGroup* group) { mBoneGroup.push_back(group); }  // takes ownership

  const mathbase::Box3& getBox() const { return mBox; }
  void setBox(const mathbase::Box3& box) { mBox = box; }

 private:
  std::string mName;
  mathbase::Box3 mBox;
  VertexList mVertexList;
  std::vector<UVList*> mUV;
  PositionList mPositionList;
  std::vector<BoneGroup*> mBoneGroup;
  std::vector<Submesh*> mSubmeshList;
};

}  // namespace z3d
}  // namespace zelkor
