// The Windows clock: the tick count the updater's fixed waits were written
// against, and a plain blocking Sleep.
#include "platform/clock.h"

#include <windows.h>

namespace platform {
namespace {

class TickClock final : public Clock {
 public:
  // GetTickCount wraps after 49.7 days; callers compare by subtraction.
  uint32_t TickCount() override { return static_cast<uint32_t>(GetTickCount()); }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
};

}  // namespace

Clock& SystemClock() {
  static TickClock clock;
  return clock;
}

}  // namespace platform
