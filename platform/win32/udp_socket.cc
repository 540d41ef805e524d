// UDP through Windows Sockets, one call per operation. A watched socket is
// non-blocking: WSAAsyncSelect makes it so, and recvfrom re-enables the
// FD_READ notification each time it is called.
#include "platform/udp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

namespace platform {
namespace {

SOCKET ToSocket(SocketHandle s) { return static_cast<SOCKET>(s); }

sockaddr_in Inet(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = address;
  return sa;
}

class WinsockUdpApi final : public UdpApi {
 public:
  int Startup(uint16_t wanted, uint16_t* granted) override {
    WSADATA data{};
    const int result = WSAStartup(wanted, &data);
    // WSADATA is undefined after a failed start; report no version then.
    *granted = result == 0 ? data.wVersion : 0;
    return result;
  }
  void Cleanup() override { WSACleanup(); }

  SocketHandle Create() override {
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    // INVALID_SOCKET is ~0 in an unsigned type; say so rather than rely on
    // the conversion to intptr_t happening to give -1.
    if (s == INVALID_SOCKET) return kNoSocket;
    // Winsock's default holds far fewer replies than a large LAN sends.
    const int wanted = kSearchReceiveBuffer;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&wanted), sizeof wanted);
    return static_cast<SocketHandle>(s);
  }

  int ReceiveBufferBytes(SocketHandle s) override {
    int size = 0;
    int length = sizeof size;
    if (getsockopt(ToSocket(s), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &length) !=
        0) {
      return 0;
    }
    return size;
  }

  bool Bind(SocketHandle s, uint32_t address, uint16_t port) override {
    const sockaddr_in sa = Inet(address, port);
    return bind(ToSocket(s), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
  }

  bool SetBroadcast(SocketHandle s, bool on) override {
    const BOOL value = on ? TRUE : FALSE;
    return setsockopt(ToSocket(s), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
  }

  int SendTo(SocketHandle s, const uint8_t* data, int length, uint32_t address,
             uint16_t port) override {
    if (length < 0) return -1;
    const sockaddr_in sa = Inet(address, port);
    const int n = sendto(ToSocket(s), reinterpret_cast<const char*>(data), length, 0,
                         reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return n == SOCKET_ERROR ? -1 : n;
  }

  int ReceiveFrom(SocketHandle s, uint8_t* buffer, int size, std::string* from,
                  uint16_t* port) override {
    if (size < 0) return -1;
    sockaddr_in sa{};
    int len = sizeof sa;
    // A datagram longer than `size` fails with WSAEMSGSIZE and its rest is
    // gone; the caller drops it like any other failure.
    const int n = recvfrom(ToSocket(s), reinterpret_cast<char*>(buffer), size, 0,
                           reinterpret_cast<sockaddr*>(&sa), &len);
    if (n == SOCKET_ERROR) return -1;
    if (from) {
      // inet_ntoa's buffer belongs to the thread and lives until the next
      // call; copy it out at once.
      const char* text = inet_ntoa(sa.sin_addr);
      *from = text ? text : "";
    }
    if (port) *port = ntohs(sa.sin_port);
    return n;
  }

  void ShutdownAndClose(SocketHandle s) override {
    if (s == kNoSocket) return;
    shutdown(ToSocket(s), SD_BOTH);
    closesocket(ToSocket(s));
  }

  uint32_t ParseAddress(const std::string& text) override {
    return static_cast<uint32_t>(inet_addr(text.c_str()));
  }

  Readiness WaitReadable(SocketHandle s, int timeout_ms) override {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(ToSocket(s), &readable);
    timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    const int r = select(0, &readable, nullptr, nullptr, &limit);
    if (r == SOCKET_ERROR) return Readiness::kFailed;
    return r > 0 ? Readiness::kReadable : Readiness::kTimedOut;
  }

  std::vector<uint32_t> LocalIpv4Addresses() override {
    std::vector<uint32_t> out;
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe == INVALID_SOCKET) return out;
    // SOCKET_ADDRESS_LIST with its entries, in a 1024-byte buffer.
    alignas(8) char buffer[1024];
    DWORD returned = 0;
    if (WSAIoctl(probe, SIO_ADDRESS_LIST_QUERY, nullptr, 0, buffer, sizeof buffer, &returned,
                 nullptr, nullptr) == 0) {
      const auto* list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(buffer);
      const INT count = list->iAddressCount < static_cast<INT>(kMaxLocalAddresses)
                            ? list->iAddressCount
                            : static_cast<INT>(kMaxLocalAddresses);
      for (INT i = 0; i < count; ++i) {
        const SOCKET_ADDRESS& a = list->Address[i];
        if (a.lpSockaddr && a.lpSockaddr->sa_family == AF_INET &&
            a.iSockaddrLength >= static_cast<INT>(sizeof(sockaddr_in))) {
          out.push_back(reinterpret_cast<const sockaddr_in*>(a.lpSockaddr)->sin_addr.s_addr);
        }
      }
    }
    shutdown(probe, SD_BOTH);
    closesocket(probe);
    return out;
  }
};

}  // namespace

std::unique_ptr<UdpApi> CreateUdpApi() { return std::make_unique<WinsockUdpApi>(); }

}  // namespace platform
