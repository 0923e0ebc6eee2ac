#include "tes_control_factory.h"

#include <memory>
#include <vector>

#include "tes_box.h"
#include "tes_boxframe.h"
#include "tes_boxview.h"
#include "tes_button.h"
#include "tes_caption.h"
#include "tes_checkbox.h"
#include "tes_colorchooser.h"
#include "tes_container.h"
#include "tes_context.h"
#include "tes_control.h"
#include "tes_dropdown.h"
#include "tes_flow.h"
#include "tes_frame.h"
#include "tes_image.h"
#include "tes_knob.h"
#include "tes_label.h"
#include "tes_layoutstack.h"
#include "tes_menu.h"
#include "tes_menubar.h"
#include "tes_panel.h"
#include "tes_panelframe.h"
#include "tes_radiobutton.h"
#include "tes_ruler.h"
#include "tes_scrollbars.h"
#include "tes_slider.h"
#include "tes_spline.h"
#include "tes_stat.h"
#include "tes_tabcaption.h"
#include "tes_tabframe.h"
#include "tes_tabview.h"
#include "tes_textinput.h"
#include "tes_treeview.h"
#include "tes_window.h"
#include "tes_windowframe.h"
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
  // Catalogue order. A type not built yet is absent: the factory reports it
  // as unknown and layouts skip it.
  addControlType(new Box);
  addControlType(new BoxFrame);
  addControlType(new BoxView);
  addControlType(new Button);
  addControlType(new Caption);
  addControlType(new Checkbox);
  addControlType(new ColorChooser);
  addControlType(new Container);
  addControlType(new Context);
  addControlType(new Dropdown);
  addControlType(new Flow);
  addControlType(new Frame);
  addControlType(new Image);
  addControlType(new Knob);
  addControlType(new Label);
  addControlType(new LayoutStack);
  addControlType(new Menu);
  addControlType(new MenuBar);
  addControlType(new Panel);
  addControlType(new PanelFrame);
  addControlType(new RadioButton);
  addControlType(new Ruler);
  addControlType(new Scrollbars);
  addControlType(new Slider);
  addControlType(new Spline);
  addControlType(new Stat);
  addControlType(new TabView);
  addControlType(new TabCaption);
  addControlType(new TabFrame);
  addControlType(new TextInput);
  addControlType(new TreeView);
  addControlType(new Window);
  addControlType(new WindowFrame);
  addControlType(new Workspace);
}

std::vector<std::string> ControlFactory::getTypeNames() {
  std::vector<std::string> names;
  for (const auto& prototype : prototypes()) names.push_back(prototype->getType());
  return names;
}

}  // namespace tessel
}  // namespace zelkor
