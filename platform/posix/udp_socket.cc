// UDP through BSD sockets. Non-blocking, since readiness comes from the
// event loop, as WSAAsyncSelect makes a Winsock socket non-blocking.
#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

class PosixUdpApi final : public UdpApi {
 public:
  int Startup(uint16_t wanted, uint16_t* granted) override {
    *granted = wanted;  // no socket library to start
    return 0;
  }
  void Cleanup() override {}

  SocketHandle Create() override {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    // An ordinary request is capped at net.core.rmem_max; root may pass it.
    // A smaller buffer still works, replies past it come with the retries.
    const int wanted = kSearchReceiveBuffer;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    if (ReceiveBufferBytes(fd) / 2 < wanted) {
      setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted);
    }
    return fd;
  }

  int ReceiveBufferBytes(SocketHandle s) override {
    int size = 0;
    socklen_t length = sizeof size;
    if (getsockopt(static_cast<int>(s), SOL_SOCKET, SO_RCVBUF, &size, &length) != 0) return 0;
    return size;
  }

  bool Bind(SocketHandle s, uint32_t address, uint16_t port) override {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;
    return bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  }

  bool SetBroadcast(SocketHandle s, bool on) override {
    const int value = on ? 1 : 0;
    return setsockopt(static_cast<int>(s), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0;
  }

  int SendTo(SocketHandle s, const uint8_t* data, int length, uint32_t address,
             uint16_t port) override {
    if (length < 0) return -1;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;
    const ssize_t n = sendto(static_cast<int>(s), data, static_cast<size_t>(length), MSG_NOSIGNAL,
                             reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    return n < 0 ? -1 : static_cast<int>(n);
  }

  int ReceiveFrom(SocketHandle s, uint8_t* buffer, int size, std::string* from,
                  uint16_t* port) override {
    if (size < 0) return -1;
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    // MSG_TRUNC makes the kernel report the datagram's real length, so an
    // oversized one is refused as Winsock refuses it, not cut short.
    const ssize_t n = recvfrom(static_cast<int>(s), buffer, static_cast<size_t>(size), MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&sa), &len);
    if (n < 0 || n > size) return -1;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
    if (from) *from = text;
    if (port) *port = ntohs(sa.sin_port);
    return static_cast<int>(n);
  }

  void ShutdownAndClose(SocketHandle s) override {
    shutdown(static_cast<int>(s), SHUT_RDWR);
    close(static_cast<int>(s));
  }

  uint32_t ParseAddress(const std::string& text) override { return inet_addr(text.c_str()); }

  Readiness WaitReadable(SocketHandle s, int timeout_ms) override {
    pollfd p{static_cast<int>(s), POLLIN, 0};
    int r;
    do {
      r = poll(&p, 1, timeout_ms);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return Readiness::kFailed;
    if (r == 0) return Readiness::kTimedOut;
    return (p.revents & POLLIN) ? Readiness::kReadable : Readiness::kFailed;
  }

  std::vector<uint32_t> LocalIpv4Addresses() override {
    std::vector<uint32_t> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    size_t examined = 0;
    for (ifaddrs* i = list; i && examined < kMaxLocalAddresses; i = i->ifa_next) {
      if (!i->ifa_addr) continue;
      const int family = i->ifa_addr->sa_family;
      if (family != AF_INET && family != AF_INET6) continue;
      ++examined;
      // Like the Windows list: addresses of interfaces that are up, no loopback.
      if (family == AF_INET && (i->ifa_flags & IFF_UP) && !(i->ifa_flags & IFF_LOOPBACK)) {
        out.push_back(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
      }
    }
    freeifaddrs(list);
    return out;
  }
};

}  // namespace

std::unique_ptr<UdpApi> CreateUdpApi() { return std::make_unique<PosixUdpApi>(); }

}  // namespace platform
