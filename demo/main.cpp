#include <cstdio>
#include <exception>

#include "demo_effects.h"
#include "kin_main.h"
#include "zlk_system.h"

int main() {
  try {
    zelkor::kindra::Kindra kindra;
    kindra.setup(-1.0f);
    registerDemoEffects(kindra);
    kindra.run();
    // edits that could not be saved are kept elsewhere; the status says so
    if (!kindra.saveAtExit()) return 1;
  } catch (const zelkor::Exception&) {
    // already printed when it was made
    std::fflush(stdout);
    return 1;
  } catch (const std::exception& e) {
    std::printf("Kindra stopped: %s\n", e.what());
    std::fflush(stdout);
    return 1;
  }
  return 0;
}
