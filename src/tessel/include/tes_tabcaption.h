#pragma once
// The tab strip of a tab view: one tab per page of its frame; clicking a tab
// shows that page and hides the others.

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Frame;

class TabCaption : public Control {
 public:
  TabCaption();
  Control* clone() const override { return new TabCaption; }
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  // The control whose children are the pages.
  virtual void setTabFrame(Frame* frame);

  // Shows page `index` (in insertion order) and hides the others.
  void select(int index);
  int getSelected() const { return mPushedIndex; }
  int getPageCount();
  // The tab under a world position, or -1.
  int tabAt(const mathbase::Vector2f& world);
  // Tab `index` in world space.
  Area getTabArea(int index);

  Frame* mTabFrame;
  int mPushedIndex;     // the page shown
  int mHighlightIndex;  // the tab under the mouse, or -1
};

}  // namespace tessel
}  // namespace zelkor
