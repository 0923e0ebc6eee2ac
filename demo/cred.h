#pragma once
// The credits: one quarter of a picture at a time, 1024 x 256 pixels in the
// middle of the screen; each quarter fades in and out and, in its second
// half, tears apart into wobbling 4 x 4 pixel tiles.

#include "common.h"
#include "dis_display_obsolete.h"
#include "dis_resource.h"

class Cred : public CommonEffect {
 public:
  Cred();
  void setup() override;
  void draw(float pTimer, float pDelta, float pPercent) override;

  zelkor::display::DisplayObsolete ds;
  zelkor::display::Texture* mTexture;  // owned by the device
};
