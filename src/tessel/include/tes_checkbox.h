#pragma once
// A column of independent check options.

#include "tes_radiobutton.h"

namespace zelkor {
namespace tessel {

class Checkbox : public RadioButton {
 public:
  Checkbox();
  Control* clone() const override { return new Checkbox; }
};

}  // namespace tessel
}  // namespace zelkor
