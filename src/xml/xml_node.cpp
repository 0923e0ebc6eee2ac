#include "xml_node.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "zlk_system.h"

namespace zelkor {
namespace xml {

XmlNode::XmlNode(XmlNode* parent) : mParent(parent) {}

XmlNode::XmlNode(const XmlTag& pTag, XmlNode* parent) : tag(pTag), mParent(parent) {}

XmlNode::XmlNode(XmlTag&& pTag, XmlNode* parent) : tag(std::move(pTag)), mParent(parent) {}

XmlNode::~XmlNode() { clear(); }

Iterator XmlNode::addChild(const XmlTag& pTag, int index) {
  return insertChild(new XmlNode(pTag, this), index);
}

Iterator XmlNode::addChild(XmlTag&& pTag, int index) {
  return insertChild(new XmlNode(std::move(pTag), this), index);
}

Iterator XmlNode::insertChild(XmlNode* child, int index) {
  std::unique_ptr<XmlNode> owned(child);
  if (index < 0 || index >= getNumChildren()) {
    children.push_back(child);
  } else {
    children.insert(children.begin() + index, child);
  }
  owned.release();
  tag.setClosed(false);
  return Iterator(child, std::string());
}

int XmlNode::detachChild(XmlNode* child) {
  auto found = std::find(children.begin(), children.end(), child);
  if (found == children.end()) {
    throw Exception("detachChild(%p); No such child in '%s'", static_cast<void*>(child), tag.getName().c_str());
  }
  const int index = static_cast<int>(found - children.begin());
  children.erase(found);
  return index;
}

void XmlNode::clear() {
  tag.clear();
  if (mParent) {
    // A child that was detached before being deleted is no longer listed;
    // raising here would end the program from the destructor.
    auto self = std::find(mParent->children.begin(), mParent->children.end(), this);
    if (self != mParent->children.end()) mParent->children.erase(self);
    mParent = nullptr;
  }
  std::vector<XmlNode*> old;
  old.swap(children);
  for (XmlNode* child : old) {
    child->mParent = nullptr;
    delete child;
  }
}

IteratorConst XmlNode::createIterator(const std::string& criteria) const { return IteratorConst(this, criteria); }

Iterator XmlNode::createIterator(const std::string& criteria) { return Iterator(this, criteria); }

}  // namespace xml
}  // namespace zelkor
