#pragma once
// A control with a menu bar: the bar on top (its menus from the "item"
// sub-tags), a frame below holding the children.

#include "tes_flow.h"
#include "tes_frame.h"
#include "tes_menubar.h"
#include "tes_innercontent.h"

namespace zelkor {
namespace tessel {

// The body under a menu's bar (internal part).
class MenuFrame : public Frame {
 public:
  MenuFrame();
  Control* clone() const override { return new MenuFrame; }
};

class Menu : public InnerContent<Flow> {
 public:
  Menu();
  Control* clone() const override { return new Menu; }
  // Base attributes, then the bar's menus from "item" sub-tags. A "class"
  // names the style entry; the menu's colours dress the bar and the frame.
  void load(xml::IteratorConst& it) override;
  void loadStyle(xml::IteratorConst& it) override;
  using Control::loadStyle;
  void setArea() override;
  using Control::setArea;

  MenuBar* getMenuBar() const { return mMenuBar; }
  MenuFrame* getMenuFrame() const { return mMenuFrame; }

  MenuBar* mMenuBar;
  MenuFrame* mMenuFrame;

 protected:
  Control* content() override { return mMenuFrame; }
};

}  // namespace tessel
}  // namespace zelkor
