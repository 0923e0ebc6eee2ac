#include "dis_display.h"

#include <algorithm>
#include <cmath>

#include "dis_display_glfw.h"

namespace zelkor {
namespace display {

DisplayGL* DisplayGL::create() { return new DisplayGLFW(); }

DisplayGL::~DisplayGL() = default;

void DisplayGL::setRenderScale(float scale) { mRenderScale = scale >= 0.25f && scale < 1.0f ? scale : 1.0f; }

int DisplayGL::getRenderWidth() const {
  const int width = getWindowMode().width;
  return mRenderScale == 1.0f ? width : std::max(1, static_cast<int>(std::lround(width * mRenderScale)));
}

int DisplayGL::getRenderHeight() const {
  const int height = getWindowMode().height;
  return mRenderScale == 1.0f ? height : std::max(1, static_cast<int>(std::lround(height * mRenderScale)));
}

}  // namespace display
}  // namespace zelkor
