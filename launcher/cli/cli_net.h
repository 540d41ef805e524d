// The few UDP calls of the console updater's own search, one to one with
// the Windows Sockets calls it makes (POSIX sockets elsewhere). Addresses are
// IPv4 in network byte order.
#ifndef LAUNCHER_CLI_CLI_NET_H_
#define LAUNCHER_CLI_CLI_NET_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/socket_handle.h"

namespace cli {
namespace net {

using platform::kNoSocket;
using platform::SocketHandle;

constexpr uint32_t kAddressNone = 0xFFFFFFFFu;
constexpr size_t kMaxLocalAddresses = 16;

// WSAStartup(1.1) / WSACleanup; nothing to do on POSIX.
bool Startup();
void Cleanup();

// inet_addr: kAddressNone for text that is not a dotted address.
uint32_t ParseDotted(const std::string& text);

// A UDP socket, bound to `local` port 0 when `bind_local` is set.
SocketHandle OpenUdp(bool bind_local, uint32_t local);
bool SetBroadcast(SocketHandle s, bool on);
bool SendTo(SocketHandle s, const uint8_t* data, size_t size, uint32_t address, uint16_t port);
// 1 readable, 0 time-out, -1 error.
int WaitReadable(SocketHandle s, int timeout_ms);
// One datagram: its length, or -1 (a datagram longer than `capacity`
// included). `sender` gets the dotted source address.
int ReceiveFrom(SocketHandle s, uint8_t* buffer, size_t capacity, std::string* sender);
void Close(SocketHandle s);

// The machine's IPv4 addresses (Windows: SIO_ADDRESS_LIST_QUERY), at most
// the first kMaxLocalAddresses entries of the system's list examined.
std::vector<uint32_t> LocalIpv4Addresses();

}  // namespace net
}  // namespace cli

#endif  // LAUNCHER_CLI_CLI_NET_H_
