// The client end of the progress pipe as a Unix-domain stream socket.
//
// The Windows pipe has one instance: while the tool serves a client, a
// second open fails at once with ERROR_PIPE_BUSY, and the client never
// waits. A listening socket instead queues connections in its backlog, and
// a blocking connect() waits for room there. So the connect is
// non-blocking: a full backlog (EAGAIN), no listener (ECONNREFUSED) or no
// socket file (ENOENT) all fail the exchange at once. The stand-in server
// (tools/pipeserver) listens with a backlog of 0, which Linux takes as one
// slot, and stops listening while it serves a client, so a client finds
// the same single instance as on Windows.
//
// Once connected, the client waits for the reply or the hang-up as the
// Windows client does, but not for ever: a server that listens and never
// accepts would hold the updater for good, so the wait is bounded.
#include "platform/progress_pipe.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/posix/unique_fd.h"

namespace platform {
namespace {

const char kDefaultPath[] = "/tmp/KavroRollcast";

}  // namespace

std::string ProgressPipeName() {
  const char* path = std::getenv("ZANTOR_PIPE");
  return path && *path ? std::string(path) : std::string(kDefaultPath);
}

PipeExchangeResult PipeExchange(const uint8_t (&message)[kPipeMessageSize], int reply_wait_ms) {
  PipeExchangeResult result;
  const std::string path = ProgressPipeName();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return result;
  std::memcpy(address.sun_path, path.data(), path.size());

  UniqueFd socket_fd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (socket_fd.get() < 0) return result;
  const int fd = socket_fd.get();
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return result;

  // 12 bytes always fit a fresh socket's buffer, so this never blocks.
  ssize_t n;
  do {
    n = send(fd, message, kPipeMessageSize, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n != kPipeMessageSize) return result;
  result.written = true;

  pollfd p{fd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&p, 1, reply_wait_ms);
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) result.timed_out = true;
  if (ready <= 0) return result;
  uint8_t reply[4] = {};
  do {
    n = recv(fd, reply, sizeof reply, 0);
  } while (n < 0 && errno == EINTR);
  // End of file or a partial reply: the server hung up without replying.
  if (n == static_cast<ssize_t>(sizeof reply)) {
    result.reply_read = true;
    result.reply = static_cast<int32_t>(
        static_cast<uint32_t>(reply[0]) | static_cast<uint32_t>(reply[1]) << 8 |
        static_cast<uint32_t>(reply[2]) << 16 | static_cast<uint32_t>(reply[3]) << 24);
  }
  return result;
}

}  // namespace platform
