// The progress pipe as a Unix-domain stream socket.
//
// A named pipe with one instance refuses a second client at once
// (ERROR_PIPE_BUSY) while the first is served. A listening socket would
// queue it instead, so the listener keeps its only backlog slot taken
// while a client is served: it listens with a backlog of 0 (one slot on
// Linux) and, on accepting a client, connects a "plug" of its own into that
// slot. A client then gets EAGAIN from its non-blocking connect, as it
// would get ERROR_PIPE_BUSY. The plug is taken out again before the reply
// goes out, so the client's next message finds the slot free; with a
// single instance only after the client has closed, as a Windows pipe of
// one instance is free again only then.
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "tools/pipeserver/pipe_listener.h"

namespace pipeserver {
namespace {

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

int PollFor(int fd, short events, int timeout_ms) {
  pollfd p{fd, events, 0};
  int n;
  do {
    n = poll(&p, 1, timeout_ms);
  } while (n < 0 && errno == EINTR);
  return n;
}

class UnixListener;

class UnixClient final : public PipeClient {
 public:
  UnixClient(int fd, UnixListener* owner) : fd_(fd), owner_(owner) {}
  ~UnixClient() override { Disconnect(); }

  int ReadMessage(uint8_t* buffer, int size, int timeout_ms) override;
  bool Reply(int32_t value) override;
  void Disconnect() override;

 private:
  Descriptor fd_;
  UnixListener* owner_;
};

class UnixListener final : public PipeListener {
 public:
  explicit UnixListener(bool single) : single_(single) {}
  ~UnixListener() override { Vanish(); }
  bool single() const { return single_; }

  bool Listen(const std::string& name, std::string* error) override {
    Vanish();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.empty() || name.size() >= sizeof address.sun_path) {
      *error = "socket path empty or too long: " + name;
      return false;
    }
    std::memcpy(address.sun_path, name.data(), name.size());
    Descriptor fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) {
      *error = std::string("socket: ") + std::strerror(errno);
      return false;
    }
    const auto* sa = reinterpret_cast<const sockaddr*>(&address);
    if (bind(fd.get(), sa, sizeof address) != 0) {
      const int bind_error = errno;
      if (bind_error != EADDRINUSE || !RemoveStale(address)) {
        *error =
            name + ": " +
            (bind_error == EADDRINUSE ? "a server is there already" : std::strerror(bind_error));
        return false;
      }
      if (bind(fd.get(), sa, sizeof address) != 0) {
        *error = name + ": " + std::strerror(errno);
        return false;
      }
    }
    if (listen(fd.get(), 0) != 0) {
      *error = std::string("listen: ") + std::strerror(errno);
      unlink(name.c_str());
      return false;
    }
    address_ = address;
    path_ = name;
    listen_fd_.Reset(fd.Release());
    return true;
  }

  std::unique_ptr<PipeClient> Accept(int timeout_ms) override {
    if (listen_fd_.get() < 0) return nullptr;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (PollFor(listen_fd_.get(), POLLIN, static_cast<int>(std::max<int64_t>(left.count(), 0))) <=
          0) {
        return nullptr;
      }
      const int fd = accept4(listen_fd_.get(), nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        if (Clock::now() >= deadline) return nullptr;
        continue;
      }
      if (IsPlug(fd)) {  // left over; cannot happen while Unplug runs first
        close(fd);
        plug_.Reset();
        continue;
      }
      Plug();
      return std::make_unique<UnixClient>(fd, this);
    }
  }

  void Vanish() override {
    sealed_ = false;
    plug_.Reset();
    if (listen_fd_.get() >= 0) {
      listen_fd_.Reset();
      // Only a socket is removed; any other file put there since stays.
      struct stat st {};
      if (lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) unlink(path_.c_str());
    }
  }

  void Seal() override { sealed_ = true; }

  // Frees the backlog slot for the next client; called before a client's
  // connection ends.
  void Unplug() {
    if (plug_.get() < 0 || sealed_) return;
    // The plug sits in the slot, so it is accepted at once; anything else
    // accepted here would be a client that beat it there, which cannot be
    // since the slot holds one.
    if (PollFor(listen_fd_.get(), POLLIN, 0) > 0) {
      const int fd = accept4(listen_fd_.get(), nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) close(fd);
    }
    plug_.Reset();
  }

 private:
  // A socket file that refuses connections was left by a server that died.
  bool RemoveStale(const sockaddr_un& address) {
    struct stat st {};
    if (lstat(address.sun_path, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
    Descriptor probe(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (probe.get() < 0) return false;
    if (connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
        errno != ECONNREFUSED) {
      return false;  // a live server
    }
    return unlink(address.sun_path) == 0;
  }

  void Plug() {
    plug_.Reset(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (plug_.get() < 0) return;
    // An automatic abstract name tells the plug apart from clients, which
    // connect unnamed.
    sockaddr_un self{};
    self.sun_family = AF_UNIX;
    socklen_t len = sizeof self;
    if (bind(plug_.get(), reinterpret_cast<const sockaddr*>(&self), sizeof(sa_family_t)) != 0 ||
        getsockname(plug_.get(), reinterpret_cast<sockaddr*>(&self), &len) != 0 ||
        connect(plug_.get(), reinterpret_cast<const sockaddr*>(&address_), sizeof address_) != 0) {
      // EAGAIN: a client reached the slot first and is next in line.
      plug_.Reset();
      return;
    }
    plug_name_ = self;
    plug_name_len_ = len;
  }

  bool IsPlug(int fd) const {
    if (plug_.get() < 0) return false;
    sockaddr_un peer{};
    socklen_t len = sizeof peer;
    return getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0 &&
           len == plug_name_len_ && std::memcmp(&peer, &plug_name_, len) == 0;
  }

  bool single_;
  bool sealed_ = false;
  Descriptor listen_fd_;
  Descriptor plug_;
  sockaddr_un address_{};
  sockaddr_un plug_name_{};
  socklen_t plug_name_len_ = 0;
  std::string path_;
};

int UnixClient::ReadMessage(uint8_t* buffer, int size, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  int got = 0;
  while (got < size) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (PollFor(fd_.get(), POLLIN, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0) {
      return got;
    }
    const ssize_t n = recv(fd_.get(), buffer + got, static_cast<size_t>(size - got), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return got;
    got += static_cast<int>(n);
  }
  // The client writes its message in one go and then waits, so anything
  // more is already here.
  uint8_t extra[4096];
  for (;;) {
    const ssize_t n = recv(fd_.get(), extra, sizeof extra, MSG_DONTWAIT);
    if (n <= 0 || got > (1 << 20)) break;
    got += static_cast<int>(n);
  }
  return got;
}

bool UnixClient::Reply(int32_t value) {
  if (fd_.get() < 0) return false;
  if (!owner_->single()) owner_->Unplug();
  const uint32_t v = static_cast<uint32_t>(value);
  const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                            static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  // The reply stays readable after the close; a socket keeps what was sent.
  const ssize_t n = send(fd_.get(), bytes, sizeof bytes, MSG_NOSIGNAL);
  const bool ok = n == static_cast<ssize_t>(sizeof bytes);
  if (ok && owner_->single()) {
    // Free only once the client has closed, as a pipe of one instance.
    uint8_t ignored[16];
    while (PollFor(fd_.get(), POLLIN, 2000) > 0 &&
           recv(fd_.get(), ignored, sizeof ignored, 0) > 0) {
    }
  }
  Disconnect();
  return ok;
}

void UnixClient::Disconnect() {
  if (fd_.get() < 0) return;
  if (owner_->single()) {
    fd_.Reset();
    owner_->Unplug();
  } else {
    owner_->Unplug();
    fd_.Reset();
  }
}

}  // namespace

std::unique_ptr<PipeListener> CreatePipeListener(bool single_instance) {
  return std::make_unique<UnixListener>(single_instance);
}

std::string DefaultPipeName() {
  const char* path = std::getenv("ZANTOR_PIPE");
  return path && *path ? std::string(path) : std::string("/tmp/KavroRollcast");
}

}  // namespace pipeserver
