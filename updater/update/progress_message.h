// The deployment tool's Progress message, {kind, 1000, value} as three
// little-endian 32-bit integers, and the sender that puts one message on
// the pipe per connection.
#ifndef UPDATER_UPDATE_PROGRESS_MESSAGE_H_
#define UPDATER_UPDATE_PROGRESS_MESSAGE_H_

#include <cstdint>

#include "platform/progress_pipe.h"

namespace update {

constexpr int32_t kKindProgress = 1;
constexpr int32_t kKindResult = 2;
constexpr int32_t kProgressScale = 1000;

void EncodeProgressMessage(int32_t kind, int32_t value, uint8_t (&out)[platform::kPipeMessageSize]);

// One exchange on the pipe; swapped for a fake in tests.
using PipeTransport = platform::PipeExchangeResult (*)(
    const uint8_t (&message)[platform::kPipeMessageSize], int reply_wait_ms);

class ProgressPipe {
 public:
  explicit ProgressPipe(PipeTransport transport = platform::PipeExchange) : transport_(transport) {}
  virtual ~ProgressPipe() = default;

  // {1, 1000, value}: true when the 12 bytes were written and the server
  // replied or hung up within platform::kProgressReplyWaitMs; a server that
  // keeps silent counts as a failed send.
  virtual bool SendProgressMessage(int32_t value);
  // {2, 1000, code}: the whole exchange, reply included.
  virtual platform::PipeExchangeResult SendResult(int32_t code);

 private:
  PipeTransport transport_;
};

}  // namespace update

#endif  // UPDATER_UPDATE_PROGRESS_MESSAGE_H_
