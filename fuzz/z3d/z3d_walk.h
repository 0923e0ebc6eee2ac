#pragma once
// Walks everything a manager holds the way users do, and sums it up as text,
// so that two managers can be compared.

#include <string>

#include "z3d_manager.h"

namespace z3d_fuzz {

// Evaluates every track, matrix, curve and pose, and checks that every index
// of a mesh lies inside its list; aborts when one does not.
void walk(zelkor::z3d::Manager& manager);

// Names, counts and settings of every object, in order.
std::string summary(const zelkor::z3d::Manager& manager);

}  // namespace z3d_fuzz
