#include "tes_caption.h"

#include <algorithm>
#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
// How much of a moved window stays inside its parent, so it can be caught again.
const float kKeepVisible = 40.0f;
}  // namespace

Caption::Caption() : mClicked(false) { mType = "caption"; }

void Caption::load(xml::IteratorConst& it) {
  Control::load(it);
  if (it->hasValue("caption")) setCaption(it->getValue("caption"));
  if (it->hasValue("text")) setCaption(it->getValue("text"));
}

int Caption::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && !mInactive && isMouseInside(event)) {
    mClicked = true;
    mClickedPos = event.mousePosWorld;
    return 1;
  }
  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT) {
    const bool was = mClicked;
    mClicked = false;
    return was ? 1 : used;
  }
  if (event.type == "mousemove" && mClicked) {
    Control* window = mParent;
    if (!window) return 1;
    Area moved = window->getArea() + (event.mousePosWorld - mClickedPos);
    if (Control* outer = window->getParent()) {
      // the caption bar stays where the mouse can reach it
      const Area room(0.0f, 0.0f, outer->getArea().getWidth(), outer->getArea().getHeight());
      const Vector2f size = moved.getSize();
      Vector2f at = moved.mMin;
      at.x = std::max(std::min(at.x, room.mMax.x - std::min(kKeepVisible, size.x)), std::min(kKeepVisible, size.x) - size.x);
      at.y = std::max(std::min(at.y, room.mMax.y - mArea.getHeight()), -mArea.mMin.y);
      moved = Area(at, at + size);
    }
    const Vector2f step = moved.mMin - window->getArea().mMin;
    mClickedPos += step;
    if (step.x != 0.0f || step.y != 0.0f) {
      window->setArea(moved);
      sendAction(ACTION_WINDOW_RESIZE, window);
    }
    return 1;
  }
  return used;
}

void Caption::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    const PaintState state = mInactive ? PAINT_INACTIVE : mClicked ? PAINT_PUSHED : PAINT_NORMAL;
    drawPlate(*render, mStyle.mBack, area, state);
    render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL));
    drawTextCentred(*render, area, area.mMin.x + 6.0f, mCaption, Render::ALIGN_LEFT);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
