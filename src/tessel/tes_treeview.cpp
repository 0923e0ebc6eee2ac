#include "tes_treeview.h"

#include <algorithm>
#include <cmath>

#include "tes_paint.h"
#include "xml_tag.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;

namespace {
const float kIndent = 14.0f;
const int kMaxDepth = 64;
const float kWheelRows = 3.0f;

bool inSubtree(TreeView::Node* tree, TreeView::Node* node) {
  for (TreeView::Node* n = node; n; n = n->parent) {
    if (n == tree) return true;
  }
  return false;
}
}  // namespace

TreeView::Node::~Node() {
  for (Node* child : node) delete child;
}

TreeView::TreeView() : mSelected(nullptr), mCurrentOffset(0.0f), mCurrentLine(0), mRowHeight(0.0f), mHitLine(-1) {
  mType = "treeview";
}

TreeView::~TreeView() {}

void TreeView::load(xml::IteratorConst& it) {
  Control::load(it);
  const xml::XmlTag& tag = *it.operator->();
  float size = 0.0f;
  if (readNumber(tag, "size", size, describeTag(tag))) mRowHeight = std::max(size, 0.0f);
  xml::IteratorConst items = it.createIterator("item");
  loadItems(items, &mRootNode, 0);
}

void TreeView::loadItems(xml::IteratorConst& items, Node* into, int depth) {
  while (++items) {
    const xml::XmlTag& item = *items.operator->();
    if (depth >= kMaxDepth) {
      loadWarning(describeTag(item), "tree nested deeper than %d levels; not read", kMaxDepth);
      return;
    }
    const std::string id = item.getValue("id");
    Node* node = addNode(into, id, item.hasValue("text") ? item.getValue("text") : id);
    node->folded = item.getValue("folded") == "true";
    xml::IteratorConst sub = items.createIterator("item");
    loadItems(sub, node, depth + 1);
  }
}

TreeView::Node* TreeView::addNode(Node* parent, const std::string& id, const std::string& text) {
  if (!parent) parent = &mRootNode;
  Node* node = new Node;
  node->id = id;
  node->text = text;
  node->parent = parent;
  parent->node.push_back(node);
  return node;
}

void TreeView::removeNode(Node* node) {
  if (!node || node == &mRootNode || !node->parent) return;
  if (inSubtree(node, mSelected)) mSelected = nullptr;
  std::vector<Node*>& siblings = node->parent->node;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
  delete node;
  clampScroll();
}

TreeView::Node* TreeView::findNode(const std::string& id) {
  std::vector<Node*> pending(mRootNode.node.rbegin(), mRootNode.node.rend());
  while (!pending.empty()) {
    Node* node = pending.back();
    pending.pop_back();
    if (node->id == id) return node;
    pending.insert(pending.end(), node->node.rbegin(), node->node.rend());
  }
  return nullptr;
}

float TreeView::getRowHeight() { return mRowHeight > 0.0f ? mRowHeight : rowHeight(getRender()); }

int TreeView::countRows(Node* node) {
  int rows = node == &mRootNode ? 0 : 1;
  if (!node->folded) {
    for (Node* child : node->node) rows += countRows(child);
  }
  node->height = rows;
  return rows;
}

int TreeView::getVisibleRows() { return countRows(&mRootNode); }

void TreeView::clampScroll() {
  const float total = static_cast<float>(getVisibleRows()) * getRowHeight();
  mCurrentOffset = clampValue(mCurrentOffset, 0.0f, std::max(0.0f, total - mArea.getHeight()));
}

int TreeView::handleEventNode(Node* node, Event& event, int depth) {
  if (node != &mRootNode) {
    if (mCurrentLine == mHitLine) {
      const float local = event.mousePosWorld.x - getAreaWorld().mMin.x;
      const float marker = static_cast<float>(depth) * kIndent;
      const bool onMarker = local >= marker && local < marker + kIndent;
      // the marker folds at every click, the row at a double click
      if (!node->node.empty() && (onMarker || event.doubleClick)) {
        node->folded = !node->folded;
        clampScroll();
      }
      if (!onMarker || node->node.empty()) {
        mSelected = node;
        sendAction(ACTION_TREEVIEW_CHANGED);
      }
      return 1;
    }
    ++mCurrentLine;
    if (node->folded) return 0;
  }
  for (Node* child : std::vector<Node*>(node->node)) {
    if (handleEventNode(child, event, node == &mRootNode ? depth : depth + 1)) return 1;
  }
  return 0;
}

int TreeView::handleEvent(Event& event) {
  const int used = Control::handleEvent(event);
  if (mInactive) return used;
  if (event.type == "mousedown" && event.button == display::MOUSE_LEFT && isMouseInside(event)) {
    const float y = event.mousePosWorld.y - getAreaWorld().mMin.y + mCurrentOffset;
    mHitLine = static_cast<int>(std::floor(y / getRowHeight()));
    mCurrentLine = 0;
    handleEventNode(&mRootNode, event, 0);
    return 1;
  }
  if (event.type == "mousewheel" && event.mouseDeltaWheel != 0.0f && isMouseInside(event)) {
    const float before = mCurrentOffset;
    mCurrentOffset -= event.mouseDeltaWheel * kWheelRows * getRowHeight();
    clampScroll();
    return mCurrentOffset != before ? 1 : used;
  }
  return used;
}

void TreeView::drawNode(Node* node, int depth) {
  Render* render = getRender();
  if (node != &mRootNode) {
    const float h = getRowHeight();
    const float top = mDrawArea.mMin.y + static_cast<float>(mCurrentLine) * h - mCurrentOffset;
    ++mCurrentLine;
    if (top + h >= mDrawArea.mMin.y && top < mDrawArea.mMax.y) {
      const Area row(mDrawArea.mMin.x, top, mDrawArea.mMax.x, top + h);
      if (node == mSelected) {
        setColors(*render, mStyle.mBack, PAINT_PUSHED);
        render->drawBox(row);
      }
      const float x = mDrawArea.mMin.x + static_cast<float>(depth) * kIndent;
      const mathbase::Vector4f& ink = firstColor(mStyle.mText, mInactive ? PAINT_INACTIVE : node == mSelected ? PAINT_HIGHLIGHT : PAINT_NORMAL);
      render->setColor(ink, ink);
      if (!node->node.empty()) {
        // a triangle: right when folded, down when open
        const float cx = std::floor(x + kIndent / 2.0f) + 0.5f;
        const float cy = std::floor(row.getCenter().y) + 0.5f;
        for (int i = 0; i < 4; ++i) {
          const float d = static_cast<float>(i);
          const float half = 3.5f - d;
          if (node->folded) {
            render->drawLine(Vector2f(cx - 2.0f + d, cy - half), Vector2f(cx - 2.0f + d, cy + half));
          } else {
            render->drawLine(Vector2f(cx - half, cy - 2.0f + d), Vector2f(cx + half, cy - 2.0f + d));
          }
        }
      }
      render->setColor(ink);
      drawTextCentred(*render, row, x + kIndent + 2.0f, node->text, Render::ALIGN_LEFT);
    }
    if (node->folded) return;
  }
  for (Node* child : node->node) drawNode(child, node == &mRootNode ? depth : depth + 1);
}

void TreeView::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) {
    drawPlate(*render, mStyle.mBack, area, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
    clampScroll();
    mDrawArea = area;
    mCurrentLine = 0;
    drawNode(&mRootNode, 0);
  }
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
