#pragma once
// A linear value control: a bar on a track. The value in [min, max] is
// min + p * (max - min) with p the bar's eased fraction of the track.

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Slider : public Control {
 public:
  Slider();
  Control* clone() const override { return new Slider; }
  // Base attributes, then "size" (bar length in pixels), "min", "max",
  // "percent" (the fraction p, 0 to 1) and "direction".
  void load(xml::IteratorConst& it) override;
  // A press on the track moves the bar there, dragging the bar moves it, the
  // wheel steps it by a tenth of the range; every change of p reports
  // ACTION_SLIDER_CHANGED.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // Horizontal: p grows to the right; vertical: p grows downwards.
  virtual void setDirection(Direction direction) { mDirection = direction; }
  virtual float getSize() const { return mSize; }
  virtual void setSize(float size);
  // `immediate`: the target, else the eased value now.
  virtual float getPercent(bool immediate = true);
  virtual void setPercent(float percent, bool immediate = true);
  virtual float getMin() const { return mMin; }
  virtual void setMin(float value) { mMin = value; }
  virtual float getMax() const { return mMax; }
  virtual void setMax(float value) { mMax = value; }
  virtual float getValue(bool immediate = true);
  virtual void setValue(float value, bool immediate = true);

  Direction getDirection() const { return mDirection; }
  // The bar in local coordinates at fraction p.
  Area getBarArea(float p) const;

  Direction mDirection;
  bool mClicked;
  float mSize;
  bool mHighlight;
  float mMouseCompare;  // where in the bar it was grabbed
  float mMin;
  float mMax;
  Interval mPercent;

 private:
  float time();
  float length() const;
  float travel() const;
  float along(const Event& event);
  // Clamps and sets p; reports when the target moved.
  void change(float p, bool immediate);
};

}  // namespace tessel
}  // namespace zelkor
