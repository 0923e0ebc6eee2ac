#pragma once
// One page of a tab view; its caption names its tab.

#include "tes_frame.h"

namespace zelkor {
namespace tessel {

class TabFrame : public Frame {
 public:
  TabFrame();
  Control* clone() const override { return new TabFrame; }
  // Base attributes, then "caption".
  void load(xml::IteratorConst& it) override;

  float mCaptionWidth;  // width of its tab, fitted to the caption when drawn
};

}  // namespace tessel
}  // namespace zelkor
