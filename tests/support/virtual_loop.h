// A deterministic event loop on virtual time: posted messages run in order,
// timers fire at exact virtual milliseconds, and the clock only moves when a
// test advances it. A 195-second wait runs in microseconds.
#ifndef TESTS_SUPPORT_VIRTUAL_LOOP_H_
#define TESTS_SUPPORT_VIRTUAL_LOOP_H_

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/clock.h"
#include "platform/event_loop.h"

namespace testing_support {

class VirtualLoop final : public platform::EventLoop, public platform::Clock {
 public:
  // EventLoop
  void Register(uint32_t id, platform::MessageSink* sink) override { sinks_[id] = sink; }
  void Unregister(uint32_t id) override { sinks_.erase(id); }
  bool Post(uint32_t id, uintptr_t wparam, intptr_t lparam) override;
  void StartTimer(uint32_t id, uint32_t interval_ms, platform::TimerSink* sink) override;
  void StopTimer(uint32_t id) override { timers_.erase(id); }
  bool WatchSocket(platform::SocketHandle socket, uint32_t message_id) override;
  void UnwatchSocket(platform::SocketHandle socket) override { watches_.erase(socket); }
  void ProcessPending() override;
  int Run() override;
  void Quit(int code) override {
    quit_ = true;
    quit_code_ = code;
  }
  bool QuitRequested() const override { return quit_; }

  // Clock: Sleep moves virtual time without running anything, as a
  // blocking sleep on the user-interface thread does.
  uint32_t TickCount() override { return static_cast<uint32_t>(now_); }
  void Sleep(uint32_t ms) override { now_ += ms; }

  // Test controls.
  uint64_t now() const { return now_; }
  // Runs messages and timers until virtual time `ms` later.
  void RunFor(uint64_t ms);
  // Runs messages and timers, one timer at a time, until `done` holds or
  // virtual time `max_ms` later; true when `done` held.
  bool RunUntil(const std::function<bool()>& done, uint64_t max_ms);
  // Raise the socket notification as if a datagram had arrived.
  bool SignalReadable(platform::SocketHandle socket);
  bool IsWatched(platform::SocketHandle socket) const { return watches_.count(socket) != 0; }
  bool TimerRunning(uint32_t id) const { return timers_.count(id) != 0; }
  size_t pending() const { return queue_.size(); }
  // Every message dispatched so far, in order.
  const std::vector<platform::Message>& dispatched() const { return dispatched_; }

 private:
  struct Timer {
    uint32_t interval;
    uint64_t due;
    uint64_t order;  // start order breaks ties between timers due together
    platform::TimerSink* sink;
  };
  void RunQueue();
  bool FireNextTimerAtOrBefore(uint64_t limit);

  std::map<uint32_t, platform::MessageSink*> sinks_;
  std::deque<platform::Message> queue_;
  std::map<uint32_t, Timer> timers_;
  std::map<platform::SocketHandle, uint32_t> watches_;
  std::vector<platform::Message> dispatched_;
  uint64_t now_ = 0;
  uint64_t timer_order_ = 0;
  bool quit_ = false;
  int quit_code_ = 0;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_VIRTUAL_LOOP_H_
