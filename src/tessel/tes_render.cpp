#include "tes_render.h"

#include <algorithm>
#include <cmath>

#include "dis_display.h"
#include "dis_font.h"
#include "dis_glinclude.h"
#include "zlk_system.h"

namespace zelkor {
namespace tessel {

using mathbase::Vector2f;
using mathbase::Vector4f;

namespace {
const float kPi = 3.14159265358979f;

void color(const Vector4f& c) { glColor4f(c.x, c.y, c.z, c.w); }

// Whole pixels; far-off or undefined values land at a far but defined place.
int roundToInt(float value) {
  if (!(value > -1.0e8f)) return value != value ? 0 : -100000000;
  if (value > 1.0e8f) return 100000000;
  return static_cast<int>(std::lround(value));
}
}  // namespace

Render::Render()
    : mMode(GL_QUADS),
      mTextured(false),
      mClipPending(false),
      mLineWidth(-1.0f),
      mDisplay(nullptr),
      mFont(nullptr),
      mAlign(ALIGN_LEFT) {
  mColor = Vector4f(1.0f, 1.0f, 1.0f, 1.0f);
  mColor2 = mColor;
  mClipArea = Area(-2.0f, -2.0f, -2.0f, -2.0f);
}

Render::~Render() { delete mFont; }

void Render::abandonFont() {
  // its texture went with the device; the font must not reach back into it
  mFont = nullptr;
  mFontFile.clear();
  mVertices.clear();
}

void Render::setup(display::DisplayGL* pDisplay, const std::string& fontFile) {
  if (pDisplay != mDisplay || fontFile != mFontFile) {
    delete mFont;
    mFont = nullptr;
  }
  mDisplay = pDisplay;
  mFontFile = fontFile;
  if (!mDisplay) return;
  const display::WindowMode& mode = mDisplay->getWindowMode();
  mWindowSize = Vector2f(static_cast<float>(mode.width), static_cast<float>(mode.height));
  if (mFont || fontFile.empty()) return;
  display::Font* font = new display::Font(mDisplay);
  try {
    // the window's size as the output size: one unit per pixel
    font->load(fontFile, true, mWindowSize);
    mFont = font;
  } catch (const Exception&) {
    delete font;
    ZLK_LOG("warning", "app", "Font '%s' not loaded; text is not drawn", fontFile.c_str());
  }
}

void Render::setColor(const Vector4f& c1, const Vector4f& c2) {
  mColor = c1;
  mColor2 = c2.w > 0.0f ? c2 : c1;
}

void Render::setLineWidth(float width) {
  if (width == mLineWidth) return;
  flush();
  mLineWidth = width;
  GL_CHECK(glLineWidth(width));
}

bool Render::unseen(float x0, float y0, float x1, float y1) const {
  // a margin for wide lines and the rasteriser's rounding
  const float m = 2.0f + std::max(mLineWidth, 1.0f);
  const Area& c = mClipArea;
  if (c.mMin.x < -1.0f || c.mMin.y < -1.0f) return false;
  return std::max(x0, x1) < c.mMin.x - m || std::min(x0, x1) > c.mMax.x + m || std::max(y0, y1) < c.mMin.y - m ||
         std::min(y0, y1) > c.mMax.y + m;
}

void Render::batch(unsigned mode, bool textured) {
  if (mode == mMode && textured == mTextured) return;
  flush();
  mMode = mode;
  mTextured = textured;
}

void Render::flush() {
  if (mClipPending) applyClip();
  if (mVertices.empty()) return;
  display::Texture* texture = mTextured && mFont ? mFont->getTexture() : nullptr;
  if (texture) {
    mDisplay->setTexture(texture, 0);
    glEnable(GL_TEXTURE_2D);
  }
  const Vertex* v = mVertices.data();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &v->x);
  glColorPointer(4, GL_FLOAT, sizeof(Vertex), &v->r);
  if (texture) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &v->s);
  }
  glDrawArrays(mMode, 0, static_cast<GLsizei>(mVertices.size()));
  if (texture) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (texture) {
    glDisable(GL_TEXTURE_2D);
    mDisplay->setTexture(nullptr, 0);
  }
  mVertices.clear();
  // the colour array leaves the current colour undefined; direct GL drawing after us expects ours
  color(mColor);
  GL_REPORT_ERROR(__FILE__, __LINE__, "glDrawArrays(toolkit batch)");
}

void Render::setupDraw(const Vector2f& windowSize, const Vector2f& pan, float zoom) {
  (void)zoom;  // the toolkit draws 1:1; the factor is kept for callers that zoom
  mWindowSize = windowSize;
  mPan = pan;
  mVertices.clear();
  mClipPending = false;
  mLineWidth = -1.0f;
  if (mDisplay) mDisplay->resetStates();
  const int width = std::max(roundToInt(windowSize.x), 0);
  const int height = std::max(roundToInt(windowSize.y), 0);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, static_cast<double>(windowSize.x), static_cast<double>(windowSize.y), 0.0, -1.0, 1.0);
  glViewport(0, 0, width, height);
  glScissor(0, 0, width, height);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // world = window + pan, as for the mouse
  glTranslatef(-pan.x, -pan.y, 0.0f);
  GL_CHECK_STATUS();
  mClipArea = Area(0.0f, 0.0f, windowSize.x, windowSize.y);
}

void Render::setClipArea(const Area& area) {
  if (area == mClipArea) return;
  flush();
  mClipArea = area;
  mClipPending = true;
}

void Render::applyClip() {
  mClipPending = false;
  const Area& area = mClipArea;
  if (area.mMin.x < -1.0f || area.mMin.y < -1.0f) {
    GL_CHECK(glDisable(GL_SCISSOR_TEST));
    return;
  }
  const int left = roundToInt(area.mMin.x - mPan.x);
  const int right = roundToInt(area.mMax.x - mPan.x);
  const int bottom = roundToInt(mWindowSize.y - area.mMax.y + mPan.y);
  const int top = roundToInt(mWindowSize.y - area.mMin.y + mPan.y);
  GL_CHECK(glEnable(GL_SCISSOR_TEST));
  GL_CHECK(glScissor(left, bottom, std::max(right - left, 0), std::max(top - bottom, 0)));
}

void Render::drawBorder(const Area& area) {
  const float x0 = area.mMin.x + 0.5f, y0 = area.mMin.y + 0.5f;
  const float x1 = area.mMax.x - 0.5f, y1 = area.mMax.y - 0.5f;
  if (unseen(x0, y0, x1, y1)) return;
  // the loop's four segments
  batch(GL_LINES, false);
  vertex(x0, y0, mColor);
  vertex(x1, y0, mColor);
  vertex(x1, y0, mColor);
  vertex(x1, y1, mColor2);
  vertex(x1, y1, mColor2);
  vertex(x0, y1, mColor2);
  vertex(x0, y1, mColor2);
  vertex(x0, y0, mColor);
}

void Render::drawBox(const Area& area, int mode) {
  const Vector4f& topLeft = mColor;
  const Vector4f& topRight = mode == 1 ? mColor2 : mColor;
  const Vector4f& bottomRight = mColor2;
  const Vector4f& bottomLeft = mode == 1 ? mColor : mColor2;
  if (unseen(area.mMin.x, area.mMin.y, area.mMax.x, area.mMax.y)) return;
  batch(GL_QUADS, false);
  vertex(area.mMin.x, area.mMin.y, topLeft);
  vertex(area.mMax.x, area.mMin.y, topRight);
  vertex(area.mMax.x, area.mMax.y, bottomRight);
  vertex(area.mMin.x, area.mMax.y, bottomLeft);
}

void Render::drawCircle(const Area& area, int segments, float phase) {
  const float width = area.getWidth();
  const float height = area.getHeight();
  if (segments == -1) {
    const float estimate = (width + height) * kPi / 2.0f;
    segments = estimate < 4096.0f ? static_cast<int>(std::max(estimate, 0.0f)) : 4096;
  }
  segments = std::max(segments, 3);
  segments = std::min(segments, 4096);  // a huge box must not stall the frame
  if (unseen(area.mMin.x, area.mMin.y, area.mMax.x, area.mMax.y)) return;
  const Vector2f centre = area.getCenter();
  batch(GL_TRIANGLES, false);
  // the fan's triangles
  const auto rim = [&](int k, float& x, float& y) {
    const float t = static_cast<float>((k + 1) % segments) / static_cast<float>(segments) + phase;
    x = centre.x + width * std::sin(2.0f * kPi * t) / 2.0f;
    y = centre.y + height * std::cos(2.0f * kPi * t) / 2.0f;
  };
  float px, py;
  rim(0, px, py);
  for (int k = 1; k <= segments; ++k) {
    float x, y;
    rim(k, x, y);
    vertex(centre.x, centre.y, mColor);
    vertex(px, py, mColor);
    vertex(x, y, mColor);
    px = x;
    py = y;
  }
}

void Render::drawLine(const Vector2f& from, const Vector2f& to) {
  if (unseen(from.x, from.y, to.x, to.y)) return;
  batch(GL_LINES, false);
  vertex(from.x, from.y, mColor);
  vertex(to.x, to.y, mColor2);
}

void Render::drawText(const Vector2f& position, const std::string& text) {
  if (text.empty() || !mFont || !mFont->getTexture()) return;
  // The font lays out centred on y = 0 with y upwards: move to the line's
  // middle and turn y over. Whole pixels keep the glyphs' texels sharp.
  const float height = getFontHeight();
  const float x = std::floor(position.x + 0.5f);
  const float y = std::floor(position.y + 0.5f) + std::floor(height / 2.0f);
  mFont->setAlignment(mAlign);
  mGlyphs.clear();
  mFont->layout(text, Vector2f(1.0f, 1.0f), mGlyphs);
  if (unseen(x + mGlyphs.front().x0, y - mGlyphs.front().y0, x + mGlyphs.back().x1, y - mGlyphs.back().y1)) return;
  batch(GL_QUADS, true);
  for (const display::Font::Glyph& g : mGlyphs) {
    vertex(x + g.x0, y - g.y0, mColor, g.s0, g.t1);
    vertex(x + g.x1, y - g.y0, mColor, g.s1, g.t1);
    vertex(x + g.x1, y - g.y1, mColor, g.s1, g.t0);
    vertex(x + g.x0, y - g.y1, mColor, g.s0, g.t0);
  }
}

// Without a font, text keeps a nominal size so that layouts and menus still
// have room for it.
float Render::getTextLength(const std::string& text) const {
  if (mFont) return mFont->getLength(text, 1.0f);
  return static_cast<float>(text.size()) * 7.0f;
}

float Render::getFontHeight() const { return mFont ? mFont->getHeight() : 12.0f; }

float Render::getTime() const { return mDisplay ? mDisplay->getTime() : 0.0f; }

}  // namespace tessel
}  // namespace zelkor
