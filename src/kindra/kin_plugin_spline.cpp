#include "kin_plugin_spline.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "kin_beatgrid.h"
#include "tes_render.h"
#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_tag.h"
#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

using mathbase::Vector2f;
using tessel::Area;

Spline::Spline() : mSpline(Curve::SMOOTH, true) {
  PluginBase::mType = "spline";
  mArea = Area(0.0f, 0.0f, 100.0f, 50.0f);
  setSpline(&mSpline, false);
}

// the editor lets go of the curve before the curve goes
Spline::~Spline() { setSpline(nullptr, false); }

const char* Spline::interpolationWord(Curve::InterpolationMode mode) {
  switch (mode) {
    case Curve::LINEAR:
      return "linear";
    case Curve::SMOOTH:
      return "smooth";
    default:
      return "square";
  }
}

const char* Spline::extrapolationWord(Curve::ExtrapolationMode mode) {
  switch (mode) {
    case Curve::EXT_REPEAT:
      return "repeat";
    case Curve::EXT_REPEAT_ADD:
      return "add";
    default:
      return "constant";
  }
}

float Spline::get(float pTime) { return mSpline.evaluate(getNormalizedTime(pTime)); }

float Spline::snapKeyTime(float time, bool free) {
  const float window = mEndTime - mStartTime;
  if (!mEffect || !(window > 0.0f)) return time;
  return snapFraction(time, mEffect->mStart, mEffect->mEnd - mEffect->mStart, mArea.getWidth() / window, free);
}

void Spline::clearPayload() {
  mSpline.clear();
  mSpline.setInterpolation(Curve::SMOOTH);
  mSpline.setExtrapolationBefore(Curve::EXT_CONSTANT);
  mSpline.setExtrapolationAfter(Curve::EXT_CONSTANT);
  mSelection = mClicked = mMouseOverIndex = -1;
  mDirty = true;
}

void Spline::load(xml::IteratorConst& it) {
  std::vector<mathbase::SplineBaseKey<float>> keys;
  for (xml::IteratorConst key = it.createIterator("key"); ++key;) {
    const float time = key->getValueFloat("time");
    float value = key->getValueFloat("value");
    if (!std::isfinite(time)) {
      ZLK_LOG("warning", "app", "Spline '%s': a key at time \"%s\" cannot be placed; skipped", mName.c_str(),
              zlk_printable(key->getValue("time")).c_str());
      continue;
    }
    if (!std::isfinite(value)) {
      ZLK_LOG("warning", "app", "Spline '%s': the value \"%s\" is no number; read as 0", mName.c_str(),
              zlk_printable(key->getValue("value")).c_str());
      value = 0.0f;
    }
    keys.emplace_back(time, value);
  }
  // one sort for the lot, the same order as adding them one by one
  mSpline.addKeys(keys.begin(), keys.end());

  const auto extrapolation = [](const std::string& word) {
    if (word == "repeat") return Curve::EXT_REPEAT;
    if (word == "add") return Curve::EXT_REPEAT_ADD;
    return Curve::EXT_CONSTANT;
  };
  for (xml::IteratorConst attributes = it.createIterator("attributes"); ++attributes;) {
    const std::string& type = attributes->getValue("type");
    mSpline.setInterpolation(type == "smooth" ? Curve::SMOOTH : type == "linear" ? Curve::LINEAR : Curve::SQUARE);
    mSpline.setExtrapolationBefore(extrapolation(attributes->getValue("before")));
    mSpline.setExtrapolationAfter(extrapolation(attributes->getValue("after")));
  }
  // the tangents of the loaded modes, as any later edit would give them
  mSpline.updateTangents();
}

void Spline::save(xml::Iterator& it) {
  xml::Iterator children = it.createIterator();
  xml::XmlTag attributes("attributes");
  attributes.setValue("type", std::string(interpolationWord(mSpline.getInterpolation())));
  attributes.setValue("before", std::string(extrapolationWord(mSpline.getExtrapolationBefore())));
  attributes.setValue("after", std::string(extrapolationWord(mSpline.getExtrapolationAfter())));
  children.addChild(attributes);
  for (int i = 0; i < mSpline.getNumKeys(); ++i) {
    xml::XmlTag key("key");
    key.setValue("time", static_cast<double>(mSpline[i].time));
    key.setValue("value", static_cast<double>(mSpline[i].value));
    children.addChild(key);
  }
}

void Spline::setupControl(float pWidth, float oldWidth) {
  xml::IteratorConst entry = getStyle("spline");
  if (++entry) loadStyle(entry);
  if (oldWidth > 0.0f && pWidth > 0.0f) {
    // with Ctrl held the keys stay where they are in seconds
    const float scale = oldWidth / pWidth;
    for (int i = 0; i < mSpline.getNumKeys(); ++i) mSpline[i].time *= scale;
    mSpline.updateTangents();
  }
  setTimeInterval(0.0f, 1.0f);
  setArea(Area(mArea.mMin.x, mArea.mMin.y, mArea.mMin.x + pWidth, mArea.mMax.y));
}

void Spline::draw(Area area, Area base, Area clip) {
  tessel::Spline::draw(area, base, clip);
  tessel::Render* render = getRender();
  if (!render) return;
  render->setColor(mStyle.mBack.mHighlight1);
  render->setAlign(tessel::Render::ALIGN_LEFT);
  // the name's middle 5 units above the bottom edge
  render->drawText(Vector2f(area.mMin.x, std::floor(area.mMax.y - 5.0f - render->getFontHeight() / 2.0f)), mName);
}

}  // namespace kindra
}  // namespace zelkor
