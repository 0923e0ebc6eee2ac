#include "tes_dropdown.h"

#include <cmath>

#include "tes_paint.h"
#include "tes_workspace.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

Dropdown::Dropdown() : mIndex(-1), mContext(new Context) {
  mType = "dropdown";
  // an empty caption: a pick reports the bare option id
  mContext->setParent(this);
}

Dropdown::~Dropdown() {
  delete mContext;
  mContext = nullptr;
}

void Dropdown::load(xml::IteratorConst& it) {
  Control::load(it);
  xml::IteratorConst options = it.createIterator("option");
  while (++options) {
    const xml::XmlTag& option = *options.operator->();
    std::string id = option.getValue("id");
    std::string name = option.hasValue("name") ? option.getValue("name") : id;
    if (id.empty()) id = name;
    if (id.empty()) {
      loadWarning(describeTag(*it.operator->()) + " <option>", "option without \"id\" or \"name\"; skipped");
      continue;
    }
    addOption(id, name);
    if (option.getValue("default") == "true") mIndex = getOptionCount() - 1;
  }
}

bool Dropdown::isOpen() {
  Workspace* workspace = dynamic_cast<Workspace*>(getRoot());
  return workspace && workspace->getContext() == mContext;
}

void Dropdown::deleteOptions() {
  if (isOpen()) resetContext();
  mContext->deleteOptions();
  mIndex = -1;
}

void Dropdown::addOption(const std::string& id, const std::string& name) {
  mContext->addOption(id, name);
  if (mIndex < 0) mIndex = 0;
}

void Dropdown::setOption(const std::string& name, int32_t index) {
  if (index < 0 || index > getOptionCount()) return;
  if (index == getOptionCount()) {
    addOption(name, name);
    return;
  }
  mContext->getOption(static_cast<uint32_t>(index))->setCaption(name);
}

std::string Dropdown::getSelectedValue() {
  Context* option = mIndex >= 0 ? mContext->getOption(static_cast<uint32_t>(mIndex)) : nullptr;
  return option ? option->getCaption() : std::string();
}

bool Dropdown::setSelectedValue(const std::string& name) {
  for (int32_t i = 0; i < getOptionCount(); ++i) {
    if (mContext->getOption(static_cast<uint32_t>(i))->getCaption() == name) {
      mIndex = i;
      return true;
    }
  }
  return false;
}

std::string Dropdown::getSelectedId() {
  Context* option = mIndex >= 0 ? mContext->getOption(static_cast<uint32_t>(mIndex)) : nullptr;
  return option ? option->getName() : std::string();
}

bool Dropdown::setSelectedIndex(int32_t index) {
  if (index < 0 || index >= getOptionCount()) return false;
  mIndex = index;
  return true;
}

int Dropdown::handleEvent(Event& event) {
  if (event.type == "context") {
    // the menu's pick: the action is the option's id
    for (int32_t i = 0; i < getOptionCount(); ++i) {
      if (mContext->getOption(static_cast<uint32_t>(i))->getName() == event.action) {
        mIndex = i;
        sendAction(ACTION_DROPDOWN_CHANGED);
        return 1;
      }
    }
    return 0;
  }
  const int used = Control::handleEvent(event);
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && !mInactive && isMouseInside(event)) {
    if (getOptionCount() == 0) return 1;
    for (int32_t i = 0; i < getOptionCount(); ++i) {
      Context* option = mContext->getOption(static_cast<uint32_t>(i));
      option->mHighlighted = i == mIndex;
    }
    // below the field, as wide as it
    mContext->setFixedWidth(mArea.getWidth());
    mContext->mArea = Area(Vector2f(0.0f, mArea.getHeight()) - mOffset, Vector2f(0.0f, mArea.getHeight()) - mOffset);
    setContext(mContext);
    return 1;
  }
  return used;
}

void Dropdown::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    const PaintState state = mInactive ? PAINT_INACTIVE : isOpen() ? PAINT_PUSHED : mMouseOver ? PAINT_HIGHLIGHT : PAINT_NORMAL;
    drawPlate(*render, mStyle.mBack, area, state);
    const mathbase::Vector4f& ink = firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
    render->setColor(ink);
    drawTextCentred(*render, area, area.mMin.x + 6.0f, getSelectedValue(), Render::ALIGN_LEFT);
    // the arrow: a small triangle pointing down
    const float cx = std::floor(area.mMax.x - 10.0f) + 0.5f;
    const float cy = std::floor(area.getCenter().y) + 0.5f;
    render->setColor(ink, ink);
    for (int i = 0; i < 4; ++i) {
      const float y = cy - 2.0f + static_cast<float>(i);
      const float half = 3.5f - static_cast<float>(i);
      render->drawLine(Vector2f(cx - half, y), Vector2f(cx + half, y));
    }
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
