// A generated scene of about a million triangles: read from its file, built
// into GPU buffers, uploaded and drawn. Each iteration that touches the GPU
// waits for it (glFinish), so the times include the driver's work.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "brn_mesh.h"
#include "dis_display_glfw.h"
#include "dis_glinclude.h"
#include "z3d_grid.h"
#include "z3d_manager.h"
#include "zlk_system.h"

namespace zelkor {
// Only failures are worth printing between the figures.
void zlk_log_callback(const LogData& data) {
  if (std::strcmp(data.type, "error") == 0) std::fprintf(stderr, "[%s] %s\n", data.type, data.message);
}
}  // namespace zelkor

namespace {

using namespace zelkor;
using display::DisplayGL;

const int kGrid = 708;  // 2 · 708² = 1 002 528 triangles
const double kTriangles = 2.0 * kGrid * kGrid;

// The scene file on disk, a device with a window, and a program that draws
// the mesh, for the whole run.
struct Bench {
  Bench() : folder(std::filesystem::temp_directory_path() / ("brontel_bench." + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder);
    scene = (folder / "grid.z3d").string();
    std::unique_ptr<z3d::Manager> generated(z3d_bench::makeGrid(kGrid));
    generated->save(scene);
    fileSize = std::filesystem::file_size(scene);
    std::ofstream(folder / "mesh.vert") << "attribute vec3 va_position;\n"
                                           "attribute vec3 va_normal;\n"
                                           "varying vec3 vNormal;\n"
                                           "void main() {\n"
                                           "  vNormal = va_normal;\n"
                                           "  gl_Position = vec4(va_position.x / 354.0 - 1.0, va_position.z / 354.0 - 1.0, 0.0, 1.0);\n"
                                           "}\n";
    std::ofstream(folder / "mesh.frag") << "varying vec3 vNormal;\n"
                                           "void main() { gl_FragColor = vec4(vNormal, 1.0); }\n";
    archive.addArchive(folder.string() + "/");
    device.reset(new display::DisplayGLFW());
    display::WindowMode mode("brontel bench", 640, 360, false);
    mode.fpsMode = display::WindowMode::FPS_VARIABLE;
    mode.fps = 60.0f;
    device->open(mode);
    device->setArchive(&archive);
    vertexDef.reset(display::VertexP3N3::getVertexDef("va_"));
  }
  ~Bench() {
    device.reset();
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder;
  std::string scene;
  uintmax_t fileSize = 0;
  am::ArchiveManager archive;
  std::unique_ptr<display::DisplayGLFW> device;
  std::unique_ptr<display::VertexDef> vertexDef;
};

Bench& bench() {
  static Bench instance;
  return instance;
}

std::vector<unsigned char> readScene() {
  std::ifstream in(bench().scene, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void loadScene(z3d::Manager& manager) {
  const std::vector<unsigned char> bytes = readScene();
  manager.load(bytes.data(), static_cast<int>(bytes.size()), bench().scene);
}

// Builds the buffers and makes the driver take them.
void upload(brontel::Mesh& mesh, const z3d::Mesh* scene) {
  mesh.load(bench().device.get(), scene, bench().vertexDef.get(), "va_", nullptr);
  mesh.getVBO()->restoreResource();
  mesh.getIBO()->restoreResource();
  glFinish();
}

void fileRate(benchmark::State& state) {
  state.counters["MB/s read"] =
      benchmark::Counter(static_cast<double>(bench().fileSize) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["file_MB"] = static_cast<double>(bench().fileSize) / 1e6;
}

void triangleRate(benchmark::State& state, const char* name) {
  state.counters[name] = benchmark::Counter(kTriangles * state.iterations(), benchmark::Counter::kIsRate);
}

// The file from disk into a scene manager.
void BM_ReadScene1M(benchmark::State& state) {
  bench();
  for (auto _ : state) {
    z3d::Manager manager;
    loadScene(manager);
    benchmark::DoNotOptimize(manager.getMesh(0));
  }
  fileRate(state);
  triangleRate(state, "triangles/s");
}
BENCHMARK(BM_ReadScene1M)->Unit(benchmark::kMillisecond)->UseRealTime();

// A loaded scene mesh into vertex and index buffers, uploaded.
void BM_UploadMesh1M(benchmark::State& state) {
  z3d::Manager manager;
  loadScene(manager);
  const z3d::Mesh* scene = manager.getMesh(0);
  for (auto _ : state) {
    std::unique_ptr<brontel::Mesh> mesh(new brontel::Mesh);
    upload(*mesh, scene);
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  triangleRate(state, "triangles/s uploaded");
  const double bytes = scene->getVertices().size() * 24.0 + kTriangles * 3 * 4;
  state.counters["buffer_MB"] = bytes / 1e6;
}
BENCHMARK(BM_UploadMesh1M)->Unit(benchmark::kMillisecond)->UseRealTime();

// Everything from the file on disk to buffers the GPU holds.
void BM_ReadAndUpload1M(benchmark::State& state) {
  bench();
  for (auto _ : state) {
    std::unique_ptr<z3d::Manager> manager(new z3d::Manager);
    std::unique_ptr<brontel::Mesh> mesh(new brontel::Mesh);
    loadScene(*manager);
    upload(*mesh, manager->getMesh(0));
    state.PauseTiming();
    mesh.reset();
    manager.reset();
    state.ResumeTiming();
  }
  fileRate(state);
  triangleRate(state, "triangles/s uploaded");
}
BENCHMARK(BM_ReadAndUpload1M)->Unit(benchmark::kMillisecond)->UseRealTime();

// Drawing the uploaded mesh once (software rasterisers make this the slow part).
void BM_DrawMesh1M(benchmark::State& state) {
  DisplayGL* device = bench().device.get();
  z3d::Manager manager;
  loadScene(manager);
  brontel::Mesh mesh;
  upload(mesh, manager.getMesh(0));
  display::Shader* shader = device->createShader("mesh", bench().vertexDef.get());
  device->resetStates();
  device->setShader(shader);
  for (auto _ : state) {
    mesh.draw();
    glFinish();
  }
  triangleRate(state, "triangles/s drawn");
  device->resetStates();
  shader->destroy();
}
BENCHMARK(BM_DrawMesh1M)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
