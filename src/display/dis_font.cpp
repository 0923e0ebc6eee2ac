#include "dis_font.h"

#include <cmath>

#include "am.h"
#include "dis_display.h"
#include "dis_glinclude.h"
#include "zlk_system.h"

namespace zelkor {
namespace display {

namespace {
// Corners land on whole output units, so glyphs drawn one unit per pixel
// sample their texels exactly.
float roundUnit(float value) { return std::floor(value + 0.5f); }
}  // namespace

Font::Font(DisplayGL* pDisplay)
    : mWidth(0),
      mHeight(0),
      mCharWidth(0),
      mCharHeight(0),
      mAlign(ALIGN_LEFT),
      mUnitSizeX(1.0f),
      mUnitSizeY(1.0f),
      mLetterWidth(0.0625f),
      mLetterHeight(0.0625f),
      mDisplay(pDisplay),
      mTexture(nullptr) {
  DIS_ASSERT(pDisplay);
  for (float& k : mKerning) k = 0.0f;
}

Font::~Font() {
  if (mTexture) mDisplay->destroy(mTexture);
}

void Font::load(const std::string& pFilename, bool pUseMipmaps, const mathbase::Vector2f& pPerspective) {
  am::ArchiveManager* archive = mDisplay->getArchive();
  if (!archive) throw Exception("Cannot load font from '%s', no archive added to the display!", pFilename.c_str());
  am::Image image;
  try {
    image = archive->loadImage(pFilename, -1, true);
  } catch (const Exception&) {
    // reported below, naming the font
  }
  if (image.isNull()) throw Exception("Could not load font from '%s'!", pFilename.c_str());
  if (image->getWidth() < 16 || image->getHeight() < 16) {
    throw Exception("Could not load font from '%s'! (a %dx%d sheet has no room for 16x16 glyphs)", pFilename.c_str(),
                    image->getWidth(), image->getHeight());
  }

  mWidth = static_cast<uint32_t>(image->getWidth());
  mHeight = static_cast<uint32_t>(image->getHeight());
  mCharWidth = static_cast<int>(mWidth / 16);
  mCharHeight = static_cast<int>(mHeight / 16);
  mLetterWidth = mLetterHeight = 0.0625f;
  const WindowMode& mode = mDisplay->getWindowMode();
  mUnitSizeX = mode.width > 0 ? pPerspective.x / static_cast<float>(mode.width) : 1.0f;
  mUnitSizeY = mode.height > 0 ? pPerspective.y / static_cast<float>(mode.height) : 1.0f;

  // white glyphs whose coverage is the sheet's red channel
  unsigned char* pixels = image->getWriteData();
  const size_t count = static_cast<size_t>(mWidth) * mHeight;
  for (size_t i = 0; i < count; ++i) {
    unsigned char* p = pixels + i * 4;
    p[3] = p[2];
    p[0] = p[1] = p[2] = 255;
  }

  for (int code = 0; code < 256; ++code) {
    const int cellX = (code % 16) * mCharWidth;
    const int cellY = (code / 16) * mCharHeight;
    int w = 0;
    for (int column = mCharWidth - 1; column >= 0 && w == 0; --column) {
      for (int row = 0; row < mCharHeight; ++row) {
        const size_t at = (static_cast<size_t>(cellY + row) * mWidth + static_cast<size_t>(cellX + column)) * 4;
        if (pixels[at + 3] > 200) {
          w = column;
          break;
        }
      }
    }
    mKerning[code] = (static_cast<float>(w) + 2.0f) * mUnitSizeX;
  }
  mKerning[32] = (static_cast<float>(mCharWidth) * 0.3f + 2.0f) * mUnitSizeX;

  TextureDeclaration decl;
  decl.useMipmaps = pUseMipmaps;
  Texture* texture = mDisplay->createTexture(image, decl);
  if (mTexture) mDisplay->destroy(mTexture);
  mTexture = texture;
}

float Font::getLength(const std::string& pText, float pZoom) const {
  float length = 0.0f;
  for (char c : pText) length += mKerning[static_cast<unsigned char>(c)];
  return length * pZoom;
}

void Font::draw(const std::string& pOutput, const mathbase::Vector2f& pZoom, const mathbase::Vector4f& pColor) {
  if (!mTexture) return;  // nothing loaded, nothing to draw
  // Bound before the attributes are pushed, so that popping them gives the
  // device back the unit and binding it recorded.
  mDisplay->setTexture(mTexture, 0);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);

  std::vector<Glyph> glyphs;
  layout(pOutput, pZoom, glyphs);
  glColor4f(pColor.x, pColor.y, pColor.z, pColor.w);
  glBegin(GL_QUADS);
  for (const Glyph& g : glyphs) {
    glTexCoord2f(g.s0, g.t1);
    glVertex2f(g.x0, g.y0);
    glTexCoord2f(g.s1, g.t1);
    glVertex2f(g.x1, g.y0);
    glTexCoord2f(g.s1, g.t0);
    glVertex2f(g.x1, g.y1);
    glTexCoord2f(g.s0, g.t0);
    glVertex2f(g.x0, g.y1);
  }
  glEnd();
  glPopAttrib();  // before any check can throw, so the attribute stack stays balanced
  GL_REPORT_ERROR(__FILE__, __LINE__, "glEnd()");
  mDisplay->setTexture(nullptr, 0);
}

void Font::layout(const std::string& pOutput, const mathbase::Vector2f& pZoom, std::vector<Glyph>& out) const {
  float x = 0.0f;
  if (mAlign == ALIGN_RIGHT) x = -getLength(pOutput, pZoom.x);
  if (mAlign == ALIGN_CENTER) x = -getLength(pOutput, pZoom.x) / 2.0f;
  const float w = mUnitSizeX * static_cast<float>(mCharWidth) * pZoom.x;
  const float h = mUnitSizeY * static_cast<float>(mCharHeight) * pZoom.y;
  const float y0 = roundUnit(-h / 2.0f);
  const float y1 = roundUnit(h / 2.0f);
  for (char c : pOutput) {
    const unsigned char code = static_cast<unsigned char>(c);
    Glyph g;
    g.s0 = static_cast<float>(code % 16) * mLetterWidth;
    g.s1 = g.s0 + mLetterWidth;
    g.t0 = static_cast<float>(code / 16) * mLetterHeight;
    g.t1 = g.t0 + mLetterHeight;
    g.x0 = roundUnit(x);
    g.x1 = roundUnit(x + w);
    g.y0 = y0;
    g.y1 = y1;
    out.push_back(g);
    x += mKerning[code] * pZoom.x;
  }
}

}  // namespace display
}  // namespace zelkor
