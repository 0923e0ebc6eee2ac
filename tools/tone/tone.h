#pragma once
// A short test song: soft sine tones with a click on every second, so that
// one hears whether the picture keeps time with it.

#include <string>
#include <vector>

namespace kindra_tools {

// Interleaved 16-bit samples of the test song.
std::vector<short> makeTone(double seconds, int rate, int channels);

// Encodes samples as a RIFF/WAVE file (16-bit PCM) or as Ogg Vorbis into
// memory; empty on failure.
std::string encodeWav(const std::vector<short>& samples, int rate, int channels);
std::string encodeOgg(const std::vector<short>& samples, int rate, int channels, float quality = 0.3f);

// Writes to a temporary file beside `path` and renames it; false on failure.
bool writeFileSafely(const std::string& path, const std::string& bytes);

}  // namespace kindra_tools
