#pragma once
// Helpers shared by the tests.

#include <functional>
#include <string>
#include <vector>

namespace kindra_test {

// Source tree root (for data/ and fixtures) and build tree root.
std::string sourceDir();
std::string binaryDir();

// A fresh, empty directory under the system's temporary folder, removed when
// the object goes out of scope.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag = "kindra");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return mPath; }
  std::string file(const std::string& name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
};

// Captures what is printed on standard output (log lines go there) while alive.
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;
  std::string finish();  // stops capturing and returns the text

 private:
  bool mActive;
};

// The message of the Exception that `action` throws, or "<no exception>";
// what was logged meanwhile goes to *log (when given) instead of the output.
std::string thrownMessage(const std::function<void()>& action, std::string* log = nullptr);

std::vector<std::string> splitLines(const std::string& text);

bool writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

}  // namespace kindra_test
