#include "tes_stat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
const float kSpacing = 2.0f;  // pixels between samples
const float kMargin = 3.0f;   // above the highest and below the lowest point
}  // namespace

Stat::Stat()
    : mInterval(0.2f),
      mStartTime(0.0f),
      lTime(0.0f),
      mCurrent(-1.0f),
      mCurrentValue(0.0f),
      mCurrentIndex(0.0f),
      mValueMax(0.0f),
      mValueMaxWannabe(0.0f) {
  mType = "stat";
  std::fill(mValue, mValue + kSamples, 0.0f);
}

float Stat::time() {
  Render* render = getRender();
  return render ? render->getTime() : 0.0f;
}

void Stat::setInterval(float interval) {
  if (interval > 0.0f && std::isfinite(interval)) mInterval = interval;
}

void Stat::addValue(float value) {
  if (!std::isfinite(value)) return;  // one would spoil every average and the scale
  mCurrentValue += value;
  mCurrentIndex += 1.0f;
  evaluate();
}

void Stat::followMax() {
  if (mValueMaxWannabe >= mValueMax) {
    mValueMax = mValueMaxWannabe;
  } else {
    mValueMax += (mValueMaxWannabe - mValueMax) * 0.05f;
  }
}

void Stat::evaluate() {
  if (!(mCurrentIndex > 0.0f)) return;
  const float now = time();
  // a clock that went back restarts the interval now (waiting for the old
  // time would stall the graph)
  if (now < lTime) mStartTime = now;
  lTime = now;
  if (now < mStartTime + mInterval) return;

  mValueMaxWannabe = 0.0f;
  for (int i = kSamples - 1; i > 0; --i) {
    mValue[i] = mValue[i - 1];
    mValueMaxWannabe = std::max(mValueMaxWannabe, mValue[i]);
  }
  mValue[0] = mCurrentIndex > 0.0f ? mCurrentValue / mCurrentIndex : 0.0f;
  mValueMaxWannabe = std::max(mValueMaxWannabe, mValue[0]);
  mCurrentValue = 0.0f;
  mCurrentIndex = 0.0f;
  // on to the interval that holds the present: after a pause the next
  // sample is again one interval's average, not one value each until the
  // start time has caught up
  double start = mStartTime;
  start += std::max(1.0, std::floor((static_cast<double>(now) - start) / mInterval)) * mInterval;
  if (now >= start + mInterval) start += mInterval;  // rounding
  mStartTime = static_cast<float>(start);
  followMax();
}

int Stat::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "reset") mCurrent = -1.0f;  // the mouse went elsewhere
  if (event.type == "mousemove") {
    const Area world = getAreaWorld();
    if (world.isInside(event.mousePosWorld) && world.getHeight() > 0.0f) {
      mMousePos = event.mousePosWorld - world.mMin - Vector2f(0.0f, 5.0f);
      mCurrent = mValueMax * (1.0f - mMousePos.y / world.getHeight());
    } else {
      mCurrent = -1.0f;
    }
  }
  return used;
}

void Stat::draw(Area area, Area base, Area clip) {
  evaluate();
  Render* render = getRender();
  if (render) {
    drawPlate(*render, mStyle.mBack, area, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
    const float top = area.mMin.y + kMargin;
    const float bottom = area.mMax.y - kMargin;
    const float scale = mValueMax > 0.0f ? (bottom - top) / mValueMax : 0.0f;
    const int count = std::min(kSamples, static_cast<int>(area.getWidth() / kSpacing) + 1);
    setColors(*render, mStyle.mCaption, PAINT_NORMAL);
    Vector2f last;
    for (int i = 0; i < count; ++i) {
      const Vector2f point(area.mMax.x - 1.0f - kSpacing * static_cast<float>(i),
                           bottom - std::min(mValue[i], mValueMax) * scale);
      if (i > 0) render->drawLine(last, point);
      last = point;
    }
    // the value under the mouse, else the newest sample
    const bool reading = mCurrent >= 0.0f;
    if (reading) {
      const float y = area.mMin.y + mMousePos.y + 5.0f;
      mathbase::Vector4f ink = mStyle.mText.mColor1;
      ink.w *= 0.4f;
      render->setColor(ink, ink);
      render->drawLine(Vector2f(area.mMin.x, y), Vector2f(area.mMax.x, y));
    }
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f", static_cast<double>(reading ? mCurrent : mValue[0]));
    render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL));
    drawTextCentred(*render, area, std::floor(area.getCenter().x), text, Render::ALIGN_CENTER);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
