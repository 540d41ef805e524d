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
#include "launcher/startup/posix/held_directory.h"
#include "launcher/startup/startup_services.h"
#include "platform/files.h"

namespace launcher {
namespace {

// The unpack directory's descriptor while this process holds its lock; -1
// otherwise. Closed by whoever exchanges it out first (the console control
// path may run on another thread).
std::atomic<int> g_lock_fd{-1};

// A name swapped by the race with a finishing instance is taken afresh.
constexpr int kLockAttempts = 3;

std::string WithoutSeparator(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// T must be the user's or root's, and writable by nobody else unless it is
// sticky: otherwise another user may rename ZANTOR away under our feet.
bool TempDirectoryUsable(const std::string& temp, std::string* error) {
  if (temp.empty() || temp[0] != '/') {
    *error = "The temporary directory \"" + temp + "\" is not an absolute path (check TMPDIR)";
    return false;
  }
  struct stat st {};
  if (::stat(temp.c_str(), &st) != 0) {
    *error = "Cannot use the temporary directory " + temp + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *error = "The temporary directory " + temp + " is not a directory";
    return false;
  }
  if (st.st_uid != ::geteuid() && st.st_uid != 0) {
    *error = "The temporary directory " + temp + " belongs to user " + std::to_string(st.st_uid) +
             ", not to this user or root; refusing to use it";
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) {
    *error = "The temporary directory " + temp +
             " is writable by other users and not sticky; refusing to use it";
    return false;
  }
  return true;
}

// Opens the private directory `bare` without following a link and checks,
// on the descriptor, that it is still this user's own and closed to others.
int OpenPrivateDirectory(const std::string& bare, std::string* error) {
  const int fd = ::open(bare.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    *error = "Cannot open the directory " + bare + ": " + std::strerror(errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *error = "The directory " + bare + " changed while it was opened; refusing to use it";
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int HeldDirectoryFd() { return g_lock_fd.load(); }

int AcquireSingleInstance(const std::string& dir, std::string* error) {
  if (!TempDirectoryUsable(platform::TempPath(), error)) return kStartupPayloadNotWritten;
  const std::string bare = WithoutSeparator(dir);
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    if (!platform::EnsurePrivateDirectory(bare, error)) return kStartupPayloadNotWritten;
    const int fd = OpenPrivateDirectory(bare, error);
    if (fd < 0) return kStartupPayloadNotWritten;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int reason = errno;
      ::close(fd);
      if (reason == EWOULDBLOCK) return kStartupAlreadyRunning;
      *error = "Cannot lock the directory " + bare + ": " + std::strerror(reason);
      return kStartupPayloadNotWritten;
    }
    // An instance that has just finished removes the directory before it
    // lets go of the lock: a lock on a removed directory is taken again.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) == 0 && held.st_nlink > 0 && ::lstat(bare.c_str(), &named) == 0 &&
        named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
      const int previous = g_lock_fd.exchange(fd);
      if (previous >= 0) ::close(previous);
      return kStartupOk;
    }
    ::close(fd);
  }
  *error = "The directory " + bare + " keeps changing; refusing to use it";
  return kStartupPayloadNotWritten;
}

void ReleaseSingleInstance() {
  const int fd = g_lock_fd.exchange(-1);
  if (fd >= 0) ::close(fd);
}

bool HoldsSingleInstance() { return g_lock_fd.load() >= 0; }

std::string HeldDirectoryPath(const std::string& dir) {
  const int fd = g_lock_fd.load();
  if (fd < 0) return dir;
  const std::string held = "/proc/self/fd/" + std::to_string(fd) + "/";
  // Without /proc the name is all there is (the checked T keeps it ours).
  return ::access(held.c_str(), X_OK) == 0 ? held : dir;
}

bool ChangeDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

UnzipLibraryResource UnzipLibrary() { return {"RCDATA", "1", "libunzip.so"}; }

const char* ViewerRelativePath() { return "Terma/Terma"; }
const char* ZantorFileName() { return "Zantor"; }

}  // namespace launcher
