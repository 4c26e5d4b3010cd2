#pragma once
// A steady millisecond clock and a plain wait. The product uses the system's steady clock;
// tests use a fake clock that only moves when told to, so no test ever sleeps.
#include <cstdint>

namespace kpr {

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed point; never goes backwards.
    virtual int64_t nowMs() = 0;
    // Waits ms milliseconds.
    virtual void waitMs(int ms) = 0;
    // Waits about us microseconds: the parallel-port bus clock. Clocks without a finer
    // timer round up to whole milliseconds.
    virtual void waitUs(int us) { waitMs((us + 999) / 1000); }
};

} // namespace kpr
