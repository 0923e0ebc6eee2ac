#include "clear.h"

Clear::Clear() { addPlugin("color", mColor); }

void Clear::draw(float pTimer, float, float) {
  glClearColor(mColor.get(pTimer), 1.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
