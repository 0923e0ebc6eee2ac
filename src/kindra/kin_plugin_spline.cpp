#include "kin_plugin_spline.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tes_render.h"
#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_tag.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

using mathbase::Vector2f;
using tessel::Area;

namespace {
// Half the size of a key's marker, in pixels.
const float kPointSize = 3.5f;
// Pixels between two samples of the drawn curve.
const float kSampleStep = 2.0f;
}  // namespace

Spline::Spline() : mSpline(Curve::SMOOTH, true), mStartTime(0.0f), mEndTime(1.0f) {
  PluginBase::mType = "spline";
  tessel::Control::mType = "spline";
  mArea = Area(0.0f, 0.0f, 100.0f, 50.0f);
}

Spline::~Spline() = default;

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

void Spline::load(xml::IteratorConst& it) {
  std::vector<mathbase::SplineBaseKey<float>> keys;
  for (xml::IteratorConst key = it.createIterator("key"); ++key;) {
    const float time = key->getValueFloat("time");
    float value = key->getValueFloat("value");
    if (!std::isfinite(time)) {
      ZLK_LOG("warning", "app", "Spline '%s': a key at time \"%s\" cannot be placed; skipped", mName.c_str(),
              key->getValue("time").c_str());
      continue;
    }
    if (!std::isfinite(value)) {
      ZLK_LOG("warning", "app", "Spline '%s': the value \"%s\" is no number; read as 0", mName.c_str(),
              key->getValue("value").c_str());
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
  mStartTime = 0.0f;
  mEndTime = 1.0f;
  setArea(Area(mArea.mMin.x, mArea.mMin.y, mArea.mMin.x + pWidth, mArea.mMax.y));
}

void Spline::draw(Area area, Area base, Area clip) {
  tessel::Render* render = getRender();
  if (render) {
    const tessel::style& s = mStyle;
    render->setColor(s.mBack.mColor1, s.mBack.mColor2);
    render->drawBox(area);
    render->setColor(s.mBack.mBorder1, s.mBack.mBorder2);
    render->drawBorder(area);

    // values from -1 at the bottom to 1 at the top, 0 on the middle line
    const float width = area.getWidth();
    const float half = area.getHeight() / 2.0f;
    const float range = mEndTime - mStartTime;
    const auto toScreen = [&](float time, float value) {
      const float y = area.mMin.y + half - std::max(-1.0f, std::min(1.0f, value)) * half;
      return Vector2f(area.mMin.x + width * (time - mStartTime) / range, y);
    };
    if (width > 0.0f && range > 0.0f) {
      render->setColor(s.mCaption.mColor1);
      Vector2f previous = toScreen(mStartTime, mSpline.evaluate(mStartTime));
      for (float x = kSampleStep; x < width + kSampleStep; x += kSampleStep) {
        const float time = mStartTime + range * std::min(x, width) / width;
        const Vector2f point = toScreen(time, mSpline.evaluate(time));
        render->drawLine(previous, point);
        previous = point;
      }
      render->setColor(s.mCaption.mHighlight1);
      for (int i = 0; i < mSpline.getNumKeys(); ++i) {
        const Vector2f at = toScreen(mSpline[i].time, mSpline[i].value);
        render->drawBox(Area(at.x - kPointSize, at.y - kPointSize, at.x + kPointSize, at.y + kPointSize));
      }
    }

    render->setColor(s.mBack.mHighlight1);
    render->setAlign(tessel::Render::ALIGN_LEFT);
    render->drawText(Vector2f(area.mMin.x, std::floor(area.mMax.y - 5.0f - render->getFontHeight() / 2.0f)),
                     mName);
  }
  tessel::Control::draw(area, base, clip);
}

}  // namespace kindra
}  // namespace zelkor
