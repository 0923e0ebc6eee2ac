#include "tes_panelframe.h"

#include "tes_paint.h"

namespace zelkor {
namespace tessel {

PanelFrame::PanelFrame() { mType = "panelframe"; }

void PanelFrame::draw(Area area, Area base, Area clip) {
  if (Render* render = getRender()) drawPlate(*render, mStyle.mBack, area, mInactive ? PAINT_INACTIVE : PAINT_NORMAL);
  Control::draw(area, base, clip);
}

}  // namespace tessel
}  // namespace zelkor
