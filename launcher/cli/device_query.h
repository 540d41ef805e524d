// The query of the one board named on the command line: basic information,
// then model and printer name, then serial number, each by unicast on a
// fresh socket.
#ifndef LAUNCHER_CLI_DEVICE_QUERY_H_
#define LAUNCHER_CLI_DEVICE_QUERY_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/cli/result_record.h"
#include "updater/protocol/frames.h"

namespace cli {

constexpr int kQueryTimeoutMs = 3000;

// 1 a matching reply (size set), 0 nothing in time or not sent (size 0),
// -1 only datagrams that do not match the request (stray, oversized or
// wrong) until the time-out; they never end the wait early.
int ExchangeUnicast(const std::string& address, const protocol::RequestFrame& request,
                    uint8_t* buffer, size_t capacity, size_t* size, int timeout_ms);

// 1 the board answered and is one the updater knows; 0 no (valid) answer in
// time; -1 a wrong answer or an unknown board.
int QueryDevice(const std::string& address, ResultRecord* r, int timeout_ms);

}  // namespace cli

#endif  // LAUNCHER_CLI_DEVICE_QUERY_H_
