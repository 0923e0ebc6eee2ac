#include "tes_workspace.h"

#include "dis_display.h"
#include "tes_context.h"
#include "tes_render.h"
#include "xml_node.h"
#include "xml_parser.h"

namespace zelkor {
namespace tessel {

namespace {
const Area kEverything(0.0f, 0.0f, 10000.0f, 10000.0f);

// Stands just before a known child, so the first step lands on it.
class IteratorAt : public xml::IteratorConst {
 public:
  IteratorAt(const xml::XmlNode* node, const std::string& criteria, int index) : IteratorConst(node, criteria) {
    currentChild = index - 1;
  }
};
}  // namespace

Workspace::Workspace()
    : mDisplay(nullptr), mRender(new Render), mContext(nullptr), mContextFirst(false), mStyleTag(nullptr) {
  mType = "workspace";
}

Workspace::~Workspace() {
  mContext = nullptr;
  // the children go while the workspace is whole: their menus may ask for it
  deleteControls();
  delete mStyleTag;
  delete mRender;
}

display::DisplayGL* Workspace::getDisplay() {
  // a workspace nested in a tree draws with the tree's display
  if (mParent) return mParent->getDisplay();
  return mDisplay;
}

xml::IteratorConst Workspace::getStyle(const std::string& name) {
  if (mParent) return Control::getStyle(name);
  const auto entry = mStyleIndex.find(name);
  if (!mStyleTag || entry == mStyleIndex.end()) return xml::IteratorConst(nullptr, name);
  return IteratorAt(&mStyleTag->getRootNode(), name, entry->second);
}

void Workspace::setMaximized(bool maximized) {
  mMaximized = maximized;
  if (!maximized) return;
  if (mParent) {
    Control::setMaximized(maximized);
  } else if (mDisplay) {
    const display::WindowMode& mode = mDisplay->getWindowMode();
    setArea(Area(0.0f, 0.0f, static_cast<float>(mode.width), static_cast<float>(mode.height)));
  }
}

int Workspace::handleEvent(Event& event) {
  if (!mVisible) return 0;
  if (mContext) {
    Context* menu = mContext;
    const bool fromMenuBar = menu->getParent() && menu->getParent()->getType() == "menubar";
    Event forMenu = event;
    const int used = menu->handleEvent(forMenu);
    if (mContext && event.type == "mouseup" && event.button == display::MOUSE_LEFT) {
      if (mContextFirst) {
        mContextFirst = false;
      } else {
        resetContext();
      }
    }
    if (!fromMenuBar) {
      // the press that opened the menu ends with this release
      if (event.type == "mouseup") releaseCapture();
      // an open menu is modal for the mouse; keys go on to whoever wants them
      return event.isMouseEvent() ? 1 : used;
    }
    // what lands on the open menu is the menu's alone
    if (used) {
      if (event.type == "mouseup") releaseCapture();
      return used;
    }
    return Control::handleEvent(event);
  }
  return Control::handleEvent(event);
}

Render* Workspace::getRender() {
  if (mParent) return Control::getRender();
  return mRender;
}

void Workspace::setContext(Context* context) {
  if (!context) return;
  if (mParent) {
    Control::setContext(context);
    return;
  }
  if (!context->getParent()) context->setParent(this);
  if (mContext && mContext != context) mContext->collapse();
  mContext = context;
  if (!context->mStyleLoaded) {
    // menus built in code take the style file's colours
    xml::IteratorConst entry = getStyle(context->getType());
    if (++entry) context->loadStyle(entry);
  }
  context->resize(mathbase::Vector2f(0.0f, 0.0f));
  mContextFirst = true;
}

void Workspace::resetContext() {
  if (mParent) {
    Control::resetContext();
    return;
  }
  if (mContext) mContext->collapse();
  mContext = nullptr;
  mContextFirst = false;
}

void Workspace::loadStyle(xml::XmlParser* styleTag, const std::string& file) {
  if (styleTag != mStyleTag) delete mStyleTag;
  mStyleTag = styleTag;
  mStyleFile = styleTag ? file : std::string();
  // every control loaded asks for its entries: find them without a scan
  mStyleIndex.clear();
  if (!styleTag) return;
  const xml::XmlNode& root = styleTag->getRootNode();
  for (int i = 0; i < root.getNumChildren(); ++i) {
    const xml::XmlTag& tag = root.getChildren(i)->getTag();
    if (tag.getType() == xml::XmlTag::NORMAL) mStyleIndex.emplace(tag.getName(), i);
  }
}

void Workspace::draw() {
  if (!mVisible) return;
  Control::draw(kEverything, kEverything, kEverything);
  if (mContext && mRender) {
    mRender->setClipArea(kEverything);
    const mathbase::Vector2f size = mRender->getWindowSize();
    mContext->draw(mContext->getArea(), kEverything, Area(0.0f, 0.0f, size.x, size.y));
  }
  if (mRender) mRender->flush();
}

}  // namespace tessel
}  // namespace zelkor
