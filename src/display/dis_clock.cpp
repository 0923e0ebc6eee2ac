#include "dis_clock.h"

#include <chrono>
#include <thread>

namespace zelkor {
namespace display {

// A monotonic source of its own: the clock may start before the window
// system is up, and a reset of the window system's timer must not move it.
double Clock::now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Clock::Clock() : mManualUpdate(false), mStartTime(now()), mCurrentTime(0.0f) {}

void Clock::update() {
  mManualUpdate = true;
  mCurrentTime = static_cast<float>(now() - mStartTime);
}

float Clock::getTime() const {
  if (mManualUpdate) return mCurrentTime;
  return static_cast<float>(now() - mStartTime);
}

void Clock::setTime(float t) { mStartTime = now() - t; }

void Clock::sleep(float pDelay) {
  if (pDelay > 0.0f) std::this_thread::sleep_for(std::chrono::duration<double>(pDelay));
}

}  // namespace display
}  // namespace zelkor
