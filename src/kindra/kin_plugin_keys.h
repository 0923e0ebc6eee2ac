#pragma once
// Key markers shared by the camera and colour editors: several float curves
// that always hold keys at the same times, shown as one row of markers along
// the editor and dragged together.

#include <cmath>
#include <string>
#include <vector>

#include "mb_splinebase.h"
#include "mb_vector2.h"
#include "tes_control.h"
#include "tes_render.h"

namespace zelkor {
namespace kindra {
namespace keyrow {

typedef mathbase::SplineBasef Curve;

// Half the size of a key's marker box.
const float kMarker = 6.0f;

// The key whose marker box contains `local` (control space), or -1.
inline int findKey(const Curve& curve, float width, float height, const mathbase::Vector2f& local) {
  const float centre = height / 2.0f;
  for (int i = 0; i < curve.getNumKeys(); ++i) {
    const float x = width * curve[i].time;
    if (local.x >= x - kMarker && local.x <= x + kMarker && local.y >= centre - kMarker &&
        local.y <= centre + kMarker) {
      return i;
    }
  }
  return -1;
}

// Moves key `index` of every curve to time `u`; keys never pass each other:
// the returned index is the key the drag continues with. Tangents are kept.
inline int dragKey(Curve* const* curves, int count, int index, float u) {
  if (count <= 0 || index < 0 || index >= curves[0]->getNumKeys()) return index;
  if (!(u >= 0.0f && u <= 1.0f)) return index;
  for (int c = 0; c < count; ++c) (*curves[c])[index].time = u;
  const Curve& first = *curves[0];
  if (index + 1 < first.getNumKeys() && u > first[index + 1].time) return index + 1;
  if (index > 0 && u < first[index - 1].time) return index - 1;
  return index;
}

// The keys keep their times in seconds while the effect's width changes.
inline void rescale(Curve* const* curves, int count, float pWidth, float oldWidth) {
  if (!(oldWidth > 0.0f && pWidth > 0.0f)) return;
  const float scale = oldWidth / pWidth;
  for (int c = 0; c < count; ++c) {
    Curve& curve = *curves[c];
    for (int i = 0; i < curve.getNumKeys(); ++i) curve[i].time *= scale;
    curve.updateTangents();
  }
}

// After a drag: a key the pointer pushed back over its neighbour in its
// last step goes back into time order, in every curve alike, and the
// tangents follow the new places.
inline void settle(Curve* const* curves, int count) {
  for (int c = 0; c < count; ++c) {
    Curve& curve = *curves[c];
    std::vector<mathbase::SplineBaseKey<float>> keys;
    for (int i = 0; i < curve.getNumKeys(); ++i) keys.push_back(curve[i]);
    const Curve::InterpolationMode mode = curve.getInterpolation();
    const bool automatic = curve.hasAutoTangents();
    curve.clear();
    curve.setInterpolation(mode);
    curve.setAutoTangents(automatic);
    curve.addKeys(keys.begin(), keys.end());
  }
}

inline void removeKey(Curve* const* curves, int count, int index) {
  for (int c = 0; c < count; ++c) {
    if (index >= 0 && index < curves[c]->getNumKeys()) curves[c]->removeKey(index);
  }
}

// A number of the script; what is no finite number reads as 0.
inline float finiteOrZero(float value) { return std::isfinite(value) ? value : 0.0f; }

enum MarkerState { MARKER_PLAIN, MARKER_HIGHLIGHT, MARKER_PUSHED };

// One circle per key across the middle of `area`, in the caption colours of
// the state `stateOf(index)` gives.
template <typename StateOf>
void drawMarkers(tessel::Render& render, const tessel::colorInfo& c, const Curve& curve, const tessel::Area& area,
                 StateOf stateOf) {
  const float centre = area.mMin.y + area.getHeight() / 2.0f;
  for (int i = 0; i < curve.getNumKeys(); ++i) {
    const float x = area.mMin.x + area.getWidth() * curve[i].time;
    switch (stateOf(i)) {
      case MARKER_PUSHED:
        render.setColor(c.mPushed1, c.mPushed2);
        break;
      case MARKER_HIGHLIGHT:
        render.setColor(c.mHighlight1, c.mHighlight2);
        break;
      default:
        render.setColor(c.mColor1, c.mColor2);
    }
    render.drawCircle(tessel::Area(x - kMarker, centre - kMarker, x + kMarker, centre + kMarker));
  }
}

// The plugin's name at the editor's top left.
inline void drawName(tessel::Render& render, const tessel::style& s, const tessel::Area& area, const std::string& name) {
  render.setColor(s.mText.mColor1);
  render.setAlign(tessel::Render::ALIGN_LEFT);
  render.drawText(mathbase::Vector2f(area.mMin.x + 2.0f, area.mMin.y + 6.0f - render.getFontHeight() / 2.0f), name);
}

}  // namespace keyrow
}  // namespace kindra
}  // namespace zelkor
