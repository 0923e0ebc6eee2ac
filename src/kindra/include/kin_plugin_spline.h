#pragma once
// The spline plugin: one float parameter of an effect, key-framed over the
// effect's duration (key times are fractions of it: 0 at the start, 1 at the
// end) and stored in the effect's script.

#include <string>

#include "kin_effect.h"
#include "mb_splinebase.h"
#include "tes_control.h"

namespace zelkor {
namespace kindra {

// The editor part is a plain control that shows the curve until the
// toolkit's spline editor takes its place.
class Spline : public PluginBase, public tessel::Control {
 public:
  typedef mathbase::SplineBasef Curve;

  Spline();
  ~Spline() override;

  // Plugins are members of their effect, never made by the toolkit's factory.
  tessel::Control* clone() const override { return nullptr; }
  // The parameter's value at the effect's local time (seconds since its
  // start); 0 without keys.
  virtual float get(float pTime);
  // The curve over the effect's span, its keys and the parameter's name.
  void draw(tessel::Area area, tessel::Area base, tessel::Area clip) override;

  tessel::Control* getControl() override { return this; }
  // Reads the "key" and "attributes" children of the plugin's element; keys
  // are added to those the curve has. (The same slot as the control's
  // layout loading: a spline plugin is never built from a layout file.)
  void load(xml::IteratorConst& it) override;
  // Writes "attributes" and then one "key" per key.
  void save(xml::Iterator& it) override;
  void setupControl(float pWidth, float oldWidth) override;

  // The words of the script for the curve's modes.
  static const char* interpolationWord(Curve::InterpolationMode mode);
  static const char* extrapolationWord(Curve::ExtrapolationMode mode);

  Curve mSpline;

 private:
  // The editor's time window (fractions of the effect's duration).
  float mStartTime;
  float mEndTime;
};

}  // namespace kindra
}  // namespace zelkor
