#pragma once
// A printer port for tests: what stands at each legacy base (a pager memory behind the
// board, a port with nothing attached, a port that cannot be opened), and a clock with
// microsecond steps so the bus timing runs on fake time.
#include "eeprom_model.h"
#include "platform/clock.h"
#include "platform/port_io.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kpr::test {

// A clock that moves only when waited on; microsecond resolution for the bus ticks.
class MicroClock final : public Clock {
  public:
    int64_t nowMs() override { return nowUs_ / 1000; }
    void waitMs(int ms) override {
        if (ms > 0)
            nowUs_ += int64_t{ms} * 1000;
    }
    void waitUs(int us) override {
        if (us > 0)
            nowUs_ += us;
    }
    int64_t nowUs() const { return nowUs_; }

  private:
    int64_t nowUs_ = 1'000'000;
};

class FakePortIo final : public PortIo {
  public:
    struct Slot {
        // Why the port cannot be opened; empty: it opens.
        std::string openError;
        // The memory behind the board, or none: nothing attached.
        EepromModel* memory = nullptr;
        // What the status register reads with nothing attached (bit 3 usually set).
        uint8_t floatingStatus = 0xFF;
    };
    // What stands at each base; a base not listed is not in use.
    std::map<uint16_t, Slot> bases;

    bool open(uint16_t base) override;
    void close() override { base_ = 0; }
    bool is_open() const override { return base_ != 0; }
    uint8_t read_data() override;
    void write_data(uint8_t value) override;
    uint8_t read_status() override;
    std::string error() const override { return error_; }

    // Makes every register call fail from now on, as a port that went away.
    void break_port(const std::string& why) { broken_ = why; }

    std::vector<uint16_t> opened; // bases opened, in order
    std::vector<uint8_t> written; // every data-register value, in order

  private:
    Slot* slot();
    bool usable(); // open and not broken; otherwise the error is set

    uint16_t base_ = 0;
    uint8_t data_ = 0xFF;
    std::string error_;
    std::string broken_;
};

} // namespace kpr::test
