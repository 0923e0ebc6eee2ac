#include "tes_label.h"

#include <cmath>

#include "tes_render.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

Label::Label() : mAlign(Render::ALIGN_LEFT), mVerticalAlign(VALIGN_TOP) { mType = "label"; }

void Label::load(xml::IteratorConst& it) {
  Control::load(it);
  const xml::XmlTag& tag = *it.operator->();
  if (tag.hasValue("text")) setCaption(tag.getValue("text"));
  if (tag.hasValue("align")) {
    const std::string& align = tag.getValue("align");
    mAlign = align == "center" ? Render::ALIGN_CENTER : align == "right" ? Render::ALIGN_RIGHT : Render::ALIGN_LEFT;
  }
  if (tag.hasValue("valign")) {
    const std::string& valign = tag.getValue("valign");
    mVerticalAlign = valign == "middle" ? VALIGN_MIDDLE : valign == "bottom" ? VALIGN_BOTTOM : VALIGN_TOP;
  }
}

void Label::setCaption(std::string caption) {
  mText = caption;
  Control::setCaption(std::move(caption));
}

void Label::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  if (render && !mText.empty()) {
    const float height = render->getFontHeight();
    mathbase::Vector2f at(area.mMin.x, area.mMin.y);
    if (mAlign == Render::ALIGN_CENTER) at.x = std::floor(area.getCenter().x);
    if (mAlign == Render::ALIGN_RIGHT) at.x = area.mMax.x;
    if (mVerticalAlign == VALIGN_MIDDLE) at.y = std::floor(area.getCenter().y - height / 2.0f);
    if (mVerticalAlign == VALIGN_BOTTOM) at.y = area.mMax.y - height;
    render->setColor(mInactive ? mStyle.mText.mInactive1 : mStyle.mText.mColor1);
    render->setAlign(mAlign);
    render->drawText(at, mText);
    render->setAlign(Render::ALIGN_LEFT);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
