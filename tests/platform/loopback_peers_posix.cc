#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tests/platform/loopback_peers.h"

namespace loopback {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

uint16_t BoundPort(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
  return ntohs(sa.sin_port);
}

bool WaitReadable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeout_ms) > 0;
}

class PosixStream final : public TcpStream {
 public:
  explicit PosixStream(int fd) : fd_(fd) {}
  int Receive(uint8_t* buffer, size_t size, int timeout_ms) override {
    if (!WaitReadable(fd_.get(), timeout_ms)) return -1;
    const ssize_t n = recv(fd_.get(), buffer, size, 0);
    return n < 0 ? -1 : static_cast<int>(n);
  }
  bool SendAll(const std::string& bytes) override {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = send(fd_.get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }
  void Reset() override {
    const linger hard{1, 0};
    setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    fd_.Reset();
  }

 private:
  Fd fd_;
};

class PosixListener final : public TcpListener {
 public:
  explicit PosixListener(int fd) : fd_(fd), port_(BoundPort(fd)) {}
  uint16_t port() const override { return port_; }
  std::unique_ptr<TcpStream> Accept(int timeout_ms) override {
    if (!WaitReadable(fd_.get(), timeout_ms)) return nullptr;
    const int fd = accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixStream>(fd);
  }

 private:
  Fd fd_;
  uint16_t port_;
};

class PosixPortHolder final : public PortHolder {
 public:
  explicit PosixPortHolder(int fd) : fd_(fd), port_(BoundPort(fd)) {}
  uint16_t port() const override { return port_; }

 private:
  Fd fd_;
  uint16_t port_;
};

class PosixPipeHolder final : public PipeHolder {
 public:
  explicit PosixPipeHolder(int fd) : fd_(fd) {}

 private:
  Fd fd_;
};

}  // namespace

uint16_t BoundPort(platform::SocketHandle socket) { return BoundPort(static_cast<int>(socket)); }

std::unique_ptr<TcpListener> ListenOnLoopback() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  const sockaddr_in sa = Loopback(0);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, 4) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixListener>(fd);
}

std::unique_ptr<PortHolder> HoldClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  const sockaddr_in sa = Loopback(0);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixPortHolder>(fd);
}

std::string UsePrivatePipeName() {
  static std::atomic<int> serial{0};
  const char* dir = std::getenv("TMPDIR");
  const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/zantor-pipe-test-" +
                           std::to_string(getpid()) + "-" + std::to_string(++serial);
  unlink(path.c_str());
  setenv("ZANTOR_PIPE", path.c_str(), 1);
  return path;
}

std::unique_ptr<PipeHolder> HoldPipe(const std::string& name, const std::string& bytes) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (name.size() >= sizeof address.sun_path) return nullptr;
  std::memcpy(address.sun_path, name.data(), name.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  auto holder = std::make_unique<PosixPipeHolder>(fd);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return nullptr;
  if (!bytes.empty() &&
      send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
    return nullptr;
  }
  return holder;
}

}  // namespace loopback
