#include "kin_beatgrid.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "xml_tag.h"
#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace kindra {

namespace {
// Within this much of a bar line a step back goes to the bar before it: a
// play head that just passed the line would otherwise never get past it.
const float kBarSlack = 0.05f;

BeatGrid& activeGrid() {
  static BeatGrid grid;
  return grid;
}
}  // namespace

BeatGrid::BeatGrid(float bpm, int beatsPerBar) {
  mBpm = std::isfinite(bpm) && bpm > 0.0f ? bpm : 0.0f;
  mBeats = beatsPerBar >= 1 ? beatsPerBar : 1;
}

BeatGrid BeatGrid::read(const xml::XmlTag& music, const std::string& file) {
  if (!music.hasValue("bpm")) return BeatGrid();
  const std::string& bpmText = music.getValue("bpm");
  char* end = nullptr;
  const float bpm = std::strtof(bpmText.c_str(), &end);
  if (end == bpmText.c_str() || *end != '\0' || !std::isfinite(bpm) || bpm <= 0.0f || bpm > 1000.0f) {
    ZLK_LOG("warning", "app", "%s: <music bpm=\"%s\"> is no tempo (beats per minute, above 0 up to 1000); no beat grid",
            file.c_str(), zlk_printable(bpmText).c_str());
    return BeatGrid();
  }
  int beats = 4;
  if (music.hasValue("beats")) {
    const std::string& beatsText = music.getValue("beats");
    const long value = std::strtol(beatsText.c_str(), &end, 10);
    if (end == beatsText.c_str() || *end != '\0' || value < 1 || value > 64) {
      ZLK_LOG("warning", "app", "%s: <music beats=\"%s\"> is no number of beats per bar (1 to 64); 4 are used",
              file.c_str(), zlk_printable(beatsText).c_str());
    } else {
      beats = static_cast<int>(value);
    }
  }
  return BeatGrid(bpm, beats);
}

float BeatGrid::snap(float seconds, float reach) const {
  if (!isOn() || !std::isfinite(seconds)) return seconds;
  const float beat = getBeatLength();
  const float nearest = static_cast<float>(std::round(static_cast<double>(seconds) / beat) * beat);
  return std::fabs(nearest - seconds) <= reach ? nearest : seconds;
}

float BeatGrid::previousBar(float seconds) const {
  if (!isOn()) return seconds;
  const double bar = getBarLength();
  const double index = std::floor((seconds - kBarSlack) / bar);
  return static_cast<float>(std::max(0.0, index * bar));
}

float BeatGrid::nextBar(float seconds) const {
  if (!isOn()) return seconds;
  const double bar = getBarLength();
  return static_cast<float>((std::floor((seconds + kBarSlack) / bar) + 1.0) * bar);
}

const BeatGrid& BeatGrid::active() { return activeGrid(); }

void BeatGrid::setActive(const BeatGrid& grid) { activeGrid() = grid; }

float snapToBeat(float seconds, float pixelsPerSecond, bool free) {
  if (free || !(pixelsPerSecond > 0.0f)) return seconds;
  return BeatGrid::active().snap(seconds, kSnapPixels / pixelsPerSecond);
}

float snapFraction(float fraction, float start, float duration, float pixelsPerFraction, bool free) {
  if (free || !(duration > 0.0f) || !BeatGrid::active().isOn()) return fraction;
  const float seconds = snapToBeat(start + fraction * duration, pixelsPerFraction / duration, false);
  return (seconds - start) / duration;
}

}  // namespace kindra
}  // namespace zelkor
