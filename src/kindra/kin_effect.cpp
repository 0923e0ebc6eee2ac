#include "kin_effect.h"

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "am.h"
#include "kin_beatgrid.h"
#include "tes_container.h"
#include "tes_render.h"
#include "xml_node.h"
#include "xml_parser.h"
#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

using mathbase::Vector2f;
using mathbase::Vector4f;
using tessel::Area;
using tessel::Control;

namespace {

// Editor units per second of demo time.
const float kUnitsPerSecond = 10.0f;
const float kBarHeight = 20.0f;
const float kHandleWidth = 10.0f;
// The shortest an effect can be resized to, in editor units (2 seconds).
const float kMinBarWidth = 20.0f;
// The fold marker: a triangle beside the left handle.
const float kMarkerSize = 10.0f;

// A number of the script; what is no finite number reads as 0.
float readNumber(const xml::XmlTag& tag, const char* name, const std::string& file) {
  const float value = tag.getValueFloat(name);
  if (std::isfinite(value)) return value;
  ZLK_LOG("warning", "app", "%s: <%s %s=\"%s\"> is no number; read as 0", file.c_str(), tag.getName().c_str(), name,
          zlk_printable(tag.getValue(name)).c_str());
  return 0.0f;
}

// Copies an element and everything below it after the iterator's current
// child, except text, which has no place in a script (and would not be
// written back as it was read).
void copyElement(const xml::XmlNode& from, xml::Iterator& into) {
  xml::Iterator copy = into.addChild(from.getTag());
  for (int i = 0; i < from.getNumChildren(); ++i) {
    if (from.getChildren(i)->getTag().getType() != xml::XmlTag::TEXT) copyElement(*from.getChildren(i), copy);
  }
  // an element left empty is written as one, as the reader gives it
  if (copy.getContext()->getNumChildren() == 0) copy.getRoot().setClosed(true);
}

// Whether the element can be written so that it reads back the same: a value
// with a double quote (read from single quotes) cannot.
bool writesBack(const xml::XmlNode& node) {
  for (const xml::XmlTag::Argument& a : node.getTag().getArg()) {
    if (a.value.find('"') != std::string::npos) return false;
  }
  for (int i = 0; i < node.getNumChildren(); ++i) {
    if (!writesBack(*node.getChildren(i))) return false;
  }
  return true;
}

// Makes every directory of the path up to its last separator.
void makeParentDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string directory = path.substr(0, slash);
    if (mkdir(directory.c_str(), 0777) != 0 && errno != EEXIST) return;  // the write names the failure
  }
}

bool fileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

}  // namespace

// ------------------------------------------------------------ PluginBase

PluginBase::PluginBase() : mEffect(nullptr) {}

PluginBase::~PluginBase() = default;

void PluginBase::setupControl(float, float) {}

void PluginBase::update(float) {}

float PluginBase::getNormalizedTime(float pTime) {
  float duration = 0.0f;
  if (mEffect) {
    duration = mEffect->mEnd - mEffect->mStart;
  } else if (Control* control = getControl()) {
    duration = control->getArea().getWidth() / kUnitsPerSecond;
  }
  // an effect without length is never active; its curve stands at the start
  if (!(duration > 0.0f)) return 0.0f;
  return pTime / duration;
}

// ------------------------------------------------------------ Effect

Effect::Effect()
    : mStart(0.0f),
      mEnd(10.0f),
      mDisplay(nullptr),
      mMouseOverIndex(0),
      mMouseDown(false),
      mLocked(false),
      mFolded(false),
      oldWidth(-1.0f),
      mLoaded(false),
      mScriptBroken(false),
      mSpacer(nullptr) {
  mArea = Area(0.0f, 0.0f, 0.0f, 0.0f);
  mContext.deleteOptions();
  // what the menu reports is prefixed with its caption: "context.on/off"
  mContext.setCaption("context");
  mContext.addOption("on/off", "on/off");
  mContext.addOption("lock/unlock", "lock/unlock");
  mContext.addOption("fold/unfold", "fold/unfold");
}

Effect::~Effect() {
  // The plugins' editors belong to the concrete effect, whose members are
  // gone by now (each left this control when it died). One that is still
  // here lives on elsewhere: it leaves without being deleted.
  for (Control* control : mAttached) detachChild(control);
}

void Effect::addPlugin(const std::string& pName, PluginBase& pPlugin) {
  std::printf("Adding %s to list of plugins\n", pName.c_str());
  std::fflush(stdout);
  for (PluginBase* plugin : mPlugin) {
    if (plugin->mName == pName) {
      ZLK_LOG("warning", "app", "Effect '%s' has two plugins named '%s'; the script holds one of them", mName.c_str(),
              pName.c_str());
    }
  }
  pPlugin.mName = pName;
  pPlugin.mEffect = this;
  mPlugin.push_back(&pPlugin);
}

void Effect::setup() {}

void Effect::setup(EffectProgressUpdate& progress) {
  progress.updateProgress(0.0f);
  setup();
  progress.updateProgress(1.0f);
}

void Effect::update(float pTime) {
  for (PluginBase* plugin : mPlugin) plugin->update(pTime);
}

std::string Effect::getScriptName() const { return "script/" + mType + "." + mName + ".xml"; }

std::string Effect::getSaveName() const { return mScriptBroken ? getScriptName() + ".new" : getScriptName(); }

// ------------------------------------------------------------ script

void Effect::load(display::DisplayGL* display) {
  mDisplay = display;
  mLoaded = true;
  mScriptBroken = false;
  mKept.reset();
  mFilename = getScriptName();
  ZLK_LOG("log", "app", "effect::load: filename: %s\n", mFilename.c_str());

  // scripts come from the working directory only, never from the data archives
  am::ArchiveManager archive;
  archive.addArchive("./");
  am::File file = archive.readFile(mFilename);
  if (file.isNull()) {
    if (!fileExists(mFilename)) {
      // a new effect: the defaults, and save creates the file
      ZLK_LOG("info", "app", "%s: There is no script; effect '%s' starts with its defaults", mFilename.c_str(),
              mName.c_str());
      return;
    }
    ZLK_LOG("error", "app", "%s: The script cannot be read; effect '%s' keeps its defaults", mFilename.c_str(),
            mName.c_str());
    mScriptBroken = true;
    return;
  }
  if (file->length > INT_MAX) {
    ZLK_LOG("error", "app", "%s: The script is too large; effect '%s' keeps its defaults", mFilename.c_str(),
            mName.c_str());
    mScriptBroken = true;
    return;
  }
  xml::XmlParser script;
  try {
    script.parse(reinterpret_cast<const char*>(file->data), static_cast<int>(file->length), mFilename);
  } catch (const Exception& e) {
    // the message names the file and the line
    ZLK_LOG("error", "app", "%s; effect '%s' keeps its defaults", e.what(), mName.c_str());
    mScriptBroken = true;
    return;
  }
  if (!applyScript(script)) mScriptBroken = true;
}

bool Effect::applyScript(const xml::XmlParser& script) {
  const std::string& root = script.getRootNode().getTag().getName();
  if (root != "effect") {
    ZLK_LOG("error", "app", "%s: The root element is <%s>, an effect script has <effect>; effect '%s' keeps its defaults",
            mFilename.c_str(), zlk_printable(root).c_str(), mName.c_str());
    return false;
  }

  xml::IteratorConst option = script.createIterator("option");
  if (++option) {
    if (option->getValueInt("inactive") != 0) setInactive(true);
    if (option->getValueInt("locked") != 0) mLocked = true;
    if (option->getValueInt("folded") != 0) mFolded = true;
  }
  xml::IteratorConst time = script.createIterator("time");
  if (++time) {
    mStart = readNumber(*time.operator->(), "start", mFilename);
    mEnd = readNumber(*time.operator->(), "end", mFilename);
  }

  // Each plugin reads the last element with its name: a later one overrides
  // an earlier one instead of adding to it.
  for (PluginBase* plugin : mPlugin) {
    xml::IteratorConst element = script.createIterator("plugin");
    xml::IteratorConst last = element;
    int count = 0;
    while (++element) {
      if (element->getValue("name") != plugin->mName) continue;
      last = element;
      ++count;
    }
    if (count == 0) continue;
    if (count > 1) {
      ZLK_LOG("warning", "app", "%s: %d plugin elements are named '%s'; the last one is used", mFilename.c_str(), count,
              plugin->mName.c_str());
    }
    plugin->load(last);
  }

  // Elements no plugin reads (a plugin renamed or gone) are kept for the next
  // save rather than dropped with the keys they hold.
  for (xml::IteratorConst element = script.createIterator("plugin"); ++element;) {
    const std::string& name = element->getValue("name");
    const bool known = std::any_of(mPlugin.begin(), mPlugin.end(),
                                   [&](const PluginBase* plugin) { return plugin->mName == name; });
    if (known) continue;
    const xml::XmlNode& node = *element.createIterator().getContext();
    if (!writesBack(node)) {
      ZLK_LOG("warning", "app", "%s: The element of plugin '%s', which effect '%s' does not have, cannot be written back "
              "as it is; it is dropped at the next save", mFilename.c_str(), name.c_str(), mName.c_str());
      continue;
    }
    if (!mKept) {
      mKept.reset(new xml::XmlParser);
      mKept->createIterator().setRoot(xml::XmlTag("kept"));
    }
    xml::Iterator into = mKept->createIterator();
    while (++into) {
    }
    copyElement(node, into);
    ZLK_LOG("log", "app", "%s: No plugin of effect '%s' is named '%s'; its element is kept as it is",
            mFilename.c_str(), mName.c_str(), name.c_str());
  }
  return true;
}

void Effect::save() {
  std::pair<std::string, std::string> unsaved;
  save(unsaved);
}

bool Effect::save(std::pair<std::string, std::string>& unsaved) {
  mFilename = getScriptName();
  if (!mLoaded) {
    // what is on disk was never read, so this effect has nothing to say about it
    ZLK_LOG("log", "app", "effect::save: %s was not loaded; left as it is\n", mFilename.c_str());
    return true;
  }
  ZLK_LOG("log", "app", "effect::save: filename: %s\n", mFilename.c_str());

  xml::XmlParser document;
  buildScript(document);

  const std::string target = getSaveName();
  if (mScriptBroken) {
    ZLK_LOG("warning", "app", "effect::save: %s could not be read at start and is kept as it is; effect '%s' is saved to %s",
            mFilename.c_str(), mName.c_str(), target.c_str());
  }
  makeParentDirectories(target);
  try {
    // beside the target and renamed over it: the previous file stays whole
    // until the new one is
    document.writeFile(target, "\t");
  } catch (const Exception& e) {
    ZLK_LOG("error", "app", "effect::save: Could not write %s (%s); the previous one is kept", target.c_str(), e.what());
    unsaved.first = target;
    document.write(unsaved.second, "\t");
    return false;
  }
  return true;
}

std::string Effect::getScriptText() {
  xml::XmlParser document;
  buildScript(document);
  std::string text;
  document.write(text, "\t");
  return text;
}

bool Effect::restoreScript(const std::string& text) {
  xml::XmlParser script;
  try {
    script.parse(text.data(), static_cast<int>(text.size()), getScriptName());
  } catch (const Exception&) {
    return false;
  }
  if (script.getRootNode().getTag().getName() != "effect") return false;
  setInactive(false);
  mLocked = false;
  mFolded = false;
  mKept.reset();
  for (PluginBase* plugin : mPlugin) plugin->clearPayload();
  applyScript(script);
  Area area = mArea;
  area.mMin.x = mStart * kUnitsPerSecond;
  area.mMax.x = mEnd * kUnitsPerSecond;
  setArea(area);
  oldWidth = -1.0f;
  updatePlugins();
  return true;
}

void Effect::buildScript(xml::XmlParser& document) {
  xml::Iterator root = document.createIterator();
  root.setRoot(xml::XmlTag("effect"));
  xml::XmlTag option("option");
  option.setValue("inactive", getInactive() ? 1 : 0);
  option.setValue("locked", mLocked ? 1 : 0);
  // only when set: a script that never folded reads as it always did
  if (mFolded) option.setValue("folded", 1);
  root.addChild(option);
  xml::XmlTag time("time");
  time.setValue("start", static_cast<double>(mStart));
  time.setValue("end", static_cast<double>(mEnd));
  root.addChild(time);
  for (PluginBase* plugin : mPlugin) {
    xml::XmlTag tag("plugin");
    tag.setValue("type", plugin->mType);
    tag.setValue("name", plugin->mName);
    root.addChild(tag);
    xml::Iterator element = root;  // the plugin may move its own copy
    plugin->save(element);
  }
  if (mKept) {
    const xml::XmlNode& kept = mKept->getRootNode();
    for (int i = 0; i < kept.getNumChildren(); ++i) copyElement(*kept.getChildren(i), root);
  }
}

// ------------------------------------------------------------ editor control

void Effect::setupControl() {
  xml::IteratorConst entry = getStyle("effect");
  if (++entry) loadStyle(entry);
  setArea(Area(0.0f, 0.0f, 0.0f, 0.0f));

  // built again from scratch when asked twice
  if (mSpacer) deleteControl(static_cast<uint32_t>(std::find(mOrder.begin(), mOrder.end(), mSpacer) - mOrder.begin()));
  for (Control* control : mAttached) detachChild(control);
  mAttached.clear();

  // Each goes to the front: the plugins in reverse order, then the spacer;
  // stacked in reverse, the spacer is on top and the plugins follow in order.
  tessel::Container* spacer = new tessel::Container;
  spacer->setCaption("hej");
  spacer->setArea(Area(0.0f, 0.0f, 200.0f, kBarHeight));
  mSpacer = spacer;
  addControl(spacer, 0);
  for (PluginBase* plugin : mPlugin) {
    Control* control = plugin->getControl();
    if (!control) continue;
    addControl(control, 0);
    mAttached.push_back(control);
  }

  Area area = getOccupiedArea();
  area.mMin.x = mStart * kUnitsPerSecond;
  area.mMax.x = mEnd * kUnitsPerSecond;
  setArea(area);
  updatePlugins();
}

bool Effect::reloadFile(const std::string& /*filename*/) { return false; }

void Effect::updatePlugins() {
  const float width = mArea.getWidth();
  for (PluginBase* plugin : mPlugin) plugin->setupControl(width, oldWidth);
  for (Control* control : mAttached) control->setVisible(!mFolded);
  const float height = mArea.getHeight();
  recalculate(true);
  relayoutParent(height);
}

void Effect::recalculate(bool reverse) {
  tessel::LayoutStack::recalculate(reverse);
  float height = kBarHeight;
  if (!mLocked && !mFolded) {
    for (Control* child : mOrder) height = std::max(height, child->getArea().mMax.y);
  }
  mArea.mMax.y = mArea.mMin.y + height;
}

void Effect::relayoutParent(float previousHeight) {
  if (mParent && mArea.getHeight() != previousHeight) mParent->setArea();
}

void Effect::setLocked(bool locked) {
  mLocked = locked;
  updatePlugins();
}

void Effect::setFolded(bool folded) {
  mFolded = folded;
  updatePlugins();
}

bool Effect::hasFoldMarker() const {
  // a short bar keeps its room for the handles
  return !mPlugin.empty() && mArea.getWidth() >= 2.0f * kHandleWidth + kMarkerSize + 16.0f;
}

Area Effect::foldMarker() const {
  const float x = mArea.mMin.x + kHandleWidth + 3.0f;
  const float y = mArea.mMin.y + (kBarHeight - kMarkerSize) / 2.0f;
  return Area(x, y, x + kMarkerSize, y + kMarkerSize);
}

void Effect::snapDrag(Area& area, bool free) const {
  const auto snap = [free](float units) { return snapToBeat(units / kUnitsPerSecond, kUnitsPerSecond, free) * kUnitsPerSecond; };
  if (mMouseOverIndex == 1) area.mMin.x = std::min(snap(area.mMin.x), area.mMax.x - kMinBarWidth);
  if (mMouseOverIndex == 3) area.mMax.x = std::max(snap(area.mMax.x), area.mMin.x + kMinBarWidth);
  if (mMouseOverIndex == 2) {
    // the start lands on a beat, else the end does
    float shift = snap(area.mMin.x) - area.mMin.x;
    if (shift == 0.0f) shift = snap(area.mMax.x) - area.mMax.x;
    if (area.mMin.x + shift < 0.0f) shift = 0.0f;
    area.mMin.x += shift;
    area.mMax.x += shift;
  }
}

Area Effect::getOccupiedArea() {
  if (mLocked || mFolded) return Area(mArea.mMin.x, mArea.mMin.y, mArea.mMax.x, mArea.mMin.y + kBarHeight);
  return mArea;
}

bool Effect::acceptEvents(tessel::Event& event) {
  return tessel::LayoutStack::acceptEvents(event) || mMouseOverIndex >= 1;
}

int Effect::handleEvent(tessel::Event& event) {
  // positions as the parent passes them, in the space of mArea
  const Vector2f pointer = event.mousePos;
  const Area bar(mArea.mMin.x, mArea.mMin.y, mArea.mMax.x, mArea.mMin.y + kBarHeight);
  const bool left = event.button == display::MOUSE_LEFT;

  if (event.type == "reset" && !mMouseDown) mMouseOverIndex = 0;
  // Before the children: the release ends the drag also when one of them
  // uses it. (The toolkit hands the release to the control pressed on,
  // wherever the mouse went.)
  if (event.type == "mouseup" && left) mMouseDown = false;

  const int used = tessel::LayoutStack::handleEvent(event);
  if (used) return used;

  if (event.type == "mousemove" && !mLocked) {
    if (mMouseDown) {
      // the pointer moves the unsnapped bar; what shows is it snapped
      Area area = mDragArea;
      oldWidth = event.ctrl() ? mArea.getWidth() : -1.0f;
      const float dx = event.mouseDelta.x * (event.shift() ? 0.1f : 1.0f);
      if (mMouseOverIndex == 1) {
        area.mMin.x -= dx;
        if (area.mMin.x > area.mMax.x - kMinBarWidth) area.mMin.x = area.mMax.x - kMinBarWidth;
        if (area.mMin.x < 0.0f) area.mMin.x = 0.0f;
      } else if (mMouseOverIndex == 2) {
        area.mMin.x -= dx;
        area.mMax.x -= dx;
        if (area.mMin.x < 0.0f) {
          area.mMax.x -= area.mMin.x;
          area.mMin.x = 0.0f;
        }
      } else if (mMouseOverIndex == 3) {
        area.mMax.x -= dx;
        if (area.mMax.x < area.mMin.x + kMinBarWidth) area.mMax.x = area.mMin.x + kMinBarWidth;
      }
      mDragArea = area;
      snapDrag(area, event.alt() || event.shift());
      setArea(area);
      mStart = mArea.mMin.x / kUnitsPerSecond;
      mEnd = mArea.mMax.x / kUnitsPerSecond;
      updatePlugins();
      // used up: a later relayout must not rescale the keys again
      oldWidth = -1.0f;
    } else if (mMouseOver) {
      mMouseOverIndex = 0;
      if (pointer.y < mArea.mMin.y + kBarHeight) {
        mMouseOverIndex = 2;
        if (Area(mArea.mMin.x, mArea.mMin.y, mArea.mMin.x + kHandleWidth, mArea.mMax.y).isInside(pointer)) {
          mMouseOverIndex = 1;
        }
        if (Area(mArea.mMax.x - kHandleWidth, mArea.mMin.y, mArea.mMax.x, mArea.mMax.y).isInside(pointer)) {
          mMouseOverIndex = 3;
        }
      }
    } else {
      mMouseOverIndex = 0;
    }
  }

  const bool onMarker = (hasFoldMarker() && foldMarker().isInside(pointer)) || (event.doubleClick && bar.isInside(pointer));
  if (event.type == "mousedown" && left && !mPlugin.empty() && onMarker) {
    setFolded(!mFolded);
    return 1;
  }
  if (event.type == "mousedown" && left && !mLocked && bar.isInside(pointer)) {
    // the part under the press, also when no move showed it before
    mMouseOverIndex = 2;
    if (pointer.x < mArea.mMin.x + kHandleWidth) mMouseOverIndex = 1;
    if (pointer.x >= mArea.mMax.x - kHandleWidth) mMouseOverIndex = 3;
    mMouseDown = true;
    mDragArea = mArea;
  }
  if (event.type == "mousedown" && event.button == display::MOUSE_RIGHT && pointer.y < mArea.mMin.y + kBarHeight) {
    if (!mContext.getParent()) mContext.setParent(this);
    mContext.setPosition(event.mousePosWorld - (getAreaWorld().mMin + getOffset()));
    setContext(&mContext);
  }
  if (event.type == "context") {
    if (event.action == "context.on/off") setInactive(!getInactive());
    if (event.action == "context.lock/unlock") setLocked(!mLocked);
    if (event.action == "context.fold/unfold") setFolded(!mFolded);
  }
  return used;
}

void Effect::draw(Area area, Area base, Area clip) {
  tessel::Render* render = getRender();
  if (!render) {
    Control::draw(area, base, clip);
    return;
  }
  const tessel::colorInfo& back = mStyle.mBack;
  const tessel::colorInfo& caption = mStyle.mCaption;
  render->setColor(caption.mBorder1, caption.mBorder2);
  render->drawBox(area);
  render->setColor(back.mBorder1, back.mBorder2);
  render->drawBorder(area);

  const Area bar(area.mMin.x, area.mMin.y, area.mMax.x, area.mMin.y + kBarHeight);
  render->setColor(back.mBorder1, back.mBorder2);
  render->drawBox(bar);
  const Area inset(bar.mMin.x + 2.0f, bar.mMin.y + 2.0f, bar.mMax.x - 2.0f, bar.mMax.y - 2.0f);
  const bool focused = mParent && mParent->getFocus() == this;
  Vector4f first = back.mColor1, second = back.mColor2;
  if (focused) first = back.mPushed1, second = back.mPushed2;
  if (getInactive()) first = back.mInactive1, second = back.mInactive2;
  if (mLocked) first = caption.mInactive1, second = caption.mInactive2;
  render->setColor(first, second);
  render->drawBox(inset);
  if (mMouseOverIndex == 2) {
    render->setColor(mMouseDown ? back.mPushed1 : back.mHighlight1, mMouseDown ? back.mPushed2 : back.mHighlight2);
    render->drawBox(inset);
  }

  const auto handle = [&](int index, float x0) {
    const Area box(x0 + 1.0f, inset.mMin.y + 1.0f, x0 + kHandleWidth - 1.0f, inset.mMax.y - 1.0f);
    if (mMouseOverIndex == index) {
      render->setColor(mMouseDown ? caption.mPushed1 : caption.mHighlight1,
                       mMouseDown ? caption.mPushed2 : caption.mHighlight2);
    } else {
      render->setColor(caption.mColor1, caption.mColor2);
    }
    render->drawBox(box);
  };
  handle(1, inset.mMin.x);
  handle(3, inset.mMax.x - kHandleWidth);
  if (hasFoldMarker()) {
    // right when folded, down when open
    render->setColor(mStyle.mText.mColor1);
    render->drawCircle(foldMarker() + (area.mMin - mArea.mMin), 3, mFolded ? 0.25f : 0.0f);
  }

  const float length = render->getTextLength(mName);
  float x = std::floor(area.getCenter().x - length / 2.0f);
  if (x + length > clip.mMax.x) x = std::floor(clip.mMax.x - length);
  const float y = std::floor(bar.mMin.y + (kBarHeight - render->getFontHeight()) / 2.0f);
  render->setColor(focused && mMouseOverIndex != 2 ? mStyle.mText.mPushed1 : mStyle.mText.mColor1);
  render->setAlign(tessel::Render::ALIGN_LEFT);
  render->drawText(Vector2f(x, y), mName);

  Control::draw(area, base, clip);
}

}  // namespace kindra
}  // namespace zelkor
