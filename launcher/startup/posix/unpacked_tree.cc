#include "launcher/startup/posix/unpacked_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "launcher/startup/posix/directory_entries.h"

namespace launcher {
namespace {

void Tame(int dir_fd, mode_t mask, int depth) {
  const DirectoryEntries dir(dir_fd, /*skip_dot_files=*/false);
  if (!dir.ok()) return;
  const int fd = dir.fd();
  for (const std::string& name : dir.names()) {
    struct stat st {};
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      ::unlinkat(fd, name.c_str(), 0);
    } else if (S_ISREG(st.st_mode)) {
      ::fchmodat(fd, name.c_str(), st.st_mode & 0777 & ~mask, 0);
    } else if (S_ISDIR(st.st_mode) && depth < kMaxTreeDepth) {
      const int child = dir.OpenChild(name);
      if (child < 0) continue;
      ::fchmod(child, (st.st_mode & 0777 & ~mask) | S_IRWXU);
      Tame(child, mask, depth + 1);
    }
  }
}

}  // namespace

void TameUnpackedTree() {
  // umask can only be read by setting it; nothing else creates files now.
  const mode_t mask = ::umask(077);
  ::umask(mask);
  const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) Tame(fd, mask, 0);
}

}  // namespace launcher
