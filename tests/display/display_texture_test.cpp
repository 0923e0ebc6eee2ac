// Textures and the device's resource registry on a real context: uploads
// read back as drawn pixels, the lifecycle, the cache and the fallbacks for
// drivers without some extensions.

#include <algorithm>
#include <vector>

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

TEST_F(TextureTest, FileTextureIsBuiltOnFirstBindAndDrawsThePicture) {
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
}

TEST_F(TextureTest, DisposeFreesTheGlTextureAndRestoreRebuildsTheSamePixels) {
  writePng("pattern.png", makeImage(16, 16, pattern));
  Texture* fromFile = device->createTexture("pattern.png", noMipmaps());
  am::Image picture = makeImage(16, 16, [](int x, int y) { return pattern(15 - x, y); });
  Texture* fromImage = device->createTexture(picture, noMipmaps());
  expectDrawnPattern(fromFile, 16, 16, pattern);
  const GLuint name = static_cast<Texture_GL*>(fromFile)->getTextureGL();
  ASSERT_TRUE(glIsTexture(name));

  device->disposeResources();
  EXPECT_TRUE(fromFile->isDisposed());
  EXPECT_TRUE(fromImage->isDisposed());
  EXPECT_FALSE(glIsTexture(name)) << "the GL texture is freed";

  // the loading screen walks the registry the same way
  for (Resource* resource : device->getResources()) {
    if (resource->isDisposed()) resource->restoreResource();
  }
  EXPECT_FALSE(fromFile->isDisposed());
  expectDrawnPattern(fromFile, 16, 16, pattern);
  expectDrawnPattern(fromImage, 16, 16, [](int x, int y) { return pattern(15 - x, y); });

  device->disposeResources();
  expectDrawnPattern(fromImage, 16, 16, [](int x, int y) { return pattern(15 - x, y); });  // lazily on bind
  fromFile->destroy();
  fromImage->destroy();
}

TEST_F(TextureTest, LastReferenceDeletesTheTextureAndItsGlObject) {
  am::Image picture = makeImage(4, 4, pattern);
  Texture* texture = device->createTexture(picture, noMipmaps());
  device->setTexture(texture, 0);
  const GLuint name = static_cast<Texture_GL*>(texture)->getTextureGL();
  EXPECT_TRUE(glIsTexture(name));
  EXPECT_EQ(texture->incRef(), 2);
  texture->destroy();
  EXPECT_EQ(device->getResources().size(), 1u);
  EXPECT_TRUE(glIsTexture(name));
  texture->destroy();  // while still bound on unit 0
  EXPECT_TRUE(device->getResources().empty());
  EXPECT_FALSE(glIsTexture(name));
  // the unit no longer refers to it: binding another texture there is safe
  Texture* other = device->createTexture(picture, noMipmaps());
  device->setTexture(other, 0);
  device->resetStates();
  other->destroy();
}

TEST_F(TextureTest, CacheSharesTexturesByNameAndDeclaration) {
  writePng("a.png", makeImage(8, 8, pattern));
  Texture* first = device->createTexture("a.png", false);
  Texture* second = device->createTexture("a.png", false);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->getRef(), 2);

  TextureDeclaration withoutMipmaps = noMipmaps();
  Texture* other = device->createTexture("a.png", withoutMipmaps, false);
  EXPECT_NE(other, first) << "declarations differing only in mipmaps are different textures";

  Texture* unique = device->createTexture("a.png", true);
  EXPECT_NE(unique, first);
  EXPECT_EQ(unique->getRef(), 1);
  Texture* later = device->createTexture("a.png", false);
  EXPECT_EQ(later, unique) << "the unique texture replaced the cache entry";
  EXPECT_EQ(unique->getRef(), 2);

  first->destroy();
  EXPECT_EQ(device->getResources().count(first), 1u);
  second->destroy();
  EXPECT_EQ(device->getResources().count(first), 0u) << "the second destroy deletes it";
  unique->destroy();
  later->destroy();

  // a deleted texture is never handed out again
  Texture* again = device->createTexture("a.png", withoutMipmaps, false);
  EXPECT_EQ(again, other);
  other->destroy();
  again->destroy();
  Texture* fresh = device->createTexture("a.png", withoutMipmaps, false);
  EXPECT_EQ(fresh->getRef(), 1);
  EXPECT_EQ(device->getResources().size(), 1u);
  fresh->destroy();
}

TEST_F(TextureTest, WithoutNonPowerOfTwoSupportPicturesAreRaisedAndStillReportTheirSize) {
  device->disableExtension("GL_ARB_texture_non_power_of_two");
  writePng("wide.png", makeImage(300, 200, [](int x, int y) { return Rgba{x < 150 ? 255 : 0, y < 100 ? 255 : 0, 0, 255}; }));
  Texture* texture = device->createTexture("wide.png", noMipmaps());
  takeLog();
  device->setTexture(texture, 0);
  Texture_GL* gl = static_cast<Texture_GL*>(texture);
  EXPECT_EQ(gl->getUploadWidth(), 512);
  EXPECT_EQ(gl->getUploadHeight(), 256);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width, 512);
  EXPECT_EQ(height, 256);
  EXPECT_NE(takeLog().find("Warning: Manually rescaling picture 'wide.png'!"), std::string::npos);
  EXPECT_EQ(texture->getDeclaration().width, 300);
  EXPECT_EQ(texture->getDeclaration().height, 200);

  // the scaled picture keeps its quarters in place
  pixelSpace();
  clear(0, 0, 1);
  device->setTexture(texture, 0);
  glEnable(GL_TEXTURE_2D);
  drawQuad(0, 0, 200, 200);
  glDisable(GL_TEXTURE_2D);
  EXPECT_EQ(pixel(20, 180), (Rgba{255, 255, 0, 255})) << "top left";
  EXPECT_EQ(pixel(180, 20), (Rgba{0, 0, 0, 255})) << "bottom right";

  // a rebuild after dispose uploads the same way
  device->disposeResources();
  device->setTexture(texture, 0);
  EXPECT_EQ(gl->getUploadWidth(), 512);
  EXPECT_EQ(texture->getDeclaration().width, 300);
  texture->destroy();
}

TEST_F(TextureTest, NonPowerOfTwoPicturesKeepTheirSizeWhereTheGpuTakesThem) {
  ASSERT_TRUE(device->hasExtension("GL_ARB_texture_non_power_of_two"));
  am::Image picture = makeImage(30, 20, pattern);
  Texture* plain = device->createTexture(picture, noMipmaps());
  Texture* mipmapped = device->createTexture(picture, TextureDeclaration());
  expectDrawnPattern(plain, 30, 20, pattern);
  device->setTexture(mipmapped, 0);
  GLint width = 0, levelOne = 0, levels = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOne);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 4, GL_TEXTURE_WIDTH, &levels);
  EXPECT_EQ(width, 30);
  EXPECT_EQ(levelOne, 15);
  EXPECT_EQ(levels, 1) << "the chain goes down to one texel";
  expectDrawnPattern(mipmapped, 30, 20, pattern);
  plain->destroy();
  mipmapped->destroy();
}

TEST_F(TextureTest, MipmapBuilderOfTheFallbackScalesToPowersOfTwo) {
  device->disableExtension("GL_ARB_texture_non_power_of_two");
  am::Image picture = makeImage(30, 20, [](int, int) { return Rgba{255, 0, 0, 255}; });
  Texture* texture = device->createTexture(picture, TextureDeclaration());
  device->setTexture(texture, 0);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  EXPECT_EQ(width & (width - 1), 0) << width;
  EXPECT_EQ(height & (height - 1), 0) << height;
  expectDrawnPattern(texture, 30, 20, [](int, int) { return Rgba{255, 0, 0, 255}; });
  texture->destroy();
}

TEST_F(TextureTest, EmptyTextureNeedsItsSizeAndStartsBlack) {
  Texture* sizeless = device->createTexture(TextureDeclaration());
  EXPECT_NE(errorOf([&] { device->setTexture(sizeless, 0); }).find("mDecl.width!=-1 && mDecl.height!=-1"),
            std::string::npos);
  EXPECT_TRUE(sizeless->isDisposed());
  sizeless->destroy();

  TextureDeclaration decl(256, 256);
  Texture* empty = device->createTexture(decl);
  device->setTexture(empty, 0);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 256);
  std::vector<unsigned char> texels(256 * 256 * 4, 7);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(std::count(texels.begin(), texels.end(), 0), static_cast<long>(texels.size())) << "all zero";
  empty->destroy();
}

TEST_F(TextureTest, UnsupportedDeclarationsFailClearly) {
  TextureDeclaration alpha(16, 16);
  alpha.channelType = Texture::CHAN_ALPHA;
  EXPECT_EQ(errorOf([&] { device->createTexture(alpha); }), "Unknown mFormatGL for texture");
  EXPECT_TRUE(device->getResources().empty()) << "the refused texture left the registry";

  TextureDeclaration depth8(16, 16);
  depth8.channelType = Texture::CHAN_DEPTH;
  EXPECT_EQ(errorOf([&] { device->createTexture(depth8); }), "Unknown mFormatGL for texture");

  device->disableExtension("GL_ARB_texture_float");
  TextureDeclaration floats(16, 16);
  floats.channelType = Texture::CHAN_RGB;
  floats.channelFormat = Texture::FORMAT_F32;
  Texture* texture = device->createTexture(floats);
  EXPECT_EQ(errorOf([&] { device->setTexture(texture, 0); }), "OpenGL does not support float-textures on this computer!");
  texture->destroy();
}

TEST_F(TextureTest, FormatsOfTheTableUploadWithoutErrors) {
  struct Case {
    Texture::Channels channels;
    Texture::ChannelFormat format;
    GLint internal;
  };
  const Case cases[] = {
      {Texture::CHAN_RGB, Texture::FORMAT_UINT8, GL_RGB8},
      {Texture::CHAN_RGBA, Texture::FORMAT_HDR, GL_RGBA16},
      {Texture::CHAN_RGBA, Texture::FORMAT_F16, GL_RGBA16F_ARB},
      {Texture::CHAN_RGB, Texture::FORMAT_F32, GL_RGB32F_ARB},
      {Texture::CHAN_LA, Texture::FORMAT_UINT8, GL_LUMINANCE8_ALPHA8},
      {Texture::CHAN_DEPTH, Texture::FORMAT_UINT24, GL_DEPTH_COMPONENT24},
      {Texture::CHAN_DEPTH, Texture::FORMAT_UINT16, GL_DEPTH_COMPONENT16},
  };
  for (const Case& c : cases) {
    TextureDeclaration decl(32, 16);
    decl.channelType = c.channels;
    decl.channelFormat = c.format;
    Texture* texture = device->createTexture(decl);
    Texture_GL* gl = static_cast<Texture_GL*>(texture);
    EXPECT_EQ(gl->getFormatGL(), c.internal);
    EXPECT_EQ(errorOf([&] { device->setTexture(texture, 0); }), "") << c.internal;
    if (c.channels == Texture::CHAN_DEPTH) {
      EXPECT_FALSE(texture->getDeclaration().useMipmaps) << "depth has no chain";
    }
    device->setTexture(nullptr, 0);
    texture->destroy();
  }
  // a colour picture cannot become depth values
  TextureDeclaration depth;
  depth.channelType = Texture::CHAN_DEPTH;
  depth.channelFormat = Texture::FORMAT_UINT24;
  am::Image picture = makeImage(4, 4, pattern);
  Texture* texture = device->createTexture(picture, depth);
  EXPECT_EQ(errorOf([&] { device->setTexture(texture, 0); }), "Could not construct gl-image for 'unknown' of size 4x4.");
  texture->destroy();
}

TEST_F(TextureTest, CreatingATextureLeavesEveryTargetsBindingAlone) {
  GLuint names[4];
  glGenTextures(4, names);
  glBindTexture(GL_TEXTURE_1D, names[0]);
  glBindTexture(GL_TEXTURE_2D, names[1]);
  glBindTexture(GL_TEXTURE_3D, names[2]);
  glBindTexture(GL_TEXTURE_CUBE_MAP, names[3]);
  am::Image picture = makeImage(8, 8, pattern);
  Texture* texture = device->createTexture(picture, TextureDeclaration());
  texture->restoreResource();
  TextureDeclaration row;
  row.target = Texture::TARGET_1D;
  Texture* row1D = device->createTexture(picture, row);
  EXPECT_NE(errorOf([&] { row1D->restoreResource(); }).find("Loaded 1d-texture but both dimensions are non-1!"),
            std::string::npos);
  const GLenum queries[4] = {GL_TEXTURE_BINDING_1D, GL_TEXTURE_BINDING_2D, GL_TEXTURE_BINDING_3D,
                             GL_TEXTURE_BINDING_CUBE_MAP};
  for (int i = 0; i < 4; ++i) {
    GLint bound = 0;
    glGetIntegerv(queries[i], &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), names[i]) << i;
  }
  glBindTexture(GL_TEXTURE_1D, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindTexture(GL_TEXTURE_3D, 0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  glDeleteTextures(4, names);
  texture->destroy();
  row1D->destroy();
}

TEST_F(TextureTest, OneDimensionalTextureTakesAColumnAsARow) {
  am::Image column = makeImage(1, 8, [](int, int y) { return Rgba{y * 32, 0, 0, 255}; });
  TextureDeclaration decl = noMipmaps();
  decl.target = Texture::TARGET_1D;
  Texture* texture = device->createTexture(column, decl);
  device->setTexture(texture, 0);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 8);
  unsigned char texels[8 * 4];
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_1D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  EXPECT_EQ(texels[5 * 4], 160);
  device->setTexture(nullptr, 0);
  texture->destroy();
}

TEST_F(TextureTest, PicturesBeyondTheGpuLimitAreScaledDown) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  am::Image strip = makeImage(maxSize + 1, 1, [](int, int) { return Rgba{0, 255, 0, 255}; });
  Texture* texture = device->createTexture(strip, noMipmaps());
  takeLog();
  device->setTexture(texture, 0);
  EXPECT_LE(static_cast<Texture_GL*>(texture)->getUploadWidth(), maxSize);
  EXPECT_NE(takeLog().find("is larger than the GPU allows"), std::string::npos);
  texture->destroy();

  Texture* huge = device->createTexture(TextureDeclaration(maxSize * 2, 4));
  EXPECT_NE(errorOf([&] { huge->restoreResource(); }).find("is larger than the GPU allows"), std::string::npos);
  huge->destroy();
}

TEST_F(TextureTest, UnreadablePicturesFailAtFirstBindNamingTheFile) {
  Texture* missing = device->createTexture("missing.png", false);
  const std::string error = errorOf([&] { device->setTexture(missing, 0); });
  EXPECT_NE(error.find("Display::Resource; Could not read (or decode) image 'missing.png' (am msg was '"), std::string::npos)
      << error;
  EXPECT_TRUE(missing->isDisposed());
  missing->destroy();

  writeText("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "not really");
  Texture* broken = device->createTexture("broken.png", false);
  EXPECT_NE(errorOf([&] { device->setTexture(broken, 0); }).find("Could not read (or decode) image 'broken.png'"),
            std::string::npos);
  broken->destroy();
  device->setTexture(nullptr, 0);
}

TEST_F(TextureTest, ResourcesReadFilesAndImagesThroughTheArchive) {
  writeText("hello.txt", "hello");
  writePng("p.png", makeImage(2, 2, pattern));
  Texture* texture = device->createTexture(TextureDeclaration(4, 4));
  EXPECT_TRUE(texture->canLoad());
  am::File file = texture->loadFile("hello.txt");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(file->data), file->length), "hello");
  EXPECT_EQ(errorOf([&] { texture->loadFile("nope.txt"); }), "Display::Resource; File 'nope.txt' could not be read");

  // bytes in memory are decoded and left to their owner
  const std::string bytes = kindra_test::readFile(scratch->file("p.png"));
  std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
  am::Image image = texture->loadImage("memory.png", buffer.data(), static_cast<long>(buffer.size()));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image->getWidth(), 2);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), bytes);
  std::vector<unsigned char> junk(10, 1);
  EXPECT_NE(errorOf([&] { texture->loadImage("junk.png", junk.data(), 10); }).find("Could not read (or decode) image 'junk.png'"),
            std::string::npos);

  device->setArchive(nullptr);
  EXPECT_FALSE(texture->canLoad());
  EXPECT_EQ(errorOf([&] { texture->loadFile("hello.txt"); }),
            "Display::Resource; This resource can not load files (when loading 'hello.txt')");
  EXPECT_EQ(errorOf([&] { texture->loadImage("p.png", false); }),
            "Display::Resource; This resource can not load files (when loading image 'p.png')");
  texture->destroy();
}

TEST_F(TextureTest, TextureUnitsAreTrackedAndResetStatesUnbindsThemAll) {
  am::Image picture = makeImage(4, 4, pattern);
  Texture* a = device->createTexture(picture, noMipmaps());
  Texture* b = device->createTexture(picture, noMipmaps());
  device->setTexture(a, 3);
  device->setTexture(b, 0);
  GLint active = 0, bound = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  EXPECT_EQ(active, GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), static_cast<Texture_GL*>(b)->getTextureGL());
  glActiveTexture(GL_TEXTURE3);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), static_cast<Texture_GL*>(a)->getTextureGL());
  glActiveTexture(GL_TEXTURE0);

  device->resetStates();
  for (int unit = 7; unit >= 0; --unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0) << unit;
  }
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  EXPECT_EQ(active, GL_TEXTURE0) << "unit 0 is active afterwards";
  EXPECT_NE(errorOf([&] { device->setTexture(a, 8); }), "") << "eight units";
  a->destroy();
  b->destroy();
}

}  // namespace
