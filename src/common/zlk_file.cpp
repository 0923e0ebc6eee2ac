#include "zlk_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace zelkor {

int zlk_open_regular(const std::string& path, std::string& why) {
  // a socket cannot even be opened; a pipe is checked again once open, in
  // case it took the place of a file meanwhile
  struct stat before;
  if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
    why = "not a regular file";
    errno = EINVAL;
    return -1;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    why = std::strerror(errno);
    return -1;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "not a regular file";
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  // reads of a regular file never wait anyway; later ones block as usual
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool zlk_read_regular(const std::string& path, std::string& text, std::string& why) {
  const int fd = zlk_open_regular(path, why);
  if (fd < 0) return false;
  text.clear();
  char block[65536];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof(block));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) why = std::strerror(errno);
    if (got <= 0) {
      ::close(fd);
      return got == 0;
    }
    text.append(block, static_cast<size_t>(got));
  }
}

std::string zlk_write_target(const std::string& path) {
  std::string target = path;
  // as many links as the system itself follows before it gives up
  for (int depth = 0; depth < 40; ++depth) {
    char link[PATH_MAX];
    const ssize_t length = ::readlink(target.c_str(), link, sizeof(link) - 1);
    if (length <= 0) break;
    const std::string to(link, static_cast<size_t>(length));
    const size_t slash = target.rfind('/');
    // a relative link is relative to the directory that holds it
    target = to[0] == '/' || slash == std::string::npos ? to : target.substr(0, slash + 1) + to;
  }
  return target;
}

std::string zlk_printable(const std::string& text, size_t limit) {
  std::string out;
  size_t used = 0;
  for (; used < text.size() && out.size() < limit; ++used) {
    const unsigned char c = static_cast<unsigned char>(text[used]);
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      out += escaped;
    }
  }
  if (used < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

}  // namespace zelkor
