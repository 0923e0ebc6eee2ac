// The bitmap font on a real device, with small glyph sheets made by the
// tests: advances from the sheet, and text drawn exactly into its cells.

#include "dis_font.h"
#include "dis_texture_gl.h"
#include "gpu_fixture.h"
#include "zlk_system.h"

namespace {

using namespace zelkor;
using namespace zelkor::display;
using gpu_test::GpuTest;
using gpu_test::Rgba;

// A 128 x 128 sheet of 8 x 8 cells. 'A': a block of columns 0-4, rows 1-6;
// 'B': columns 0-2, all rows; 'C': an opaque column 3 and a faint column 7
// (too faint to count for the advance). Coverage is in the red channel.
bool glyphCovers(int code, int column, int row) {
  if (code == 'A') return column <= 4 && row >= 1 && row <= 6;
  if (code == 'B') return column <= 2;
  return false;
}

Rgba sheetPixel(int x, int y) {
  const int code = (y / 8) * 16 + x / 8;
  const int column = x % 8;
  const int row = y % 8;
  if (glyphCovers(code, column, row)) return Rgba{255, 0, 40, 255};
  if (code == 'C' && column == 3) return Rgba{255, 0, 0, 255};
  if (code == 'C' && column == 7) return Rgba{150, 0, 0, 255};
  return Rgba{0, 0, 0, 255};
}

class FontTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    writePng("font.png", makeImage(128, 128, sheetPixel));
  }

  // Draws `text` with the origin at (ox, oy) on black.
  void drawText(Font& font, const std::string& text, float ox, float oy, float zoom = 1.0f) {
    pixelSpace();
    clear(0, 0, 0);
    glTranslatef(ox, oy, 0);
    font.draw(text, mathbase::Vector2f(zoom, zoom), mathbase::Vector4f(1, 1, 1, 1));
  }

  // Compares the area around the text with the cells that should be lit.
  void expectLit(const std::function<bool(int x, int y)>& lit) {
    int wrong = 0;
    for (int y = 80; y < 120; ++y) {
      for (int x = 20; x < 110; ++x) {
        const Rgba want = lit(x, y) ? Rgba{255, 255, 255, 0} : Rgba{0, 0, 0, 0};
        Rgba got = pixel(x, y);
        got.a = 0;
        if (!(got == want) && ++wrong < 6) ADD_FAILURE() << "pixel " << x << "," << y << ": " << got;
      }
    }
    EXPECT_EQ(wrong, 0);
  }

  // Cell row r of a glyph drawn centred on y = oy with height 8 lands on
  // pixel row oy + 3 - r.
  static bool glyphAt(int code, int left, int oy, int x, int y) {
    const int column = x - left;
    const int row = oy + 3 - y;
    return column >= 0 && column < 8 && row >= 0 && row < 8 && glyphCovers(code, column, row);
  }
};

TEST_F(FontTest, AdvancesComeFromTheRightmostOpaqueColumnOfEachCell) {
  Font font(device.get());
  font.load("font.png", false, mathbase::Vector2f(256, 256));
  EXPECT_EQ(font.getCharWidth(), 8);
  EXPECT_EQ(font.getCharHeight(), 8);
  EXPECT_FLOAT_EQ(font.getHeight(), 8.0f);
  EXPECT_FLOAT_EQ(font.getKerning('A'), 6.0f);
  EXPECT_FLOAT_EQ(font.getKerning('B'), 4.0f);
  EXPECT_FLOAT_EQ(font.getKerning('C'), 5.0f) << "alpha 150 does not count";
  EXPECT_FLOAT_EQ(font.getKerning('x'), 2.0f) << "an empty cell";
  EXPECT_FLOAT_EQ(font.getKerning(' '), 8 * 0.3f + 2.0f);
  EXPECT_FLOAT_EQ(font.getLength("AB A", 2.0f), 2.0f * (6 + 4 + 4.4f + 6));
  font.setSizeOfSpace(10.0f);
  EXPECT_FLOAT_EQ(font.getLength(" ", 1.0f), 10.0f);
  EXPECT_FLOAT_EQ(font.getLength("\xff", 1.0f), 2.0f) << "codes are unsigned bytes";
}

TEST_F(FontTest, AdvanceScalesWithTheOutputUnitsPerPixel) {
  // 256 x 256 sheet: 16-pixel cells; glyph 'A' reaches column 9
  writePng("big.png", makeImage(256, 256, [](int x, int y) {
             const bool lit = (y / 16) * 16 + x / 16 == 'A' && x % 16 <= 9 && y % 16 == 4;
             return Rgba{lit ? 255 : 0, 0, 0, 255};
           }));
  Font font(device.get());
  font.load("big.png", true, mathbase::Vector2f(512, 128));  // 2 units per pixel across, 0.5 up
  EXPECT_EQ(font.getCharWidth(), 16);
  EXPECT_FLOAT_EQ(font.getKerning('A'), 11.0f * 2.0f);
}

TEST_F(FontTest, TextCoversExactlyItsGlyphCells) {
  Font font(device.get());
  font.load("font.png", false, mathbase::Vector2f(256, 256));
  drawText(font, "AB", 40, 100);
  // 'A' starts at the origin, 'B' one advance of 'A' (6) later
  expectLit([](int x, int y) { return glyphAt('A', 40, 100, x, y) || glyphAt('B', 46, 100, x, y); });
  EXPECT_EQ(pixel(41, 98), (Rgba{255, 255, 255, pixel(41, 98).a})) << "glyphs are white whatever the sheet's green and blue";
}

TEST_F(FontTest, AlignmentPutsTheEndOrTheCentreAtTheOrigin) {
  Font font(device.get());
  font.load("font.png", false, mathbase::Vector2f(256, 256));
  font.setAlignment(Font::ALIGN_RIGHT);
  drawText(font, "AB", 100, 100);
  // the text's advance (6 + 4) ends exactly at x = 100
  expectLit([](int x, int y) { return glyphAt('A', 90, 100, x, y) || glyphAt('B', 96, 100, x, y); });

  font.setAlignment(Font::ALIGN_CENTER);
  drawText(font, "AB", 60, 100);
  expectLit([](int x, int y) { return glyphAt('A', 55, 100, x, y) || glyphAt('B', 61, 100, x, y); });
}

TEST_F(FontTest, ZoomScalesGlyphsAndAdvances) {
  Font font(device.get());
  font.load("font.png", false, mathbase::Vector2f(256, 256));
  drawText(font, "BB", 40, 100, 2.0f);
  // 16 x 16 cells from y = 92 to 108, the second one 8 units on; magnified
  // texels blend at the glyphs' edges, so only their insides are exact
  const Rgba white{255, 255, 255, 255};
  const Rgba black{0, 0, 0, 255};
  const auto at = [&](int x, int y) {
    Rgba c = pixel(x, y);
    c.a = 255;
    return c;
  };
  for (int y = 94; y <= 105; ++y) {
    for (int x : {41, 44, 49, 52}) EXPECT_EQ(at(x, y), white) << x << "," << y;
    for (int x : {38, 47, 55, 60}) EXPECT_EQ(at(x, y), black) << x << "," << y;
  }
  EXPECT_EQ(at(42, 90), black);
  EXPECT_EQ(at(42, 110), black);
}

TEST_F(FontTest, DrawingLeavesTheDevicesTextureBindingsTrue) {
  Font font(device.get());
  font.load("font.png", false, mathbase::Vector2f(256, 256));
  am::Image picture = makeImage(2, 2, [](int, int) { return Rgba{1, 2, 3, 4}; });
  TextureDeclaration decl;
  decl.useMipmaps = false;
  Texture* texture = device->createTexture(picture, decl);
  pixelSpace();
  device->setTexture(texture, 2);  // unit 2 is active when the font draws
  font.draw("A", mathbase::Vector2f(1, 1), mathbase::Vector4f(1, 1, 1, 1));
  device->setTexture(texture, 0);
  GLint active = 0, bound = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(active, GL_TEXTURE0);
  EXPECT_EQ(static_cast<GLuint>(bound), static_cast<Texture_GL*>(texture)->getTextureGL());
  EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "the font's states are popped";
  device->resetStates();
  texture->destroy();
}

TEST_F(FontTest, TheFontOwnsOneTextureAndSurvivesDisposeAndRestore) {
  {
    Font font(device.get());
    font.draw("A", mathbase::Vector2f(1, 1), mathbase::Vector4f(1, 1, 1, 1));  // nothing loaded: nothing drawn
    font.load("font.png", false, mathbase::Vector2f(256, 256));
    font.load("font.png", false, mathbase::Vector2f(256, 256));
    EXPECT_EQ(device->getResources().size(), 1u) << "loading again replaces the texture";
    device->disposeResources();
    drawText(font, "AB", 40, 100);
    expectLit([](int x, int y) { return glyphAt('A', 40, 100, x, y) || glyphAt('B', 46, 100, x, y); });
  }
  EXPECT_TRUE(device->getResources().empty()) << "the font's texture went with it";
}

TEST_F(FontTest, LoadingFailsClearly) {
  Font font(device.get());
  EXPECT_EQ(errorOf([&] { font.load("nofont.png", false, mathbase::Vector2f(256, 256)); }),
            "Could not load font from 'nofont.png'!");
  writePng("tiny.png", makeImage(8, 8, sheetPixel));
  EXPECT_NE(errorOf([&] { font.load("tiny.png", false, mathbase::Vector2f(256, 256)); }).find("Could not load font from 'tiny.png'!"),
            std::string::npos);
  device->setArchive(nullptr);
  EXPECT_EQ(errorOf([&] { font.load("font.png", false, mathbase::Vector2f(256, 256)); }),
            "Cannot load font from 'font.png', no archive added to the display!");
  EXPECT_EQ(font.getTexture(), nullptr);
  EXPECT_NE(errorOf([] { Font none(nullptr); }).find("pDisplay"), std::string::npos);
}

}  // namespace
