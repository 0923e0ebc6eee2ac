// Reads arbitrary bytes as a document, walks the tree, writes it back and,
// where the written text can represent the tree, reads that again and checks
// that the same tree comes out.

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "xml_parser.h"
#include "zlk_system.h"

namespace zelkor {
// Exceptions log themselves; the fuzzer keeps quiet.
void zlk_log_callback(const LogData&) {}
}  // namespace zelkor

namespace {

using zelkor::xml::IteratorConst;
using zelkor::xml::XmlNode;
using zelkor::xml::XmlParser;
using zelkor::xml::XmlTag;

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "xml_parse: %s\n%s\n", what, detail.c_str());
  std::abort();
}

bool isWordByte(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool allWordBytes(const std::string& s, const char* extra) {
  for (char c : s) {
    if (!isWordByte(c) && !std::memchr(extra, c, std::strlen(extra))) return false;
  }
  return true;
}

// Whether printing the tag loses nothing that reading it back needs: values
// are written in double quotes without escaping, and "<!...>" entries bare.
bool representable(const XmlTag& tag) {
  // "< a=..." reads back as a tag named "a": the reader skips blanks before a name
  if (tag.getType() == XmlTag::NORMAL && tag.getName().empty() && !tag.getArg().empty() &&
      !tag.getArg().front().name.empty()) {
    return false;
  }
  for (const XmlTag::Argument& a : tag.getArg()) {
    if (tag.getType() == XmlTag::SPECIAL_EXCLAIM) {
      if (a.name.empty() || a.value.empty() || !allWordBytes(a.name, ":_-") || !allWordBytes(a.value, "")) return false;
      // "<!--" would open a comment
      if (&a == &tag.getArg().front() && a.name.compare(0, 2, "--") == 0) return false;
    } else if (a.value.find('"') != std::string::npos) {
      return false;
    }
  }
  return true;
}

// Visits every node through the iterators, as callers do; returns whether
// the whole tree is representable and notes text nodes.
bool walk(const IteratorConst& parent, bool& hasText, int depth) {
  if (depth > XmlParser::MAX_DEPTH) fail("tree deeper than the parser allows", "");
  bool ok = representable(parent.getRoot());
  IteratorConst it = parent;
  int seen = 0;
  while (++it) {
    ++seen;
    const XmlTag& tag = *it.operator->();
    if (tag.getType() == XmlTag::TEXT) hasText = true;
    for (const XmlTag::Argument& a : tag.getArg()) {
      (void)tag.getValueInt(a.name);
      (void)tag.getValueFloat(a.name);
      // names are unique within a read tag
      if (&tag.getValue(a.name) != &a.value || tag.hasValue(a.name) == a.value.empty()) fail("attribute lookup", a.name);
    }
    if (!tag.getClosed()) {
      ok = walk(it.createIterator(), hasText, depth + 1) && ok;
    } else {
      ok = representable(tag) && ok;
    }
  }
  if (seen != parent.getContext()->getNumChildren()) fail("iterator skipped children", "");
  // a filtered walk finds exactly the children of that name
  if (seen > 0) {
    const std::string& name = parent.getContext()->getChildren(seen - 1)->getTag().getName();
    IteratorConst byName(parent.getContext(), name);
    int matches = 0;
    while (++byName) {
      // empty criteria visit every child
      if (!name.empty() && byName->getName() != name) fail("filtered iterator returned another name", name);
      ++matches;
    }
    if (matches == 0 || (name.empty() && matches != seen)) fail("filtered iterator missed a child", name);
  }
  return ok;
}

bool sameTag(const XmlTag& a, const XmlTag& b) {
  if (a.getType() != b.getType() || a.getName() != b.getName() || a.getClosed() != b.getClosed()) return false;
  if (a.getType() == XmlTag::TEXT) return true;  // written text gains quotes and layout
  if (a.getArg().size() != b.getArg().size()) return false;
  for (size_t i = 0; i < a.getArg().size(); ++i) {
    if (a.getArg()[i].name != b.getArg()[i].name || a.getArg()[i].value != b.getArg()[i].value) return false;
  }
  return true;
}

bool sameTree(const XmlNode& a, const XmlNode& b) {
  if (!sameTag(a.getTag(), b.getTag()) || a.getNumChildren() != b.getNumChildren()) return false;
  for (int i = 0; i < a.getNumChildren(); ++i) {
    if (b.getChildren(i)->getParent() != &b) return false;
    if (!sameTree(*a.getChildren(i), *b.getChildren(i))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT_MAX) return 0;
  XmlParser first;
  try {
    first.parse(reinterpret_cast<const char*>(data), static_cast<int>(size));
  } catch (const zelkor::Exception&) {
    return 0;
  }
  bool hasText = false;
  const XmlParser& view = first;
  const bool sound = walk(view.createIterator(), hasText, 1) && representable(first.getMetaTag());

  std::string text;
  first.write(text, "\t");
  if (!sound) return 0;

  XmlParser second;
  try {
    second.parse(text);
  } catch (const zelkor::Exception& e) {
    fail(e.what(), text);
  }
  if (!sameTag(first.getMetaTag(), second.getMetaTag()) || !sameTree(first.getRootNode(), second.getRootNode())) {
    fail("tree changed on reading the written text", text);
  }
  if (!hasText) {
    std::string again;
    second.write(again, "\t");
    if (again != text) fail("second writing differs", text + "----\n" + again);
  }
  // a cleared parser reads again
  second.clear();
  try {
    second.parse(text);
  } catch (const zelkor::Exception& e) {
    fail(e.what(), "after clear()");
  }
  return 0;
}
