#pragma once
// Scroll bars around content: the children live in an inner frame that shows
// the part of them the scroll position selects.

#include "mb_vector2.h"
#include "tes_control.h"
#include "tes_innercontent.h"

namespace zelkor {
namespace tessel {

// The scrolled frame of a scroll-bar control (internal part).
class ScrollbarsFrame : public Control {
 public:
  ScrollbarsFrame();
  Control* clone() const override { return new ScrollbarsFrame; }
};

class Scrollbars : public InnerContent<Control> {
 public:
  Scrollbars();
  Control* clone() const override { return new Scrollbars; }
  // Base attributes, then "direction": "horisontal" or "vertical" shows only
  // that bar; without it both show.
  void load(xml::IteratorConst& it) override;
  // Places the frame and the bars; a change of size reports
  // ACTION_WINDOW_RESIZE.
  void setArea() override;
  using Control::setArea;
  // Dragging a bar's handle, pressing on a bar beside it (a page) and the
  // wheel over the content (Shift: across) scroll; every change reports
  // ACTION_SCROLL_CHANGED.
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // ---- appended
  const mathbase::Vector2f& getScrollPosition() const { return mScrollPosition; }
  // Scrolls (limited to the range) without reporting; true when it moved.
  bool setScrollPosition(mathbase::Vector2f position);
  // How far the content can scroll on each axis.
  mathbase::Vector2f getScrollRange();
  // The content's size: from the frame's origin to the far edge of its children.
  mathbase::Vector2f getContentSize();
  ScrollbarsFrame* getFrame() const { return mFrame; }
  void setBars(bool vertical, bool horisontal);
  // Recomputes the bars from the content now (the content may have changed).
  void update();

  bool mVertical;
  bool mHorisontal;
  mathbase::Vector2f mScrollPosition;
  float mBarWidth;
  mathbase::Vector2f mBarLength;  // handle lengths (x: horizontal bar, y: vertical)
  Area mVerticalBar, mHorisontalBar;        // tracks, local
  Area mVerticalHandle, mHorisontalHandle;  // handles, local
  Area mFiller;                             // the corner between two bars
  ScrollbarsFrame* mFrame;
  int mDrag;             // 0 none, 1 vertical handle, 2 horizontal handle
  float mDragOffset;     // where in the handle it was grabbed
  int mHighlight;        // handle under the mouse, as mDrag
  mathbase::Vector2f mLastSize;

 protected:
  Control* content() override { return mFrame; }

 private:
  void layout();
  bool scrollTo(mathbase::Vector2f position);  // reports when it moved
};

}  // namespace tessel
}  // namespace zelkor
