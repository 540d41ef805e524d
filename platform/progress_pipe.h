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
  bool timed_out = false;   // neither a reply nor a hang-up within the wait
  int32_t reply = 0;
};

// How long a client waits for the reply or the hang-up. A live server
// answers in milliseconds; one that accepts and never replies must cost a
// progress message little, since the upload sends one per chunk.
constexpr int kProgressReplyWaitMs = 2000;
constexpr int kResultReplyWaitMs = 10000;

// The path or pipe name this platform uses.
std::string ProgressPipeName();

PipeExchangeResult PipeExchange(const uint8_t (&message)[kPipeMessageSize], int reply_wait_ms);

}  // namespace platform

#endif  // PLATFORM_PROGRESS_PIPE_H_
