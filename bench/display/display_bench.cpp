// GPU resource baselines on the device: a 1280x720 texture upload and a
// vertex buffer of one million vertices uploaded and drawn. Each iteration
// waits for the GPU (glFinish), so the times include the driver's work.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "am.h"
#include "am_image.h"
#include "dis_display_glfw.h"
#include "dis_glinclude.h"
#include "zlk_system.h"

namespace zelkor {
// Only failures are worth printing between the figures.
void zlk_log_callback(const LogData& data) {
  if (std::strcmp(data.type, "error") == 0) std::fprintf(stderr, "[%s] %s\n", data.type, data.message);
}
}  // namespace zelkor

namespace {

using namespace zelkor;
using namespace zelkor::display;

constexpr int kVertices = 1000000;

// One device with a window and shader files for the whole run.
struct Bench {
  Bench() : folder(std::filesystem::temp_directory_path() / ("display_bench." + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "points.vert") << "attribute vec3 position;\n"
                                             "void main() { gl_Position = vec4(position, 1.0); gl_PointSize = 1.0; }\n";
    std::ofstream(folder / "points.frag") << "void main() { gl_FragColor = vec4(1.0); }\n";
    archive.addArchive(folder.string() + "/");
    device.reset(new DisplayGLFW());
    WindowMode mode("display bench", 640, 360, false);
    mode.fpsMode = WindowMode::FPS_VARIABLE;
    mode.fps = 60.0f;
    device->open(mode);
    device->setArchive(&archive);
  }
  ~Bench() {
    device.reset();
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder;
  am::ArchiveManager archive;
  std::unique_ptr<DisplayGLFW> device;
};

Bench& bench() {
  static Bench instance;
  return instance;
}

am::Image frame(int width, int height) {
  am::Image image(new am::ImageObject(width, height));
  unsigned char* p = image->getWriteData();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, p += 4) {
      p[0] = static_cast<unsigned char>(x);
      p[1] = static_cast<unsigned char>(y);
      p[2] = static_cast<unsigned char>(x ^ y);
      p[3] = 255;
    }
  }
  return image;
}

// Build (upload) and free a 1280x720 texture made from an image.
void BM_TextureUpload1280x720(benchmark::State& state) {
  DisplayGL* device = bench().device.get();
  am::Image image = frame(1280, 720);
  TextureDeclaration decl;
  decl.useMipmaps = state.range(0) != 0;
  for (auto _ : state) {
    Texture* texture = device->createTexture(image, decl);
    texture->restoreResource();
    glFinish();
    texture->destroy();
  }
  state.SetBytesProcessed(state.iterations() * 1280LL * 720 * 4);
  state.SetLabel(decl.useMipmaps ? "with mipmaps" : "no mipmaps");
}
BENCHMARK(BM_TextureUpload1280x720)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Rewrite the whole CPU copy of 1M vertices and upload it.
void BM_VboUpload1M(benchmark::State& state) {
  DisplayGL* device = bench().device.get();
  std::unique_ptr<VertexDef> def(VertexP3N3::getVertexDef());
  VBO* vbo = device->createVBO(kVertices, def.get(), DisplayGL::MODE_DYNAMIC);
  vbo->restoreResource();
  float phase = 0.0f;
  for (auto _ : state) {
    VertexP3N3* v = static_cast<VertexP3N3*>(vbo->lock(true, false, -1, -1));
    for (int i = 0; i < kVertices; ++i) {
      v[i].p = mathbase::Vector3f(phase, 0.5f, 0.0f);
      v[i].n = mathbase::Vector3f(0.0f, 0.0f, 1.0f);
    }
    vbo->unlock();
    glFinish();
    phase += 0.001f;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kVertices) * 24);
  vbo->destroy();
}
BENCHMARK(BM_VboUpload1M)->Unit(benchmark::kMillisecond)->UseRealTime();

// Draw 1M points from a static vertex buffer with a minimal program.
void BM_VboDraw1M(benchmark::State& state) {
  DisplayGL* device = bench().device.get();
  std::unique_ptr<VertexDef> def(VertexP3N3::getVertexDef());
  VBO* vbo = device->createVBO(kVertices, def.get(), DisplayGL::MODE_STATIC);
  VertexP3N3* v = static_cast<VertexP3N3*>(vbo->lock(true, false, -1, -1));
  for (int i = 0; i < kVertices; ++i) {
    v[i].p = mathbase::Vector3f((i % 1000) / 500.0f - 1.0f, (i / 1000) / 500.0f - 1.0f, 0.0f);
    v[i].n = mathbase::Vector3f(0.0f, 0.0f, 1.0f);
  }
  vbo->unlock();
  Shader* shader = device->createShader("points", def.get());
  device->resetStates();
  device->setShader(shader);
  device->setVBO(vbo);
  for (auto _ : state) {
    device->draw(DisplayGL::DRAW_POINTS);
    glFinish();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kVertices));
  device->resetStates();
  shader->destroy();
  vbo->destroy();
}
BENCHMARK(BM_VboDraw1M)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
