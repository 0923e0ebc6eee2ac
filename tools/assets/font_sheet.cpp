// The editor's bitmap font "fonthelvete2.png": the printable ASCII set of a
// packaged sans-serif face rendered with FreeType into a 16 x 16 grid of
// cells, code = row * 16 + column. Glyphs are white coverage on opaque black
// (the font loader takes the red channel as alpha) and start at the left of
// their cells, so the loader's scan for the rightmost opaque column gives
// each character an advance close to the face's own. A one-pixel border of
// every cell stays empty.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

#include "am_image.h"
#include "asset_kit.h"
#include "freetype_face.h"
#include "zlk_system.h"

#ifndef KINDRA_FONT_FILE
#define KINDRA_FONT_FILE "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif

namespace {

using zelkor::Exception;

const int kCell = 16;          // pixels per cell: the editor draws one sheet pixel per screen pixel
const int kSheet = 16 * kCell;
const int kPixelSize = 13;     // the face's em in pixels
const int kFirst = 33;         // '!'; the space and control cells stay empty
const int kLast = 126;         // '~'
const int kOpaque = 200;       // the loader's threshold for a column that counts

// The face the sheet is rendered from.
class Face {
 public:
  explicit Face(const char* path) : mOwner(path, kPixelSize), mFace(mOwner.get()) {}

  // Renders one character with its ink starting on a pixel boundary: at the
  // face's left bearing, but at least one pixel right of the pen, so that
  // magnified text never samples the neighbouring cell's ink. The
  // auto-hinter fits stems to whole pixels across as well as up, so right
  // edges are opaque too and the loader's scan finds them. The slot's bitmap
  // holds the result.
  FT_GlyphSlot render(int code) {
    if (FT_Load_Char(mFace, static_cast<FT_ULong>(code), FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_NORMAL) != 0 ||
        mFace->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
      throw Exception("The font has no outline for character %d", code);
    }
    FT_Outline* outline = &mFace->glyph->outline;
    FT_BBox box;
    FT_Outline_Get_CBox(outline, &box);
    const FT_Pos left = std::max<FT_Pos>(64, (box.xMin + 32) & ~63);  // 26.6 fixed point
    FT_Outline_Translate(outline, left - box.xMin, 0);
    if (FT_Render_Glyph(mFace->glyph, FT_RENDER_MODE_NORMAL) != 0) {
      throw Exception("FreeType could not render character %d", code);
    }
    return mFace->glyph;
  }

 private:
  kindra_assets::FreeTypeFace mOwner;
  FT_Face mFace;
};

std::string makeFontSheet() {
  Face face(KINDRA_FONT_FILE);

  // One baseline for all cells, centring the tallest ink of the set.
  int above = 0;
  int below = 0;
  for (int code = kFirst; code <= kLast; ++code) {
    const FT_GlyphSlot glyph = face.render(code);
    above = std::max(above, glyph->bitmap_top);
    below = std::max(below, static_cast<int>(glyph->bitmap.rows) - glyph->bitmap_top);
  }
  if (above + below > kCell - 2) throw Exception("Glyphs of %d pixels do not fit %d-pixel cells", above + below, kCell);
  const int baseline = (kCell - above - below) / 2 + above;

  // Coverage goes through a square root (a gamma of 2): thin strokes and the
  // soft ends of curves become bright enough for the loader's opaque-column
  // scan to see the whole ink, so no glyph runs into the next one, and text
  // stays readable on the editor's dark panels.
  unsigned char lifted[256];
  for (int v = 0; v < 256; ++v) lifted[v] = static_cast<unsigned char>(std::lround(std::sqrt(v * 255.0)));

  zelkor::am::Image sheet(new zelkor::am::ImageObject(kSheet, kSheet));
  unsigned char* pixels = sheet->getWriteData();
  for (int i = 0; i < kSheet * kSheet; ++i) {
    pixels[i * 4 + 0] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = 0;
    pixels[i * 4 + 3] = 255;
  }

  for (int code = kFirst; code <= kLast; ++code) {
    const FT_GlyphSlot glyph = face.render(code);
    const FT_Bitmap& bitmap = glyph->bitmap;
    const int cellX = (code % 16) * kCell;
    const int cellY = (code / 16) * kCell;
    const int left = glyph->bitmap_left;
    const int top = baseline - glyph->bitmap_top;
    if (left < 1 || left + static_cast<int>(bitmap.width) >= kCell) {
      throw Exception("Character %d is %u pixels wide and does not fit its cell", code, bitmap.width);
    }
    int strongest = 0;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      for (unsigned column = 0; column < bitmap.width; ++column) {
        const int value = lifted[bitmap.buffer[row * bitmap.pitch + column]];
        strongest = std::max(strongest, value);
        unsigned char* p = pixels + (static_cast<size_t>(cellY + top + row) * kSheet + cellX + left + column) * 4;
        p[0] = p[1] = p[2] = static_cast<unsigned char>(value);
      }
    }
    // A glyph without an opaque pixel would get no width from the loader.
    if (strongest <= kOpaque) throw Exception("Character %d is too faint for the font loader", code);
  }
  return kindra_assets::encodePng(sheet);
}

}  // namespace

std::vector<kindra_assets::Asset> kindra_assets::generatedAssets() { return {{"fonthelvete2.png", makeFontSheet}}; }
