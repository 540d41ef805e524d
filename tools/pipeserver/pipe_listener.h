// The server end of the progress pipe, one client at a time: a named pipe
// with a single instance on Windows, a Unix-domain stream socket on Linux.
#ifndef TOOLS_PIPESERVER_PIPE_LISTENER_H_
#define TOOLS_PIPESERVER_PIPE_LISTENER_H_

#include <cstdint>
#include <memory>
#include <string>

namespace pipeserver {

// One connected client.
class PipeClient {
 public:
  virtual ~PipeClient() = default;
  // Reads until `size` bytes came, the client hung up or `timeout_ms`
  // passed; then counts what else the client has already sent, up to a
  // limit. Returns the number of bytes the client sent, of which the first
  // min(n, size) are in `buffer`.
  virtual int ReadMessage(uint8_t* buffer, int size, int timeout_ms) = 0;
  // Writes the 4-byte little-endian reply and lets the client read it
  // before the connection goes.
  virtual bool Reply(int32_t value) = 0;
  // Ends the connection; the client's read sees the hang-up.
  virtual void Disconnect() = 0;
};

class PipeListener {
 public:
  virtual ~PipeListener() = default;
  // Creates the pipe; false (with `error` set) when it exists already or
  // cannot be made.
  virtual bool Listen(const std::string& name, std::string* error) = 0;
  // Waits up to `timeout_ms` for a client; null when none came. While the
  // returned client lives, no other client can open the pipe.
  virtual std::unique_ptr<PipeClient> Accept(int timeout_ms) = 0;
  // The client being served is the last: from now on the pipe stays busy
  // until it vanishes, so no later client gets in only to be dropped.
  virtual void Seal() = 0;
  // Removes the pipe; later opens fail as if no server had ever run.
  virtual void Vanish() = 0;
};

// At most one client is served and at most one can be waiting to be
// accepted, so a client that comes while another is served is refused at
// once. By default the next client can open the pipe as soon as the served
// one has its reply; with `single_instance` only once the served client
// has closed its end and the server has seen it, as with a pipe of one
// instance, so a client that opens again at once may find it busy.
std::unique_ptr<PipeListener> CreatePipeListener(bool single_instance);

// "\\.\pipe\KavroRollcast" on Windows; on Linux $ZANTOR_PIPE when set,
// else /tmp/KavroRollcast, the client's rule.
std::string DefaultPipeName();

}  // namespace pipeserver

#endif  // TOOLS_PIPESERVER_PIPE_LISTENER_H_
