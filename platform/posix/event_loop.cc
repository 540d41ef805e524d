// The POSIX event loop: a queue of posted messages, periodic timers on the
// monotonic clock, and poll() for socket readiness. Message order matches
// the Win32 loop: posted messages first, then timers that are due, then
// socket notifications, each notification re-armed only after its message
// has been handled.
#include "platform/event_loop.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <vector>

namespace platform {
namespace {

uint64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

class PollLoop final : public EventLoop {
 public:
  void Register(uint32_t id, MessageSink* sink) override { sinks_[id] = sink; }
  void Unregister(uint32_t id) override { sinks_.erase(id); }

  bool Post(uint32_t id, uintptr_t wparam, intptr_t lparam) override {
    queue_.push_back(Message{id, wparam, lparam});
    return true;
  }

  void StartTimer(uint32_t id, uint32_t interval_ms, TimerSink* sink) override {
    // Like SetTimer: restarting an existing timer resets its period.
    timers_[id] = Timer{interval_ms, NowMs() + interval_ms, sink};
  }
  void StopTimer(uint32_t id) override { timers_.erase(id); }

  bool WatchSocket(SocketHandle socket, uint32_t message_id) override {
    if (socket < 0) return false;
    watches_[static_cast<int>(socket)] = Watch{message_id, false};
    return true;
  }
  void UnwatchSocket(SocketHandle socket) override { watches_.erase(static_cast<int>(socket)); }

  void ProcessPending() override { Pump(0); }

  int Run() override {
    while (!quit_) Pump(-1);
    quit_ = false;
    return quit_code_;
  }

  void Quit(int code) override {
    quit_ = true;
    quit_code_ = code;
  }
  bool QuitRequested() const override { return quit_; }

 private:
  struct Timer {
    uint32_t interval;
    uint64_t due;
    TimerSink* sink;
  };
  struct Watch {
    uint32_t message;
    bool notified;  // a notification is queued and not yet handled
  };
  // Marks the end of a socket notification in the queue.
  static constexpr uint32_t kRearm = 0xFFFFFFFFu;

  void Dispatch(const Message& m) {
    if (m.id == kRearm) {
      auto it = watches_.find(static_cast<int>(m.lparam));
      if (it != watches_.end()) it->second.notified = false;
      return;
    }
    auto it = sinks_.find(m.id);
    if (it != sinks_.end()) it->second->OnMessage(m);
  }

  // One round: everything queued, due timers, then readiness. `wait_ms` -1
  // waits until something happens.
  void Pump(int wait_ms) {
    RunQueue();
    RunDueTimers();
    if (quit_ && wait_ms < 0) return;

    std::vector<pollfd> fds;
    for (const auto& [fd, w] : watches_) {
      if (!w.notified) fds.push_back(pollfd{fd, POLLIN, 0});
    }
    int timeout = wait_ms;
    if (!queue_.empty()) timeout = 0;
    if (timeout != 0 && !timers_.empty()) {
      uint64_t next = UINT64_MAX;
      for (const auto& [id, t] : timers_) next = std::min(next, t.due);
      const uint64_t now = NowMs();
      const int until = next <= now ? 0 : static_cast<int>(std::min<uint64_t>(next - now, 60000));
      timeout = timeout < 0 ? until : std::min(timeout, until);
    }
    if (fds.empty() && timeout < 0) return;  // nothing can ever happen
    const int ready = poll(fds.data(), fds.size(), timeout);
    if (ready > 0) {
      for (const pollfd& p : fds) {
        if (!(p.revents & (POLLIN | POLLERR))) continue;
        auto it = watches_.find(p.fd);
        if (it == watches_.end()) continue;
        it->second.notified = true;
        queue_.push_back(Message{it->second.message, 0, 0});
        queue_.push_back(Message{kRearm, 0, p.fd});
      }
    }
    RunQueue();
    RunDueTimers();
  }

  void RunQueue() {
    // Only what is queued now; handlers may post more, which the next round
    // runs, so a handler that re-posts itself cannot starve timers.
    size_t n = queue_.size();
    while (n-- > 0 && !queue_.empty()) {
      Message m = queue_.front();
      queue_.pop_front();
      Dispatch(m);
    }
  }

  void RunDueTimers() {
    const uint64_t now = NowMs();
    std::vector<uint32_t> due;
    for (const auto& [id, t] : timers_) {
      if (t.due <= now) due.push_back(id);
    }
    for (uint32_t id : due) {
      auto it = timers_.find(id);
      if (it == timers_.end()) continue;  // stopped by an earlier handler
      // Like WM_TIMER, late ticks are not queued up: one tick, then the
      // next period starts from now.
      it->second.due = now + it->second.interval;
      it->second.sink->OnTimer(id);
    }
  }

  std::map<uint32_t, MessageSink*> sinks_;
  std::deque<Message> queue_;
  std::map<uint32_t, Timer> timers_;
  std::map<int, Watch> watches_;
  bool quit_ = false;
  int quit_code_ = 0;
};

}  // namespace

std::unique_ptr<EventLoop> CreateEventLoop() { return std::make_unique<PollLoop>(); }

}  // namespace platform
