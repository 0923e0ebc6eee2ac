#include "dis_display.h"

#include "dis_display_glfw.h"

namespace zelkor {
namespace display {

DisplayGL* DisplayGL::create() { return new DisplayGLFW(); }

DisplayGL::~DisplayGL() = default;

}  // namespace display
}  // namespace zelkor
