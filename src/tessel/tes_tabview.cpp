#include "tes_tabview.h"

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

TabView::TabView() : mTabCaption(new TabCaption), mTabFrame(nullptr) {
  mType = "tabview";
  Flow::addControl(mTabCaption, -1);
  Frame* frame = new Frame;
  Flow::addControl(frame, -1);
  setPercent(frame, 100.0f);
  mTabFrame = frame;
  mTabCaption->setTabFrame(frame);
}

void TabView::load(xml::IteratorConst& it) {
  InnerContent<Flow>::load(it);
  // loading a page makes it visible
  mTabCaption->select(mTabCaption->getSelected());
}

void TabView::loadStyle(xml::IteratorConst& it) {
  Control::loadStyle(it);
  mTabCaption->mStyle = mStyle;
  mTabFrame->mStyle.mBack = mStyle.mBack;
  mTabFrame->mStyle.mText = mStyle.mText;
}

void TabView::addControl(Control* control, int32_t index) {
  if (!mTabFrame || control == mTabFrame || !control) {
    InnerContent<Flow>::addControl(control, index);
    return;
  }
  mTabFrame->addControl(control, index);
  if (control->getParent() != mTabFrame) return;
  control->setMaximized(true);
  mTabCaption->select(mTabCaption->getSelected());
}

void TabView::setArea() {
  setSize(mTabCaption, rowHeight(getRender()) + 6.0f);
  Flow::setArea();
}

}  // namespace tessel
}  // namespace zelkor
