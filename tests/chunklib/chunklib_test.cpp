#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "cl_readbuffer.h"
#include "cl_writebuffer.h"
#include "test_support.h"
#include "zlk_system.h"

namespace {

using zelkor::chunklib::BDT;
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

TEST(BDTTest, LowNibbleSelectsImpliedSize) {
  const uint32_t sizes[16] = {0, 1, 2, 4, 4, 8, 12, 16, 0, 0, 0, 0, 0, 0, 0, 0};
  for (uint16_t nibble = 0; nibble < 16; ++nibble) {
    const uint16_t id = static_cast<uint16_t>(0xA5C0 | nibble);
    EXPECT_EQ(BDT::getSize(id), sizes[nibble]) << nibble;
    EXPECT_EQ(BDT::isBDT(id), sizes[nibble] != 0) << nibble;
  }
  EXPECT_STREQ(BDT::getName(0xF006), "vector3");
  EXPECT_STREQ(BDT::getName(0x1000), "none");
}

TEST(WriteBufferLayout, HeaderIsFormatThenVersion) {
  EXPECT_EQ(WriteBuffer("Z3DF", 1, 2, 1).getData(), header("Z3DF", 1, 2));
  // only four characters of the name are kept; a shorter one is padded with zeros
  EXPECT_EQ(WriteBuffer("ABCDEF", 3, 4, 0).getData(), header("ABCD", 3, 4));
  const Bytes shortName = WriteBuffer("AB", 0, 0, 0).getData();
  EXPECT_EQ(shortName, Bytes({'A', 'B', 0, 0, 0, 0}));
}

TEST(WriteBufferLayout, TypedChunkOmitsLengthOnlyWithFlagBit0) {
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
}

TEST(WriteBufferLayout, EmptyChunkVanishesUnlessKept) {
  WriteBuffer dropped("Z3DF", 1, 1, 1);
  dropped.openChunk(0x1000);
  dropped.closeChunk();
  EXPECT_EQ(dropped.getData(), header());

  WriteBuffer kept("Z3DF", 1, 1, 3);
  kept.openChunk(0x1000);
  kept.closeChunk();
  Bytes expected = header();
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

TEST(WriteBufferLayout, NestedLengthCountsChildHeaderAndPayload) {
  WriteBuffer w("Z3DF", 1, 1, 1);
  w.openChunk(0x1000);
  w.openChunk(0x2000);
  w.write(static_cast<uint32_t>(0xDDCCBBAA));
  w.closeChunk();
  w.closeChunk();
  Bytes expected = header();
  append(expected, {0x00, 0x10, 10, 0, 0, 0, 0x00, 0x20, 4, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD});
  EXPECT_EQ(w.getData(), expected);
  w.closeChunk();  // nothing open: no effect
  EXPECT_EQ(w.getData(), expected);
}

TEST(WriteBufferLayout, PrimitivesAreLittleEndian) {
  WriteBuffer w("TEST", 0, 0, 0);
  w.write(static_cast<uint8_t>(0xFE));
  w.write(static_cast<int8_t>(-2));
  w.write('x');
  w.write(static_cast<uint16_t>(0x1234));
  w.write(static_cast<int16_t>(-2));
  w.write(static_cast<uint32_t>(0x12345678));
  w.write(static_cast<int32_t>(-2));
  w.write(1.0f);
  w.write(std::string("ab"));
  w.write(std::string());
  Bytes expected = header("TEST", 0, 0);
  append(expected, {0xFE, 0xFE, 'x', 0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
                    0x00, 0x00, 0x80, 0x3F, 'a', 'b', 0, 0});
  EXPECT_EQ(w.getData(), expected);
}

TEST(WriteBufferLayout, StringStopsAtEmbeddedZeroSoItReadsBack) {
  WriteBuffer w("TEST", 0, 0, 0);
  w.write(std::string("ab\0cd", 5));
  w.write(static_cast<uint8_t>(7));
  const Bytes data = w.getData();
  EXPECT_EQ(Bytes(data.begin() + 6, data.end()), Bytes({'a', 'b', 0, 7}));
}

TEST(WriteBufferStore, InPlaceOverwriteAndOutOfRange) {
  WriteBuffer w("TEST", 0, 0, 0);
  const uint8_t four[4] = {1, 2, 3, 4};
  w.store(four, 4);
  const uint8_t two[2] = {9, 8};
  w.store(two, 2, 7);
  Bytes expected = header("TEST", 0, 0);
  append(expected, {1, 9, 8, 4});
  EXPECT_EQ(w.getData(), expected);
  w.store(two, 2, 9);  // would reach past the end: ignored
  EXPECT_EQ(w.getData(), expected);
  w.storeType(two, 2, 8);
  EXPECT_THROW(w.storeType(two, 2, 9), zelkor::Exception);
}

TEST(WriteBufferErrors, TypedChunkOfWrongSizeIsRefused) {
  WriteBuffer w("Z3DF", 1, 1, 1);
  w.openChunk(0xF004);
  w.write(1.0f);
  w.write(2.0f);
  kindra_test::StdoutCapture quiet;
  EXPECT_THROW(w.closeChunk(), zelkor::Exception);
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
  ASSERT_TRUE(r.read(s1, 0) && r.read(s2, 0));
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
  EXPECT_EQ(s1, "name with spaces");
  EXPECT_EQ(s2, "keep");  // read(string) appends; the empty string adds nothing
  EXPECT_EQ(r.getRemaining(), 0u);
  EXPECT_FALSE(r.read(u8));
  EXPECT_EQ(r.openChunk(), 0);
  r.closeChunk();
  EXPECT_EQ(r.getOffset(), data.size());
}

TEST(RoundTrip, NestedChunksWithTypedValues) {
  WriteBuffer w("Z3DF", 1, 1, 1);
  w.openChunk(0x1000);
  w.write(std::string("outer"));
  w.openChunk(0xF007);
  for (float f : {1.0f, 2.0f, 3.0f, 4.0f}) w.write(f);
  w.closeChunk();
  w.openChunk(0x2000);
  w.openChunk(0x6101);
  w.write(static_cast<uint8_t>(1));
  w.closeChunk();
  w.closeChunk();
  w.openChunk(0x2010);
  w.write(static_cast<int32_t>(42));
  w.closeChunk();
  w.closeChunk();
  const Bytes data = w.getData();

  ReadBuffer r = reader(data, 1);
  ASSERT_EQ(r.openChunk(), 0x1000);
  EXPECT_EQ(r.getLength(), data.size() - 12);
  std::string name;
  ASSERT_TRUE(r.read(name, 0));
  EXPECT_EQ(name, "outer");
  std::vector<uint16_t> ids;
  float sum = 0;
  uint8_t flag = 0;
  int32_t value = 0;
  while (uint16_t id = r.openChunk()) {
    ids.push_back(id);
    if (id == 0xF007) {
      EXPECT_EQ(r.getLength(), 16u);
      float f;
      while (r.read(f)) sum += f;
    } else if (id == 0x2000) {
      ASSERT_EQ(r.openChunk(), 0x6101);
      EXPECT_TRUE(r.read(flag));
      r.closeChunk();
      EXPECT_EQ(r.openChunk(), 0);
    } else if (id == 0x2010) {
      EXPECT_TRUE(r.read(value));
    }
    r.closeChunk();
  }
  r.closeChunk();
  EXPECT_EQ(ids, std::vector<uint16_t>({0xF007, 0x2000, 0x2010}));
  EXPECT_EQ(sum, 10.0f);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(r.getNumFaults(), 0u);
}

TEST(ReadBufferBounds, ShortChunkFailsReadsAndCloseSkipsToItsEnd) {
  Bytes b = header();
  append(b, {0x00, 0x20, 3, 0, 0, 0, 1, 2, 3, 0x00, 0x30, 0, 0, 0, 0});
  ReadBuffer r = reader(b);
  ASSERT_EQ(r.openChunk(), 0x2000);
  float f = 9.0f;
  EXPECT_FALSE(r.read(f));
  EXPECT_EQ(f, 9.0f);
  EXPECT_EQ(r.getOffset(), 12u);
  uint16_t s = 0;
  EXPECT_TRUE(r.read(s));
  EXPECT_EQ(s, 0x0201);
  EXPECT_EQ(r.openChunk(), 0);  // one byte left: no header fits
  r.closeChunk();
  EXPECT_EQ(r.getOffset(), 15u);
  EXPECT_EQ(r.openChunk(), 0x3000);
  EXPECT_EQ(r.openChunk(), 0);  // at the end of the innermost chunk
  r.closeChunk();
  EXPECT_EQ(r.openChunk(), 0);  // at the end of the data
}

TEST(ReadBufferBounds, UnknownChildIsSkippedUnread) {
  Bytes b = header();
  append(b, {0x00, 0x10, 17, 0, 0, 0,                    // parent
             0x00, 0x70, 5, 0, 0, 0, 'x', 'x', 'x', 'x', 'x',  // unknown child
             0x04, 0xF0, 0x00, 0x00, 0x80, 0x3F});        // typed float 1.0
  ReadBuffer r = reader(b);
  ASSERT_EQ(r.openChunk(), 0x1000);
  ASSERT_EQ(r.openChunk(), 0x7000);
  r.closeChunk();
  ASSERT_EQ(r.openChunk(), 0xF004);
  float f = 0;
  EXPECT_TRUE(r.read(f));
  EXPECT_EQ(f, 1.0f);
  r.closeChunk();
  EXPECT_EQ(r.openChunk(), 0);
}

TEST(ReadBufferBounds, FewerThanSixBytesReadAsVoid) {
  const Bytes five = {'Z', '3', 'D', 'F', 1};
  ReadBuffer r = reader(five);
  EXPECT_EQ(r.getFormat(), "void");
  EXPECT_EQ(r.getMajorVersion(), 0);
  EXPECT_EQ(r.getMinorVersion(), 0);
  EXPECT_EQ(r.getOffset(), 0u);
  ReadBuffer empty(nullptr, 0, 1);
  EXPECT_EQ(empty.getFormat(), "void");
  EXPECT_EQ(empty.openChunk(), 0);
  std::string s;
  EXPECT_FALSE(empty.read(s, 0));
  EXPECT_EQ(empty.getNumFaults(), 0u);
}

TEST(ReadBufferStrings, CountedAndUnterminated) {
  Bytes b = header();
  append(b, {0x00, 0x20, 7, 0, 0, 0, 'a', 0, 'b', 'c', 'd', 'e', 'f'});
  ReadBuffer r = reader(b);
  ASSERT_EQ(r.openChunk(), 0x2000);
  std::string counted;
  EXPECT_TRUE(r.read(counted, 3));
  EXPECT_EQ(counted, std::string("a\0b", 3));
  std::string rest = ">";
  EXPECT_FALSE(r.read(rest, 0));  // no terminator before the chunk's end
  EXPECT_EQ(rest, ">cdef");
  EXPECT_EQ(r.getRemaining(), 0u);
  std::string more;
  EXPECT_FALSE(r.read(more, 2));
  EXPECT_EQ(more, "");
}

TEST(ReadBufferStrings, CountLargerThanWhatRemains) {
  Bytes b = header();
  append(b, {0x00, 0x20, 3, 0, 0, 0, 'x', 'y', 'z', 'w'});
  ReadBuffer r = reader(b);
  ASSERT_EQ(r.openChunk(), 0x2000);
  std::string s;
  EXPECT_FALSE(r.read(s, 70000));  // beyond 16 bits too
  EXPECT_EQ(s, "xyz");
}

TEST(ReadBufferFaults, ChildRunningPastParentIsCutToTheParent) {
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
}

TEST(ReadBufferFaults, ChunkRunningPastTheDataAndTypedChunkCutShort) {
  Bytes b = header();
  append(b, {0x00, 0x10, 100, 0, 0, 0, 0x07, 0xF0, 1, 2, 3});
  ReadBuffer r = reader(b);
  ASSERT_EQ(r.openChunk(), 0x1000);
  EXPECT_EQ(r.getLength(), 5u);
  ASSERT_EQ(r.openChunk(), 0xF007);  // 16 implied bytes, 3 present
  EXPECT_EQ(r.getLength(), 3u);
  float f;
  EXPECT_FALSE(r.read(f));
  r.closeChunk();
  r.closeChunk();
  EXPECT_EQ(r.getOffset(), b.size());
  EXPECT_EQ(r.getNumFaults(), 2u);
}

TEST(ReadBufferFaults, ZeroIdentifierAndCutHeaderOpenNothing) {
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

  Bytes cut = header();
  append(cut, {0x00, 0x20, 4, 0});  // identifier, half a length
  ReadBuffer rc = reader(cut);
  EXPECT_EQ(rc.openChunk(), 0);
  EXPECT_EQ(rc.getOffset(), 6u);
  ASSERT_EQ(rc.getNumFaults(), 1u);
  EXPECT_EQ(rc.getFaults()[0].kind, ReadBuffer::Fault::TRUNCATED_HEADER);
}

TEST(ReadBufferFaults, NestingBeyondTheLimitStops) {
  const int levels = 300;
  WriteBuffer w("Z3DF", 1, 1, 1);
  for (int i = 0; i < levels; ++i) {
    w.openChunk(0x5130);
    w.write(static_cast<uint8_t>(i));
  }
  for (int i = 0; i < levels; ++i) w.closeChunk();
  const Bytes data = w.getData();
  ReadBuffer r = reader(data);
  int depth = 0;
  while (r.openChunk() == 0x5130) {
    uint8_t level;
    ASSERT_TRUE(r.read(level));
    EXPECT_EQ(level, depth % 256);
    ++depth;
  }
  EXPECT_EQ(depth, ReadBuffer::DEFAULT_MAX_DEPTH);
  ASSERT_EQ(r.getNumFaults(), 1u);
  EXPECT_EQ(r.getFaults()[0].kind, ReadBuffer::Fault::TOO_DEEP);
  for (int i = 0; i < depth; ++i) r.closeChunk();
  EXPECT_EQ(r.getOffset(), data.size());
}

TEST(ReadBufferFaults, OnlyTheFirstFaultsAreKept) {
  Bytes b = header();
  for (int i = 0; i < 40; ++i) append(b, {0x00, 0x10, 0, 0, 0, 0, 0x00, 0x00});
  ReadBuffer r = reader(b);
  int opened = 0;
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(r.openChunk(), 0x1000);
    ++opened;
    r.closeChunk();
    EXPECT_EQ(r.openChunk(), 0);
    r.readRaw(2);
  }
  EXPECT_EQ(opened, 40);
  EXPECT_EQ(r.getNumFaults(), 40u);
  EXPECT_EQ(r.getFaults().size(), static_cast<size_t>(ReadBuffer::MAX_RECORDED_FAULTS));
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

TEST(WriteBufferSave, UnwritablePathThrowsNamingTheFile) {
  kindra_test::ScratchDir dir("chunklib");
  const std::string path = dir.file("missing/out.bin");
  WriteBuffer w("Z3DF", 1, 1, 1);
  kindra_test::StdoutCapture quiet;
  try {
    w.save(path);
    FAIL() << "no exception";
  } catch (const zelkor::Exception& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

}  // namespace
