#pragma once
// A zip file mounted as a read-only archive.

#include <string>

#include "am.h"

namespace zelkor {
namespace am {

class ArchiveZIP : public ArchiveBase {
 public:
  explicit ArchiveZIP(const std::string& pPath);
  ~ArchiveZIP() override;

  // "./a/b.png" and "/a/b.png" are looked up as "a/b.png"; a damaged entry
  // (bad CRC, truncated or unreadable data) gives an empty handle.
  File read(const std::string& pFilename) override;
  bool write(File pFile) override;

  bool isOpen() const { return mZipfile != nullptr; }

 private:
  void* mZipfile;  // the zip library's handle; null when opening failed
  long long mZipSize;  // bytes in the zip file, bounds what an entry may claim
};

}  // namespace am
}  // namespace zelkor
