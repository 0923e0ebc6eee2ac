#pragma once
// The body of a panel: a bordered background holding the panel's content.

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class PanelFrame : public Control {
 public:
  PanelFrame();
  Control* clone() const override { return new PanelFrame; }
  void draw(Area area, Area base, Area clip) override;
};

}  // namespace tessel
}  // namespace zelkor
