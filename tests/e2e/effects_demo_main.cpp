// The demo's program with two test effects on its timeline, for the
// end-to-end tests of effects: a backdrop, and a grey patch whose brightness
// is a spline parameter. The patch's span, bar and level are reported on
// standard output.

#include <cmath>
#include <cstdio>
#include <exception>

#include "dis_glinclude.h"
#include "kin_main.h"
#include "kin_plugin_spline.h"
#include "zlk_system.h"

namespace {

// Also reports the other effect's span and bar whenever they change, also
// while that one is not active.
class Backdrop : public zelkor::kindra::Effect {
 public:
  void draw(float, float, float) override {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (watched && (watched->mStart != mReportedStart || watched->mEnd != mReportedEnd)) {
      mReportedStart = watched->mStart;
      mReportedEnd = watched->mEnd;
      const zelkor::tessel::Area bar = watched->getAreaWorld();
      std::printf("%s span %g %g bar %g %g %g %g\n", watched->mName.c_str(), mReportedStart, mReportedEnd, bar.mMin.x,
                  bar.mMin.y, bar.getWidth(), bar.getHeight());
      std::fflush(stdout);
    }
  }
  zelkor::kindra::Effect* watched = nullptr;

 private:
  float mReportedStart = -1.0f;
  float mReportedEnd = -1.0f;
};

class Glow : public zelkor::kindra::Effect {
 public:
  Glow() { addPlugin("level", level); }
  void draw(float pTimer, float, float) override {
    const float value = level.get(pTimer);
    glEnable(GL_SCISSOR_TEST);
    glScissor(100, 300, 200, 100);
    glClearColor(value, value, value, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const int second = static_cast<int>(std::floor(pTimer));
    if (second != mReportedSecond) {
      mReportedSecond = second;
      std::printf("glow level %.5f at %.5f\n", value, pTimer);
    }
    std::fflush(stdout);
  }

  zelkor::kindra::Spline level;

 private:
  int mReportedSecond = -1;
};


}  // namespace

int main() {
  try {
    zelkor::kindra::Kindra kindra;
    kindra.setup(-1.0f);
    kindra.addFactory<Backdrop>("Backdrop");
    Backdrop* backdrop = static_cast<Backdrop*>(kindra.addEffect("Backdrop", "backdrop"));
    backdrop->mEnd = 1000.0f;
    kindra.addFactory<Glow>("Glow");
    backdrop->watched = kindra.addEffect("Glow", "glow");
    kindra.run();
  } catch (const std::exception& e) {
    std::printf("Kindra stopped: %s\n", e.what());
    std::fflush(stdout);
    return 1;
  }
  return 0;
}
