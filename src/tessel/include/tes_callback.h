#pragma once
// The interface through which controls report to the application.

#include <string>

#include "tes_typedef.h"

namespace zelkor {
namespace tessel {

class Context;
class Control;

// Held by controls, owned by the application.
class Callback {
 public:
  virtual ~Callback() {}
  // A context-menu option was chosen; `action` is its dotted path.
  virtual void contextAction(Context* context, std::string action) {
    (void)context;
    (void)action;
  }
  virtual void controlAction(Control* control, Action action) {
    (void)control;
    (void)action;
  }
};

}  // namespace tessel
}  // namespace zelkor
