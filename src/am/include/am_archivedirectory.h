#pragma once
// A directory of the file system mounted as an archive.

#include <string>

#include "am.h"

namespace zelkor {
namespace am {

class ArchiveDirectory : public ArchiveBase {
 public:
  explicit ArchiveDirectory(const std::string& pPath);

  // Names are relative to the root: leading separators are ignored and a name
  // whose ".." segments climb above the root is refused.
  File read(const std::string& pFilename) override;
  // Creates missing directories; the file appears complete or not at all.
  bool write(File pFile) override;

  // Creates every directory named in pPath before its last separator; leading
  // "./" and "../" parts are left alone.
  static bool createFullDirectory(const std::string& pPath);

  const std::string& getPath() const { return mPath; }
  std::string getLocalPath(const std::string& pFilename) const override;

 private:
  // mPath + the name, or false when the name leaves the root.
  bool resolve(const std::string& pFilename, std::string& pFullPath) const;

  std::string mPath;  // always ends in a separator unless empty
};

}  // namespace am
}  // namespace zelkor
