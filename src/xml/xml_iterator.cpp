#include "xml_iterator.h"

#include <utility>

#include "xml_node.h"

namespace zelkor {
namespace xml {

Iterator::Iterator(XmlNode* node, const std::string& criteria) : IteratorConst(node, criteria) {}

XmlTag* Iterator::operator->() const {
  return &currentNode("XmlParser::Iterator::operator->; Can't access before first element, try operator++ first!",
                      "XmlParser::Iterator::operator->; Can't access after last element, no Tags matching searchCriteria?")
              ->getTag();
}

XmlTag& Iterator::getRoot() const { return context->getTag(); }

void Iterator::setRoot(const XmlTag& tag) { context->setTag(tag); }

int Iterator::nextInsertIndex() {
  atEnd = false;
  atBegin = false;
  ++currentChild;
  // past the end (an exhausted iterator) means after the last child
  const int count = context->getNumChildren();
  if (currentChild < 0 || currentChild > count) currentChild = count;
  return currentChild;
}

Iterator Iterator::addChild(const XmlTag& tag) {
  const int index = nextInsertIndex();
  return context->addChild(tag, index);
}

Iterator Iterator::addChild(XmlTag&& tag) {
  const int index = nextInsertIndex();
  return context->addChild(std::move(tag), index);
}

Iterator Iterator::createIterator(const std::string& criteria) const {
  return Iterator(currentNode("XmlParser::Iterator::createIterator; Can't descend before first element!",
                              "XmlParser::Iterator::createIterator; Can't descend after last element!"),
                  criteria);
}

}  // namespace xml
}  // namespace zelkor
