#pragma once
// Bitmap font drawn from a 16 x 16 glyph sheet (white glyphs on black, code
// = row * 16 + column, row 0 at the top), one textured quad per character in
// the current model-view space.

#include <cstdint>
#include <string>
#include <vector>

#include "mb_vector2.h"
#include "mb_vector4.h"

namespace zelkor {
namespace display {

class DisplayGL;
class Texture;

class Font {
 public:
  enum Align { ALIGN_LEFT = 0, ALIGN_RIGHT = 1, ALIGN_CENTER = 2 };

  explicit Font(DisplayGL* pDisplay);
  // Releases the texture; the font must go before its device.
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Reads the glyph sheet through the device's archive. `pPerspective` is
  // the output size that spans the window: the window's size gives one
  // output unit per pixel.
  void load(const std::string& pFilename, bool pUseMipmaps, const mathbase::Vector2f& pPerspective);
  // Sum of the characters' advances times pZoom.
  float getLength(const std::string& pText, float pZoom) const;
  // Height of one glyph cell in sheet pixels.
  float getHeight() const { return static_cast<float>(mCharHeight); }
  // ALIGN_LEFT: the text starts at x = 0; ALIGN_RIGHT: it ends there;
  // ALIGN_CENTER: it is centred on it.
  void setAlignment(int a) { mAlign = a; }
  int getAlignment() const { return mAlign; }
  void setSizeOfSpace(float s) { mKerning[32] = s; }
  // Advance of one character code, in output units.
  float getKerning(unsigned char code) const { return mKerning[code]; }
  // Draws the text centred vertically on y = 0.
  void draw(const std::string& pOutput, const mathbase::Vector2f& pZoom, const mathbase::Vector4f& pColor);

  // One character's quad: corners in output units (centred on y = 0, y up)
  // and its cell in the sheet.
  struct Glyph {
    float x0, y0, x1, y1;
    float s0, t0, s1, t1;
  };
  // The quads draw() would send, appended to `out`, for callers that batch.
  void layout(const std::string& pOutput, const mathbase::Vector2f& pZoom, std::vector<Glyph>& out) const;

  Texture* getTexture() const { return mTexture; }
  int getCharWidth() const { return mCharWidth; }
  int getCharHeight() const { return mCharHeight; }

 private:
  uint32_t mWidth;
  uint32_t mHeight;
  int mCharWidth;
  int mCharHeight;
  float mKerning[256];
  int mAlign;
  float mUnitSizeX;
  float mUnitSizeY;
  float mLetterWidth;
  float mLetterHeight;
  DisplayGL* mDisplay;
  Texture* mTexture;
};

}  // namespace display
}  // namespace zelkor
