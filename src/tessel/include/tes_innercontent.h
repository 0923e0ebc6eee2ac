#pragma once
// The base of widgets built of parts, whose content lives in one of them.

#include <cstdint>

#include "tes_control.h"

namespace zelkor {
namespace tessel {

// Widgets whose children live in an inner part (a frame under a caption, a
// scrolled frame): what the layout or the application adds goes into that
// part. The parts themselves are added with Base::addControl.
template <class Base>
class InnerContent : public Base {
 public:
  void addControl(Control* control, int32_t index) override {
    Control* inner = content();
    if (!inner || control == inner) {
      Base::addControl(control, index);
    } else {
      inner->addControl(control, index);
    }
  }
  void deleteControl(uint32_t index) override {
    if (Control* inner = content()) {
      inner->deleteControl(index);
    } else {
      Base::deleteControl(index);
    }
  }
  void deleteControls() override {
    if (Control* inner = content()) {
      inner->deleteControls();
    } else {
      Base::deleteControls();
    }
  }

 protected:
  // The part that holds the content; null while the parts are being built.
  virtual Control* content() = 0;
};

}  // namespace tessel
}  // namespace zelkor
