// The tunnel's data:
// - "tunnel/tunnel.z3d": the wall segment "segment0", a ring of curved wall
//   panels with gaps between them and four short glowing arcs at the front
//   edge. The ring lies around the y axis from y = 0 to 0.46 (the effect turns
//   y onto the path and places one segment every half unit or more, so rings
//   never overlap); its inner surfaces face the axis, where the camera flies.
// - "tunnel/greets.png": 22 greeting strips stacked vertically, each 25.6
//   times as wide as high, white text with a soft cyan glow on black (the
//   effect adds them to the frame).
// - "tunnel/particle.png": a soft round white sprite whose alpha falls off
//   smoothly to nothing at the rim.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "am_image.h"
#include "asset_kit.h"
#include "freetype_face.h"
#include "z3d_manager.h"
#include "zlk_system.h"

#ifndef KINDRA_GREET_FONT_FILE
#define KINDRA_GREET_FONT_FILE "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
#endif

namespace {

using zelkor::Exception;
using zelkor::mathbase::Vector3f;
namespace z3d = zelkor::z3d;

const double kPi = 3.14159265358979323846;

// ------------------------------------------------------------ wall segment

const float kRadius = 2.0f;      // inner face of the panels
const float kDepth = 0.22f;      // panel thickness, seen in the gaps
const float kFront = 0.02f;      // panels run from here along y ...
const float kBack = 0.46f;       // ... to here
const int kPanels = 10;
const float kGap = 0.035f;       // radians left open on each side of a panel
const int kPanelSteps = 5;       // facets across one panel
const float kArcRadius = 1.88f;  // inner face of the glowing arcs (the shader lights what lies inside kRadius)
const float kArcBack = 0.07f;
const int kArcs = 4;
const float kArcSpan = 0.9f;  // radians of one arc
const int kArcSteps = 8;

Vector3f radial(float angle, float radius, float y) {
  return Vector3f(radius * std::cos(angle), y, radius * std::sin(angle));
}

class MeshBuilder {
 public:
  explicit MeshBuilder(z3d::Mesh* mesh) : mMesh(mesh), mPart(new z3d::Submesh) {}
  z3d::Submesh* part() const { return mPart; }

  // A flat quad a, b, c, d with one normal, its corners listed clockwise
  // seen from where the normal points; its triangles are wound the other
  // way, so that they face that side (segments are drawn one-sided).
  void quad(const Vector3f& a, const Vector3f& b, const Vector3f& c, const Vector3f& d, const Vector3f& normal) {
    quad(a, b, c, d, normal, normal, normal, normal);
  }
  void quad(const Vector3f& a, const Vector3f& b, const Vector3f& c, const Vector3f& d, const Vector3f& na,
            const Vector3f& nb, const Vector3f& nc, const Vector3f& nd) {
    const int ia = vertex(a, na);
    const int ib = vertex(b, nb);
    const int ic = vertex(c, nc);
    const int id = vertex(d, nd);
    triangle(ia, ic, ib);
    triangle(ia, id, ic);
  }

 private:
  // Corners with the same position and normal are one vertex, which the
  // driver transforms once for all the faces that meet there.
  int vertex(const Vector3f& position, const Vector3f& normal) {
    const std::array<float, 3> at{position.x, position.y, position.z};
    const int p = mPositions.emplace(at, static_cast<int>(mMesh->getPositions().size())).first->second;
    if (p == mMesh->getPositions().size()) mMesh->getPositions().push_back(position);
    const std::pair<int, std::array<float, 3>> key{p, {normal.x, normal.y, normal.z}};
    const int index = mVertices.emplace(key, static_cast<int>(mMesh->getVertices().size())).first->second;
    if (index == mMesh->getVertices().size()) {
      z3d::Vertex v;
      v.posIndex = p;
      v.normal = normal;
      mMesh->getVertices().push_back(v);
    }
    return index;
  }
  void triangle(int a, int b, int c) {
    z3d::Triangle t;
    t.v[0] = a;
    t.v[1] = b;
    t.v[2] = c;
    mPart->getTriangles().push_back(t);
  }

  z3d::Mesh* mMesh;
  z3d::Submesh* mPart;
  std::map<std::array<float, 3>, int> mPositions;
  std::map<std::pair<int, std::array<float, 3>>, int> mVertices;
};

// A curved band between two radii' faces: the inner face (normal towards
// the axis), the outer face, the two end caps along y and the two side walls.
// The block is closed, each edge shared by two faces with the same corners,
// so the effect may draw every segment one-sided.
void curvedBlock(MeshBuilder& b, float a0, float a1, int steps, float inner, float outer, float y0, float y1) {
  // the last step ends exactly at a1, where the side wall stands
  auto angle = [&](int s) { return s == steps ? a1 : a0 + (a1 - a0) * s / steps; };
  for (int s = 0; s < steps; ++s) {
    const float u0 = angle(s);
    const float u1 = angle(s + 1);
    const Vector3f n0 = -radial(u0, 1, 0);
    const Vector3f n1 = -radial(u1, 1, 0);
    b.quad(radial(u0, inner, y0), radial(u0, inner, y1), radial(u1, inner, y1), radial(u1, inner, y0), n0, n0, n1, n1);
    b.quad(radial(u0, outer, y0), radial(u1, outer, y0), radial(u1, outer, y1), radial(u0, outer, y1), -n0, -n1, -n1,
           -n0);
    // front cap (towards -y) and back cap (towards +y)
    b.quad(radial(u0, inner, y0), radial(u1, inner, y0), radial(u1, outer, y0), radial(u0, outer, y0),
           Vector3f(0, -1, 0));
    b.quad(radial(u0, inner, y1), radial(u0, outer, y1), radial(u1, outer, y1), radial(u1, inner, y1),
           Vector3f(0, 1, 0));
  }
  // side walls facing away from the block, into the gaps
  const Vector3f side0 = Vector3f(std::sin(a0), 0, -std::cos(a0));
  const Vector3f side1 = Vector3f(-std::sin(a1), 0, std::cos(a1));
  b.quad(radial(a0, inner, y0), radial(a0, outer, y0), radial(a0, outer, y1), radial(a0, inner, y1), side0);
  b.quad(radial(a1, inner, y0), radial(a1, inner, y1), radial(a1, outer, y1), radial(a1, outer, y0), side1);
}

std::string makeTunnelScene() {
  z3d::Mesh* mesh = new z3d::Mesh;
  mesh->setName("segment0");
  MeshBuilder builder(mesh);
  const float step = static_cast<float>(2 * kPi / kPanels);
  for (int p = 0; p < kPanels; ++p) {
    curvedBlock(builder, p * step + kGap, (p + 1) * step - kGap, kPanelSteps, kRadius, kRadius + kDepth, kFront,
                kBack);
  }
  const float arcStep = static_cast<float>(2 * kPi / kArcs);
  for (int a = 0; a < kArcs; ++a) {
    const float start = a * arcStep + 0.5f * (arcStep - kArcSpan);
    curvedBlock(builder, start, start + kArcSpan, kArcSteps, kArcRadius, kRadius, 0.0f, kArcBack);
  }
  mesh->addSubmesh(builder.part());

  z3d::Manager manager;
  manager.addMesh(mesh);
  const std::vector<uint8_t> bytes = manager.write();
  return std::string(bytes.begin(), bytes.end());
}

// ------------------------------------------------------------- greetings

// Invented groups, one per strip, top to bottom.
const char* const kGreetings[22] = {
    "Mothwing Collective", "Copper Heron",        "Saltmarsh Signal",  "Lantern Foundry",   "Tin Cartographers",
    "Glass Ferret Society", "Umber Raster Club",  "Nightjar Assembly", "Pixel Orchard",     "Quiet Kiln",
    "Velvet Abacus",       "Driftwood Ensemble",  "Northern Gourd",    "Paper Lighthouse",  "Mossy Transistor",
    "Ninefold Lagoon",     "Rustbelt Choir",      "Amber Tortoise",    "Hollow Teapot",     "Lunar Allotment",
    "Brass Marmot",        "Sleepy Oscillator"};

const int kStripWidth = 1024;
const int kStripHeight = 40;  // 1024 / 25.6
const int kStrips = 22;
const int kTextPixels = 26;

class Face {
 public:
  explicit Face(const char* path) : mOwner(path, kTextPixels), mFace(mOwner.get()) {}

  // Coverage of `text` laid out on one line, centred in a strip-sized field.
  std::vector<float> renderLine(const char* text) {
    std::vector<float> field(kStripWidth * kStripHeight, 0.0f);
    // the pen's width first, to centre the line
    int width = 0;
    for (const char* c = text; *c; ++c) {
      load(*c);
      width += static_cast<int>(mFace->glyph->advance.x >> 6) + kTracking;
    }
    width -= kTracking;
    if (width > kStripWidth - 16) throw Exception("The greeting '%s' is too wide for its strip", text);
    int pen = (kStripWidth - width) / 2;
    const int baseline = kStripHeight / 2 + kTextPixels * 3 / 8;
    for (const char* c = text; *c; ++c) {
      load(*c);
      const FT_GlyphSlot glyph = mFace->glyph;
      const FT_Bitmap& bitmap = glyph->bitmap;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = baseline - glyph->bitmap_top + static_cast<int>(row);
        if (y < 1 || y >= kStripHeight - 1) continue;
        for (unsigned column = 0; column < bitmap.width; ++column) {
          const int x = pen + glyph->bitmap_left + static_cast<int>(column);
          if (x < 0 || x >= kStripWidth) continue;
          float& cell = field[y * kStripWidth + x];
          cell = std::max(cell, bitmap.buffer[row * bitmap.pitch + column] / 255.0f);
        }
      }
      pen += static_cast<int>(glyph->advance.x >> 6) + kTracking;
    }
    return field;
  }

 private:
  static const int kTracking = 3;  // extra pixels between letters: wide, demo-like lettering

  void load(char c) {
    if (FT_Load_Char(mFace, static_cast<unsigned char>(c), FT_LOAD_RENDER) != 0) {
      throw Exception("FreeType could not render character %d", c);
    }
  }

  kindra_assets::FreeTypeFace mOwner;
  FT_Face mFace;
};

// One box blur pass along rows (step 1) or columns (step kStripWidth),
// clamped at the strip's edges.
void boxBlur(const std::vector<float>& in, std::vector<float>& out, int radius, bool alongRows) {
  for (int y = 0; y < kStripHeight; ++y) {
    for (int x = 0; x < kStripWidth; ++x) {
      float sum = 0;
      for (int d = -radius; d <= radius; ++d) {
        const int xx = alongRows ? std::min(std::max(x + d, 0), kStripWidth - 1) : x;
        const int yy = alongRows ? y : std::min(std::max(y + d, 0), kStripHeight - 1);
        sum += in[yy * kStripWidth + xx];
      }
      out[y * kStripWidth + x] = sum / (2 * radius + 1);
    }
  }
}

// A separable box blur run three times: close to a gaussian glow.
std::vector<float> glow(const std::vector<float>& in, int radius) {
  std::vector<float> a = in;
  std::vector<float> b(in.size());
  for (int pass = 0; pass < 3; ++pass) {
    boxBlur(a, b, radius, true);
    boxBlur(b, a, radius, false);
  }
  return a;
}

unsigned char byte(float v) { return static_cast<unsigned char>(std::lround(std::min(std::max(v, 0.0f), 1.0f) * 255)); }

std::string makeGreetings() {
  Face face(KINDRA_GREET_FONT_FILE);
  zelkor::am::Image image(new zelkor::am::ImageObject(kStripWidth, kStripHeight * kStrips));
  unsigned char* pixels = image->getWriteData();
  for (int i = 0; i < kStrips; ++i) {
    const std::vector<float> text = face.renderLine(kGreetings[i]);
    const std::vector<float> halo = glow(text, 2);
    for (int y = 0; y < kStripHeight; ++y) {
      // the strip's top and bottom rows stay black, so that filtering never
      // bleeds into the neighbouring strip
      const bool edge = y == 0 || y == kStripHeight - 1;
      for (int x = 0; x < kStripWidth; ++x) {
        const float t = edge ? 0.0f : text[y * kStripWidth + x];
        const float g = edge ? 0.0f : std::min(1.0f, halo[y * kStripWidth + x] * 1.6f);
        unsigned char* p = pixels + (static_cast<size_t>(i * kStripHeight + y) * kStripWidth + x) * 4;
        p[0] = byte(t + g * 0.25f * (1 - t));
        p[1] = byte(t + g * 0.65f * (1 - t));
        p[2] = byte(t + g * 0.9f * (1 - t));
        p[3] = byte(std::max(t, g));
      }
    }
  }
  return kindra_assets::encodePng(image);
}

// -------------------------------------------------------------- particle

std::string makeParticle() {
  const int size = 64;
  zelkor::am::Image image(new zelkor::am::ImageObject(size, size));
  unsigned char* pixels = image->getWriteData();
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = (x + 0.5f) / size * 2 - 1;
      const float dy = (y + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(dx * dx + dy * dy);
      // a gaussian core fading to exactly nothing at the rim
      const float rim = std::max(0.0f, 1 - r);
      const float a = std::exp(-5.0f * r * r) * rim * rim * (3 - 2 * rim);
      const float core = std::exp(-40.0f * r * r);
      unsigned char* p = pixels + (y * size + x) * 4;
      p[0] = p[1] = p[2] = byte(0.75f + 0.25f * core);
      p[3] = byte(a);
    }
  }
  return kindra_assets::encodePng(image);
}

}  // namespace

std::vector<kindra_assets::Asset> kindra_assets::generatedAssets() {
  return {{"tunnel/tunnel.z3d", makeTunnelScene},
          {"tunnel/greets.png", makeGreetings},
          {"tunnel/particle.png", makeParticle}};
}
