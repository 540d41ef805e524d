// The owner of one POSIX file descriptor, shared by the POSIX backends.
#ifndef PLATFORM_POSIX_UNIQUE_FD_H_
#define PLATFORM_POSIX_UNIQUE_FD_H_

#include <unistd.h>

namespace platform {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  // close() reports delayed write errors, so a writer must see its result.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

}  // namespace platform

#endif  // PLATFORM_POSIX_UNIQUE_FD_H_
