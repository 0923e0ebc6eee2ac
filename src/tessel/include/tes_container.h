#pragma once
// A plain grouping control; it draws only its children.

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Container : public Control {
 public:
  Container();
  Control* clone() const override { return new Container; }
};

}  // namespace tessel
}  // namespace zelkor
