#pragma once
// Tests that drive the running engine frame by frame: a listener that runs
// last in every frame, and steps run one per frame until each is done.

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "dis_listener.h"
#include "glfw_inject.h"

namespace kindra_test {

// Runs once per frame after everything else has drawn.
class Watcher : public zelkor::display::Listener {
 public:
  void onDraw() override {
    if (hook) hook();
  }
  std::function<void()> hook;
};

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
