// One directory's entries read through its descriptor, for the walks that
// must never follow a link (tree removal, taming what unzip left).
#ifndef LAUNCHER_STARTUP_POSIX_DIRECTORY_ENTRIES_H_
#define LAUNCHER_STARTUP_POSIX_DIRECTORY_ENTRIES_H_

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace launcher {

// Far deeper than the payload; keeps a hostile tree from exhausting the stack.
constexpr int kMaxTreeDepth = 64;

// Takes over dir_fd and closes it. The names are read at once, so the walk
// may remove entries while it goes through them.
class DirectoryEntries {
 public:
  DirectoryEntries(int dir_fd, bool skip_dot_files) : dir_(::fdopendir(dir_fd)) {
    if (dir_ == nullptr) {
      ::close(dir_fd);
      return;
    }
    while (dirent* entry = ::readdir(dir_)) {
      const std::string name = entry->d_name;
      if (name == "." || name == ".." || (skip_dot_files && name[0] == '.')) continue;
      names_.push_back(name);
    }
  }
  ~DirectoryEntries() {
    if (dir_ != nullptr) ::closedir(dir_);
  }
  DirectoryEntries(const DirectoryEntries&) = delete;
  DirectoryEntries& operator=(const DirectoryEntries&) = delete;

  bool ok() const { return dir_ != nullptr; }
  int fd() const { return ::dirfd(dir_); }
  const std::vector<std::string>& names() const { return names_; }

  // A subdirectory by name; -1 when it is not one, or is a link.
  int OpenChild(const std::string& name) const {
    return ::openat(fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  }

 private:
  DIR* dir_;
  std::vector<std::string> names_;
};

}  // namespace launcher

#endif  // LAUNCHER_STARTUP_POSIX_DIRECTORY_ENTRIES_H_
