#pragma once
// A titled group: its caption on a strip above a frame holding the children.

#include "tes_control.h"
#include "tes_innercontent.h"
#include "tes_panelframe.h"

namespace zelkor {
namespace tessel {

class Panel : public InnerContent<Control> {
 public:
  Panel();
  Control* clone() const override { return new Panel; }
  // Base attributes, then "caption". The panel's back and text colours
  // dress its frame; the caption strip uses the caption colours.
  void load(xml::IteratorConst& it) override;
  void loadStyle(xml::IteratorConst& it) override;
  using Control::loadStyle;
  void setArea() override;
  using Control::setArea;
  void setCaption(std::string caption) override;
  void draw(Area area, Area base, Area clip) override;

  PanelFrame* getFrame() const { return mFrame; }
  // Height of the caption strip (0 without a caption).
  float getHeaderHeight();

  PanelFrame* mFrame;

 protected:
  Control* content() override { return mFrame; }
};

}  // namespace tessel
}  // namespace zelkor
