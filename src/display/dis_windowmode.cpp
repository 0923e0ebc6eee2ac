#include "dis_windowmode.h"

namespace zelkor {
namespace display {

WindowMode::WindowMode() { setDefaults(); }

WindowMode::WindowMode(const std::string& pTitle, int pWidth, int pHeight, bool pFullscreen) {
  setDefaults();
  title = pTitle;
  width = activeWidth = pWidth;
  height = activeHeight = pHeight;
  fullscreen = pFullscreen;
  canResize = !pFullscreen;
}

void WindowMode::setDefaults() {
  title = "The Untitled Application";
  width = activeWidth = 800;
  height = activeHeight = 600;
  bitdepth = 32;
  // callers set both before opening; these keep an unset mode harmless
  fps = 60.0f;
  fpsMode = FPS_VARIABLE;
  fullscreen = false;
  canResize = true;
}

}  // namespace display
}  // namespace zelkor
