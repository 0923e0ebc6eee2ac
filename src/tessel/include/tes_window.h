#pragma once
// A movable window: a caption bar above a frame that holds the children.
// Dragging the caption moves it, dragging the corner grip resizes it.

#include "tes_caption.h"
#include "tes_flow.h"
#include "tes_innercontent.h"
#include "tes_windowframe.h"

namespace zelkor {
namespace tessel {

class Window : public InnerContent<Flow> {
 public:
  Window();
  Control* clone() const override { return new Window; }
  // Base attributes, then "caption". A "class" names the style entry as for
  // any control; the window's colours dress its parts: caption colours the
  // bar, back colours the frame, text colours both.
  void load(xml::IteratorConst& it) override;
  void loadStyle(xml::IteratorConst& it) override;
  using Control::loadStyle;
  void setCaption(std::string caption) override;
  void setArea() override;
  using Control::setArea;
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  Caption* getCaptionBar() const { return mCaptionbar; }
  WindowFrame* getFrame() const { return mFrame; }
  // The parts take the window's colours again (after the style changed in code).
  void applyStyle();
  // The resize grip in the window's own coordinates.
  Area getGrip() const;

  Caption* mCaptionbar;
  WindowFrame* mFrame;
  bool mResizing;
  mathbase::Vector2f mResizeFrom;  // world position of the last resize step

 protected:
  Control* content() override { return mFrame; }
};

}  // namespace tessel
}  // namespace zelkor
