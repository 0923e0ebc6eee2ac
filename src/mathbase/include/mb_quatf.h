#pragma once
// The float quaternion used throughout the system; compiled once in the library.

#include <cstddef>
#include <type_traits>

#include "mb_quat.h"
#include "mb_vector4.h"

namespace zelkor {
namespace mathbase {

typedef Quat<float> Quatf;

extern template class Quat<float>;

// The rotated xyz with w kept, the same as the rotation matrix times v.
inline Vector4f operator*(const Quatf& q, const Vector4f& v) { return Vector4f(q.rotate(v.getXYZ()), v.w); }

static_assert(sizeof(Quatf) == 4 * sizeof(float) && offsetof(Quatf, w) == 0 && offsetof(Quatf, z) == 12,
              "w, x, y, z in this order");
static_assert(std::is_trivially_copyable<Quatf>::value, "read and written as raw floats");

}  // namespace mathbase
}  // namespace zelkor
