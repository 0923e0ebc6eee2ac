#pragma once
// The engine reads its setup from the working directory: tests run it in a
// scratch directory of their own and go back afterwards.

#include <unistd.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "test_support.h"

namespace kindra_test {

class WorkDir {
 public:
  explicit WorkDir(const std::string& tag = "kindra-work") : mScratch(tag) {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof(buffer))) throw std::runtime_error("getcwd failed");
    mPrevious = buffer;
    if (chdir(mScratch.path().c_str()) != 0) throw std::runtime_error("chdir failed");
  }
  ~WorkDir() {
    if (chdir(mPrevious.c_str()) != 0) {
      // nothing sensible to do in a destructor; the next test makes its own
    }
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  const std::string& path() const { return mScratch.path(); }
  std::string file(const std::string& name) const { return mScratch.file(name); }
  void write(const std::string& name, const std::string& text) const { writeFile(file(name), text); }
  std::string read(const std::string& name) const { return readFile(file(name)); }

 private:
  ScratchDir mScratch;
  std::string mPrevious;
};

// A window for the engine tests and no music.
inline std::string windowSetup(int width = 800, int height = 600) {
  return "<demo>\n\t<display width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
         "\" title=\"kindra test\"/>\n\t<music mute=\"nosound\"/>\n</demo>\n";
}

}  // namespace kindra_test
