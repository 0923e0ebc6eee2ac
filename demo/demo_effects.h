#pragma once
// Registers the demo's effect types and creates one instance of each, in
// timeline order; the common one first, handed to every other.

namespace zelkor {
namespace kindra {
class Kindra;
}
}  // namespace zelkor

void registerDemoEffects(zelkor::kindra::Kindra& kindra);
