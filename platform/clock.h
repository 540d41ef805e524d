// Tick count and sleeping go through one clock, so fixed waits can run on
// virtual time in tests.
#ifndef PLATFORM_CLOCK_H_
#define PLATFORM_CLOCK_H_

#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps like GetTickCount.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;
};

// The real clock of the platform.
Clock& SystemClock();

}  // namespace platform

#endif  // PLATFORM_CLOCK_H_
