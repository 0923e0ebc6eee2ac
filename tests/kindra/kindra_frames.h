#pragma once
// Tests that drive the running engine frame by frame: a listener that runs
// last in every frame, an effect that puts it there, steps run one per frame
// until each is done, and pixels of the frame read back.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "dis_display.h"
#include "dis_listener.h"
#include "glfw_inject.h"
#include "kin_effect.h"

namespace kindra_test {

// Runs once per frame after everything else has drawn.
class Watcher : public zelkor::display::Listener {
 public:
  void onDraw() override {
    ++frames;
    if (hook) hook();
  }
  // The window's pixels as B, G, R, A, top row first.
  std::vector<uint8_t> shot(int width = 320, int height = 240) const {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    display->getScreenShotBGRA(pixels.data());
    return pixels;
  }
  int frames = 0;
  std::function<void()> hook;
};

// Puts the watcher last in the display's listeners on its first frame, behind
// the engine and the editor.
class HookingEffect : public zelkor::kindra::Effect {
 public:
  static inline Watcher* sWatcher = nullptr;
  void draw(float, float, float) override { hook(); }

 protected:
  void hook() {
    if (!mHooked && sWatcher) mDisplay->addListener(sWatcher);
    mHooked = true;
  }
  bool mHooked = false;
};

// Red, green and blue at normalised device coordinates of a 320x240 shot.
inline std::vector<int> pixelAt(const std::vector<uint8_t>& shot, float x, float y) {
  const int px = static_cast<int>((x + 1.0f) * 0.5f * 320.0f);
  const int py = static_cast<int>((1.0f - (y + 1.0f) * 0.5f) * 240.0f);
  const uint8_t* p = &shot[(static_cast<size_t>(py) * 320 + px) * 4];
  return {p[2], p[1], p[0]};
}

// One frame of a stepped run: the current step runs until it returns true,
// the next one in the next frame; after the last (or 600 frames) the quit
// key goes down. `step` and `frames` count along.
inline void runStep(const std::vector<std::function<bool()>>& steps, size_t& step, int& frames) {
  if (++frames > 600) ADD_FAILURE() << "step " << step << " never ended";
  if (step < steps.size() && frames <= 600) {
    if (steps[step]()) ++step;
    return;
  }
  keyPress(GLFW_KEY_ESCAPE);
}

}  // namespace kindra_test
