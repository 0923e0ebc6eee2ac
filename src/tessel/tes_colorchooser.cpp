#include "tes_colorchooser.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using mathbase::Vector3f;
using mathbase::Vector4f;

namespace {
const float kSliderWidth = 14.0f;
const float kGap = 4.0f;

int byte(float channel) { return static_cast<int>(std::floor(clampValue(channel, 0.0f, 1.0f) * 255.0f + 0.5f)); }
}  // namespace

// ---------------------------------------------------------------- frame

ColorChooserFrame::ColorChooserFrame()
    : mWheel(new ColorChooserWheel), mIntensity(new Slider), mAlpha(new Slider) {
  mType = "colorchooserframe";
  for (Slider* slider : {mIntensity, mAlpha}) {
    slider->setDirection(DIRECTION_VERTICAL);
    slider->setSize(8.0f);
    slider->setPercent(0.0f, true);
  }
  Frame::addControl(mWheel, -1);
  Frame::addControl(mIntensity, -1);
  Frame::addControl(mAlpha, -1);
}

void ColorChooserFrame::setArea() {
  const float w = mArea.getWidth();
  const float h = mArea.getHeight();
  const float alphaLeft = std::max(0.0f, w - kGap - kSliderWidth);
  const float intensityLeft = std::max(0.0f, alphaLeft - kGap - kSliderWidth);
  mWheel->setArea(Area(kGap, kGap, std::max(kGap, intensityLeft - kGap), std::max(kGap, h - kGap)));
  mIntensity->setArea(Area(intensityLeft, kGap, intensityLeft + kSliderWidth, std::max(kGap, h - kGap)));
  mAlpha->setArea(Area(alphaLeft, kGap, alphaLeft + kSliderWidth, std::max(kGap, h - kGap)));
}

// ---------------------------------------------------------------- colour strip

ColorChooserStatFrame::ColorChooserStatFrame(ColorChooser* chooser) : mChooser(chooser) {
  mType = "colorchooserstatframe";
}

void ColorChooserStatFrame::draw(Area area, Area base, Area clip) {
  drawFrame(area);
  Render* render = getRender();
  if (render && mChooser) {
    const Vector4f color = mChooser->getColor();
    const float side = area.getHeight() - 6.0f;
    const Area swatch(area.mMin.x + 3.0f, area.mMin.y + 3.0f, area.mMin.x + 3.0f + 2.0f * side, area.mMax.y - 3.0f);
    // black and white halves behind it show the alpha
    render->setColor(Vector4f(0, 0, 0, 1));
    render->drawBox(Area(swatch.mMin.x, swatch.mMin.y, swatch.getCenter().x, swatch.mMax.y));
    render->setColor(Vector4f(1, 1, 1, 1));
    render->drawBox(Area(swatch.getCenter().x, swatch.mMin.y, swatch.mMax.x, swatch.mMax.y));
    render->setColor(color);
    render->drawBox(swatch);
    render->setColor(mStyle.mBack.mBorder1, mStyle.mBack.mBorder2);
    render->drawBorder(swatch);
    render->setColor(firstColor(mStyle.mText, PAINT_NORMAL));
    drawTextCentred(*render, area, swatch.mMax.x + 6.0f, mChooser->getColorText(), Render::ALIGN_LEFT);
  }
  Control::draw(area, base, clip);
}

// ---------------------------------------------------------------- chooser

ColorChooser::ColorChooser() : mFrame(new ColorChooserFrame), mStatFrame(nullptr) {
  mType = "colorchooser";
  Flow::addControl(mFrame, -1);
  setPercent(mFrame, 100.0f);
  mStatFrame = new ColorChooserStatFrame(this);
  Flow::addControl(mStatFrame, -1);
  for (Control* part : {static_cast<Control*>(mFrame->mWheel), static_cast<Control*>(mFrame->mIntensity),
                        static_cast<Control*>(mFrame->mAlpha)}) {
    part->setCallback(this);
  }
  setColor(Vector4f(1, 1, 1, 1));
}

void ColorChooser::loadStyle(xml::IteratorConst& it) {
  Control::loadStyle(it);
  for (Control* part : {static_cast<Control*>(mFrame), static_cast<Control*>(mFrame->mWheel),
                        static_cast<Control*>(mFrame->mIntensity), static_cast<Control*>(mFrame->mAlpha),
                        static_cast<Control*>(mStatFrame)}) {
    part->mStyle = mStyle;
  }
}

void ColorChooser::setArea() {
  setSize(mStatFrame, rowHeight(getRender()) + 6.0f);
  Flow::setArea();
}

void ColorChooser::controlAction(Control* control, Action action) {
  ColorChooserWheel* wheel = mFrame->mWheel;
  if (control == mFrame->mIntensity && action == ACTION_SLIDER_CHANGED) {
    wheel->setIntensity(1.0f - mFrame->mIntensity->getPercent());
  } else if (control == mFrame->mAlpha && action == ACTION_SLIDER_CHANGED) {
    wheel->mChannel = 1.0f - mFrame->mAlpha->getPercent();
  } else if (control != wheel || action != ACTION_COLOR) {
    return;
  }
  sendAction(ACTION_COLOR);
}

Vector4f ColorChooser::getColor() const {
  const ColorChooserWheel* wheel = mFrame->mWheel;
  const Vector3f& rgb = wheel->getColor();
  return Vector4f(rgb.x, rgb.y, rgb.z, wheel->mChannel);
}

void ColorChooser::setColor(const Vector4f& color) {
  float hue = 0.0f, saturation = 0.0f, value = 0.0f;
  const Vector3f rgb(clampValue(color.x, 0.0f, 1.0f), clampValue(color.y, 0.0f, 1.0f), clampValue(color.z, 0.0f, 1.0f));
  ColorChooserWheel::rgbToHsv(rgb, hue, saturation, value);
  ColorChooserWheel* wheel = mFrame->mWheel;
  // a grey keeps the hue it had
  if (saturation > 0.0f) wheel->setHueSaturation(hue, saturation);
  else wheel->setHueSaturation(wheel->getHue(), 0.0f);
  wheel->setIntensity(value);
  wheel->mChannel = clampValue(color.w, 0.0f, 1.0f);
  mFrame->mIntensity->setPercent(1.0f - value, true);
  mFrame->mAlpha->setPercent(1.0f - wheel->mChannel, true);
}

std::string ColorChooser::getColorText() const {
  const Vector4f c = getColor();
  char text[16];
  std::snprintf(text, sizeof(text), "%02x%02x%02x%02x", byte(c.x), byte(c.y), byte(c.z), byte(c.w));
  return text;
}

}  // namespace tessel
}  // namespace zelkor
