#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "tests/platform/loopback_peers.h"

namespace loopback {
namespace {

// Winsock must be started before the first socket; the peers share one
// start for the life of the test process.
class WinsockUse {
 public:
  WinsockUse() {
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockUse() {
    if (started_) WSACleanup();
  }
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;

 private:
  bool started_ = false;
};

class Socket {
 public:
  explicit Socket(SOCKET s) : s_(s) {}
  ~Socket() { Reset(); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return s_; }
  void Reset() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = INVALID_SOCKET;
  }

 private:
  SOCKET s_;
};

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return sa;
}

uint16_t BoundPort(SOCKET s) {
  sockaddr_in sa{};
  int len = sizeof sa;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
  return ntohs(sa.sin_port);
}

bool WaitReadable(SOCKET s, int timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &limit) > 0;
}

// Bound to 127.0.0.1 at a port of the system's choice; INVALID_SOCKET on
// failure.
SOCKET BoundLoopbackSocket() {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  const sockaddr_in sa = Loopback(0);
  if (bind(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

class Win32Stream final : public TcpStream {
 public:
  explicit Win32Stream(SOCKET s) : s_(s) {}
  int Receive(uint8_t* buffer, size_t size, int timeout_ms) override {
    if (!WaitReadable(s_.get(), timeout_ms)) return -1;
    const int n = recv(s_.get(), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    return n == SOCKET_ERROR ? -1 : n;
  }
  bool SendAll(const std::string& bytes) override {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const int n = send(s_.get(), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
      if (n == SOCKET_ERROR || n == 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }
  void Reset() override {
    const linger hard{1, 0};
    setsockopt(s_.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    s_.Reset();
  }

 private:
  Socket s_;
};

class Win32Listener final : public TcpListener {
 public:
  explicit Win32Listener(SOCKET s) : s_(s), port_(BoundPort(s)) {}
  uint16_t port() const override { return port_; }
  std::unique_ptr<TcpStream> Accept(int timeout_ms) override {
    if (!WaitReadable(s_.get(), timeout_ms)) return nullptr;
    const SOCKET s = accept(s_.get(), nullptr, nullptr);
    if (s == INVALID_SOCKET) return nullptr;
    return std::make_unique<Win32Stream>(s);
  }

 private:
  Socket s_;
  uint16_t port_;
};

class Win32PortHolder final : public PortHolder {
 public:
  explicit Win32PortHolder(SOCKET s) : s_(s), port_(BoundPort(s)) {}
  uint16_t port() const override { return port_; }

 private:
  Socket s_;
  uint16_t port_;
};

class Win32PipeHolder final : public PipeHolder {
 public:
  explicit Win32PipeHolder(HANDLE h) : h_(h) {}
  ~Win32PipeHolder() override { CloseHandle(h_); }

 private:
  HANDLE h_;
};

void StartWinsock() { static WinsockUse use; }

}  // namespace

uint16_t BoundPort(platform::SocketHandle socket) { return BoundPort(static_cast<SOCKET>(socket)); }

std::unique_ptr<TcpListener> ListenOnLoopback() {
  StartWinsock();
  const SOCKET s = BoundLoopbackSocket();
  if (s == INVALID_SOCKET) return nullptr;
  if (listen(s, 4) != 0) {
    closesocket(s);
    return nullptr;
  }
  return std::make_unique<Win32Listener>(s);
}

std::unique_ptr<PortHolder> HoldClosedPort() {
  StartWinsock();
  const SOCKET s = BoundLoopbackSocket();
  if (s == INVALID_SOCKET) return nullptr;
  return std::make_unique<Win32PortHolder>(s);
}

std::string UsePrivatePipeName() { return "\\\\.\\pipe\\KavroRollcast"; }

std::unique_ptr<PipeHolder> HoldPipe(const std::string& name, const std::string& bytes) {
  const HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  auto holder = std::make_unique<Win32PipeHolder>(h);
  DWORD count = 0;
  if (!bytes.empty() &&
      (!WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) ||
       count != bytes.size())) {
    return nullptr;
  }
  return holder;
}

}  // namespace loopback
