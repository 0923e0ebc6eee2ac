#pragma once
// A rippling wall of 1,600 boxes drawn as light volumes: the back faces add
// what the program puts out, the front faces take it off again (reverse
// subtract), leaving light where rays cross a box. Needs blend equations.
// Built with the demo's effects but on no timeline.

#include "common.h"
#include "dis_display_obsolete.h"
#include "dis_resource.h"
#include "kin_plugin_color.h"

class Volumetric : public CommonEffect {
 public:
  Volumetric();
  // Throws when the device has no blend equations; the program is then not built.
  void setup() override;
  // Draws nothing until setup succeeded.
  void draw(float pTimer, float pDelta, float pPercent) override;
  // The view and the boxes: filled, or only their edges with `solid`.
  void drawScene(float pTimer, bool solid);

  // Either extension gives the blend equations the effect needs.
  static bool hasBlendEquations(const zelkor::display::DisplayGL& display);

  zelkor::kindra::Color mColor;
  zelkor::display::DisplayObsolete ds;
  zelkor::display::Shader* mShader;  // owned by the device
};
