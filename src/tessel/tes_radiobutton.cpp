#include "tes_radiobutton.h"

#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

RadioButton::RadioButton() : mCheckbox(false), mSelected(-1), mOptionMouseOver(-1), mOptionMouseDown(-1) {
  mType = "radiobutton";
}

void RadioButton::load(xml::IteratorConst& it) {
  Control::load(it);
  xml::IteratorConst options = it.createIterator("option");
  while (++options) {
    const xml::XmlTag& option = *options.operator->();
    if (!option.hasValue("name")) {
      loadWarning(describeTag(*it.operator->()) + " <option>", "option without \"name\"; skipped");
      continue;
    }
    addOption(option.getValue("name"), option.getValue("checked") == "true");
  }
}

int RadioButton::find(const std::string& name) const {
  for (size_t i = 0; i < mOption.size(); ++i) {
    if (mOption[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

void RadioButton::setCheckbox() { mCheckbox = true; }

void RadioButton::setRadiobutton() {
  mCheckbox = false;
  bool seen = false;
  mSelected = -1;
  for (size_t i = 0; i < mOption.size(); ++i) {
    if (mOption[i].on && !seen) mSelected = static_cast<int>(i);
    mOption[i].on = mOption[i].on && !seen;
    seen = seen || mOption[i].on;
  }
}

bool RadioButton::setSelected(const std::string& name, bool on) {
  const int index = find(name);
  if (index < 0) return false;
  if (!mCheckbox && on) {
    for (Option& option : mOption) option.on = false;
  }
  mOption[static_cast<size_t>(index)].on = on;
  if (on || mCheckbox) {
    mSelected = index;
  } else if (mSelected == index) {
    mSelected = -1;
  }
  return true;
}

bool RadioButton::getSelected(const std::string& name) const {
  const int index = find(name);
  return index >= 0 && mOption[static_cast<size_t>(index)].on;
}

std::string RadioButton::getSelectedName() const {
  return mSelected >= 0 && static_cast<size_t>(mSelected) < mOption.size() ? mOption[static_cast<size_t>(mSelected)].name
                                                                           : std::string();
}

void RadioButton::addOption(const std::string& name, bool on) {
  if (on && !mCheckbox) {
    for (Option& option : mOption) option.on = false;
  }
  mOption.push_back({name, on});
  if (on) mSelected = static_cast<int>(mOption.size()) - 1;
}

void RadioButton::clearOptions() {
  mOption.clear();
  mSelected = mOptionMouseOver = mOptionMouseDown = -1;
}

Area RadioButton::getRow(size_t index) {
  const float h = rowHeight(getRender());
  const float top = static_cast<float>(index) * h;
  return Area(0.0f, top, mArea.getWidth(), top + h);
}

int RadioButton::optionAt(const Vector2f& world) {
  if (!getAreaWorld().isInside(world)) return -1;
  const Vector2f local = world - getAreaWorld().mMin;
  for (size_t i = 0; i < mOption.size(); ++i) {
    if (getRow(i).isInside(local)) return static_cast<int>(i);
  }
  return -1;
}

int RadioButton::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (event.type == "reset") mOptionMouseOver = -1;
  if (event.type == "mousemove") {
    mOptionMouseOver = optionAt(event.mousePosWorld);
    return mOptionMouseDown >= 0 ? 1 : used;
  }
  if (event.button != display::MOUSE_LEFT) return used;
  if (event.type == "mousedown" && !mInactive) {
    mOptionMouseDown = optionAt(event.mousePosWorld);
    return mOptionMouseDown >= 0 ? 1 : used;
  }
  if (event.type == "mouseup") {
    const int down = mOptionMouseDown;
    mOptionMouseDown = -1;
    if (down < 0 || mInactive || optionAt(event.mousePosWorld) != down) return down >= 0 ? 1 : used;
    Option& option = mOption[static_cast<size_t>(down)];
    mSelected = down;
    if (mCheckbox) {
      option.on = !option.on;
      sendAction(option.on ? ACTION_CHECKBOX_ON : ACTION_CHECKBOX_OFF);
    } else {
      for (Option& other : mOption) other.on = false;
      option.on = true;
      sendAction(ACTION_RADIOBUTTON_CHANGED);
    }
    return 1;
  }
  return used;
}

void RadioButton::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    const float fh = render->getFontHeight();
    const float side = std::floor(fh * 0.75f);
    for (size_t i = 0; i < mOption.size(); ++i) {
      const Area row = getRow(i) + area.mMin;
      const int index = static_cast<int>(i);
      const PaintState state = mInactive                   ? PAINT_INACTIVE
                               : index == mOptionMouseDown ? PAINT_PUSHED
                               : index == mOptionMouseOver ? PAINT_HIGHLIGHT
                                                           : PAINT_NORMAL;
      const float top = std::floor(row.getCenter().y - side / 2.0f);
      const Area mark(row.mMin.x + 2.0f, top, row.mMin.x + 2.0f + side, top + side);
      const mathbase::Vector4f& ink = firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
      if (mCheckbox) {
        drawPlate(*render, mStyle.mBack, mark, state);
        if (mOption[i].on) {
          Area tick = mark;
          tick.expand(-3.0f);
          render->setColor(ink, ink);
          render->drawBox(tick);
        }
      } else {
        drawDisc(*render, mStyle.mBack, mark, state, 1.0f);
        if (mOption[i].on) {
          Area dot = mark;
          dot.expand(-side / 2.0f + 2.5f);
          render->setColor(ink);
          render->drawCircle(dot);
        }
      }
      render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : state == PAINT_HIGHLIGHT ? PAINT_HIGHLIGHT : PAINT_NORMAL));
      drawTextCentred(*render, row, mark.mMax.x + 6.0f, mOption[i].name, Render::ALIGN_LEFT);
    }
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
