#include "updater/update/progress_message.h"

namespace update {

void EncodeProgressMessage(int32_t kind, int32_t value,
                           uint8_t (&out)[platform::kPipeMessageSize]) {
  const int32_t fields[3] = {kind, kProgressScale, value};
  for (int f = 0; f < 3; ++f) {
    const uint32_t v = static_cast<uint32_t>(fields[f]);
    for (int b = 0; b < 4; ++b) out[f * 4 + b] = static_cast<uint8_t>(v >> (8 * b));
  }
}

bool ProgressPipe::SendProgressMessage(int32_t value) {
  uint8_t message[platform::kPipeMessageSize];
  EncodeProgressMessage(kKindProgress, value, message);
  const platform::PipeExchangeResult r = transport_(message, platform::kProgressReplyWaitMs);
  return r.written && !r.timed_out;
}

platform::PipeExchangeResult ProgressPipe::SendResult(int32_t code) {
  uint8_t message[platform::kPipeMessageSize];
  EncodeProgressMessage(kKindResult, code, message);
  return transport_(message, platform::kResultReplyWaitMs);
}

}  // namespace update
