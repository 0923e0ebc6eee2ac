#include "common.h"

// roll starts at 0 so that nothing ever reads an indeterminate value.
Common::Common() : from(0.0f, 0.0f, -10.0f), to(0.0f, 0.0f, 0.0f), roll(0.0f) {}

void glClearColor(const zelkor::mathbase::Vector3f& color, float alpha) {
  ::glClearColor(color.x, color.y, color.z, alpha);
}
