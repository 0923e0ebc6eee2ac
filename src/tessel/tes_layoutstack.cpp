#include "tes_layoutstack.h"

#include "xml_tag.h"

namespace zelkor {
namespace tessel {

LayoutStack::LayoutStack() : mDirection(DIRECTION_VERTICAL), mReverse(false) { mType = "layoutstack"; }

void LayoutStack::load(xml::IteratorConst& it) {
  // the direction first: loading lays the children out as the area is read
  Direction direction = mDirection;
  if (readDirection(*it.operator->(), direction)) setDirection(direction);
  Control::load(it);
  setArea();
}

void LayoutStack::setArea() { recalculate(mReverse); }

void LayoutStack::recalculate(bool reverse) {
  mReverse = reverse;
  const bool vertical = mDirection == DIRECTION_VERTICAL;
  float offset = 0.0f;
  const size_t count = mOrder.size();
  for (size_t k = 0; k < count; ++k) {
    Control* child = mOrder[reverse ? count - 1 - k : k];
    Area box = child->getArea();
    if (vertical) {
      const float height = box.getHeight();
      box.mMin.y = offset;
      box.mMax.y = offset + height;
      offset += height;
    } else {
      const float width = box.getWidth();
      box.mMin.x = offset;
      box.mMax.x = offset + width;
      offset += width;
    }
    child->setArea(box);
  }
}

}  // namespace tessel
}  // namespace zelkor
