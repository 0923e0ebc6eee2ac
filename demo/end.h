#pragma once
// The end picture, 512 x 256 pixels in the middle of the screen, added to
// the frame with a brightness keyed by a spline.

#include "common.h"
#include "dis_display_obsolete.h"
#include "dis_resource.h"
#include "kin_plugin_spline.h"

class End : public CommonEffect {
 public:
  End();
  void setup() override;
  void draw(float pTimer, float pDelta, float pPercent) override;

  zelkor::kindra::Spline mAlpha;
  zelkor::display::Texture* mTexture;  // owned by the device
  zelkor::display::DisplayObsolete mdo;
};
