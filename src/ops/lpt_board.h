#pragma once
// The parallel-port board as a program owns it: its port, its bus link and its whole-image
// operations, handed to the operations and the connection monitor in place of the USB
// board's, so choosing the link at run time is one call.
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

    // From now on ops run this board's operations and the monitor (if any) ticks this
    // board; the caller connects and releases it through link(). The USB link stays for
    // Check Firmware alone: its LinkUi is detached, so a failed firmware read leaves this
    // board's status line and Pager menu alone. The board must outlive their use.
    void attach(UsbLink& usb, Operations& ops, ConnectionMonitor* monitor = nullptr) {
        usb.setUi(nullptr);
        ops.setBoard(&ops_);
        if (monitor)
            monitor->setLink(link_);
    }

    LptLink& link() { return link_; }
    LptOps& operations() { return ops_; }

  private:
    std::unique_ptr<PortIo> io_;
    LptLink link_;
    LptOps ops_;
};

} // namespace kpr
