#pragma once
// One element of the tag tree; owns its children.

#include <string>
#include <vector>

#include "xml_iterator.h"
#include "xml_iteratorconst.h"
#include "xml_tag.h"

namespace zelkor {
namespace xml {

class XmlNode {
 public:
  explicit XmlNode(XmlNode* parent = nullptr);
  XmlNode(const XmlTag& pTag, XmlNode* parent);
  XmlNode(XmlTag&& pTag, XmlNode* parent);
  ~XmlNode();
  XmlNode(const XmlNode&) = delete;
  XmlNode& operator=(const XmlNode&) = delete;

  const XmlTag& getTag() const { return tag; }
  XmlTag& getTag() { return tag; }
  void setTag(const XmlTag& pTag) { tag = pTag; }
  XmlNode* getParent() const { return mParent; }
  void setParent(XmlNode* parent) { mParent = parent; }
  int getNumChildren() const { return static_cast<int>(children.size()); }
  const XmlNode* getChildren(int i) const { return children[i]; }
  XmlNode* getChildren(int i) { return children[i]; }

  // Appends when `index` is -1 or not a position among the children, else
  // inserts before `index`. The node is then open (not closed).
  Iterator addChild(const XmlTag& pTag, int index = -1);
  Iterator addChild(XmlTag&& pTag, int index = -1);
  // Removes the child without deleting it; returns its former index.
  int detachChild(XmlNode* child);
  // Default tag, detached from the parent, every child deleted.
  void clear();

  IteratorConst createIterator(const std::string& criteria = std::string()) const;
  Iterator createIterator(const std::string& criteria = std::string());

 private:
  Iterator insertChild(XmlNode* child, int index);

  XmlTag tag;
  std::vector<XmlNode*> children;
  XmlNode* mParent;
};

}  // namespace xml
}  // namespace zelkor
