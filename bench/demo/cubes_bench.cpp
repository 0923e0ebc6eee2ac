// The cubes scene on the device at 1280x720: the tower's set-up (the strands
// dominate it) and one whole frame of the scene with the tower grown. Each is
// also given as a multiple of a frame that only clears the screen, measured
// in the same run, so that figures from different machines compare.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "bench_device.h"
#include "cubes.h"
#include "dis_display.h"
#include "dis_glinclude.h"

namespace {


using demo_bench::NoProgress;

struct Bench : demo_bench::Device {
  Bench() : demo_bench::Device("cubes bench") {}
  ~Bench() {
    cubes.reset();
    device.reset();
  }
  Cubes& scene() {
    if (!cubes) {
      cubes.reset(new Cubes);
      cubes->mType = "Cubes";
      cubes->mName = "Cubes";
      cubes->load(device.get());
      NoProgress progress;
      cubes->setup(progress);
    }
    return *cubes;
  }
  // The scene drawn once at the drop with the tower nearly whole, before the
  // explosion: the moment every cubes figure is taken at.
  Cubes& sceneAtDrop() {
    Cubes& scene = this->scene();
    scene.update(kDrop);
    scene.draw(kDrop, 1.0f / 60.0f, kDrop / 64.0f);
    glFinish();
    return scene;
  }
  static constexpr float kDrop = 26.0f;
  std::unique_ptr<Cubes> cubes;
};

Bench& bench() {
  static Bench instance;
  return instance;
}

void BM_ClearFrame(benchmark::State& state) {
  Bench& b = bench();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
  }
  (void)b;
}
BENCHMARK(BM_ClearFrame)->Unit(benchmark::kMillisecond);

void BM_TowerSetup(benchmark::State& state) {
  Bench& b = bench();
  double seconds = 0;
  for (auto _ : state) {
    Cubes cubes;
    cubes.mDisplay = b.device.get();
    NoProgress progress;
    const auto start = std::chrono::steady_clock::now();
    cubes.setupTower(progress);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double clear = b.clearFrame();
  state.counters["clear_frames"] = seconds / static_cast<double>(state.iterations()) / clear;
}
BENCHMARK(BM_TowerSetup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_CubesFrame(benchmark::State& state) {
  Bench& b = bench();
  Cubes& cubes = b.sceneAtDrop();
  const float local = Bench::kDrop;
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    b.device->resetStates();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    cubes.update(local);
    cubes.draw(local, 1.0f / 60.0f, local / 64.0f);
    glFinish();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double clear = b.clearFrame();
  state.counters["clear_frames"] = seconds / static_cast<double>(state.iterations()) / clear;
}
BENCHMARK(BM_CubesFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Where a frame's time goes: one part of it at a time, in the state the
// whole frame leaves (0 shadow map, 1 sun, 2 clouds, 3 landscape, 4 tower,
// 5 the composite with ambient occlusion).
void BM_CubesFramePart(benchmark::State& state) {
  Bench& b = bench();
  Cubes& cubes = b.sceneAtDrop();
  const float local = Bench::kDrop;
  const float delta = 1.0f / 60.0f;
  const int part = static_cast<int>(state.range(0));
  const char* names[] = {"shadow map", "sun", "clouds", "landscape", "tower", "composite"};
  state.SetLabel(names[part]);
  for (auto _ : state) {
    switch (part) {
      case 0:
        cubes.createShadowMap(local, delta, 0.0f, cubes.m_matView2world);
        break;
      case 1:
      case 2:
        b.device->resetStates();
        cubes.mdo.setProject(45.0f * 3.1415927f / 180.0f, 1280.0f / 720.0f, 0.2f, 1720.0f);
        cubes.mdo.setCamera(cubes.m_matWorld2View);
        if (part == 1) cubes.drawSun(local, delta, 0.0f, 0);
        if (part == 2) cubes.drawBirds(local, delta, 0.0f, 0);
        break;
      case 5:
        b.device->resetStates();
        cubes.drawComposite(local);
        break;
      default:
        b.device->resetStates();
        cubes.mdo.setProject(45.0f * 3.1415927f / 180.0f, 1280.0f / 720.0f, 0.2f, 1720.0f);
        cubes.mdo.setCamera(cubes.m_matWorld2View);
        b.device->setFBO(cubes.mFBO);
        glEnable(GL_DEPTH_TEST);
        if (part == 3) cubes.drawLandscape(local, delta, 0.0f, 0);
        if (part == 4) cubes.drawTower(local, delta, 0.0f, 0);
        b.device->setFBO(nullptr);
        break;
    }
    glFinish();
  }
}
BENCHMARK(BM_CubesFramePart)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The floor of the clouds on this driver: the same 6,000 quads from the same
// buffers, with the same blending and screen coverage, through the simplest
// program that places them and a 1x1 texture.
GLuint compileFloorProgram() {
  static const char* vertex =
      "#version 120\n"
      "attribute vec3 va_pos; attribute vec2 va_displacement; attribute float va_radius; attribute vec4 va_color;\n"
      "uniform vec3 cameraRight; uniform vec3 cameraUp; varying vec4 vColor;\n"
      "void main() {\n"
      "  vec3 world = va_pos + (cameraRight * va_displacement.x + cameraUp * va_displacement.y) * va_radius;\n"
      "  vColor = va_color;\n"
      "  gl_Position = gl_ModelViewProjectionMatrix * vec4(world, 1.0);\n"
      "}\n";
  static const char* fragment =
      "#version 120\n"
      "uniform sampler2D tex; varying vec4 vColor;\n"
      "void main() { gl_FragColor = texture2D(tex, vec2(0.5)) * vColor; }\n";
  const GLuint program = glCreateProgram();
  const GLenum kinds[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
  const char* sources[2] = {vertex, fragment};
  for (int i = 0; i < 2; ++i) {
    const GLuint shader = glCreateShader(kinds[i]);
    glShaderSource(shader, 1, &sources[i], nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
  }
  const char* names[4] = {"va_pos", "va_displacement", "va_radius", "va_color"};
  for (int i = 0; i < 4; ++i) glBindAttribLocation(program, static_cast<GLuint>(i), names[i]);
  glLinkProgram(program);
  return program;
}

void BM_CloudsFloor(benchmark::State& state) {
  Bench& b = bench();
  Cubes& cubes = b.sceneAtDrop();
  const GLuint program = compileFloorProgram();
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  const unsigned char white[4] = {255, 255, 255, 255};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  const auto right = cubes.m_matView2world.multiplyVector(zelkor::mathbase::Vector3f(1.0f, 0.0f, 0.0f)).getNormalized();
  const auto up = cubes.m_matView2world.multiplyVector(zelkor::mathbase::Vector3f(0.0f, -1.0f, 0.0f)).getNormalized();
  for (auto _ : state) {
    b.device->resetStates();
    cubes.mdo.setProject(45.0f * 3.1415927f / 180.0f, 1280.0f / 720.0f, 0.2f, 1720.0f);
    cubes.mdo.setCamera(cubes.m_matWorld2View);
    zelkor::mathbase::Matrix4x4Col identity;
    identity.setIdentity();
    cubes.mdo.setTransform(identity);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glUseProgram(program);
    glUniform3f(glGetUniformLocation(program, "cameraRight"), right.x, right.y, right.z);
    glUniform3f(glGetUniformLocation(program, "cameraUp"), up.x, up.y, up.z);
    glUniform1i(glGetUniformLocation(program, "tex"), 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    b.device->setVBO(cubes.mCloudVBO);
    b.device->setIBO(cubes.mCloudIBO);
    b.device->draw(zelkor::display::DisplayGL::DRAW_TRIANGLES, -1, -1, -1, -1);
    b.device->setVBO(nullptr);
    b.device->setIBO(nullptr);
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glFinish();
  }
  glDeleteTextures(1, &texture);
  glDeleteProgram(program);
  state.SetLabel("clouds floor");
}
BENCHMARK(BM_CloudsFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
