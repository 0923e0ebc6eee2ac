#include "kin_plugin_color.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "kin_beatgrid.h"
#include "kin_plugin_keys.h"
#include "tes_colorchooser.h"
#include "tes_render.h"
#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_tag.h"
#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

using mathbase::Vector2f;
using mathbase::Vector3f;
using mathbase::Vector4f;
using tessel::Area;

namespace {
// Strip boxes: one every 7 units, 5 wide, below the name.
const float kStripStep = 7.0f;
const float kStripWidth = 5.0f;
const float kStripTop = 15.0f;
}  // namespace

Color::Color()
    : mR(Curve::LINEAR, true),
      mG(Curve::LINEAR, true),
      mB(Curve::LINEAR, true),
      mHighlight(-1),
      mSelectedIndex(-1),
      mPushed(false),
      mCurves{&mR, &mG, &mB} {
  PluginBase::mType = "color";
  tessel::Control::mType = "color";
  mArea = Area(0.0f, 0.0f, 100.0f, 30.0f);
  mContextAdd.deleteOptions();
  mContextAdd.setCaption("context");
  mContextAdd.addOption("add", "add");
  mContextDel.deleteOptions();
  mContextDel.setCaption("context");
  mContextDel.addOption("edit", "edit");
  mContextDel.addOption("delete", "delete");
}

Color::~Color() {
  // the picker must not report to a plugin that is gone
  if (tessel::Control* root = mParent ? getRoot() : nullptr) {
    for (const char* id : {"picker", "picker_ok"}) {
      tessel::Control* control = root->findControl(id);
      if (!control) continue;
      auto& callbacks = control->mCallback;
      callbacks.erase(std::remove(callbacks.begin(), callbacks.end(), static_cast<tessel::Callback*>(this)),
                      callbacks.end());
    }
  }
}

Vector3f Color::get(float pTime) {
  const float u = getNormalizedTime(pTime);
  return Vector3f(mR.evaluate(u), mG.evaluate(u), mB.evaluate(u));
}

int Color::addKey(float u) {
  const float r = mR.evaluate(u), g = mG.evaluate(u), b = mB.evaluate(u);
  mR.addKey(mathbase::SplineBaseKey<float>(u, r));
  mG.addKey(mathbase::SplineBaseKey<float>(u, g));
  return mB.addKey(mathbase::SplineBaseKey<float>(u, b));
}

void Color::removeKey(int index) {
  keyrow::removeKey(mCurves, 3, index);
  if (mSelectedIndex >= getNumKeys()) mSelectedIndex = -1;
  mHighlight = -1;
  mPushed = false;
}

void Color::clearPayload() {
  for (Curve* curve : mCurves) curve->clear();
  mHighlight = mSelectedIndex = -1;
  mPushed = false;
}

void Color::load(xml::IteratorConst& it) {
  for (xml::IteratorConst key = it.createIterator("key"); ++key;) {
    const float time = key->getValueFloat("time");
    if (!std::isfinite(time)) {
      ZLK_LOG("warning", "app", "Color '%s': a key at time \"%s\" cannot be placed; skipped", mName.c_str(),
              zlk_printable(key->getValue("time")).c_str());
      continue;
    }
    mR.addKey(mathbase::SplineBaseKey<float>(time, keyrow::finiteOrZero(key->getValueFloat("r"))));
    mG.addKey(mathbase::SplineBaseKey<float>(time, keyrow::finiteOrZero(key->getValueFloat("g"))));
    mB.addKey(mathbase::SplineBaseKey<float>(time, keyrow::finiteOrZero(key->getValueFloat("b"))));
  }
}

void Color::save(xml::Iterator& it) {
  xml::Iterator children = it.createIterator();
  for (int i = 0; i < getNumKeys(); ++i) {
    xml::XmlTag key("key");
    key.setValue("time", static_cast<double>(mR[i].time));
    key.setValue("r", static_cast<double>(mR[i].value));
    key.setValue("g", static_cast<double>(mG[i].value));
    key.setValue("b", static_cast<double>(mB[i].value));
    children.addChild(key);
  }
}

void Color::setupControl(float pWidth, float oldWidth) {
  xml::IteratorConst entry = getStyle("color");
  if (++entry) loadStyle(entry);
  setArea(Area(mArea.mMin.x, mArea.mMin.y, mArea.mMin.x + pWidth, mArea.mMax.y));
  keyrow::rescale(mCurves, 3, pWidth, oldWidth);
  if (mParent) {
    if (tessel::Control* ok = getRoot()->findControl("picker_ok")) {
      auto& callbacks = ok->mCallback;
      if (std::find(callbacks.begin(), callbacks.end(), this) == callbacks.end()) ok->setCallback(this);
    }
  }
}

void Color::openPicker(int index) {
  if (index < 0 || index >= getNumKeys()) return;
  tessel::Control* root = getRoot();
  tessel::Control* picker = root->findControl("picker");
  tessel::Control* window = root->findControl("picker_window");
  if (!picker || !window) {
    ZLK_LOG("warning", "app", "Color '%s': the editor has no colour picker (\"picker\", \"picker_window\")",
            mName.c_str());
    return;
  }
  mSelectedIndex = index;
  // the picker starts from the key's colour
  if (auto* chooser = dynamic_cast<tessel::ColorChooser*>(picker)) {
    chooser->setColor(Vector4f(mR[index].value, mG[index].value, mB[index].value, 1.0f));
  }
  picker->clearCallbacks();
  picker->setCallback(this);
  window->setVisible(true);
  // the click that opened it raised the editor over the window: bring the window back on top
  if (tessel::Control* parent = window->getParent()) parent->setFocus(window);
}

void Color::setSelectedColor(const Vector3f& color) {
  if (mSelectedIndex < 0 || mSelectedIndex >= getNumKeys()) return;
  mR[mSelectedIndex].value = color.x;
  mG[mSelectedIndex].value = color.y;
  mB[mSelectedIndex].value = color.z;
  for (Curve* curve : mCurves) curve->updateTangents();
}

void Color::controlAction(tessel::Control* control, tessel::Action) {
  if (!control) return;
  if (control->getId() == "picker") {
    if (auto* chooser = dynamic_cast<tessel::ColorChooser*>(control)) {
      const Vector4f colour = chooser->getColor();
      setSelectedColor(Vector3f(colour.x, colour.y, colour.z));
    }
  } else if (control->getId() == "picker_ok") {
    mSelectedIndex = -1;
  }
}

bool Color::acceptEvents(tessel::Event& event) {
  return tessel::Control::acceptEvents(event) || mPushed || mHighlight != -1;
}

void Color::openMenu(tessel::Context& menu, tessel::Event& event) {
  if (!menu.getParent()) menu.setParent(this);
  menu.setPosition(event.mousePosWorld - (getAreaWorld().mMin + getOffset()));
  setContext(&menu);
}

int Color::handleEvent(tessel::Event& event) {
  // the pointer in this control's own space
  const Vector2f local = event.mousePos - mArea.mMin;
  const float width = mArea.getWidth();
  const int used = tessel::Control::handleEvent(event);

  if (event.type == "mousemove") {
    if (mPushed) {
      if (width > 0.0f) {
        const float at = mEffect ? snapFraction(local.x / width, mEffect->mStart, mEffect->mEnd - mEffect->mStart, width,
                                                event.alt() || event.shift())
                                 : local.x / width;
        mHighlight = keyrow::dragKey(mCurves, 3, mHighlight, at);
      }
    } else {
      mHighlight = keyrow::findKey(mR, width, mArea.getHeight(), local);
    }
  } else if (event.type == "mousedown") {
    if (event.button != display::MOUSE_LEFT) {
      mContextPos = local;
      openMenu(mHighlight == -1 ? mContextAdd : mContextDel, event);
    } else if (mHighlight != -1) {
      if (event.doubleClick) {
        openPicker(mHighlight);
      } else {
        mPushed = true;
        mPushedPos = local;
      }
    }
  } else if (event.type == "mouseup") {
    if (mPushed) {
      keyrow::settle(mCurves, 3);
    }
    mPushed = false;
  } else if (event.type == "context") {
    if (event.action == "context.edit") {
      openPicker(mHighlight);
    } else if (event.action == "context.delete") {
      if (mHighlight != -1) removeKey(mHighlight);
    } else if (event.action == "context.add") {
      if (width > 0.0f) addKey(mContextPos.x / width);
    }
  }
  return used;
}

void Color::draw(Area area, Area base, Area clip) {
  tessel::Render* render = getRender();
  if (render) {
    const tessel::style& s = mStyle;
    render->setColor(s.mBack.mColor1, s.mBack.mColor2);
    render->drawBox(area);
    const float width = area.getWidth();
    if (width > 0.0f) {
      for (float x = std::floor(area.mMin.x); x <= area.mMax.x; x += kStripStep) {
        const float u = (x - area.mMin.x) / width;
        render->setColor(Vector4f(mR.evaluate(u), mG.evaluate(u), mB.evaluate(u), 1.0f));
        render->drawBox(Area(x, area.mMin.y + kStripTop, x + kStripWidth, area.mMax.y));
      }
    }
    render->setColor(s.mBack.mBorder1, s.mBack.mBorder2);
    render->drawBorder(area);
    keyrow::drawMarkers(*render, s.mCaption, mR, area, [this](int i) {
      if (i == mHighlight) return mPushed ? keyrow::MARKER_PUSHED : keyrow::MARKER_HIGHLIGHT;
      return i == mSelectedIndex ? keyrow::MARKER_PUSHED : keyrow::MARKER_PLAIN;
    });
    keyrow::drawName(*render, s, area, mName);
  }
  tessel::Control::draw(area, base, clip);
}

}  // namespace kindra
}  // namespace zelkor
