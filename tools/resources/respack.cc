// Appends resources to a program file in the container format of
// platform/resource_container.h; the build runs it on every link of a program
// that carries resources. A container already at the end is replaced, so
// running it twice gives the same file.
//
//   respack PROGRAM TYPE NAME FILE [TYPE NAME FILE ...]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/resource_container.h"
#include "platform/posix/unique_fd.h"

namespace {

using platform::UniqueFd;

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAt(int fd, uint64_t offset, uint8_t* out, size_t size) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

// Where the program proper ends: before a valid container, else the end.
bool ProgramEnd(int fd, uint64_t file_size, uint64_t* end) {
  *end = file_size;
  uint8_t trailer[platform::kContainerTrailerSize] = {};
  if (file_size < sizeof trailer) return true;
  if (!ReadAt(fd, file_size - sizeof trailer, trailer, sizeof trailer)) return false;
  platform::ContainerLayout layout;
  const platform::ContainerStatus status =
      platform::ParseContainerTrailer(trailer, file_size, &layout);
  if (status == platform::ContainerStatus::kAbsent) return true;
  if (status == platform::ContainerStatus::kDamaged) return false;
  std::vector<uint8_t> directory(static_cast<size_t>(layout.directorySize));
  std::vector<platform::ContainerEntry> entries;
  if (!ReadAt(fd, layout.directoryOffset, directory.data(), directory.size()) ||
      platform::ParseContainerDirectory(directory.data(), layout, &entries) !=
          platform::ContainerStatus::kOk) {
    return false;
  }
  *end = layout.start;
  return true;
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "respack: %s: %s\n", what.c_str(), std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fprintf(stderr, "usage: %s PROGRAM TYPE NAME FILE [TYPE NAME FILE ...]\n", argv[0]);
    return 2;
  }
  const std::string program = argv[1];
  UniqueFd out(::open(program.c_str(), O_RDWR | O_CLOEXEC));
  if (out.get() < 0) return Fail("cannot open " + program);
  struct stat st {};
  if (::fstat(out.get(), &st) != 0) return Fail("cannot stat " + program);
  uint64_t start = 0;
  if (!ProgramEnd(out.get(), static_cast<uint64_t>(st.st_size), &start)) {
    errno = EINVAL;
    return Fail(program + " ends in a damaged container");
  }
  if (::ftruncate(out.get(), static_cast<off_t>(start)) != 0 ||
      ::lseek(out.get(), static_cast<off_t>(start), SEEK_SET) < 0) {
    return Fail("cannot rewrite " + program);
  }

  std::vector<platform::ContainerEntry> entries;
  uint64_t offset = 0;
  std::vector<uint8_t> buffer(1 << 20);
  for (int i = 2; i < argc; i += 3) {
    platform::ContainerEntry entry;
    entry.type = argv[i];
    entry.name = argv[i + 1];
    entry.offset = offset;
    UniqueFd in(::open(argv[i + 2], O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return Fail(std::string("cannot open ") + argv[i + 2]);
    for (;;) {
      const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Fail(std::string("cannot read ") + argv[i + 2]);
      if (n == 0) break;
      if (!WriteAll(out.get(), buffer.data(), static_cast<size_t>(n))) {
        return Fail("cannot write " + program);
      }
      entry.size += static_cast<uint64_t>(n);
    }
    offset += entry.size;
    entries.push_back(entry);
  }
  const std::vector<uint8_t> tail = platform::EncodeContainerTail(entries, start, offset);
  if (tail.empty()) {
    errno = EINVAL;
    return Fail("resource type and name must be 1 to 255 characters");
  }
  if (!WriteAll(out.get(), tail.data(), tail.size()) || out.Close() != 0) {
    return Fail("cannot write " + program);
  }
  return 0;
}
