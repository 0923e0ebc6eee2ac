#include "xml_iteratorconst.h"

#include "xml_node.h"
#include "zlk_system.h"

namespace zelkor {
namespace xml {

IteratorConst::IteratorConst(const XmlNode* node, const std::string& criteria)
    : context(const_cast<XmlNode*>(node)), currentChild(-1), atEnd(false), atBegin(true), searchCriteria(criteria) {}

bool IteratorConst::operator++() {
  if (atEnd) throw Exception("IteratorConst::operator++; Called after last tag!");
  atBegin = false;
  const int count = context ? context->getNumChildren() : 0;
  if (currentChild + 1 >= 0 && currentChild + 1 < count) {
    if (searchCriteria.empty()) {
      ++currentChild;
      return true;
    }
    for (int i = currentChild + 1; i < count; ++i) {
      if (context->getChildren(i)->getTag().getName() == searchCriteria) {
        currentChild = i;
        return true;
      }
    }
    atEnd = true;
    return false;
  }
  currentChild = count;
  atEnd = true;
  return false;
}

XmlNode* IteratorConst::currentNode(const char* before, const char* after) const {
  if (atBegin) throw Exception("%s", before);
  // also guards against children removed since the last step
  if (atEnd || currentChild < 0 || currentChild >= context->getNumChildren()) throw Exception("%s", after);
  return context->getChildren(currentChild);
}

const XmlTag* IteratorConst::operator->() const {
  return &currentNode("IteratorConst::operator->; Can't access before first element!",
                      "IteratorConst::operator->; Can't access after last element!")
              ->getTag();
}

const XmlTag& IteratorConst::getRoot() const { return context->getTag(); }

IteratorConst IteratorConst::createIterator(const std::string& criteria) const {
  return IteratorConst(currentNode("IteratorConst::createIterator; Can't descend before first element!",
                                   "IteratorConst::createIterator; Can't descend after last element!"),
                       criteria);
}

std::ostream& operator<<(std::ostream& out, const IteratorConst& it) {
  it->write(out, true);
  return out;
}

}  // namespace xml
}  // namespace zelkor
