#include "platform/clock.h"

#include <time.h>

#include <cerrno>

namespace platform {
namespace {

class MonotonicClock final : public Clock {
 public:
  uint32_t TickCount() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
  }
  void Sleep(uint32_t ms) override {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

Clock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}

}  // namespace platform
