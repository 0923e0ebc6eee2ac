#pragma once
// Plays the score through the synthesizer: voices mixed with the kick's
// side-chain, a delay and a reverb, then a look-ahead limiter.

#include <string>
#include <vector>

namespace kindra_music {

// Highest sample level after the limiter: -2 dBFS, leaving the encoder
// room for its own small overshoot.
constexpr float kCeiling = 0.7943f;

struct RenderOptions {
  // Only the first `seconds` of the song (all of it when 0 or past its
  // end); an excerpt ends with a short fade instead of the song's ending.
  double seconds = 0.0;
  // Only this instrument (a stem), or all when negative.
  int solo = -1;
  bool limiter = true;
};

// The song as interleaved stereo samples at kRate.
std::vector<float> renderSong(const RenderOptions& options = RenderOptions());

// Samples as 16-bit integers.
std::vector<short> toPcm16(const std::vector<float>& samples);

// renderSong encoded as Ogg Vorbis; empty when the encoder fails.
std::string encodeSong(double seconds = 0.0);

// Brings every stereo frame of `samples` down to at most `ceiling`: the gain
// falls smoothly ahead of each peak and recovers slowly after it.
void limit(std::vector<float>& samples, float ceiling);

}  // namespace kindra_music
