#include "tes_flow.h"

#include <algorithm>
#include <cmath>

#include "xml_tag.h"

namespace zelkor {
namespace tessel {

namespace {
const float kNewChildSize = 10.0f;
}

Flow::Flow() : mDirection(DIRECTION_VERTICAL) { mType = "flow"; }

void Flow::load(xml::IteratorConst& it) {
  // the direction first: loading lays the children out as the area is read
  Direction direction = mDirection;
  if (readDirection(*it.operator->(), direction)) setDirection(direction);
  Control::load(it);
  setArea();
}

void Flow::addControl(Control* control, int32_t index) {
  if (!control || control == this) return;
  if (control->getParent() == this) detachChild(control);
  const size_t place =
      index < 0 || static_cast<size_t>(index) > mOrder.size() ? mOrder.size() : static_cast<size_t>(index);
  Control::addControl(control, static_cast<int32_t>(place));
  if (control->getParent() == this) {
    mControlSize.insert(mControlSize.begin() + static_cast<std::ptrdiff_t>(place), kNewChildSize);
  }
}

void Flow::deleteControls() {
  Control::deleteControls();
  mControlSize.clear();
}

void Flow::childRemoved(uint32_t index) {
  if (index < mControlSize.size()) mControlSize.erase(mControlSize.begin() + index);
}

int Flow::orderIndex(Control* child) const {
  // from the back: the loader asks for the child it has just added
  for (size_t i = mOrder.size(); i-- > 0;) {
    if (mOrder[i] == child) return static_cast<int>(i);
  }
  return -1;
}

void Flow::setSize(uint32_t index, float pixels) {
  if (index < mControlSize.size()) mControlSize[index] = std::max(pixels, 0.0f);
}

void Flow::setPercent(uint32_t index, float percent) {
  if (index < mControlSize.size()) mControlSize[index] = -std::max(percent, 0.0f);
}

void Flow::setSize(Control* child, float pixels) {
  const int index = orderIndex(child);
  if (index >= 0) setSize(static_cast<uint32_t>(index), pixels);
}

void Flow::setPercent(Control* child, float percent) {
  const int index = orderIndex(child);
  if (index >= 0) setPercent(static_cast<uint32_t>(index), percent);
}

float Flow::getControlSize(uint32_t index) const { return index < mControlSize.size() ? mControlSize[index] : 0.0f; }

void Flow::setArea() {
  const bool vertical = mDirection == DIRECTION_VERTICAL;
  const float width = mArea.getWidth();
  const float height = mArea.getHeight();
  float fixed = 0.0f;
  float shares = 0.0f;
  for (float size : mControlSize) {
    if (size > 0.0f) fixed += size;
    if (size < 0.0f) shares -= size;
  }
  float free = (vertical ? height : width) - fixed;
  if (!(free > 0.0f)) free = 0.0f;

  float p = 0.0f;
  for (size_t i = 0; i < mOrder.size() && i < mControlSize.size(); ++i) {
    const float value = mControlSize[i];
    float size = 0.0f;
    if (value > 0.0f) {
      size = value;
    } else if (value < 0.0f && shares > 0.0f) {
      size = std::floor(-value * free / shares + 0.5f);
    }
    const Area box = vertical ? Area(0.0f, p, width, p + size) : Area(p, 0.0f, p + size, height);
    mOrder[i]->setArea(box);
    p += size;
  }
}

}  // namespace tessel
}  // namespace zelkor
