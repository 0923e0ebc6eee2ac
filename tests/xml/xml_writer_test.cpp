// Printing tags and documents, round trips, and writing files.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "xml_parser.h"
#include "xml_test_util.h"

namespace {

using zelkor::xml::Iterator;
using zelkor::xml::XmlParser;
using zelkor::xml::XmlTag;
using xml_test::errorOf;
using xml_test::rewritten;
using xml_test::written;

std::string printed(const XmlTag& tag, bool allowSelfClose) {
  std::ostringstream out;
  tag.write(out, allowSelfClose);
  return out.str();
}

TEST(TagWriting, EveryKind) {
  XmlTag n("key");
  n.setValue("time", 1.5);
  n.setValue("say", std::string("a \"quoted\" <word>"));
  // a value holding double quotes goes between single ones
  EXPECT_EQ(printed(n, true), "<key time=\"1.5\" say='a \"quoted\" <word>'/>\n");
  EXPECT_EQ(printed(n, false), "<key time=\"1.5\" say='a \"quoted\" <word>'>\n");
  n.setClosed(false);
  EXPECT_EQ(printed(n, true), "<key time=\"1.5\" say='a \"quoted\" <word>'>\n");

  XmlTag c("COMMENT");
  c.setTagType(XmlTag::COMMENT);
  c.setValue("content", std::string(" note "));
  EXPECT_EQ(printed(c, true), "<!-- note -->\n");

  XmlTag q("xml");
  q.setTagType(XmlTag::SPECIAL_QUESTION);
  q.setValue("version", std::string("1.0"));
  EXPECT_EQ(printed(q, false), "<?xml version=\"1.0\"?>\n");

  XmlTag e("SPECIAL_EXCLAIM");
  e.setTagType(XmlTag::SPECIAL_EXCLAIM);
  e.setValue("DOCTYPE", std::string("html"));
  e.setValue("x", std::string("y"));
  EXPECT_EQ(printed(e, true), "<!DOCTYPE html x y>\n");

  XmlTag t("!!!text");
  t.setTagType(XmlTag::TEXT);
  t.setValue("content", std::string("some text"));
  EXPECT_EQ(printed(t, true), "'some text'\n");
  // read back, a text keeps its quotes and gains the layout after it: neither
  // is added again, so a file says the same after every save
  t.setValue("content", std::string("'some text'\n    "));
  EXPECT_EQ(printed(t, true), "'some text'\n");
  t.setValue("content", std::string("'a' b\t"));
  EXPECT_EQ(printed(t, true), "''a' b'\n");
  t.setValue("content", std::string("'"));
  EXPECT_EQ(printed(t, true), "'''\n");

  std::ostringstream viaOperator;
  viaOperator << XmlTag("solo");
  EXPECT_EQ(viaOperator.str(), "<solo/>\n");

  XmlTag bad("x");
  bad.setTagType(7);
  std::ostringstream out;
  EXPECT_EQ(errorOf([&] { bad.write(out, true); }), "XmlTag::write; Unknown tagtype!");
  EXPECT_EQ(out.str(), "");
}

// Found by fuzzing the setup file: what was read is written so that it reads
// back the same, also values holding quotes and <!...> entries that are no
// bare words (before, the next start refused the file the demo had written).
TEST(DocumentWriting, EveryValueReadsBackAsItWasRead) {
  const std::string source =
      "<r>\n\t<!2- n\" location=\"tonpmine -->>\n\t<a title='say \"hi\"' b=\"it's\"/>\n\t<! --x \"\" 'q\"'>\n"
      "\t<!DOCTYPE html>\n</r>\n";
  const std::string once = rewritten(source);
  EXPECT_EQ(rewritten(once), once);
  EXPECT_NE(once.find("<a title='say \"hi\"' b=\"it's\"/>"), std::string::npos) << once;
  EXPECT_NE(once.find("<!DOCTYPE html>"), std::string::npos) << "bare words stay bare:\n" << once;
  EXPECT_NE(once.find("<! --x"), std::string::npos) << "no comment is opened:\n" << once;
}

TEST(DocumentWriting, EmptyRoot) { EXPECT_EQ(rewritten("<a></a>"), "<a>\n</a>\n"); }

TEST(DocumentWriting, ClosedChildrenSelfClose) {
  EXPECT_EQ(rewritten("<r><x/><y k=\"v\"></y></r>"), "<r>\n\t<x/>\n\t<y k=\"v\"/>\n</r>\n");
}

TEST(DocumentWriting, DeclarationThenEmptyLine) {
  EXPECT_EQ(rewritten("<?xml version=\"1.0\"?>\n<?xml encoding=\"utf-8\"?><!-- dropped --><r a='1'><b><c/></b></r>"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n\n<r a=\"1\">\n\t<b>\n\t\t<c/>\n\t</b>\n</r>\n");
  // another processing instruction is not a declaration
  EXPECT_EQ(rewritten("<?other a=\"1\"?><r></r>"), "<r>\n</r>\n");
}

TEST(DocumentWriting, IndentationStringIsRepeatedPerLevel) {
  XmlParser p;
  p.parse("<r><a><b/></a></r>");
  std::ostringstream out;
  p.write(out, "  ");
  EXPECT_EQ(out.str(), "<r>\n  <a>\n    <b/>\n  </a>\n</r>\n");
  std::string none;
  p.write(none, "");
  EXPECT_EQ(none, "<r>\n<a>\n<b/>\n</a>\n</r>\n");
}

TEST(DocumentWriting, BuiltDocumentByteExact) {
  XmlParser p;
  Iterator root = p.createIterator();
  XmlTag effect("effect");
  effect.setValue("type", std::string("tunnel"));
  effect.setValue("start", 20.0);
  effect.setValue("end", 60.25);
  effect.setValue("enabled", 1);
  root.setRoot(effect);
  XmlTag plugin("plugin");
  plugin.setValue("name", std::string("camera"));
  Iterator keys = root.addChild(plugin);
  for (int i = 0; i < 3; ++i) {
    XmlTag key("key");
    key.setValue("time", i / 3.0);
    key.setValue("index", i);
    keys.addChild(key);
  }
  XmlTag comment("COMMENT");
  comment.setTagType(XmlTag::COMMENT);
  comment.setValue("content", std::string(" end "));
  root.addChild(comment);
  EXPECT_EQ(written(p),
            "<effect type=\"tunnel\" start=\"20\" end=\"60.25\" enabled=\"1\">\n"
            "\t<plugin name=\"camera\">\n"
            "\t\t<key time=\"0\" index=\"0\"/>\n"
            "\t\t<key time=\"0.333333\" index=\"1\"/>\n"
            "\t\t<key time=\"0.666667\" index=\"2\"/>\n"
            "\t</plugin>\n"
            "\t<!-- end -->\n"
            "</effect>\n");
}

TEST(RoundTrip, WrittenDocumentReadsBackTheSame) {
  const std::string text =
      "<?xml version=\"1.0\"?>\n\n"
      "<layout style=\"style.xml\">\n"
      "\t<control type=\"window\" id=\"effects\" area=\"0 0 640 480\">\n"
      "\t\t<control type=\"button\" caption=\"Play &amp; stop\"/>\n"
      "\t\t<!-- a -- b -->\n"
      "\t\t<ns:item/>\n"
      "\t</control>\n"
      "\t<empty/>\n"
      "</layout>\n";
  EXPECT_EQ(rewritten(text), text);
  EXPECT_EQ(rewritten(rewritten(text)), text);
}

TEST(RoundTrip, EmptyChildNamedLikeItsParentKeepsItsPlace) {
  // found by fuzzing: "<p/>" inside <p> ended the parent when read back
  const std::string out = rewritten("<p><p></p><q/></p>");
  EXPECT_EQ(out, "<p>\n\t<p>\n\t</p>\n\t<q/>\n</p>\n");
  XmlParser back;
  back.parse(out);
  ASSERT_EQ(back.getRootNode().getNumChildren(), 2);
  EXPECT_TRUE(back.getRootNode().getChildren(0)->getTag().getClosed());
  EXPECT_EQ(written(back), out);
  // with an attribute the short form is safe
  EXPECT_EQ(rewritten("<p><p a=\"1\"></p></p>"), "<p>\n\t<p a=\"1\"/>\n</p>\n");
}

TEST(RoundTrip, TextGainsQuotesEachTime) {
  const std::string once = rewritten("<r>hello</r>");
  EXPECT_EQ(once, "<r>\n\t'hello'\n</r>\n");
  XmlParser again;
  again.parse(once);
  EXPECT_EQ(again.getRootNode().getChildren(0)->getTag().getValue("content"), "'hello'\n");
}

TEST(RoundTrip, SingleQuotedValueWithDoubleQuoteIsWrittenBetweenSingleQuotes) {
  // nothing is escaped: the other quote keeps the value whole for the next reading
  const std::string out = rewritten("<r v='say \"hi\"'></r>");
  EXPECT_EQ(out, "<r v='say \"hi\"'>\n</r>\n");
  EXPECT_EQ(rewritten(out), out);
}

TEST(DocumentFiles, WriteFileReplacesAtomically) {
  kindra_test::ScratchDir dir("xml");
  const std::string path = dir.file("setup.local.xml");
  ASSERT_TRUE(kindra_test::writeFile(path, "old contents"));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  XmlParser p;
  p.parse("<?xml version=\"1.0\"?><setup><music file=\"song.ogg\"/></setup>");
  p.writeFile(path, "\t");
  EXPECT_EQ(kindra_test::readFile(path), "<?xml version=\"1.0\"?>\n\n<setup>\n\t<music file=\"song.ogg\"/>\n</setup>\n");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);  // no temporary left behind

  XmlParser back;
  back.parseFile(path);
  EXPECT_EQ(written(back), kindra_test::readFile(path));

  const std::string nowhere = dir.file("missing/dir/script.xml");
  EXPECT_EQ(errorOf([&] { p.writeFile(nowhere, "\t"); }),
            "Xml: Could not write '" + nowhere + "' (No such file or directory)");
}

}  // namespace
