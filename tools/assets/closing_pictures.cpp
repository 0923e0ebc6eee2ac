// The pictures of the demo's closing effects, drawn from code with text set
// by FreeType in the packaged DejaVu faces:
//   "ascii/ascii.png"  752 x 160: 94 x 20 character cells of 8 x 8 pixels, an
//                      ascii-art title over a dim field of characters;
//   "cred/cred.png"    1024 x 1024: four strips of 1024 x 256 one above the
//                      other, one credit each;
//   "cred/end.png"     512 x 256: the end picture.
// The effects add the pictures to the frame, so black is see-through. The
// strips are shown at 1:1 and may be wider than the window: their text stays
// inside the middle 720 pixels.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "am_image.h"
#include "asset_kit.h"
#include "zlk_system.h"

#ifndef KINDRA_FONT_DIR
#define KINDRA_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace {

using zelkor::Exception;

// ---------------------------------------------------------------- pictures

struct Rgb {
  float r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, float t) {
  return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(const Rgb& c, float s) { return Rgb{c.r * s, c.g * s, c.b * s}; }

// One float channel, for text coverage and glows.
struct Mask {
  int width, height;
  std::vector<float> value;
  Mask(int w, int h) : width(w), height(h), value(static_cast<size_t>(w) * h, 0.0f) {}
  float& at(int x, int y) { return value[static_cast<size_t>(y) * width + x]; }
  float get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0.0f;
    return value[static_cast<size_t>(y) * width + x];
  }
};

// Linear colour, added up and clamped when encoded.
struct Canvas {
  int width, height;
  std::vector<Rgb> pixel;
  Canvas(int w, int h) : width(w), height(h), pixel(static_cast<size_t>(w) * h, Rgb{0, 0, 0}) {}
  Rgb& at(int x, int y) { return pixel[static_cast<size_t>(y) * width + x]; }

  // Adds colour * mask, the mask's (0, 0) at (x0, y0).
  void add(const Mask& mask, int x0, int y0, const Rgb& color) {
    for (int y = 0; y < mask.height; ++y) {
      for (int x = 0; x < mask.width; ++x) {
        const int cx = x0 + x, cy = y0 + y;
        const float m = mask.get(x, y);
        if (m <= 0.0f || cx < 0 || cy < 0 || cx >= width || cy >= height) continue;
        Rgb& p = at(cx, cy);
        p.r += color.r * m;
        p.g += color.g * m;
        p.b += color.b * m;
      }
    }
  }

  // Opaque 8-bit pixels (B, G, R, A) with a display gamma.
  zelkor::am::Image toImage() const {
    zelkor::am::Image image(new zelkor::am::ImageObject(width, height));
    unsigned char* out = image->getWriteData();
    const auto encode = [](float v) {
      const float c = std::pow(std::min(std::max(v, 0.0f), 1.0f), 1.0f / 2.2f);
      return static_cast<unsigned char>(std::lround(c * 255.0f));
    };
    for (size_t i = 0; i < pixel.size(); ++i) {
      out[i * 4 + 0] = encode(pixel[i].b);
      out[i * 4 + 1] = encode(pixel[i].g);
      out[i * 4 + 2] = encode(pixel[i].r);
      out[i * 4 + 3] = 255;
    }
    return image;
  }
};

// A soft copy of the mask: three box blurs of the radius, each way.
Mask blurred(const Mask& in, int radius) {
  Mask a = in;
  Mask b(in.width, in.height);
  const float norm = 1.0f / (2 * radius + 1);
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) {
        float sum = 0.0f;
        for (int k = -radius; k <= radius; ++k) sum += a.get(x + k, y);
        b.at(x, y) = sum * norm;
      }
    }
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) {
        float sum = 0.0f;
        for (int k = -radius; k <= radius; ++k) sum += b.get(x, y + k);
        a.at(x, y) = sum * norm;
      }
    }
  }
  return a;
}

// The same numbers on every run: the pictures are part of the build's output.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : mState(seed) {}
  uint32_t next() {
    mState = mState * 69069u + 5u;
    return mState >> 8;
  }
  float unit() { return static_cast<float>(next() & 0xFFFFFF) / 16777216.0f; }

 private:
  uint32_t mState;
};

// ---------------------------------------------------------------- text

// One face of the packaged font, set at one pixel size at a time.
class Face {
 public:
  explicit Face(const std::string& file) : mPath(std::string(KINDRA_FONT_DIR) + "/" + file) {
    if (FT_Init_FreeType(&mLibrary) != 0) throw Exception("FreeType could not start");
    if (FT_New_Face(mLibrary, mPath.c_str(), 0, &mFace) != 0) {
      FT_Done_FreeType(mLibrary);
      throw Exception("Could not read the font '%s' (package fonts-dejavu-core)", mPath.c_str());
    }
  }
  ~Face() {
    FT_Done_Face(mFace);
    FT_Done_FreeType(mLibrary);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  void setSize(int pixels) {
    if (FT_Set_Pixel_Sizes(mFace, 0, static_cast<FT_UInt>(pixels)) != 0) {
      throw Exception("The font '%s' has no %d-pixel size", mPath.c_str(), pixels);
    }
  }

  // Renders one character; the slot holds its bitmap.
  FT_GlyphSlot render(unsigned code, FT_Int32 flags = FT_LOAD_DEFAULT) {
    if (FT_Load_Char(mFace, code, flags | FT_LOAD_RENDER) != 0) {
      throw Exception("The font '%s' can not render character %u", mPath.c_str(), code);
    }
    return mFace->glyph;
  }

  // Width of the text in pixels at the current size, with the given extra
  // spacing between letters.
  int measure(const std::string& text, int tracking = 0) {
    long width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      width += render(static_cast<unsigned char>(text[i]))->advance.x >> 6;
      if (i + 1 < text.size()) width += tracking;
    }
    return static_cast<int>(width);
  }

  // Adds the text's coverage into the mask with its baseline at y, starting at x.
  void draw(Mask& mask, const std::string& text, int x, int y, int tracking = 0) {
    for (char c : text) {
      const FT_GlyphSlot glyph = render(static_cast<unsigned char>(c));
      const FT_Bitmap& bitmap = glyph->bitmap;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        for (unsigned column = 0; column < bitmap.width; ++column) {
          const int mx = x + glyph->bitmap_left + static_cast<int>(column);
          const int my = y - glyph->bitmap_top + static_cast<int>(row);
          if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
          const float v = bitmap.buffer[row * bitmap.pitch + column] / 255.0f;
          mask.at(mx, my) = std::min(1.0f, mask.at(mx, my) + v);
        }
      }
      x += static_cast<int>(glyph->advance.x >> 6) + tracking;
    }
  }

  // Centred on cx.
  void drawCentred(Mask& mask, const std::string& text, int cx, int y, int tracking = 0) {
    draw(mask, text, cx - measure(text, tracking) / 2, y, tracking);
  }

 private:
  std::string mPath;
  FT_Library mLibrary = nullptr;
  FT_Face mFace = nullptr;
};

// ---------------------------------------------------------------- ascii

const int kColumns = 94;
const int kRows = 20;
const int kCell = 8;

// Characters from light to dense, for the title's coverage.
const char kRamp[] = ".:-=+*oxO#%@";

std::string makeAscii() {
  // The title's coverage per cell: the word set large on a picture of the
  // grid's pixel size, then averaged over each cell.
  Face bold("DejaVuSans-Bold.ttf");
  Mask title(kColumns * kCell, kRows * kCell);
  bold.setSize(150);
  bold.drawCentred(title, "KINDRA", title.width / 2, 134, 6);
  std::vector<float> coverage(kColumns * kRows, 0.0f);
  for (int cy = 0; cy < kRows; ++cy) {
    for (int cx = 0; cx < kColumns; ++cx) {
      float sum = 0.0f;
      for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) sum += title.get(cx * kCell + x, cy * kCell + y);
      }
      coverage[cy * kColumns + cx] = sum / (kCell * kCell);
    }
  }

  // Each cell holds one character of the monospaced face, clipped to its 8 x 8.
  Face mono("DejaVuSansMono-Bold.ttf");
  mono.setSize(9);
  Canvas canvas(kColumns * kCell, kRows * kCell);
  Lcg random(1976);
  const Rgb left{0.05f, 0.85f, 1.0f};   // cyan
  const Rgb right{1.0f, 0.2f, 0.75f};   // magenta
  const Rgb field{0.05f, 0.35f, 0.3f};  // dim teal
  for (int cy = 0; cy < kRows; ++cy) {
    for (int cx = 0; cx < kColumns; ++cx) {
      const float c = coverage[cy * kColumns + cx];
      char code;
      Rgb color;
      if (c > 0.04f) {
        const int steps = static_cast<int>(sizeof(kRamp) - 1);
        code = kRamp[std::min(steps - 1, static_cast<int>(c * steps))];
        color = scaled(mix(left, right, static_cast<float>(cx) / (kColumns - 1)), 0.7f + 0.4f * c);
        // a warm glint across the top of the letters
        if (cy < 5) color = mix(color, Rgb{1.0f, 0.9f, 0.6f}, 0.25f);
      } else {
        // the field: sparse characters, brighter in a few falling streaks
        const uint32_t r = random.next();
        const bool streak = (cx * 7 + 3) % 13 == 0 && cy < 2 + static_cast<int>((cx * 37) % 17);
        if (!streak && (r % 100) > 38) continue;
        code = static_cast<char>(33 + random.next() % 94);
        color = scaled(field, streak ? 1.6f : 0.35f + 0.4f * random.unit());
      }
      Mask glyph(kCell, kCell);
      mono.draw(glyph, std::string(1, code), 1, 7);
      canvas.add(glyph, cx * kCell, cy * kCell, color);
    }
  }
  return kindra_assets::encodePng(canvas.toImage());
}

// ---------------------------------------------------------------- credits

struct Credit {
  const char* role;    // small, above
  const char* name;    // large
  const char* handle;  // below
  Rgb accent;
};

// The people are made up for the demo.
const Credit kCredits[4] = {
    {"code", "Mira Halvorsen", "aka quillfire", Rgb{0.1f, 0.8f, 1.0f}},
    {"music", "Tobias Wrenfield", "aka ottertone", Rgb{1.0f, 0.55f, 0.1f}},
    {"graphics & direction", "Saoirse Lindqvist", "aka mothgrain", Rgb{1.0f, 0.2f, 0.7f}},
    {"thanks for watching", "kindra", "see you at the next party", Rgb{0.5f, 1.0f, 0.4f}},
};

std::string makeCredits() {
  const int width = 1024, strip = 256;
  Canvas canvas(width, strip * 4);
  Face regular("DejaVuSans.ttf");
  Face bold("DejaVuSans-Bold.ttf");
  for (int i = 0; i < 4; ++i) {
    const Credit& credit = kCredits[i];
    const int top = i * strip;
    Mask role(width, strip), name(width, strip), handle(width, strip), rule(width, strip);
    regular.setSize(24);
    regular.drawCentred(role, credit.role, width / 2, 78, 4);
    bold.setSize(i == 3 ? 76 : 58);
    bold.drawCentred(name, credit.name, width / 2, i == 3 ? 160 : 150, i == 3 ? 8 : 1);
    regular.setSize(26);
    regular.drawCentred(handle, credit.handle, width / 2, i == 3 ? 204 : 198, 1);
    // a thin rule between role and name, fading out to the sides
    for (int x = 232; x < 792; ++x) {
      const float t = 1.0f - std::fabs((x - 512) / 280.0f);
      rule.at(x, 92) = t * t;
    }
    const Mask glow = blurred(name, 6);
    canvas.add(glow, 0, top, scaled(credit.accent, 0.9f));
    canvas.add(name, 0, top, Rgb{1.0f, 1.0f, 1.0f});
    canvas.add(role, 0, top, scaled(credit.accent, 0.9f));
    canvas.add(rule, 0, top, scaled(credit.accent, 0.6f));
    canvas.add(handle, 0, top, mix(credit.accent, Rgb{1, 1, 1}, 0.45f));
  }
  return kindra_assets::encodePng(canvas.toImage());
}

// ---------------------------------------------------------------- end

std::string makeEnd() {
  const int width = 512, height = 256;
  const int horizon = 176;
  Canvas canvas(width, height);

  // sky: deep blue at the top to a violet haze on the horizon
  for (int y = 0; y < horizon; ++y) {
    const float t = static_cast<float>(y) / horizon;
    const Rgb sky = mix(Rgb{0.0f, 0.0f, 0.02f}, Rgb{0.22f, 0.02f, 0.22f}, t * t * t);
    for (int x = 0; x < width; ++x) canvas.at(x, y) = sky;
  }
  // stars, fewer near the horizon
  Lcg random(2026);
  for (int i = 0; i < 140; ++i) {
    const int x = static_cast<int>(random.unit() * width);
    const int y = static_cast<int>(random.unit() * random.unit() * (horizon - 20));
    const float b = 0.2f + 0.6f * random.unit();
    Rgb& p = canvas.at(x, y);
    p = Rgb{p.r + b, p.g + b, p.b + b * 1.1f};
  }

  // the sun: a disc from yellow to magenta, cut by widening bands near the
  // horizon, with a soft halo
  const float sx = width / 2.0f, sy = 162.0f, radius = 64.0f;
  Mask halo(width, height);
  for (int y = 0; y < horizon; ++y) {
    for (int x = 0; x < width; ++x) {
      const float d = std::hypot(x + 0.5f - sx, y + 0.5f - sy);
      halo.at(x, y) = 0.35f * std::exp(-std::max(0.0f, d - radius) / 28.0f);
      const float edge = std::min(1.0f, std::max(0.0f, radius - d + 0.5f));
      if (edge <= 0.0f) continue;
      const float t = (y - (sy - radius)) / (2.0f * radius);
      // bands: below the sun's middle, gaps that grow towards the horizon
      if (y > sy - 10) {
        const float phase = std::fmod((y - (sy - 10)) / 11.0f, 1.0f);
        const float gap = 0.12f + 0.5f * (y - (sy - 10)) / (horizon - (sy - 10));
        if (phase < gap) continue;
      }
      const Rgb sun = mix(Rgb{1.0f, 0.9f, 0.25f}, Rgb{1.0f, 0.1f, 0.55f}, std::min(1.0f, std::max(0.0f, t)));
      Rgb& p = canvas.at(x, y);
      p = mix(p, sun, edge);
    }
  }
  canvas.add(halo, 0, 0, Rgb{1.0f, 0.25f, 0.5f});

  // the floor: a grid in perspective, 8 x 8 samples a pixel so that the far
  // lines blend into a haze instead of breaking into dots
  Mask grid(width, height);
  const int samples = 8;
  for (int y = horizon + 1; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int hits = 0;
      for (int sy2 = 0; sy2 < samples; ++sy2) {
        const float depth = (y - horizon + (sy2 + 0.5f) / samples) / (height - horizon);  // 0 far .. 1 near
        const float z = 1.3f / depth;  // floor distance: lines across at whole numbers
        const bool across = std::fabs(z - std::round(z)) < 0.045f * z;
        for (int sx2 = 0; sx2 < samples; ++sx2) {
          const float u = (x + (sx2 + 0.5f) / samples - sx) / (depth * 40.0f);  // lines along at whole numbers
          if (across || std::fabs(u - std::round(u)) < 0.03f / depth) ++hits;
        }
      }
      const float depth = (y + 0.5f - horizon) / (height - horizon);
      grid.at(x, y) = static_cast<float>(hits) / (samples * samples) * (0.45f + 0.55f * depth);
    }
  }
  canvas.add(grid, 0, 0, Rgb{0.9f, 0.15f, 0.8f});
  const Mask gridGlow = blurred(grid, 2);
  canvas.add(gridGlow, 0, 0, Rgb{0.4f, 0.05f, 0.5f});
  for (int x = 0; x < width; ++x) {
    Rgb& p = canvas.at(x, horizon);
    p = Rgb{p.r + 0.9f, p.g + 0.4f, p.b + 0.9f};
  }

  // the words
  Face bold("DejaVuSans-Bold.ttf");
  Face light("DejaVuSans-ExtraLight.ttf");
  Mask words(width, height), small(width, height);
  bold.setSize(50);
  bold.drawCentred(words, "THE END", width / 2, 66, 6);
  light.setSize(17);
  light.drawCentred(small, "kindra  \xb7  emberfall", width / 2, 98, 3);
  canvas.add(blurred(words, 5), 0, 0, Rgb{0.1f, 0.7f, 1.0f});
  canvas.add(words, 0, 0, Rgb{1.0f, 1.0f, 1.0f});
  canvas.add(small, 0, 0, Rgb{0.85f, 0.8f, 1.0f});

  // edges fade to black: added to a dark frame, the picture has no border
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float ex = std::min(x + 0.5f, width - x - 0.5f) / 72.0f;
      const float ey = std::min(y + 0.5f, height - y - 0.5f) / 28.0f;
      const float f = std::min(1.0f, std::min(ex, ey));
      Rgb& p = canvas.at(x, y);
      p = scaled(p, f * f * (3.0f - 2.0f * f));
    }
  }
  return kindra_assets::encodePng(canvas.toImage());
}

}  // namespace

std::vector<kindra_assets::Asset> kindra_assets::generatedAssets() {
  return {{"ascii/ascii.png", makeAscii}, {"cred/cred.png", makeCredits}, {"cred/end.png", makeEnd}};
}
