#pragma once
// Where the tunnel's wall segments stand: one mesh drawn at 200 places along
// the path, each facing along it and wobbling about its own axis.

#include <vector>

#include "mb_box3.h"
#include "mb_matrix4x4col.h"
#include "mb_vector3.h"
#include "z3d_mesh.h"

namespace tunnel {

const int kSegments = 200;
const float kNear = 0.2f;  // the view's near plane, units ahead of the camera

// The model transform of segment k (0..199) at the effect's local time.
zelkor::mathbase::Matrix4x4Col segmentTransform(int k, float pTimer);

// Whether every triangle is wound counter-clockwise seen from where its
// normals point: only then can far segments leave out faces turned away.
bool facesItsNormals(const zelkor::z3d::Mesh& mesh);

// Whether a sphere of radius `reach` about `centre` (in eye space, the
// camera looking down -z) reaches into the view, whose sides slope by
// `slopeX` and `slopeY` (x and y over depth).
bool inView(const zelkor::mathbase::Vector3f& centre, float reach, float slopeX, float slopeY);

// Whether the mesh is made of closed pieces that enclose what they face away
// from: each edge, by its corners' positions, is walked once each way, and
// each piece's volume is positive. From outside such solids a face turned
// away always lies behind one turned to the camera. `solids` gets each
// piece's bounds.
bool enclosesSolids(const zelkor::z3d::Mesh& mesh, std::vector<zelkor::mathbase::Box3>* solids = nullptr);

// Beyond how many units from the camera a segment of this mesh is drawn
// one-sided: everywhere for solids (but near them, see below), far away for
// a mesh that faces its normals, nowhere (infinity) otherwise.
float oneSidedBeyond(const zelkor::z3d::Mesh& mesh, std::vector<zelkor::mathbase::Box3>* solids = nullptr);

// Whether a point of a segment's own space lies within `margin` of one of
// its solids' bounds: a camera there may be inside a solid, or its near
// plane may cut one open, and faces turned away would show.
bool nearSolid(const std::vector<zelkor::mathbase::Box3>& solids, const zelkor::mathbase::Vector3f& p, float margin);

}  // namespace tunnel
