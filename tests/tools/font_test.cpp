// The generated font sheet through the real font loader on a 1280 x 720
// window: advances in a sensible range that cover each glyph's ink, and text
// drawn where its length says. The drawing is kept as
// tests/artifacts/font_sample.png for a look by eye.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "am.h"
#include "am_image.h"
#include "dis_display_glfw.h"
#include "dis_font.h"
#include "dis_glinclude.h"
#include "gl_fixture.h"
#include "test_support.h"

namespace {

using namespace zelkor;
using mathbase::Vector2f;
using mathbase::Vector4f;

const int kWidth = 1280;
const int kHeight = 720;

class FontOnScreen : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(archive.addArchive(kindra_test::sourceDir() + "/data/"), 0);
    device.reset(new display::DisplayGLFW());
    display::WindowMode mode("font test", kWidth, kHeight, false);
    mode.fpsMode = display::WindowMode::FPS_VARIABLE;
    device->open(mode);
    ASSERT_EQ(device->getWindowMode().width, kWidth);
    ASSERT_EQ(device->getWindowMode().height, kHeight);
    device->setArchive(&archive);
    font.reset(new display::Font(device.get()));
    font->load("fonthelvete2.png", true, Vector2f(kWidth, kHeight));  // one unit per pixel
  }

  void TearDown() override {
    font.reset();
    device.reset();
  }

  am::ArchiveManager archive;
  std::unique_ptr<display::DisplayGLFW> device;
  std::unique_ptr<display::Font> font;
};

TEST_F(FontOnScreen, TextIsDrawnCrisplyWithinItsLength) {
  device->resetStates();
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kWidth, 0, kHeight, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  const std::string lines[] = {
      "The quick brown fox jumps over the lazy dog.",
      "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG!",
      "0123456789  0.0 10.0 123.5  spline.type.square  context.on/off",
      "{[(\"Hello\", 'world')]}  a+b=c;  x*y/z%w  @#$&|\\~`^_<>?",
  };
  const float left = 20.0f;
  for (int i = 0; i < 4; ++i) {
    glLoadIdentity();
    glTranslatef(left, kHeight - 30.0f - 20.0f * i, 0.0f);
    font->draw(lines[i], Vector2f(1, 1), Vector4f(1, 1, 1, 1));
  }
  glLoadIdentity();
  glTranslatef(left, kHeight - 130.0f, 0.0f);
  font->draw("Effect: tunnel  start 20.0  end 60.0 (zoom 2, orange)", Vector2f(2, 2), Vector4f(1, 0.6f, 0.2f, 1));

  am::Image shot(new am::ImageObject(kWidth, kHeight));
  device->getScreenShot(shot);
  const std::string artifacts = kindra_test::sourceDir() + "/tests/artifacts";
  std::filesystem::create_directories(artifacts);
  am::ArchiveManager out;
  ASSERT_GE(out.addArchive(artifacts + "/"), 0);
  EXPECT_TRUE(out.writeImage("font_sample.png", shot));

  // the first line: lit pixels from its start to its length, none beyond
  const unsigned char* pixels = shot->getData();
  int first = kWidth, last = -1;
  for (int y = 30 - 8; y < 30 + 8; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (pixels[(static_cast<size_t>(y) * kWidth + x) * 4 + 2] > 60) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
    }
  }
  EXPECT_GE(first, left);
  EXPECT_LE(first, left + 2);
  EXPECT_LT(last, left + font->getLength(lines[0], 1.0f));
  EXPECT_GT(last, left + font->getLength(lines[0], 1.0f) - 12);

  // Crisp: a character alone on black shows its cell texel for pixel.
  am::Image sheet = archive.loadImage("fonthelvete2.png", -1, true);
  ASSERT_FALSE(sheet.isNull());
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  const std::string alone = "W@g";
  for (size_t i = 0; i < alone.size(); ++i) {
    const char c = alone[i];
    const int code = static_cast<unsigned char>(c);
    const int ox = 100 + 40 * static_cast<int>(i), oy = 100;  // the cell spans rows oy - 8 .. oy + 7 from the bottom
    glLoadIdentity();
    glTranslatef(static_cast<float>(ox), static_cast<float>(oy), 0.0f);
    font->draw(std::string(1, c), Vector2f(1, 1), Vector4f(1, 1, 1, 1));
    std::vector<uint8_t> drawn = kindra_test::readPixelsRGBA(ox, oy - 8, 16, 16);
    int wrong = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const int texel =
            sheet->getData()[(static_cast<size_t>((code / 16) * 16 + 15 - y) * sheet->getWidth() + (code % 16) * 16 + x) * 4 + 2];
        if (std::abs(drawn[(y * 16 + x) * 4] - texel) > 2) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << c;
  }
}

}  // namespace
