#pragma once
// A clock that moves only when someone waits on it or a test pushes it: no real sleeping.
#include <cstdint>

#include "hardware/clock.h"

namespace kpr::test {

class FakeClock final : public Clock {
  public:
    int64_t nowMs() override { return now_; }
    void waitMs(int ms) override { advance(ms); }
    void advance(int64_t ms) {
        if (ms > 0)
            now_ += ms;
    }
    void advanceTo(int64_t t) {
        if (t > now_)
            now_ = t;
    }

  private:
    int64_t now_ = 1000;
};

} // namespace kpr::test
