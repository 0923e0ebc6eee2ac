#include "tes_scrollbars.h"

#include <algorithm>
#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
const float kMinHandle = 16.0f;
const float kWheelStep = 40.0f;
}  // namespace

ScrollbarsFrame::ScrollbarsFrame() { mType = "scrollbarsframe"; }

Scrollbars::Scrollbars()
    : mVertical(true),
      mHorisontal(true),
      mBarWidth(12.0f),
      mFrame(nullptr),
      mDrag(0),
      mDragOffset(0.0f),
      mHighlight(0) {
  mType = "scrollbars";
  ScrollbarsFrame* frame = new ScrollbarsFrame;
  Control::addControl(frame, -1);
  mFrame = frame;
}

void Scrollbars::load(xml::IteratorConst& it) {
  if (it->hasValue("direction")) {
    const std::string& direction = it->getValue("direction");
    setBars(direction != "horisontal", direction != "vertical");
  }
  InnerContent<Control>::load(it);
}

void Scrollbars::setBars(bool vertical, bool horisontal) {
  mVertical = vertical;
  mHorisontal = horisontal;
  layout();
}

Vector2f Scrollbars::getContentSize() {
  Vector2f size(0.0f, 0.0f);
  for (Control* child : mFrame->mChild) {
    if (!child->getVisible()) continue;
    size.x = std::max(size.x, child->getArea().mMax.x);
    size.y = std::max(size.y, child->getArea().mMax.y);
  }
  return size;
}

Vector2f Scrollbars::getScrollRange() {
  const Vector2f content = getContentSize();
  const Area& frame = mFrame->getArea();
  return Vector2f(mHorisontal ? std::max(0.0f, content.x - frame.getWidth()) : 0.0f,
                  mVertical ? std::max(0.0f, content.y - frame.getHeight()) : 0.0f);
}

void Scrollbars::layout() {
  const float w = mArea.getWidth();
  const float h = mArea.getHeight();
  const float right = mVertical ? std::max(0.0f, w - mBarWidth) : w;
  const float bottom = mHorisontal ? std::max(0.0f, h - mBarWidth) : h;
  mFrame->setArea(Area(0.0f, 0.0f, right, bottom));
  mVerticalBar = mVertical ? Area(right, 0.0f, w, bottom) : Area(0.0f, 0.0f, 0.0f, 0.0f);
  mHorisontalBar = mHorisontal ? Area(0.0f, bottom, right, h) : Area(0.0f, 0.0f, 0.0f, 0.0f);
  mFiller = mVertical && mHorisontal ? Area(right, bottom, w, h) : Area(0.0f, 0.0f, 0.0f, 0.0f);

  // the position stays inside the range, which the content may have shrunk
  const Vector2f range = getScrollRange();
  mScrollPosition.x = clampValue(mScrollPosition.x, 0.0f, range.x);
  mScrollPosition.y = clampValue(mScrollPosition.y, 0.0f, range.y);
  mFrame->setOffset(-mScrollPosition);

  const Vector2f content = getContentSize();
  const auto handle = [](float track, float visible, float total, float position, float span, float& length) {
    length = total > visible && total > 0.0f ? std::max(std::min(kMinHandle, track), track * visible / total) : track;
    return span > 0.0f ? (track - length) * position / span : 0.0f;
  };
  const Vector2f frameSize = mFrame->getArea().getSize();
  const float hx = handle(mHorisontalBar.getWidth(), frameSize.x, content.x, mScrollPosition.x, range.x, mBarLength.x);
  const float vy = handle(mVerticalBar.getHeight(), frameSize.y, content.y, mScrollPosition.y, range.y, mBarLength.y);
  mHorisontalHandle = Area(mHorisontalBar.mMin.x + hx, mHorisontalBar.mMin.y, mHorisontalBar.mMin.x + hx + mBarLength.x,
                           mHorisontalBar.mMax.y);
  mVerticalHandle =
      Area(mVerticalBar.mMin.x, mVerticalBar.mMin.y + vy, mVerticalBar.mMax.x, mVerticalBar.mMin.y + vy + mBarLength.y);
}

void Scrollbars::update() { layout(); }

void Scrollbars::setArea() {
  layout();
  const Vector2f size = mArea.getSize();
  if (size != mLastSize) {
    mLastSize = size;
    sendAction(ACTION_WINDOW_RESIZE);
  }
}

bool Scrollbars::setScrollPosition(Vector2f position) {
  const Vector2f before = mScrollPosition;
  if (position.x == position.x) mScrollPosition.x = position.x;
  if (position.y == position.y) mScrollPosition.y = position.y;
  layout();
  return mScrollPosition != before;
}

bool Scrollbars::scrollTo(Vector2f position) {
  const bool moved = setScrollPosition(position);
  if (moved) sendAction(ACTION_SCROLL_CHANGED);
  return moved;
}

int Scrollbars::handleEvent(Event& event) {
  layout();
  const Vector2f local = event.mousePosWorld - getAreaWorld().mMin;
  if (event.type == "mousemove" && mDrag) {
    Control::handleEvent(event);  // hover states
    const Vector2f range = getScrollRange();
    Vector2f position = mScrollPosition;
    if (mDrag == 1) {
      const float travel = mVerticalBar.getHeight() - mBarLength.y;
      if (travel > 0.0f) position.y = (local.y - mDragOffset - mVerticalBar.mMin.y) / travel * range.y;
    } else {
      const float travel = mHorisontalBar.getWidth() - mBarLength.x;
      if (travel > 0.0f) position.x = (local.x - mDragOffset - mHorisontalBar.mMin.x) / travel * range.x;
    }
    scrollTo(position);
    return 1;
  }
  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT && mDrag) {
    mDrag = 0;
    releaseCapture();
    return 1;
  }
  const bool onBars = isMouseInside(event) && !mFrame->getArea().isInside(local);
  if (event.type == "mousemove") {
    mHighlight = !onBars ? 0 : mVerticalHandle.isInside(local) ? 1 : mHorisontalHandle.isInside(local) ? 2 : 0;
  }
  if (event.type == "reset") mHighlight = 0;
  if (onBars && !mInactive && event.type == "mousedown" && event.button == display::MOUSE_LEFT) {
    const Vector2f page = mFrame->getArea().getSize();
    if (mVerticalHandle.isInside(local)) {
      mDrag = 1;
      mDragOffset = local.y - mVerticalHandle.mMin.y;
    } else if (mHorisontalHandle.isInside(local)) {
      mDrag = 2;
      mDragOffset = local.x - mHorisontalHandle.mMin.x;
    } else if (mVerticalBar.isInside(local)) {
      const float dir = local.y < mVerticalHandle.mMin.y ? -1.0f : 1.0f;
      scrollTo(mScrollPosition + Vector2f(0.0f, dir * page.y));
    } else if (mHorisontalBar.isInside(local)) {
      const float dir = local.x < mHorisontalHandle.mMin.x ? -1.0f : 1.0f;
      scrollTo(mScrollPosition + Vector2f(dir * page.x, 0.0f));
    }
    releaseCapture();  // the press is the bars', not the content's
    return 1;
  }
  const int used = Control::handleEvent(event);
  if (event.type == "mousewheel" && !used && !mInactive && event.mouseDeltaWheel != 0.0f) {
    // up scrolls towards the start
    const float step = -kWheelStep * event.mouseDeltaWheel;
    const bool across = !mVertical || (event.shift() && mHorisontal);
    return scrollTo(mScrollPosition + (across ? Vector2f(step, 0.0f) : Vector2f(0.0f, step))) ? 1 : 0;
  }
  return used;
}

void Scrollbars::draw(Area area, Area base, Area clip) {
  layout();
  Control::draw(area, base, clip);
  Render* render = getRender();
  if (!render) return;
  const PaintState normal = mInactive ? PAINT_INACTIVE : PAINT_NORMAL;
  if (mVertical) {
    drawPlate(*render, mStyle.mBack, mVerticalBar + area.mMin, normal, 1);
    const PaintState state = mInactive ? PAINT_INACTIVE : mDrag == 1 ? PAINT_PUSHED : mHighlight == 1 ? PAINT_HIGHLIGHT : PAINT_NORMAL;
    Area handle = mVerticalHandle + area.mMin;
    handle.expand(-1.0f);
    drawPlate(*render, mStyle.mCaption, handle, state, 1);
  }
  if (mHorisontal) {
    drawPlate(*render, mStyle.mBack, mHorisontalBar + area.mMin, normal);
    const PaintState state = mInactive ? PAINT_INACTIVE : mDrag == 2 ? PAINT_PUSHED : mHighlight == 2 ? PAINT_HIGHLIGHT : PAINT_NORMAL;
    Area handle = mHorisontalHandle + area.mMin;
    handle.expand(-1.0f);
    drawPlate(*render, mStyle.mCaption, handle, state);
  }
  if (mVertical && mHorisontal) {
    setColors(*render, mStyle.mBack, normal);
    render->drawBox(mFiller + area.mMin);
  }
}

}  // namespace tessel
}  // namespace zelkor
