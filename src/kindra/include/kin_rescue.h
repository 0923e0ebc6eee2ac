#pragma once
// What could not be saved at exit (a read-only directory, a full disk) is
// written to a rescue directory instead of being lost.

#include <string>
#include <utility>
#include <vector>

namespace zelkor {
namespace kindra {

class Rescue {
 public:
  // A file that could not be written: its name relative to the working
  // directory and the text it should have had.
  void keep(const std::string& name, const std::string& text);
  bool empty() const { return mFiles.empty(); }

  // Writes every kept file into a new directory named with the time, under
  // the user's state directory or else the temporary directory, and says so
  // in one line. False when none of them could take the files.
  bool write();
  const std::string& getDirectory() const { return mDirectory; }

 private:
  std::vector<std::pair<std::string, std::string>> mFiles;
  std::string mDirectory;
};

}  // namespace kindra
}  // namespace zelkor
