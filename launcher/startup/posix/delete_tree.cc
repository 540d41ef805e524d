// Tree removal that works on descriptors, so a link anywhere in the tree is
// removed as a link and never entered, and a directory swapped for a link
// between two calls is refused by O_NOFOLLOW.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "launcher/startup/launcher_startup.h"
#include "launcher/startup/posix/directory_entries.h"
#include "launcher/startup/posix/held_directory.h"
#include "launcher/startup/startup_services.h"
#include "platform/host.h"

namespace launcher {
namespace {

void DeleteContents(int dir_fd, const std::string& shown_path, int depth) {
  // Dot-files stay (and keep their directory).
  const DirectoryEntries dir(dir_fd, /*skip_dot_files=*/true);
  if (!dir.ok()) return;
  const int fd = dir.fd();
  for (const std::string& name : dir.names()) {
    struct stat st {};
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISDIR(st.st_mode)) {
      ::unlinkat(fd, name.c_str(), 0);
      continue;
    }
    if (depth >= kMaxTreeDepth) continue;
    const int child = dir.OpenChild(name);
    if (child < 0) continue;
    // The owner's rights, as FILE_ATTRIBUTE_NORMAL would give them, so the
    // contents of a read-only directory can go.
    ::fchmod(child, (st.st_mode & 07777) | S_IRWXU);
    const std::string child_path = shown_path + "/" + name;
    DeleteContents(child, child_path, depth + 1);
    if (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) == 0) {
      platform::DebugTrace(child_path.c_str());
    }
  }
}

}  // namespace

void DeleteTree(const std::string& path) {
  std::string bare = path;
  // "dir/" would let the open follow a link at "dir", O_NOFOLLOW or not.
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  const int fd = ::open(bare.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  DeleteContents(fd, bare, 0);
}

platform::SysError RemoveUnpackDirectoryOnce(const std::string& dir) {
  std::string bare = dir;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  const int held = HeldDirectoryFd();
  if (held < 0) {
    DeleteTree(bare);
    return ::rmdir(bare.c_str()) == 0 ? 0 : errno;
  }
  // Through the directory this process made and locked: whatever now stands
  // at its name (a link to elsewhere, say) is never entered.
  const int fd = ::openat(held, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat own {};
  ::fstat(fd, &own);
  DeleteContents(fd, bare, 0);
  struct stat named {};
  if (::lstat(bare.c_str(), &named) != 0) return 0;
  if (named.st_dev != own.st_dev || named.st_ino != own.st_ino) {
    platform::DebugTrace((bare + " is no longer the unpack directory; left alone").c_str());
    return 0;
  }
  return ::rmdir(bare.c_str()) == 0 ? 0 : errno;
}

}  // namespace launcher
