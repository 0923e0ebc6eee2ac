#pragma once
// A grid of 94 x 20 character cells cut from one picture, shown at the
// picture's own pixel size in the middle of the screen; the cells fall down
// the screen one by one, the bottom row first.

#include <vector>

#include "common.h"
#include "dis_display_obsolete.h"
#include "dis_resource.h"
#include "kin_plugin_spline.h"

class Ascii : public CommonEffect {
 public:
  enum { COLUMNS = 94, ROWS = 20, CELL = 8 };  // CELL: pixels per cell side in the picture

  struct Char {
    float mOffset;  // when the cell starts to fall, in the scaled time of draw()
  };

  Ascii();
  void setup() override;
  void draw(float pTimer, float pDelta, float pPercent) override;

  std::vector<Char> mChar;  // COLUMNS * ROWS, row by row (index y * COLUMNS + x); filled by setup
  zelkor::display::DisplayObsolete ds;
  zelkor::display::Texture* mTexture;  // owned by the device
  zelkor::kindra::Spline mDone;        // kept in the script; the drawing does not read it
};
