#include "updater/protocol/device_channel.h"

namespace protocol {

namespace {
constexpr char kBroadcastAddress[] = "255.255.255.255";
}

DeviceChannel::DeviceChannel(platform::UdpApi& api, platform::EventLoop& loop,
                             const DeviceList& devices, ReplyDecoder& decoder)
    : api_(api),
      loop_(loop),
      devices_(devices),
      decoder_(decoder),
      udp_(api, loop, WM_DEVICE_SOCKET) {
  loop_.Register(WM_DEVICE_SOCKET, this);
  loop_.Register(WM_DEVICE_REQUEST, this);
}

DeviceChannel::~DeviceChannel() {
  udp_.Close();
  udp_.Destroy();
  loop_.Unregister(WM_DEVICE_SOCKET);
  loop_.Unregister(WM_DEVICE_REQUEST);
}

void DeviceChannel::Startup() {
  udp_.Startup();
  bind_ = BindAddress{};
}

void DeviceChannel::SetBindAddress(const std::string& dotted) {
  bind_.address = api_.ParseAddress(dotted);
}

void DeviceChannel::PostRequest(uintptr_t code, const TDevice* record) {
  loop_.Post(WM_DEVICE_REQUEST, code, record ? static_cast<intptr_t>(record->id) : 0);
}

void DeviceChannel::OnMessage(const platform::Message& message) {
  if (message.id == WM_DEVICE_REQUEST) {
    HandleDeviceRequest(message.wparam, static_cast<uint32_t>(message.lparam));
  } else if (message.id == WM_DEVICE_SOCKET) {
    HandleDeviceSocket();
  }
}

void DeviceChannel::HandleDeviceRequest(uintptr_t code, uint32_t record_id) {
  bind_.family = 2;
  bind_.port = 0;
  // A record freed since the request was posted (a refresh) sends nothing.
  const TDevice* record = devices_.Find(record_id);
  if (code == REQ_SEARCH_OR_INFO && record_id == 0) {
    // Open refuses while a socket is open, so this re-creates the socket at
    // every search and picks up a changed bind address.
    if (udp_.Open(bind_) == 0) {
      udp_.Close();
      udp_.Open(bind_);
    }
    udp_.BroadcastTo(kSearchRequest.data(), kHeaderSize, kBroadcastAddress, kBoardPort);
  }
  if (record == nullptr) return;
  if (code == REQ_SEARCH_OR_INFO) {
    udp_.SendTo(kBasicInfoQuery.data(), kHeaderSize, record->address, kBoardPort);
  }
  if (code == REQ_MODEL) {
    udp_.SendTo(kModelNameQuery.data(), kHeaderSize, record->address, kBoardPort);
  }
  if (code == REQ_STATUS) {
    udp_.SendTo(kStatusQuery.data(), kHeaderSize, record->address, kBoardPort);
  }
}

void DeviceChannel::HandleDeviceSocket() {
  uint8_t buffer[kMaxDatagram];
  std::string from;
  uint16_t port = 0;
  const int length = udp_.Receive(buffer, sizeof buffer, &from, &port);
  if (length <= 0 || port != kBoardPort) return;
  parser_.Reset();
  parser_.ConsumeAll(buffer, static_cast<size_t>(length));
  decoder_.DecodeReply(parser_, from);
}

}  // namespace protocol
