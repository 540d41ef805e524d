#include "tools/boardsim/sim_log.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace boardsim {

namespace {
int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
}  // namespace

SimLog::SimLog() : startNs_(MonotonicNs()) {}

SimLog::~SimLog() {
  if (ownsFd_) close(fd_);
}

bool SimLog::Open(const std::string& path, std::string& err) {
  if (path.empty()) return true;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    err = path + ": " + std::strerror(errno);
    return false;
  }
  if (ownsFd_) close(fd_);
  fd_ = fd;
  ownsFd_ = true;
  return true;
}

int64_t SimLog::NowMs() const { return (MonotonicNs() - startNs_) / 1000000; }

void SimLog::Line(const char* fmt, ...) {
  char buf[1024];
  int n = std::snprintf(buf, sizeof buf, "t=%lld ", static_cast<long long>(NowMs()));
  va_list ap;
  va_start(ap, fmt);
  int m = std::vsnprintf(buf + n, sizeof buf - static_cast<size_t>(n) - 1, fmt, ap);
  va_end(ap);
  size_t len =
      static_cast<size_t>(n) + (m < 0 ? 0 : std::min(static_cast<size_t>(m), sizeof buf - n - 2));
  buf[len++] = '\n';
  size_t off = 0;
  while (off < len) {
    ssize_t w = write(fd_, buf + off, len - off);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;  // a lost log line must not stop the boards
    off += static_cast<size_t>(w);
  }
}

}  // namespace boardsim
