// A UdpApi that records every call and delivers datagrams a test queues.
#ifndef TESTS_SUPPORT_FAKE_UDP_H_
#define TESTS_SUPPORT_FAKE_UDP_H_

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/udp_socket.h"

namespace testing_support {

class FakeUdpApi final : public platform::UdpApi {
 public:
  struct Sent {
    platform::SocketHandle socket;
    std::vector<uint8_t> bytes;
    std::string address;  // dotted text of the destination
    uint16_t port;
    bool broadcast;  // SO_BROADCAST was on while sending
  };
  struct Inbound {
    std::vector<uint8_t> bytes;
    std::string from;
    uint16_t port;
  };

  // Knobs.
  int startup_result = 0;
  uint16_t granted_version = 0x0002;
  bool fail_create = false;
  bool fail_bind = false;
  bool fail_send = false;

  // Record.
  std::vector<std::string> calls;  // "create 3", "bind 3 10.0.0.2:0", ...
  std::vector<Sent> sent;
  std::set<platform::SocketHandle> open;
  std::deque<Inbound> inbound;
  int cleanups = 0;

  int Startup(uint16_t wanted, uint16_t* granted) override;
  void Cleanup() override { ++cleanups; }
  platform::SocketHandle Create() override;
  bool Bind(platform::SocketHandle s, uint32_t address, uint16_t port) override;
  bool SetBroadcast(platform::SocketHandle s, bool on) override;
  int SendTo(platform::SocketHandle s, const uint8_t* data, int length, uint32_t address,
             uint16_t port) override;
  int ReceiveFrom(platform::SocketHandle s, uint8_t* buffer, int size, std::string* from,
                  uint16_t* port) override;
  // At once: readable while a datagram is queued, else timed out.
  platform::Readiness WaitReadable(platform::SocketHandle s, int timeout_ms) override;
  void ShutdownAndClose(platform::SocketHandle s) override;
  uint32_t ParseAddress(const std::string& text) override;

  static std::string Dotted(uint32_t network_order);

 private:
  platform::SocketHandle next_ = 3;
  std::set<platform::SocketHandle> broadcast_on_;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_FAKE_UDP_H_
