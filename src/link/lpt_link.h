#pragma once
// The parallel-port programmer board: the pager's 2048-byte two-wire serial memory wired
// straight to the printer port, driven bit by bit. The board inverts every line:
//
//   data bit 0 (&H01)   out  clock   0 = clock high, 1 = clock low
//   data bit 1 (&H02)   out  data    0 = released (high), 1 = pulled low
//   data bits 2-7       out  -       always 1
//   status bit 3 (&H08) in   data    1 = data line low, 0 = high
//
// Talks only to the PortIo and Clock interfaces. Every call of one LptLink must come from
// one thread at a time.
#include "common/operator_messages.h"
#include "hardware/port_io.h"
#include "link/board_link.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kpr {

class Clock;

inline constexpr std::array<uint16_t, 3> LptBases{LptBase1, LptBase2, LptBase3};

// Data register values: idle bus (clock high, data high), clock high with data low, both
// low.
inline constexpr uint8_t LptIdle = 0xFC;
inline constexpr uint8_t LptClockHighDataLow = 0xFE;
inline constexpr uint8_t LptClockLowDataLow = 0xFF;
inline constexpr uint8_t LptSclBit = 0x01;
inline constexpr uint8_t LptSdaBit = 0x02;
inline constexpr uint8_t LptStatusSdaLow = 0x08;

inline constexpr int DelayTickUs = 75;     // after every bus edge
inline constexpr int LptDeviceTries = 10;  // a read's device byte
inline constexpr int LptAckPollMs = 500;   // a write's device byte, while the memory is busy
inline constexpr int LptWriteCycleMs = 10; // the memory's write cycle
inline constexpr int LptPageSize = 16;

// The link used when none is chosen at run time: "USB", or "LPT" in a build configured
// with KPR_DEFAULT_LINK=LPT.
#ifdef KPR_DEFAULT_LINK_LPT
inline constexpr const char* DefaultLinkKind = "LPT";
#else
inline constexpr const char* DefaultLinkKind = "USB";
#endif

// The device byte that selects address a for writing (+1 for reading): &HA0 plus twice the
// address's bits 8-10.
constexpr uint8_t lpt_device_byte(int a) {
    return static_cast<uint8_t>(0xA0 | ((a & 0x700) >> 7));
}

class LptLink final : public BoardLink {
  public:
    LptLink(PortIo& io, Clock& clock, OperatorMessages& messages);

    // ----- link state -----
    uint16_t LptData = 0;   // the base that answered the probe; 0 before
    uint16_t LptStatus = 0; // LptData + 1
    uint8_t LptOut = LptIdle;

    bool connected() const { return LptData != 0; }
    Clock& clock() { return clock_; }
    OperatorMessages& messages() { return messages_; }
    // A fault of the port itself (not of the bus) since the board was found.
    bool port_fault() const { return !io_.error().empty(); }

    // ----- timing -----
    void delay_tick();
    // The probe's and park's pauses, and the memory's write cycle.
    void delay_ms(int ms);

    // ----- bus primitives (each writes the data register and updates LptOut) -----
    void lpt_sda_high();
    void lpt_sda_low();
    void lpt_scl_high();
    void lpt_scl_low();
    void lpt_start();
    void lpt_stop();
    void lpt_park();
    // True when the memory acknowledged b.
    bool lpt_sendbyte(uint8_t b);
    // last 0 acknowledges the byte (more to come); any other value does not.
    uint8_t lpt_recvbyte(int last);
    // Opens a random read of address a and leaves the bus ready to receive its byte: the
    // device byte (up to ten tries), the address byte, a repeated start and the device byte
    // for reading. When the device byte is never acknowledged: parks the bus, shows
    // "Read error!" and returns false.
    bool lpt_openread(int a);
    // One random read of address a; nothing when it failed ("Read error!" shown).
    std::optional<uint8_t> lpt_readbyte(int a);

    // ----- the board link -----
    std::string kind() const override { return LinkKindLpt; }
    // lpt_connect: the search reports a missing board whether interactive or not (only
    // start-up searches this board).
    bool connect(bool) override { return lpt_connect(); }
    // &HFE to the data register; the display is left alone.
    std::optional<BoardState> monitor_tick() override;
    // Nothing to give back: the port is closed when the board goes.
    bool release() override { return true; }

    // ----- discovery -----
    // Looks for the board at &H378, &H278 and &H3BC; shows "The Programmed Board is not
    // responding!" when none answers (after naming the ports that could not be used, when
    // none could). The port of the board found stays open.
    bool lpt_connect();
    // The probe of one base (the port at that base open).
    bool probe();
    // Gives the port back to the system.
    void close();

  private:
    void out(uint8_t v);

    PortIo& io_;
    Clock& clock_;
    OperatorMessages& messages_;
};

} // namespace kpr
