#pragma once
// A rotary value control for a value in [0, 1]: drag right or up to turn it
// up, or turn the wheel.

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Knob : public Control {
 public:
  Knob();
  Control* clone() const override { return new Knob; }
  // Base attributes, then "value".
  void load(xml::IteratorConst& it) override;
  // While dragged, every pixel the mouse moves right or up turns the value
  // up by 0.005 (left or down: down); the wheel turns it by 0.05 a step.
  // Every change reports ACTION_KNOB_CHANGED.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // `immediate`: the target, else the eased value now.
  float getValue(bool immediate = true);
  // Sets the value (limited to [0, 1]) without reporting.
  void setValue(float value, bool immediate = true);

  Interval mValue;
  bool mClicked;
  mathbase::Vector2f mLastPos;  // world position of the last drag step

 private:
  float time();
  void change(float value, bool immediate);
};

}  // namespace tessel
}  // namespace zelkor
