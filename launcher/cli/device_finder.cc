#include "launcher/cli/device_finder.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "launcher/cli/reply_check.h"
#include "updater/protocol/frames.h"

namespace cli {
namespace {

constexpr uint32_t kBroadcast = 0xFFFFFFFFu;
// A receiver looks at the stop flag this often while it waits.
constexpr int kSliceMs = 50;

}  // namespace

void DeviceFinder::FindAll(int timeout_ms) {
  uint16_t granted = 0;
  if (udp_.Startup(0x0101, &granted) != 0) return;
  for (const uint32_t local : udp_.LocalIpv4Addresses()) {
    const platform::SocketHandle s = udp_.Create();
    if (s == platform::kNoSocket) continue;
    if (udp_.Bind(s, local, 0)) {
      sockets_.push_back(s);
    } else {
      udp_.ShutdownAndClose(s);
    }
  }
  for (const platform::SocketHandle s : sockets_) {
    udp_.SetBroadcast(s, true);
    const auto& search = protocol::kSearchRequest;
    udp_.SendTo(s, search.data(), static_cast<int>(search.size()), kBroadcast,
                protocol::kBoardPort);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto& extended = protocol::kExtendedSearchRequest;
    udp_.SendTo(s, extended.data(), static_cast<int>(extended.size()), kBroadcast,
                protocol::kBoardPort);
    udp_.SetBroadcast(s, false);
  }
  stop_ = false;
  std::vector<std::thread> receivers;
  for (const platform::SocketHandle s : sockets_) {
    receivers.emplace_back(&DeviceFinder::Receive, this, s, timeout_ms);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms + 100));
  // The sockets are closed only once no receiver can touch them any more.
  stop_ = true;
  for (std::thread& t : receivers) t.join();
  Release();
  udp_.Cleanup();
}

void DeviceFinder::Receive(platform::SocketHandle s, int timeout_ms) {
  uint8_t buffer[protocol::kMaxDatagram];
  for (;;) {
    int waited = 0;
    platform::Readiness ready = platform::Readiness::kTimedOut;
    while (ready == platform::Readiness::kTimedOut && waited < timeout_ms && !stop_) {
      const int slice = std::min(kSliceMs, timeout_ms - waited);
      ready = udp_.WaitReadable(s, slice);
      waited += slice;
    }
    if (ready != platform::Readiness::kReadable || stop_) return;
    std::string sender;
    const int got = udp_.ReceiveFrom(s, buffer, static_cast<int>(sizeof buffer), &sender, nullptr);
    // An oversized datagram is dropped; the boards that answer after it
    // must still be heard.
    if (got < 0) continue;
    const FoundDevice device = ReadSearchReply(Datagram(buffer, static_cast<size_t>(got)), sender);
    const std::string line = FoundDeviceLine(device);
    if (!line.empty()) {
      std::lock_guard<std::mutex> hold(lock_);
      print_(line);
    }
  }
}

void DeviceFinder::Release() {
  for (const platform::SocketHandle s : sockets_) udp_.ShutdownAndClose(s);
  sockets_.clear();
}

}  // namespace cli
