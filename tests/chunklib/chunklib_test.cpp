#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cl_readbuffer.h"
#include "cl_writebuffer.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

using zelkor::chunklib::ReadBuffer;
using zelkor::chunklib::WriteBuffer;
using Bytes = std::vector<uint8_t>;

Bytes header(const char* format = "Z3DF", uint8_t major = 1, uint8_t minor = 1) {
  Bytes b(format, format + 4);
  b.push_back(major);
  b.push_back(minor);
  return b;
}

void append(Bytes& b, std::initializer_list<uint8_t> bytes) { b.insert(b.end(), bytes); }

ReadBuffer reader(const Bytes& b, uint32_t flags = 1) {
  return ReadBuffer(b.data(), static_cast<uint32_t>(b.size()), flags);
}

TEST(WriteBufferLayout, TypedChunksOmitTheirLengthOnlyWithFlagBit0AndEmptyOnesVanishUnlessKept) {
  const float v[3] = {1.0f, -2.5f, 3.0f};
  WriteBuffer typed("Z3DF", 1, 1, 1);
  typed.openChunk(0xF006);
  for (float f : v) typed.write(f);
  typed.closeChunk();
  Bytes expected = header();
  append(expected, {0x06, 0xF0, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20, 0xC0, 0x00, 0x00, 0x40, 0x40});
  EXPECT_EQ(typed.getData(), expected);

  WriteBuffer explicitLength("Z3DF", 1, 1, 0);
  explicitLength.openChunk(0xF006);
  for (float f : v) explicitLength.write(f);
  explicitLength.closeChunk();
  const Bytes data = explicitLength.getData();
  ASSERT_EQ(data.size(), 6u + 2 + 4 + 12);
  EXPECT_EQ(Bytes(data.begin() + 6, data.begin() + 12), Bytes({0x06, 0xF0, 12, 0, 0, 0}));

  // an empty chunk vanishes unless kept
  WriteBuffer dropped("Z3DF", 1, 1, 1);
  dropped.openChunk(0x1000);
  dropped.closeChunk();
  EXPECT_EQ(dropped.getData(), header());

  WriteBuffer kept("Z3DF", 1, 1, 3);
  kept.openChunk(0x1000);
  kept.closeChunk();
  expected = header();
  append(expected, {0x00, 0x10, 0, 0, 0, 0});
  EXPECT_EQ(kept.getData(), expected);

  // an outer chunk whose only child vanished vanishes too
  WriteBuffer nested("Z3DF", 1, 1, 1);
  nested.openChunk(0x1000);
  nested.openChunk(0x2000);
  nested.closeChunk();
  nested.closeChunk();
  EXPECT_EQ(nested.getData(), header());
}

TEST(RoundTrip, EveryPrimitiveType) {
  WriteBuffer w("RTRP", 7, 9, 0);
  w.openChunk(0x0100);
  w.write(static_cast<uint8_t>(200));
  w.write(static_cast<int8_t>(-100));
  w.write('q');
  w.write(static_cast<uint16_t>(65535));
  w.write(static_cast<int16_t>(-32768));
  w.write(static_cast<uint32_t>(4000000000u));
  w.write(static_cast<int32_t>(-2000000000));
  w.write(-0.0f);
  w.write(std::numeric_limits<float>::infinity());
  w.write(std::numeric_limits<float>::quiet_NaN());
  w.write(3.14159274f);
  w.write(std::string("name with spaces"));
  w.write(std::string());
  w.closeChunk();
  const Bytes data = w.getData();

  ReadBuffer r = reader(data, 0);
  EXPECT_EQ(r.getFormat(), "RTRP");
  EXPECT_EQ(r.getMajorVersion(), 7);
  EXPECT_EQ(r.getMinorVersion(), 9);
  ASSERT_EQ(r.openChunk(), 0x0100);
  uint8_t u8 = 0;
  int8_t i8 = 0;
  char c = 0;
  uint16_t u16 = 0;
  int16_t i16 = 0;
  uint32_t u32 = 0;
  int32_t i32 = 0;
  float negZero = 1, inf = 0, nan = 0, pi = 0;
  std::string s1, s2 = "keep";
  ASSERT_TRUE(r.read(u8) && r.read(i8) && r.read(c) && r.read(u16) && r.read(i16) && r.read(u32) && r.read(i32));
  ASSERT_TRUE(r.read(negZero) && r.read(inf) && r.read(nan) && r.read(pi));
  ASSERT_TRUE(r.read(s1, 5) && r.read(s1, 0) && r.read(s2, 0));
  EXPECT_EQ(u8, 200);
  EXPECT_EQ(i8, -100);
  EXPECT_EQ(c, 'q');
  EXPECT_EQ(u16, 65535);
  EXPECT_EQ(i16, -32768);
  EXPECT_EQ(u32, 4000000000u);
  EXPECT_EQ(i32, -2000000000);
  EXPECT_TRUE(negZero == 0.0f && std::signbit(negZero));
  EXPECT_TRUE(std::isinf(inf) && inf > 0);
  EXPECT_TRUE(std::isnan(nan));
  EXPECT_EQ(pi, 3.14159274f);
  EXPECT_EQ(s1, "name with spaces") << "five bytes, then up to the terminator";
  EXPECT_EQ(s2, "keep");  // read(string) appends; the empty string adds nothing
  EXPECT_EQ(r.getRemaining(), 0u);
  EXPECT_FALSE(r.read(u8));
  EXPECT_EQ(r.openChunk(), 0);
  r.closeChunk();
  EXPECT_EQ(r.getOffset(), data.size());
}

TEST(ReadBufferFaults, ChunksRunningPastTheirParentOrTheDataAreCut) {
  Bytes b = header();
  append(b, {0x00, 0x10, 10, 0, 0, 0,                 // parent: 10 bytes
             0x00, 0x20, 0xFF, 0xFF, 0xFF, 0x7F,       // child claims ~2 GiB
             1, 2, 3, 4,                               // last 4 bytes of the parent
             0xAA, 0xBB, 0xCC, 0xDD});                 // after the parent
  ReadBuffer r = reader(b);
  ASSERT_EQ(r.openChunk(), 0x1000);
  ASSERT_EQ(r.openChunk(), 0x2000);
  EXPECT_EQ(r.getLength(), 4u);
  uint32_t v = 0;
  EXPECT_TRUE(r.read(v));
  EXPECT_EQ(v, 0x04030201u);
  EXPECT_FALSE(r.read(v));  // the parent's end is the limit
  r.closeChunk();
  r.closeChunk();
  EXPECT_EQ(r.getOffset(), 22u);  // just after the parent
  ASSERT_EQ(r.getNumFaults(), 1u);
  const ReadBuffer::Fault& f = r.getFaults()[0];
  EXPECT_EQ(f.kind, ReadBuffer::Fault::CHUNK_OVERRUN);
  EXPECT_EQ(f.id, 0x2000);
  EXPECT_EQ(f.offset, 12u);
  EXPECT_EQ(f.declared, 0x7FFFFFFFu);
  EXPECT_EQ(f.available, 4u);
  EXPECT_EQ(ReadBuffer::describe(f), "chunk 0x2000 at offset 12 declares 2147483647 bytes but only 4 remain in its parent");

  // a chunk running past the data, and a typed one cut short
  Bytes cut = header();
  append(cut, {0x00, 0x10, 100, 0, 0, 0, 0x07, 0xF0, 1, 2, 3});
  ReadBuffer rc = reader(cut);
  ASSERT_EQ(rc.openChunk(), 0x1000);
  EXPECT_EQ(rc.getLength(), 5u);
  ASSERT_EQ(rc.openChunk(), 0xF007);  // 16 implied bytes, 3 present
  EXPECT_EQ(rc.getLength(), 3u);
  float value;
  EXPECT_FALSE(rc.read(value));
  rc.closeChunk();
  rc.closeChunk();
  EXPECT_EQ(rc.getOffset(), cut.size());
  EXPECT_EQ(rc.getNumFaults(), 2u);
}

TEST(ReadBufferFaults, ZeroIdentifierAndCutHeaderOpenNothingAndNestingBeyondTheLimitStops) {
  Bytes b = header();
  append(b, {0x00, 0x10, 8, 0, 0, 0, 0x00, 0x00, 4, 0, 0, 0, 1, 2});
  ReadBuffer r = reader(b);
  ASSERT_EQ(r.openChunk(), 0x1000);
  EXPECT_EQ(r.openChunk(), 0);
  EXPECT_EQ(r.getDepth(), 1u);  // nothing was pushed
  EXPECT_EQ(r.getOffset(), 12u);
  r.closeChunk();
  EXPECT_EQ(r.getDepth(), 0u);
  ASSERT_EQ(r.getNumFaults(), 1u);
  EXPECT_EQ(r.getFaults()[0].kind, ReadBuffer::Fault::ZERO_ID);
  EXPECT_EQ(ReadBuffer::describe(r.getFaults()[0]), "invalid chunk identifier 0 at offset 12");

  Bytes cut = header();
  append(cut, {0x00, 0x20, 4, 0});  // identifier, half a length
  ReadBuffer rc = reader(cut);
  EXPECT_EQ(rc.openChunk(), 0);
  EXPECT_EQ(rc.getOffset(), 6u);
  ASSERT_EQ(rc.getNumFaults(), 1u);
  EXPECT_EQ(rc.getFaults()[0].kind, ReadBuffer::Fault::TRUNCATED_HEADER);
  EXPECT_EQ(ReadBuffer::describe(rc.getFaults()[0]), "chunk header cut short at offset 6 (4 bytes left)");

  // nesting beyond the limit stops
  const int levels = 300;
  WriteBuffer w("Z3DF", 1, 1, 1);
  for (int i = 0; i < levels; ++i) {
    w.openChunk(0x5130);
    w.write(static_cast<uint8_t>(i));
  }
  for (int i = 0; i < levels; ++i) w.closeChunk();
  const Bytes data = w.getData();
  ReadBuffer deep = reader(data);
  int depth = 0;
  while (deep.openChunk() == 0x5130) {
    uint8_t level;
    ASSERT_TRUE(deep.read(level));
    EXPECT_EQ(level, depth % 256);
    ++depth;
  }
  EXPECT_EQ(depth, ReadBuffer::DEFAULT_MAX_DEPTH);
  ASSERT_EQ(deep.getNumFaults(), 1u);
  EXPECT_EQ(deep.getFaults()[0].kind, ReadBuffer::Fault::TOO_DEEP);
  EXPECT_EQ(ReadBuffer::describe(deep.getFaults()[0]).find("chunk 0x5130 at offset "), 0u);
  for (int i = 0; i < depth; ++i) deep.closeChunk();
  EXPECT_EQ(deep.getOffset(), data.size());
}

TEST(WriteBufferSave, WritesTheBytesAndReplacesTheFile) {
  kindra_test::ScratchDir dir("chunklib");
  const std::string path = dir.file("out.bin");
  ASSERT_TRUE(kindra_test::writeFile(path, "old contents that are longer"));
  WriteBuffer w("Z3DF", 1, 1, 1);
  w.openChunk(0x1000);
  w.write(std::string("x"));
  w.closeChunk();
  w.save(path);
  const std::string saved = kindra_test::readFile(path);
  EXPECT_EQ(Bytes(saved.begin(), saved.end()), w.getData());
}

}  // namespace
