#include "tes_control.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tes_context.h"
#include "tes_control_factory.h"
#include "tes_flow.h"
#include "tes_render.h"
#include "tes_workspace.h"
#include "xml_node.h"
#include "xml_tag.h"
#include "zlk_system.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using mathbase::Vector4f;
using xml::IteratorConst;
using xml::XmlTag;

// ---------------------------------------------------------------- loading helpers

namespace {
std::vector<std::string>& sourceStack() {
  static std::vector<std::string> stack;
  return stack;
}

// Style entries being applied right now, innermost last: an entry that
// (through its children) asks for itself again is not applied twice.
std::vector<const xml::XmlNode*>& activeStyles() {
  static std::vector<const xml::XmlNode*> entries;
  return entries;
}
const size_t kMaxStyleNesting = 16;

// Controls one load may create: style entries whose children have entries
// with children... multiply, and a file of a few kilobytes must not build
// billions of controls.
const long kMaxControlsPerLoad = 100000;
long controlsCreated = 0;
bool budgetReported = false;

class StyleGuard {
 public:
  explicit StyleGuard(const xml::XmlNode* entry) { activeStyles().push_back(entry); }
  ~StyleGuard() { activeStyles().pop_back(); }
};

bool isActiveStyle(const xml::XmlNode* entry) {
  const auto& active = activeStyles();
  return std::find(active.begin(), active.end(), entry) != active.end();
}

// Positions and sizes beyond this many pixels are no layout.
const double kMaxCoordinate = 1.0e7;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The colour pair a "color" tag's name selects, or null.
bool selectPair(style& s, const std::string& name, Vector4f*& first, Vector4f*& second) {
  colorInfo* set = nullptr;
  std::string rest;
  static const struct {
    const char* prefix;
    colorInfo style::*member;
  } kSets[] = {{"back.", &style::mBack}, {"caption.", &style::mCaption}, {"text.", &style::mText}};
  for (const auto& entry : kSets) {
    const std::string prefix = entry.prefix;
    if (name.compare(0, prefix.size(), prefix) == 0) {
      set = &(s.*entry.member);
      rest = name.substr(prefix.size());
      break;
    }
  }
  if (!set) return false;
  static const struct {
    const char* name;
    Vector4f colorInfo::*first;
    Vector4f colorInfo::*second;
  } kPairs[] = {{"border", &colorInfo::mBorder1, &colorInfo::mBorder2},
                {"color", &colorInfo::mColor1, &colorInfo::mColor2},
                {"highlight", &colorInfo::mHighlight1, &colorInfo::mHighlight2},
                {"pushed", &colorInfo::mPushed1, &colorInfo::mPushed2},
                {"inactive", &colorInfo::mInactive1, &colorInfo::mInactive2}};
  for (const auto& pair : kPairs) {
    if (rest == pair.name) {
      first = &(set->*pair.first);
      second = &(set->*pair.second);
      return true;
    }
  }
  return false;
}
}  // namespace

LoadSource::LoadSource(const std::string& file) {
  if (sourceStack().empty()) {
    controlsCreated = 0;
    budgetReported = false;
  }
  sourceStack().push_back(file);
}

LoadSource::~LoadSource() { sourceStack().pop_back(); }

const std::string& LoadSource::current() {
  static const std::string none = "(no file)";
  return sourceStack().empty() ? none : sourceStack().back();
}

std::string describeTag(const XmlTag& tag) {
  std::string text = "<" + tag.getName();
  if (tag.hasValue("id")) text += " id=\"" + tag.getValue("id") + "\"";
  if (tag.hasValue("class")) text += " class=\"" + tag.getValue("class") + "\"";
  return text + ">";
}

void loadWarning(const std::string& element, const char* format, ...) {
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  ZLK_LOG("warning", "app", "%s: %s: %s", LoadSource::current().c_str(), element.c_str(), message);
}

bool readNumber(const XmlTag& tag, const std::string& name, float& value, const std::string& element) {
  bool present = false;
  for (const XmlTag::Argument& a : tag.getArg()) {
    if (a.name == name) {
      present = true;
      break;
    }
  }
  if (!present) return false;
  const std::string& text = tag.getValue(name);
  const char* begin = text.c_str();
  char* end = nullptr;
  const double parsed = std::strtod(begin, &end);
  const char* rest = end;
  while (*rest == ' ' || *rest == '\t') ++rest;
  const bool finite = std::isfinite(parsed);
  if (end != begin && *rest == '\0' && finite) {
    if (std::fabs(parsed) <= kMaxCoordinate) {
      value = static_cast<float>(parsed);
      return true;
    }
    // sums of such values would overflow to infinity
    value = static_cast<float>(parsed > 0.0 ? kMaxCoordinate : -kMaxCoordinate);
    loadWarning(element, "\"%s\" is out of range: \"%s\"; read as %g", name.c_str(), text.c_str(),
                static_cast<double>(value));
    return true;
  }
  // the numeric prefix, as a lenient reader takes it ("12px" is 12)
  value = (end != begin && finite) ? static_cast<float>(std::max(-kMaxCoordinate, std::min(parsed, kMaxCoordinate))) : 0.0f;
  loadWarning(element, "\"%s\" is not a number: \"%s\"; read as %g", name.c_str(), text.c_str(),
              static_cast<double>(value));
  return true;
}

bool readDirection(const XmlTag& tag, Direction& direction) {
  if (!tag.hasValue("direction")) return false;
  direction = tag.getValue("direction") == "horisontal" ? DIRECTION_HORISONTAL : DIRECTION_VERTICAL;
  return true;
}

// ---------------------------------------------------------------- Control

Control::Control()
    : mParent(nullptr),
      mFocus(nullptr),
      mControlClicked(nullptr),
      mMouseOver(false),
      mInactive(false),
      mVisible(true),
      mMaximized(false),
      mRenderCache(nullptr) {
  mStyle.mBack.mColor1 = Vector4f(0.1f, 0.1f, 0.1f, 1.0f);
  mStyle.mBack.mColor2 = Vector4f(0.0f, 1.0f, 0.0f, 1.0f);
}

Control::~Control() {
  // the children first, while the branch still hangs in the tree: a menu one
  // of them has open finds the workspace to close itself
  Control::deleteControls();
  if (mParent) mParent->detachChild(this);
}

Control* Control::clone() const { return new Control; }

display::DisplayGL* Control::getDisplay() { return mParent ? mParent->getDisplay() : nullptr; }

void Control::setParent(Control* parent) {
  mParent = parent;
  // the drawing object belongs to the tree the control is in now
  struct Forget {
    static void run(Control* c) {
      c->mRenderCache = nullptr;
      for (Control* child : c->mChild) run(child);
    }
  };
  Forget::run(this);
}

Control* Control::getRoot() {
  Control* c = this;
  while (c->mParent) c = c->mParent;
  return c;
}

Control* Control::getChild(uint32_t index) { return index < mChild.size() ? mChild[index] : nullptr; }

Control* Control::getOrder(uint32_t index) { return index < mOrder.size() ? mOrder[index] : nullptr; }

Vector4f Control::hex2vec(const std::string& text) {
  Vector4f colour(0.0f, 0.0f, 0.0f, 1.0f);
  for (size_t i = 0; i < 4; ++i) {
    if (2 * i + 1 >= text.size()) return colour;
    colour[i] = static_cast<float>(hexValue(text[2 * i]) * 16 + hexValue(text[2 * i + 1])) / 255.0f;
  }
  return colour;
}

void Control::load(IteratorConst& it) {
  // a load from the application's own tags counts as one load of its own
  std::unique_ptr<LoadSource> scope;
  if (sourceStack().empty()) scope.reset(new LoadSource("(no file)"));
  const XmlTag& tag = *it.operator->();
  const std::string element = describeTag(tag);
  if (tag.hasValue("id")) mId = tag.getValue("id");
  mVisible = true;
  if (tag.getValue("hidden") == "true") mVisible = false;
  if (tag.getValue("visible") == "false") mVisible = false;

  IteratorConst lists = it.createIterator("child");
  while (controlsCreated < kMaxControlsPerLoad && ++lists) {
    IteratorConst childTag = lists.createIterator();
    while (++childTag) {
      if (childTag->getType() != XmlTag::NORMAL) continue;  // comments, text
      const std::string& type = childTag->getName();
      if (controlsCreated >= kMaxControlsPerLoad) {
        if (!budgetReported) loadWarning(element, "more than %ld controls; the rest is skipped", kMaxControlsPerLoad);
        budgetReported = true;
        break;
      }
      ++controlsCreated;
      ZLK_LOG("log", "app", "Creating control: %s.", type.c_str());
      Control* child = ControlFactory::create(type);
      if (!child) {
        ZLK_LOG("log", "app", " -> Control type '%s' not found", type.c_str());
        loadWarning(element, "unknown control type <%s> skipped", type.c_str());
        continue;
      }
      addControl(child, -1);

      const std::string& className = childTag->getValue("class");
      const std::string entryName = className.empty() ? type : className;
      IteratorConst entry = getStyle(entryName);
      if (++entry) {
        const xml::XmlNode* node = entry.createIterator().getContext();  // the entry itself
        Workspace* workspace = dynamic_cast<Workspace*>(getRoot());
        LoadSource source(workspace ? workspace->getStyleFile() : std::string("(style)"));
        if (isActiveStyle(node) || activeStyles().size() >= kMaxStyleNesting) {
          loadWarning(describeTag(*entry.operator->()), "style entry nests itself; not applied again");
        } else {
          StyleGuard guard(node);
          child->load(entry);
        }
      } else if (!className.empty()) {
        Workspace* workspace = dynamic_cast<Workspace*>(getRoot());
        const bool styled = workspace && workspace->hasStyle();
        loadWarning(describeTag(*childTag.operator->()), "style entry '%s' not found%s%s", className.c_str(),
                    styled ? " in " : "", styled ? workspace->getStyleFile().c_str() : " (no style file)");
      }
      child->load(childTag);

      Flow* flow = mType == "flow" ? dynamic_cast<Flow*>(this) : nullptr;
      if (flow) {
        IteratorConst areas = childTag.createIterator("area");
        while (++areas) {
          const std::string areaElement = describeTag(*childTag.operator->()) + " <area>";
          float value = 0.0f;
          if (readNumber(*areas.operator->(), "size", value, areaElement)) flow->setSize(child, value);
          if (readNumber(*areas.operator->(), "percent", value, areaElement)) flow->setPercent(child, value);
        }
      }
    }
  }

  IteratorConst areas = it.createIterator("area");
  while (++areas) {
    const XmlTag& a = *areas.operator->();
    const std::string areaElement = element + " <area>";
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
    readNumber(a, "x", x, areaElement);
    readNumber(a, "y", y, areaElement);
    const bool hasWidth = readNumber(a, "width", width, areaElement);
    const bool hasHeight = readNumber(a, "height", height, areaElement);
    Area box(x, y, x + width, y + height);
    float w = 0.0f, h = 0.0f;
    const bool hasW = readNumber(a, "w", w, areaElement);
    const bool hasH = readNumber(a, "h", h, areaElement);
    if (hasW) box.mMax.x = x + w;
    if (hasH) box.mMax.y = y + h;
    const bool maximized = a.getValue("maximized") == "true";
    // a size is what an area is for, unless the control fills its parent or
    // a flow sizes it; a missing position is simply 0
    const bool placedByParent = maximized || a.hasValue("size") || a.hasValue("percent");
    if (!placedByParent && (!(hasWidth || hasW) || !(hasHeight || hasH))) {
      std::string missing = hasWidth || hasW ? "" : "\"width\"";
      if (!(hasHeight || hasH)) missing += missing.empty() ? "\"height\"" : " and \"height\"";
      loadWarning(areaElement, "missing %s; read as 0", missing.c_str());
    }
    setMaximized(maximized);
    // a maximized control keeps filling its parent
    if (maximized && mParent) box = Area(0.0f, 0.0f, mParent->getArea().getWidth(), mParent->getArea().getHeight());
    setArea(box);
  }

  loadStyle(it);
}

void Control::loadStyle(IteratorConst& it) {
  IteratorConst colors = it.createIterator("color");
  while (++colors) {
    const XmlTag& c = *colors.operator->();
    const std::string element = describeTag(*it.operator->()) + " <color name=\"" + c.getValue("name") + "\">";
    Vector4f* first = nullptr;
    Vector4f* second = nullptr;
    if (!selectPair(mStyle, c.getValue("name"), first, second)) {
      loadWarning(element, "unknown colour name; ignored");
      continue;
    }
    static const char* const kAttributes[] = {"first", "second"};
    Vector4f* targets[] = {first, second};
    for (int i = 0; i < 2; ++i) {
      const std::string& text = c.getValue(kAttributes[i]);
      bool wellFormed = text.size() == 6 || text.size() == 8;
      for (char ch : text) wellFormed = wellFormed && isHex(ch);
      if (!wellFormed) {
        loadWarning(element, "\"%s\" is not a colour (rrggbb or rrggbbaa): \"%s\"", kAttributes[i], text.c_str());
      }
      *targets[i] = hex2vec(text);
    }
  }
}

IteratorConst Control::getStyle(const std::string& name) {
  Control* root = getRoot();
  if (root != this) return root->getStyle(name);
  return IteratorConst(nullptr, name);
}

Area Control::getAreaWorld() {
  if (!mParent) return mArea;
  return mArea + (mParent->getAreaWorld().mMin + mParent->getOffset());
}

void Control::setArea() {
  const Area inner(0.0f, 0.0f, mArea.getWidth(), mArea.getHeight());
  for (Control* child : std::vector<Control*>(mChild)) {
    if (child->getMaximized()) {
      child->setArea(inner);
    } else {
      child->setArea();
    }
  }
}

void Control::setArea(Area area) {
  mArea = area;
  setArea();
}

void Control::setPosition(Vector2f position) { setArea(Area(position, position + mArea.getSize())); }

void Control::setOffset(Vector2f offset) { mOffset = offset; }

void Control::setMaximized(bool maximized) {
  mMaximized = maximized;
  if (maximized && mParent) setArea(Area(0.0f, 0.0f, mParent->getArea().getWidth(), mParent->getArea().getHeight()));
}

Area Control::getOccupiedArea() {
  Area occupied(0.0f, 0.0f, 0.0f, 0.0f);
  for (Control* child : mChild) {
    if (child->getVisible()) occupied.setUnion(child->getArea());
  }
  return occupied;
}

void Control::addControl(Control* control, int32_t index) {
  if (!control || control == this) return;
  if (Control* old = control->getParent()) old->detachChild(control);
  const size_t place =
      index < 0 || static_cast<size_t>(index) > mOrder.size() ? mOrder.size() : static_cast<size_t>(index);
  mOrder.insert(mOrder.begin() + static_cast<std::ptrdiff_t>(place), control);
  const size_t zPlace = std::min(place, mChild.size());
  mChild.insert(mChild.begin() + static_cast<std::ptrdiff_t>(zPlace), control);
  control->setParent(this);
  setFocus(control);
}

bool Control::detachChild(Control* child) {
  const auto inOrder = std::find(mOrder.begin(), mOrder.end(), child);
  if (inOrder == mOrder.end()) return false;
  const uint32_t index = static_cast<uint32_t>(inOrder - mOrder.begin());
  mOrder.erase(inOrder);
  mChild.erase(std::remove(mChild.begin(), mChild.end(), child), mChild.end());
  if (mFocus == child) mFocus = nullptr;
  if (mControlClicked == child) mControlClicked = nullptr;
  child->setParent(nullptr);
  childRemoved(index);
  return true;
}

void Control::childRemoved(uint32_t) {}

void Control::deleteControl(uint32_t index) {
  // it leaves the lists as it goes (see the destructor)
  delete getOrder(index);
}

void Control::deleteControls() {
  std::vector<Control*> children;
  children.swap(mOrder);
  mChild.clear();
  mFocus = nullptr;
  mControlClicked = nullptr;
  // The children keep their parent while they go (the lists are empty
  // already, so nothing reaches back into them): a menu a child had open
  // still finds the workspace to close itself.
  for (Control* child : children) delete child;
}

Control* Control::findControl(const std::string& id) {
  if (mId == id) return this;
  for (Control* child : mChild) {
    if (Control* found = child->findControl(id)) return found;
  }
  return nullptr;
}

void Control::clearCallbacks() { mCallback.clear(); }

void Control::setCallback(Callback* callback) {
  if (!callback) return;
  if (std::find(mCallback.begin(), mCallback.end(), callback) == mCallback.end()) mCallback.push_back(callback);
}

void Control::sendAction(Action action, Control* source) {
  if (!source) source = this;
  if (!mCallback.empty()) {
    // a callback may change the list
    for (Callback* callback : std::vector<Callback*>(mCallback)) callback->controlAction(source, action);
  } else if (mParent) {
    mParent->sendAction(action, source);
  }
}

void Control::sendContextAction(Context* context, std::string action) {
  for (Callback* callback : std::vector<Callback*>(mCallback)) callback->contextAction(context, action);
}

bool Control::acceptEvents(Event& event) {
  if (mMouseOver) return true;
  Event local = event;
  local.mousePos = event.mousePos - mArea.mMin - mOffset;
  for (Control* child : mChild) {
    if (child->getVisible() && child->acceptEvents(local)) return true;
  }
  return false;
}

int Control::handleEvent(Event& event) {
  // Keys follow the focus a click gave, never the pointer: hovering over a
  // control does not take them from the application.
  if (event.isKeyEvent()) return mFocus ? mFocus->handleEvent(event) : 0;

  if (event.type == "reset") {
    mMouseOver = false;
    for (Control* child : std::vector<Control*>(mChild)) child->handleEvent(event);
    return 0;
  }
  // a menu's selection is meant for the control that opened it
  if (event.type == "context") return 0;

  if (event.type == "mousemove") {
    mMouseOver = getAreaWorld().isInside(event.mousePosWorld);
    Event reset = event;
    reset.type = "reset";
    for (Control* child : std::vector<Control*>(mChild)) child->handleEvent(reset);
  }

  const Vector2f parentPos = event.mousePos;
  event.mousePos = parentPos - mArea.mMin - mOffset;

  if (event.type == "mousedown") {
    mControlClicked = nullptr;
    for (size_t i = mChild.size(); i-- > 0;) {
      Control* child = mChild[i];
      if (!child->getVisible()) continue;
      if (child->getArea().isInside(event.mousePos) || child->acceptEvents(event)) {
        setFocus(child);
        break;
      }
    }
  }

  // The child a button went down on keeps the mouse until the release, so
  // that a drag goes on (and ends) wherever the mouse goes.
  Control* target = nullptr;
  if ((event.type == "mousemove" || event.type == "mouseup") && mControlClicked && mControlClicked->getVisible()) {
    target = mControlClicked;
  }
  if (!target && mArea.isInside(parentPos)) {
    for (size_t i = mChild.size(); i-- > 0;) {
      if (mChild[i]->getVisible() && mChild[i]->getArea().isInside(event.mousePos)) {
        target = mChild[i];
        break;
      }
    }
  }
  if (!target) {
    for (size_t i = mChild.size(); i-- > 0;) {
      if (mChild[i]->getVisible() && mChild[i]->acceptEvents(event)) {
        target = mChild[i];
        break;
      }
    }
  }
  if (event.type == "mousedown") mControlClicked = target;
  if (event.type == "mouseup") mControlClicked = nullptr;
  return target ? target->handleEvent(event) : 0;
}

bool Control::hasFocus() {
  for (Control* c = this; c->mParent; c = c->mParent) {
    if (c->mParent->mFocus != c) return false;
  }
  return true;
}

bool Control::isShown() {
  for (Control* c = this; c; c = c->mParent) {
    if (!c->mVisible) return false;
  }
  return true;
}

void Control::releaseCapture() {
  Control* clicked = mControlClicked;
  mControlClicked = nullptr;
  if (clicked) clicked->releaseCapture();
}

Render* Control::getRender() {
  if (!mRenderCache && mParent) mRenderCache = mParent->getRender();
  return mRenderCache;
}

void Control::setFocus(Control* control) {
  clearFocus();
  if (mParent) mParent->setFocus(this);
  mFocus = control;
  if (control && !(!mChild.empty() && mChild.back() == control)) {
    const auto found = std::find(mChild.begin(), mChild.end(), control);
    if (found != mChild.end()) {
      mChild.erase(found);
      mChild.push_back(control);
    }
  }
}

void Control::clearFocus() {
  // Only the chain from the root down holds focus pointers (every setFocus
  // clears the previous chain), so following it clears every descendant.
  Control* focus = mFocus;
  mFocus = nullptr;
  if (focus) focus->clearFocus();
}

void Control::setContext(Context* context) {
  if (!context) return;
  if (!context->getParent()) context->setParent(this);
  if (mParent) mParent->setContext(context);
}

void Control::resetContext() {
  if (mParent) mParent->resetContext();
}

void Control::draw(Area, Area base, Area clip) {
  Render* render = getRender();
  for (Control* child : std::vector<Control*>(mChild)) {
    if (!child->getVisible()) continue;
    const Area world = child->getArea() + base.mMin;
    Area visible = world;
    visible.setIntersect(clip);
    if (visible.getWidth() <= 1.0f || visible.getHeight() <= 1.0f) continue;
    if (render) render->setClipArea(visible);
    child->draw(world, world + child->getOffset(), visible);
  }
  if (render) render->setClipArea(clip);
}

}  // namespace tessel
}  // namespace zelkor
