#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

// The 260-byte buffer of GetTempPathA, kept so a path that works here would
// also have fitted there.
constexpr size_t kTempPathBuffer = 260;

}  // namespace

char PathSeparator() { return '/'; }

std::string TempPath() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = (dir != nullptr && dir[0] != '\0') ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  if (path.size() >= kTempPathBuffer) return std::string();
  return path;
}

SysError MakeDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

SysError WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) return errno;
  SysError error = 0;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd.get(), data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (fd.Close() != 0 && error == 0) error = errno;
  if (error != 0) ::unlink(path.c_str());
  return error;
}

SysError SetNormalAttributes(const std::string& path) {
  // Through a descriptor opened without following a link, so a link put in
  // the file's place never passes the change on to its target.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EPERM;
  return ::fchmod(fd.get(), (st.st_mode & 07777) | S_IWUSR) == 0 ? 0 : errno;
}

SysError RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

SysError RemoveEmptyDirectory(const std::string& path) {
  return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

namespace {

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

FileId IdOf(const struct stat& st) {
  FileId id;
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.valid = true;
  return id;
}

}  // namespace

bool EnsurePrivateDirectory(const std::string& path, std::string* error,
                            DirectoryRefusal* refusal) {
  DirectoryRefusal ignored;
  DirectoryRefusal& why = refusal != nullptr ? *refusal : ignored;
  why = DirectoryRefusal::kFailed;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = "Cannot create the directory " + path + ": " + std::strerror(errno);
    return false;
  }
  // Whether just made or found, the same checks: a name made by us can
  // still be replaced in a directory that is not sticky.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    *error = "Cannot examine the directory " + path + ": " + std::strerror(errno);
    return false;
  }
  const uid_t me = ::geteuid();
  // What another user may have put there: a private directory elsewhere will do.
  why = DirectoryRefusal::kNotOurs;
  if (S_ISLNK(st.st_mode)) {
    *error = path + " is a symbolic link, not a directory; refusing to use it";
    return false;
  }
  if (st.st_uid != me) {
    *error = "The directory " + path + " belongs to user " + std::to_string(st.st_uid) +
             ", not to this user (" + std::to_string(me) + "); refusing to use it";
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    why = DirectoryRefusal::kFailed;  // our own file: a mistake to report, not an attack
    *error = path + " exists and is not a directory";
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *error = "The directory " + path + " is writable by other users (mode " + ModeText(st.st_mode) +
             "); refusing to use it";
    return false;
  }
  why = DirectoryRefusal::kNone;
  return true;
}

namespace {

// XDG_RUNTIME_DIR when it is an absolute path to a real directory of this
// user's alone; a root shell may have inherited another user's.
std::string OwnRuntimeDirectory() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (dir == nullptr || dir[0] != '/') return std::string();
  struct stat st {};
  if (::lstat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return std::string();
  }
  return dir;
}

}  // namespace

bool MakeFallbackPrivateDirectory(const std::string& temp, const std::string& name,
                                  std::string* path, std::string* error) {
  std::string runtime = OwnRuntimeDirectory();
  if (!runtime.empty()) {
    if (runtime.back() != '/') runtime += '/';
    std::string refused;
    if (EnsurePrivateDirectory(runtime + name, &refused)) {
      *path = runtime + name;
      return true;
    }
  }
  std::string pattern = temp + name + ".XXXXXX";
  if (::mkdtemp(&pattern[0]) == nullptr) {
    *error = "Cannot create a private directory " + pattern + ": " + std::strerror(errno);
    return false;
  }
  *path = pattern;
  return true;
}

File::~File() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
}

SysError File::WriteAll(const uint8_t* data, size_t size) {
  if (handle_ == kNone) return EBADF;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(static_cast<int>(handle_), data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    done += static_cast<size_t>(n);
  }
  return 0;
}

SysError File::ReadAt(uint64_t offset, uint8_t* data, size_t size, size_t* got) const {
  *got = 0;
  if (handle_ == kNone) return EBADF;
  for (;;) {
    const ssize_t n = ::pread(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
    if (n >= 0) {
      *got = static_cast<size_t>(n);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

SysError File::Size(uint64_t* size) const {
  struct stat st {};
  if (::fstat(static_cast<int>(handle_), &st) != 0) return errno;
  *size = static_cast<uint64_t>(st.st_size);
  return 0;
}

SysError File::SetMode(unsigned mode) {
  return ::fchmod(static_cast<int>(handle_), static_cast<mode_t>(mode & 07777)) == 0 ? 0 : errno;
}

SysError File::Close() {
  if (handle_ == kNone) return EBADF;
  const int fd = static_cast<int>(handle_);
  handle_ = kNone;
  return ::close(fd) == 0 ? 0 : errno;
}

SysError CreateFreshFile(const std::string& path, File* out) {
  *out = File();
  // Two tries: an instance that stages at the same moment may take the
  // name between our removal and our creation.
  for (int attempt = 0;; ++attempt) {
    const SysError removed = RemoveNoFollow(path);
    if (removed != 0 && removed != ENOENT) return removed;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST && attempt == 0) continue;
      return errno;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      const SysError error = errno;
      ::close(fd);
      ::unlink(path.c_str());
      return error;
    }
    *out = File::Adopt(fd, IdOf(st));
    return 0;
  }
}

SysError OpenForReading(const std::string& path, File* out) {
  *out = File();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const SysError error = errno;
    ::close(fd);
    return error;
  }
  *out = File::Adopt(fd, IdOf(st));
  return 0;
}

SysError RemoveNoFollow(const std::string& path) {
  // unlink removes a link itself and refuses a directory (EISDIR on Linux,
  // EPERM elsewhere); a file's own permissions do not matter to it.
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

SysError RemoveIfSameFile(const std::string& path, const FileId& id) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode) || IdOf(st) != id) return EEXIST;
  return RemoveNoFollow(path);
}

}  // namespace platform

namespace platform {

SysError RemoveOwnFile(const std::string& path, File* file) {
  const SysError error = RemoveIfSameFile(path, file->id());
  file->Close();
  return error;
}

}  // namespace platform
