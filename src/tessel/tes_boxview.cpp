#include "tes_boxview.h"

#include <algorithm>
#include <cmath>

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
// A link as a flat S between its ends: out to the right, in from the left.
void drawLink(Render& render, const Vector2f& from, const Vector2f& to) {
  const float reach = std::max(20.0f, std::fabs(to.x - from.x) * 0.5f);
  const int steps = 24;
  Vector2f last = from;
  for (int i = 1; i <= steps; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(steps);
    const float u = 1.0f - t;
    // a cubic through from, from + (reach, 0), to - (reach, 0), to
    const Vector2f p = from * (u * u * u) + (from + Vector2f(reach, 0.0f)) * (3.0f * u * u * t) +
                       (to - Vector2f(reach, 0.0f)) * (3.0f * u * t * t) + to * (t * t * t);
    render.drawLine(last, p);
    last = p;
  }
}
}  // namespace

BoxView::BoxView() : mConnect(nullptr), mConnectBox(nullptr), mConnectIndex(-1) { mType = "boxview"; }

void BoxView::setConnect(BoxConnector* connector) {
  mConnect = connector;
  if (!connector) {
    mConnectBox = nullptr;
    mConnectIndex = -1;
  }
}

bool BoxView::isBox(Box* box) const { return box && std::find(mOrder.begin(), mOrder.end(), box) != mOrder.end(); }

void BoxView::beginConnect(Box* box, int output, const Vector2f& world) {
  if (!isBox(box) || output < 0 || static_cast<size_t>(output) >= box->mOutput.size()) return;
  mConnectBox = box;
  mConnectIndex = output;
  mConnect = &box->mOutput[static_cast<size_t>(output)];
  mConnectPos = world;
}

bool BoxView::finishConnect(const Vector2f& world) {
  Box* from = mConnectBox;
  const int output = mConnectIndex;
  setConnect(nullptr);
  if (!from) return false;
  for (size_t i = mChild.size(); i-- > 0;) {
    Box* box = dynamic_cast<Box*>(mChild[i]);
    if (!box || !box->getVisible() || box == from) continue;
    const int input = box->inputAt(world);
    if (input >= 0) return connect(from, output, box, input);
  }
  return false;
}

bool BoxView::connect(Box* from, int output, Box* to, int input) {
  if (!isBox(from) || !isBox(to) || from == to) return false;
  if (output < 0 || static_cast<size_t>(output) >= from->mOutput.size()) return false;
  if (input < 0 || static_cast<size_t>(input) >= to->mInput.size()) return false;
  const std::string& a = from->mOutput[static_cast<size_t>(output)].mType;
  const std::string& b = to->mInput[static_cast<size_t>(input)].mType;
  if (!a.empty() && !b.empty() && a != b) return false;
  disconnectInput(to, input);
  mLinks.push_back({from, output, to, input});
  return true;
}

void BoxView::disconnectInput(Box* box, int input) {
  mLinks.erase(std::remove_if(mLinks.begin(), mLinks.end(),
                              [&](const Link& l) { return l.to == box && l.input == input; }),
               mLinks.end());
}

void BoxView::disconnectOutput(Box* box, int output) {
  mLinks.erase(std::remove_if(mLinks.begin(), mLinks.end(),
                              [&](const Link& l) { return l.from == box && l.output == output; }),
               mLinks.end());
}

void BoxView::childRemoved(uint32_t) {
  mLinks.erase(std::remove_if(mLinks.begin(), mLinks.end(),
                              [&](const Link& l) { return !isBox(l.from) || !isBox(l.to); }),
               mLinks.end());
  if (mConnectBox && !isBox(mConnectBox)) setConnect(nullptr);
}

void BoxView::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  if (render) drawPlate(*render, mStyle.mBack, area, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
  Control::draw(area, base, clip);
  if (!render) return;
  render->setClipArea(clip);
  const Vector2f shift = area.mMin - getAreaWorld().mMin;
  render->setLineWidth(2.0f);
  for (const Link& link : mLinks) {
    const BoxConnector& out = link.from->mOutput[static_cast<size_t>(link.output)];
    render->setColor(out.mColor, out.mColor);
    drawLink(*render, link.from->getOutputPos(static_cast<size_t>(link.output)) + shift,
             link.to->getInputPos(static_cast<size_t>(link.input)) + shift);
  }
  if (mConnectBox && mConnectIndex >= 0 && static_cast<size_t>(mConnectIndex) < mConnectBox->mOutput.size()) {
    const mathbase::Vector4f& color = mConnectBox->mOutput[static_cast<size_t>(mConnectIndex)].mColor;
    render->setColor(color, color);
    drawLink(*render, mConnectBox->getOutputPos(static_cast<size_t>(mConnectIndex)) + shift, mConnectPos + shift);
  }
  render->setLineWidth(1.0f);
}

}  // namespace tessel
}  // namespace zelkor
