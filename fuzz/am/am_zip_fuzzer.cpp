// Zip reading: the bytes become a zip file, which is mounted, listed, and
// every entry read by its name and by the "./" and "/" forms of it.
#include <unistd.h>
#include <unzip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "am.h"
#include "am_archivezip.h"
#include "zlk_system.h"

using zelkor::am::ArchiveZIP;
using zelkor::am::File;

namespace {

// In memory when possible: rewriting a disk file for every input is slow.
const std::string& scratchPath() {
  static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/am_zip_fuzzer." + std::to_string(getpid()) + ".zip";
  return path;
}

void removeScratch() { std::remove(scratchPath().c_str()); }

std::vector<std::string> listEntries(const std::string& path) {
  std::vector<std::string> names;
  unzFile zip = unzOpen(path.c_str());
  if (!zip) return names;
  for (int status = unzGoToFirstFile(zip); status == UNZ_OK && names.size() < 64; status = unzGoToNextFile(zip)) {
    char name[512];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK) break;
    names.push_back(name);
  }
  unzClose(zip);
  return names;
}

}  // namespace

// Low enough that small inputs reach them: an entry that would inflate past
// them is refused before it is inflated.
const long long kFileLimit = 1 << 20;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(removeScratch);
  zelkor::am::setReadLimits(kFileLimit, 2 * kFileLimit);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* out = std::fopen(scratchPath().c_str(), "wb");
  if (!out) std::abort();
  if (size && std::fwrite(data, 1, size, out) != size) std::abort();
  std::fclose(out);

  ArchiveZIP zip(scratchPath());
  const std::vector<std::string> names = listEntries(scratchPath());
  for (const std::string& name : names) {
    for (const std::string& asked : {name, "./" + name, "/" + name}) {
      File file = zip.read(asked);
      if (file.isNull()) continue;
      if (file->length < 0 || file->length > kFileLimit || (file->length > 0 && !file->data) ||
          file->filename != asked) {
        std::abort();
      }
      unsigned sum = 0;
      for (long i = 0; i < file->length; ++i) sum += file->data[i];  // the whole buffer is readable
      (void)sum;
    }
  }
  zip.read("not/in/the/zip");
  return 0;
}
