#pragma once
// A push button, or a toggle button that stays in when pressed once.

#include <string>

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Button : public Control {
 public:
  Button();
  Control* clone() const override { return new Button; }
  // "caption"; "toggled" equal to "true" turns toggle mode on.
  void load(xml::IteratorConst& it) override;
  // A left press reports ACTION_BUTTON_PRESSED (push mode); the release over
  // the button reports ACTION_BUTTON_RELEASED, or in toggle mode flips the
  // state and reports PRESSED when it became on, RELEASED when off.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  virtual void setToggleMode(bool toggle) { mToggle = toggle; }
  virtual bool getToggled() const { return mToggleState; }

  bool getToggleMode() const { return mToggle; }
  // Sets the toggle state without reporting.
  void setToggled(bool on) { mToggleState = on; }
  bool getClicked() const { return mClicked; }

  bool mClicked;
  bool mToggleState;
  bool mToggle;
};

}  // namespace tessel
}  // namespace zelkor
