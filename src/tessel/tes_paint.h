#pragma once
// Drawing and structure shared by the widgets (not part of the toolkit's
// interface).

#include <string>

#include "tes_control.h"
#include "tes_render.h"

namespace zelkor {
namespace tessel {

enum PaintState { PAINT_NORMAL = 0, PAINT_HIGHLIGHT, PAINT_PUSHED, PAINT_INACTIVE };

// The colour pair of a state. A state the style gives no colour for (both
// colours fully transparent) looks normal, so a partial style never makes a
// widget vanish while it is hovered or pressed.
const mathbase::Vector4f& firstColor(const colorInfo& colors, PaintState state);
const mathbase::Vector4f& secondColor(const colorInfo& colors, PaintState state);
void setColors(Render& render, const colorInfo& colors, PaintState state);
// A gradient box in the state's colours inside a border in the border colours.
void drawPlate(Render& render, const colorInfo& colors, const Area& area, PaintState state, int mode = 0);
// A filled disc in the state's first colour inside a rim `rim` pixels wide
// in the first border colour.
void drawDisc(Render& render, const colorInfo& colors, const Area& area, PaintState state, float rim);
// One line of text, vertically centred in `area`, at x (anchor as aligned).
void drawTextCentred(Render& render, const Area& area, float x, const std::string& text, int align);
// The height of a row of text with a little air.
float rowHeight(Render* render);
// The font height, or the nominal one without a drawing object.
float fontHeight(Render* render);
float textLength(Render* render, const std::string& text);
// A value limited to [low, high]; NaN gives low.
float clampValue(float value, float low, float high);

}  // namespace tessel
}  // namespace zelkor
