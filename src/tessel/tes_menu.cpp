#include "tes_menu.h"

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

MenuFrame::MenuFrame() { mType = "menuframe"; }

Menu::Menu() : mMenuBar(new MenuBar), mMenuFrame(nullptr) {
  mType = "menu";
  Flow::addControl(mMenuBar, -1);
  MenuFrame* frame = new MenuFrame;
  Flow::addControl(frame, -1);
  setPercent(frame, 100.0f);
  mMenuFrame = frame;
}

void Menu::load(xml::IteratorConst& it) {
  InnerContent<Flow>::load(it);
  xml::IteratorConst items = it.createIterator("item");
  while (++items) mMenuBar->addItem(items);
}

void Menu::loadStyle(xml::IteratorConst& it) {
  Control::loadStyle(it);
  mMenuBar->mStyle = mStyle;
  mMenuFrame->mStyle = mStyle;
}

void Menu::setArea() {
  setSize(mMenuBar, rowHeight(getRender()) + 4.0f);
  Flow::setArea();
}

}  // namespace tessel
}  // namespace zelkor
