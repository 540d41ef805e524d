// Single instance, unpack directory and unzip library file on Linux.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "launcher/startup/launcher_startup.h"
#include "launcher/startup/startup_services.h"
#include "platform/files.h"

namespace launcher {
namespace {

// The descriptor of the lock file while this process holds it; -1 otherwise.
// Closed by whoever exchanges it out first (the console control path may run
// on another thread).
std::atomic<int> g_lock_fd{-1};

}  // namespace

bool AcquireSingleInstance() {
  const std::string temp = platform::TempPath();
  if (temp.empty()) return false;
  const std::string path = temp + kSingleInstanceName + ".lock";
  // O_NOFOLLOW: a link planted in a shared /tmp cannot point the open
  // elsewhere. The file is never removed, so two runs always lock one inode.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  const int previous = g_lock_fd.exchange(fd);
  if (previous >= 0) ::close(previous);
  return true;
}

void ReleaseSingleInstance() {
  const int fd = g_lock_fd.exchange(-1);
  if (fd >= 0) ::close(fd);
}

bool HoldsSingleInstance() { return g_lock_fd.load() >= 0; }

bool ChangeDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

UnzipLibraryResource UnzipLibrary() { return {"RCDATA", "1", "libunzip.so"}; }

const char* ViewerRelativePath() { return "Terma/Terma"; }
const char* ZantorFileName() { return "Zantor"; }

}  // namespace launcher
