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
  if (!net::Startup()) return;
  for (const uint32_t local : net::LocalIpv4Addresses()) {
    const net::SocketHandle s = net::OpenUdp(true, local);
    if (s != net::kNoSocket) sockets_.push_back(s);
  }
  for (const net::SocketHandle s : sockets_) {
    net::SetBroadcast(s, true);
    const auto& search = protocol::kSearchRequest;
    net::SendTo(s, search.data(), search.size(), kBroadcast, protocol::kBoardPort);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto& extended = protocol::kExtendedSearchRequest;
    net::SendTo(s, extended.data(), extended.size(), kBroadcast, protocol::kBoardPort);
    net::SetBroadcast(s, false);
  }
  stop_ = false;
  std::vector<std::thread> receivers;
  for (const net::SocketHandle s : sockets_) {
    receivers.emplace_back(&DeviceFinder::Receive, this, s, timeout_ms);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms + 100));
  // The sockets are closed only once no receiver can touch them any more.
  stop_ = true;
  for (std::thread& t : receivers) t.join();
  for (const net::SocketHandle s : sockets_) net::Close(s);
  sockets_.clear();
  net::Cleanup();
}

void DeviceFinder::Receive(net::SocketHandle s, int timeout_ms) {
  uint8_t buffer[protocol::kMaxDatagram];
  for (;;) {
    int waited = 0;
    int ready = 0;
    while (ready == 0 && waited < timeout_ms && !stop_) {
      const int slice = std::min(kSliceMs, timeout_ms - waited);
      ready = net::WaitReadable(s, slice);
      waited += slice;
    }
    if (ready != 1 || stop_) return;
    std::string sender;
    const int got = net::ReceiveFrom(s, buffer, sizeof buffer, &sender);
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
  for (const net::SocketHandle s : sockets_) net::Close(s);
  sockets_.clear();
}

}  // namespace cli
