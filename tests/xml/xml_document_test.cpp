// Reading whole documents: the tree, the prolog, and the errors with their positions.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml_parser.h"
#include "test_support.h"
#include "xml_test_util.h"

namespace {

using zelkor::xml::IteratorConst;
using zelkor::xml::XmlNode;
using zelkor::xml::XmlParser;
using zelkor::xml::XmlTag;
using xml_test::thrownMessage;
using xml_test::parseError;

// "name" for a closed leaf, "name(child child)" for an open node
std::string shape(const XmlNode& node) {
  std::string s = node.getTag().getName();
  if (!node.getTag().getClosed()) {
    s += "(";
    for (int i = 0; i < node.getNumChildren(); ++i) s += (i ? " " : "") + shape(*node.getChildren(i));
    s += ")";
  }
  return s;
}

TEST(DocumentErrors, FaultsNameLineColumnAndTheTagBeingRead) {
  // the name stops at '_' and "_tag" is read as an attribute without '='
  EXPECT_EQ(parseError("<root><my_tag/></root>"), "(error at line 1, col 15); '=' expected! (when reading tag at 1:7)");
  EXPECT_EQ(parseError("<r a=12.5/>"), "(error at line 1, col 9); '=' expected! (when reading tag at 1:1)");
  EXPECT_EQ(parseError("<r a=\"1>\n</r>"),
            "(error at line 1, col 9); You must close the value using \" (when reading tag at 1:1)");
  EXPECT_EQ(parseError("<r>\n\t<b a='1>\n</r>"),
            "(error at line 2, col 13); You must close the value using ' (when reading tag at 1:4)");

  // comments: a double hyphen may stand inside one, not at its end
  EXPECT_EQ(parseError("<r><!----></r>"), "(error at line 1, col 9); Xml: Ill formatted comment! (when reading tag at 1:4)");
  EXPECT_EQ(parseError("<r><!-- x ---></r>"),
            "(error at line 1, col 13); Xml: Ill formatted comment! (when reading tag at 1:4)");
  XmlParser p;
  p.parse("<r><!-- a -- b --></r>");
  EXPECT_EQ(p.getRootNode().getChildren(0)->getTag().getValue("content"), " a -- b ");

  // input ending before the root ends
  EXPECT_EQ(parseError(""), "(error at line 1, col 1); EOF (when reading tag at 1:1)");
  EXPECT_EQ(parseError("hello <!-- c -->\n"), "(error at line 2, col 1); EOF (when reading tag at 1:17)");
  EXPECT_EQ(parseError("<a><b>"), "(error at line 1, col 7); EOF (when reading tag at 1:7)");
  EXPECT_EQ(parseError("<a>text"), "(error at line 1, col 8); EOF (when reading tag at 1:8)");
  EXPECT_EQ(parseError("<a><!-- open"), "(error at line 1, col 13); EOF (when reading tag at 1:4)");
  EXPECT_EQ(parseError("<a><b x=\"1\""), "(error at line 1, col 12); EOF (when reading tag at 1:4)");
  EXPECT_EQ(parseError("<a><?pi"), "(error at line 1, col 8); EOF (when reading tag at 1:4)");

  // a bracket ends an exclaim tag
  EXPECT_EQ(parseError("<!DOCTYPE r [\n<!ELEMENT r ANY>\n]>\n<r></r>"),
            "(error at line 1, col 13); Xml: Unexpected '[' in <!...> tag! (when reading tag at 1:1)");
  EXPECT_EQ(parseError("<r><![CDATA[x]]></r>"),
            "(error at line 1, col 6); Xml: Unexpected '[' in <!...> tag! (when reading tag at 1:4)");
}

TEST(DocumentErrors, DeepNestingIsRefusedWithoutRecursion) {
  auto nested = [](int depth, bool closeAll) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    if (closeAll) {
      for (int i = 0; i < depth; ++i) text += "</a>";
    }
    return text;
  };
  XmlParser deepest;
  deepest.parse(nested(XmlParser::MAX_DEPTH, true));
  const XmlNode* node = &deepest.getRootNode();
  int depth = 1;
  while (node->getNumChildren() == 1) {
    node = node->getChildren(0);
    ++depth;
  }
  EXPECT_EQ(depth, XmlParser::MAX_DEPTH);
  EXPECT_TRUE(node->getTag().getClosed());

  const int col = 3 * XmlParser::MAX_DEPTH + 4;
  EXPECT_EQ(parseError(nested(XmlParser::MAX_DEPTH + 1, true)),
            "(error at line 1, col " + std::to_string(col) + "); Xml: Elements nested deeper than 256 levels! (when reading tag at 1:" +
                std::to_string(col - 3) + ")");
  // far beyond any stack
  EXPECT_NE(parseError(nested(1000000, false)).find("nested deeper than 256 levels"), std::string::npos);
}

TEST(DocumentErrors, SecondParseNeedsClear) {
  XmlParser p;
  p.parse("<?xml version=\"1.0\"?><a k=\"1\"><b/></a>");
  EXPECT_EQ(thrownMessage([&] { p.parse("<c></c>"); }), "Parser has already parsed a xml-file, use clear() first!");
  p.clear();
  p.parse("<c k=\"2\"><d/></c>");
  EXPECT_TRUE(p.getMetaTag().getArg().empty()) << "the first declaration stays";
  EXPECT_EQ(p.getRootNode().getTag().getName(), "c");
  EXPECT_EQ(p.getRootNode().getTag().getValue("k"), "2") << "nothing of the first document stays";
  EXPECT_EQ(p.getRootNode().getNumChildren(), 1);

  // a failed parse keeps what was read, name included
  XmlParser failed;
  EXPECT_NE(parseError("<a><b/><c"), "<no exception>");
  thrownMessage([&] { failed.parse("<a><b/><c"); });
  EXPECT_EQ(failed.getRootNode().getTag().getName(), "a");
  EXPECT_EQ(failed.getRootNode().getNumChildren(), 1);
  EXPECT_EQ(thrownMessage([&] { failed.parse("<a></a>"); }), "Parser has already parsed a xml-file, use clear() first!");

  // a root without a name that holds children counts as parsed too
  XmlParser nameless;
  nameless.parse("<><x/></>");
  EXPECT_EQ(nameless.getRootNode().getNumChildren(), 1);
  EXPECT_EQ(thrownMessage([&] { nameless.parse("<a></a>"); }), "Parser has already parsed a xml-file, use clear() first!");
}

TEST(DocumentFiles, ParseFileNamesTheFileInErrors) {
  kindra_test::ScratchDir dir("xml");
  const std::string good = dir.file("setup.xml");
  ASSERT_TRUE(kindra_test::writeFile(good, "<?xml version=\"1.0\"?>\n<setup>\n\t<window width=\"640\"/>\n</setup>\n"));
  XmlParser p;
  p.parseFile(good);
  IteratorConst it = p.createIterator("window");
  ASSERT_TRUE(++it);
  EXPECT_EQ(it->getValueInt("width"), 640);

  const std::string bad = dir.file("bad.xml");
  ASSERT_TRUE(kindra_test::writeFile(bad, "<setup>\n<window width=640.5/>"));
  XmlParser q;
  EXPECT_EQ(thrownMessage([&] { q.parseFile(bad); }),
            bad + ": (error at line 2, col 19); '=' expected! (when reading tag at 1:8)");

  // bytes loaded elsewhere can name their source too
  const std::string bytes = kindra_test::readFile(bad);
  XmlParser named;
  EXPECT_EQ(thrownMessage([&] { named.parse(bytes.data(), static_cast<int>(bytes.size()), "data.zip:setup.xml"); }),
            "data.zip:setup.xml: (error at line 2, col 19); '=' expected! (when reading tag at 1:8)");
  EXPECT_EQ(thrownMessage([&] { XmlParser().parse(bytes.data(), -1); }), "XmlParser::parse; Negative length -1!");

  XmlParser missing;
  EXPECT_EQ(thrownMessage([&] { missing.parseFile(dir.file("none.xml")); }),
            "Xml: Could not open '" + dir.file("none.xml") + "' (No such file or directory)");
  XmlParser directory;
  EXPECT_NE(thrownMessage([&] { directory.parseFile(dir.path()); }).find(dir.path()), std::string::npos);
}

}  // namespace
