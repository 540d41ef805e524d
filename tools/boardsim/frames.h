// Recognising requests and building the boards' replies. No sockets here, so
// every byte a board sends can be checked without a network.
#ifndef TOOLS_BOARDSIM_FRAMES_H_
#define TOOLS_BOARDSIM_FRAMES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/boardsim/board_config.h"

namespace boardsim {

constexpr size_t kHeaderSize = 14;

// Only the six exact 14-byte request frames are recognised; anything else is
// Request::Count.
Request ClassifyRequest(const uint8_t* data, size_t len);

// The reply as a board sends it, faults that shape the bytes included.
std::vector<uint8_t> BuildReply(const Board& b, Request req);

struct Outgoing {
  size_t board = 0;            // index into the board list
  std::vector<uint8_t> bytes;  // empty when the board stays quiet
  const char* dropReason = nullptr;
  uint16_t srcPort = kBoardPort;
  int64_t dueMs = 0;
};

// Which boards react to a request that arrived for `dst` (host order) at time
// `nowMs`, and what each sends. A broadcast reaches every board, a unicast the
// boards whose address is `dst` (more than one when addresses are duplicated).
std::vector<Outgoing> PlanReplies(const std::vector<Board>& boards, Request req, uint32_t dst,
                                  bool broadcast, int64_t nowMs);

}  // namespace boardsim

#endif  // TOOLS_BOARDSIM_FRAMES_H_
