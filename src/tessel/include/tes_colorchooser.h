#pragma once
// A colour chooser: a colour wheel (hue and saturation) with sliders for the
// intensity and the alpha, above a strip that shows the colour. Any change
// of a part reports ACTION_COLOR.

#include <string>

#include "mb_vector4.h"
#include "tes_colorchooserwheel.h"
#include "tes_flow.h"
#include "tes_frame.h"
#include "tes_slider.h"

namespace zelkor {
namespace tessel {

class ColorChooser;

// Holds the wheel and the two sliders side by side (internal part).
class ColorChooserFrame : public Frame {
 public:
  ColorChooserFrame();
  Control* clone() const override { return new ColorChooserFrame; }
  void setArea() override;
  using Control::setArea;

  ColorChooserWheel* mWheel;
  Slider* mIntensity;  // top: bright
  Slider* mAlpha;      // top: opaque
};

// Shows the chosen colour over black and white, and its "rrggbbaa" text
// (internal part).
class ColorChooserStatFrame : public Frame {
 public:
  explicit ColorChooserStatFrame(ColorChooser* chooser = nullptr);
  Control* clone() const override { return new ColorChooserStatFrame; }
  void draw(Area area, Area base, Area clip) override;

  ColorChooser* mChooser;
};

class ColorChooser : public Flow, public Callback {
 public:
  ColorChooser();
  Control* clone() const override { return new ColorChooser; }
  // The chooser's colours dress its parts.
  void loadStyle(xml::IteratorConst& it) override;
  using Control::loadStyle;
  void setArea() override;
  using Control::setArea;

  // ---- appended
  // From its parts: the colour changed.
  void controlAction(Control* control, Action action) override;

  // RGBA, each 0 to 1.
  mathbase::Vector4f getColor() const;
  // Shows a colour without reporting.
  void setColor(const mathbase::Vector4f& color);
  // "rrggbbaa" of the colour.
  std::string getColorText() const;
  ColorChooserWheel* getWheel() const { return mFrame->mWheel; }
  Slider* getIntensitySlider() const { return mFrame->mIntensity; }
  Slider* getAlphaSlider() const { return mFrame->mAlpha; }

  ColorChooserFrame* mFrame;
  ColorChooserStatFrame* mStatFrame;
};

}  // namespace tessel
}  // namespace zelkor
