// POSIX sockets for the console updater's search; getifaddrs lists the
// machine's IPv4 addresses.
#include "launcher/cli/cli_net.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace cli {
namespace net {

bool Startup() { return true; }
void Cleanup() {}

uint32_t ParseDotted(const std::string& text) { return inet_addr(text.c_str()); }

SocketHandle OpenUdp(bool bind_local, uint32_t local) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  if (bind_local) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = local;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      close(fd);
      return kNoSocket;
    }
  }
  return fd;
}

bool SetBroadcast(SocketHandle s, bool on) {
  const int value = on ? 1 : 0;
  return setsockopt(static_cast<int>(s), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0;
}

bool SendTo(SocketHandle s, const uint8_t* data, size_t size, uint32_t address, uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  to.sin_port = htons(port);
  const ssize_t sent = sendto(static_cast<int>(s), data, size, MSG_NOSIGNAL,
                              reinterpret_cast<sockaddr*>(&to), sizeof to);
  return sent == static_cast<ssize_t>(size);
}

int WaitReadable(SocketHandle s, int timeout_ms) {
  pollfd p{static_cast<int>(s), POLLIN, 0};
  int r;
  do {
    r = poll(&p, 1, timeout_ms);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -1;
  if (r == 0) return 0;
  return (p.revents & POLLIN) ? 1 : -1;
}

int ReceiveFrom(SocketHandle s, uint8_t* buffer, size_t capacity, std::string* sender) {
  sockaddr_in from{};
  socklen_t from_size = sizeof from;
  // MSG_TRUNC gives the datagram's real length, so a longer one is refused
  // as Winsock refuses it (WSAEMSGSIZE).
  const ssize_t got = recvfrom(static_cast<int>(s), buffer, capacity, MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&from), &from_size);
  if (got < 0 || static_cast<size_t>(got) > capacity) return -1;
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
  *sender = text;
  return static_cast<int>(got);
}

void Close(SocketHandle s) {
  if (s != kNoSocket) close(static_cast<int>(s));
}

std::vector<uint32_t> LocalIpv4Addresses() {
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

}  // namespace net
}  // namespace cli
