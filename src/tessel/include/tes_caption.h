#pragma once
// A title bar: shows its caption, and dragging it moves its parent (the
// window it heads).

#include <string>

#include "mb_vector2.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Caption : public Control {
 public:
  Caption();
  Control* clone() const override { return new Caption; }
  // "caption" (or "text").
  void load(xml::IteratorConst& it) override;
  // A left drag moves the parent, kept reachable inside its own parent, and
  // reports ACTION_WINDOW_RESIZE with the parent as the source.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  bool mClicked;
  mathbase::Vector2f mClickedPos;  // world position of the last drag step
};

}  // namespace tessel
}  // namespace zelkor
