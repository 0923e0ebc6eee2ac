// Vertex and index buffers on a real device: drawing, the CPU copy and what
// reaches the GL buffer, conversions, dispose and restore, and the emulation
// for drivers without buffer objects.

#include <cstring>
#include <memory>
#include <vector>

#include "dis_vboibo_gl.h"
#include "gpu_fixture.h"
#include "zlk_system.h"

namespace {

using namespace zelkor;
using namespace zelkor::display;
using gpu_test::ColorVertex;
using gpu_test::GpuTest;
using gpu_test::Rgba;

TEST(VertexDefinition, TypesAndTheStandardLayout) {
  EXPECT_STREQ(getVariableTypeName(TYPE_USHORT), "ushort");
  EXPECT_STREQ(getVariableTypeName(TYPE_DOUBLE), "double");
  EXPECT_STREQ(getVariableTypeName(static_cast<VariableType>(42)), "none");
  EXPECT_EQ(getVariableTypeSize(TYPE_NONE), 0);
  EXPECT_EQ(getVariableTypeSize(TYPE_BOOL), 1);
  EXPECT_EQ(getVariableTypeSize(TYPE_SHORT), 2);
  EXPECT_EQ(getVariableTypeSize(TYPE_UINT), 4);
  EXPECT_EQ(getVariableTypeSize(TYPE_DOUBLE), 8);
  EXPECT_THROW(getVariableTypeSize(static_cast<VariableType>(10)), Exception);

  std::unique_ptr<VertexDef> def(VertexP3N3::getVertexDef("skin_"));
  EXPECT_EQ(def->getVertexSize(), 24);
  ASSERT_EQ(def->getNumAttributes(), 2);
  const VertexAttribute& position = def->getAttributes()[0];
  const VertexAttribute& normal = def->getAttributes()[1];
  EXPECT_EQ(position.name, "skin_position");
  EXPECT_EQ(position.index, 0);
  EXPECT_EQ(position.offset, 0);
  EXPECT_EQ(position.type, TYPE_FLOAT);
  EXPECT_EQ(position.numElements, 3);
  EXPECT_EQ(normal.name, "skin_normal");
  EXPECT_EQ(normal.index, 1);
  EXPECT_EQ(normal.offset, 12);
  VertexDef custom(40);  // the size is what the caller says
  custom.addAttribute(VertexAttribute(2, "uv0", 32, TYPE_FLOAT, 2));
  EXPECT_EQ(custom.getVertexSize(), 40);
}

class BufferTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    def.reset(gpu_test::colorVertexDef());
    writeColorShader("fx/color");
    shader = device->createShader("fx/color", def.get());
  }
  void TearDown() override {
    if (device) {
      device->resetStates();
      shader->destroy();
    }
    GpuTest::TearDown();
  }

  // Pixel-space drawing with the colour program, on black.
  void begin() {
    pixelSpace();
    clear(0, 0, 0);
    device->setShader(shader);
    shader->set(shader->getUniformLocation("tint"), mathbase::Vector4f(1, 1, 1, 1));
  }
  Rgba at(int x, int y) {
    Rgba c = pixel(x, y);
    c.a = 255;
    return c;
  }
  // The GL buffer's bytes.
  static std::vector<unsigned char> glBytes(GLenum target, GLuint buffer, size_t size) {
    std::vector<unsigned char> bytes(size, 0x55);
    const GLenum query = target == GL_ARRAY_BUFFER ? GL_ARRAY_BUFFER_BINDING : GL_ELEMENT_ARRAY_BUFFER_BINDING;
    GLint previous = 0;
    glGetIntegerv(query, &previous);
    glBindBuffer(target, buffer);
    glGetBufferSubData(target, 0, static_cast<GLsizeiptr>(size), bytes.data());
    glBindBuffer(target, previous);
    return bytes;
  }

  const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, black{0, 0, 0, 255};
  std::unique_ptr<VertexDef> def;
  Shader* shader = nullptr;
};

TEST_F(BufferTest, VertexBufferDrawsAndRedrawsWhatItsCopyNowHolds) {
  VBO* vbo = device->createVBO(12, def.get(), DisplayGL::MODE_DYNAMIC);
  EXPECT_TRUE(vbo->isDisposed());
  EXPECT_EQ(vbo->getNumVertices(), 12);
  EXPECT_EQ(vbo->getFormat(), def.get());
  ColorVertex quads[12];
  gpu_test::colorQuad(quads, 20, 20, 100, 100, 1, 0, 0);
  gpu_test::colorQuad(quads + 6, 120, 20, 200, 100, 0, 1, 0);
  vbo->replace(0, 12, quads);

  begin();
  device->setVBO(vbo);
  device->draw(DisplayGL::DRAW_TRIANGLES);
  EXPECT_EQ(at(60, 60), red);
  EXPECT_EQ(at(160, 60), green);
  EXPECT_EQ(at(110, 60), black);

  ColorVertex* locked = static_cast<ColorVertex*>(vbo->lock(true, false, 6, 6));
  gpu_test::colorQuad(locked, 120, 20, 200, 100, 0, 0, 1);
  vbo->unlock();
  gpu_test::colorQuad(quads, 20, 20, 100, 100, 1, 1, 0);
  vbo->replace(0, 6, quads);
  begin();  // which unbinds everything
  device->setVBO(vbo);
  device->draw(DisplayGL::DRAW_TRIANGLES);
  EXPECT_EQ(at(60, 60), (Rgba{255, 255, 0, 255}));
  EXPECT_EQ(at(160, 60), blue);

  begin();
  device->setVBO(vbo);
  device->draw(DisplayGL::DRAW_TRIANGLES, -1, 0, 6, 6);
  EXPECT_EQ(at(60, 60), black) << "only the second quad";
  EXPECT_EQ(at(160, 60), blue);
  EXPECT_NE(errorOf([&] { device->draw(DisplayGL::DRAW_TRIANGLES, -1, 0, 6, 7); }), "") << "past the end";
  EXPECT_NE(errorOf([&] { device->draw(DisplayGL::DRAW_NONE); }).find("outerMode!=DisplayGL::DRAW_NONE"), std::string::npos);
  device->setVBO(nullptr);
  vbo->destroy();
}

TEST_F(BufferTest, AWritingLockUploadsExactlyItsRange) {
  std::unique_ptr<VertexDef> p3n3(VertexP3N3::getVertexDef());
  VBO* vbo = device->createVBO(20, p3n3.get(), DisplayGL::MODE_STREAM);
  BufferObject_GL<VBO, GL_ARRAY_BUFFER>* gl = static_cast<VBO_GL*>(vbo);
  EXPECT_EQ(gl->getUsage(), static_cast<GLenum>(GL_STREAM_DRAW));
  vbo->restoreResource();
  ASSERT_NE(gl->getBufferGL(), 0u);

  unsigned char* range = static_cast<unsigned char*>(vbo->lock(true, false, 10, 5));
  EXPECT_EQ(range, gl->getCPUCopy() + 240);
  std::memset(range, 0xAB, 120);
  vbo->unlock();
  std::vector<unsigned char> expected(480, 0);
  std::fill(expected.begin() + 240, expected.begin() + 360, 0xAB);
  EXPECT_EQ(glBytes(GL_ARRAY_BUFFER, gl->getBufferGL(), 480), expected);

  // a reading lock uploads nothing, even when the caller wrote
  unsigned char* all = static_cast<unsigned char*>(vbo->lock(false, true, -1, 0));
  EXPECT_EQ(all, gl->getCPUCopy());
  all[0] = 0xCD;
  vbo->unlock();
  EXPECT_EQ(glBytes(GL_ARRAY_BUFFER, gl->getBufferGL(), 480), expected);

  // misuse
  vbo->lock(true, true, 0, 1);
  EXPECT_NE(errorOf([&] { vbo->lock(true, false, 0, 1); }).find("mMapped==0"), std::string::npos);
  vbo->unlock();
  EXPECT_NE(errorOf([&] { vbo->unlock(); }).find("mMapped!=0"), std::string::npos);
  EXPECT_NE(errorOf([&] { vbo->lock(false, false, 0, 1); }).find("write==true || read==true"), std::string::npos);
  EXPECT_NE(errorOf([&] { vbo->lock(true, false, 18, 3); }), "") << "past the end";
  EXPECT_NE(errorOf([&] { vbo->replace(-1, 2, range); }), "");

  // the whole buffer
  unsigned char* whole = static_cast<unsigned char*>(vbo->lock(true, false, -1, -1));
  whole[479] = 0x11;
  vbo->unlock();
  expected[0] = 0xCD;
  expected[479] = 0x11;
  EXPECT_EQ(glBytes(GL_ARRAY_BUFFER, gl->getBufferGL(), 480), expected);
  vbo->destroy();
}

TEST_F(BufferTest, RestoreRebuildsTheGlBufferFromTheLastContents) {
  std::unique_ptr<VertexDef> p3n3(VertexP3N3::getVertexDef());
  VBO* vbo = device->createVBO(4, p3n3.get(), DisplayGL::MODE_STATIC);
  VBO_GL* gl = static_cast<VBO_GL*>(vbo);
  VertexP3N3 vertices[4];
  for (int i = 0; i < 4; ++i) vertices[i] = VertexP3N3{mathbase::Vector3f(i, 2.0f * i, 3), mathbase::Vector3f(0, 0, 1)};
  vbo->replace(0, 4, vertices);
  vbo->restoreResource();
  const GLuint old = gl->getBufferGL();
  device->disposeResources();
  EXPECT_EQ(gl->getBufferGL(), 0u);
  EXPECT_FALSE(glIsBuffer(old));
  vertices[2].p = mathbase::Vector3f(7, 7, 7);
  vbo->replace(2, 1, &vertices[2]);  // while disposed: the copy only
  device->restoreResources();
  const std::vector<unsigned char> bytes = glBytes(GL_ARRAY_BUFFER, gl->getBufferGL(), 96);
  EXPECT_EQ(std::memcmp(bytes.data(), vertices, 96), 0);
  EXPECT_EQ(std::memcmp(gl->getCPUCopy(), vertices, 96), 0);
  vbo->destroy();
}

TEST_F(BufferTest, IndexBufferConvertsIndicesToItsWidth) {
  IBO* ibo = device->createIBO(6, IBO::FORMAT_UINT16, DisplayGL::MODE_STATIC);
  IBO_GL* gl = static_cast<IBO_GL*>(ibo);
  EXPECT_EQ(ibo->getFormat(), IBO::FORMAT_UINT16);
  EXPECT_EQ(gl->getFormatGL(), static_cast<GLenum>(GL_UNSIGNED_SHORT));
  ibo->restoreResource();
  const uint8_t small[3] = {0, 1, 2};
  ibo->replace(0, 3, const_cast<uint8_t*>(small), 100, IBO::FORMAT_UINT8);
  const uint32_t wide[3] = {5, 6, 70000 - 69990};
  ibo->replace(3, 3, const_cast<uint32_t*>(wide), 0, IBO::FORMAT_UINT32);
  const uint16_t want[6] = {100, 101, 102, 5, 6, 10};
  EXPECT_EQ(std::memcmp(gl->getCPUCopy(), want, 12), 0);
  const std::vector<unsigned char> bytes = glBytes(GL_ELEMENT_ARRAY_BUFFER, gl->getBufferGL(), 12);
  EXPECT_EQ(std::memcmp(bytes.data(), want, 12), 0);

  takeLog();
  uint16_t same[2] = {9, 8};
  ibo->replace(4, 2, same, 0, IBO::FORMAT_NONE);  // the buffer's own format: a plain copy
  EXPECT_NE(takeLog().find("replace(4, 2, 0x"), std::string::npos);
  EXPECT_EQ(reinterpret_cast<const uint16_t*>(gl->getCPUCopy())[5], 8);

  EXPECT_EQ(errorOf([&] { ibo->replace(0, 1, same, 1, static_cast<IBO::Format>(9)); }), "IBO::setup; Unknown dataformat");
  const uint32_t tooBig[1] = {65535};
  EXPECT_NE(errorOf([&] { ibo->replace(0, 1, const_cast<uint32_t*>(tooBig), 1, IBO::FORMAT_UINT32); }).find("does not fit"),
            std::string::npos);
  EXPECT_EQ(reinterpret_cast<const uint16_t*>(gl->getCPUCopy())[0], 100) << "a refused replace changes nothing";
  EXPECT_NE(errorOf([&] { device->createIBO(3, IBO::FORMAT_NONE, DisplayGL::MODE_STATIC); }).find("FORMAT_NONE"),
            std::string::npos);
  ibo->destroy();
}

TEST_F(BufferTest, IndexedDrawsTakeAllOrARangeOfTheIndices) {
  for (IBO::Format format : {IBO::FORMAT_UINT8, IBO::FORMAT_UINT16, IBO::FORMAT_UINT32}) {
    VBO* vbo = device->createVBO(4, def.get(), DisplayGL::MODE_STATIC);
    const ColorVertex corners[4] = {{20, 20, 1, 0, 0, 1}, {200, 20, 1, 0, 0, 1}, {200, 200, 1, 0, 0, 1}, {20, 200, 1, 0, 0, 1}};
    vbo->replace(0, 4, const_cast<ColorVertex*>(corners));
    IBO* ibo = device->createIBO(6, format, DisplayGL::MODE_STATIC);
    const uint32_t indices[6] = {0, 1, 2, 0, 2, 3};  // lower right, then upper left triangle
    ibo->replace(0, 6, const_cast<uint32_t*>(indices), 0, IBO::FORMAT_UINT32);

    begin();
    device->setVBO(vbo);
    device->setIBO(ibo);
    device->draw(DisplayGL::DRAW_TRIANGLES);
    EXPECT_EQ(at(150, 50), red) << format;
    EXPECT_EQ(at(50, 150), red) << format;

    begin();
    device->setVBO(vbo);
    device->setIBO(ibo);
    device->draw(DisplayGL::DRAW_TRIANGLES, 3, 3, 0, 4);
    EXPECT_EQ(at(150, 50), black) << format;
    EXPECT_EQ(at(50, 150), red) << format;
    EXPECT_NE(errorOf([&] { device->draw(DisplayGL::DRAW_TRIANGLES, 3, 6, 0, 4); }), "") << "past the end";

    device->setIBO(nullptr);
    device->setVBO(nullptr);
    ibo->destroy();
    vbo->destroy();
  }
}

TEST_F(BufferTest, WithoutBufferObjectsTheCpuCopyIsDrawn) {
  device->disableExtension("GL_ARB_vertex_buffer_object");
  takeLog();
  VBO* vbo = device->createVBO(4, def.get(), DisplayGL::MODE_STATIC);
  IBO* ibo = device->createIBO(6, IBO::FORMAT_UINT16, DisplayGL::MODE_STATIC);
  EXPECT_NE(takeLog().find("GL_ARB_vertex_buffer_object not supported, emulating fool"), std::string::npos);
  IBO_GL* iboGL = static_cast<IBO_GL*>(ibo);
  EXPECT_TRUE(iboGL->isEmulated());
  EXPECT_EQ(iboGL->getPointerGL(6), iboGL->getCPUCopy() + 12);

  ColorVertex corners[4] = {{20, 20, 0, 1, 0, 1}, {200, 20, 0, 1, 0, 1}, {200, 200, 0, 1, 0, 1}, {20, 200, 0, 1, 0, 1}};
  vbo->replace(0, 4, corners);
  const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
  ibo->replace(0, 6, const_cast<uint16_t*>(indices));
  begin();
  device->setVBO(vbo);
  device->setIBO(ibo);
  EXPECT_EQ(static_cast<VBO_GL*>(vbo)->getBufferGL(), 0u);
  device->draw(DisplayGL::DRAW_TRIANGLES);
  EXPECT_EQ(at(150, 50), green);

  ColorVertex* locked = static_cast<ColorVertex*>(vbo->lock(true, false, -1, -1));
  for (int i = 0; i < 4; ++i) locked[i].b = 1;
  vbo->unlock();
  begin();
  device->setVBO(vbo);  // attribute pointers are set when the buffer is bound
  device->setIBO(ibo);
  device->draw(DisplayGL::DRAW_TRIANGLES, 0, 3, 0, 4);
  EXPECT_EQ(at(150, 50), (Rgba{0, 255, 255, 255}));
  EXPECT_EQ(at(50, 150), black);
  device->setIBO(nullptr);
  device->setVBO(nullptr);
  vbo->destroy();
  ibo->destroy();
}

TEST_F(BufferTest, LayoutsThatDoNotFitTheirVertexAreRefused) {
  VertexDef tooShort(8);
  tooShort.addAttribute(VertexAttribute(0, "position", 0, TYPE_FLOAT, 3));
  EXPECT_EQ(errorOf([&] { device->createVBO(3, &tooShort, DisplayGL::MODE_STATIC); }),
            "VBO_GL; attribute 'position' (3 x float at byte 0) does not fit in a vertex of 8 bytes");
  EXPECT_NE(errorOf([&] { device->createVBO(3, nullptr, DisplayGL::MODE_STATIC); }).find("format"), std::string::npos);

  VertexDef untyped(8);
  untyped.addAttribute(VertexAttribute(0, "position", 0, TYPE_NONE, 2));
  VBO* vbo = device->createVBO(3, &untyped, DisplayGL::MODE_STATIC);
  EXPECT_NE(errorOf([&] { device->setVBO(vbo); }).find("TYPE_NONE"), std::string::npos);
  glDisableVertexAttribArray(0);
  vbo->destroy();

  VertexDef flags(4);
  flags.addAttribute(VertexAttribute(3, "flags", 0, TYPE_BOOL, 4));
  VBO* withFlags = device->createVBO(3, &flags, DisplayGL::MODE_STATIC);
  EXPECT_EQ(errorOf([&] { device->setVBO(withFlags); }), "") << "a bool is one unsigned byte for GL";
  device->setVBO(nullptr);
  withFlags->destroy();
}

TEST_F(BufferTest, BigBuffersAreOnlyWarnedAbout) {
  GLint recommended = 0;
  glGetIntegerv(GL_MAX_ELEMENTS_VERTICES, &recommended);
  if (recommended <= 0) GTEST_SKIP() << "the driver recommends nothing";
  takeLog();
  VBO* vbo = device->createVBO(recommended + 1, def.get(), DisplayGL::MODE_STATIC);
  EXPECT_NE(takeLog().find("Creating vertex buffer with too many vertices (" + std::to_string(recommended + 1) + " when " +
                           std::to_string(recommended) + " recommended)"),
            std::string::npos);
  vbo->destroy();
}

TEST_F(BufferTest, TheDeviceLetsGoOfBuffersThatAreDisposedOrDestroyed) {
  VBO* vbo = device->createVBO(6, def.get(), DisplayGL::MODE_STATIC);
  ColorVertex quad[6];
  gpu_test::colorQuad(quad, 20, 20, 100, 100, 1, 0, 0);
  vbo->replace(0, 6, quad);
  begin();
  device->setVBO(vbo);
  device->draw(DisplayGL::DRAW_TRIANGLES);

  // disposing unbinds, so binding again rebuilds the buffer
  device->disposeResources();
  clear(0, 0, 0);
  device->setShader(shader);
  EXPECT_FALSE(shader->isDisposed());
  shader->set(shader->getUniformLocation("tint"), mathbase::Vector4f(1, 1, 1, 1));
  device->setVBO(vbo);
  EXPECT_FALSE(vbo->isDisposed());
  device->draw(DisplayGL::DRAW_TRIANGLES);
  EXPECT_EQ(at(60, 60), red);

  vbo->destroy();  // while current
  EXPECT_NE(errorOf([&] { device->draw(DisplayGL::DRAW_TRIANGLES); }).find("mCurrentVBO!=0"), std::string::npos);
  GLint enabled = 1;
  glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
  EXPECT_EQ(enabled, 0) << "its attributes were switched off";
}

}  // namespace
