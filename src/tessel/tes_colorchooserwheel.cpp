#include "tes_colorchooserwheel.h"

#include <algorithm>
#include <cmath>

#include "dis_glinclude.h"
#include "tes_paint.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using mathbase::Vector3f;
using mathbase::Vector4f;

namespace {
const float kTwoPi = 6.28318530718f;
const int kSegments = 72;
}  // namespace

ColorChooserWheel::ColorChooserWheel()
    : mIntensity(1.0f), mChannel(1.0f), mClicked(false), mHue(0.0f), mSaturation(0.0f) {
  mType = "colorchooserwheel";
  update();
}

Vector3f ColorChooserWheel::hsvToRgb(float hue, float saturation, float value) {
  hue = hue - std::floor(hue);
  const float h = hue * 6.0f;
  const int sector = std::min(5, static_cast<int>(h));
  const float f = h - static_cast<float>(sector);
  const float p = value * (1.0f - saturation);
  const float q = value * (1.0f - saturation * f);
  const float t = value * (1.0f - saturation * (1.0f - f));
  switch (sector) {
    case 0: return Vector3f(value, t, p);
    case 1: return Vector3f(q, value, p);
    case 2: return Vector3f(p, value, t);
    case 3: return Vector3f(p, q, value);
    case 4: return Vector3f(t, p, value);
    default: return Vector3f(value, p, q);
  }
}

void ColorChooserWheel::rgbToHsv(const Vector3f& rgb, float& hue, float& saturation, float& value) {
  const float high = std::max(rgb.x, std::max(rgb.y, rgb.z));
  const float low = std::min(rgb.x, std::min(rgb.y, rgb.z));
  const float span = high - low;
  value = high;
  saturation = high > 0.0f ? span / high : 0.0f;
  if (!(span > 0.0f)) {
    hue = 0.0f;
    return;
  }
  float h;
  if (high == rgb.x) {
    h = (rgb.y - rgb.z) / span;
  } else if (high == rgb.y) {
    h = 2.0f + (rgb.z - rgb.x) / span;
  } else {
    h = 4.0f + (rgb.x - rgb.y) / span;
  }
  h /= 6.0f;
  hue = h - std::floor(h);
}

void ColorChooserWheel::update() {
  mClickedPos = Vector2f(std::cos(mHue * kTwoPi), std::sin(mHue * kTwoPi)) * mSaturation;
  mCurrentColor = hsvToRgb(mHue, mSaturation, mIntensity);
}

void ColorChooserWheel::setHueSaturation(float hue, float saturation) {
  mHue = hue == hue ? hue - std::floor(hue) : 0.0f;
  mSaturation = clampValue(saturation, 0.0f, 1.0f);
  update();
}

void ColorChooserWheel::setIntensity(float intensity) {
  mIntensity = clampValue(intensity, 0.0f, 1.0f);
  update();
}

Area ColorChooserWheel::getDisc() const {
  const float side = std::max(0.0f, std::min(mArea.getWidth(), mArea.getHeight()) - 4.0f);
  const Vector2f centre(mArea.getWidth() / 2.0f, mArea.getHeight() / 2.0f);
  return Area(centre - Vector2f(side, side) * 0.5f, centre + Vector2f(side, side) * 0.5f);
}

void ColorChooserWheel::pick(const Vector2f& world) {
  const Area disc = getDisc();
  const float radius = disc.getWidth() / 2.0f;
  if (!(radius > 0.0f)) return;
  const Vector2f d = world - getAreaWorld().mMin - disc.getCenter();
  const float hue = std::atan2(-d.y, d.x) / kTwoPi;
  const float saturation = std::min(1.0f, std::sqrt(d.x * d.x + d.y * d.y) / radius);
  const Vector3f before = mCurrentColor;
  const float beforeHue = mHue;
  const float beforeSaturation = mSaturation;
  setHueSaturation(hue, saturation);
  if (mCurrentColor != before || mHue != beforeHue || mSaturation != beforeSaturation) sendAction(ACTION_COLOR);
}

int ColorChooserWheel::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "mousemove" && mClicked) {
    pick(event.mousePosWorld);
    return 1;
  }
  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT && mClicked) {
    mClicked = false;
    return 1;
  }
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && !mInactive) {
    const Area disc = getDisc();
    const Vector2f d = event.mousePosWorld - getAreaWorld().mMin - disc.getCenter();
    const float radius = disc.getWidth() / 2.0f;
    if (d.x * d.x + d.y * d.y <= radius * radius) {
      mClicked = true;
      pick(event.mousePosWorld);
      return 1;
    }
  }
  return used;
}

void ColorChooserWheel::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  const Area disc = getDisc() + area.mMin;
  const float radius = disc.getWidth() / 2.0f;
  if (render && radius > 1.0f) {
    const Vector2f centre = disc.getCenter();
    const float v = mIntensity;
    render->setColor(mStyle.mBack.mBorder1);
    Area rim = disc;
    rim.expand(1.0f);
    render->drawCircle(rim);
    render->flush();
    glBegin(GL_TRIANGLE_FAN);
    glColor4f(v, v, v, 1.0f);
    glVertex2f(centre.x, centre.y);
    for (int k = 0; k <= kSegments; ++k) {
      const float hue = static_cast<float>(k) / static_cast<float>(kSegments);
      const Vector3f c = hsvToRgb(hue, 1.0f, v);
      glColor4f(c.x, c.y, c.z, 1.0f);
      glVertex2f(centre.x + radius * std::cos(hue * kTwoPi), centre.y - radius * std::sin(hue * kTwoPi));
    }
    glEnd();
    // the picked point: a ring that shows on light and dark colours
    const Vector2f at(centre.x + mClickedPos.x * radius, centre.y - mClickedPos.y * radius);
    const float light = v > 0.5f && mSaturation < 0.5f ? 0.0f : 1.0f;
    render->setColor(Vector4f(light, light, light, 1.0f));
    render->drawCircle(Area(at - Vector2f(5.0f, 5.0f), at + Vector2f(5.0f, 5.0f)));
    render->setColor(Vector4f(mCurrentColor.x, mCurrentColor.y, mCurrentColor.z, 1.0f));
    render->drawCircle(Area(at - Vector2f(3.5f, 3.5f), at + Vector2f(3.5f, 3.5f)));
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
