// The query of the one board named on the command line: basic information,
// then model and printer name, then serial number, each by unicast on a
// fresh socket.
#ifndef LAUNCHER_CLI_DEVICE_QUERY_H_
#define LAUNCHER_CLI_DEVICE_QUERY_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/cli/result_record.h"
#include "platform/udp_socket.h"
#include "updater/protocol/frames.h"

namespace cli {

constexpr int kQueryTimeoutMs = 3000;

enum class QueryOutcome {
  kAnswered,     // a matching reply (and, for QueryDevice, a board we know)
  kNoAnswer,     // nothing in time, or nothing could be sent
  kWrongAnswer,  // only datagrams that do not match (stray, oversized or
                 // wrong) until the time-out, or a board we do not know
};

// One request and its reply, on a fresh socket of `udp`. Datagrams that do
// not match never end the wait early. `size` is set with kAnswered.
QueryOutcome ExchangeUnicast(platform::UdpApi& udp, const std::string& address,
                             const protocol::RequestFrame& request, uint8_t* buffer,
                             size_t capacity, size_t* size, int timeout_ms);

QueryOutcome QueryDevice(platform::UdpApi& udp, const std::string& address, ResultRecord* r,
                         int timeout_ms);

}  // namespace cli

#endif  // LAUNCHER_CLI_DEVICE_QUERY_H_
