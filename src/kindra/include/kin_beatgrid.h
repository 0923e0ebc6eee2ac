#pragma once
// The song's musical grid: beats of a tempo, grouped into bars. The editor's
// ruler draws it, drags snap to it and PageUp/PageDown step by its bars.
// Without a tempo there is no grid and nothing snaps.

#include <string>

namespace zelkor {
namespace xml {
class XmlTag;
}
namespace kindra {

class BeatGrid {
 public:
  BeatGrid() = default;
  // A tempo <= 0 (or not finite) is no grid; fewer than one beat per bar is one.
  BeatGrid(float bpm, int beatsPerBar);
  // The optional "bpm" and "beats" of the setup file's <music> element; what
  // is no number is named with the file and leaves no grid.
  static BeatGrid read(const xml::XmlTag& music, const std::string& file);

  bool isOn() const { return mBpm > 0.0f; }
  float getBpm() const { return mBpm; }
  int getBeatsPerBar() const { return mBeats; }
  float getBeatLength() const { return isOn() ? 60.0f / mBpm : 0.0f; }
  float getBarLength() const { return getBeatLength() * static_cast<float>(mBeats); }

  // The beat nearest to `seconds` when it lies within `reach` seconds of it;
  // otherwise (and without a grid) `seconds` itself.
  float snap(float seconds, float reach) const;
  // The start of the bar before `seconds` (a little before a bar line counts
  // as on it), and of the bar after it.
  float previousBar(float seconds) const;
  float nextBar(float seconds) const;

  // The grid of the running demo, set by the editor; the drags use it.
  static const BeatGrid& active();
  static void setActive(const BeatGrid& grid);

 private:
  float mBpm = 0.0f;
  int mBeats = 4;
};

// How near a drag must come to a beat, in pixels, to land on it.
const float kSnapPixels = 4.0f;

// A dragged time in seconds snapped to the active grid; `pixelsPerSecond` is
// the zoom of the control being dragged in; `free` (Alt, or a fine drag with
// Shift) leaves it where the pointer put it.
float snapToBeat(float seconds, float pixelsPerSecond, bool free);
// The same for a key time given as a fraction of an effect's span (`start`,
// `duration` in seconds) drawn `pixelsPerFraction` pixels wide.
float snapFraction(float fraction, float start, float duration, float pixelsPerFraction, bool free);

}  // namespace kindra
}  // namespace zelkor
