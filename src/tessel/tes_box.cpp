#include "tes_box.h"

#include <algorithm>
#include <cmath>

#include "tes_boxview.h"
#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using mathbase::Vector4f;

namespace {
const float kConnectorRadius = 4.5f;
const float kConnectorInset = 7.0f;
const float kConnectorSpacing = 18.0f;
}  // namespace

Box::Box()
    : mFrame(nullptr),
      mContextInput(new Context),
      mContextOutput(new Context),
      mClicked(false),
      mMenuConnector(-1) {
  mType = "box";
  BoxFrame* frame = new BoxFrame;
  Control::addControl(frame, -1);
  mFrame = frame;
  mContextInput->setCaption("input");
  mContextInput->addOption("disconnect", "disconnect");
  mContextInput->setParent(this);
  mContextOutput->setCaption("output");
  mContextOutput->addOption("disconnect", "disconnect");
  mContextOutput->setParent(this);
}

Box::~Box() {
  delete mContextInput;
  delete mContextOutput;
}

void Box::load(xml::IteratorConst& it) {
  InnerContent<Control>::load(it);
  if (it->hasValue("caption")) setCaption(it->getValue("caption"));
  readConnectors(it, "input", true);
  readConnectors(it, "output", false);
  mFrame->mStyle.mBack = mStyle.mBack;
  mFrame->mStyle.mText = mStyle.mText;
}

void Box::readConnectors(xml::IteratorConst& it, const char* tag, bool input) {
  xml::IteratorConst connectors = it.createIterator(tag);
  while (++connectors) {
    const xml::XmlTag& c = *connectors.operator->();
    const Vector4f color = c.hasValue("color") ? hex2vec(c.getValue("color")) : Vector4f(0.8f, 0.8f, 0.8f, 1.0f);
    if (input) {
      addInput(c.getValue("id"), c.getValue("type"), color);
    } else {
      addOutput(c.getValue("id"), c.getValue("type"), color);
    }
  }
}

void Box::addInput(const std::string& id, const std::string& type, const Vector4f& color) {
  mInput.push_back({id, type, color});
}

void Box::addOutput(const std::string& id, const std::string& type, const Vector4f& color) {
  mOutput.push_back({id, type, color});
}

float Box::getTitleHeight() { return rowHeight(getRender()) + 2.0f; }

BoxView* Box::getView() { return dynamic_cast<BoxView*>(mParent); }

void Box::setArea() { mFrame->setArea(Area(0.0f, getTitleHeight(), mArea.getWidth(), mArea.getHeight())); }

Vector2f Box::getInputPos(size_t index) {
  const Area world = getAreaWorld();
  return Vector2f(world.mMin.x + kConnectorInset,
                  world.mMin.y + getTitleHeight() + kConnectorSpacing * (static_cast<float>(index) + 0.5f) + 2.0f);
}

Vector2f Box::getOutputPos(size_t index) {
  const Area world = getAreaWorld();
  return Vector2f(world.mMax.x - kConnectorInset,
                  world.mMin.y + getTitleHeight() + kConnectorSpacing * (static_cast<float>(index) + 0.5f) + 2.0f);
}

int Box::inputAt(const Vector2f& world) {
  for (size_t i = 0; i < mInput.size(); ++i) {
    const Vector2f d = world - getInputPos(i);
    if (std::fabs(d.x) <= kConnectorRadius + 2.0f && std::fabs(d.y) <= kConnectorRadius + 2.0f) return static_cast<int>(i);
  }
  return -1;
}

int Box::outputAt(const Vector2f& world) {
  for (size_t i = 0; i < mOutput.size(); ++i) {
    const Vector2f d = world - getOutputPos(i);
    if (std::fabs(d.x) <= kConnectorRadius + 2.0f && std::fabs(d.y) <= kConnectorRadius + 2.0f) return static_cast<int>(i);
  }
  return -1;
}

int Box::handleEvent(Event& event) {
  BoxView* view = getView();
  if (event.type == "context") {
    if (view && mMenuConnector >= 0) {
      if (event.action == "input.disconnect") view->disconnectInput(this, mMenuConnector);
      if (event.action == "output.disconnect") view->disconnectOutput(this, mMenuConnector);
    }
    mMenuConnector = -1;
    return 1;
  }
  const bool connecting = view && view->getConnectBox() == this;
  if (event.type == "mousemove" && (mClicked || connecting)) {
    Control::handleEvent(event);  // hover states
    if (connecting) view->moveConnect(event.mousePosWorld);
    if (mClicked) {
      Vector2f at = mOldPos + (event.mousePosWorld - mClickedPos);
      // the title stays inside the view
      if (mParent) {
        at.x = std::max(0.0f, std::min(at.x, mParent->getArea().getWidth() - mArea.getWidth()));
        at.y = std::max(0.0f, std::min(at.y, mParent->getArea().getHeight() - getTitleHeight()));
      }
      setPosition(at);
    }
    return 1;
  }
  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT && (mClicked || connecting)) {
    mClicked = false;
    if (connecting) view->finishConnect(event.mousePosWorld);
    releaseCapture();
    return 1;
  }
  if (event.type == "mousedown" && !mInactive && isMouseInside(event)) {
    const int input = inputAt(event.mousePosWorld);
    const int output = outputAt(event.mousePosWorld);
    if (event.button == display::MOUSE_RIGHT && (input >= 0 || output >= 0)) {
      Context* menu = input >= 0 ? mContextInput : mContextOutput;
      mMenuConnector = input >= 0 ? input : output;
      const Vector2f at = event.mousePosWorld - getAreaWorld().mMin - mOffset;
      menu->mArea = Area(at, at);
      setContext(menu);
      return 1;
    }
    if (event.button == display::MOUSE_LEFT) {
      if (output >= 0 && view) {
        view->beginConnect(this, output, event.mousePosWorld);
        releaseCapture();
        return 1;
      }
      if (event.mousePosWorld.y < getAreaWorld().mMin.y + getTitleHeight()) {
        mClicked = true;
        mClickedPos = event.mousePosWorld;
        mOldPos = mArea.mMin;
        releaseCapture();
        return 1;
      }
    }
  }
  return InnerContent<Control>::handleEvent(event);
}

void Box::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  const float title = getTitleHeight();
  if (render) {
    const Area strip(area.mMin.x, area.mMin.y, area.mMax.x, area.mMin.y + title);
    drawPlate(*render, mStyle.mCaption, strip, mInactive ? PAINT_INACTIVE : mClicked ? PAINT_PUSHED : PAINT_NORMAL);
    render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL));
    drawTextCentred(*render, strip, strip.mMin.x + 6.0f, mCaption, Render::ALIGN_LEFT);
  }
  Control::draw(area, base, clip);
  if (!render) return;
  render->setClipArea(clip);
  const Vector2f shift = area.mMin - getAreaWorld().mMin;  // world to drawing space (the same unless panned)
  const float r = kConnectorRadius;
  for (int side = 0; side < 2; ++side) {
    const std::vector<BoxConnector>& list = side == 0 ? mInput : mOutput;
    for (size_t i = 0; i < list.size(); ++i) {
      const Vector2f at = (side == 0 ? getInputPos(i) : getOutputPos(i)) + shift;
      render->setColor(mStyle.mBack.mBorder1.w > 0.0f ? mStyle.mBack.mBorder1 : Vector4f(0, 0, 0, 1));
      render->drawCircle(Area(at - Vector2f(r + 1.0f, r + 1.0f), at + Vector2f(r + 1.0f, r + 1.0f)));
      render->setColor(list[i].mColor);
      render->drawCircle(Area(at - Vector2f(r, r), at + Vector2f(r, r)));
      render->setColor(firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : PAINT_NORMAL));
      const Area row(at.x, at.y - 8.0f, at.x, at.y + 8.0f);
      if (side == 0) {
        drawTextCentred(*render, row, at.x + r + 5.0f, list[i].mId, Render::ALIGN_LEFT);
      } else {
        drawTextCentred(*render, row, at.x - r - 5.0f, list[i].mId, Render::ALIGN_RIGHT);
      }
    }
  }
}

}  // namespace tessel
}  // namespace zelkor
