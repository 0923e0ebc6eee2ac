#pragma once
// Computations over meshes: bounding boxes, bone weights per position, and
// repair of indices that point outside their lists.

#include "z3d_mesh.h"

namespace zelkor {
namespace z3d {

class MeshUtil {
 public:
  // Boxes of every submesh with triangles and of the mesh; corners whose
  // indices lie outside the lists are left out.
  static void updateBox(Mesh* mesh);

  // result holds one entry per position: up to four bone groups sorted by
  // decreasing weight, weights summing to 1, unused slots repeating slot 0
  // with weight 0; a position without weights gets all zeros.
  static void findBoneWeights(const Mesh* mesh, BoneVertex* result);

  // True when no submesh uses more than limit bone groups (checked only when
  // the mesh has more groups than that); each offender is reported as a warning.
  static bool limitBonesPerSubmesh(Mesh* mesh, const BoneVertex* boneVertices, int limit);

  // Mends what would make users read outside the lists, and reports each kind
  // of repair as a warning naming the mesh: triangles with a vertex index
  // outside the vertex list, or using a vertex whose position index lies
  // outside the position list, are dropped; such vertices point at position 0
  // (and with no positions at all the vertices go); bone weights for positions
  // that do not exist are dropped. Returns the number of repairs.
  static int repair(Mesh* mesh);
};

}  // namespace z3d
}  // namespace zelkor
