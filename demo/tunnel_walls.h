#pragma once
// Where the tunnel's wall segments stand: one mesh drawn at 200 places along
// the path, each facing along it and wobbling about its own axis.

#include "mb_matrix4x4col.h"
#include "z3d_mesh.h"

namespace tunnel {

const int kSegments = 200;

// The model transform of segment k (0..199) at the effect's local time.
zelkor::mathbase::Matrix4x4Col segmentTransform(int k, float pTimer);

// Whether every triangle is wound counter-clockwise seen from where its
// normals point: only then can far segments leave out faces turned away.
bool facesItsNormals(const zelkor::z3d::Mesh& mesh);

}  // namespace tunnel
