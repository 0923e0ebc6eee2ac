#pragma once
// A reference to a picture file, resolved by the user through the archives.

#include <string>

#include "z3d_values.h"

namespace zelkor {
namespace z3d {

class Image {
 public:
  void loadChunk(ReadBuffer& buffer);
  void writeChunk(WriteBuffer& buffer) const;
  void clear() {
    mName.clear();
    mFilename.clear();
  }
  const std::string& getName() const { return mName; }
  void setName(const std::string& name) { mName = name; }
  const std::string& getFilename() const { return mFilename; }
  void setFilename(const std::string& filename) { mFilename = filename; }

 private:
  std::string mName;
  std::string mFilename;
};

}  // namespace z3d
}  // namespace zelkor
