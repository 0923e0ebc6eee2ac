#pragma once
// Stacks its children one after another along one direction, each keeping
// its own size.

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class LayoutStack : public Control {
 public:
  LayoutStack();
  Control* clone() const override { return new LayoutStack; }
  // Base attributes, then "direction" ("horisontal" stacks left to right).
  void load(xml::IteratorConst& it) override;
  // Stacks again with the last order asked for.
  void setArea() override;
  using Control::setArea;

  // ---- appended
  // Places the children in insertion order, or reversed.
  virtual void recalculate(bool reverse = false);
  virtual void setDirection(Direction direction) { mDirection = direction; }

  Direction getDirection() const { return mDirection; }

  Direction mDirection;
  bool mReverse;
};

}  // namespace tessel
}  // namespace zelkor
