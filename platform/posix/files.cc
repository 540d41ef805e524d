#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno;
  return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0 ? 0 : errno;
}

SysError RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

SysError RemoveEmptyDirectory(const std::string& path) {
  return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

std::string SysErrorText(SysError code) { return std::strerror(code); }

}  // namespace platform
