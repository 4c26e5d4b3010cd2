#pragma once
// The simulated board as the peer of a fake port: the link under test talks to the very
// state machine kpr-board-sim serves, with the wire's timing played on the fake clock.
#include <cmath>

#include "sim/board_sim.h"
#include "support/fake_serial_port.h"

namespace kpr::test {

class SimPeer final : public PortPeer {
  public:
    explicit SimPeer(const BoardSim::Memory& memory, SimFaults faults = {})
        : board(memory, faults) {}

    void onBytes(FakeLine& line, std::span<const uint8_t> bytes) override {
        if (board.hungUp())
            return;
        // The command takes its time on the wire before the board has it.
        double t =
            static_cast<double>(line.nowMs()) + static_cast<double>(bytes.size()) * SimByteTimeMs;
        for (const SimReply& r : board.feed(bytes)) {
            t += r.busyMs;
            for (uint8_t b : r.bytes) {
                t += SimByteTimeMs;
                const uint8_t one[] = {b};
                line.deliver(static_cast<int64_t>(std::ceil(t)), one);
            }
        }
        if (board.hungUp())
            line.hangUp(static_cast<int64_t>(std::ceil(t)) + 1);
    }

    BoardSim board;
};

} // namespace kpr::test
