#include "am_archivedirectory.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <new>

#include "zlk_file.h"
#include "zlk_system.h"

namespace zelkor {
namespace am {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Leading separators dropped; false when a ".." segment climbs above the
// start of the name.
bool relativeInside(const std::string& name, std::string& relative) {
  size_t begin = 0;
  while (begin < name.size() && isSeparator(name[begin])) ++begin;
  int depth = 0;
  size_t start = begin;
  for (size_t i = begin; i <= name.size(); ++i) {
    if (i < name.size() && !isSeparator(name[i])) continue;
    const size_t length = i - start;
    if (length == 2 && name.compare(start, 2, "..") == 0) {
      if (--depth < 0) return false;
    } else if (length > 0 && !(length == 1 && name[start] == '.')) {
      ++depth;
    }
    start = i + 1;
  }
  relative = name.substr(begin);
  return true;
}

bool writeAll(int fd, const unsigned char* data, size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    length -= static_cast<size_t>(written);
  }
  return true;
}

// A new file next to target that nobody else is using; -1 on failure.
int openTemporary(const std::string& target, std::string& temporary) {
  // frames are written from several threads at once
  static std::atomic<unsigned> counter(0);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = target + ".tmp" + std::to_string(getpid()) + "." + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

ArchiveDirectory::ArchiveDirectory(const std::string& pPath) : ArchiveBase(pPath), mPath(pPath) {
  if (!mPath.empty() && !isSeparator(mPath[mPath.size() - 1])) mPath += "/";
}

bool ArchiveDirectory::resolve(const std::string& pFilename, std::string& pFullPath) const {
  std::string relative;
  if (!relativeInside(pFilename, relative)) {
    ZLK_LOG("warning", "app", "'%s' is outside the archive '%s'", pFilename.c_str(), mPath.c_str());
    return false;
  }
  pFullPath = mPath + relative;
  return true;
}

std::string ArchiveDirectory::getLocalPath(const std::string& pFilename) const {
  std::string path;
  return resolve(pFilename, path) ? path : std::string();
}

File ArchiveDirectory::read(const std::string& pFilename) {
  std::string path;
  if (!resolve(pFilename, path)) return File();
  // A named pipe would block the whole demo in open(); a directory opens
  // fine but has no sensible size.
  std::string why;
  const int fd = zlk_open_regular(path, why);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) ZLK_LOG("warning", "app", "Could not read '%s': %s", path.c_str(), why.c_str());
    return File();
  }
  struct stat info;
  const long long length = fstat(fd, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
  if (length < 0 || !claimReadBytes(length, why)) {
    ::close(fd);
    ZLK_LOG("warning", "app", "Could not read '%s': %s", path.c_str(), length < 0 ? "no size" : why.c_str());
    return File();
  }
  std::unique_ptr<FileStructure> file(new FileStructure(pFilename, static_cast<long>(length), nullptr));
  file->claimed = length;
  file->data = new (std::nothrow) unsigned char[length];
  size_t got = 0;
  while (file->data && got < static_cast<size_t>(length)) {
    const ssize_t part = ::read(fd, file->data + got, static_cast<size_t>(length) - got);
    if (part < 0 && errno == EINTR) continue;
    if (part <= 0) break;
    got += static_cast<size_t>(part);
  }
  ::close(fd);
  if (!file->data || got != static_cast<size_t>(length)) return File();
  return File(file.release());
}

bool ArchiveDirectory::write(File pFile) {
  if (pFile.isNull() || pFile->length < 0 || (pFile->length > 0 && !pFile->data)) return false;
  std::string path;
  if (!resolve(pFile->filename, path)) return false;
  // a link stays a link: its target is replaced
  path = zlk_write_target(path);

  // Written beside the target and renamed over it, so that readers never see
  // a half-written file.
  std::string temporary;
  int fd = openTemporary(path, temporary);
  if (fd < 0) {
    if (!createFullDirectory(path)) return false;
    fd = openTemporary(path, temporary);
    if (fd < 0) return false;
  }
  struct stat existing;
  const bool replacing = stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  if (replacing) fchmod(fd, existing.st_mode & 07777);

  bool ok = writeAll(fd, pFile->data, static_cast<size_t>(pFile->length));
  // a file put in place of another is on the disk before the old one goes,
  // so that a crash of the machine leaves one of them whole
  if (replacing) ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

bool ArchiveDirectory::createFullDirectory(const std::string& pPath) {
  const size_t first = pPath.find_first_not_of("/\\.");
  if (first == std::string::npos) return true;
  for (size_t i = first + 1; i < pPath.size(); ++i) {
    if (!isSeparator(pPath[i])) continue;
    const std::string directory = pPath.substr(0, i);
    if (mkdir(directory.c_str(), 0777) == 0) continue;
    struct stat info;
    if (errno != EEXIST || stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  }
  return true;
}

}  // namespace am
}  // namespace zelkor
