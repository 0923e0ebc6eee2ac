#pragma once
// Walks everything a manager holds the way users do, and sums it up as text,
// so that two managers can be compared.

#include <cstddef>
#include <cstdint>
#include <string>

#include "z3d_manager.h"

namespace z3d_fuzz {

// Evaluates every track, matrix, curve and pose, and checks that every index
// of a mesh lies inside its list. Returns what is wrong, or an empty text.
std::string walk(zelkor::z3d::Manager& manager);

// Names, counts and settings of every object, in order.
std::string summary(const zelkor::z3d::Manager& manager);

// Loads bytes as a scene file, walks what loaded, writes it, reads that back
// and compares. Returns what is wrong, or an empty text (also when the header
// is refused).
std::string checkInput(const uint8_t* data, size_t size);

}  // namespace z3d_fuzz
