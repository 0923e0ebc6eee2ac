#include "z3d_meshutil.h"

#include <algorithm>
#include <set>
#include <vector>

#include "zlk_system.h"

namespace zelkor {
namespace z3d {

using mathbase::Box3;
using mathbase::Vector3f;

namespace {

// The position index of a triangle corner, or -1 when its vertex or that
// vertex's position does not exist.
int cornerPosition(const Mesh* mesh, int vertex) {
  const VertexList& vertices = mesh->getVertices();
  if (vertex < 0 || vertex >= vertices.size()) return -1;
  const int p = vertices[vertex].posIndex;
  return p >= 0 && p < mesh->getPositions().size() ? p : -1;
}

}  // namespace

void MeshUtil::updateBox(Mesh* mesh) {
  const PositionList& positions = mesh->getPositions();
  Box3 meshBox;
  for (int i = 0; i < mesh->getNumSubmesh(); ++i) {
    Submesh* submesh = mesh->getSubmesh(i);
    const TriangleList& triangles = submesh->getTriangles();
    Box3 box;
    bool any = false;
    for (int t = 0; t < triangles.size(); ++t) {
      for (int k = 0; k < 3; ++k) {
        const int p = cornerPosition(mesh, triangles[t].v[k]);
        if (p < 0) continue;
        if (!any) {
          box.setFromPoints(positions[p], positions[p]);
          any = true;
        } else {
          box.setUnion(positions[p]);
        }
      }
    }
    if (!any) continue;  // like a submesh without triangles: keeps its box, adds nothing
    submesh->setBox(box);
    if (i == 0) meshBox = box;
    else meshBox.setUnion(box);
  }
  mesh->setBox(meshBox);
}

void MeshUtil::findBoneWeights(const Mesh* mesh, BoneVertex* result) {
  const int numPositions = mesh->getPositions().size();
  for (int p = 0; p < numPositions; ++p) {
    for (int s = 0; s < 4; ++s) {
      result[p].index[s] = -1;
      result[p].weight[s] = 0.0f;
    }
  }
  for (int g = 0; g < mesh->getNumBoneGroups(); ++g) {
    const BoneGroupWeightList& weights = mesh->getBoneGroup(g)->getWeights();
    for (int i = 0; i < weights.size(); ++i) {
      const int p = weights[i].vertexIndex;
      const float w = weights[i].weight;
      if (!(w >= 1e-5f) || p < 0 || p >= numPositions) continue;
      BoneVertex& bv = result[p];
      int slot = 0;
      while (slot < 4 && bv.index[slot] != -1 && !(bv.weight[slot] < w)) ++slot;
      if (slot == 4) continue;  // smaller than all four
      for (int s = 3; s > slot; --s) {
        bv.index[s] = bv.index[s - 1];
        bv.weight[s] = bv.weight[s - 1];
      }
      bv.index[slot] = g;
      bv.weight[slot] = w;
    }
  }
  for (int p = 0; p < numPositions; ++p) {
    BoneVertex& bv = result[p];
    float sum = 0.0f;
    for (int s = 0; s < 4; ++s)
      if (bv.index[s] != -1) sum += bv.weight[s];
    for (int s = 0; s < 4; ++s)
      if (bv.index[s] != -1) bv.weight[s] /= sum;
    if (bv.index[0] == -1) {
      for (int s = 0; s < 4; ++s) {
        bv.index[s] = 0;
        bv.weight[s] = 0.0f;
      }
    } else {
      for (int s = 1; s < 4; ++s) {
        if (bv.index[s] == -1) {
          bv.index[s] = bv.index[0];
          bv.weight[s] = 0.0f;
        }
      }
    }
  }
}

bool MeshUtil::limitBonesPerSubmesh(Mesh* mesh, const BoneVertex* boneVertices, int limit) {
  if (mesh->getNumBoneGroups() <= limit) return true;
  bool ok = true;
  for (int i = 0; i < mesh->getNumSubmesh(); ++i) {
    const TriangleList& triangles = mesh->getSubmesh(i)->getTriangles();
    std::set<int> used;
    for (int t = 0; t < triangles.size(); ++t) {
      for (int k = 0; k < 3; ++k) {
        const int p = cornerPosition(mesh, triangles[t].v[k]);
        if (p < 0) continue;
        for (int s = 0; s < 4; ++s) used.insert(boneVertices[p].index[s]);
      }
    }
    if (static_cast<int>(used.size()) > limit) {
      ZLK_LOG("warning", "z3d", "Mesh '%s': submesh %d uses %d bones, more than the limit of %d",
              mesh->getName().c_str(), i, static_cast<int>(used.size()), limit);
      ok = false;
    }
  }
  return ok;
}

int MeshUtil::repair(Mesh* mesh) {
  const char* name = mesh->getName().c_str();
  VertexList& vertices = mesh->getVertices();
  const int numPositions = mesh->getPositions().size();
  int repairs = 0;

  if (numPositions == 0 && vertices.size() > 0) {
    ZLK_LOG("warning", "z3d", "Mesh '%s': %d vertices but no positions; the vertices were dropped", name,
            vertices.size());
    vertices.getList().clear();
    ++repairs;
  }
  const int numVertices = vertices.size();
  std::vector<bool> broken(numVertices, false);
  int numBroken = 0;
  for (int v = 0; v < numVertices; ++v) {
    if (vertices[v].posIndex < 0 || vertices[v].posIndex >= numPositions) {
      vertices[v].posIndex = 0;
      broken[v] = true;
      ++numBroken;
    }
  }
  if (numBroken > 0) {
    ZLK_LOG("warning", "z3d",
            "Mesh '%s': %d vertices refer to positions outside the %d there are; they now use position 0", name,
            numBroken, numPositions);
    ++repairs;
  }

  for (int i = 0; i < mesh->getNumSubmesh(); ++i) {
    std::vector<Triangle>& triangles = mesh->getSubmesh(i)->getTriangles().getList();
    const size_t before = triangles.size();
    triangles.erase(std::remove_if(triangles.begin(), triangles.end(),
                                   [&](const Triangle& t) {
                                     for (int k = 0; k < 3; ++k) {
                                       if (t.v[k] < 0 || t.v[k] >= numVertices || broken[t.v[k]]) return true;
                                     }
                                     return false;
                                   }),
                    triangles.end());
    if (triangles.size() != before) {
      ZLK_LOG("warning", "z3d",
              "Mesh '%s': submesh %d: dropped %d triangles whose vertices lie outside the %d vertices or have no "
              "position",
              name, i, static_cast<int>(before - triangles.size()), numVertices);
      ++repairs;
    }
  }

  for (int g = 0; g < mesh->getNumBoneGroups(); ++g) {
    BoneGroup* group = mesh->getBoneGroup(g);
    std::vector<BoneGroupWeight>& weights = group->getWeights().getList();
    const size_t before = weights.size();
    weights.erase(std::remove_if(weights.begin(), weights.end(),
                                 [&](const BoneGroupWeight& w) {
                                   return w.vertexIndex < 0 || w.vertexIndex >= numPositions;
                                 }),
                  weights.end());
    if (weights.size() != before) {
      ZLK_LOG("warning", "z3d", "Mesh '%s': bone group '%s': dropped %d weights for positions outside the %d there are",
              name, group->getGroupName().c_str(), static_cast<int>(before - weights.size()), numPositions);
      ++repairs;
    }
  }
  return repairs;
}

}  // namespace z3d
}  // namespace zelkor
