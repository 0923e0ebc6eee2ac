#pragma once
// Read-only cursor over the children of one node, optionally filtered by tag name.

#include <ostream>
#include <string>

#include "xml_tag.h"

namespace zelkor {
namespace xml {

class XmlNode;

class IteratorConst {
 public:
  IteratorConst(const XmlNode* node, const std::string& criteria);

  // Steps to the next child whose name equals the criteria (any child when
  // they are empty); false once there is none.
  bool operator++();
  const XmlTag* operator->() const;
  // The context node's own tag.
  const XmlTag& getRoot() const;
  // Iterates the children of the current child.
  IteratorConst createIterator(const std::string& criteria = std::string()) const;

  bool isAtBegin() const { return atBegin; }
  bool isAtEnd() const { return atEnd; }
  const XmlNode* getContext() const { return context; }
  const std::string& getSearchCriteria() const { return searchCriteria; }

 protected:
  // The child the iterator stands on; `before` and `after` are the messages
  // raised when there is none.
  XmlNode* currentNode(const char* before, const char* after) const;

  XmlNode* context;
  int currentChild;
  bool atEnd;
  bool atBegin;
  std::string searchCriteria;
};

std::ostream& operator<<(std::ostream& out, const IteratorConst& it);

}  // namespace xml
}  // namespace zelkor
