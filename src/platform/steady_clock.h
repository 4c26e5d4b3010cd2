#pragma once
// The Clock of the product: std::chrono's steady clock.
#include "hardware/clock.h"

namespace kpr {

class SteadyClock final : public Clock {
  public:
    int64_t nowMs() override;
    void waitMs(int ms) override;
    // A busy wait: a sleep this short would oversleep by far.
    void waitUs(int us) override;
};

} // namespace kpr
