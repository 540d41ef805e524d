// Windows Sockets for the console updater's search; SIO_ADDRESS_LIST_QUERY
// lists the machine's addresses.
#include "launcher/cli/cli_net.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

namespace cli {
namespace net {

bool Startup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void Cleanup() { WSACleanup(); }

uint32_t ParseDotted(const std::string& text) { return inet_addr(text.c_str()); }

SocketHandle OpenUdp(bool bind_local, uint32_t local) {
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) return kNoSocket;
  if (bind_local) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = local;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      closesocket(s);
      return kNoSocket;
    }
  }
  return static_cast<SocketHandle>(s);
}

bool SetBroadcast(SocketHandle s, bool on) {
  const BOOL value = on ? TRUE : FALSE;
  return setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_BROADCAST,
                    reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

bool SendTo(SocketHandle s, const uint8_t* data, size_t size, uint32_t address, uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  to.sin_port = htons(port);
  const int sent = sendto(static_cast<SOCKET>(s), reinterpret_cast<const char*>(data),
                          static_cast<int>(size), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  return sent == static_cast<int>(size);
}

int WaitReadable(SocketHandle s, int timeout_ms) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(static_cast<SOCKET>(s), &readable);
  timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  const int r = select(0, &readable, nullptr, nullptr, &limit);
  if (r == SOCKET_ERROR) return -1;
  return r > 0 ? 1 : 0;
}

int ReceiveFrom(SocketHandle s, uint8_t* buffer, size_t capacity, std::string* sender) {
  sockaddr_in from{};
  int from_size = sizeof from;
  // A longer datagram fails with WSAEMSGSIZE and counts as a failed receive.
  const int got =
      recvfrom(static_cast<SOCKET>(s), reinterpret_cast<char*>(buffer), static_cast<int>(capacity),
               0, reinterpret_cast<sockaddr*>(&from), &from_size);
  if (got == SOCKET_ERROR) return -1;
  const char* text = inet_ntoa(from.sin_addr);
  *sender = text ? text : "";
  return got;
}

void Close(SocketHandle s) {
  if (s != kNoSocket) closesocket(static_cast<SOCKET>(s));
}

std::vector<uint32_t> LocalIpv4Addresses() {
  std::vector<uint32_t> out;
  const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  if (probe == INVALID_SOCKET) return out;
  // SOCKET_ADDRESS_LIST with its entries, in a 1024-byte buffer.
  alignas(8) char buffer[1024];
  DWORD returned = 0;
  if (WSAIoctl(probe, SIO_ADDRESS_LIST_QUERY, nullptr, 0, buffer, sizeof buffer, &returned, nullptr,
               nullptr) == 0) {
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

}  // namespace net
}  // namespace cli
