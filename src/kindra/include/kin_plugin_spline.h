#pragma once
// The spline plugin: one float parameter of an effect, key-framed over the
// effect's duration (key times are fractions of it: 0 at the start, 1 at the
// end), stored in the effect's script and edited with the toolkit's curve
// editor below the effect's bar.

#include <string>

#include "kin_effect.h"
#include "mb_splinebase.h"
#include "tes_spline.h"

namespace zelkor {
namespace kindra {

class Spline : public PluginBase, public tessel::Spline {
 public:
  typedef tessel::Spline::Curve Curve;

  // Smooth, automatic tangents, constant at both ends, no keys; the editor
  // shows this curve without owning it.
  Spline();
  ~Spline() override;

  // Plugins are members of their effect, never made by the toolkit's factory.
  tessel::Control* clone() const override { return nullptr; }
  // The parameter's value at the effect's local time (seconds since its
  // start); 0 without keys.
  virtual float get(float pTime);
  // The editor, then the parameter's name.
  void draw(tessel::Area area, tessel::Area base, tessel::Area clip) override;

  tessel::Control* getControl() override { return this; }
  // Reads the "key" and "attributes" children of the plugin's element; keys
  // are added to those the curve has. (The same slot as the editor's layout
  // loading: a spline plugin is never built from a layout file.)
  void clearPayload() override;
  void load(xml::IteratorConst& it) override;
  // Writes "attributes" and then one "key" per key.
  void save(xml::Iterator& it) override;
  void setupControl(float pWidth, float oldWidth) override;
  // A dragged key lands on a beat of the song when near one.
  float snapKeyTime(float time, bool free) override;

  // The words of the script for the curve's modes.
  static const char* interpolationWord(Curve::InterpolationMode mode);
  static const char* extrapolationWord(Curve::ExtrapolationMode mode);

  Curve mSpline;
};

}  // namespace kindra
}  // namespace zelkor
