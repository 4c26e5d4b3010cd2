#pragma once
// The USB board link wired to the product's stand-ins: QSerialPort, the system's port list
// (plus ports named with --port) and the steady clock. What kpr-programmer and kprtool own.
#include <string>
#include <vector>

#include "link/usb_link.h"
#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"

namespace kpr {

class QtBoardLink {
  public:
    // extraPorts: ports named on the command line; with onlyThose the system's list is
    // not consulted at all (kprtool --port P talks to P alone).
    explicit QtBoardLink(OperatorMessages& messages, std::vector<std::string> extraPorts = {},
                         bool onlyThose = false)
        : lister_(std::move(extraPorts)), link_(port_, lister_, clock_, messages) {
        lister_.setExtraOnly(onlyThose);
    }
    QtBoardLink(const QtBoardLink&) = delete;
    QtBoardLink& operator=(const QtBoardLink&) = delete;

    UsbLink& link() { return link_; }
    PortLister& lister() { return lister_; }
    Clock& clock() { return clock_; }

  private:
    QtSerialPort port_;
    QtPortLister lister_;
    SteadyClock clock_;
    UsbLink link_;
};

} // namespace kpr
