// Writes the test song: kindra_tonegen <file.ogg|file.wav> [seconds]

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tone.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s <file.ogg|file.wav> [seconds]\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  const double seconds = argc == 3 ? std::atof(argv[2]) : 60.0;
  if (!(seconds > 0.0 && seconds <= 3600.0)) {
    std::fprintf(stderr, "%s: the length must be between 0 and 3600 seconds\n", argv[0]);
    return 2;
  }
  const int rate = 44100;
  const int channels = 2;
  const std::vector<short> samples = kindra_tools::makeTone(seconds, rate, channels);
  const bool wav = path.size() >= 4 && path.compare(path.size() - 4, 4, ".wav") == 0;
  const std::string bytes = wav ? kindra_tools::encodeWav(samples, rate, channels)
                                : kindra_tools::encodeOgg(samples, rate, channels);
  if (bytes.empty() || !kindra_tools::writeFileSafely(path, bytes)) {
    std::fprintf(stderr, "%s: could not write '%s'\n", argv[0], path.c_str());
    return 1;
  }
  return 0;
}
