#pragma once
// Window settings handed to DisplayGL::open.

#include <string>

namespace zelkor {
namespace display {

class WindowMode {
 public:
  enum FpsMode {
    FPS_VARIABLE = 0,  // no pacing, no vertical sync
    FPS_VSYNC = 1,     // vertical sync
    FPS_FIXED = 2,     // sleep and spin to `fps`
    FPS_EVENT = 3,     // redraw only when dirty; wait for events
    FPS_DELTA = 4,     // the device's time advances by exactly 1/fps per frame
  };

  WindowMode();
  WindowMode(const std::string& pTitle, int pWidth, int pHeight, bool pFullscreen);

  void setDefaults();
  int getActiveWidth() const { return activeWidth; }
  int getActiveHeight() const { return activeHeight; }

  int activeWidth;   // area actually drawn, centred in the window
  int activeHeight;
  std::string title;
  int width;
  int height;
  int bitdepth;      // carried, not passed to the window system
  float fps;         // target rate of the paced modes
  FpsMode fpsMode;
  bool fullscreen;
  bool canResize;
};

}  // namespace display
}  // namespace zelkor
