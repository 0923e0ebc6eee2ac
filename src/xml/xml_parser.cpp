#include "xml_parser.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "xml_attribute_index.h"
#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace xml {

XmlParser::XmlParser() : m_root(nullptr) {}

void XmlParser::parse(const char* data, int length) {
  if (length < 0) throw Exception("XmlParser::parse; Negative length %d!", length);
  parseDocument(data, static_cast<size_t>(length), nullptr);
}

void XmlParser::parse(const char* data, int length, const std::string& source) {
  if (length < 0) throw Exception("%s: XmlParser::parse; Negative length %d!", source.c_str(), length);
  parseDocument(data, static_cast<size_t>(length), source.c_str());
}

void XmlParser::parse(const std::string& text) { parseDocument(text.data(), text.size(), nullptr); }

void XmlParser::parseFile(const std::string& path) {
  std::string text;
  std::string why;
  if (!zlk_read_regular(path, text, why)) throw Exception("Xml: Could not open '%s' (%s)", path.c_str(), why.c_str());
  parseDocument(text.data(), text.size(), path.c_str());
}

void XmlParser::parseDocument(const char* data, size_t length, const char* source) {
  // A root with children but no name was parsed too.
  if (!m_root.getTag().getName().empty() || m_root.getNumChildren() > 0) {
    throw Exception("Parser has already parsed a xml-file, use clear() first!");
  }
  m_metaTag.clear();
  BufferReader reader(data, length);
  try {
    XmlTag tag;
    detail::AttributeIndex metaIndex;  // many declarations must not merge in quadratic time
    for (;;) {
      tag.parse(reader);
      if (tag.getType() == XmlTag::NORMAL) break;
      if (tag.getType() == XmlTag::SPECIAL_QUESTION && tag.getName() == "xml") {
        if (m_metaTag.getName() != "xml") {
          m_metaTag = tag;
        } else {
          for (XmlTag::Argument& a : tag.getArg()) metaIndex.store(m_metaTag.getArg(), std::move(a.name), std::move(a.value));
        }
      }
    }
    if (tag.getClosed()) throw Exception("Root tag is closed!");
    m_root.setTag(tag);
    readTree(reader);
  } catch (const Exception& e) {
    if (source) {
      throw Exception("%s: (error at line %d, col %d); %s (when reading tag at %d:%d)", source, reader.getLine(),
                      reader.getChar(), e.what(), reader.getLineMemory(), reader.getCharMemory());
    }
    throw Exception("(error at line %d, col %d); %s (when reading tag at %d:%d)", reader.getLine(), reader.getChar(),
                    e.what(), reader.getLineMemory(), reader.getCharMemory());
  }
}

// Each open element is an iterator on the stack; end tags are matched by name
// against the innermost one only. No recursion, and a bounded depth.
void XmlParser::readTree(BufferReader& reader) {
  std::vector<Iterator> open;
  open.emplace_back(&m_root, std::string());
  XmlTag tag;
  while (!open.empty()) {
    tag.parse(reader);
    XmlNode* parent = open.back().getContext();
    if (tag.getClosed() && tag.getArg().empty() && tag.getName() == parent->getTag().getName()) {
      if (parent->getNumChildren() == 0) parent->getTag().setClosed(true);
      open.pop_back();
      continue;
    }
    const bool opens = !tag.getClosed();
    if (opens && open.size() >= MAX_DEPTH) throw Exception("Xml: Elements nested deeper than %d levels!", int(MAX_DEPTH));
    Iterator child = open.back().addChild(std::move(tag));
    if (opens) open.push_back(child);
  }
}

void XmlParser::clear() { m_root.clear(); }

IteratorConst XmlParser::createIterator(const std::string& criteria) const { return IteratorConst(&m_root, criteria); }

Iterator XmlParser::createIterator(const std::string& criteria) { return Iterator(&m_root, criteria); }

void XmlParser::write(std::ostream& out, const std::string& indent) const {
  std::string text;
  write(text, indent);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void XmlParser::write(std::string& out, const std::string& indent) const {
  std::string text;
  if (m_metaTag.getName() == "xml") {
    m_metaTag.appendTo(text, true);
    text += '\n';
  }
  m_root.getTag().appendTo(text, false);
  writeChildren(text, m_root, indent, 1);
  out.swap(text);
}

void XmlParser::writeChildren(std::string& out, const XmlNode& node, const std::string& indent, int level) const {
  for (int i = 0; i < node.getNumChildren(); ++i) {
    const XmlNode* child = node.getChildren(i);
    const XmlTag& tag = child->getTag();
    // "<p/>" inside <p> would be read back as the end of the parent, so such
    // an empty child is written as an element with its own end tag.
    const bool endsParent = tag.getType() == XmlTag::NORMAL && tag.getClosed() && tag.getArg().empty() &&
                            tag.getName() == node.getTag().getName();
    for (int l = 0; l < level; ++l) out += indent;
    tag.appendTo(out, !endsParent);
    if (!tag.getClosed() || endsParent) writeChildren(out, *child, indent, level + 1);
  }
  for (int l = 0; l < level - 1; ++l) out += indent;
  out += "</";
  out += node.getTag().getName();
  out += ">\n";
}

namespace {

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

mode_t newFileMode(const std::string& path) {
  struct stat existing;
  if (::stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void XmlParser::writeFile(const std::string& name, const std::string& indent) const {
  std::string text;
  write(text, indent);
  // through a symbolic link: the link stays, its target gets the text
  const std::string path = zlk_write_target(name);
  std::vector<char> temp(path.begin(), path.end());
  static const char suffix[] = ".XXXXXX";
  temp.insert(temp.end(), suffix, suffix + sizeof(suffix));  // with the terminator
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw Exception("Xml: Could not write '%s' (%s)", path.c_str(), std::strerror(errno));
  bool ok = ::fchmod(fd, newFileMode(path)) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temp.data(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temp.data());
    throw Exception("Xml: Could not write '%s' (%s)", path.c_str(), std::strerror(error));
  }
}

}  // namespace xml
}  // namespace zelkor
