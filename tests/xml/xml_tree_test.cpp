// Walking the tag tree with iterators, editing it, and the typed attribute access.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "xml_parser.h"
#include "xml_test_util.h"

namespace {

using zelkor::xml::emptyString;
using zelkor::xml::IteratorConst;
using zelkor::xml::XmlNode;
using zelkor::xml::XmlParser;
using zelkor::xml::XmlTag;
using xml_test::thrownMessage;

const char* const kScript =
    "<effect type=\"tunnel\" name=\"main\" start=\"20\" end=\"60\">\n"
    "\t<plugin name=\"camera\" type=\"camera\">\n"
    "\t\t<key time=\"0\" value=\"1\"/>\n"
    "\t\t<key time=\"2.5\" value=\"0x10\"/>\n"
    "\t</plugin>\n"
    "\t<!-- colour of the walls -->\n"
    "\t<plugin name=\"walls\" type=\"color\">\n"
    "\t\t<key time=\"1\" value=\"010\"/>\n"
    "\t</plugin>\n"
    "\t<flag on=\"1\"/>\n"
    "</effect>\n";

TEST(Tree, IteratorsFilterChildrenByNameAndEditsShowInTheWrittenDocument) {
  XmlParser p;
  p.parse(kScript);
  const XmlParser& cp = p;
  IteratorConst it = cp.createIterator("plugin");
  EXPECT_TRUE(it.isAtBegin());
  EXPECT_EQ(it.getRoot().getValue("type"), "tunnel");
  std::vector<std::string> names;
  std::vector<int> keys;
  while (++it) {
    EXPECT_FALSE(it.isAtBegin());
    names.push_back(it->getValue("name"));
    IteratorConst key = it.createIterator("key");
    EXPECT_EQ(&key.getRoot(), &*it.operator->());
    int count = 0;
    while (++key) ++count;
    keys.push_back(count);
  }
  EXPECT_TRUE(it.isAtEnd());
  EXPECT_EQ(names, (std::vector<std::string>{"camera", "walls"}));
  EXPECT_EQ(keys, (std::vector<int>{2, 1}));
  EXPECT_EQ(thrownMessage([&] { ++it; }), "IteratorConst::operator++; Called after last tag!");

  // inserted, detached and typed values show in the written document
  XmlParser edited;
  edited.parse("<?xml version=\"1.0\"?>\n<effect><a/><b/></effect>");
  XmlNode* effect = edited.createIterator().getContext();
  XmlTag key("key");
  key.setValueInt("time", 7);
  key.setValueFloat("value", 0.5);
  effect->addChild(key, 0);
  XmlNode* b = effect->getChildren(2);
  EXPECT_EQ(effect->detachChild(b), 2);
  EXPECT_NE(thrownMessage([&] { effect->detachChild(b); }).find("No such child in 'effect'"), std::string::npos);
  delete b;  // no longer listed: its parent is left alone
  std::ostringstream out;
  edited.write(out, " ");
  EXPECT_EQ(out.str(), "<?xml version=\"1.0\"?>\n\n<effect>\n <key time=\"7\" value=\"0.5\"/>\n <a/>\n</effect>\n");
  IteratorConst found = static_cast<const XmlParser&>(edited).createIterator("key");
  ASSERT_TRUE(++found);
  std::ostringstream one;
  one << found;
  EXPECT_EQ(one.str(), "<key time=\"7\" value=\"0.5\"/>\n");
}

TEST(Attributes, TypedGetters) {
  XmlTag t("k");
  t.setValue("hex", std::string("0x10"));
  t.setValue("oct", std::string("010"));
  t.setValue("neg", std::string("-12"));
  t.setValue("colour", std::string("0xffffffff"));
  t.setValue("f", std::string("2.5e-1"));
  t.setValue("huge", std::string("1e300"));
  t.setValue("empty", std::string(""));
  EXPECT_EQ(t.getValueInt("hex"), 16);
  EXPECT_EQ(t.getValueInt("oct"), 8);
  EXPECT_EQ(t.getValueInt("neg"), -12);
  EXPECT_EQ(t.getValueInt("colour"), -1);
  EXPECT_EQ(t.getValueInt("absent"), 0);
  EXPECT_FLOAT_EQ(t.getValueFloat("f"), 0.25f);
  EXPECT_EQ(t.getValueFloat("absent"), 0.0f);
  EXPECT_TRUE(std::isinf(t.getValueFloat("huge")));
  EXPECT_DOUBLE_EQ(t.getValueDouble("huge"), 1e300);
  EXPECT_FALSE(t.hasValue("empty"));
  EXPECT_FALSE(t.hasValue("absent"));
  EXPECT_TRUE(t.hasValue("f"));
  EXPECT_EQ(&t.getValue("absent"), &emptyString);
}

}  // namespace
