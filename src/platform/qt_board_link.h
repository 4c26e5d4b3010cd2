#pragma once
// The USB board link wired to the product's stand-ins: QSerialPort, the system's port list
// (plus ports named with --port) and the steady clock. What kpr-programmer and kprtool own.
#include <memory>
#include <string>
#include <vector>

#include "link/trace_serial_port.h"
#include "link/usb_link.h"
#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"
#include "registry/serial_comm_key.h"

namespace kpr {

class QtBoardLink {
  public:
    // trace: the program's serial trace, or nullptr. extraPorts: ports named on the command
    // line; with onlyThose the system's list is not consulted at all (kprtool --port P talks
    // to P alone).
    QtBoardLink(OperatorMessages& messages, std::ostream* trace,
                std::vector<std::string> extraPorts = {}, bool onlyThose = false)
        : lister_(std::move(extraPorts)),
          trace_(trace ? std::make_unique<TraceSerialPort>(port_, *trace, clock_) : nullptr),
          link_(trace_ ? static_cast<SerialPort&>(*trace_) : port_, lister_, clock_, messages) {
        lister_.setExtraOnly(onlyThose);
        // Discovery reads the port list the way the board's driver publishes it.
        link_.setPortListSource(serialCommView([this] { return lister_.ports(); }));
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
    // The link talks through a trace of the port when the program was asked for one.
    std::unique_ptr<TraceSerialPort> trace_;
    UsbLink link_;
};

} // namespace kpr
