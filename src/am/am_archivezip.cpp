#include "am_archivezip.h"

#include <sys/stat.h>
#include <unzip.h>

#include <climits>
#include <memory>
#include <new>

#include "zlk_system.h"

namespace zelkor {
namespace am {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Deflate cannot expand data by more than 1032:1, so an entry that claims more
// than that from the whole zip file is damaged; refusing it early keeps a
// forged size from sizing a huge buffer.
const long long kMaxInflateRatio = 1032;

const char* describe(int status) {
  switch (status) {
    case UNZ_CRCERROR: return "CRC mismatch";
    case UNZ_BADZIPFILE: return "entry shorter than its size";
    case UNZ_INTERNALERROR: return "implausible size";
    case UNZ_ERRNO: return "read error";
    case Z_DATA_ERROR: return "corrupt compressed data";
    case Z_MEM_ERROR: return "out of memory";
    default: return "damaged entry";
  }
}

}  // namespace

ArchiveZIP::ArchiveZIP(const std::string& pPath) : ArchiveBase(pPath), mZipfile(nullptr), mZipSize(0) {
  // the zip library opens with a plain fopen, which a named pipe blocks
  struct stat info;
  if (stat(pPath.c_str(), &info) != 0) return;
  if (!S_ISREG(info.st_mode)) {
    ZLK_LOG("warning", "app", "Could not open zip '%s': not a regular file", pPath.c_str());
    return;
  }
  mZipSize = static_cast<long long>(info.st_size);
  mZipfile = unzOpen(pPath.c_str());
}

ArchiveZIP::~ArchiveZIP() {
  if (mZipfile) unzClose(mZipfile);
}

File ArchiveZIP::read(const std::string& pFilename) {
  if (!mZipfile) return File();
  size_t begin = 0;
  if (pFilename.size() >= 2 && pFilename[0] == '.' && isSeparator(pFilename[1])) begin = 1;
  if (begin < pFilename.size() && isSeparator(pFilename[begin])) ++begin;
  const std::string name = pFilename.substr(begin);

  if (unzLocateFile(mZipfile, name.c_str(), 0) != UNZ_OK) return File();
  unz_file_info64 info;
  char entryName[512];
  if (unzGetCurrentFileInfo64(mZipfile, &info, entryName, sizeof(entryName), nullptr, 0, nullptr, 0) != UNZ_OK ||
      unzOpenCurrentFilePassword(mZipfile, nullptr) != UNZ_OK) {
    ZLK_LOG("warning", "app", "Could not open '%s' in zip '%s'", name.c_str(), getArchivePath().c_str());
    return File();
  }

  const unsigned long long declared = info.uncompressed_size;
  std::unique_ptr<FileStructure> file(new FileStructure(pFilename, 0, nullptr));
  std::unique_ptr<unsigned char[]> data;
  // a size the zip file cannot hold is damage, not a limit
  if (declared <= static_cast<unsigned long long>(mZipSize) * kMaxInflateRatio + 1024 && declared <= LONG_MAX) {
    std::string why;
    if (!claimReadBytes(static_cast<long long>(declared), why)) {
      unzCloseCurrentFile(mZipfile);
      ZLK_LOG("warning", "app", "Could not read '%s' from zip '%s': it inflates to %s", name.c_str(),
              getArchivePath().c_str(), why.c_str());
      return File();
    }
    file->claimed = static_cast<long long>(declared);
    data.reset(new (std::nothrow) unsigned char[declared]);
  }
  const long length = static_cast<long>(declared);
  long total = 0;
  int status = data ? UNZ_OK : UNZ_INTERNALERROR;
  while (status == UNZ_OK && total < length) {
    const long left = length - total;
    const unsigned chunk = static_cast<unsigned>(left < (1L << 30) ? left : (1L << 30));
    const int got = unzReadCurrentFile(mZipfile, data.get() + total, chunk);
    if (got < 0) status = got;
    if (got <= 0) break;
    total += got;
  }
  // Closing checks the CRC once everything was read.
  const int closed = unzCloseCurrentFile(mZipfile);
  if (status == UNZ_OK) status = closed;
  if (status == UNZ_OK && total != length) status = UNZ_BADZIPFILE;  // entry shorter than it claims
  if (status != UNZ_OK) {
    ZLK_LOG("warning", "app", "Could not read '%s' from zip '%s' (%s)", name.c_str(), getArchivePath().c_str(),
            describe(status));
    return File();
  }
  file->length = length;
  file->data = data.release();
  return File(file.release());
}

bool ArchiveZIP::write(File /*pFile*/) { return false; }

}  // namespace am
}  // namespace zelkor
