// The client end of the deployment tool's progress pipe: one connection per
// message, opened without waiting, one 12-byte write, one 4-byte read,
// close. Windows: the named pipe "\\.\pipe\KavroRollcast". Linux: a
// Unix-domain stream socket standing in for it, at $ZANTOR_PIPE when set,
// else /tmp/KavroRollcast.
#ifndef PLATFORM_PROGRESS_PIPE_H_
#define PLATFORM_PROGRESS_PIPE_H_

#include <cstdint>
#include <string>

namespace platform {

constexpr int kPipeMessageSize = 12;

struct PipeExchangeResult {
  bool written = false;     // opened, and the 12 bytes went out in one write
  bool reply_read = false;  // 4 bytes came back before the server hung up
  int32_t reply = 0;
};

// The path or pipe name this platform uses.
std::string ProgressPipeName();

PipeExchangeResult PipeExchange(const uint8_t (&message)[kPipeMessageSize]);

}  // namespace platform

#endif  // PLATFORM_PROGRESS_PIPE_H_
