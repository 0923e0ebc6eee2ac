#include "tes_window.h"

#include <algorithm>
#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
const float kGrip = 12.0f;
const float kMinWidth = 60.0f;
const float kMinBody = 20.0f;
}  // namespace

Window::Window() : mCaptionbar(new Caption), mFrame(nullptr), mResizing(false) {
  mType = "window";
  Flow::addControl(mCaptionbar, -1);
  WindowFrame* frame = new WindowFrame;
  Flow::addControl(frame, -1);
  setPercent(frame, 100.0f);
  mFrame = frame;
  applyStyle();
}

void Window::load(xml::IteratorConst& it) {
  InnerContent<Flow>::load(it);
  if (it->hasValue("caption")) setCaption(it->getValue("caption"));
}

void Window::loadStyle(xml::IteratorConst& it) {
  Control::loadStyle(it);
  applyStyle();
}

void Window::applyStyle() {
  mCaptionbar->mStyle.mBack = mStyle.mCaption;
  mCaptionbar->mStyle.mText = mStyle.mText;
  if (mFrame) {
    mFrame->mStyle.mBack = mStyle.mBack;
    mFrame->mStyle.mText = mStyle.mText;
  }
}

void Window::setCaption(std::string caption) {
  mCaptionbar->setCaption(caption);
  Control::setCaption(std::move(caption));
}

void Window::setArea() {
  // the bar fits the font, known once the window is in a tree
  setSize(mCaptionbar, rowHeight(getRender()) + 2.0f);
  Flow::setArea();
}

Area Window::getGrip() const {
  return Area(mArea.getWidth() - kGrip, mArea.getHeight() - kGrip, mArea.getWidth(), mArea.getHeight());
}

int Window::handleEvent(Event& event) {
  if (event.button == display::MOUSE_LEFT) {
    if (event.type == "mousedown" && !mInactive && (getGrip() + getAreaWorld().mMin).isInside(event.mousePosWorld)) {
      mResizing = true;
      mResizeFrom = event.mousePosWorld;
      releaseCapture();  // the press is the grip's, not the content's
      return 1;
    }
    if (event.type == "mouseup" && mResizing) {
      mResizing = false;
      return 1;
    }
  }
  if (event.type == "mousemove" && mResizing) {
    const float minHeight = mCaptionbar->getArea().getHeight() + kMinBody;
    Area resized = mArea;
    resized.mMax += event.mousePosWorld - mResizeFrom;
    resized.mMax.x = std::max(resized.mMax.x, resized.mMin.x + kMinWidth);
    resized.mMax.y = std::max(resized.mMax.y, resized.mMin.y + minHeight);
    const Vector2f step = resized.mMax - mArea.mMax;
    mResizeFrom += step;
    if (step.x != 0.0f || step.y != 0.0f) {
      setArea(resized);
      sendAction(ACTION_WINDOW_RESIZE);
    }
    Control::handleEvent(event);  // hover states
    return 1;
  }
  return Flow::handleEvent(event);
}

void Window::draw(Area area, Area base, Area clip) {
  Flow::draw(area, base, clip);
  Render* render = getRender();
  if (!render || mInactive) return;
  // three short diagonals in the corner
  render->setColor(mStyle.mBack.mBorder1, mStyle.mBack.mBorder1);
  for (int i = 1; i <= 3; ++i) {
    const float d = 3.0f * static_cast<float>(i);
    render->drawLine(Vector2f(area.mMax.x - d - 1.0f, area.mMax.y - 1.5f), Vector2f(area.mMax.x - 1.5f, area.mMax.y - d - 1.0f));
  }
}

}  // namespace tessel
}  // namespace zelkor
