#include "link/lpt_link.h"

#include "hardware/clock.h"
#include "link/usb_link.h"

namespace kpr {

LptLink::LptLink(PortIo& io, Clock& clock, OperatorMessages& messages)
    : io_(io), clock_(clock), messages_(messages) {}

void LptLink::delay_tick() {
    clock_.waitUs(DelayTickUs);
}

void LptLink::delay_ms(int ms) {
    clock_.waitMs(ms);
}

void LptLink::out(uint8_t v) {
    LptOut = v;
    io_.write_data(v);
}

void LptLink::lpt_sda_high() {
    out(LptOut & ~LptSdaBit);
}
void LptLink::lpt_sda_low() {
    out(LptOut | LptSdaBit);
}
void LptLink::lpt_scl_high() {
    out(LptOut & ~LptSclBit);
}
void LptLink::lpt_scl_low() {
    out(LptOut | LptSclBit);
}

// Data falls while the clock is high, then the clock goes low.
void LptLink::lpt_start() {
    out(LptIdle);
    delay_tick();
    out(LptClockHighDataLow);
    delay_tick();
    out(LptClockLowDataLow);
    delay_tick();
}

// The clock rises, then data rises while the clock is high.
void LptLink::lpt_stop() {
    out(LptClockLowDataLow);
    delay_tick();
    out(LptClockHighDataLow);
    delay_tick();
    out(LptIdle);
    delay_tick();
}

void LptLink::lpt_park() {
    delay_ms(100);
    out(LptClockHighDataLow);
    delay_tick();
}

bool LptLink::lpt_sendbyte(uint8_t b) {
    for (int bit = 7; bit >= 0; --bit) {
        if ((b >> bit) & 1)
            lpt_sda_high();
        else
            lpt_sda_low();
        delay_tick();
        lpt_scl_high();
        delay_tick();
        lpt_scl_low();
        delay_tick();
    }
    // The acknowledge bit: the memory pulls the released data line low.
    lpt_sda_high();
    delay_tick();
    lpt_scl_high();
    delay_tick();
    const uint8_t status = io_.read_status();
    lpt_scl_low();
    delay_tick();
    return (status & LptStatusSdaLow) != 0;
}

uint8_t LptLink::lpt_recvbyte(int last) {
    lpt_sda_high();
    uint8_t b = 0;
    for (int i = 0; i < 8; ++i) {
        b = static_cast<uint8_t>(b << 1);
        lpt_scl_high();
        delay_tick();
        if ((io_.read_status() & LptStatusSdaLow) == 0)
            b |= 1;
        lpt_scl_low();
        delay_tick();
    }
    if (last == 0)
        lpt_sda_low();
    else
        lpt_sda_high();
    delay_tick();
    lpt_scl_high();
    delay_tick();
    lpt_scl_low();
    delay_tick();
    return b;
}

bool LptLink::lpt_openread(int a) {
    const uint8_t device = lpt_device_byte(a);
    bool acknowledged = false;
    for (int i = 0; i < LptDeviceTries && !acknowledged; ++i) {
        lpt_start();
        acknowledged = lpt_sendbyte(device);
    }
    if (!acknowledged || port_fault()) {
        lpt_park();
        messages_.message(MsgReadError);
        return false;
    }
    // The acknowledgements of the address and of the reading device byte are not checked:
    // a memory that stopped answering reads as &HFF, which the read's checks catch.
    lpt_sendbyte(static_cast<uint8_t>(a & 0xFF));
    lpt_start();
    lpt_sendbyte(static_cast<uint8_t>(device + 1));
    return true;
}

std::optional<uint8_t> LptLink::lpt_readbyte(int a) {
    if (!lpt_openread(a))
        return std::nullopt;
    const uint8_t b = lpt_recvbyte(0xFF);
    lpt_stop();
    return b;
}

bool LptLink::probe() {
    lpt_stop();
    delay_ms(50);
    lpt_stop();
    delay_ms(50);
    lpt_scl_low();
    // Pull the data line low, then release it: with the board there, it follows.
    io_.write_data(io_.read_data() | LptSdaBit);
    delay_ms(50);
    io_.read_status();
    io_.write_data(io_.read_data() & ~LptSdaBit);
    delay_ms(50);
    const bool high = (io_.read_status() & LptStatusSdaLow) == 0;
    lpt_stop();
    return high && io_.error().empty();
}

bool LptLink::lpt_connect() {
    LptOut = LptIdle;
    LptData = 0;
    LptStatus = 0;
    std::string unusable;
    bool anyOpened = false;
    for (uint16_t base : LptBases) {
        if (!io_.open(base)) {
            if (!io_.error().empty())
                unusable += "\n" + io_.error();
            continue;
        }
        anyOpened = true;
        if (probe()) {
            LptData = base;
            LptStatus = static_cast<uint16_t>(base + 1);
            return true;
        }
        io_.close();
    }
    if (!anyOpened)
        messages_.message(MsgNoParallelPort + (unusable.empty() ? "\nnone found" : unusable),
                          MessageIcon::Critical);
    messages_.message(MsgBoardNotResponding, MessageIcon::Warning);
    return false;
}

std::optional<BoardState> LptLink::monitor_tick() {
    if (io_.is_open())
        io_.write_data(LptClockHighDataLow);
    return std::nullopt;
}

void LptLink::close() {
    io_.close();
}

} // namespace kpr
