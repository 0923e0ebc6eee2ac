// Frame dumping at 1280x720: frames per second of the dump (screen read,
// PNG encoding, files) against reading the same frames with glReadPixels and
// writing their raw bytes. The frames look like rendered ones: smooth light,
// textured surfaces with grain, hard edges, and move every frame.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "am.h"
#include "am_videofile_imagedumper.h"
#include "dis_display_glfw.h"
#include "dis_glinclude.h"

namespace {

namespace fs = std::filesystem;
using namespace zelkor;
using am::VideoFile;
using am::VideoFileImageDumper;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// The scene's texture: two lit gradients, stripes with hard edges and a
// patch of grain, as a rendered frame has them.
std::vector<unsigned char> scenePicture(int size) {
  std::vector<unsigned char> rgba(static_cast<size_t>(size) * size * 4);
  unsigned seed = 12345u;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = static_cast<float>(x) / size, v = static_cast<float>(y) / size;
      float r = 0.5f + 0.5f * std::sin(u * 9.0f + std::sin(v * 5.0f) * 2.0f);
      float g = 0.3f + 0.4f * v;
      float b = 0.6f * (1.0f - u) * v;
      if (static_cast<int>(u * 16.0f + v * 4.0f) % 3 == 0) r *= 0.4f, g *= 0.5f;
      int grain = 0;
      if (u > 0.5f) {
        seed = seed * 1664525u + 1013904223u;
        grain = static_cast<int>((seed >> 24) % 9) - 4;
      }
      unsigned char* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
      const float channel[3] = {r, g, b};
      for (int c = 0; c < 3; ++c) {
        const int value = static_cast<int>(channel[c] * 230.0f) + grain;
        p[c] = static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
      }
      p[3] = 255;
    }
  }
  return rgba;
}

struct Bench {
  Bench() : folder(fs::temp_directory_path() / ("kindra-dump-bench." + std::to_string(::getpid()))) {
    fs::create_directories(folder);
    archive.addArchive(folder.string() + "/");
    device.reset(new display::DisplayGLFW());
    display::WindowMode mode("dump bench", kWidth, kHeight, false);
    mode.fpsMode = display::WindowMode::FPS_VARIABLE;
    device->open(mode);
    device->setArchive(&archive);
    const int size = 512;
    const std::vector<unsigned char> picture = scenePicture(size);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
    image = new am::ImageObject(kWidth, kHeight);
  }
  ~Bench() {
    image.release();
    glDeleteTextures(1, &texture);
    device.reset();
    fs::remove_all(folder);
  }

  // One frame of the moving scene, read into `image`.
  void drawAndRead() {
    ++frame;
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.05f, 0.05f, 0.1f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    const float s = frame * 0.01f;
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(s, 0.0f), glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(s + 1.5f, 0.0f), glVertex2f(1.0f, -1.0f);
    glTexCoord2f(s + 1.5f, 1.0f), glVertex2f(1.0f, 0.8f);
    glTexCoord2f(s, 1.0f), glVertex2f(-1.0f, 0.8f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    device->getScreenShot(image);
  }

  fs::path folder;
  am::ArchiveManager archive;
  std::unique_ptr<display::DisplayGLFW> device;
  GLuint texture = 0;
  am::Image image;
  long frame = 0;
};

Bench* bench(benchmark::State& state) {
  if (!std::getenv("DISPLAY")) {
    state.SkipWithError("needs a display (run under scripts/xvfb.sh)");
    return nullptr;
  }
  static Bench instance;
  return &instance;
}

// The raw baseline: the screen read, then its bytes into a file.
void writeRaw(Bench& b, long index) {
  const std::string name = (b.folder / ("raw." + std::to_string(index % 16))).string();
  if (FILE* file = std::fopen(name.c_str(), "wb")) {
    std::fwrite(b.image->getData(), 1, static_cast<size_t>(kWidth) * kHeight * 4, file);
    std::fclose(file);
  }
}

VideoFileImageDumper::Settings settingsFor(int which) {
  VideoFileImageDumper::Settings settings = VideoFileImageDumper::defaultSettings();
  if (which == 0 || which == 1) settings.compression = am::ImageCodecPNG::Compression();  // the library's defaults
  if (which == 0 || which == 2) settings.threads = 0;
  return settings;
}

const char* const kSettingNames[] = {"library default, one thread", "library default, writer threads",
                                     "fast, one thread", "fast, writer threads (shipped)"};

// Frames per second of `frames` frames through the dumper, until the last
// file is written.
double dumpRate(Bench& b, const VideoFileImageDumper::Settings& settings, int frames) {
  const auto start = std::chrono::steady_clock::now();
  VideoFileImageDumper dumper(settings);
  dumper.openForWrite("dump/frame.png", VideoFile::Format(kWidth, kHeight, 60), &b.archive);
  dumper.attach(b.image);
  for (int i = 0; i < frames; ++i) {
    b.drawAndRead();
    dumper.writeFrame();
  }
  dumper.close();
  return frames / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double rawRate(Bench& b, int frames) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) {
    b.drawAndRead();
    writeRaw(b, i);
  }
  return frames / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ReadPixelsRawWrite(benchmark::State& state) {
  Bench* b = bench(state);
  if (!b) return;
  long index = 0;
  for (auto _ : state) {
    b->drawAndRead();
    writeRaw(*b, index++);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadPixelsRawWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// Batches of frames through the dumper: arg 0..3 as kSettingNames.
void BM_DumpFrames(benchmark::State& state) {
  Bench* b = bench(state);
  if (!b) return;
  const VideoFileImageDumper::Settings settings = settingsFor(static_cast<int>(state.range(0)));
  const int batch = state.range(0) < 2 ? 4 : 24;
  double frames = 0.0;
  for (auto _ : state) {
    dumpRate(*b, settings, batch);
    frames += batch;
  }
  state.SetLabel(kSettingNames[state.range(0)]);
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DumpFrames)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The shipped dumper and the raw path on the same frames in the same run:
// ratio = dump fps / raw fps (1 would be as fast as reading the screen).
void BM_DumpAgainstReadPixels(benchmark::State& state) {
  Bench* b = bench(state);
  if (!b) return;
  const int batch = 60;
  double raw = 0.0, dump = 0.0;
  int rounds = 0;
  for (auto _ : state) {
    raw += rawRate(*b, batch);
    dump += dumpRate(*b, settingsFor(3), batch);
    ++rounds;
  }
  state.counters["raw_fps"] = raw / rounds;
  state.counters["dump_fps"] = dump / rounds;
  state.counters["ratio"] = dump / raw;
}
BENCHMARK(BM_DumpAgainstReadPixels)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
