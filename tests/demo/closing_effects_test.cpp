// The closing effects drawn on a real device and read back: the character
// grid and the credits strips land at the exact texture coordinates and
// pixel positions, fade and move as their draw arguments say; the end picture
// follows its spline; the generated pictures have the sizes the effects need.

#include <gtest/gtest.h>

#include <cmath>

#include "ascii.h"
#include "closing_fixture.h"
#include "cred.h"
#include "end.h"

namespace {

using closing_test::ClosingTest;
using closing_test::Rgb;
using zelkor::mathbase::SplineBaseKey;

const int kW = ClosingTest::kWidth;
const int kH = ClosingTest::kHeight;

// ---------------------------------------------------------------- ascii

// Every 8 x 8 cell of the test grid has its own colour.
Rgb cellColour(int cx, int cy) { return Rgb{20 + cx * 2, 30 + cy * 10, 200}; }

// Window pixel at the centre of cell (cx, cy) of the grid in place.
int cellX(int cx) { return kW / 2 + (cx - 47) * 8 + 4; }
int cellY(int cy) { return kH / 2 + (cy - 10) * 8 + 4; }

class AsciiTest : public ClosingTest {
 protected:
  void SetUp() override {
    ClosingTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    writePicture("ascii/ascii.png", 752, 160, [](int x, int y) { return cellColour(x / 8, y / 8); });
    effect.mDisplay = device.get();
    effect.setup();
  }
  void draw(float timer, float percent) {
    beginFrame();
    effect.draw(timer, 1.0f / 60.0f, percent);
  }
  Ascii effect;
};

TEST_F(AsciiTest, EveryCellStartsToFallAfterItsRowsTime) {
  ASSERT_EQ(effect.mChar.size(), 94u * 20u);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 94; ++x) {
      const float offset = effect.mChar[y * 94 + x].mOffset;
      EXPECT_GE(offset, (20 - y) * 0.5f) << x << "," << y;
      EXPECT_LE(offset, (20 - y) * 0.5f + 0.5f) << x << "," << y;
    }
  }
}

TEST_F(AsciiTest, TheGridShowsEachCellAtItsOwnPixelSizeInTheMiddle) {
  draw(1.0f, 0.5f);
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "blending stays on";
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  const int cells[][2] = {{0, 0}, {93, 0}, {0, 19}, {93, 19}, {47, 10}, {46, 9}, {12, 7}, {80, 15}};
  for (const auto& c : cells) {
    SCOPED_TRACE(testing::Message() << "cell " << c[0] << "," << c[1]);
    // the cell's centre and its corners' pixels
    EXPECT_EQ(pixel(cellX(c[0]), cellY(c[1])), cellColour(c[0], c[1]));
    EXPECT_EQ(pixel(cellX(c[0]) - 4, cellY(c[1]) - 4), cellColour(c[0], c[1]));
    EXPECT_EQ(pixel(cellX(c[0]) + 3, cellY(c[1]) + 3), cellColour(c[0], c[1]));
  }
  // nothing outside the 752 x 160 grid
  EXPECT_EQ(pixel(cellX(0) - 5, cellY(0)), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(cellX(93) + 4, cellY(0)), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(cellX(0), cellY(0) - 5), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(cellX(0), cellY(19) + 4), (Rgb{0, 0, 0}));
}

TEST_F(AsciiTest, TheGridFadesInDuringTheFirstEighth) {
  draw(0.0f, 0.0f);
  EXPECT_EQ(pixel(cellX(47), cellY(10)), (Rgb{0, 0, 0})) << "black at the start";
  draw(0.5f, 1.0f / 16.0f);
  const Rgb half = pixel(cellX(47), cellY(10));
  const Rgb full = cellColour(47, 10);
  EXPECT_NEAR(half.r, full.r / 2.0, 1.5);
  EXPECT_NEAR(half.g, full.g / 2.0, 1.5);
  EXPECT_NEAR(half.b, full.b / 2.0, 1.5);
  draw(0.5f, 0.125f);
  EXPECT_EQ(pixel(cellX(47), cellY(10)), full) << "full at an eighth";
}

TEST_F(AsciiTest, ACellFallsStraightDownOnceItsTimeIsPast) {
  // only cell (30, 19) may move; the others' times lie far ahead
  for (Ascii::Char& c : effect.mChar) c.mOffset = 100.0f;
  effect.mChar[19 * 94 + 30].mOffset = 0.0f;
  // three cells down: 3 * 8 pixels of 512 are 3/32 in clip units
  const float timer = (15.5f + 3.0f / 32.0f) / 3.5f;
  draw(timer, 0.5f);
  EXPECT_EQ(pixel(cellX(30), cellY(22)), cellColour(30, 19)) << "moved below the grid";
  EXPECT_EQ(pixel(cellX(30), cellY(19)), (Rgb{0, 0, 0})) << "its place is empty";
  EXPECT_EQ(pixel(cellX(31), cellY(19)), cellColour(31, 19)) << "its neighbour stays";
  EXPECT_EQ(pixel(cellX(31), cellY(22)), (Rgb{0, 0, 0}));

  // before its time, even with the clock running, it stays
  draw(4.0f, 0.5f);
  EXPECT_EQ(pixel(cellX(30), cellY(19)), cellColour(30, 19));
}

TEST_F(AsciiTest, WithoutSetupNothingIsDrawn) {
  Ascii bare;
  bare.mDisplay = device.get();
  beginFrame();
  bare.draw(1.0f, 0.0f, 0.5f);
  EXPECT_EQ(pixel(kW / 2, kH / 2), (Rgb{0, 0, 0}));
}

// ---------------------------------------------------------------- credits

// Strip s of the test picture: red counts columns in fours, green the rows of
// the strip, blue tells the strip.
Rgb stripColour(int x, int row, int strip) { return Rgb{x / 4, row, 40 + 60 * strip}; }

class CredTest : public ClosingTest {
 protected:
  void SetUp() override {
    ClosingTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    writePicture("cred/cred.png", 1024, 1024, [](int x, int y) { return stripColour(x, y % 256, y / 256); });
    effect.mDisplay = device.get();
    effect.setup();
  }
  void draw(float timer, float percent) {
    beginFrame();
    effect.draw(timer, 1.0f / 60.0f, percent);
  }
  // The strip is 1024 x 256 pixels in the middle: picture pixel (x, row) of
  // the strip at window pixel (x, 128 + row).
  Rgb at(int x, int row) const { return pixel(x, (kH - 256) / 2 + row); }
  Cred effect;
};

TEST_F(CredTest, EachQuarterShowsItsStripAtOnePixelPerTexel) {
  for (int strip = 0; strip < 4; ++strip) {
    SCOPED_TRACE(testing::Message() << "strip " << strip);
    // the middle of the quarter: full alpha, no tearing
    draw(3.0f, 0.125f + 0.25f * strip);
    const int points[][2] = {{0, 0}, {1023, 255}, {1023, 0}, {0, 255}, {517, 99}, {4, 4}, {3, 3}, {700, 200}};
    for (const auto& p : points) {
      EXPECT_EQ(at(p[0], p[1]), stripColour(p[0], p[1], strip)) << "picture pixel " << p[0] << "," << p[1];
    }
    EXPECT_EQ(pixel(512, (kH - 256) / 2 - 1), (Rgb{0, 0, 0})) << "nothing above the strip";
    EXPECT_EQ(pixel(512, (kH + 256) / 2), (Rgb{0, 0, 0})) << "nothing below it";
  }
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(CredTest, TheTilesPartOnlyInTheSecondHalfOfAQuarter) {
  draw(2.0f, 0.125f);
  const std::vector<uint8_t> still = frame();
  draw(2.0f, 0.1f);  // earlier in the first half: alpha above 1 as well
  EXPECT_TRUE(frame() == still) << "no tearing in the first half";

  draw(2.0f, 0.2f);  // out = 0.6, alpha still full
  const std::vector<uint8_t> torn = frame();
  size_t same = 0;
  for (size_t i = 0; i < torn.size(); i += 3) {
    if (torn[i] == still[i] && torn[i + 1] == still[i + 1] && torn[i + 2] == still[i + 2]) ++same;
  }
  EXPECT_LT(same, torn.size() / 3 * 9 / 10) << "the tiles moved";
  // still the first strip wherever something is drawn: overlapping tiles add
  // up, so blue is a multiple of its 40 or saturated (but for the odd
  // filtered edge)
  size_t lit = 0, foreign = 0;
  for (size_t i = 0; i < torn.size(); i += 3) {
    if (torn[i + 2] == 0) continue;
    ++lit;
    foreign += torn[i + 2] % 40 != 0 && torn[i + 2] != 255;
  }
  EXPECT_GT(lit, 100000u);
  EXPECT_LT(foreign, lit / 100);
}

TEST_F(CredTest, AQuarterFadesOutAtItsEnd) {
  draw(2.0f, 0.2499f);  // the alpha factor near 0
  const Rgb faint = at(512, 128);
  EXPECT_LE(faint.b, 2);
}

// ---------------------------------------------------------------- end

class EndTest : public ClosingTest {
 protected:
  void SetUp() override {
    ClosingTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    writePicture("cred/end.png", 512, 256, [](int x, int y) { return Rgb{x / 2, y, 160}; });
    effect.mDisplay = device.get();
    effect.mStart = 0.0f;
    effect.mEnd = 10.0f;
    effect.setup();
  }
  void key(float time, float value) { effect.mAlpha.mSpline.addKey(SplineBaseKey<float>(time, value)); }
  void draw(float timer, float background = 0.0f) {
    beginFrame(background);
    effect.draw(timer, 1.0f / 60.0f, timer / 10.0f);
  }
  // Picture pixel (x, y) at window pixel (256 + x, 128 + y).
  Rgb at(int x, int y) const { return pixel((kW - 512) / 2 + x, (kH - 256) / 2 + y); }
  End effect;
};

TEST_F(EndTest, ThePictureIsAddedWithTheSplinesBrightness) {
  effect.mAlpha.mSpline.setInterpolation(zelkor::kindra::Spline::Curve::LINEAR);
  key(0.0f, 0.0f);
  key(0.5f, 1.0f);
  key(1.0f, 1.0f);

  draw(0.0f);
  EXPECT_EQ(at(256, 128), (Rgb{0, 0, 0})) << "dark at the first key";
  draw(7.0f);
  EXPECT_EQ(at(0, 0), (Rgb{0, 0, 160}));
  EXPECT_EQ(at(511, 255), (Rgb{255, 255, 160}));
  EXPECT_EQ(at(300, 100), (Rgb{150, 100, 160}));
  EXPECT_EQ(pixel((kW - 512) / 2 - 1, kH / 2), (Rgb{0, 0, 0})) << "512 x 256 pixels, no more";
  EXPECT_EQ(pixel(kW / 2, (kH - 256) / 2 - 1), (Rgb{0, 0, 0}));
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "blending stays on";

  // half way up the ramp, added to the frame
  draw(2.5f, 0.2f);
  const Rgb mixed = at(300, 100);
  EXPECT_NEAR(mixed.r, 51 + 75, 2);
  EXPECT_NEAR(mixed.b, 51 + 80, 2);
}

TEST_F(EndTest, ANegativeBrightnessTakesNothingAway) {
  key(0.0f, -1.0f);
  draw(5.0f, 0.5f);
  EXPECT_NEAR(at(300, 100).r, 128, 1);
}

// ---------------------------------------------------------------- data

TEST_F(ClosingTest, TheGeneratedPicturesHaveTheSizesTheEffectsUse) {
  const std::string data = kindra_test::sourceDir() + "/data/";
  zelkor::am::ArchiveManager files;
  ASSERT_GE(files.addArchive(data), 0);
  const struct {
    const char* name;
    int width, height;
  } pictures[] = {{"ascii/ascii.png", 752, 160}, {"cred/cred.png", 1024, 1024}, {"cred/end.png", 512, 256}};
  for (const auto& p : pictures) {
    zelkor::am::Image image = files.loadImage(p.name);
    ASSERT_FALSE(image.isNull()) << p.name;
    EXPECT_EQ(image->getWidth(), p.width) << p.name;
    EXPECT_EQ(image->getHeight(), p.height) << p.name;
  }

  // every credit has something in the middle of its strip, and nothing that
  // an 800-pixel window would cut off
  zelkor::am::Image cred = files.loadImage("cred/cred.png");
  ASSERT_FALSE(cred.isNull());
  for (int strip = 0; strip < 4; ++strip) {
    int inside = 0, outside = 0;
    for (int y = strip * 256; y < strip * 256 + 256; ++y) {
      for (int x = 0; x < 1024; ++x) {
        const unsigned char* p = cred->getData() + (static_cast<size_t>(y) * 1024 + x) * 4;
        const bool lit = p[0] + p[1] + p[2] > 60;
        (x >= 112 && x < 912 ? inside : outside) += lit ? 1 : 0;
      }
    }
    EXPECT_GT(inside, 2000) << "strip " << strip;
    EXPECT_EQ(outside, 0) << "strip " << strip;
  }

  // the character grid: most cells hold ink, and it stays inside its cell
  // away from the cell's last column and row (cells sit side by side)
  zelkor::am::Image ascii = files.loadImage("ascii/ascii.png");
  ASSERT_FALSE(ascii.isNull());
  int inked = 0;
  for (int cy = 0; cy < 20; ++cy) {
    for (int cx = 0; cx < 94; ++cx) {
      int ink = 0;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const unsigned char* p = ascii->getData() + (static_cast<size_t>(cy * 8 + y) * 752 + cx * 8 + x) * 4;
          ink += p[0] + p[1] + p[2];
        }
      }
      inked += ink > 0 ? 1 : 0;
    }
  }
  EXPECT_GT(inked, 94 * 20 / 3);
}

TEST_F(ClosingTest, TheEffectsDrawTheGeneratedPictures) {
  useDataFolder();
  Ascii ascii;
  Cred cred;
  End end;
  for (CommonEffect* effect : {static_cast<CommonEffect*>(&ascii), static_cast<CommonEffect*>(&cred),
                               static_cast<CommonEffect*>(&end)}) {
    effect->mDisplay = device.get();
    effect->setup();
  }
  end.mAlpha.mSpline.addKey(SplineBaseKey<float>(0.0f, 1.0f));

  const auto lit = [this]() {
    const std::vector<uint8_t> pixels = frame();
    size_t count = 0;
    for (size_t i = 0; i < pixels.size(); i += 3) count += pixels[i] + pixels[i + 1] + pixels[i + 2] > 60;
    return count;
  };
  beginFrame();
  ascii.draw(2.0f, 0.0f, 0.5f);
  EXPECT_GT(lit(), 5000u) << "the grid";
  for (int strip = 0; strip < 4; ++strip) {
    beginFrame();
    cred.draw(1.0f, 0.0f, 0.125f + 0.25f * strip);
    EXPECT_GT(lit(), 2000u) << "credit " << strip;
  }
  beginFrame();
  end.draw(5.0f, 0.0f, 0.5f);
  EXPECT_GT(lit(), 20000u) << "the end picture";
}

}  // namespace
