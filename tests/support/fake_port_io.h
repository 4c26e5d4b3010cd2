#pragma once
// A printer port for tests: what stands at each legacy base (the pager's memory behind the
// board, nothing attached, a port that cannot be opened), on a clock with microsecond steps.
//
// The memory is a 2048-byte two-wire serial memory in 16-byte pages (device bytes
// &HA0..&HAF carry the address's bits 8-10) behind the board's inverted lines: driven by the
// data register, answering through status bit 3. It acknowledges its device, address and
// data bytes, buffers a page write (rolling over inside the page) until the stop, then is
// busy for its write cycle and refuses its device byte; sequential reads run on and wrap.
#include "hardware/clock.h"
#include "hardware/port_io.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kpr::test {

class MicroClock final : public Clock {
  public:
    int64_t nowMs() override { return nowUs_ / 1000; }
    void waitMs(int ms) override { nowUs_ += ms > 0 ? int64_t{ms} * 1000 : 0; }
    void waitUs(int us) override { nowUs_ += us > 0 ? us : 0; }
    int64_t nowUs() const { return nowUs_; }

  private:
    int64_t nowUs_ = 1'000'000;
};

class EepromModel {
  public:
    explicit EepromModel(std::function<int64_t()> nowUs) : now_(std::move(nowUs)) {
        memory.fill(0xFF);
    }
    std::array<uint8_t, 2048> memory{};
    int writeCycleUs = 10000;
    bool chipPresent = true;     // false: a board without a pager, nothing acknowledges
    bool writeProtected = false; // acknowledges writes, keeps its bytes

    // Each transaction with bytes, from a start to the next start or stop: its bytes as "A0+"
    // (taken) or "5C-" (not acknowledged by the receiver), then "P" if a stop ended it.
    std::vector<std::string> transactions;
    std::vector<std::pair<int, int>> pageWrites; // first address, bytes; at each stop
    int busyRefusals = 0;
    int violations = 0; // bits 2-7 cleared, data held low while the memory sends

    void on_data_register(uint8_t v);
    uint8_t status_register() const { return line() ? 0x07 : 0x0F; }
    void clear_records() {
        transactions.clear(), pageWrites.clear(), busyRefusals = 0, fresh_ = true;
    }

  private:
    bool line() const { return sdaMaster_ && sdaDevice_; }
    void log(const std::string& s);
    void rise();
    void fall();
    bool received(uint8_t b);
    void load() { sending_ = memory[static_cast<size_t>(addr_)], sdaDevice_ = sending_ & 0x80; }

    std::function<int64_t()> now_;
    bool scl_ = true, sdaMaster_ = true, sdaDevice_ = true; // true: released
    enum { Idle, Receive, Send } phase_ = Idle;
    enum { Device, Address, Data } target_ = Device;
    int bit_ = 0;
    uint8_t shift_ = 0, sending_ = 0;
    bool acked_ = false, reading_ = false, masterAck_ = false, fresh_ = true;
    int block_ = 0, addr_ = 0, first_ = 0;
    std::map<int, uint8_t> pending_;
    int64_t busyUntilUs_ = 0;
};

class FakePortIo final : public PortIo {
  public:
    struct Slot {
        std::string openError;         // why it cannot be opened; empty: it opens
        EepromModel* memory = nullptr; // none: nothing attached
    };
    std::map<uint16_t, Slot> bases; // a base not listed is not in use
    std::vector<uint16_t> opened;   // bases opened, in order
    std::vector<uint8_t> written;   // every data-register value, in order

    // Every register call fails from now on, as on a port that went away.
    void break_port(const std::string& why) { broken_ = why; }

    bool open(uint16_t base) override;
    void close() override { base_ = 0; }
    bool is_open() const override { return base_ != 0; }
    uint8_t read_data() override { return usable() ? data_ : 0; }
    void write_data(uint8_t value) override;
    uint8_t read_status() override;
    std::string error() const override { return error_; }

  private:
    bool usable();
    uint16_t base_ = 0;
    uint8_t data_ = 0xFF;
    std::string error_, broken_;
};

} // namespace kpr::test
