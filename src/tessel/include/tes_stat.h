#pragma once
// A scrolling graph of a measured value (the editor's frame time): values
// added within each interval are averaged into one sample; the newest sample
// is drawn at the right.

#include "mb_vector2.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Stat : public Control {
 public:
  static const int kSamples = 2000;

  Stat();
  Control* clone() const override { return new Stat; }
  // Base routing, then a move over the graph reads the value at the mouse's
  // height into getCurrent() (-1 off the graph).
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // Adds a value to the current interval (non-finite values are ignored).
  virtual void addValue(float value);
  // Seconds per sample (positive).
  virtual void setInterval(float interval);

  // Closes the current interval into a sample once its time has passed.
  void evaluate();
  // Sample `index`, 0 the newest.
  float getValue(int index) const { return index >= 0 && index < kSamples ? mValue[index] : 0.0f; }
  float getCurrent() const { return mCurrent; }
  float getValueMax() const { return mValueMax; }
  float getInterval() const { return mInterval; }

  float mInterval;
  float mStartTime;
  float lTime;
  mathbase::Vector2f mMousePos;
  float mCurrent;
  float mValue[kSamples];
  float mCurrentValue;
  float mCurrentIndex;
  float mValueMax;
  float mValueMaxWannabe;

 private:
  float time();
  // The scale's top follows the largest sample: up at once, down slowly.
  void followMax();
};

}  // namespace tessel
}  // namespace zelkor
