#include "tes_button.h"

#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

Button::Button() : mClicked(false), mToggleState(false), mToggle(false) { mType = "button"; }

void Button::load(xml::IteratorConst& it) {
  Control::load(it);
  if (it->hasValue("caption")) setCaption(it->getValue("caption"));
  if (it->hasValue("toggled")) mToggle = it->getValue("toggled") == "true";
}

int Button::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.button != display::MOUSE_LEFT) return used;
  if (event.type == "mousedown") {
    if (mInactive || !isMouseInside(event)) return used;
    mClicked = true;
    if (!mToggle) sendAction(ACTION_BUTTON_PRESSED);
    return 1;
  }
  if (event.type == "mouseup") {
    const bool wasClicked = mClicked;
    mClicked = false;
    if (!wasClicked || mInactive || !isMouseInside(event)) return used;
    if (mToggle) {
      mToggleState = !mToggleState;
      sendAction(mToggleState ? ACTION_BUTTON_PRESSED : ACTION_BUTTON_RELEASED);
    } else {
      sendAction(ACTION_BUTTON_RELEASED);
    }
    return 1;
  }
  return used;
}

void Button::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    PaintState state = PAINT_NORMAL;
    if (mInactive) {
      state = PAINT_INACTIVE;
    } else if ((mClicked && mMouseOver) || (mToggle && mToggleState)) {
      state = PAINT_PUSHED;
    } else if (mMouseOver) {
      state = PAINT_HIGHLIGHT;
    }
    drawPlate(*render, mStyle.mBack, area, state);
    render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : state));
    // pressed in: the caption sinks by a pixel
    const float sink = state == PAINT_PUSHED ? 1.0f : 0.0f;
    drawTextCentred(*render, area + mathbase::Vector2f(sink, sink), std::floor(area.getCenter().x), mCaption,
                    Render::ALIGN_CENTER);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
