// "music/tone.ogg": a minute of the test song (soft tones, a click on every
// second), played by the demo until its own music exists.

#include "asset_kit.h"
#include "tone.h"
#include "zlk_system.h"

namespace {

std::string makeTestSong() {
  const int rate = 44100;
  const int channels = 2;
  const std::string ogg = kindra_tools::encodeOgg(kindra_tools::makeTone(60.0, rate, channels), rate, channels);
  if (ogg.empty()) throw zelkor::Exception("The Vorbis encoder refused the test song");
  return ogg;
}

}  // namespace

std::vector<kindra_assets::Asset> kindra_assets::generatedAssets() { return {{"music/tone.ogg", makeTestSong}}; }
