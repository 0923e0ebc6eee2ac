// The byte reader and the reading of single tags.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml_tag.h"
#include "xml_test_util.h"

namespace {

using zelkor::xml::BufferReader;
using zelkor::xml::XmlTag;
using xml_test::thrownMessage;

XmlTag tagOf(const std::string& text) {
  BufferReader reader(text.data(), text.size());
  XmlTag tag;
  tag.parse(reader);
  return tag;
}

std::string tagError(const std::string& text) {
  return thrownMessage([&] { tagOf(text); });
}

TEST(BufferReader, CountsLinesAndColumnsAndReadsWordsLinesAndText) {
  const std::string text = "ab\tc\r\nd";
  BufferReader r(text.data(), text.size());
  EXPECT_EQ(r.getLineMemory(), -1);
  EXPECT_EQ(r.getCharMemory(), -1);
  const std::vector<std::pair<int, int>> after = {{1, 2}, {1, 3}, {1, 7}, {1, 8}, {1, 9}, {2, 1}, {2, 2}};
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(r.readChar(), text[i]);
    EXPECT_EQ(r.getLine(), after[i].first) << i;
    EXPECT_EQ(r.getChar(), after[i].second) << i;
  }
  EXPECT_TRUE(r.isEof());
  EXPECT_EQ(thrownMessage([&] { r.readChar(); }), "EOF");
  EXPECT_EQ(thrownMessage([&] { r.peekChar(); }), "EOF");
  EXPECT_EQ(thrownMessage([&] { r.skipWhitespace(1); }), "Eof before enough spaces were found");

  // words, lines and text
  const std::string words = "ab12:_-x rest";
  BufferReader w(words.data(), words.size());
  EXPECT_EQ(w.readWord(":"), "ab12:");
  EXPECT_EQ(w.readWord("_-"), "_-x");
  EXPECT_EQ(w.readWord(), "");

  const std::string line = "a\tb\r\"c";
  BufferReader l(line.data(), line.size());
  EXPECT_EQ(l.readLine("\""), "a    b");
  EXPECT_EQ(l.peekChar(), '"');
  EXPECT_EQ(l.getChar(), 7);
  const std::string twoLines = "ab\ncd";
  BufferReader l2(twoLines.data(), twoLines.size());
  EXPECT_EQ(l2.readLine("\""), "ab");
  EXPECT_EQ(l2.peekChar(), '\n');

  const std::string body = "a\nb\r\tc<d";
  BufferReader t(body.data(), body.size());
  EXPECT_EQ(t.readText("<"), "a\nb    c");
  EXPECT_EQ(t.getLine(), 2);
  EXPECT_EQ(t.getChar(), 7);
  EXPECT_EQ(t.peekChar(), '<');
  EXPECT_EQ(thrownMessage([&] { t.skipWhitespace(1); }), "Not enough spaces!");
}

TEST(TagReading, NormalTagAttributes) {
  const XmlTag t = tagOf("<a x=\"1\" y='2\"3' z=45 x=\"9\" ns:k-_1 = \"v w\">");
  EXPECT_EQ(t.getType(), XmlTag::NORMAL);
  EXPECT_FALSE(t.getClosed());
  EXPECT_EQ(t.getName(), "a");
  ASSERT_EQ(t.getArg().size(), 4u);
  // a repeated name overwrites in place
  EXPECT_EQ(t.getArg()[0].getName(), "x");
  EXPECT_EQ(t.getArg()[0].getValue(), "9");
  EXPECT_EQ(t.getValue("y"), "2\"3");
  EXPECT_EQ(t.getValue("z"), "45");
  EXPECT_EQ(t.getValue("ns:k-_1"), "v w");
}

TEST(TagReading, ExclaimTagWithOtherBytesEndsInsteadOfLooping) {
  EXPECT_EQ(tagError("<!DOCTYPE note [ <!ELEMENT note (#PCDATA)> ]>"), "Xml: Unexpected '[' in <!...> tag!");
  EXPECT_EQ(tagError("<!a=b>"), "Xml: Unexpected '=' in <!...> tag!");
  EXPECT_EQ(tagError(std::string("<!a \x01>", 6)), "Xml: Unexpected byte 0x01 in <!...> tag!");
  EXPECT_EQ(tagError("<!a b"), "EOF");
}

}  // namespace
