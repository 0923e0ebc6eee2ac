#include "tes_spline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "tes_context.h"
#include "tes_render.h"
#include "xml_tag.h"
#include "zlk_system.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using mathbase::Vector4f;

namespace {
const char* const kTypeNames[] = {"square", "linear", "smooth"};
const char* const kRepeatNames[] = {"none", "identical", "added"};

// Samples per pixel of width is one; a very wide widget stops here.
const int kMaxSamples = 8192;
// Wheel: one step zooms by this factor or scrolls by this share of the window.
const float kZoomStep = 0.8f;
const float kScrollStep = 0.1f;
// Windows narrower than this lose float precision; wider ones are no view.
const float kMinRange = 1.0e-4f;
const float kMaxRange = 1.0e6f;
// Pixels beyond the area that drawing still bothers with.
const float kDrawMargin = 1000.0f;
const float kTangentLength = 20.0f;

const Vector4f kCurveColor(0.95f, 0.76f, 0.36f, 1.0f);
const Vector4f kKeyColor(0.85f, 0.87f, 0.90f, 1.0f);
const Vector4f kHoverColor(0.35f, 0.75f, 1.0f, 1.0f);
const Vector4f kSelectedColor(0.30f, 0.90f, 0.40f, 1.0f);
const Vector4f kDraggedColor(1.0f, 0.35f, 0.30f, 1.0f);
const Vector4f kKeyOutline(0.0f, 0.0f, 0.0f, 0.7f);
const Vector4f kTangentColor(0.65f, 0.60f, 0.95f, 1.0f);
const Vector4f kGuideColor(1.0f, 1.0f, 1.0f, 0.16f);
const Vector4f kCursorColor(1.0f, 1.0f, 1.0f, 0.10f);
const Vector4f kTextColor(0.84f, 0.85f, 0.89f, 1.0f);

// NaN lands on the low end.
float clampFinite(float value, float low, float high) {
  if (!(value >= low)) return low;
  return value > high ? high : value;
}

bool finite(const Vector2f& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// World position of a (time, value) point in `area` for the given windows.
struct Mapping {
  Mapping(const Area& area, float start, float end, float minValue, float maxValue)
      : area(area),
        start(start),
        range(end - start),
        middle((minValue + maxValue) * 0.5f),
        halfRange((maxValue - minValue) * 0.5f),
        halfHeight(area.getHeight() * 0.5f) {}

  Vector2f toWorld(const Vector2f& key) const {
    return Vector2f(area.mMin.x + area.getWidth() * (key.x - start) / range,
                    area.mMin.y + halfHeight - (key.y - middle) / halfRange * halfHeight);
  }
  Vector2f toSpline(const Vector2f& world) const {
    const float width = area.getWidth();
    const float time = width > 0.0f ? (world.x - area.mMin.x) * range / width + start : start;
    const float unit = halfHeight > 0.0f ? -(world.y - area.mMin.y - halfHeight) / halfHeight : 0.0f;
    return Vector2f(time, middle + unit * halfRange);
  }
  // Pixels per unit of time and of value.
  float pixelsPerTime() const { return area.getWidth() / range; }
  float pixelsPerValue() const { return halfHeight / halfRange; }

  Area area;
  float start, range, middle, halfRange, halfHeight;
};

void fnv1a(uint64_t& h, const void* data, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    h ^= bytes[i];
    h *= 1099511628211ull;
  }
}

void square(Render& render, const Vector2f& centre, float half, const Vector4f& colour) {
  render.setColor(colour);
  render.drawBox(Area(centre.x - half, centre.y - half, centre.x + half, centre.y + half));
}
}  // namespace

Spline::Spline()
    : m_ownSplineMemory(false),
      m_spline(nullptr),
      mShowTangents(false),
      mStartTime(0.0f),
      mEndTime(1.0f),
      mMinValue(-1.0f),
      mMaxValue(1.0f),
      mDirty(true),
      mPointSize(3.5f),
      mMouseOverX(-1.0f),
      mMouseOverIndex(-1),
      mSelection(-1),
      mClicked(-1),
      mFreeDrag(false),
      mDeleteIndex(-1),
      mContext(new Context),
      mContext2(new Context),
      mContext_Type(nullptr),
      mFingerprint(0),
      mSampledWidth(-1.0f) {
  mType = "spline";
  setSpline(new Curve, true);

  mContext->setCaption("spline");
  mContext->addOption("add key", "add key");
  mContext->addOption("-------", "-------")->setInactive(true);
  mContext_Type = mContext->addOption("type", "type");
  for (const char* name : kTypeNames) mContext_Type->addOption(name, name);
  Context* repeat = mContext->addOption("repeat", "repeat");
  for (const char* side : {"before", "after"}) {
    Context* menu = repeat->addOption(side, side);
    for (const char* name : kRepeatNames) menu->addOption(name, name);
  }
  Context* tangents = mContext->addOption("tangents", "tangents");
  tangents->addOption("show", "show");
  tangents->addOption("hide", "hide");
  mContext->setParent(this);

  mContext2->setCaption("spline");
  mContext2->addOption("delete key", "delete key");
  mContext2->setParent(this);
}

Spline::~Spline() {
  // a menu that is open closes itself on the way
  delete mContext;
  delete mContext2;
  if (m_ownSplineMemory) delete m_spline;
}

const char* Spline::getSplineTypeName(int mode) {
  return mode >= 0 && mode < 3 ? kTypeNames[mode] : "unknown";
}

void Spline::setSpline(Curve* spline, bool own) {
  if (m_spline && m_ownSplineMemory && m_spline != spline) delete m_spline;
  m_spline = spline;
  m_ownSplineMemory = own && spline;
  // indices into the old curve mean nothing now
  mMouseOverIndex = mSelection = mClicked = mDeleteIndex = -1;
  mDirty = true;
}

void Spline::setTimeInterval(float start, float end) { setWindow(mStartTime, mEndTime, start, end, "time"); }

void Spline::setValueInterval(float min, float max) { setWindow(mMinValue, mMaxValue, min, max, "value"); }

void Spline::setWindow(float& low, float& high, float newLow, float newHigh, const char* what) {
  if (!(std::isfinite(newLow) && std::isfinite(newHigh) && newHigh > newLow)) {
    ZLK_LOG("warning", "app", "Spline '%s': %s window [%g, %g] refused", mId.c_str(), what,
            static_cast<double>(newLow), static_cast<double>(newHigh));
    return;
  }
  low = newLow;
  high = newHigh;
  mDirty = true;
}

Vector2f Spline::getSplineSpace(const Vector2f& world) {
  return Mapping(getAreaWorld(), mStartTime, mEndTime, mMinValue, mMaxValue).toSpline(world);
}

Vector2f Spline::getWorldSpace(const Vector2f& key) {
  return Mapping(getAreaWorld(), mStartTime, mEndTime, mMinValue, mMaxValue).toWorld(key);
}

void Spline::setSplineType(const std::string& name) {
  if (!m_spline) return;
  for (int mode = 0; mode < 3; ++mode) {
    if (name == kTypeNames[mode]) {
      m_spline->setInterpolation(static_cast<Curve::InterpolationMode>(mode));
      curveModesChanged();
      return;
    }
  }
}

void Spline::curveModesChanged() {
  if (m_spline && m_spline->hasKeys()) m_spline->updateTangents();
  mDirty = true;
}

void Spline::load(xml::IteratorConst& it) {
  Control::load(it);
  const xml::XmlTag& tag = *it.operator->();
  if (!m_spline) setSpline(new Curve, true);
  if (tag.hasValue("type")) setSplineType(tag.getValue("type"));
  std::vector<Key> keys;
  const std::string element = describeTag(tag) + " <item>";
  xml::IteratorConst items = it.createIterator("item");
  while (++items) {
    const xml::XmlTag& item = *items.operator->();
    Key key;
    readNumber(item, "x", key.time, element);
    readNumber(item, "y", key.value, element);
    keys.push_back(key);
  }
  if (!keys.empty()) m_spline->addKeys(keys.begin(), keys.end());
  mDirty = true;
}

void Spline::setArea() {
  mDirty = true;
  Control::setArea();
}

// ---------------------------------------------------------------- input

bool Spline::acceptEvents(Event& event) { return mClicked >= 0 || Control::acceptEvents(event); }

int Spline::findKey(const Vector2f& world) {
  if (!m_spline) return -1;
  const Mapping map(getAreaWorld(), mStartTime, mEndTime, mMinValue, mMaxValue);
  const float reach = mPointSize + 1.0f;
  for (int i = 0; i < m_spline->getNumKeys(); ++i) {
    const Key& key = (*m_spline)[i];
    const Vector2f p = map.toWorld(Vector2f(key.time, key.value));
    if (std::fabs(p.x - world.x) <= reach && std::fabs(p.y - world.y) <= reach) return i;
  }
  return -1;
}

void Spline::dragTo(const Vector2f& world) {
  if (!m_spline || mClicked >= m_spline->getNumKeys()) {
    mClicked = -1;
    return;
  }
  const Vector2f to = getSplineSpace(world);
  Key& key = (*m_spline)[mClicked];
  key.time = clampFinite(snapKeyTime(clampFinite(to.x, mStartTime, mEndTime), mFreeDrag), mStartTime, mEndTime);
  key.value = clampFinite(to.y, mMinValue, mMaxValue);
  const int index = m_spline->updateKey(mClicked);
  mClicked = mSelection = mMouseOverIndex = index;
  mDirty = true;
  sendAction(ACTION_SPLINE_CHANGED);
}

int Spline::insertKey(const Key& key) {
  if (!m_spline || !std::isfinite(key.time) || !std::isfinite(key.value)) return -1;
  const int index = m_spline->addKey(key);
  if (index >= 0 && mSelection >= index) ++mSelection;
  if (index >= 0 && mClicked >= index) ++mClicked;  // Insert while dragging
  mMouseOverIndex = -1;
  mDirty = true;
  return index;
}

void Spline::eraseKey(int index) {
  if (!m_spline || index < 0 || index >= m_spline->getNumKeys()) return;
  m_spline->removeKey(index);
  if (mSelection == index) {
    mSelection = -1;
  } else if (mSelection > index) {
    --mSelection;
  }
  mMouseOverIndex = mClicked = -1;
  mDirty = true;
}

void Spline::openMenu(Context* menu, const Vector2f& world) {
  menu->collapse();
  menu->setPosition(world - getAreaWorld().mMin - mOffset);
  setContext(menu);
}

void Spline::markMenuChoices() {
  if (!m_spline) return;
  const int modes[] = {m_spline->getInterpolation(), m_spline->getExtrapolationBefore(),
                       m_spline->getExtrapolationAfter()};
  for (int i = 0; i < 3; ++i) mContext_Type->setHighlight(kTypeNames[i], modes[0] == i);
  Context* repeat = mContext->findOption("repeat");
  Context* sides[] = {repeat->findOption("before"), repeat->findOption("after")};
  for (int side = 0; side < 2; ++side) {
    for (int i = 0; i < 3; ++i) sides[side]->setHighlight(kRepeatNames[i], modes[side + 1] == i);
  }
  Context* tangents = mContext->findOption("tangents");
  tangents->setHighlight("show", mShowTangents);
  tangents->setHighlight("hide", !mShowTangents);
}

int Spline::handleKey(display::Key key) {
  if (key != display::KEY_LEFT && key != display::KEY_RIGHT && key != display::KEY_DEL &&
      key != display::KEY_DELETE && key != display::KEY_INSERT) {
    return 0;
  }
  if (!m_spline) return 1;
  const int count = m_spline->getNumKeys();
  const bool selected = mSelection >= 0 && mSelection < count;

  if (key == display::KEY_LEFT || key == display::KEY_RIGHT) {
    if (count > 0) mSelection = std::max(0, std::min(mSelection + (key == display::KEY_LEFT ? -1 : 1), count - 1));
    return 1;
  }

  if (key == display::KEY_INSERT) {
    Key added(0.0f, 0.0f);
    if (selected && mSelection < count - 1) {
      added = ((*m_spline)[mSelection] + (*m_spline)[mSelection + 1]) * 0.5f;
    } else if (count > 0) {
      added = Key(1.0f, (*m_spline)[count - 1].value);
    }
    if (insertKey(added) >= 0) sendAction(ACTION_SPLINE_ADD);
    return 1;
  }

  // Delete: without a selection there is nothing to remove
  if (!selected) return 1;
  m_spline->removeKey(mSelection);
  const int left = count - 1;
  if (left == 0) {
    mSelection = -1;
  } else if (mSelection >= left) {
    mSelection = left - 1;
  }
  mMouseOverIndex = mClicked = -1;
  mDirty = true;
  sendAction(ACTION_SPLINE_DELETE);
  return 1;
}

int Spline::handleWheel(const Event& event) {
  const float steps = event.mouseDeltaWheel;
  if (!std::isfinite(steps) || steps == 0.0f || !getAreaWorld().isInside(event.mousePosWorld)) return 0;
  // a curve that was not clicked leaves the wheel to what scrolls around it
  if (!hasFocus()) return 0;
  const Vector2f at = getSplineSpace(event.mousePosWorld);
  const bool values = event.ctrl();
  float low = values ? mMinValue : mStartTime;
  float high = values ? mMaxValue : mEndTime;
  const float range = high - low;
  if (event.shift()) {
    // wheel down goes on to later times, wheel up to higher values
    const float shift = (values ? steps : -steps) * kScrollStep * range;
    low += shift;
    high += shift;
  } else {
    // the point under the mouse stays where it is
    const float anchor = values ? at.y : at.x;
    const float factor = std::pow(kZoomStep, steps);
    const float zoomed = clampFinite(range * factor, kMinRange, kMaxRange);
    const float share = (anchor - low) / range;
    low = anchor - share * zoomed;
    high = low + zoomed;
  }
  if (std::fabs(low) > kMaxRange || std::fabs(high) > kMaxRange) return 1;
  if (values) {
    setValueInterval(low, high);
  } else {
    setTimeInterval(low, high);
  }
  return 1;
}

void Spline::handleContext(const std::string& action) {
  mDirty = true;
  const std::string typePrefix = "spline.type.";
  const std::string beforePrefix = "spline.repeat.before.";
  const std::string afterPrefix = "spline.repeat.after.";
  if (action == "spline.tangents.show" || action == "spline.tangents.hide") {
    mShowTangents = action == "spline.tangents.show";
    return;
  }
  if (!m_spline) return;
  if (action == "spline.delete key") {
    const int before = m_spline->getNumKeys();
    eraseKey(mDeleteIndex);
    mDeleteIndex = -1;
    if (m_spline->getNumKeys() < before) sendAction(ACTION_SPLINE_DELETE);
    return;
  }
  if (action == "spline.add key") {
    const Vector2f at = getSplineSpace(mAddPosition);
    if (insertKey(Key(at.x, at.y)) >= 0) sendAction(ACTION_SPLINE_ADD);
    return;
  }
  for (int mode = 0; mode < 3; ++mode) {
    if (action == typePrefix + kTypeNames[mode]) {
      m_spline->setInterpolation(static_cast<Curve::InterpolationMode>(mode));
    } else if (action == beforePrefix + kRepeatNames[mode]) {
      m_spline->setExtrapolationBefore(static_cast<Curve::ExtrapolationMode>(mode));
    } else if (action == afterPrefix + kRepeatNames[mode]) {
      m_spline->setExtrapolationAfter(static_cast<Curve::ExtrapolationMode>(mode));
    } else {
      continue;
    }
    curveModesChanged();
    sendAction(ACTION_SPLINE_CHANGED);
    return;
  }
}

int Spline::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  const Vector2f& world = event.mousePosWorld;

  if (event.type == "reset") {
    if (mClicked < 0) mMouseOverIndex = -1;
    return used;
  }
  if (event.type == "context") {
    handleContext(event.action);
    return 1;
  }
  if (event.type == "keydown") return handleKey(event.key) | used;
  if (event.type == "mousewheel") return handleWheel(event) | used;

  if (event.type == "mousemove") {
    mMouseOverX = world.x;
    if (mClicked >= 0) {
      mFreeDrag = event.alt() || event.shift();
      dragTo(world);
      return 1;
    }
    mMouseOverIndex = findKey(world);
    return mMouseOver ? 1 : used;
  }

  if (event.type == "mousedown") {
    // arrives off the widget only while a key is dragged
    if (!getAreaWorld().isInside(world)) return used;
    const int key = findKey(world);
    if (event.button != display::MOUSE_LEFT) {
      if (key >= 0) {
        mDeleteIndex = key;
        openMenu(mContext2, world);
      } else {
        mAddPosition = world;
        markMenuChoices();
        openMenu(mContext, world);
      }
      return 1;
    }
    mClicked = mSelection = key;
    if (key >= 0) mMouseOverIndex = key;
    return 1;
  }

  if (event.type == "mouseup") {
    const bool wasDragging = mClicked >= 0;
    mClicked = -1;
    mMouseOverIndex = -1;
    return wasDragging || getAreaWorld().isInside(world) ? 1 : used;
  }
  return used;
}

// ---------------------------------------------------------------- drawing

uint64_t Spline::fingerprint() const {
  uint64_t h = 14695981039346656037ull;
  if (!m_spline) return h;
  const int modes[] = {m_spline->getInterpolation(), m_spline->getExtrapolationBefore(),
                       m_spline->getExtrapolationAfter(), m_spline->getNumKeys()};
  fnv1a(h, modes, sizeof(modes));
  for (int i = 0; i < m_spline->getNumKeys(); ++i) {
    const Key& key = (*m_spline)[i];
    const float fields[] = {key.time, key.value, key.tangentIN, key.tangentOUT};
    fnv1a(h, fields, sizeof(fields));
  }
  return h;
}

void Spline::rebuildSamples(const Area& area) {
  m_cachedValues.clear();
  mFingerprint = fingerprint();
  mSampledWidth = area.getWidth();
  mDirty = false;
  if (!m_spline) return;
  const int count = static_cast<int>(std::min(std::max(std::ceil(area.getWidth()), 1.0f), float(kMaxSamples)));
  const float range = mEndTime - mStartTime;
  m_cachedValues.reserve(static_cast<size_t>(count) + 1);
  for (int i = 0; i <= count; ++i) {
    const float t = i == count ? mEndTime : mStartTime + range * static_cast<float>(i) / static_cast<float>(count);
    m_cachedValues.emplace_back(t, m_spline->evaluate(t));
  }
}

void Spline::drawTangents(const Area& area, int index) {
  Render* render = getRender();
  const Mapping map(area, mStartTime, mEndTime, mMinValue, mMaxValue);
  const Curve& curve = *m_spline;
  const Key& key = curve[index];
  const Vector2f at = map.toWorld(Vector2f(key.time, key.value));
  render->setColor(kTangentColor);
  // tangents are per segment: slope = tangent / the segment's duration
  for (int side = -1; side <= 1; side += 2) {
    const int other = index + side;
    if (other < 0 || other >= curve.getNumKeys()) continue;
    const float duration = std::fabs(curve[other].time - key.time);
    if (!(duration > 0.0f)) continue;
    const float slope = (side < 0 ? key.tangentIN : key.tangentOUT) / duration;
    Vector2f direction(static_cast<float>(side) * map.pixelsPerTime(),
                       -static_cast<float>(side) * slope * map.pixelsPerValue());
    const float length = std::sqrt(direction.x * direction.x + direction.y * direction.y);
    if (!(length > 0.0f) || !std::isfinite(length)) continue;
    render->drawLine(at, at + direction * (kTangentLength / length));
  }
}

void Spline::draw(Area area, Area base, Area clip) {
  Render* render = getRender();
  if (!render) {
    Control::draw(area, base, clip);
    return;
  }
  const colorInfo& back = mStyle.mBack;
  render->setColor(mInactive ? back.mInactive1 : back.mColor1, mInactive ? back.mInactive2 : back.mColor2);
  render->drawBox(area);
  if (hasFocus()) {
    // the keys go here now: an inner border, under the keys, in the selection colour
    render->setColor(kSelectedColor, kSelectedColor);
    Area inner = area;
    inner.expand(-1.0f);
    render->drawBorder(inner);
  }

  const Mapping map(area, mStartTime, mEndTime, mMinValue, mMaxValue);
  // guides: the value 0, and the times 0 and 1 (a plugin's start and end)
  render->setColor(kGuideColor);
  if (mMinValue < 0.0f && mMaxValue > 0.0f) {
    const float y = std::floor(map.toWorld(Vector2f(0.0f, 0.0f)).y) + 0.5f;
    render->drawLine(Vector2f(area.mMin.x, y), Vector2f(area.mMax.x, y));
  }
  for (float t : {0.0f, 1.0f}) {
    if (t <= mStartTime || t >= mEndTime) continue;
    const float x = std::floor(map.toWorld(Vector2f(t, 0.0f)).x) + 0.5f;
    render->drawLine(Vector2f(x, area.mMin.y), Vector2f(x, area.mMax.y));
  }
  if (mMouseOver && mMouseOverX >= area.mMin.x && mMouseOverX < area.mMax.x) {
    render->setColor(kCursorColor);
    const float x = std::floor(mMouseOverX) + 0.5f;
    render->drawLine(Vector2f(x, area.mMin.y), Vector2f(x, area.mMax.y));
  }

  if (m_spline) {
    // the curve may have been edited by its owner since the last samples
    if (mDirty || mSampledWidth != area.getWidth() || fingerprint() != mFingerprint) rebuildSamples(area);
    render->setColor(kCurveColor);
    const float top = area.mMin.y - kDrawMargin;
    const float bottom = area.mMax.y + kDrawMargin;
    for (size_t i = 1; i < m_cachedValues.size(); ++i) {
      Vector2f from = map.toWorld(m_cachedValues[i - 1]);
      Vector2f to = map.toWorld(m_cachedValues[i]);
      if (!finite(from) || !finite(to)) continue;
      from.y = clampFinite(from.y, top, bottom);
      to.y = clampFinite(to.y, top, bottom);
      render->drawLine(from, to);
    }

    const int count = m_spline->getNumKeys();
    if (mShowTangents) {
      for (int i = 0; i < count; ++i) drawTangents(area, i);
    }
    for (int i = 0; i < count; ++i) {
      const Key& key = (*m_spline)[i];
      const Vector2f at = map.toWorld(Vector2f(key.time, key.value));
      if (!finite(at) || at.x < area.mMin.x - kDrawMargin || at.x > area.mMax.x + kDrawMargin ||
          at.y < area.mMin.y - kDrawMargin || at.y > area.mMax.y + kDrawMargin) {
        continue;
      }
      const bool hovered = i == mMouseOverIndex;
      const Vector4f& colour =
          i == mClicked ? kDraggedColor : i == mSelection ? kSelectedColor : hovered ? kHoverColor : kKeyColor;
      const float half = mPointSize + (hovered ? 1.0f : 0.0f);
      square(*render, at, half + 1.0f, kKeyOutline);
      square(*render, at, half, colour);
    }
  }

  render->setColor(back.mBorder1, back.mBorder2);
  render->drawBorder(area);
  if (m_spline) {
    const Vector4f& ink = mStyle.mText.mColor1;
    render->setColor(ink.w > 0.0f ? ink : kTextColor);
    render->setAlign(Render::ALIGN_LEFT);
    render->drawText(Vector2f(area.mMin.x + 3.0f, area.mMin.y + 2.0f),
                     getSplineTypeName(static_cast<int>(m_spline->getInterpolation())));
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
