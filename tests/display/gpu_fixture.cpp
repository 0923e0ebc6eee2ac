#include "gpu_fixture.h"

#include <filesystem>
#include <ostream>

#include "am_image.h"
#include "zlk_system.h"

namespace gpu_test {

using namespace zelkor;

std::ostream& operator<<(std::ostream& out, const Rgba& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

void GpuTest::SetUp() {
  mLog.clear();
  mCapture.reset(new kindra_test::StdoutCapture());
  scratch.reset(new kindra_test::ScratchDir("gpu"));
  archive.reset(new am::ArchiveManager());
  ASSERT_GE(archive->addArchive(scratch->path() + "/"), 0);
  device.reset(new display::DisplayGLFW());
  display::WindowMode mode("gpu test", kSize, kSize, false);
  mode.fpsMode = display::WindowMode::FPS_VARIABLE;
  mode.fps = 60.0f;
  device->open(mode);
  ASSERT_EQ(device->getWindowMode().width, kSize) << "the window system changed the size";
  ASSERT_EQ(device->getWindowMode().height, kSize);
  device->setArchive(archive.get());
  pixelSpace();
}

void GpuTest::TearDown() {
  if (device) {
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "a GL error was left behind";
    EXPECT_TRUE(device->getResources().empty())
        << device->getResources().size() << " resources outlived the test";
    device.reset();
  }
  archive.reset();
  scratch.reset();
  const std::string log = takeLog();
  mCapture.reset();
  std::fputs(log.c_str(), stdout);
  EXPECT_EQ(log.find("GL-error"), std::string::npos) << "a GL error was reported";
}

std::string GpuTest::takeLog() {
  std::string text = mLog;
  mLog.clear();
  if (mCapture) {
    text += mCapture->finish();
    mCapture.reset(new kindra_test::StdoutCapture());
  }
  return text;
}

am::Image GpuTest::makeImage(int width, int height, const PixelFunction& pixel) {
  am::Image image(new am::ImageObject(width, height));
  unsigned char* data = image->getWriteData();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgba c = pixel(x, y);
      unsigned char* p = data + (static_cast<size_t>(y) * width + x) * 4;
      p[0] = static_cast<unsigned char>(c.b);
      p[1] = static_cast<unsigned char>(c.g);
      p[2] = static_cast<unsigned char>(c.r);
      p[3] = static_cast<unsigned char>(c.a);
    }
  }
  return image;
}

void GpuTest::writePng(const std::string& name, const am::Image& image) {
  ASSERT_TRUE(archive->writeImage(name, image)) << name;
}

void GpuTest::writeText(const std::string& name, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(scratch->file(name)).parent_path());
  ASSERT_TRUE(kindra_test::writeFile(scratch->file(name), text)) << name;
}

void GpuTest::writeColorShader(const std::string& prefix) {
  writeText(prefix + ".vert",
            "attribute vec2 position;\n"
            "attribute vec4 color;\n"
            "varying vec4 vColor;\n"
            "void main() {\n"
            "  vColor = color;\n"
            "  gl_Position = gl_ModelViewProjectionMatrix * vec4(position, 0.0, 1.0);\n"
            "}\n");
  writeText(prefix + ".frag",
            "uniform vec4 tint;\n"
            "varying vec4 vColor;\n"
            "void main() { gl_FragColor = vColor * tint; }\n");
}

display::VertexDef* colorVertexDef() {
  display::VertexDef* def = new display::VertexDef(sizeof(ColorVertex));
  def->addAttribute(display::VertexAttribute(0, "position", 0, display::TYPE_FLOAT, 2));
  def->addAttribute(display::VertexAttribute(1, "color", 8, display::TYPE_FLOAT, 4));
  return def;
}

void colorQuad(ColorVertex* out, float x0, float y0, float x1, float y1, float r, float g, float b, float a) {
  const float corners[6][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}};
  for (int i = 0; i < 6; ++i) out[i] = ColorVertex{corners[i][0], corners[i][1], r, g, b, a};
}

void GpuTest::pixelSpace() {
  device->resetStates();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kSize, 0, kSize, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor4f(1, 1, 1, 1);
}

void GpuTest::clear(float r, float g, float b, float a) {
  glClearColor(r, g, b, a);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GpuTest::drawQuad(float x0, float y0, float x1, float y1) {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex2f(x0, y0);
  glTexCoord2f(1, 1);
  glVertex2f(x1, y0);
  glTexCoord2f(1, 0);
  glVertex2f(x1, y1);
  glTexCoord2f(0, 0);
  glVertex2f(x0, y1);
  glEnd();
}

Rgba GpuTest::pixel(int x, int y) {
  unsigned char p[4] = {0, 0, 0, 0};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return Rgba{p[0], p[1], p[2], p[3]};
}

std::string GpuTest::errorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const Exception& e) {
    return e.what();
  }
  return std::string();
}

}  // namespace gpu_test
