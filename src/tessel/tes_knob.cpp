#include "tes_knob.h"

#include <algorithm>
#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
const float kPerPixel = 0.005f;
const float kPerWheelStep = 0.05f;
const float kPi = 3.14159265358979f;
// the pointer sweeps 270 degrees, the gap at the bottom
const float kSweep = 1.5f * kPi;
}  // namespace

Knob::Knob() : mClicked(false) { mType = "knob"; }

void Knob::load(xml::IteratorConst& it) {
  Control::load(it);
  float value = 0.0f;
  if (readNumber(*it.operator->(), "value", value, describeTag(*it.operator->()))) setValue(value, true);
}

float Knob::time() {
  Render* render = getRender();
  return render ? render->getTime() : 0.0f;
}

float Knob::getValue(bool immediate) { return mValue.get(time(), immediate); }

void Knob::setValue(float value, bool immediate) {
  if (value != value) return;
  mValue.get(time(), false);
  mValue.set(clampValue(value, 0.0f, 1.0f), immediate);
}

void Knob::change(float value, bool immediate) {
  if (value != value) return;
  value = clampValue(value, 0.0f, 1.0f);
  if (value == mValue.getTarget()) return;
  setValue(value, immediate);
  sendAction(ACTION_KNOB_CHANGED);
}

int Knob::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "mousemove" && mClicked) {
    // movement as the device counts it: the previous position minus this one
    const Vector2f delta = mLastPos - event.mousePosWorld;
    mLastPos = event.mousePosWorld;
    change(mValue.getTarget() - kPerPixel * delta.x + kPerPixel * delta.y, true);
    return 1;
  }
  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT && mClicked) {
    mClicked = false;
    return 1;
  }
  if (mInactive) return used;
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && isMouseInside(event)) {
    mClicked = true;
    mLastPos = event.mousePosWorld;
    return 1;
  }
  if (event.type == "mousewheel" && event.mouseDeltaWheel != 0.0f) {
    change(mValue.getTarget() + kPerWheelStep * event.mouseDeltaWheel, false);
    return 1;
  }
  return used;
}

void Knob::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    const float side = std::floor(std::min(area.getWidth(), area.getHeight())) - 2.0f;
    const Vector2f centre(std::floor(area.getCenter().x) + 0.5f, std::floor(area.getCenter().y) + 0.5f);
    const Area disc(centre - Vector2f(side, side) * 0.5f, centre + Vector2f(side, side) * 0.5f);
    const PaintState state = mInactive ? PAINT_INACTIVE : mClicked ? PAINT_PUSHED : mMouseOver ? PAINT_HIGHLIGHT : PAINT_NORMAL;
    drawDisc(*render, mStyle.mBack, disc, state, 1.5f);
    // the pointer, from the centre towards the value's angle (0 at lower left)
    const float angle = -0.75f * kPi + kSweep * getValue(false);
    const Vector2f tip = centre + Vector2f(std::sin(angle), -std::cos(angle)) * (side * 0.5f - 2.0f);
    render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL));
    render->setLineWidth(2.0f);
    render->drawLine(centre, tip);
    render->setLineWidth(1.0f);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
