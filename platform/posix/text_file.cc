#include "platform/text_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/posix/unique_fd.h"

namespace platform {

bool ReadTextLines(const std::string& path, std::vector<std::string>* lines, std::string* error) {
  lines->clear();
  auto fail = [&](const std::string& why) {
    *error = "Cannot open file \"" + path + "\". " + why;
    return false;
  };
  // Non-blocking, so that a FIFO chosen by mistake cannot hang the program.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return fail(std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return fail(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail(std::strerror(EISDIR));
  if (!S_ISREG(st.st_mode)) return fail("It is not a regular file.");
  if (static_cast<uint64_t>(st.st_size) > kTextFileMaxBytes) return fail(std::strerror(EFBIG));
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(std::strerror(errno));
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
    if (bytes.size() > kTextFileMaxBytes) return fail(std::strerror(EFBIG));  // still growing
  }
  // Linux keeps its texts in UTF-8: unmarked bytes are taken as they are.
  *lines = DecodeTextLines(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                           [](const char* b, size_t n) { return std::string(b, n); });
  return true;
}

}  // namespace platform
