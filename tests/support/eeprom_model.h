#pragma once
// The pager's configuration memory as the parallel-port board presents it: a 2048-byte
// two-wire serial memory in 16-byte pages (device bytes &HA0..&HAF, the address's bits 8-10
// in the device byte), behind the board's inverted lines. It is driven by the values
// written to the printer port's data register and answers through status bit 3.
//
// It behaves as such a memory does: it acts on start and stop conditions, acknowledges
// its device, address and data bytes, buffers a page write (rolling over inside the page)
// until the stop, then stays busy for its write cycle and refuses its device byte
// meanwhile; sequential reads run on across pages and wrap at the end. It also records
// what it saw, and what a correct bus master never does, for the tests to check.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kpr::test {

class EepromModel {
  public:
    // now: the current time in microseconds (the test's clock).
    explicit EepromModel(std::function<int64_t()> now);

    static constexpr int Size = 2048;
    static constexpr int PageSize = 16;

    std::array<uint8_t, Size> memory{};
    // The write cycle after a stop that ends a page write.
    int writeCycleUs = 10000;
    // False: the board is there but no pager in it; nothing ever acknowledges.
    bool chipPresent = true;
    // A pager that acknowledges writes but keeps its old bytes.
    bool writeProtected = false;

    // ----- the board's side -----
    void on_data_register(uint8_t value);
    uint8_t status_register() const;

    // ----- what was seen -----
    struct BusByte {
        uint8_t value;
        bool fromMaster; // sent by the program; false: sent by the memory
        bool acked;      // acknowledged by the receiver
    };
    // What happened between a start condition and the next start or stop.
    struct Transaction {
        std::vector<BusByte> bytes;
        bool endedByStop = false;
    };
    struct PageWrite {
        int first; // the address the transaction named
        std::vector<int> addresses;
        int64_t committedAtUs;
    };
    std::vector<Transaction> transactions;
    std::vector<PageWrite> pageWrites;
    int busyRefusals = 0;  // device bytes refused during a write cycle
    int abortedWrites = 0; // page writes broken off by a start instead of a stop
    // Things a correct master never does (bits 2-7 cleared, data held low while the
    // memory sends). Empty in every correct run.
    std::vector<std::string> violations;

    // True while the memory is in its write cycle.
    bool busy() const;
    // Device bytes sent by the program, in order, acknowledged or not.
    std::vector<uint8_t> device_bytes() const;
    void clear_records();

  private:
    enum class Phase { Idle, Receive, Send };
    enum class Target { Device, Address, Data };

    bool line() const { return sdaMaster_ && sdaDevice_; }
    void clock_rise();
    void clock_fall();
    void on_start();
    void on_stop();
    bool byte_received(uint8_t b);
    void record(BusByte b);
    void note(const std::string& what);

    std::function<int64_t()> now_;
    bool scl_ = true;
    bool sdaMaster_ = true; // released
    bool sdaDevice_ = true; // released
    Phase phase_ = Phase::Idle;
    Target target_ = Target::Device;
    int bit_ = 0;
    uint8_t shift_ = 0;
    bool ackPhase_ = false;
    bool acked_ = false;     // the memory's answer to the byte just received
    bool nextSend_ = false;  // after the ack clock, start sending
    bool masterAck_ = false; // the program's answer to the byte just sent
    uint8_t sending_ = 0;
    int writeBlock_ = 0;
    int addr_ = 0;
    int pageFirst_ = 0;
    std::vector<std::pair<int, uint8_t>> pending_;
    int64_t busyUntilUs_ = 0;
};

} // namespace kpr::test
