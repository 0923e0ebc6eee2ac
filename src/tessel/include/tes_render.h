#pragma once
// The toolkit's drawing object: primitives in window pixels (y downwards),
// the clip rectangle, and text through the display's font. Shapes and glyphs
// are gathered into one vertex array and sent in draw order when the kind of
// primitive, the clip or the line width changes, or on flush().

#include <string>
#include <vector>

#include "dis_font.h"
#include "mb_vector2.h"
#include "mb_vector4.h"
#include "tes_typedef.h"

namespace zelkor {
namespace display {
class DisplayGL;
class Font;
}  // namespace display

namespace tessel {

class Render {
 public:
  enum Align { ALIGN_LEFT = 0, ALIGN_RIGHT = 1, ALIGN_CENTER = 2 };

  Render();
  ~Render();
  Render(const Render&) = delete;
  Render& operator=(const Render&) = delete;

  // Keeps the display and loads the font image through its archives; a font
  // that cannot be loaded is logged and text is then not drawn.
  void setup(display::DisplayGL* pDisplay, const std::string& fontFile);
  // Forgets the font without releasing it (its device is gone).
  void abandonFont();
  display::DisplayGL* getDisplay() const { return mDisplay; }
  bool hasFont() const { return mFont != nullptr; }

  // `c2` with an alpha of 0 or less means "the same as c1".
  void setColor(const mathbase::Vector4f& c1, const mathbase::Vector4f& c2 = mathbase::Vector4f(0, 0, 0, 0));
  void setLineWidth(float width);
  // Pixel projection of the whole window, shifted by the pan.
  void setupDraw(const mathbase::Vector2f& windowSize, const mathbase::Vector2f& pan, float zoom);
  // Sends what is gathered and sets the clip in GL; call before drawing with
  // GL directly.
  void flush();
  // A box whose minimum lies below -1 turns clipping off.
  void setClipArea(const Area& area);
  const Area& getClipArea() const { return mClipArea; }

  // A 1-pixel outline inside the box: top in the first colour, bottom in the second.
  void drawBorder(const Area& area);
  // Mode 1: left-to-right gradient; otherwise top-to-bottom.
  void drawBox(const Area& area, int mode = 0);
  // A filled ellipse in the box; -1 segments picks a count from the size.
  void drawCircle(const Area& area, int segments = -1, float phase = 0.0f);
  // From the first colour at `from` to the second at `to`.
  void drawLine(const mathbase::Vector2f& from, const mathbase::Vector2f& to);
  // One line of text in the first colour; `position` is the anchor the
  // alignment names (left end, right end or centre) at the top of the line.
  // Without a font nothing is drawn.
  void drawText(const mathbase::Vector2f& position, const std::string& text);
  float getTextLength(const std::string& text) const;
  float getFontHeight() const;
  void setAlign(int align) { mAlign = align; }
  int getAlign() const { return mAlign; }
  // Seconds on the display's clock (0 without one).
  float getTime() const;

  const mathbase::Vector2f& getWindowSize() const { return mWindowSize; }
  const mathbase::Vector2f& getPan() const { return mPan; }

 private:
  struct Vertex {
    float x, y, s, t;
    float r, g, b, a;
  };
  // Starts or continues a run of one primitive kind.
  void batch(unsigned mode, bool textured);
  void vertex(float x, float y, const mathbase::Vector4f& c, float s = 0.0f, float t = 0.0f) {
    mVertices.push_back(Vertex{x, y, s, t, c.x, c.y, c.z, c.w});
  }
  void applyClip();
  // Wholly outside the clip, so it would leave no pixel.
  bool unseen(float x0, float y0, float x1, float y1) const;

  std::vector<Vertex> mVertices;
  std::vector<display::Font::Glyph> mGlyphs;
  unsigned mMode;
  bool mTextured;
  bool mClipPending;
  float mLineWidth;
  display::DisplayGL* mDisplay;
  mathbase::Vector2f mWindowSize;
  mathbase::Vector2f mPan;
  mathbase::Vector4f mColor;
  mathbase::Vector4f mColor2;
  Area mClipArea;
  display::Font* mFont;
  std::string mFontFile;
  int mAlign;
};

}  // namespace tessel
}  // namespace zelkor
