#pragma once
// Wipes each frame to an animated colour before the later effects draw.

#include "common.h"
#include "kin_plugin_color.h"

class Clear : public CommonEffect {
 public:
  Clear();
  void setup() override {}
  void draw(float pTimer, float pDelta, float pPercent) override;

  zelkor::kindra::Color mColor;
};
