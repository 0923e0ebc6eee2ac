#pragma once
// One line of text aligned in the control's area; its caption is its text.

#include <string>

#include "tes_control.h"

namespace zelkor {
namespace tessel {

class Label : public Control {
 public:
  enum VerticalAlign { VALIGN_TOP = 0, VALIGN_MIDDLE = 1, VALIGN_BOTTOM = 2 };

  Label();
  Control* clone() const override { return new Label; }
  // "text", "align" ("center", "right"), "valign" ("middle", "bottom").
  void load(xml::IteratorConst& it) override;
  void setCaption(std::string caption) override;
  void draw(Area area, Area base, Area clip) override;

  const std::string& getText() const { return mText; }
  int getAlign() const { return mAlign; }
  int getVerticalAlign() const { return mVerticalAlign; }

  std::string mText;
  int mAlign;          // Render::ALIGN_*
  int mVerticalAlign;  // VALIGN_*
};

}  // namespace tessel
}  // namespace zelkor
