#pragma once
// Raw access to the printer port the parallel-port programmer board hangs on: one byte of
// the data register (written, and readable back) and the status register. The product
// uses Linux ppdev; tests put a model of the pager's memory behind a fake.
#include <cstdint>
#include <string>

namespace kpr {

// The three legacy printer-port bases, in the order the board is looked for.
inline constexpr uint16_t LptBase1 = 0x378;
inline constexpr uint16_t LptBase2 = 0x278;
inline constexpr uint16_t LptBase3 = 0x3BC;

class PortIo {
  public:
    virtual ~PortIo() = default;
    // Makes the port at this base the one the register calls reach (closing any other).
    // False when there is no port there or it may not be used; error() then says why in
    // the operator's words, or is empty when the base is simply not in use.
    virtual bool open(uint16_t base) = 0;
    // Gives the port back to the system. Safe to call when nothing is open.
    virtual void close() = 0;
    virtual bool is_open() const = 0;

    virtual uint8_t read_data() = 0;
    virtual void write_data(uint8_t value) = 0;
    virtual uint8_t read_status() = 0;

    // The first fault since open() (or why open() failed); empty when none. A register
    // call that fails reads as 0 and leaves its fault here.
    virtual std::string error() const = 0;
};

} // namespace kpr
