#pragma once
// What the demo's benchmarks share: a 1280x720 device over data/ (whose
// scripts are read from the working directory, as in the demo) and the
// clear-only frame every figure is measured against.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "am.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "kin_effect.h"

namespace demo_bench {

class NoProgress : public zelkor::kindra::EffectProgressUpdate {
 public:
  void updateProgress(float) override {}
};

struct Device {
  explicit Device(const char* title) {
    if (chdir(KINDRA_DATA_DIR) != 0) std::perror(KINDRA_DATA_DIR);
    archive.addArchive(std::string(KINDRA_DATA_DIR) + "/");
    device.reset(zelkor::display::DisplayGL::create());
    zelkor::display::WindowMode mode(title, 1280, 720, false);
    mode.fpsMode = zelkor::display::WindowMode::FPS_VARIABLE;
    device->open(mode);
    device->setArchive(&archive);
  }
  // Seconds of one clear-only frame, averaged over a few.
  double clearFrame() {
    const int frames = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
      glClearColor(0.1f, 0.1f, 0.2f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glFinish();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;
  }
  zelkor::am::ArchiveManager archive;
  std::unique_ptr<zelkor::display::DisplayGL> device;
};

}  // namespace demo_bench
