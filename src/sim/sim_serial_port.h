#pragma once
// A serial port with the simulated board behind it, in the same process: what
// `kpr-programmer --simulate` talks to. Replies can come at the board's own 9600-baud pace
// or at once (tests).
#include "hardware/port_lister.h"
#include "hardware/serial_port.h"
#include "sim/board_sim.h"

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

namespace kpr {

// The pager of the `--simulate` demo: what the window shows after a start-up without
// default.tbl, so its band is the one the window selects and the first Read, Write and
// Verify all succeed.
BoardSim::Memory demo_sim_memory();

class SimSerialPort final : public SerialPort {
  public:
    enum Pace { RealSpeed, Instant };
    static constexpr const char* PortName = "simulated-board";

    explicit SimSerialPort(Pace pace = Instant, BoardSim::Memory memory = demo_sim_memory(),
                           SimFaults faults = {}, std::string name = PortName);
    const std::string& name() const { return name_; }

    bool open(const std::string& name) override;
    bool isOpen() const override { return open_; }
    bool flush() override;
    int bytesWaiting() override;
    int readByte() override;
    int read(uint8_t* buffer, int n) override;
    int write(const uint8_t* buffer, int n) override;
    bool waitForReadable(int maxMs) override;
    bool close() override;

    // The pager in the board (for tests and demos).
    const BoardSim::Memory& memory() const { return sim_.memory(); }
    BoardSim& board() { return sim_; }
    int opens() const { return opens_; }

  private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        uint8_t byte;
        Clock::time_point due;
    };
    int ready(Clock::time_point now) const;

    Pace pace_;
    std::string name_;
    BoardSim sim_;
    SimWire wire_; // at RealSpeed, in milliseconds of Clock
    std::deque<Pending> rx_;
    bool open_ = false;
    int opens_ = 0;
    mutable std::mutex mutex_;
};

// The ports `--simulate` offers: the simulated board, then any named with --port.
class SimPortLister final : public PortLister {
  public:
    SimPortLister(SimSerialPort&, std::vector<std::string> extra = {}) : extra_(std::move(extra)) {}
    std::vector<std::string> ports() override;

  private:
    std::vector<std::string> extra_;
};

// The boards of `kpr-programmer --simulate N`: the first is the board `--simulate` gives
// alone, each further one named "simulated-board-K". With more than one, every board is a
// station socket that takes a fresh pager (the next serial number) once one was written
// and read back.
class SimBoards {
  public:
    SimBoards(int boards, SimSerialPort::Pace pace, std::vector<SimFaults> faults = {},
              BoardSim::Memory memory = demo_sim_memory());

    int count() const { return static_cast<int>(boards_.size()); }
    SimSerialPort& board(int index) { return *boards_.at(static_cast<size_t>(index)); }
    std::vector<std::string> ports() const;
    // A port onto the board named `name` that leaves the board where it is; null for a name
    // that is none of them.
    std::unique_ptr<SerialPort> port(const std::string& name);

  private:
    BoardSim::Memory fresh_pager();

    BoardSim::Memory memory_;
    std::mutex mutex_; // the serial numbers, handed out from every board's thread
    std::string lastSerial_;
    std::vector<std::unique_ptr<SimSerialPort>> boards_;
};

} // namespace kpr
