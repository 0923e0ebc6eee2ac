
#include <cmath>

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector4f;

namespace {
bool given(const Vector4f& a, const Vector4f& b) { return a.w > 0.0f || b.w > 0.0f; }

void pairOf(const colorInfo& c, PaintState state, const Vector4f*& first, const Vector4f*& second) {
  first = &c.mColor1;
  second = &c.mColor2;
  switch (state) {
    case PAINT_HIGHLIGHT:
      if (given(c.mHighlight1, c.mHighlight2)) first = &c.mHighlight1, second = &c.mHighlight2;
      break;
    case PAINT_PUSHED:
      if (given(c.mPushed1, c.mPushed2)) first = &c.mPushed1, second = &c.mPushed2;
      break;
    case PAINT_INACTIVE:
      if (given(c.mInactive1, c.mInactive2)) first = &c.mInactive1, second = &c.mInactive2;
      break;
    default:
      break;
  }
}
}  // namespace

const Vector4f& firstColor(const colorInfo& colors, PaintState state) {
  const Vector4f *first, *second;
  pairOf(colors, state, first, second);
  return *first;
}

const Vector4f& secondColor(const colorInfo& colors, PaintState state) {
  const Vector4f *first, *second;
  pairOf(colors, state, first, second);
  return *second;
}

void setColors(Render& render, const colorInfo& colors, PaintState state) {
  const Vector4f *first, *second;
  pairOf(colors, state, first, second);
  render.setColor(*first, *second);
}

void drawPlate(Render& render, const colorInfo& colors, const Area& area, PaintState state, int mode) {
  setColors(render, colors, state);
  render.drawBox(area, mode);
  render.setColor(colors.mBorder1, colors.mBorder2);
  render.drawBorder(area);
}

void drawDisc(Render& render, const colorInfo& colors, const Area& area, PaintState state, float rim) {
  render.setColor(colors.mBorder1);
  render.drawCircle(area);
  Area inner = area;
  inner.expand(-rim);
  render.setColor(firstColor(colors, state));
  render.drawCircle(inner);
}

void drawTextCentred(Render& render, const Area& area, float x, const std::string& text, int align) {
  const float top = std::floor(area.getCenter().y - render.getFontHeight() / 2.0f);
  render.setAlign(align);
  render.drawText(mathbase::Vector2f(x, top), text);
  render.setAlign(Render::ALIGN_LEFT);
}

float fontHeight(Render* render) { return render ? render->getFontHeight() : 12.0f; }

float rowHeight(Render* render) { return std::floor(fontHeight(render)) + 4.0f; }

float textLength(Render* render, const std::string& text) {
  return render ? render->getTextLength(text) : 7.0f * static_cast<float>(text.size());
}

float clampValue(float value, float low, float high) {
  if (!(value >= low)) return low;
  return value > high ? high : value;
}

}  // namespace tessel
}  // namespace zelkor
