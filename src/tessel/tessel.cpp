#include "tessel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "am.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "tes_render.h"
#include "tes_workspace.h"
#include "xml_parser.h"
#include "zlk_system.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
const char* const kDefaultFont = "fonthelvete2.png";

// Reads a file through the display's archives; false when there is none.
bool readThroughArchive(display::DisplayGL* pDisplay, const std::string& name, am::File& file) {
  am::ArchiveManager* archive = pDisplay ? pDisplay->getArchive() : nullptr;
  if (!archive) return false;
  file = archive->readFile(name);
  return !file.isNull() && (file->data || file->length == 0);
}

void parseFile(xml::XmlParser& parser, const am::File& file, const std::string& name) {
  if (file->length > std::numeric_limits<int>::max()) throw Exception("%s: file too large", name.c_str());
  parser.parse(reinterpret_cast<const char*>(file->data), static_cast<int>(file->length), name);
}
}  // namespace

Tessel::Tessel(display::DisplayGL* pDisplay)
    : display::Listener(pDisplay),
      mWorkspace(new Workspace),
      mPanOn(false),
      mZoom(1.0f),
      mZoom_w(1.0f),
      mZoom_h(1.0f),
      mHasLastMouse(false) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  mCamera.setIdentity();
  mWorkspace->setDisplay(pDisplay);
  mWorkspace->getRender()->setup(pDisplay, std::string());
  const Vector2f size = getSize();
  mWorkspace->setArea(Area(0.0f, 0.0f, size.x, size.y));
  ControlFactory::registerStandardTypes();
}

Tessel::~Tessel() {
  // a device that went first has taken the font's texture with it
  if (!display) mWorkspace->getRender()->abandonFont();
  delete mWorkspace;
}

Vector2f Tessel::getSize() const {
  if (!display) return Vector2f(0.0f, 0.0f);
  const display::WindowMode& mode = display->getWindowMode();
  return Vector2f(static_cast<float>(mode.width), static_cast<float>(mode.height));
}

void Tessel::convertMousePos(Event& event) const {
  event.mousePos += mPan;
  event.mousePosWorld = event.mousePos;
}

int Tessel::dispatch(Event& event, const display::Event& source, const char* type) {
  event.mousePos = source.mousePos;
  event.mousePosUnit = source.mousePosUnit;
  event.mouseWheel = source.mouseWheel;
  event.control = source.control;
  event.type = type;
  convertMousePos(event);
  if (display) display->setDirty(true);
  return mWorkspace->handleEvent(event) ? BLOCK : WHATEVER;
}

namespace {
Event buttonEvent(const display::MouseButtonEvent& e) {
  Event event;
  event.button = e.button;
  event.doubleClick = e.doubleClick;
  return event;
}

Event moveEvent(const display::MouseMoveEvent& e) {
  Event event;
  event.mouseDelta = e.mouseDelta;
  event.mouseDeltaWheel = e.mouseDeltaWheel;
  return event;
}

Event keyEvent(const display::KeyEvent& e) {
  Event event;
  event.key = e.key;
  return event;
}

Event charEvent(const display::CharEvent& e) {
  Event event;
  event.keyChar = e.key;
  return event;
}
}  // namespace

int Tessel::onMouseUp(const display::MouseButtonEvent& e) {
  Event event = buttonEvent(e);
  return dispatch(event, e, "mouseup");
}

int Tessel::onMouseDown(const display::MouseButtonEvent& e) {
  Event event = buttonEvent(e);
  return dispatch(event, e, "mousedown");
}

int Tessel::onMouseMove(const display::MouseMoveEvent& e) {
  const Vector2f whole(std::floor(e.mousePos.x), std::floor(e.mousePos.y));
  if (mHasLastMouse && whole == mLastMouse) return WHATEVER;
  mHasLastMouse = true;
  mLastMouse = whole;
  if (mPanOn) mPan += e.mouseDelta;
  Event event = moveEvent(e);
  return dispatch(event, e, "mousemove");
}

int Tessel::onMouseWheel(const display::MouseMoveEvent& e) {
  Event event = moveEvent(e);
  return dispatch(event, e, "mousewheel");
}

int Tessel::onKeyDown(const display::KeyEvent& e) {
  Event event = keyEvent(e);
  return dispatch(event, e, "keydown");
}

int Tessel::onKeyUp(const display::KeyEvent& e) {
  Event event = keyEvent(e);
  return dispatch(event, e, "keyup");
}

int Tessel::onCharDown(const display::CharEvent& e) {
  Event event = charEvent(e);
  return dispatch(event, e, "keychardown");
}

int Tessel::onCharUp(const display::CharEvent& e) {
  Event event = charEvent(e);
  return dispatch(event, e, "keycharup");
}

void Tessel::onDraw() {
  Render* render = mWorkspace->getRender();
  render->setupDraw(getSize(), mPan, mZoom);
  mWorkspace->draw();
  render->flush();
}

void Tessel::onResize(int oldWidth, int oldHeight) {
  // the listener hears the old size; the new one is the display's
  Vector2f size = getSize();
  if (!display) size = Vector2f(static_cast<float>(oldWidth), static_cast<float>(oldHeight));
  mWorkspace->setArea(Area(0.0f, 0.0f, size.x, size.y));
  mWorkspace->setMaximized(mWorkspace->getMaximized());
}

void Tessel::addControl(Control* control) { mWorkspace->addControl(control, -1); }

Control* Tessel::findControl(const std::string& id) { return mWorkspace->findControl(id); }

void Tessel::loadStyleFile(const std::string& name) {
  am::File file;
  if (!readThroughArchive(display, name, file)) {
    std::printf("Tessel::load: Warning: Style not found!\n");
    std::fflush(stdout);
    ZLK_LOG("warning", "app", "Style file '%s' not found; no styles", name.c_str());
    mWorkspace->loadStyle(nullptr);
    return;
  }
  xml::XmlParser* parser = new xml::XmlParser;
  try {
    parseFile(*parser, file, name);
  } catch (const Exception&) {
    // already logged with the file and the place
    delete parser;
    ZLK_LOG("warning", "app", "Style file '%s' cannot be read; no styles", name.c_str());
    mWorkspace->loadStyle(nullptr);
    return;
  }
  if (parser->getRootNode().getTag().getName() != "tessel") {
    ZLK_LOG("warning", "app", "%s: root element is <%s>, not <tessel>; no styles", name.c_str(),
            parser->getRootNode().getTag().getName().c_str());
    delete parser;
    mWorkspace->loadStyle(nullptr);
    return;
  }
  mWorkspace->loadStyle(parser, name);
}

void Tessel::load(const std::string& name) {
  am::File file;
  if (!readThroughArchive(display, name, file)) throw Exception("Could not find the file '%s'.", name.c_str());
  xml::XmlParser parser;
  parseFile(parser, file, name);
  const std::string& root = parser.getRootNode().getTag().getName();
  if (root != "tessel") {
    ZLK_LOG("warning", "app", "%s: root element is <%s>, not <tessel>; nothing loaded", name.c_str(), root.c_str());
    return;
  }
  LoadSource source(name);
  xml::IteratorConst it = parser.createIterator("workspace");
  while (++it) {
    if (it->hasValue("style")) loadStyleFile(it->getValue("style"));
    mWorkspace->getRender()->setup(display, it->hasValue("font") ? it->getValue("font") : kDefaultFont);
    mWorkspace->load(it);
  }
  mWorkspace->setArea(mWorkspace->getArea());
}

}  // namespace tessel
}  // namespace zelkor
