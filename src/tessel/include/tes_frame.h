#pragma once
// A bordered background: a gradient box in the back colours with a border.

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Frame : public Control {
 public:
  Frame();
  Control* clone() const override { return new Frame; }
  void draw(Area area, Area base, Area clip) override;

 protected:
  // The background and border in the colours of the current state.
  void drawFrame(const Area& area);
};

}  // namespace tessel
}  // namespace zelkor
