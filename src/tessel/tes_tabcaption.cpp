#include "tes_tabcaption.h"

#include <cmath>

#include "tes_frame.h"
#include "tes_paint.h"
#include "tes_tabframe.h"

namespace zelkor {
namespace tessel {

namespace {
const float kTabPadding = 16.0f;
const float kTabSpacing = 2.0f;
const float kFirstTab = 4.0f;
}  // namespace

TabCaption::TabCaption() : mTabFrame(nullptr), mPushedIndex(0), mHighlightIndex(-1) { mType = "tabcaption"; }

void TabCaption::setTabFrame(Frame* frame) {
  mTabFrame = frame;
  select(mPushedIndex);
}

int TabCaption::getPageCount() { return mTabFrame ? static_cast<int>(mTabFrame->mOrder.size()) : 0; }

void TabCaption::select(int index) {
  const int count = getPageCount();
  if (index >= count) index = count - 1;
  if (index < 0) index = 0;
  mPushedIndex = index;
  for (int i = 0; i < count; ++i) mTabFrame->getOrder(static_cast<uint32_t>(i))->setVisible(i == index);
}

Area TabCaption::getTabArea(int index) {
  Render* render = getRender();
  const Area world = getAreaWorld();
  float x = world.mMin.x + kFirstTab;
  for (int i = 0; i < getPageCount(); ++i) {
    Control* page = mTabFrame->getOrder(static_cast<uint32_t>(i));
    const float width = std::ceil(textLength(render, page->getCaption()) + kTabPadding);
    if (TabFrame* tab = dynamic_cast<TabFrame*>(page)) tab->mCaptionWidth = width;
    if (i == index) return Area(x, world.mMin.y + 2.0f, x + width, world.mMax.y);
    x += width + kTabSpacing;
  }
  return Area(0.0f, 0.0f, 0.0f, 0.0f);
}

int TabCaption::tabAt(const mathbase::Vector2f& world) {
  for (int i = 0; i < getPageCount(); ++i) {
    if (getTabArea(i).isInside(world)) return i;
  }
  return -1;
}

int TabCaption::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "mousemove") mHighlightIndex = isMouseInside(event) ? tabAt(event.mousePosWorld) : -1;
  if (event.type == "reset") mHighlightIndex = -1;
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && !mInactive) {
    const int tab = tabAt(event.mousePosWorld);
    if (tab >= 0) {
      select(tab);
      return 1;
    }
  }
  return used;
}

void TabCaption::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  if (render) {
    setColors(*render, mStyle.mBack, PAINT_NORMAL);
    render->drawBox(area);
    for (int i = 0; i < getPageCount(); ++i) {
      const Area tab = getTabArea(i);
      const PaintState state = mInactive ? PAINT_INACTIVE
                               : i == mPushedIndex ? PAINT_PUSHED
                               : i == mHighlightIndex ? PAINT_HIGHLIGHT
                                                      : PAINT_NORMAL;
      drawPlate(*render, mStyle.mCaption, tab, state);
      render->setColor(firstColor(mStyle.mText, state));
      const Control* page = mTabFrame->getOrder(static_cast<uint32_t>(i));
      drawTextCentred(*render, tab, std::floor(tab.getCenter().x), page->getCaption(), Render::ALIGN_CENTER);
    }
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
