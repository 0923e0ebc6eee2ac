#pragma once
// Creates controls by type name from one process-wide list of prototypes.

#include <string>
#include <vector>

namespace zelkor {
namespace tessel {

class Control;

class ControlFactory {
 public:
  // Appends a prototype (owned by the list for the rest of the process).
  static void addControlType(Control* prototype);
  // A fresh control of the first prototype of that type, or null.
  static Control* create(const std::string& type);
  // Registers the toolkit's widgets in catalogue order, once per process.
  static void registerStandardTypes();
  // The prototypes' type names in registration order.
  static std::vector<std::string> getTypeNames();
};

}  // namespace tessel
}  // namespace zelkor
