#include "tes_slider.h"

#include <algorithm>
#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

namespace {
const float kWheelStep = 0.1f;
const float kMinBar = 4.0f;
}  // namespace

Slider::Slider()
    : mDirection(DIRECTION_HORISONTAL),
      mClicked(false),
      mSize(12.0f),
      mHighlight(false),
      mMouseCompare(0.0f),
      mMin(0.0f),
      mMax(1.0f) {
  mType = "slider";
}

void Slider::load(xml::IteratorConst& it) {
  Control::load(it);
  const xml::XmlTag& tag = *it.operator->();
  const std::string element = describeTag(tag);
  float number = 0.0f;
  if (readNumber(tag, "size", number, element)) setSize(number);
  if (readNumber(tag, "min", number, element)) mMin = number;
  if (readNumber(tag, "max", number, element)) mMax = number;
  if (readNumber(tag, "percent", number, element)) setPercent(number, true);
  readDirection(tag, mDirection);
}

float Slider::time() {
  Render* render = getRender();
  return render ? render->getTime() : 0.0f;
}

void Slider::setSize(float size) { mSize = std::max(size, kMinBar); }

float Slider::getPercent(bool immediate) { return mPercent.get(time(), immediate); }

void Slider::setPercent(float percent, bool immediate) {
  if (percent != percent) return;
  mPercent.get(time(), false);  // a running transition goes on from where it is
  mPercent.set(clampValue(percent, 0.0f, 1.0f), immediate);
}

float Slider::getValue(bool immediate) { return mMin + getPercent(immediate) * (mMax - mMin); }

void Slider::setValue(float value, bool immediate) {
  if (mMax == mMin) {
    setPercent(0.0f, immediate);
    return;
  }
  setPercent((value - mMin) / (mMax - mMin), immediate);
}

float Slider::length() const { return mDirection == DIRECTION_HORISONTAL ? mArea.getWidth() : mArea.getHeight(); }

float Slider::travel() const { return length() - std::min(mSize, length()); }

Area Slider::getBarArea(float p) const {
  const float size = std::min(mSize, length());
  const float start = std::floor(p * travel() + 0.5f);
  if (mDirection == DIRECTION_HORISONTAL) return Area(start, 0.0f, start + size, mArea.getHeight());
  return Area(0.0f, start, mArea.getWidth(), start + size);
}

float Slider::along(const Event& event) {
  const mathbase::Vector2f local = event.mousePosWorld - getAreaWorld().mMin;
  return mDirection == DIRECTION_HORISONTAL ? local.x : local.y;
}

void Slider::change(float p, bool immediate) {
  if (p != p) return;
  p = clampValue(p, 0.0f, 1.0f);
  const bool moved = p != mPercent.getTarget();
  setPercent(p, immediate);
  if (moved) sendAction(ACTION_SLIDER_CHANGED);
}

int Slider::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "mousemove") {
    const float at = along(event);
    const Area bar = getBarArea(mPercent.getTarget());
    const float start = mDirection == DIRECTION_HORISONTAL ? bar.mMin.x : bar.mMin.y;
    mHighlight = mClicked || (isMouseInside(event) && at >= start && at < start + mSize);
    if (mClicked) {
      if (travel() > 0.0f) change((at - mMouseCompare) / travel(), true);
      return 1;
    }
    return used;
  }
  if (event.type == "reset") mHighlight = mClicked;
  if (mInactive) return used;
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && isMouseInside(event)) {
    mClicked = true;
    mHighlight = true;
    const float at = along(event);
    const Area bar = getBarArea(mPercent.getTarget());
    const float start = mDirection == DIRECTION_HORISONTAL ? bar.mMin.x : bar.mMin.y;
    const float size = std::min(mSize, length());
    if (at >= start && at < start + size) {
      mMouseCompare = at - start;  // grabbed: the bar keeps its place under the mouse
    } else {
      mMouseCompare = size / 2.0f;  // on the track: the bar's middle comes to the mouse
      if (travel() > 0.0f) change((at - mMouseCompare) / travel(), false);
    }
    return 1;
  }
  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT && mClicked) {
    mClicked = false;
    return 1;
  }
  if (event.type == "mousewheel" && event.mouseDeltaWheel != 0.0f) {
    const float step = kWheelStep * event.mouseDeltaWheel;
    change(mPercent.getTarget() + (mDirection == DIRECTION_HORISONTAL ? step : -step), false);
    return 1;
  }
  return used;
}

void Slider::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    drawPlate(*render, mStyle.mBack, area, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
    const PaintState state = mInactive    ? PAINT_INACTIVE
                             : mClicked   ? PAINT_PUSHED
                             : mHighlight ? PAINT_HIGHLIGHT
                                          : PAINT_NORMAL;
    drawPlate(*render, mStyle.mCaption, getBarArea(getPercent(false)) + area.mMin, state,
              mDirection == DIRECTION_HORISONTAL ? 0 : 1);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
