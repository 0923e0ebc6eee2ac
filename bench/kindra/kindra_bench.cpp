// What the engine pays per frame for the song's position, and at start and
// exit for the setup file.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "kin_main.h"
#include "kin_music.h"
#include "tone.h"

namespace {

using zelkor::kindra::Kindra;
using zelkor::kindra::Music;
using zelkor::kindra::MusicClock;

zelkor::am::File songFile() {
  const std::string bytes = kindra_tools::encodeOgg(kindra_tools::makeTone(20.0, 44100, 2), 44100, 2);
  unsigned char* data = new unsigned char[bytes.size()];
  std::memcpy(data, bytes.data(), bytes.size());
  return zelkor::am::File(new zelkor::am::FileStructure("song.ogg", static_cast<long>(bytes.size()), data));
}

// Once a frame while the song plays.
void BM_MusicPosition(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  Music music;
  if (!music.setup(songFile())) {
    state.SkipWithError("no sound device");
    return;
  }
  music.play();
  float sum = 0.0f;
  for (auto _ : state) {
    sum += music.getTime();
    if (music.update()) music.setTime(0.0f);
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_MusicPosition);

void BM_MusicClock(benchmark::State& state) {
  MusicClock clock;
  clock.set(0.0, 0.0);
  clock.run(true, 0.0);
  double now = 0.0;
  double decoder = 0.0;
  for (auto _ : state) {
    now += 1.0 / 60.0;
    if (now - decoder > 0.023) decoder += 0.023;
    benchmark::DoNotOptimize(clock.get(decoder, now));
  }
}
BENCHMARK(BM_MusicClock);

// Reading a local setup file and writing it back, in a scratch directory.
void BM_SetupReadAndWriteBack(benchmark::State& state) {
  char previous[PATH_MAX];
  if (!getcwd(previous, sizeof(previous))) return;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("kindra-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  if (chdir(dir.c_str()) != 0) return;
  const std::string text =
      "<demo>\n\t<time start=\"1\" mode=\"vsync\" length=\"200\" loop=\"off\"/>\n"
      "\t<display width=\"800\" height=\"600\" fullscreen=\"off\" title=\"Kindra\"/>\n"
      "\t<osd show=\"on\" location=\"top\" delay=\"2\"/>\n\t<music mute=\"nosound\" filename=\"m.ogg\"/>\n"
      "\t<log console=\"off\"/>\n</demo>\n";
  if (FILE* f = std::fopen("setup.local.xml", "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  for (auto _ : state) {
    Kindra engine;
    engine.setup(-1.0f);
  }
  if (chdir(previous) != 0) return;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SetupReadAndWriteBack);

}  // namespace
