// Writes the demo's song: kindra_musicgen <file.ogg> [seconds]
// Without a length it renders the whole song; with one, only its start.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "score.h"
#include "song.h"
#include "asset_kit.h"
#include "zlk_system.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s <file.ogg> [seconds]\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  double seconds = 0.0;
  if (argc == 3) {
    char* end = nullptr;
    seconds = std::strtod(argv[2], &end);
    if (end == argv[2] || *end != '\0' || !(seconds > 0.0 && seconds <= kindra_music::kSongSeconds)) {
      std::fprintf(stderr, "%s: the length must be a number of seconds up to %g\n", argv[0],
                   kindra_music::kSongSeconds);
      return 2;
    }
  }
  std::string bytes;
  try {
    bytes = kindra_music::encodeSong(seconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: could not render the song: %s\n", argv[0], e.what());
    return 1;
  }
  try {
    if (bytes.empty()) throw std::runtime_error("nothing rendered");
    kindra_assets::writeAsset(path, bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: could not write '%s': %s\n", argv[0], path.c_str(), e.what());
    return 1;
  }
  return 0;
}
