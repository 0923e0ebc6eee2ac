#pragma once
// A tree of items in rows: a node with children folds and unfolds at its
// marker; clicking a node selects it and reports ACTION_TREEVIEW_CHANGED.

#include <string>
#include <vector>

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class TreeView : public Control {
 public:
  struct Node {
    Node() : folded(false), height(0), parent(nullptr) {}
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    std::string id;
    std::string text;
    bool folded;
    int height;  // rows the node shows, itself included (set while drawing and handling)
    std::vector<Node*> node;  // owned children
    Node* parent;
  };

  TreeView();
  ~TreeView() override;
  Control* clone() const override { return new TreeView; }
  // Base attributes, then nested "item" sub-tags with "id", "text" (and
  // "folded" = "true"), and "size": the row height in pixels.
  void load(xml::IteratorConst& it) override;
  // A left press on a node's marker folds or unfolds it, elsewhere on its
  // row selects it (and reports); a double click also folds; the wheel
  // scrolls rows that do not fit.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // A new node under `parent` (null: the top level).
  virtual Node* addNode(Node* parent, const std::string& id, const std::string& text);
  // Deletes the node and its subtree; the selection is cleared when it was inside.
  virtual void removeNode(Node* node);
  virtual Node* getSelected() const { return mSelected; }
  // Handles a click for `node`'s subtree at `depth`; 1 when a row was hit.
  virtual int handleEventNode(Node* node, Event& event, int depth);
  // Draws `node`'s subtree at `depth`.
  virtual void drawNode(Node* node, int depth);

  Node* getRootNode() { return &mRootNode; }
  // Depth first, the first node with that id, or null.
  Node* findNode(const std::string& id);
  void setSelected(Node* node) { mSelected = node; }
  float getRowHeight();
  // Rows shown (unfolded nodes).
  int getVisibleRows();
  float getScroll() const { return mCurrentOffset; }

  Node mRootNode;        // invisible: its children are the top level
  Node* mSelected;
  float mCurrentOffset;  // pixels scrolled down
  int mCurrentLine;      // running row number while walking the tree
  float mRowHeight;      // 0: fitted to the font

 private:
  void loadItems(xml::IteratorConst& items, Node* into, int depth);
  int countRows(Node* node);
  void clampScroll();
  Area mDrawArea;  // world area while drawing
  int mHitLine;    // row of the event being handled
};

}  // namespace tessel
}  // namespace zelkor
