#include "tests/support/virtual_loop.h"

namespace testing_support {

bool VirtualLoop::Post(uint32_t id, uintptr_t wparam, intptr_t lparam) {
  queue_.push_back(platform::Message{id, wparam, lparam});
  return true;
}

void VirtualLoop::StartTimer(uint32_t id, uint32_t interval_ms, platform::TimerSink* sink) {
  timers_[id] = Timer{interval_ms, now_ + interval_ms, timer_order_++, sink};
}

bool VirtualLoop::WatchSocket(platform::SocketHandle socket, uint32_t message_id) {
  if (socket == platform::kNoSocket) return false;
  watches_[socket] = message_id;
  return true;
}

bool VirtualLoop::SignalReadable(platform::SocketHandle socket) {
  auto it = watches_.find(socket);
  if (it == watches_.end()) return false;
  return Post(it->second, 0, 0);
}

void VirtualLoop::RunQueue() {
  while (!queue_.empty()) {
    platform::Message m = queue_.front();
    queue_.pop_front();
    dispatched_.push_back(m);
    auto it = sinks_.find(m.id);
    if (it != sinks_.end()) it->second->OnMessage(m);
  }
}

bool VirtualLoop::FireNextTimerAtOrBefore(uint64_t limit) {
  auto next = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.due > limit) continue;
    if (next == timers_.end() || it->second.due < next->second.due ||
        (it->second.due == next->second.due && it->second.order < next->second.order)) {
      next = it;
    }
  }
  if (next == timers_.end()) return false;
  if (next->second.due > now_) now_ = next->second.due;
  next->second.due = now_ + next->second.interval;
  const uint32_t id = next->first;
  next->second.sink->OnTimer(id);
  return true;
}

void VirtualLoop::ProcessPending() {
  RunQueue();
  while (FireNextTimerAtOrBefore(now_)) RunQueue();
}

void VirtualLoop::RunFor(uint64_t ms) {
  const uint64_t end = now_ + ms;
  RunQueue();
  while (!quit_ && FireNextTimerAtOrBefore(end)) RunQueue();
  if (now_ < end) now_ = end;
}

bool VirtualLoop::RunUntil(const std::function<bool()>& done, uint64_t max_ms) {
  const uint64_t end = now_ + max_ms;
  RunQueue();
  while (!done()) {
    if (quit_ || !FireNextTimerAtOrBefore(end)) return false;
    RunQueue();
  }
  return true;
}

int VirtualLoop::Run() {
  // Until Quit, or until nothing can ever happen again.
  RunQueue();
  while (!quit_ && FireNextTimerAtOrBefore(UINT64_MAX)) RunQueue();
  quit_ = false;
  return quit_code_;
}

}  // namespace testing_support
