#include "tes_checkbox.h"

namespace zelkor {
namespace tessel {

Checkbox::Checkbox() {
  mType = "checkbox";
  mCheckbox = true;
}

}  // namespace tessel
}  // namespace zelkor
