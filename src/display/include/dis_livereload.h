#pragma once
// Live editing on the device: when a file changed on disk, every program
// built from it is rebuilt and every texture made from it reloaded, in place.
// What does not build keeps the old program or texture, and its error is
// kept by file name until the file builds again.

#include <map>
#include <string>

namespace zelkor {
namespace display {

class DisplayGL;

class LiveReload {
 public:
  explicit LiveReload(DisplayGL* display) : mDisplay(display) {}

  // False when nothing of the device was made from the file. Never throws.
  bool fileChanged(const std::string& name);

  // File name -> what is wrong with it ("file:line: driver message").
  const std::map<std::string, std::string>& getErrors() const { return mErrors; }
  void setError(const std::string& name, const std::string& message) { mErrors[name] = message; }
  // Logs that the file builds again when it had an error.
  void clearError(const std::string& name);

 private:
  bool rebuildShaders(const std::string& name);
  bool reloadTextures(const std::string& name);

  DisplayGL* mDisplay;
  std::map<std::string, std::string> mErrors;
};

}  // namespace display
}  // namespace zelkor
