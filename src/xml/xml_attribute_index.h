#pragma once
// Finds the earlier attribute of a repeated name while attributes are read or
// merged; past a few attributes it keeps a hash index, so hostile input with
// many names stays linear.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "xml_tag.h"

namespace zelkor {
namespace xml {
namespace detail {

class AttributeIndex {
 public:
  // Overwrites the value of an attribute of that name in `args`, else appends
  // one. `args` may hold attributes already; it must only grow through here
  // while this index is in use.
  void store(std::vector<XmlTag::Argument>& args, std::string&& name, std::string&& value) {
    if (args.capacity() == 0) args.reserve(4);  // one allocation for most tags
    if (!mIndex.empty()) {
      auto found = mIndex.find(name);
      if (found != mIndex.end()) {
        args[found->second].value = std::move(value);
        return;
      }
      mIndex.emplace(name, args.size());
    } else {
      for (XmlTag::Argument& a : args) {
        if (a.name == name) {
          a.value = std::move(value);
          return;
        }
      }
      if (args.size() + 1 >= LINEAR_LIMIT) {
        // first occurrence wins, as in the linear search
        for (size_t i = 0; i < args.size(); ++i) mIndex.emplace(args[i].name, i);
        mIndex.emplace(name, args.size());
      }
    }
    args.emplace_back();
    args.back().name = std::move(name);
    args.back().value = std::move(value);
  }

 private:
  enum { LINEAR_LIMIT = 16 };
  std::unordered_map<std::string, size_t> mIndex;
};

}  // namespace detail
}  // namespace xml
}  // namespace zelkor
