#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/profile_text.h"
#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

// Far beyond any settings file; a bigger one is not read at all rather
// than read in part.
constexpr off_t kMaxProfileFile = 16 * 1024 * 1024;

std::optional<std::string> ReadSmallFile(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxProfileFile) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd.get(), &bytes[done], bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;  // shrank while read: take what is there
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key) {
  const std::optional<std::string> bytes = ReadSmallFile(path);
  if (!bytes) return std::string();
  const std::optional<std::string> value =
      FindProfileValue(ProfileBytesToText(*bytes), section, key);
  return value ? FitProfileBuffer(*value, kProfileValueCapacity) : std::string();
}

}  // namespace platform
