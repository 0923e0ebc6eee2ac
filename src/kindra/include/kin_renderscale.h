#pragma once
// Drawing the demo's effects at a fraction of the window: they draw into an
// off-screen picture of that size (the device binds it wherever an effect
// binds "no render target", and reports its size as the render size), which
// is then stretched over the window with linear filtering. What is drawn
// after it (the progress bar, the editor) stays at the window's resolution.

#include "dis_display.h"

namespace zelkor {
namespace kindra {

class RenderScale {
 public:
  explicit RenderScale(display::DisplayGL* display);
  ~RenderScale();
  RenderScale(const RenderScale&) = delete;
  RenderScale& operator=(const RenderScale&) = delete;

  // Redirects drawing into the picture when the device's render scale is
  // below 1 (made again when the window's size changed); else nothing.
  void begin();
  // Back to the window, the picture stretched over it.
  void end();

 private:
  void release();

  display::DisplayGL* mDisplay;
  display::FBO* mTarget;
  display::Texture* mPicture;
  bool mActive;
};

}  // namespace kindra
}  // namespace zelkor
