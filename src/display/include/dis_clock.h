#pragma once
// Wall clock with a settable origin.

namespace zelkor {
namespace display {

class Clock {
 public:
  Clock();

  // Latches the current time; getTime() returns it from now on until the
  // next update().
  void update();
  // Seconds since the origin (latched after the first update()).
  float getTime() const;
  // Moves the origin so that the clock reads `t` now; the latched time is
  // left as it is.
  void setTime(float t);

  static void sleep(float pDelay);

 private:
  static double now();

  bool mManualUpdate;
  double mStartTime;
  float mCurrentTime;
};

}  // namespace display
}  // namespace zelkor
