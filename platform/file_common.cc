// The parts of File and FileId that are the same on every system; the
// backends keep only what touches the handle itself (closing, I/O).
#include <utility>

#include "platform/files.h"

namespace platform {

bool operator==(const FileId& a, const FileId& b) {
  return a.valid && b.valid && a.device == b.device && a.inode == b.inode;
}

File::File(File&& other) noexcept : handle_(other.handle_), id_(other.id_) {
  other.handle_ = kNone;
  other.id_ = FileId();
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    // The old handle goes with `old`, through the backend's destructor.
    File old(std::move(*this));
    std::swap(handle_, other.handle_);
    std::swap(id_, other.id_);
  }
  return *this;
}

File File::Adopt(intptr_t handle, const FileId& id) {
  File file;
  file.handle_ = handle;
  file.id_ = id;
  return file;
}

}  // namespace platform
