#include "kin_plugin_trigger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "kin_plugin_keys.h"
#include "tes_render.h"
#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_tag.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

using mathbase::Vector2f;
using mathbase::Vector4f;
using tessel::Area;

namespace {
const float kUnitsPerSecond = 10.0f;
// The shortest delay the editor gives a train.
const float kMinDelay = 0.01f;
// A pulse's box, in editor units around its time.
const float kPulseHalfWidth = 2.0f;

// Events a train holds up to local time `local` (> 0), as a count; finite
// even for a delay of 0 or a huge jump.
double eventsUpTo(float local, float delay) {
  if (!(delay > 0.0f)) return 1e9;
  return std::min(1e9, std::floor(static_cast<double>(local) / delay) + 1.0);
}
}  // namespace

Trigger::Trigger()
    : mLastTime(0.0f), mCurrent(0), mDiff(0.0f), mHit(0.0f), mHighlight(-1), mPushed(false), mSpent(nullptr) {
  PluginBase::mType = "trigger";
  tessel::Control::mType = "trigger";
  mArea = Area(0.0f, 0.0f, 100.0f, 20.0f);
  mContext.deleteOptions();
  mContext.setCaption("trigger");
  mContext.addOption("adjust", "adjust");
}

Trigger::~Trigger() {
  for (ActionData* action : mAction) delete action;
}

void Trigger::ensureAction() {
  if (!mAction.empty()) return;
  mAction.push_back(new ActionData{0.0f, 1.0f, 1, 1});
  mSpent = mAction.back();
}

bool Trigger::isSpentDefault(const ActionData* action) const {
  // until the editor changes it, the made-up train has fired long ago
  return action == mSpent && action->mStart == 0.0f && action->mDelay == 1.0f && action->mRepeat == 1;
}

float Trigger::firstEventTime() const {
  float first = std::numeric_limits<float>::infinity();
  for (const ActionData* action : mAction) {
    if (action->mRepeat != 0 && !isSpentDefault(action)) first = std::min(first, action->mStart);
  }
  return first;
}

uint32_t Trigger::get(float pTime) { return mLastTime <= pTime ? mCurrent : 0; }

void Trigger::update(float pTime) {
  mCurrent = 0;
  if (mLastTime <= pTime) {
    mDiff = std::max(0.0f, mDiff - 5.0f * (pTime - mHit));
    mHit = pTime;
    for (ActionData* action : mAction) {
      const float local = pTime - action->mStart;
      if (!(local > 0.0f) || action->mCount >= action->mRepeat) continue;
      // Never negative: a train moved later in the editor has fired what it
      // has fired.
      // and never more than the train has left, whatever the frame rate
      const double n = std::min(std::max(0.0, eventsUpTo(local, action->mDelay) - action->mCount),
                                static_cast<double>(action->mRepeat - action->mCount));
      const uint32_t fired = static_cast<uint32_t>(n);
      action->mCount += fired;
      mCurrent += fired;
      if (fired != 0) mDiff = 1.0f;
    }
  } else {
    // Time only runs backwards by a seek: the trains are left as playing up
    // to pTime would have left them, and nothing fires on the seek itself.
    mDiff = 0.0f;
    mHit = pTime;
    for (ActionData* action : mAction) {
      if (isSpentDefault(action)) continue;
      const float local = pTime - action->mStart;
      action->mCount = local > 0.0f ? static_cast<uint32_t>(std::min<double>(eventsUpTo(local, action->mDelay),
                                                                             action->mRepeat))
                                    : 0;
    }
  }
  mLastTime = pTime;
}

void Trigger::clearPayload() {
  for (ActionData* action : mAction) delete action;
  mAction.clear();
  mHighlight = -1;
  mPushed = false;
}

void Trigger::load(xml::IteratorConst& it) {
  for (xml::IteratorConst element = it.createIterator("action"); ++element;) {
    ActionData action{0.0f, 1.0f, 1, 0};
    const float start = element->getValueFloat("start");
    action.mStart = std::isfinite(start) ? start : 0.0f;
    if (element->hasValue("delay")) {
      const float delay = element->getValueFloat("delay");
      action.mDelay = std::isfinite(delay) ? delay : 1.0f;
    }
    if (element->hasValue("repeat")) action.mRepeat = static_cast<uint32_t>(std::max(0, element->getValueInt("repeat")));
    if (!std::isfinite(start) || !std::isfinite(action.mDelay) || element->getValueInt("repeat") < 0) {
      ZLK_LOG("warning", "app", "Trigger '%s': an action with a value out of range was read as %g, %g, %u",
              mName.c_str(), action.mStart, action.mDelay, action.mRepeat);
    }
    mAction.push_back(new ActionData(action));
  }
  if (mAction.empty()) {
    std::printf("No action tag found in trigger, creating\n");
    std::fflush(stdout);
    ensureAction();
  }
}

void Trigger::save(xml::Iterator& it) {
  xml::Iterator children = it.createIterator();
  for (const ActionData* action : mAction) {
    xml::XmlTag tag("action");
    tag.setValue("start", static_cast<double>(action->mStart));
    tag.setValue("delay", static_cast<double>(action->mDelay));
    tag.setValue("repeat", static_cast<int>(std::min<uint32_t>(action->mRepeat, 0x7fffffff)));
    children.addChild(tag);
  }
}

void Trigger::setupControl(float pWidth, float) {
  xml::IteratorConst entry = getStyle("trigger");
  if (++entry) loadStyle(entry);
  // an editor needs a train to work on
  ensureAction();
  setArea(Area(mArea.mMin.x, mArea.mMin.y, mArea.mMin.x + pWidth, mArea.mMax.y));
}

int Trigger::pulseAt(float x) const {
  if (mAction.empty()) return -1;
  const ActionData& a = *mAction.front();
  const float delay = std::max(a.mDelay, kMinDelay);
  const double index = (x - kUnitsPerSecond * a.mStart + 5.0 * delay) / (kUnitsPerSecond * delay);
  if (!(index >= 0.0) || index >= static_cast<double>(a.mRepeat)) return -1;
  return static_cast<int>(index);
}

bool Trigger::acceptEvents(tessel::Event& event) {
  return tessel::Control::acceptEvents(event) || mPushed || mHighlight != -1;
}

int Trigger::handleEvent(tessel::Event& event) {
  const Vector2f local = event.mousePos - mArea.mMin;
  const bool over = mArea.isInside(event.mousePos);
  const int used = tessel::Control::handleEvent(event);
  ActionData* first = mAction.empty() ? nullptr : mAction.front();

  if (event.type == "mousemove") {
    if (mPushed && first) {
      const float f = event.shift() ? 0.1f : 1.0f;
      const float dx = event.mouseDelta.x;
      if (mHighlight > 0) {
        first->mDelay = std::max(kMinDelay, first->mDelay + dx / mHighlight * f / -10.0f);
      } else if (mHighlight == 0) {
        first->mStart += dx * -0.1f * f;
      }
    } else {
      mHighlight = over ? pulseAt(local.x) : -1;
    }
  } else if (event.type == "mousedown") {
    if (event.button == display::MOUSE_LEFT) {
      if (mHighlight != -1) mPushed = true;
    } else if (event.button == display::MOUSE_RIGHT) {
      mStretchPos = local;
      if (!mContext.getParent()) mContext.setParent(this);
      mContext.setPosition(event.mousePosWorld - (getAreaWorld().mMin + getOffset()));
      setContext(&mContext);
    }
  } else if (event.type == "mouseup") {
    mPushed = false;
  } else if (event.type == "context" && event.action == "trigger.adjust" && first) {
    const float delay = std::max(first->mDelay, kMinDelay);
    const double reach = (mStretchPos.x - kUnitsPerSecond * first->mStart + 5.0 * delay) / (kUnitsPerSecond * delay) + 1.0;
    first->mRepeat = static_cast<uint32_t>(std::max(1.0, std::min(reach, 1e9)));
  }
  return used;
}

void Trigger::draw(Area area, Area base, Area clip) {
  tessel::Render* render = getRender();
  if (render) {
    const tessel::style& s = mStyle;
    Vector4f back1 = s.mBack.mColor1, back2 = s.mBack.mColor2;
    if (mDiff > 0.01f) {
      back1 = back1 + (s.mBack.mHighlight1 - back1) * mDiff;
      back2 = back2 + (s.mBack.mHighlight2 - back2) * mDiff;
    }
    render->setColor(back1, back2);
    render->drawBox(area);
    render->setColor(s.mBack.mBorder1, s.mBack.mBorder2);
    render->drawBorder(area);
    keyrow::drawName(*render, s, area, mName);
    if (!mAction.empty()) {
      const ActionData& a = *mAction.front();
      const float delay = std::max(a.mDelay, kMinDelay);
      for (uint32_t k = 0; k < a.mRepeat; ++k) {
        const float x = area.mMin.x + kUnitsPerSecond * (a.mStart + k * delay);
        if (x > clip.mMax.x) break;  // the rest is out of sight
        const tessel::colorInfo& c = s.mCaption;
        if (static_cast<int>(k) == mHighlight) {
          render->setColor(mPushed ? c.mPushed1 : c.mHighlight1, mPushed ? c.mPushed2 : c.mHighlight2);
        } else {
          render->setColor(c.mColor1, c.mColor2);
        }
        render->drawBox(Area(x - kPulseHalfWidth, area.mMin.y + 4.0f, x + kPulseHalfWidth, area.mMax.y - 4.0f));
      }
    }
  }
  tessel::Control::draw(area, base, clip);
}

}  // namespace kindra
}  // namespace zelkor
