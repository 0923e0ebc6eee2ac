// Textures and the device's resource registry on a real context: uploads
// read back as drawn pixels, the lifecycle, the cache and the fallbacks for
// drivers without some extensions; the immediate-mode shapes.

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

#include "dis_display_obsolete.h"
#include "dis_texture_gl.h"
#include "gpu_fixture.h"
#include "zlk_system.h"

namespace {

using namespace zelkor;
using namespace zelkor::display;
using gpu_test::GpuTest;
using gpu_test::Rgba;

// Every pixel differs from its neighbours (up to 32 x 32).
Rgba pattern(int x, int y) { return Rgba{(x * 8) % 256, (y * 8) % 256, (x * 7 + y * 13) % 256, 255}; }

TextureDeclaration noMipmaps() {
  TextureDeclaration decl;
  decl.useMipmaps = false;
  return decl;
}

class TextureTest : public GpuTest {
 protected:
  // Draws the texture at one texel per pixel with its lower left corner at
  // (10, 10) and checks every pixel against the picture.
  void expectDrawnPattern(Texture* texture, int width, int height, const gpu_test::PixelFunction& expected) {
    pixelSpace();
    clear(0, 0, 0);
    device->setTexture(texture, 0);
    glEnable(GL_TEXTURE_2D);
    drawQuad(10, 10, 10.0f + width, 10.0f + height);
    glDisable(GL_TEXTURE_2D);
    device->setTexture(nullptr, 0);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        // the picture's top row is drawn at the top
        const Rgba got = pixel(10 + x, 10 + height - 1 - y);
        Rgba want = expected(x, y);
        want.a = got.a;
        if (!(got == want) && ++wrong < 5) ADD_FAILURE() << "texel " << x << "," << y << ": " << got << " != " << want;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
};

TEST_F(TextureTest, FileTextureIsBuiltOnFirstBindDrawingThePictureOrFailingNamingTheFile) {
  writePng("pattern.png", makeImage(16, 16, pattern));
  Texture* texture = device->createTexture("pattern.png", noMipmaps());
  Texture_GL* gl = static_cast<Texture_GL*>(texture);
  EXPECT_TRUE(texture->isDisposed()) << "nothing is built before first use";
  EXPECT_EQ(texture->getRef(), 1);
  EXPECT_EQ(device->getResources().count(texture), 1u);
  EXPECT_EQ(gl->getTextureGL(), 0u);

  expectDrawnPattern(texture, 16, 16, pattern);
  EXPECT_FALSE(texture->isDisposed());
  EXPECT_EQ(texture->getDeclaration().width, 16);
  EXPECT_EQ(texture->getDeclaration().channelType, Texture::CHAN_RGBA) << "defaults are resolved";
  EXPECT_EQ(texture->getDeclaration().channelFormat, Texture::FORMAT_UINT8);
  EXPECT_EQ(texture->getDeclaration().target, Texture::TARGET_2D);
  texture->destroy();

  // a picture that cannot be read fails at first bind, naming the file
  Texture* missing = device->createTexture("missing.png", false);
  const std::string error = errorOf([&] { device->setTexture(missing, 0); });
  EXPECT_NE(error.find("Display::Resource; Could not read (or decode) image 'missing.png' (am msg was '"), std::string::npos)
      << error;
  EXPECT_TRUE(missing->isDisposed());
  // bytes in memory are decoded the same way
  writePng("p.png", makeImage(2, 3, pattern));
  const std::string bytes = kindra_test::readFile(scratch->file("p.png"));
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  EXPECT_EQ(missing->loadImage("memory.png", data, static_cast<long>(bytes.size()))->getHeight(), 3);
  EXPECT_NE(errorOf([&] { missing->loadImage("cut.png", data, 20); }).find("image 'cut.png'"), std::string::npos);
  missing->destroy();

  writeText("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "not really");
  Texture* broken = device->createTexture("broken.png", false);
  EXPECT_NE(errorOf([&] { device->setTexture(broken, 0); }).find("Could not read (or decode) image 'broken.png'"),
            std::string::npos);
  broken->destroy();
  device->setTexture(nullptr, 0);
}

TEST_F(TextureTest, DeclarationsBuildTheTexelsTheyAskForOrFailNamingWhy) {
  struct Row {
    const char* name;
    int pictureWidth, pictureHeight;  // 0: an empty texture
    Texture::Target target;
    Texture::Channels channels;
    Texture::ChannelFormat format;
    int mipmaps;  // 0 none, 1 blended between levels, 2 the nearer level alone
    int width, height;  // declared
    const char* without;  // an extension switched off from this row on
    int glWidth;         // of level 0 as built
    const char* error;   // "" when it builds
  };
  using T = Texture;
  const Row rows[] = {
      {"RGB, 16 bits", 0, 0, T::TARGET_2D, T::CHAN_RGB, T::FORMAT_HDR, false, 32, 16, "", 32, ""},
      {"RGBA, half floats", 0, 0, T::TARGET_2D, T::CHAN_RGBA, T::FORMAT_F16, true, 32, 16, "", 32, ""},
      {"RGB, floats", 0, 0, T::TARGET_2D, T::CHAN_RGB, T::FORMAT_F32, false, 32, 16, "", 32, ""},
      {"luminance and alpha", 0, 0, T::TARGET_2D, T::CHAN_LA, T::FORMAT_UINT8, false, 8, 8, "", 8, ""},
      {"red, floats", 0, 0, T::TARGET_2D, T::CHAN_RED, T::FORMAT_F32, false, 8, 8, "", 8, ""},
      {"depth, 16 bits", 0, 0, T::TARGET_2D, T::CHAN_DEPTH, T::FORMAT_UINT16, true, 32, 16, "", 32, ""},
      {"depth row", 0, 0, T::TARGET_1D, T::CHAN_DEPTH, T::FORMAT_UINT24, false, 32, 7, "", 32, ""},
      {"depth from a picture", 4, 4, T::TARGET_2D, T::CHAN_DEPTH, T::FORMAT_UINT24, false, -1, -1, "", 0,
       "Could not construct gl-image for 'unknown' of size 4x4."},
      {"a column as a row", 1, 8, T::TARGET_1D, T::CHAN_RGBA, T::FORMAT_UINT8, true, -1, -1, "", 8, ""},
      {"a 1D picture of two dimensions", 4, 4, T::TARGET_1D, T::CHAN_RGBA, T::FORMAT_UINT8, false, -1, -1, "", 0,
       "Loaded 1d-texture but both dimensions are non-1!"},
      {"alpha", 0, 0, T::TARGET_2D, T::CHAN_ALPHA, T::FORMAT_UINT8, false, 16, 16, "", 0, "Unknown mFormatGL for texture"},
      {"8-bit depth", 0, 0, T::TARGET_2D, T::CHAN_DEPTH, T::FORMAT_UINT8, false, 16, 16, "", 0, "Unknown mFormatGL"},
      {"floats without the extension", 0, 0, T::TARGET_2D, T::CHAN_RGB, T::FORMAT_F32, false, 16, 16,
       "GL_ARB_texture_float", 0, "OpenGL does not support float-textures on this computer!"},
      {"3D", 0, 0, T::TARGET_3D, T::CHAN_RGBA, T::FORMAT_UINT8, false, 4, 4, "", 0, "3d-textures are not supported"},
      {"cube", 0, 0, T::TARGET_CUBE, T::CHAN_RGBA, T::FORMAT_UINT8, false, 4, 4, "", 0, "TARGET_CUBE"},
      {"no texels", 0, 0, T::TARGET_2D, T::CHAN_RGBA, T::FORMAT_UINT8, false, 0, 4, "", 0, "has no texels (0x4)"},
      {"a picture scaled to the declared size", 8, 8, T::TARGET_2D, T::CHAN_RGBA, T::FORMAT_UINT8, false, 16, 16, "",
       16, ""},
      {"the nearer mipmap level", 8, 8, T::TARGET_2D, T::CHAN_RGBA, T::FORMAT_UINT8, 2, -1, -1, "", 8, ""},
      {"raised to powers of two", 30, 20, T::TARGET_2D, T::CHAN_RGBA, T::FORMAT_UINT8, false, -1, -1, "GL_ARB_texture_non_power_of_two", 32, ""},
      {"mipmaps by the fallback", 30, 20, T::TARGET_2D, T::CHAN_RGBA, T::FORMAT_UINT8, true, -1, -1, "", 32, ""},
      {"row mipmaps by the fallback", 1, 6, T::TARGET_1D, T::CHAN_RGBA, T::FORMAT_UINT8, true, -1, -1, "", 8, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    device->disableExtension(row.without);
    TextureDeclaration decl(row.width, row.height);
    decl.target = row.target;
    decl.channelType = row.channels;
    decl.channelFormat = row.format;
    decl.useMipmaps = row.mipmaps != 0;
    decl.blendMipmaps = row.mipmaps != 2;
    am::Image picture = makeImage(std::max(row.pictureWidth, 1), std::max(row.pictureHeight, 1), [](int, int) {
      return Rgba{200, 100, 50, 255};
    });
    Texture* texture = nullptr;
    std::string error = errorOf([&] { texture = row.pictureWidth ? device->createTexture(picture, decl) : device->createTexture(decl); });
    if (texture) error = errorOf([&] { device->setTexture(texture, 0); });
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
    EXPECT_TRUE(texture || device->getResources().empty()) << "a refused texture leaves the registry";
    EXPECT_EQ(error.empty(), !*row.error) << error;
    if (error.empty()) {
      const GLenum target = static_cast<Texture_GL*>(texture)->getTargetGL();
      GLint width = 0;
      glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &width);
      EXPECT_EQ(width, row.glWidth);
      GLint filter = 0;
      glGetTexParameteriv(target, GL_TEXTURE_MIN_FILTER, &filter);
      EXPECT_EQ(filter == GL_LINEAR_MIPMAP_NEAREST, row.mipmaps == 2);
      if (texture->getDeclaration().useMipmaps && !*row.without) texture->updateMipmaps();
      std::vector<unsigned char> texels(static_cast<size_t>(width) * 64 * 4, 7);
      if (row.channels != T::CHAN_DEPTH) glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
      const std::vector<int> first(texels.begin(), texels.begin() + 3);
      const std::vector<int> expected = row.pictureWidth ? std::vector<int>{200, 100, 50} : std::vector<int>(3, 0);
      if (row.channels == T::CHAN_RGBA) {
        EXPECT_EQ(first, expected);
      }
    }
    device->setTexture(nullptr, 0);
    if (texture) texture->destroy();
  }
}

TEST_F(TextureTest, RenderTargetsTakeEveryAttachmentAndNameWhatCannotBeBuilt) {
  const auto target = [&](int size, std::initializer_list<FBO::Attachment> attachments) {
    FBO* fbo = device->createFBO(size, size, false);
    for (FBO::Attachment attachment : attachments) {
      TextureDeclaration decl = noMipmaps();
      decl.width = decl.height = 16;
      if (attachment == FBO::DEPTH) {
        decl.channelType = Texture::CHAN_DEPTH;
        decl.channelFormat = Texture::FORMAT_UINT24;
      }
      Texture* texture = device->createTexture(decl);
      fbo->attach(attachment, texture);
      texture->destroy();
    }
    return fbo;
  };
  const auto bindingLog = [&](FBO* fbo) {
    takeLog();
    const std::string error = errorOf([&] { device->setFBO(fbo); });
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_TRUE(error.empty() || bound == 0) << "nothing half-built stays bound";
    device->setFBO(nullptr);
    fbo->destroy();
    const std::string log = takeLog();
    return error.empty() ? log : error;
  };
  // a shadow map's depth alone draws no colour; four colours and a depth
  EXPECT_EQ(bindingLog(target(16, {FBO::DEPTH})), "");
  EXPECT_EQ(bindingLog(target(16, {FBO::COLOR0, FBO::COLOR1, FBO::COLOR2, FBO::COLOR3, FBO::DEPTH})), "");
  EXPECT_EQ(bindingLog(target(32, {FBO::COLOR0})),
            "FBO_GL::restoreResource; Texture dimension doesn't match FBO dimensions!");
  EXPECT_EQ(bindingLog(target(16, {})), "Framebuffer incomplete, missing attachment\n");
  device->disableExtension("GL_EXT_framebuffer_object");
  EXPECT_EQ(bindingLog(target(16, {FBO::COLOR0})),
            "Display::FBO_GL; Render Targets not supported [GL_EXT_framebuffer_object]");
}

using ShapeTest = GpuTest;

TEST_F(ShapeTest, ImmediateModeShapesCoverTheirAreaAndLeaveTheRest) {
  using D = DisplayObsolete;
  using V = mathbase::Vector3f;
  // each shape drawn in white on black, lines three pixels wide: a pixel it
  // covers and one it leaves; centres on pixel centres
  const std::tuple<const char*, std::function<void()>, std::vector<int>> shapes[] = {
      {"disc", [] { D::drawCircle(100.5f, 100.5f, 50, D::SOLID); }, {100, 140, 100, 160}},
      {"circle", [] { D::drawCircle(100.5f, 100.5f, 50, D::WIRE); }, {150, 100, 100, 100}},
      {"ring", [] { D::drawCircle(100.5f, 100.5f, 50, 10, D::SOLID); }, {100, 152, 100, 100}},
      {"ring edges", [] { D::drawCircle(100.5f, 100.5f, 50, 10, D::WIRE); }, {155, 100, 150, 100}},
      {"frame", [] { D::drawBox(50.5f, 50.5f, 150.5f, 150.5f, 5, 5, D::SOLID); }, {100, 52, 100, 100}},
      {"frame edges", [] { D::drawBox(50.5f, 50.5f, 150.5f, 150.5f, 5, 5, D::WIRE); }, {100, 45, 100, 50}},
      {"line", [] { D::drawLine(10.5f, 100.5f, 200.5f, 100.5f); }, {100, 100, 100, 110}},
      {"wide line, round ends", [] { D::drawLine(V(50, 100, 0), V(150, 100, 0), V(0, 0, 1), 20, true, 8); },
       {155, 100, 165, 100}},
      {"box edges", [] { D::drawBoxWire(V(100.5f, 100.5f, 0), V(50, 50, 0.5f)); }, {50, 100, 100, 100}},
  };
  for (const auto& [name, draw, at] : shapes) {
    SCOPED_TRACE(name);
    pixelSpace();
    clear(0, 0, 0);
    glLineWidth(3);
    draw();
    EXPECT_EQ(pixel(at[0], at[1]), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixel(at[2], at[3]), (Rgba{0, 0, 0, 255}));
  }
}

}  // namespace
