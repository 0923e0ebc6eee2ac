#include "tes_panel.h"

#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

Panel::Panel() : mFrame(nullptr) {
  mType = "panel";
  PanelFrame* frame = new PanelFrame;
  Control::addControl(frame, -1);
  mFrame = frame;
  mFrame->mStyle = mStyle;
}

void Panel::load(xml::IteratorConst& it) {
  InnerContent<Control>::load(it);
  if (it->hasValue("caption")) setCaption(it->getValue("caption"));
}

void Panel::loadStyle(xml::IteratorConst& it) {
  Control::loadStyle(it);
  mFrame->mStyle.mBack = mStyle.mBack;
  mFrame->mStyle.mText = mStyle.mText;
}

float Panel::getHeaderHeight() { return mCaption.empty() ? 0.0f : rowHeight(getRender()) + 2.0f; }

void Panel::setCaption(std::string caption) {
  Control::setCaption(std::move(caption));
  setArea();
}

void Panel::setArea() {
  mFrame->setArea(Area(0.0f, getHeaderHeight(), mArea.getWidth(), mArea.getHeight()));
}

void Panel::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  const float header = getHeaderHeight();
  if (render && header > 0.0f) {
    const Area strip(area.mMin.x, area.mMin.y, area.mMax.x, area.mMin.y + header);
    drawPlate(*render, mStyle.mCaption, strip, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
    render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL));
    drawTextCentred(*render, strip, strip.mMin.x + 6.0f, mCaption, Render::ALIGN_LEFT);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
