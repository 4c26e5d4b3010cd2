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
        wire.received(static_cast<double>(line.nowMs()), bytes.size());
        for (const SimReply& r : board.feed(bytes))
            wire.send(r, [&line](uint8_t b, double due) {
                const uint8_t one[] = {b};
                line.deliver(static_cast<int64_t>(std::ceil(due)), one);
            });
        if (board.hungUp())
            line.hangUp(static_cast<int64_t>(std::ceil(wire.freeMs())) + 1);
    }

    BoardSim board;
    SimWire wire;
};

} // namespace kpr::test
