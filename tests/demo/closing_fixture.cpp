#include "closing_fixture.h"

#include <ostream>

#include "dis_windowmode.h"

namespace closing_test {

using namespace zelkor;

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

void ClosingTest::SetUp() {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (run under scripts/xvfb.sh)";
  scratch.reset(new kindra_test::ScratchDir("closing"));
  archive.reset(new am::ArchiveManager());
  ASSERT_GE(archive->addArchive(scratch->path() + "/"), 0);
  device.reset(new TestDisplay());
  display::WindowMode mode("closing test", kWidth, kHeight, false);
  mode.fpsMode = display::WindowMode::FPS_VARIABLE;
  device->open(mode);
  ASSERT_EQ(device->getWindowMode().width, kWidth) << "the window system changed the size";
  ASSERT_EQ(device->getWindowMode().height, kHeight);
  device->setArchive(archive.get());
}

void ClosingTest::TearDown() {
  if (device) {
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "a GL error was left behind";
    device.reset();
  }
  archive.reset();
  scratch.reset();
}

void ClosingTest::writePicture(const std::string& name, int width, int height,
                               const std::function<Rgb(int x, int y)>& pixel) {
  am::Image image(new am::ImageObject(width, height));
  unsigned char* data = image->getWriteData();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      unsigned char* p = data + (static_cast<size_t>(y) * width + x) * 4;
      p[0] = static_cast<unsigned char>(c.b);
      p[1] = static_cast<unsigned char>(c.g);
      p[2] = static_cast<unsigned char>(c.r);
      p[3] = 255;
    }
  }
  ASSERT_TRUE(archive->writeImage(name, image)) << name;
}

void ClosingTest::useDataFolder() {
  archive.reset(new am::ArchiveManager());
  ASSERT_GE(archive->addArchive(kindra_test::sourceDir() + "/data/"), 0);
  device->setArchive(archive.get());
}

void ClosingTest::beginFrame(float background) {
  device->resetStates();
  glClearColor(background, background, background, 1.0f);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Rgb ClosingTest::pixel(int x, int y) const {
  uint8_t p[4] = {0, 0, 0, 0};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return Rgb{p[0], p[1], p[2]};
}

std::vector<uint8_t> ClosingTest::frame() const {
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

}  // namespace closing_test
