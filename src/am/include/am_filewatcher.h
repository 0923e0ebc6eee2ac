#pragma once
// Tells which of the files read from directory archives changed on disk.
// The kernel's change notices are read without blocking, so a frame with no
// change costs one system call; without them the files' modification times
// are compared a few times a second. Directories are watched rather than
// files, so a file that an editor saves by writing a temporary and renaming
// it over the old one is seen too.

#include <map>
#include <set>
#include <string>
#include <vector>

namespace zelkor {
namespace am {

class FileWatcher {
 public:
  enum Mode { MODE_AUTO, MODE_NOTIFY, MODE_POLL };

  // MODE_AUTO takes the kernel's notices where they work.
  explicit FileWatcher(Mode mode = MODE_AUTO);
  ~FileWatcher();
  FileWatcher(const FileWatcher&) = delete;
  FileWatcher& operator=(const FileWatcher&) = delete;

  // Watches the file at `path`, reported under `name` (the name the archives
  // were asked for); `owner` is whatever the caller wants to know about who
  // read it first. Watching a name again keeps its first owner.
  void watch(const std::string& name, const std::string& path);
  // The owner given to files watched from now on (-1: none).
  void setOwner(int owner) { mOwner = owner; }
  int getOwner(const std::string& name) const;

  // Appends the names of the watched files that changed since the last
  // call, each once.
  void poll(std::vector<std::string>& changed);

  bool usesNotify() const { return mNotify >= 0; }
  size_t getWatchedCount() const { return mFiles.size(); }
  // Seconds between two looks at the modification times.
  static const double kPollInterval;

 private:
  struct Entry {
    std::string path;
    int owner;
    long long stamp;  // modification time and size, folded
  };
  struct Directory {
    std::map<std::string, std::set<std::string>> names;  // file name in the directory -> watched names
  };

  void readNotices(std::set<std::string>& changed);
  void compareStamps(std::set<std::string>& changed);

  int mNotify;  // the notice descriptor, -1 when polling
  int mOwner;
  std::map<std::string, Entry> mFiles;       // by watched name
  std::map<int, Directory> mDirectories;     // by notice watch descriptor
  std::map<std::string, int> mDirectoryIds;  // directory path -> watch descriptor
  double mNextPoll;
};

}  // namespace am
}  // namespace zelkor
