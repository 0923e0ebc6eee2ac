#include "tes_context.h"

#include <algorithm>
#include <cmath>

#include "tes_render.h"
#include "tes_workspace.h"
#include "xml_tag.h"
#include "zlk_system.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using xml::IteratorConst;
using xml::XmlTag;

namespace {
// Nested "item" tags deeper than this are not read (sub-menus of sub-menus...).
const int kMaxItemDepth = 16;
const float kArrowSpace = 14.0f;
const float kMarkSpace = 12.0f;
}  // namespace

Context::Context()
    : mBorder(2.0f),
      mUnfoldSpace(1.0f),
      mRowSpacing(4.0f),
      mFixedWidth(0.0f),
      mSelected(-1),
      mExpanded(false),
      mHighlighted(false),
      mStyleLoaded(false) {
  mType = "context";
}

Context::~Context() {
  if (Workspace* workspace = dynamic_cast<Workspace*>(getRoot())) {
    if (workspace->getContext() == this) workspace->resetContext();
  }
  deleteOptions();
}

void Context::load(IteratorConst& it) {
  Control::load(it);
  // the caption prefixes what the menu reports
  if (it->hasValue("caption")) mCaption = it->getValue("caption");
  IteratorConst items = it.createIterator("item");
  loadItems(items, this, 0);
}

void Context::loadItems(IteratorConst& items, Context* into, int depth) {
  while (++items) {
    const XmlTag& item = *items.operator->();
    const std::string element = describeTag(*items.operator->());
    if (depth >= kMaxItemDepth) {
      loadWarning(element, "menu nested deeper than %d levels; not read", kMaxItemDepth);
      return;
    }
    std::string caption = item.getValue("caption");
    std::string name = item.hasValue("name") ? item.getValue("name") : caption;
    if (caption.empty() && name.empty()) {
      loadWarning(element, "item without \"caption\"; skipped");
      continue;
    }
    if (caption.empty()) {
      loadWarning(element, "item without \"caption\"; shown as its name");
      caption = name;
    }
    Context* option = into->addOption(name, caption);
    IteratorConst sub = items.createIterator("item");
    loadItems(sub, option, depth + 1);
  }
}

void Context::loadStyle(IteratorConst& it) {
  Control::loadStyle(it);
  mStyleLoaded = true;
}

Context* Context::addOption(const std::string& name, const std::string& caption) {
  Context* option = new Context;
  option->mId = name;
  option->mCaption = caption;
  option->mStyle = mStyle;
  option->mStyleLoaded = mStyleLoaded;
  // not a child: options take no focus and are drawn by their menu
  option->setParent(this);
  mOption.push_back(option);
  return option;
}

void Context::setOption(const std::string& name, const std::string& caption) {
  if (Context* option = findOption(name)) {
    option->mCaption = caption;
  } else {
    addOption(name, caption);
  }
}

void Context::deleteOptions() {
  std::vector<Context*> options;
  options.swap(mOption);
  mSelected = -1;
  for (Context* option : options) {
    option->mParent = nullptr;
    delete option;
  }
}

void Context::setHighlight(const std::string& name, bool highlighted) {
  if (Context* option = findOption(name)) option->mHighlighted = highlighted;
}

void Context::setFixedWidth(float width) { mFixedWidth = width; }

Context* Context::getOption(uint32_t index) { return index < mOption.size() ? mOption[index] : nullptr; }

Context* Context::findOption(const std::string& name) {
  for (Context* option : mOption) {
    if (option->getName() == name) return option;
  }
  return nullptr;
}

void Context::resize(const Vector2f& offset) {
  const Vector2f origin = mArea.mMin + offset;
  mArea = Area(origin, origin);
  layoutPanel(Vector2f(0.0f, 0.0f));
  mArea.mMax = origin + mPanel.mMax;
  // keep a root menu inside the window when it fits
  Render* render = getRender();
  if (render && dynamic_cast<Context*>(mParent) == nullptr) {
    const Vector2f window = render->getWindowSize();
    const Area world = getAreaWorld();
    Vector2f shift(0.0f, 0.0f);
    if (world.mMax.x > window.x && world.getWidth() <= window.x) shift.x = window.x - world.mMax.x;
    if (world.mMax.y > window.y && world.getHeight() <= window.y) shift.y = window.y - world.mMax.y;
    if (world.mMin.x + shift.x < 0.0f) shift.x = -world.mMin.x;
    if (world.mMin.y + shift.y < 0.0f) shift.y = -world.mMin.y;
    mArea += shift;
  }
}

void Context::layoutPanel(const Vector2f& panelMin) {
  Render* render = getRender();
  const float fontHeight = render ? render->getFontHeight() : 12.0f;
  const float rowHeight = std::floor(fontHeight + mRowSpacing);
  float width = 0.0f;
  bool anySub = false;
  for (Context* option : mOption) {
    const float length = render ? render->getTextLength(option->getCaption()) : 8.0f * option->getCaption().size();
    width = std::max(width, length);
    anySub = anySub || option->hasOptions();
  }
  width = std::ceil(width + 2.0f * mBorder + 2.0f * mRowSpacing + kMarkSpace + (anySub ? kArrowSpace : 0.0f));
  if (mFixedWidth > 0.0f) width = mFixedWidth;
  const float height = static_cast<float>(mOption.size()) * rowHeight + 2.0f * mBorder;
  mPanel = Area(panelMin, panelMin + Vector2f(width, height));

  for (size_t i = 0; i < mOption.size(); ++i) {
    Context* option = mOption[i];
    const float top = panelMin.y + mBorder + static_cast<float>(i) * rowHeight;
    option->mArea = Area(panelMin.x + mBorder, top, panelMin.x + width - mBorder, top + rowHeight);
    if (option->hasOptions()) {
      // the sub-menu opens beside the panel, its first row level with the option
      const Vector2f subMin(panelMin.x + width + mUnfoldSpace - option->mArea.mMin.x, -option->mBorder);
      option->layoutPanel(subMin);
    }
  }
}

Context* Context::outermost() {
  Context* c = this;
  while (Context* up = dynamic_cast<Context*>(c->mParent)) c = up;
  return c;
}

Context* Context::findOptionAt(const Vector2f& world) {
  const Vector2f origin = getAreaWorld().mMin;
  // open sub-menus lie on top
  for (Context* option : mOption) {
    if (option->mExpanded && option->hasOptions()) {
      if (Context* found = option->findOptionAt(world)) return found;
    }
  }
  if (!(mPanel + origin).isInside(world)) return nullptr;
  for (Context* option : mOption) {
    if ((option->getArea() + origin).isInside(world)) return option;
  }
  return nullptr;
}

bool Context::isOnMenu(const Vector2f& world) {
  if (hasOptions() && (mPanel + getAreaWorld().mMin).isInside(world)) return true;
  for (Context* option : mOption) {
    if (option->mExpanded && option->isOnMenu(world)) return true;
  }
  return false;
}

void Context::collapse() {
  mSelected = -1;
  mExpanded = false;
  for (Context* option : mOption) option->collapse();
}

bool Context::acceptEvents(Event& event) {
  Workspace* workspace = dynamic_cast<Workspace*>(getRoot());
  if (workspace && workspace->getContext() == this) return isOnMenu(event.mousePosWorld);
  return Control::acceptEvents(event);
}

int Context::handleEvent(Event& event) {
  if (!event.isMouseEvent()) return 0;
  Context* hovered = findOptionAt(event.mousePosWorld);

  if (event.type == "mousemove") {
    if (hovered) {
      Context* menu = static_cast<Context*>(hovered->mParent);
      const auto place = std::find(menu->mOption.begin(), menu->mOption.end(), hovered);
      menu->mSelected = static_cast<int>(place - menu->mOption.begin());
      // unfold the hovered option's sub-menu, fold its siblings'
      for (Context* sibling : menu->mOption) {
        if (sibling != hovered && sibling->mExpanded) sibling->collapse();
      }
      hovered->mExpanded = hovered->hasOptions();
    } else if (!isOnMenu(event.mousePosWorld)) {
      // off the menu: keep what is unfolded, drop the row marks
      for (Context* c = this; c;) {
        c->mSelected = -1;
        Context* next = nullptr;
        for (Context* option : c->mOption) {
          if (option->mExpanded) next = option;
        }
        c = next;
      }
    }
    return isOnMenu(event.mousePosWorld) ? 1 : 0;
  }

  if (event.type == "mouseup" && event.button == display::MOUSE_LEFT && hovered && !hovered->hasOptions() &&
      !hovered->getInactive()) {
    Context* menu = static_cast<Context*>(hovered->mParent);
    Event pick = event;
    pick.type = "context";
    pick.action = hovered->getName();
    // closed before reporting: the report may open another menu
    Workspace* workspace = dynamic_cast<Workspace*>(getRoot());
    if (workspace && workspace->getContext() == outermost()) workspace->resetContext();
    menu->sendContextEvent(pick);
    return 1;
  }
  return isOnMenu(event.mousePosWorld) ? 1 : 0;
}

void Context::sendContextEvent(Event& event) {
  if (!mCaption.empty()) event.action = mCaption + "." + event.action;
  if (Context* up = dynamic_cast<Context*>(mParent)) {
    up->sendContextEvent(event);
    return;
  }
  if (!mParent) return;
  Control* owner = mParent;
  owner->handleEvent(event);
  owner->sendContextAction(this, event.action);
}

void Context::draw(Area, Area, Area clip) {
  Render* render = getRender();
  if (!render || !hasOptions()) return;
  // captions may have changed since the menu was opened
  if (outermost() == this) layoutPanel(mPanel.mMin);
  render->setClipArea(clip);
  drawPanel(*render, outermost()->mStyle);
  render->setClipArea(clip);
}

void Context::drawPanel(Render& render, const style& colors) {
  const Vector2f origin = getAreaWorld().mMin;
  const Area panel = mPanel + origin;
  render.setColor(colors.mBack.mColor1, colors.mBack.mColor2);
  render.drawBox(panel);
  render.setColor(colors.mBack.mBorder1, colors.mBack.mBorder2);
  render.drawBorder(panel);

  const float fontHeight = render.getFontHeight();
  for (size_t i = 0; i < mOption.size(); ++i) {
    Context* option = mOption[i];
    const Area row = option->getArea() + origin;
    const bool selected = static_cast<int>(i) == mSelected || option->mExpanded;
    if (selected) {
      render.setColor(colors.mBack.mHighlight1, colors.mBack.mHighlight2);
      render.drawBox(row);
    }
    const colorInfo& text = colors.mText;
    const mathbase::Vector4f& ink = option->getInactive() ? text.mInactive1 : selected ? text.mHighlight1 : text.mColor1;
    render.setColor(ink);
    const float textTop = std::floor(row.mMin.y + (row.getHeight() - fontHeight) * 0.5f);
    if (option->mHighlighted) {
      render.drawCircle(Area(row.mMin.x + 3.0f, row.getCenter().y - 3.0f, row.mMin.x + 9.0f, row.getCenter().y + 3.0f));
    }
    render.setAlign(Render::ALIGN_LEFT);
    render.drawText(Vector2f(row.mMin.x + mRowSpacing + kMarkSpace, textTop), option->getCaption());
    if (option->hasOptions()) {
      const float cx = row.mMax.x - 8.0f;
      const float cy = row.getCenter().y;
      render.drawLine(Vector2f(cx - 2.0f, cy - 4.0f), Vector2f(cx + 2.0f, cy));
      render.drawLine(Vector2f(cx + 2.0f, cy), Vector2f(cx - 2.0f, cy + 4.0f));
    }
  }
  for (Context* option : mOption) {
    if (option->mExpanded && option->hasOptions()) option->drawPanel(render, colors);
  }
}

}  // namespace tessel
}  // namespace zelkor
