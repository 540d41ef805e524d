#include "platform/resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/resource_container.h"
#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

// All of [offset, offset + size) or false; a short read means the file
// changed under us and counts as a failure.
bool ReadAt(int fd, uint64_t offset, uint8_t* out, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

ResourceError LoadFromFile(const std::string& path, const std::string& type,
                           const std::string& name, Resource* out) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return ResourceError::kProgramNotOpened;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ResourceError::kProgramNotOpened;
  const auto file_size = static_cast<uint64_t>(st.st_size);

  uint8_t trailer[kContainerTrailerSize] = {};
  if (file_size >= kContainerTrailerSize &&
      !ReadAt(fd.get(), file_size - kContainerTrailerSize, trailer, sizeof trailer)) {
    return ResourceError::kReadFailed;
  }
  ContainerLayout layout;
  switch (ParseContainerTrailer(trailer, file_size, &layout)) {
    case ContainerStatus::kOk:
      break;
    case ContainerStatus::kAbsent:
      return ResourceError::kNoResources;
    case ContainerStatus::kDamaged:
      return ResourceError::kDamaged;
  }
  std::vector<uint8_t> directory(static_cast<size_t>(layout.directorySize));
  if (!ReadAt(fd.get(), layout.directoryOffset, directory.data(), directory.size())) {
    return ResourceError::kReadFailed;
  }
  std::vector<ContainerEntry> entries;
  if (ParseContainerDirectory(directory.data(), layout, &entries) != ContainerStatus::kOk) {
    return ResourceError::kDamaged;
  }
  const ContainerEntry* entry = FindContainerEntry(entries, type, name);
  if (entry == nullptr) return ResourceError::kNotFound;

  // The directory check keeps the size within the file.
  std::vector<uint8_t> bytes(static_cast<size_t>(entry->size));
  if (!ReadAt(fd.get(), layout.start + entry->offset, bytes.data(), bytes.size())) {
    return ResourceError::kReadFailed;
  }
  *out = Resource::FromBytes(std::move(bytes));
  return ResourceError::kNone;
}

}  // namespace

ResourceError LoadOwnResource(const std::string& type, const std::string& name, Resource* out) {
  return LoadFromFile("/proc/self/exe", type, name, out);
}

ResourceError LoadProgramResource(const std::string& program_path, const std::string& type,
                                  const std::string& name, Resource* out) {
  return LoadFromFile(program_path, type, name, out);
}

}  // namespace platform
