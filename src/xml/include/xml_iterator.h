#pragma once
// Cursor over the children of a mutable node; adds editing to IteratorConst.

#include <string>

#include "xml_iteratorconst.h"

namespace zelkor {
namespace xml {

class Iterator : public IteratorConst {
 public:
  Iterator(XmlNode* node, const std::string& criteria);

  XmlTag* operator->() const;
  XmlTag& getRoot() const;
  void setRoot(const XmlTag& tag);
  // Inserts a child after the current one and stands on it, so repeated calls
  // append in call order; returns an iterator over the new child.
  Iterator addChild(const XmlTag& tag);
  Iterator addChild(XmlTag&& tag);
  Iterator createIterator(const std::string& criteria = std::string()) const;
  XmlNode* getContext() const { return context; }

 private:
  int nextInsertIndex();
};

}  // namespace xml
}  // namespace zelkor
