// The byte reader and the reading of single tags.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml_tag.h"
#include "xml_test_util.h"

namespace {

using zelkor::xml::BufferReader;
using zelkor::xml::XmlTag;
using xml_test::errorOf;

XmlTag tagOf(const std::string& text) {
  BufferReader reader(text.data(), text.size());
  XmlTag tag;
  tag.parse(reader);
  return tag;
}

std::string tagError(const std::string& text) {
  return errorOf([&] { tagOf(text); });
}

TEST(BufferReader, CountsLinesAndColumnsPerByteKind) {
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
  EXPECT_EQ(errorOf([&] { r.readChar(); }), "EOF");
  EXPECT_EQ(errorOf([&] { r.peekChar(); }), "EOF");
}

TEST(BufferReader, LookAheadAndSkipStayInsideTheBuffer) {
  // the byte after the given length must never be seen
  const std::string text = "xyZ";
  BufferReader r(text.data(), 2);
  EXPECT_FALSE(r.isEof(1));
  EXPECT_TRUE(r.isEof(2));
  EXPECT_EQ(r.peekChar(1), 'y');
  EXPECT_EQ(errorOf([&] { r.peekChar(2); }), "EOF");
  EXPECT_EQ(errorOf([&] { r.skipChar(3); }), "EOF");
  EXPECT_EQ(r.getChar(), 1);  // a failed skip moves nothing
  r.skipChar(2);
  EXPECT_TRUE(r.isEof());
  EXPECT_EQ(r.readWord(), "");
  EXPECT_EQ(r.readText("<"), "");
}

TEST(BufferReader, SkipWhitespaceCountsSpacesAndTabsOnly) {
  const std::string text = " \t\r\n x";
  BufferReader r(text.data(), text.size());
  r.skipWhitespace(3);
  EXPECT_EQ(r.peekChar(), 'x');
  EXPECT_EQ(r.getLine(), 2);
  EXPECT_EQ(r.getChar(), 2);

  const std::string crlf = "\r\n\r\nx";
  BufferReader few(crlf.data(), crlf.size());
  EXPECT_EQ(errorOf([&] { few.skipWhitespace(1); }), "Not enough spaces!");
  const std::string blanks = "  ";
  BufferReader end(blanks.data(), blanks.size());
  EXPECT_EQ(errorOf([&] { end.skipWhitespace(3); }), "Eof before enough spaces were found");
}

TEST(BufferReader, WordsLinesAndText) {
  const std::string text = "ab12:_-x rest";
  BufferReader r(text.data(), text.size());
  EXPECT_EQ(r.readWord(":"), "ab12:");
  EXPECT_EQ(r.readWord("_-"), "_-x");
  EXPECT_EQ(r.readWord(), "");

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
}

TEST(BufferReader, BytesAboveAsciiAreNotWordBytes) {
  const std::string text = "ab\xc3\xa9";
  BufferReader r(text.data(), text.size());
  EXPECT_EQ(r.readWord(), "ab");
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

TEST(TagReading, ClosedForms) {
  const XmlTag end = tagOf("< / ns:a >");
  EXPECT_TRUE(end.getClosed());
  EXPECT_EQ(end.getName(), "ns:a");
  EXPECT_TRUE(tagOf("<a/>").getClosed());
  const XmlTag slashes = tagOf("<a x=\"1\" / / >");
  EXPECT_TRUE(slashes.getClosed());
  EXPECT_EQ(slashes.getValue("x"), "1");
}

TEST(TagReading, EmptyNamesAndValuesAreAccepted) {
  const XmlTag t = tagOf("<a =\"v\" c=\"\" b=>");
  ASSERT_EQ(t.getArg().size(), 3u);
  EXPECT_EQ(t.getArg()[0].getName(), "");
  EXPECT_EQ(t.getArg()[0].getValue(), "v");
  EXPECT_EQ(t.getArg()[2].getName(), "b");
  EXPECT_EQ(t.getValue("b"), "");
  EXPECT_FALSE(t.hasValue("c"));
  // a bare value may swallow the next name: "b= c" gives b the value "c"
  const XmlTag swallowed = tagOf("<a b= c>");
  ASSERT_EQ(swallowed.getArg().size(), 1u);
  EXPECT_EQ(swallowed.getValue("b"), "c");
}

TEST(TagReading, ManyAttributesKeepFirstPositions) {
  std::string text = "<a";
  for (int i = 0; i < 100; ++i) text += " k" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  for (int i = 0; i < 100; i += 7) text += " k" + std::to_string(i) + "=\"again\"";
  const XmlTag t = tagOf(text + ">");
  ASSERT_EQ(t.getArg().size(), 100u);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(t.getArg()[i].getName(), "k" + std::to_string(i));
    EXPECT_EQ(t.getArg()[i].getValue(), i % 7 == 0 ? "again" : std::to_string(i));
  }
}

TEST(TagReading, CommentKeepsBytesAndInnerDoubleHyphen) {
  const XmlTag t = tagOf("<!-- a -- b\r\n\t- -->");
  EXPECT_EQ(t.getType(), XmlTag::COMMENT);
  EXPECT_EQ(t.getName(), "COMMENT");
  EXPECT_TRUE(t.getClosed());
  EXPECT_EQ(t.getValue("content"), " a -- b\r\n\t- ");
}

TEST(TagReading, CommentFaults) {
  EXPECT_EQ(tagError("<!---->"), "Xml: Ill formatted comment!");
  EXPECT_EQ(tagError("<!-- x --->"), "Xml: Ill formatted comment!");
  EXPECT_EQ(tagError("<!-- never closed"), "EOF");
  EXPECT_EQ(tagError("<!-- x -"), "EOF");
}

TEST(TagReading, TextUpToNextTag) {
  const XmlTag t = tagOf("  hello\tworld \r\n<b>");
  EXPECT_EQ(t.getType(), XmlTag::TEXT);
  EXPECT_EQ(t.getName(), "!!!text");
  EXPECT_EQ(t.getValue("content"), "hello    world \n");
  EXPECT_EQ(tagOf("tail").getValue("content"), "tail");
}

TEST(TagReading, Declarations) {
  const XmlTag q = tagOf("<?xml version=\"1.0\" encoding='UTF-8' ?>");
  EXPECT_EQ(q.getType(), XmlTag::SPECIAL_QUESTION);
  EXPECT_TRUE(q.getClosed());
  EXPECT_EQ(q.getName(), "xml");
  EXPECT_EQ(q.getValue("encoding"), "UTF-8");
  // '>' is a name byte here
  EXPECT_EQ(tagOf("<?xml>?>").getName(), "xml>");
  EXPECT_EQ(tagError("<?xml version=\"1.0\">"), "Xml: Ill formed <?xml?> tag, forgot to close it using '?>'?");
  EXPECT_EQ(tagError("<?xml ?x>"), "Xml: Ill formed <?xml?> tag");
  EXPECT_EQ(tagError("<?xml ?"), "Xml: Ill formed <?xml?> tag");
  EXPECT_EQ(tagError("<?xml a"), "EOF");
}

TEST(TagReading, ExclaimTags) {
  const XmlTag d = tagOf("<!DOCTYPE html>");
  EXPECT_EQ(d.getType(), XmlTag::SPECIAL_EXCLAIM);
  EXPECT_EQ(d.getName(), "SPECIAL_EXCLAIM");
  ASSERT_EQ(d.getArg().size(), 1u);
  EXPECT_EQ(d.getValue("DOCTYPE"), "html");
  const XmlTag q = tagOf("<!a \"b c\" d 'e'>");
  ASSERT_EQ(q.getArg().size(), 2u);
  EXPECT_EQ(q.getValue("a"), "b c");
  EXPECT_EQ(q.getValue("d"), "e");
  EXPECT_EQ(tagOf("<!>").getArg().size(), 0u);
}

TEST(TagReading, ExclaimTagWithOtherBytesEndsInsteadOfLooping) {
  EXPECT_EQ(tagError("<!DOCTYPE note [ <!ELEMENT note (#PCDATA)> ]>"), "Xml: Unexpected '[' in <!...> tag!");
  EXPECT_EQ(tagError("<!a=b>"), "Xml: Unexpected '=' in <!...> tag!");
  EXPECT_EQ(tagError(std::string("<!a \x01>", 6)), "Xml: Unexpected byte 0x01 in <!...> tag!");
  EXPECT_EQ(tagError("<!a b"), "EOF");
}

TEST(TagReading, AttributeFaults) {
  EXPECT_EQ(tagError("<my_tag>"), "'=' expected!");
  EXPECT_EQ(tagError("<a v=12.5>"), "'=' expected!");
  EXPECT_EQ(tagOf("<a v=\"12.5\">").getValue("v"), "12.5");
  EXPECT_EQ(tagError("<a v=\"1>\n\">"), "You must close the value using \"");
  EXPECT_EQ(tagError("<a v='1"), "You must close the value using '");
  EXPECT_EQ(tagError("<a v"), "EOF");
  EXPECT_EQ(tagError("<a"), "EOF");
  EXPECT_EQ(tagError(""), "EOF");
  EXPECT_EQ(tagError(" \r\n\t"), "EOF");
}

TEST(TagReading, RemembersWhereTheTagStarted) {
  const std::string text = "\n  <a>";
  BufferReader r(text.data(), text.size());
  XmlTag t;
  t.parse(r);
  EXPECT_EQ(r.getLineMemory(), 1);
  EXPECT_EQ(r.getCharMemory(), 1);
  EXPECT_EQ(r.getLine(), 2);
  EXPECT_EQ(r.getChar(), 6);
}

}  // namespace
