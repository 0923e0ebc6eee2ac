#pragma once
// Splits its area among its children along one direction: fixed sizes in
// pixels first, the rest shared out by percent.

#include <vector>

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Flow : public Control {
 public:
  Flow();
  Control* clone() const override { return new Flow; }
  // Base attributes, then "direction" ("horisontal" lays out left to right).
  void load(xml::IteratorConst& it) override;
  void setArea() override;
  using Control::setArea;
  // New children get the fixed size 10 pixels.
  void addControl(Control* control, int32_t index) override;
  void deleteControls() override;
  void childRemoved(uint32_t index) override;

  // ---- appended; the index is the child's place in insertion order
  virtual void setSize(uint32_t index, float pixels);
  virtual void setPercent(uint32_t index, float percent);
  virtual void setDirection(Direction direction) { mDirection = direction; }

  void setSize(Control* child, float pixels);
  void setPercent(Control* child, float percent);
  Direction getDirection() const { return mDirection; }
  // Positive: pixels; negative: minus the percent.
  float getControlSize(uint32_t index) const;

  std::vector<float> mControlSize;
  Direction mDirection;

 private:
  int orderIndex(Control* child) const;
};

}  // namespace tessel
}  // namespace zelkor
