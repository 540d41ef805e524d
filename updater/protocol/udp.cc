#include "updater/protocol/udp.h"

namespace protocol {

namespace {
constexpr uint16_t kWinsockVersion = 0x0002;  // 2.0
}

TUDP::TUDP(platform::UdpApi& api, platform::EventLoop& loop, uint32_t message)
    : api_(api), loop_(loop), message_(message) {}

TUDP::~TUDP() { Destroy(); }

int TUDP::Startup() {
  uint16_t granted = 0;
  const int result = api_.Startup(kWinsockVersion, &granted);
  if (result != 0 || granted != kWinsockVersion) usable_ = false;
  started_ = result == 0;
  return result;
}

int TUDP::Open(const BindAddress& bind) {
  if (!usable_ || is_open()) return 0;
  socket_ = api_.Create();
  if (socket_ == platform::kNoSocket) {
    usable_ = false;
    return 0;
  }
  if (!loop_.WatchSocket(socket_, message_) || !api_.Bind(socket_, bind.address, bind.port)) {
    // Close makes the endpoint usable again, so the next search simply
    // tries once more.
    usable_ = false;
    Close();
    return 0;
  }
  return 1;
}

void TUDP::Close() {
  if (is_open()) {
    loop_.UnwatchSocket(socket_);
    api_.ShutdownAndClose(socket_);
  }
  socket_ = platform::kNoSocket;
  usable_ = true;
}

int TUDP::Send(const uint8_t* data, int length, const std::string& address, uint16_t port,
               bool broadcast) {
  if (!usable_ || !is_open()) return 0;
  const uint32_t to = api_.ParseAddress(address);
  if (broadcast) api_.SetBroadcast(socket_, true);
  const int sent = api_.SendTo(socket_, data, length, to, port);
  if (broadcast) api_.SetBroadcast(socket_, false);
  return sent < 0 ? 0 : sent;
}

int TUDP::SendTo(const uint8_t* data, int length, const std::string& address, uint16_t port) {
  return Send(data, length, address, port, false);
}

int TUDP::BroadcastTo(const uint8_t* data, int length, const std::string& address, uint16_t port) {
  return Send(data, length, address, port, true);
}

int TUDP::Receive(uint8_t* buffer, int size, std::string* from_address, uint16_t* from_port) {
  if (!usable_ || !is_open()) return 0;
  const int got = api_.ReceiveFrom(socket_, buffer, size, from_address, from_port);
  return got < 0 ? 0 : got;
}

void TUDP::Destroy() {
  // An open socket is closed even when the endpoint was marked unusable:
  // leaking the handle helps nobody.
  if (is_open()) {
    loop_.UnwatchSocket(socket_);
    api_.ShutdownAndClose(socket_);
  }
  socket_ = platform::kNoSocket;
  if (started_) {
    api_.Cleanup();
    started_ = false;
  }
}

}  // namespace protocol
