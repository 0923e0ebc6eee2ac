#pragma once
// A whole XML document: reads text into a tag tree and prints it back.

#include <ostream>
#include <string>

#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_node.h"
#include "xml_tag.h"

namespace zelkor {
namespace xml {

class XmlParser {
 public:
  // Elements nested deeper than this are refused rather than exhausting the
  // stack of whoever walks the tree.
  enum { MAX_DEPTH = 256 };

  XmlParser();

  void parse(const char* data, int length);
  void parse(const std::string& text);
  // As parse(data, length); errors start with `source` (the file name of
  // bytes loaded through the archives).
  void parse(const char* data, int length, const std::string& source);
  // Reads the whole file; errors name it.
  void parseFile(const std::string& path);
  void clear();

  // Iterate the root element's children.
  IteratorConst createIterator(const std::string& criteria = std::string()) const;
  Iterator createIterator(const std::string& criteria = std::string());

  void write(std::ostream& out, const std::string& indent) const;
  void write(std::string& out, const std::string& indent) const;
  // Writes to a temporary file beside `path` and renames it over `path`.
  void writeFile(const std::string& path, const std::string& indent) const;

  const XmlNode& getRootNode() const { return m_root; }
  const XmlTag& getMetaTag() const { return m_metaTag; }

 private:
  void parseDocument(const char* data, size_t length, const char* source);
  void readTree(BufferReader& reader);
  void writeChildren(std::string& out, const XmlNode& node, const std::string& indent, int level) const;

  XmlNode m_root;
  XmlTag m_metaTag;
};

}  // namespace xml
}  // namespace zelkor
