#pragma once
// Tabbed pages: a tab strip above a frame; the children are the pages, one
// shown at a time.

#include "tes_flow.h"
#include "tes_frame.h"
#include "tes_innercontent.h"
#include "tes_tabcaption.h"

namespace zelkor {
namespace tessel {

class TabView : public InnerContent<Flow> {
 public:
  TabView();
  Control* clone() const override { return new TabView; }
  // Shows the selected page (the first) once the pages are loaded.
  void load(xml::IteratorConst& it) override;
  void loadStyle(xml::IteratorConst& it) override;
  using Control::loadStyle;
  // A page fills the frame and starts hidden unless it is the first.
  void addControl(Control* control, int32_t index) override;
  void setArea() override;
  using Control::setArea;

  TabCaption* getTabCaption() const { return mTabCaption; }
  Frame* getTabFrame() const { return mTabFrame; }
  void select(int index) { mTabCaption->select(index); }
  int getSelected() const { return mTabCaption->getSelected(); }

  TabCaption* mTabCaption;
  Frame* mTabFrame;

 protected:
  Control* content() override { return mTabFrame; }
};

}  // namespace tessel
}  // namespace zelkor
