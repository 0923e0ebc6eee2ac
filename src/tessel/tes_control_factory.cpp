#include "tes_control_factory.h"

#include <memory>
#include <vector>

#include "tes_container.h"
#include "tes_context.h"
#include "tes_control.h"
#include "tes_flow.h"
#include "tes_frame.h"
#include "tes_label.h"
#include "tes_layoutstack.h"
#include "tes_spline.h"
#include "tes_workspace.h"

namespace zelkor {
namespace tessel {

namespace {
std::vector<std::unique_ptr<Control>>& prototypes() {
  static std::vector<std::unique_ptr<Control>> list;
  return list;
}
}  // namespace

void ControlFactory::addControlType(Control* prototype) {
  if (prototype) prototypes().emplace_back(prototype);
}

Control* ControlFactory::create(const std::string& type) {
  for (const auto& prototype : prototypes()) {
    if (prototype->getType() == type) return prototype->clone();
  }
  return nullptr;
}

void ControlFactory::registerStandardTypes() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  // Catalogue order. Types not built yet are absent: the factory reports
  // them as unknown and layouts skip them.
  //   "box", "boxframe", "boxview", "button", "caption", "checkbox", "colorchooser"
  addControlType(new Container);
  addControlType(new Context);
  //   "dropdown"
  addControlType(new Flow);
  addControlType(new Frame);
  //   "image", "knob"
  addControlType(new Label);
  addControlType(new LayoutStack);
  //   "menu", "menubar", "panel", "panelframe", "radiobutton", "ruler", "scrollbars",
  //   "slider"
  addControlType(new Spline);
  //   "stat", "tabview", "tabcaption", "tabframe", "textinput",
  //   "treeview", "window", "windowframe"
  addControlType(new Workspace);
}

std::vector<std::string> ControlFactory::getTypeNames() {
  std::vector<std::string> names;
  for (const auto& prototype : prototypes()) names.push_back(prototype->getType());
  return names;
}

}  // namespace tessel
}  // namespace zelkor
