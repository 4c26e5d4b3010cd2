#pragma once
// The parallel-port board as a program owns it: its port, its bus link and its whole-image
// operations, plugged into the USB link's connect, the connection monitor's tick and the
// operations' dispatcher, so choosing the link at run time is one call.
#include "link/connection_monitor.h"
#include "link/lpt_link.h"
#include "link/usb_link.h"
#include "ops/lpt_operations.h"
#include "ops/operations.h"
#include "platform/port_io.h"

#include <memory>

namespace kpr {

class LptBoard {
  public:
    LptBoard(std::unique_ptr<PortIo> io, Clock& clock, OperatorMessages& messages)
        : io_(std::move(io)), link_(*io_, clock, messages), ops_(link_) {}
    LptBoard(const LptBoard&) = delete;
    LptBoard& operator=(const LptBoard&) = delete;
    ~LptBoard() { link_.close(); }

    // From now on usb's board_connect looks for this board, ops run its operations and the
    // monitor (if any) writes its tick to this port. The board must outlive their use.
    void attach(UsbLink& usb, Operations& ops, ConnectionMonitor* monitor = nullptr) {
        usb.LinkKind = "LPT";
        usb.lpt_connect = [this] { return link_.lpt_connect(); };
        ops.setBoard(&ops_);
        if (monitor)
            monitor->lpt_tick = [this] { link_.monitor_tick(); };
    }

    LptLink& link() { return link_; }
    LptOps& operations() { return ops_; }

  private:
    std::unique_ptr<PortIo> io_;
    LptLink link_;
    LptOps ops_;
};

} // namespace kpr
