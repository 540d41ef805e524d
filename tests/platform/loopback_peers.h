// Bare sockets on 127.0.0.1 for the contract tests, one backend per OS:
// the peers must not share code with what they test.
#ifndef TESTS_PLATFORM_LOOPBACK_PEERS_H_
#define TESTS_PLATFORM_LOOPBACK_PEERS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/socket_handle.h"

namespace loopback {

// The local port a socket of the UDP backend is bound to; 0 when unknown.
uint16_t BoundPort(platform::SocketHandle socket);

class TcpStream {
 public:
  virtual ~TcpStream() = default;
  // Up to `size` bytes; 0 at end of stream, -1 on error or after
  // `timeout_ms` without data.
  virtual int Receive(uint8_t* buffer, size_t size, int timeout_ms) = 0;
  virtual bool SendAll(const std::string& bytes) = 0;
  // Closes with a reset (linger 0) instead of an orderly end.
  virtual void Reset() = 0;
};

class TcpListener {
 public:
  virtual ~TcpListener() = default;
  virtual uint16_t port() const = 0;
  // Null when no client came within `timeout_ms`.
  virtual std::unique_ptr<TcpStream> Accept(int timeout_ms) = 0;
};

// Listening on 127.0.0.1 at a port the system picks; null on failure.
std::unique_ptr<TcpListener> ListenOnLoopback();

// A loopback port nothing listens on: bound, never listened on, so a
// connection to it is refused while the returned holder lives.
class PortHolder {
 public:
  virtual ~PortHolder() = default;
  virtual uint16_t port() const = 0;
};
std::unique_ptr<PortHolder> HoldClosedPort();

// Points this process's progress pipe somewhere private (Linux: a fresh
// socket path through $ZANTOR_PIPE) and returns the name a server must use.
// Windows has one fixed name; tests there run in a private Wine prefix.
std::string UsePrivatePipeName();

// A raw client of the progress pipe that connects and sends `bytes`, then
// stays connected until destroyed. Null when the pipe cannot be opened.
class PipeHolder {
 public:
  virtual ~PipeHolder() = default;
};
std::unique_ptr<PipeHolder> HoldPipe(const std::string& name, const std::string& bytes);

}  // namespace loopback

#endif  // TESTS_PLATFORM_LOOPBACK_PEERS_H_
