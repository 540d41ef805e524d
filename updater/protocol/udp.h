// The updater's one UDP endpoint. It never blocks: readiness arrives as a
// posted message and every operation reports failure only in its result.
#ifndef UPDATER_PROTOCOL_UDP_H_
#define UPDATER_PROTOCOL_UDP_H_

#include <cstdint>
#include <string>

#include "platform/event_loop.h"
#include "platform/udp_socket.h"

namespace protocol {

// IPv4 socket address as the endpoint binds it.
struct BindAddress {
  uint16_t family = 2;   // AF_INET
  uint16_t port = 0;     // any free port
  uint32_t address = 0;  // network byte order; 0 is INADDR_ANY
};

class TUDP {
 public:
  TUDP(platform::UdpApi& api, platform::EventLoop& loop, uint32_t message);
  ~TUDP();
  TUDP(const TUDP&) = delete;
  TUDP& operator=(const TUDP&) = delete;

  int Startup();
  // 1 when a socket was opened, bound and is watched; 0 when the endpoint is
  // unusable or a socket is already open.
  int Open(const BindAddress& bind);
  void Close();
  int SendTo(const uint8_t* data, int length, const std::string& address, uint16_t port);
  int BroadcastTo(const uint8_t* data, int length, const std::string& address, uint16_t port);
  int Receive(uint8_t* buffer, int size, std::string* from_address, uint16_t* from_port);
  void Destroy();

  bool usable() const { return usable_; }
  bool is_open() const { return socket_ != platform::kNoSocket; }

 private:
  int Send(const uint8_t* data, int length, const std::string& address, uint16_t port,
           bool broadcast);

  platform::SocketHandle socket_ = platform::kNoSocket;
  bool usable_ = true;
  bool started_ = false;
  platform::UdpApi& api_;
  platform::EventLoop& loop_;
  uint32_t message_;
};

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_UDP_H_
