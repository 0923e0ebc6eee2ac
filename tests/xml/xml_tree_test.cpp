// Walking the tag tree with iterators, editing it, and the typed attribute access.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "xml_parser.h"
#include "xml_test_util.h"

namespace {

using zelkor::xml::emptyString;
using zelkor::xml::Iterator;
using zelkor::xml::IteratorConst;
using zelkor::xml::XmlNode;
using zelkor::xml::XmlParser;
using zelkor::xml::XmlTag;
using xml_test::errorOf;
using xml_test::written;

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

TEST(Iterators, FilterChildrenByName) {
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
  EXPECT_EQ(errorOf([&] { ++it; }), "IteratorConst::operator++; Called after last tag!");
}

TEST(Iterators, EmptyCriteriaVisitEveryChild) {
  XmlParser p;
  p.parse(kScript);
  IteratorConst it = static_cast<const XmlParser&>(p).createIterator();
  std::vector<std::string> names;
  while (++it) names.push_back(it->getName());
  EXPECT_EQ(names, (std::vector<std::string>{"plugin", "COMMENT", "plugin", "flag"}));
  EXPECT_TRUE(it.isAtEnd());
  EXPECT_EQ(it.getSearchCriteria(), "");
  EXPECT_EQ(it.getContext(), &p.getRootNode());
}

TEST(Iterators, NoMatchEndsAtOnce) {
  XmlParser p;
  p.parse(kScript);
  IteratorConst it = static_cast<const XmlParser&>(p).createIterator("missing");
  EXPECT_FALSE(++it);
  EXPECT_TRUE(it.isAtEnd());
  EXPECT_EQ(errorOf([&] { ++it; }), "IteratorConst::operator++; Called after last tag!");

  XmlParser empty;
  empty.parse("<a></a>");
  Iterator none = empty.createIterator();
  EXPECT_FALSE(++none);
}

TEST(Iterators, AccessOutsideTheChildrenIsRefused) {
  XmlParser p;
  p.parse("<r><a/></r>");
  IteratorConst c = static_cast<const XmlParser&>(p).createIterator("a");
  EXPECT_EQ(errorOf([&] { c->getName(); }), "IteratorConst::operator->; Can't access before first element!");
  EXPECT_EQ(errorOf([&] { c.createIterator(); }), "IteratorConst::createIterator; Can't descend before first element!");
  ASSERT_TRUE(++c);
  EXPECT_FALSE(++c);
  EXPECT_EQ(errorOf([&] { c->getName(); }), "IteratorConst::operator->; Can't access after last element!");
  EXPECT_EQ(errorOf([&] { c.createIterator(); }), "IteratorConst::createIterator; Can't descend after last element!");

  Iterator m = p.createIterator("a");
  EXPECT_EQ(errorOf([&] { m->getName(); }),
            "XmlParser::Iterator::operator->; Can't access before first element, try operator++ first!");
  ASSERT_TRUE(++m);
  EXPECT_FALSE(++m);
  EXPECT_EQ(errorOf([&] { m->getName(); }),
            "XmlParser::Iterator::operator->; Can't access after last element, no Tags matching searchCriteria?");
  EXPECT_EQ(errorOf([&] { m.createIterator(); }), "XmlParser::Iterator::createIterator; Can't descend after last element!");

  // a child removed under the iterator is not reached through it
  Iterator stale = p.createIterator();
  ASSERT_TRUE(++stale);
  XmlNode* child = p.createIterator().getContext()->getChildren(0);
  p.createIterator().getContext()->detachChild(child);
  delete child;
  EXPECT_EQ(errorOf([&] { stale->getName(); }),
            "XmlParser::Iterator::operator->; Can't access after last element, no Tags matching searchCriteria?");
}

TEST(Iterators, PrintCurrentTag) {
  XmlParser p;
  p.parse(kScript);
  IteratorConst it = static_cast<const XmlParser&>(p).createIterator("flag");
  ASSERT_TRUE(++it);
  std::ostringstream out;
  out << it;
  EXPECT_EQ(out.str(), "<flag on=\"1\"/>\n");
}

TEST(Editing, MutableIteratorChangesTags) {
  XmlParser p;
  p.parse(kScript);
  Iterator it = p.createIterator("plugin");
  ASSERT_TRUE(++it);
  it->setValue("name", std::string("cam"));
  Iterator keys = it.createIterator("key");
  while (++keys) keys->setValue("time", keys->getValueFloat("time") * 2.0);
  it.getRoot().setValue("end", 70);
  IteratorConst check = static_cast<const XmlParser&>(p).createIterator("plugin");
  ASSERT_TRUE(++check);
  EXPECT_EQ(check->getValue("name"), "cam");
  EXPECT_EQ(check.getRoot().getValue("end"), "70");
  IteratorConst key = check.createIterator("key");
  ASSERT_TRUE(++key);
  ASSERT_TRUE(++key);
  EXPECT_EQ(key->getValue("time"), "5");
}

TEST(Editing, AddChildAppendsInCallOrderAndInsertsAfterCurrent) {
  XmlParser p;
  Iterator root = p.createIterator();
  root.setRoot(XmlTag("setup"));
  root.addChild(XmlTag("a"));
  root.addChild(XmlTag("b"));
  Iterator c = root.addChild(XmlTag("c"));
  EXPECT_EQ(root->getName(), "c");  // stands on the new child
  EXPECT_EQ(c.getRoot().getName(), "c");
  EXPECT_TRUE(c.getRoot().getClosed());
  c.addChild(XmlTag("d"));
  EXPECT_FALSE(c.getRoot().getClosed());

  Iterator at = p.createIterator("a");
  ASSERT_TRUE(++at);
  at.addChild(XmlTag("a2"));
  // an exhausted iterator appends
  Iterator all = p.createIterator();
  while (++all) {
  }
  all.addChild(XmlTag("z"));
  EXPECT_EQ(all->getName(), "z");
  EXPECT_EQ(written(p), "<setup>\n\t<a/>\n\t<a2/>\n\t<b/>\n\t<c>\n\t\t<d/>\n\t</c>\n\t<z/>\n</setup>\n");
}

TEST(Editing, NodeAddChildIndexes) {
  XmlNode node(nullptr);
  node.addChild(XmlTag("b"), -1);
  node.addChild(XmlTag("a"), 0);
  node.addChild(XmlTag("d"), 2);
  node.addChild(XmlTag("c"), 2);
  node.addChild(XmlTag("e"), 99);
  node.addChild(XmlTag("f"), -7);
  std::string order;
  for (int i = 0; i < node.getNumChildren(); ++i) {
    order += node.getChildren(i)->getTag().getName();
    EXPECT_EQ(node.getChildren(i)->getParent(), &node);
  }
  EXPECT_EQ(order, "abcdef");
  EXPECT_FALSE(node.getTag().getClosed());
  Iterator added = node.addChild(XmlTag("g"));
  EXPECT_EQ(added.getContext(), node.getChildren(6));
  EXPECT_EQ(added.getSearchCriteria(), "");
}

TEST(Editing, DetachAndClearOwnership) {
  XmlParser p;
  p.parse("<r><a><x/></a><b/><c/></r>");
  XmlNode* root = p.createIterator().getContext();
  XmlNode* b = root->getChildren(1);
  EXPECT_EQ(root->detachChild(b), 1);
  EXPECT_EQ(root->getNumChildren(), 2);
  EXPECT_EQ(b->getParent(), root);  // not re-parented
  // deleting a detached child must not touch its former parent
  delete b;
  EXPECT_EQ(root->getNumChildren(), 2);

  XmlNode stranger(nullptr);
  char expected[200];
  std::snprintf(expected, sizeof(expected), "detachChild(%p); No such child in 'r'", static_cast<void*>(&stranger));
  EXPECT_EQ(errorOf([&] { root->detachChild(&stranger); }), expected);

  // clearing a child removes it from its parent and deletes its subtree
  XmlNode* a = root->getChildren(0);
  a->clear();
  EXPECT_EQ(a->getParent(), nullptr);
  EXPECT_EQ(a->getNumChildren(), 0);
  EXPECT_EQ(a->getTag().getName(), "");
  EXPECT_EQ(root->getNumChildren(), 1);
  EXPECT_EQ(root->getChildren(0)->getTag().getName(), "c");
  delete a;

  // deleting an attached child detaches it first
  delete root->getChildren(0);
  EXPECT_EQ(root->getNumChildren(), 0);

  p.clear();
  EXPECT_EQ(p.getRootNode().getTag().getName(), "");
  EXPECT_TRUE(p.getRootNode().getTag().getClosed());
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

TEST(Attributes, SettersFormatNumbersAndKeepPositions) {
  XmlTag t;
  t.setValue("a", 0.1);
  t.setValue("b", 1234567.0);
  t.setValue("c", 1.0f);
  t.setValue("d", -0.5);
  t.setValue("e", 42);
  t.setValueInt("f", -7);
  t.setValueFloat("g", 3.14159265);
  t.setValue("h", 1e-7);
  t.setValue("a", std::string("first"));
  std::vector<std::string> values;
  for (const XmlTag::Argument& arg : t.getArg()) values.push_back(arg.getName() + "=" + arg.getValue());
  EXPECT_EQ(values, (std::vector<std::string>{"a=first", "b=1.23457e+06", "c=1", "d=-0.5", "e=42", "f=-7", "g=3.14159",
                                              "h=1e-07"}));
}

TEST(Attributes, TagBasics) {
  XmlTag t("name");
  EXPECT_EQ(t.getType(), XmlTag::NORMAL);
  EXPECT_TRUE(t.getClosed());
  t.setTagType(XmlTag::COMMENT);
  t.setClosed(false);
  t.getArg().emplace_back("x", "y");
  XmlTag copy;
  copy.setTag(t);
  EXPECT_EQ(copy.getType(), XmlTag::COMMENT);
  EXPECT_EQ(copy.getValue("x"), "y");
  copy.clear();
  EXPECT_EQ(copy.getType(), XmlTag::NORMAL);
  EXPECT_TRUE(copy.getClosed());
  EXPECT_EQ(copy.getName(), "");
  EXPECT_TRUE(copy.getArg().empty());
  XmlTag::Argument a("n", "v");
  a.setName("m");
  a.setValue("w");
  EXPECT_EQ(a.getName() + a.getValue(), "mw");
}

}  // namespace
