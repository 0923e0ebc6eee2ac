#include "am_filewatcher.h"

#include <errno.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace zelkor {
namespace am {

const double FileWatcher::kPollInterval = 0.2;

namespace {

double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Anything a save changes: the time, the size, and the file itself when a
// new one was renamed over it. 0 for a file that is not there.
long long stampOf(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return 0;
  // mixed in unsigned arithmetic, where wrapping is defined
  unsigned long long stamp = static_cast<unsigned long long>(info.st_mtim.tv_sec) * 1000000007ULL +
                             static_cast<unsigned long long>(info.st_mtim.tv_nsec);
  stamp = stamp * 31 + static_cast<unsigned long long>(info.st_size);
  stamp = stamp * 31 + static_cast<unsigned long long>(info.st_ino);
  return stamp == 0 ? 1 : static_cast<long long>(stamp);
}

void splitPath(const std::string& path, std::string& directory, std::string& file) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    directory = ".";
    file = path;
  } else {
    directory = slash == 0 ? std::string("/") : path.substr(0, slash);
    file = path.substr(slash + 1);
  }
}

}  // namespace

FileWatcher::FileWatcher(Mode mode) : mNotify(-1), mOwner(-1), mNextPoll(0.0) {
  if (mode != MODE_POLL) mNotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

FileWatcher::~FileWatcher() {
  if (mNotify >= 0) ::close(mNotify);
}

void FileWatcher::watch(const std::string& name, const std::string& path) {
  if (mFiles.count(name)) return;
  mFiles[name] = Entry{path, mOwner, stampOf(path)};
  if (mNotify < 0) return;
  std::string directory;
  std::string file;
  splitPath(path, directory, file);
  auto known = mDirectoryIds.find(directory);
  int id = -1;
  if (known != mDirectoryIds.end()) {
    id = known->second;
  } else {
    id = inotify_add_watch(mNotify, directory.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (id < 0) {
      // out of watches: the times are compared instead, for every file
      ::close(mNotify);
      mNotify = -1;
      return;
    }
    mDirectoryIds[directory] = id;
  }
  mDirectories[id].names[file].insert(name);
}

int FileWatcher::getOwner(const std::string& name) const {
  auto found = mFiles.find(name);
  return found == mFiles.end() ? -1 : found->second.owner;
}

void FileWatcher::poll(std::vector<std::string>& changed) {
  std::set<std::string> names;
  if (mNotify >= 0) {
    readNotices(names);
  } else {
    compareStamps(names);
  }
  changed.insert(changed.end(), names.begin(), names.end());
}

void FileWatcher::readNotices(std::set<std::string>& changed) {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t got = ::read(mNotify, buffer, sizeof(buffer));
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      return;  // EAGAIN: nothing more
    }
    for (ssize_t at = 0; at < got;) {
      const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        // notices were lost: anything may have changed
        for (const auto& file : mFiles) changed.insert(file.first);
        continue;
      }
      if (event->len == 0) continue;
      auto directory = mDirectories.find(event->wd);
      if (directory == mDirectories.end()) continue;
      auto names = directory->second.names.find(event->name);
      if (names == directory->second.names.end()) continue;
      changed.insert(names->second.begin(), names->second.end());
    }
  }
}

void FileWatcher::compareStamps(std::set<std::string>& changed) {
  const double t = now();
  if (t < mNextPoll) return;
  mNextPoll = t + kPollInterval;
  for (auto& file : mFiles) {
    const long long stamp = stampOf(file.second.path);
    // a file that is gone for a moment (between unlink and rename) is no change yet
    if (stamp == 0 || stamp == file.second.stamp) continue;
    file.second.stamp = stamp;
    changed.insert(file.first);
  }
}

}  // namespace am
}  // namespace zelkor
