#include "tes_frame.h"

#include "tes_render.h"

namespace zelkor {
namespace tessel {

Frame::Frame() { mType = "frame"; }

void Frame::drawFrame(const Area& area) {
  Render* render = getRender();
  if (!render) return;
  const colorInfo& back = mStyle.mBack;
  if (mInactive) {
    render->setColor(back.mInactive1, back.mInactive2);
  } else {
    render->setColor(back.mColor1, back.mColor2);
  }
  render->drawBox(area);
  render->setColor(back.mBorder1, back.mBorder2);
  render->drawBorder(area);
}

void Frame::draw(Area area, Area base, Area clip) {
  drawFrame(area);
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
