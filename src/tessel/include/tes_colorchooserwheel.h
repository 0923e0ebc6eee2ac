#pragma once
// The colour wheel of a colour chooser (internal part): hue around the
// disc, saturation outwards, drawn at the chooser's intensity. Picking or
// dragging on it reports ACTION_COLOR.

#include "mb_vector2.h"
#include "mb_vector3.h"
#include "tes_control.h"

namespace zelkor {
namespace tessel {

class ColorChooserWheel : public Control {
 public:
  ColorChooserWheel();
  Control* clone() const override { return new ColorChooserWheel; }
  int handleEvent(Event& event) override;
  void draw(Area area, Area base, Area clip) override;

  // Hue (0 to 1, red at the right, counter-clockwise) and saturation (0 to 1).
  void setHueSaturation(float hue, float saturation);
  float getHue() const { return mHue; }
  float getSaturation() const { return mSaturation; }
  void setIntensity(float intensity);
  float getIntensity() const { return mIntensity; }
  // The colour picked, at the intensity.
  const mathbase::Vector3f& getColor() const { return mCurrentColor; }
  // The disc in local coordinates.
  Area getDisc() const;

  static mathbase::Vector3f hsvToRgb(float hue, float saturation, float value);
  static void rgbToHsv(const mathbase::Vector3f& rgb, float& hue, float& saturation, float& value);

  float mIntensity;
  float mChannel;                  // the alpha channel that goes with the colour
  mathbase::Vector2f mClickedPos;  // the picked point in the unit disc, y up
  mathbase::Vector3f mCurrentColor;
  bool mClicked;
  float mHue;
  float mSaturation;

 private:
  // Picks the colour under a world position (clamped to the rim).
  void pick(const mathbase::Vector2f& world);
  void update();
};

}  // namespace tessel
}  // namespace zelkor
