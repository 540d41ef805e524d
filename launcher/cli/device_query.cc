#include "launcher/cli/device_query.h"

#include <chrono>
#include <cstring>

#include "launcher/cli/cli_net.h"
#include "launcher/cli/reply_check.h"

namespace cli {

int ExchangeUnicast(const std::string& address, const protocol::RequestFrame& request,
                    uint8_t* buffer, size_t capacity, size_t* size, int timeout_ms) {
  *size = 0;
  const net::SocketHandle s = net::OpenUdp(false, 0);
  if (s == net::kNoSocket) return 0;
  const uint32_t to = net::ParseDotted(address);
  int result = 0;
  std::string sender;
  if (net::SendTo(s, request.data(), request.size(), to, protocol::kBoardPort)) {
    // A stray or oversized datagram is not the board's answer: it is passed
    // over, and the answer is awaited until the time-out all the same.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || net::WaitReadable(s, static_cast<int>(left)) != 1) break;
      const int got = net::ReceiveFrom(s, buffer, capacity, &sender);
      if (got >= 0 && MatchesQuery(Datagram(buffer, static_cast<size_t>(got)), request)) {
        *size = static_cast<size_t>(got);
        result = 1;
        break;
      }
      result = -1;
    }
  }
  net::Close(s);
  return result;
}

namespace {

// Winsock's use count is balanced on every way out.
class NetUse {
 public:
  NetUse() : ok_(net::Startup()) {}
  ~NetUse() {
    if (ok_) net::Cleanup();
  }

 private:
  bool ok_;
};

}  // namespace

int QueryDevice(const std::string& address, ResultRecord* r, int timeout_ms) {
  NetUse use;
  uint8_t buffer[protocol::kMaxDatagram];
  std::memset(buffer, 0, sizeof buffer);
  size_t size = 0;
  int result =
      ExchangeUnicast(address, protocol::kBasicInfoQuery, buffer, sizeof buffer, &size, timeout_ms);
  if (result != 1) return result;
  if (!ReadBasicInfo(Datagram(buffer, size), r)) return -1;
  if (r->from == "0.00") return 1;

  result =
      ExchangeUnicast(address, protocol::kModelNameQuery, buffer, sizeof buffer, &size, timeout_ms);
  if (result != 1) return result;
  ReadModelName(Datagram(buffer, size), r);

  if (ExchangeUnicast(address, protocol::kSerialNumberQuery, buffer, sizeof buffer, &size,
                      timeout_ms) == 1) {
    ReadSerialNumber(Datagram(buffer, size), r);
  }
  return 1;
}

}  // namespace cli
