// The main window's side of the protocol: turns posted requests into frames
// on the UDP endpoint, and each received datagram into one call of the reply
// decoder.
#ifndef UPDATER_PROTOCOL_DEVICE_CHANNEL_H_
#define UPDATER_PROTOCOL_DEVICE_CHANNEL_H_

#include <cstdint>
#include <string>

#include "platform/event_loop.h"
#include "updater/protocol/device.h"
#include "updater/protocol/reply_parser.h"
#include "updater/protocol/udp.h"

namespace protocol {

constexpr uint32_t WM_DEVICE_SOCKET = platform::kUserMessage + 3289;   // 4313
constexpr uint32_t WM_DEVICE_REQUEST = platform::kUserMessage + 3290;  // 4314

constexpr uintptr_t REQ_SEARCH_OR_INFO = 0;
constexpr uintptr_t REQ_MODEL = 0x3001;
constexpr uintptr_t REQ_STATUS = 0x3008;

class ReplyDecoder {
 public:
  // Once per received datagram, with the parser as the datagram left it.
  virtual void DecodeReply(const ReplyParser& parser, const std::string& source_address) = 0;

 protected:
  ~ReplyDecoder() = default;
};

class DeviceChannel : public platform::MessageSink {
 public:
  DeviceChannel(platform::UdpApi& api, platform::EventLoop& loop, const DeviceList& devices,
                ReplyDecoder& decoder);
  ~DeviceChannel();

  // Starts the socket library; the bind address starts as any address.
  void Startup();
  BindAddress& bind_address() { return bind_; }
  // Bind to a dotted address from now on (the next search takes it up).
  void SetBindAddress(const std::string& dotted);

  // Post a request: sent after the current handler returns, in order.
  // `record` 0 with REQ_SEARCH_OR_INFO is the search.
  void PostRequest(uintptr_t code, const TDevice* record);

  void OnMessage(const platform::Message& message) override;
  void HandleDeviceRequest(uintptr_t code, uint32_t record_id);
  void HandleDeviceSocket();

  TUDP& udp() { return udp_; }
  const ReplyParser& parser() const { return parser_; }

 private:
  platform::UdpApi& api_;
  platform::EventLoop& loop_;
  const DeviceList& devices_;
  ReplyDecoder& decoder_;
  TUDP udp_;
  BindAddress bind_;
  ReplyParser parser_;
};

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_DEVICE_CHANNEL_H_
