#include "launcher/cli/device_query.h"

#include <chrono>
#include <cstring>

#include "launcher/cli/reply_check.h"

namespace cli {

QueryOutcome ExchangeUnicast(platform::UdpApi& udp, const std::string& address,
                             const protocol::RequestFrame& request, uint8_t* buffer,
                             size_t capacity, size_t* size, int timeout_ms) {
  *size = 0;
  const platform::SocketHandle s = udp.Create();
  if (s == platform::kNoSocket) return QueryOutcome::kNoAnswer;
  const uint32_t to = udp.ParseAddress(address);
  QueryOutcome result = QueryOutcome::kNoAnswer;
  std::string sender;
  const int length = static_cast<int>(request.size());
  if (udp.SendTo(s, request.data(), length, to, protocol::kBoardPort) == length) {
    // A stray or oversized datagram is not the board's answer: it is passed
    // over, and the answer is awaited until the time-out all the same.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 ||
          udp.WaitReadable(s, static_cast<int>(left)) != platform::Readiness::kReadable) {
        break;
      }
      const int got = udp.ReceiveFrom(s, buffer, static_cast<int>(capacity), &sender, nullptr);
      if (got >= 0 && MatchesQuery(Datagram(buffer, static_cast<size_t>(got)), request)) {
        *size = static_cast<size_t>(got);
        result = QueryOutcome::kAnswered;
        break;
      }
      result = QueryOutcome::kWrongAnswer;
    }
  }
  udp.ShutdownAndClose(s);
  return result;
}

namespace {

// Winsock's use count is balanced on every way out.
class NetUse {
 public:
  explicit NetUse(platform::UdpApi& udp) : udp_(udp) {
    uint16_t granted = 0;
    ok_ = udp_.Startup(0x0101, &granted) == 0;
  }
  ~NetUse() {
    if (ok_) udp_.Cleanup();
  }
  NetUse(const NetUse&) = delete;
  NetUse& operator=(const NetUse&) = delete;

 private:
  platform::UdpApi& udp_;
  bool ok_ = false;
};

}  // namespace

QueryOutcome QueryDevice(platform::UdpApi& udp, const std::string& address, ResultRecord* r,
                         int timeout_ms) {
  const NetUse use(udp);
  uint8_t buffer[protocol::kMaxDatagram];
  std::memset(buffer, 0, sizeof buffer);
  size_t size = 0;
  QueryOutcome result = ExchangeUnicast(udp, address, protocol::kBasicInfoQuery, buffer,
                                        sizeof buffer, &size, timeout_ms);
  if (result != QueryOutcome::kAnswered) return result;
  if (!ReadBasicInfo(Datagram(buffer, size), r)) return QueryOutcome::kWrongAnswer;
  if (r->from == "0.00") return QueryOutcome::kAnswered;

  result = ExchangeUnicast(udp, address, protocol::kModelNameQuery, buffer, sizeof buffer, &size,
                           timeout_ms);
  if (result != QueryOutcome::kAnswered) return result;
  ReadModelName(Datagram(buffer, size), r);

  if (ExchangeUnicast(udp, address, protocol::kSerialNumberQuery, buffer, sizeof buffer, &size,
                      timeout_ms) == QueryOutcome::kAnswered) {
    ReadSerialNumber(Datagram(buffer, size), r);
  }
  return QueryOutcome::kAnswered;
}

}  // namespace cli
