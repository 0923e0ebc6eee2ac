#include "kin_plugin_camera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "kin_beatgrid.h"
#include "kin_plugin_keys.h"
#include "tes_render.h"
#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_tag.h"
#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

using mathbase::Matrix4x4Col;
using mathbase::Quatf;
using mathbase::Vector2f;
using mathbase::Vector3f;
using tessel::Area;

namespace {
const float kUnitsPerSecond = 10.0f;
// Units per second of the pad's flight.
const float kSpeed = 10.0f;
// Pad buttons.
const int kButtonAddKey = 14;
const int kButtonDeleteKey = 12;
const int kButtonFreeView = 3;
}  // namespace

Camera::Camera()
    : mHighlight(-1),
      mCurHighlight(-1),
      mPushed(false),
      mFreeView(false),
      mCurRoll(0.0f),
      mLastTime(0.0f),
      mPadIndex(-1),
      mTime(0.0f) {
  PluginBase::mType = "camera";
  tessel::Control::mType = "camera";
  mArea = Area(0.0f, 0.0f, 100.0f, 30.0f);
  for (Curve& curve : mSpline) curve = Curve(Curve::SMOOTH, true);
  for (int i = 0; i < eUsed; ++i) mCurve[i] = &mSpline[i];
  std::memset(mLastButton, 0, sizeof(mLastButton));
  mContext.deleteOptions();
  mContext.setCaption("context");
  mContext.addOption("delete", "delete");
  mContext.addOption("delete this and forward", "delete this and forward");
}

Camera::~Camera() = default;

float Camera::wallTime() {
  mClock.update();
  return mClock.getTime();
}

void Camera::poseAt(float pTime) {
  if (mFreeView || !mSpline[ePosX].hasKeys()) return;
  const float u = getNormalizedTime(pTime);
  mCurPos = Vector3f(mSpline[ePosX].evaluate(u), mSpline[ePosY].evaluate(u), mSpline[ePosZ].evaluate(u));
  const Quatf look(mSpline[eQuatW].evaluate(u), mSpline[eQuatX].evaluate(u), mSpline[eQuatY].evaluate(u),
                   mSpline[eQuatZ].evaluate(u));
  // a zero quaternion has no direction: the camera keeps its orientation
  if (look.length2() > 0.0f && std::isfinite(look.length2())) mCurLook = look.getNormalized();
}

Matrix4x4Col Camera::getMatrix(float pTime) {
  poseAt(pTime);
  Matrix4x4Col matrix;
  matrix.buildPRSinverse(mCurPos, mCurLook, Vector3f(1.0f, 1.0f, 1.0f));
  return matrix;
}

Matrix4x4Col Camera::getInverseMatrix(float pTime) {
  poseAt(pTime);
  Matrix4x4Col matrix;
  matrix.buildPRS(mCurPos, mCurLook, Vector3f(1.0f, 1.0f, 1.0f));
  return matrix;
}

Vector3f Camera::getPos(float) { return mCurPos; }

Vector3f Camera::getLook(float) { return mCurPos + mCurLook.rotate(Vector3f(0.0f, 0.0f, -1.0f)); }

float Camera::getRoll(float) { return mCurRoll; }

int Camera::addKey(float u) {
  const float values[eUsed] = {mCurPos.x, mCurPos.y, mCurPos.z, mCurLook.x, mCurLook.y, mCurLook.z, mCurLook.w};
  int index = -1;
  for (int i = 0; i < eUsed; ++i) index = mSpline[i].addKey(mathbase::SplineBaseKey<float>(u, values[i]));
  return index;
}

void Camera::removeKey(int index) {
  keyrow::removeKey(mCurve, eUsed, index);
  mHighlight = -1;
  mCurHighlight = -1;
  mPushed = false;
}

int Camera::findCurrentKey() const {
  const float width = mArea.getWidth();
  int current = -1;
  for (int i = 0; i < getNumKeys(); ++i) {
    if (width * mSpline[0][i].time - keyrow::kMarker <= mTime * kUnitsPerSecond) current = i;
  }
  return current;
}

void Camera::update(float pTime) {
  mTime = pTime;
  const float now = wallTime();
  const float dt = now - mLastTime;
  mLastTime = now;
  if (mPadIndex == -1 || !mParent || mParent->getFocus() != this) return;

  display::GamePadState pad;
  if (!display::readGamePad(mPadIndex, pad)) return;
  const float* axis = pad.axes;
  const Vector3f right = mCurLook.rotate(Vector3f(1.0f, 0.0f, 0.0f));
  const Vector3f up = mCurLook.rotate(Vector3f(0.0f, 1.0f, 0.0f));
  const Vector3f forward = mCurLook.rotate(Vector3f(0.0f, 0.0f, 1.0f));

  mCurLook = Quatf(-axis[2] * dt, up) * mCurLook;
  mCurLook = Quatf(-axis[3] * dt, right) * mCurLook;
  const float roll = (axis[12] + axis[13]) * dt * kSpeed;
  mCurLook = Quatf(roll * 20.0f * dt, forward) * mCurLook;
  const float f = (axis[14] + axis[15]) * dt * kSpeed;
  mCurPos = mCurPos + forward * f + right * (axis[0] * dt * kSpeed) + up * (axis[1] * dt * kSpeed);

  const auto pressed = [&](int button) { return pad.buttons[button] != 0 && mLastButton[button] == 0; };
  if (pressed(kButtonAddKey)) addKey(getNormalizedTime(pTime));
  if (pressed(kButtonDeleteKey)) {
    mCurHighlight = findCurrentKey();
    if (mCurHighlight != -1) removeKey(mCurHighlight);
  }
  if (pressed(kButtonFreeView)) mFreeView = !mFreeView;
  std::memcpy(mLastButton, pad.buttons, sizeof(mLastButton));
}

void Camera::clearPayload() {
  for (Curve& curve : mSpline) curve.clear();
  mHighlight = mCurHighlight = -1;
  mPushed = false;
}

void Camera::load(xml::IteratorConst& it) {
  char name[16];  // "v" and any int
  for (xml::IteratorConst key = it.createIterator("key"); ++key;) {
    const float time = key->getValueFloat("time");
    if (!std::isfinite(time)) {
      ZLK_LOG("warning", "app", "Camera '%s': a key at time \"%s\" cannot be placed; skipped", mName.c_str(),
              zlk_printable(key->getValue("time")).c_str());
      continue;
    }
    for (int i = 0; i < eUsed; ++i) {
      std::snprintf(name, sizeof(name), "v%d", i);
      mSpline[i].addKey(mathbase::SplineBaseKey<float>(time, keyrow::finiteOrZero(key->getValueFloat(name))));
    }
  }
}

void Camera::save(xml::Iterator& it) {
  xml::Iterator children = it.createIterator();
  char name[16];  // "v" and any int
  for (int k = 0; k < getNumKeys(); ++k) {
    xml::XmlTag key("key");
    key.setValue("time", static_cast<double>(mSpline[0][k].time));
    for (int i = 0; i < eUsed; ++i) {
      std::snprintf(name, sizeof(name), "v%d", i);
      key.setValue(name, static_cast<double>(mSpline[i][k].value));
    }
    children.addChild(key);
  }
}

void Camera::setupControl(float pWidth, float oldWidth) {
  mPadIndex = display::findGamePad();
  xml::IteratorConst entry = getStyle("camera");
  if (++entry) loadStyle(entry);
  setArea(Area(mArea.mMin.x, mArea.mMin.y, mArea.mMin.x + pWidth, mArea.mMax.y));
  keyrow::rescale(mCurve, eUsed, pWidth, oldWidth);
}

bool Camera::acceptEvents(tessel::Event& event) {
  return tessel::Control::acceptEvents(event) || mPushed || mHighlight != -1;
}

int Camera::handleEvent(tessel::Event& event) {
  const Vector2f local = event.mousePos - mArea.mMin;
  const float width = mArea.getWidth();
  const int used = tessel::Control::handleEvent(event);

  if (event.type == "mousemove") {
    if (mPushed) {
      if (width > 0.0f) {
        const float at = mEffect ? snapFraction(local.x / width, mEffect->mStart, mEffect->mEnd - mEffect->mStart, width,
                                                event.alt() || event.shift())
                                 : local.x / width;
        mHighlight = keyrow::dragKey(mCurve, eUsed, mHighlight, at);
      }
    } else {
      mCurHighlight = -1;
      mHighlight = keyrow::findKey(mSpline[0], width, mArea.getHeight(), local);
    }
  } else if (event.type == "mousedown" && mHighlight != -1) {
    if (event.button == display::MOUSE_LEFT) {
      mPushed = true;
      mPushedPos = local;
    } else if (event.button == display::MOUSE_RIGHT) {
      if (!mContext.getParent()) mContext.setParent(this);
      mContext.setPosition(event.mousePosWorld - (getAreaWorld().mMin + getOffset()));
      setContext(&mContext);
    }
  } else if (event.type == "mouseup") {
    if (mPushed) {
      keyrow::settle(mCurve, eUsed);
    }
    mPushed = false;
  } else if (event.type == "context" && mHighlight != -1) {
    if (event.action == "context.delete") {
      removeKey(mHighlight);
    } else if (event.action == "context.delete this and forward") {
      const int from = mHighlight;
      for (int i = getNumKeys() - 1; i >= from; --i) removeKey(i);
    }
  }
  return used;
}

void Camera::draw(Area area, Area base, Area clip) {
  tessel::Render* render = getRender();
  if (render) {
    const tessel::style& s = mStyle;
    const bool focused = mParent && mParent->getFocus() == this;
    render->setColor(focused ? s.mBack.mPushed1 : s.mBack.mColor1, focused ? s.mBack.mPushed2 : s.mBack.mColor2);
    render->drawBox(area);
    render->setColor(s.mBack.mBorder1, s.mBack.mBorder2);
    render->drawBorder(area);
    mCurHighlight = findCurrentKey();
    keyrow::drawMarkers(*render, s.mCaption, mSpline[0], area, [this](int i) {
      if (i == mHighlight) return keyrow::MARKER_PUSHED;
      return i == mCurHighlight ? keyrow::MARKER_HIGHLIGHT : keyrow::MARKER_PLAIN;
    });
    keyrow::drawName(*render, s, area, mName);
  }
  tessel::Control::draw(area, base, clip);
}

}  // namespace kindra
}  // namespace zelkor
