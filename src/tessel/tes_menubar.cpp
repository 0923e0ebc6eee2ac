#include "tes_menubar.h"

#include <cmath>

#include "tes_menu.h"
#include "tes_paint.h"
#include "tes_workspace.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

MenuBar::MenuBar()
    : mClicked(false),
      mFirstHit(false),
      mBarOffset(4.0f),
      mBarSpacing(8.0f),
      mMouseOverIndex(-1),
      mMouseInsideIndex(-1) {
  mType = "menubar";
}

MenuBar::~MenuBar() {
  for (Entry& entry : mMenu) delete entry.menu;
  mMenu.clear();
}

void MenuBar::load(xml::IteratorConst& it) {
  Control::load(it);
  xml::IteratorConst items = it.createIterator("item");
  while (++items) addItem(items);
}

void MenuBar::addItem(xml::IteratorConst& it) {
  const std::string caption = it->getValue("caption");
  if (caption.empty()) {
    loadWarning(describeTag(*it.operator->()), "menu without \"caption\"; skipped");
    return;
  }
  Context* menu = addMenu(caption);
  // the style file's menu colours first, as for a menu in the layout
  xml::IteratorConst entry = getStyle("context");
  const bool styled = ++entry;
  if (styled) menu->loadStyle(entry);
  menu->load(it);
  xml::IteratorConst colours = it.createIterator("color");
  menu->mStyleLoaded = styled || ++colours;
}

void MenuBar::sendContextAction(Context* context, std::string action) {
  Control::sendContextAction(context, action);
  // the control holding the bar hears the pick too
  if (Menu* holder = dynamic_cast<Menu*>(mParent)) holder->sendContextAction(context, action);
}

Context* MenuBar::addMenu(const std::string& title) {
  Context* menu = new Context;
  menu->setCaption(title);
  menu->setName(title);
  // the bar opens it and hears its picks, but it is no child
  menu->setParent(this);
  mMenu.push_back({menu, false});
  return menu;
}

Area MenuBar::getTitleArea(size_t index) {
  Render* render = getRender();
  float x = mBarOffset;
  for (size_t i = 0; i < mMenu.size(); ++i) {
    const float width = std::ceil(textLength(render, mMenu[i].menu->getCaption()) + 2.0f * mBarSpacing);
    if (i == index) return Area(x, 0.0f, x + width, mArea.getHeight());
    x += width;
  }
  return Area(0.0f, 0.0f, 0.0f, 0.0f);
}

int MenuBar::titleAt(const Vector2f& world) {
  const Vector2f local = world - getAreaWorld().mMin;
  for (size_t i = 0; i < mMenu.size(); ++i) {
    if (getTitleArea(i).isInside(local)) return static_cast<int>(i);
  }
  return -1;
}

int MenuBar::getOpenIndex() {
  Workspace* workspace = dynamic_cast<Workspace*>(getRoot());
  Context* open = workspace ? workspace->getContext() : nullptr;
  for (size_t i = 0; i < mMenu.size(); ++i) {
    if (mMenu[i].menu == open) return static_cast<int>(i);
  }
  return -1;
}

void MenuBar::open(int index) {
  if (index < 0 || static_cast<size_t>(index) >= mMenu.size()) return;
  Context* menu = mMenu[static_cast<size_t>(index)].menu;
  const Area title = getTitleArea(static_cast<size_t>(index));
  menu->mArea = Area(Vector2f(title.mMin.x, title.mMax.y) - mOffset, Vector2f(title.mMin.x, title.mMax.y) - mOffset);
  setContext(menu);
  mMouseInsideIndex = index;
}

int MenuBar::handleEvent(Event& event) {
  if (event.type == "context") return 1;  // a pick; reported through sendContextAction
  const int used = Control::handleEvent(event);
  const int openIndex = getOpenIndex();
  if (openIndex < 0) {
    mMouseInsideIndex = -1;
    mClicked = false;
  }
  if (event.type == "reset") {
    mMouseOverIndex = -1;
    for (Entry& entry : mMenu) entry.hover = false;
  }
  if (event.type == "mousemove") {
    mMouseOverIndex = isMouseInside(event) ? titleAt(event.mousePosWorld) : -1;
    for (size_t i = 0; i < mMenu.size(); ++i) mMenu[i].hover = static_cast<int>(i) == mMouseOverIndex;
    // an open menu follows the mouse along the bar
    if (openIndex >= 0 && mMouseOverIndex >= 0 && mMouseOverIndex != openIndex) open(mMouseOverIndex);
    return mMouseOverIndex >= 0 ? 1 : used;
  }
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && !mInactive) {
    const int title = titleAt(event.mousePosWorld);
    if (title < 0) return used;
    if (title == openIndex) {
      resetContext();  // a second click on the open title closes it
      mClicked = false;
    } else {
      open(title);
      mClicked = true;
      mFirstHit = true;
    }
    return 1;
  }
  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT) {
    mFirstHit = false;
    return titleAt(event.mousePosWorld) >= 0 ? 1 : used;
  }
  return used;
}

void MenuBar::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    setColors(*render, mStyle.mBack, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
    render->drawBox(area);
    render->setColor(mStyle.mBack.mBorder2, mStyle.mBack.mBorder2);
    render->drawLine(Vector2f(area.mMin.x, area.mMax.y - 0.5f), Vector2f(area.mMax.x, area.mMax.y - 0.5f));
    const int openIndex = getOpenIndex();
    for (size_t i = 0; i < mMenu.size(); ++i) {
      const Area title = getTitleArea(i) + area.mMin;
      const int index = static_cast<int>(i);
      const PaintState state = mInactive ? PAINT_INACTIVE
                               : index == openIndex ? PAINT_PUSHED
                               : mMenu[i].hover ? PAINT_HIGHLIGHT
                                                : PAINT_NORMAL;
      if (state == PAINT_PUSHED || state == PAINT_HIGHLIGHT) {
        setColors(*render, mStyle.mBack, state);
        render->drawBox(title);
      }
      render->setColor(firstColor(mStyle.mText, state));
      drawTextCentred(*render, title, std::floor(title.getCenter().x), mMenu[i].menu->getCaption(), Render::ALIGN_CENTER);
    }
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
