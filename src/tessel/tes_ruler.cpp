#include "tes_ruler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using mathbase::Vector4f;

namespace {
// Ticks closer than this many pixels are not drawn: they would only fill
// the band (and a step of 0 would never end).
const float kMinTickStep = 2.0f;
// Labels reach this far beyond their tick.
const float kLabelReach = 60.0f;
// Beat-grid lines closer than this are thinned out.
const float kMinGridStep = 8.0f;

// The multiples of `step` from the first at or after `from` up to below `to`
// (and below `limit`), each with its number k.
template <typename Visit>
void forEachTick(float step, float from, float to, float limit, Visit visit) {
  if (!(step >= kMinTickStep) || !std::isfinite(step)) return;
  double k = std::ceil(std::max(0.0f, from) / step);
  for (;; k += 1.0) {
    const float x = static_cast<float>(k * step);
    if (!(x < to) || !(x < limit)) break;
    visit(x);
  }
}
}  // namespace

Ruler::Ruler()
    : mFrame(nullptr),
      mScale(0.1f),
      mInterval(10.0f),
      mSubIntervals(10.0f),
      mHeight(25.0f),
      mX(5.0f),
      mShadowX(-1.0f),
      mShadowX2(-1.0f),
      mMouseWorldX(0.0f),
      mMouseSeen(false),
      mBeatWidth(0.0f),
      mBeatsPerBar(4),
      mBandTop(0.0f) {
  mType = "ruler";
  Frame* frame = new Frame;
  Frame::addControl(frame, -1);
  mFrame = frame;
}

void Ruler::loadStyle(xml::IteratorConst& it) {
  Frame::loadStyle(it);
  mFrame->loadStyle(it);
}

void Ruler::addControl(Control* control, int32_t index) {
  InnerContent<Frame>::addControl(control, control == mFrame ? index : -1);
}

void Ruler::setBandHeight(float height) {
  mHeight = std::max(height, 0.0f);
  setArea();
}

void Ruler::setArea() {
  // below the band: the frame's background would hide the ticks, and the
  // content would lie over them
  const float band = std::min(mHeight, mArea.getHeight());
  mFrame->setArea(Area(0.0f, band, mArea.getWidth(), mArea.getHeight()));
}

void Ruler::setBeatGrid(float beatWidth, int beatsPerBar) {
  mBeatWidth = std::isfinite(beatWidth) && beatWidth > 0.0f ? beatWidth : 0.0f;
  mBeatsPerBar = std::max(1, beatsPerBar);
}

int Ruler::handleEvent(Event& event) {
  // a press on the band is the band's, not the content's scrolled below it
  if (event.type == "mousedown" && mBandTop > getAreaWorld().mMin.y && event.mousePosWorld.y >= mBandTop &&
      event.mousePosWorld.y < mBandTop + mHeight) {
    return 0;
  }
  const int used = InnerContent<Frame>::handleEvent(event);
  if (event.type == "mousemove") {
    mMouseWorldX = event.mousePosWorld.x;
    mMouseSeen = true;
    mX = mMouseWorldX - getAreaWorld().mMin.x;
  }
  return used;
}

float Ruler::getMouseX() {
  if (mMouseSeen) mX = mMouseWorldX - getAreaWorld().mMin.x;
  return mX;
}

float Ruler::labelAlpha(float x) const {
  if (!mMouseOver) return 1.0f;
  return std::min(1.0f, 0.05f * std::fabs(x - mX) - 1.5f);
}

std::string Ruler::labelText(float x) const {
  char text[64];
  std::snprintf(text, sizeof(text), "%.1f", static_cast<double>(mScale * x));
  return text;
}

void Ruler::draw(Area area, Area base, Area clip) {
  getMouseX();
  Render* render = getRender();
  if (render) {
    render->setColor(mStyle.mBack.mColor1, mStyle.mBack.mColor2);
    render->drawBox(area);
  }
  Control::draw(area, base, clip);
  if (!render) return;

  // the band at the top of what shows, over the content scrolled below it
  const float top = std::max(area.mMin.y, std::min(clip.mMin.y, area.mMax.y - mHeight));
  mBandTop = top;
  const Area band(area.mMin.x, top, area.mMax.x, top + std::min(mHeight, area.getHeight()));
  const Vector2f origin(area.mMin.x, top);
  render->setClipArea(clip);
  render->setColor(mStyle.mBack.mColor1, mStyle.mBack.mColor2);
  render->drawBox(band);

  const float width = area.getWidth();
  const float from = clip.mMin.x - area.mMin.x;
  const float to = clip.mMax.x - area.mMin.x;
  const float major = mInterval / mScale;
  render->setColor(mStyle.mBack.mInactive1, mStyle.mBack.mInactive2);
  forEachTick(major / mSubIntervals, from, to + 1.0f, width, [&](float x) {
    render->drawBox(Area(x - 1.0f, 0.8f * mHeight, x + 1.0f, mHeight) + origin);
  });
  forEachTick(major, from, to + 1.0f, width, [&](float x) {
    render->drawBox(Area(x - 1.0f, 0.6f * mHeight, x + 1.0f, mHeight) + origin);
  });
  if (mBeatWidth > 0.0f) drawBeatGrid(*render, area, band, from, to);

  const float labelTop = top + std::max(0.0f, std::floor(mHeight / 2.0f - render->getFontHeight()));
  render->setAlign(Render::ALIGN_CENTER);
  forEachTick(major, from - kLabelReach, to + kLabelReach, width, [&](float x) {
    if (x <= 0.0f) return;
    const float alpha = labelAlpha(x);
    if (alpha <= 0.0f) return;
    Vector4f ink = mStyle.mText.mColor1;
    ink.w = alpha;
    render->setColor(ink);
    render->drawText(Vector2f(area.mMin.x + x, labelTop), labelText(x));
  });
  if (mMouseOver) {
    render->setColor(mStyle.mText.mColor1);
    render->drawText(Vector2f(area.mMin.x + std::floor(mX + 0.5f), labelTop), labelText(mX));
  }
  render->setAlign(Render::ALIGN_LEFT);

  const float below = band.mMax.y;
  const auto marker = [&](float x) {
    const float left = area.mMin.x + std::floor(x);
    render->drawBox(Area(left, below, left + 1.0f, area.mMax.y));
  };
  if (mShadowX > 0.0f) {
    setColors(*render, mStyle.mCaption, PAINT_NORMAL);
    marker(mShadowX);
  }
  if (mShadowX2 > 0.0f) {
    setColors(*render, mStyle.mCaption, PAINT_HIGHLIGHT);
    marker(mShadowX2);
  }
  if (mMouseOver) {
    Vector4f ink = mStyle.mText.mColor1;
    ink.w *= 0.5f;
    render->setColor(ink, ink);
    marker(mX);
  }
}

void Ruler::drawBeatGrid(Render& render, const Area& area, const Area& band, float from, float to) {
  // bars thin out in powers of two until they are far enough apart to read
  const float bar = mBeatWidth * static_cast<float>(mBeatsPerBar);
  float barStep = bar;
  while (barStep < kMinGridStep && barStep > 0.0f) barStep *= 2.0f;
  Vector4f ink = mStyle.mCaption.mColor1;
  const float width = area.getWidth();
  const float h = band.getHeight();
  // faint bar lines through the content, clear ones in the band
  ink.w = 0.12f;
  render.setColor(ink, ink);
  forEachTick(barStep, from, to + 1.0f, width, [&](float x) {
    const float left = area.mMin.x + std::floor(x);
    render.drawBox(Area(left, band.mMax.y, left + 1.0f, area.mMax.y));
  });
  ink.w = 0.9f;
  render.setColor(ink, ink);
  forEachTick(barStep, from, to + 1.0f, width, [&](float x) {
    const float left = area.mMin.x + std::floor(x);
    render.drawBox(Area(left, band.mMin.y + 0.3f * h, left + 1.0f, band.mMax.y));
  });
  if (mBeatWidth < kMinGridStep / 2.0f) return;
  ink.w = 0.6f;
  render.setColor(ink, ink);
  forEachTick(mBeatWidth, from, to + 1.0f, width, [&](float x) {
    const float left = area.mMin.x + std::floor(x);
    render.drawBox(Area(left, band.mMin.y + 0.45f * h, left + 1.0f, band.mMin.y + 0.6f * h));
  });
}

}  // namespace tessel
}  // namespace zelkor
