// The few socket calls the updater's UDP endpoint makes, one to one with the
// Windows Sockets calls it was written against. Addresses cross this
// interface as dotted text (inet_addr / inet_ntoa) and as 32-bit values in
// network byte order.
#ifndef PLATFORM_UDP_SOCKET_H_
#define PLATFORM_UDP_SOCKET_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/socket_handle.h"

namespace platform {

constexpr uint32_t kInaddrNone = 0xFFFFFFFFu;
constexpr int kSearchReceiveBuffer = 4 << 20;
// How many entries of the system's address list LocalIpv4Addresses examines.
constexpr size_t kMaxLocalAddresses = 16;

enum class Readiness { kReadable, kTimedOut, kFailed };

class UdpApi {
 public:
  virtual ~UdpApi() = default;

  // WSAStartup: returns its result and the version granted.
  virtual int Startup(uint16_t wanted, uint16_t* granted) = 0;
  virtual void Cleanup() = 0;

  // kNoSocket on failure. The receive buffer is sized for the replies of a
  // large LAN (kSearchReceiveBuffer): a thousand boards answer a search
  // within a millisecond or two, past what the systems' defaults hold.
  virtual SocketHandle Create() = 0;
  // The receive buffer the system granted, in bytes (SO_RCVBUF as read
  // back: Linux counts its own overhead in and reports twice the request).
  virtual int ReceiveBufferBytes(SocketHandle socket) { return 0; }
  // address in network byte order
  virtual bool Bind(SocketHandle socket, uint32_t address, uint16_t port) = 0;
  virtual bool SetBroadcast(SocketHandle socket, bool on) = 0;
  // Returns the bytes sent, or -1.
  virtual int SendTo(SocketHandle socket, const uint8_t* data, int length, uint32_t address,
                     uint16_t port) = 0;
  // One datagram. Returns its length, or -1 on failure, including a datagram
  // longer than `size` (it is discarded, as Winsock does with WSAEMSGSIZE).
  virtual int ReceiveFrom(SocketHandle socket, uint8_t* buffer, int size, std::string* from_address,
                          uint16_t* from_port) = 0;
  virtual void ShutdownAndClose(SocketHandle socket) = 0;

  // For a caller without an event loop: waits up to `timeout_ms` for a
  // datagram to read.
  virtual Readiness WaitReadable(SocketHandle socket, int timeout_ms) {
    return Readiness::kFailed;
  }
  // The machine's IPv4 addresses in network byte order, of the first
  // kMaxLocalAddresses entries of the system's list (Windows:
  // SIO_ADDRESS_LIST_QUERY; elsewhere the interfaces that are up, no
  // loopback).
  virtual std::vector<uint32_t> LocalIpv4Addresses() { return {}; }

  // inet_addr: network-order address, kInaddrNone for bad text.
  virtual uint32_t ParseAddress(const std::string& text) = 0;
};

std::unique_ptr<UdpApi> CreateUdpApi();

}  // namespace platform

#endif  // PLATFORM_UDP_SOCKET_H_
