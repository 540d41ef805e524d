// The one seam through which the updater is driven: posted window messages,
// timers, socket readiness and the nested "run what is pending" of long
// operations. Win32 implements it with a window and its message queue, POSIX
// with a poll loop, and the tests with a deterministic loop on virtual time.
#ifndef PLATFORM_EVENT_LOOP_H_
#define PLATFORM_EVENT_LOOP_H_

#include <cstdint>
#include <memory>

#include "platform/socket_handle.h"

namespace platform {

// Window-message numbering as on Windows, so message numbers in the core are
// the real ones.
constexpr uint32_t kUserMessage = 0x0400;

struct Message {
  uint32_t id = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

class MessageSink {
 public:
  virtual void OnMessage(const Message& message) = 0;

 protected:
  ~MessageSink() = default;
};

class TimerSink {
 public:
  virtual void OnTimer(uint32_t timer_id) = 0;

 protected:
  ~TimerSink() = default;
};

class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Route a message number to its handler; one sink per number.
  virtual void Register(uint32_t message_id, MessageSink* sink) = 0;
  virtual void Unregister(uint32_t message_id) = 0;

  // Queue a message; it runs after the current handler returns, in posting
  // order. False when the queue refused it.
  virtual bool Post(uint32_t message_id, uintptr_t wparam, intptr_t lparam) = 0;

  // Start (or restart) a periodic timer. Timer ids are process-wide numbers
  // chosen by the caller.
  virtual void StartTimer(uint32_t timer_id, uint32_t interval_ms, TimerSink* sink) = 0;
  virtual void StopTimer(uint32_t timer_id) = 0;

  // Deliver `message_id` (no parameters) whenever `socket` has a datagram to
  // read, one message per readiness: after the message is handled the socket
  // is watched again, so datagrams left waiting raise further messages.
  virtual bool WatchSocket(SocketHandle socket, uint32_t message_id) = 0;
  virtual void UnwatchSocket(SocketHandle socket) = 0;

  // Run every message and timer that is due now, without waiting.
  virtual void ProcessPending() = 0;

  // Dispatch until Quit; returns the quit code.
  virtual int Run() = 0;
  virtual void Quit(int code) = 0;
  virtual bool QuitRequested() const = 0;
};

// The platform's loop (a hidden message window on Win32, poll on POSIX).
std::unique_ptr<EventLoop> CreateEventLoop();

}  // namespace platform

#endif  // PLATFORM_EVENT_LOOP_H_
