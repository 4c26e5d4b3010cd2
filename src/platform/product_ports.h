#pragma once
// The product's board ports, built one way for both programs: QSerialPort over the system's
// list plus the ports named on the command line, or the simulated boards of --simulate; every
// port traced when a trace was asked for, and the board searched for in the SERIALCOMM view of
// the list, as the board's driver publishes it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hardware/port_io.h"
#include "link/trace_serial_port.h"
#include "link/usb_link.h"
#include "platform/steady_clock.h"
#include "sim/sim_serial_port.h"

namespace kpr {

struct PortOptions {
    std::vector<std::string> named; // --port
    bool namedOnly = false;         // kprtool --port P talks to P alone
    int simulatedBoards = 0;        // kpr-programmer --simulate [N]
    const TraceFile* trace = nullptr;
};

class ProductPorts {
  public:
    explicit ProductPorts(PortOptions options);
    ProductPorts(const ProductPorts&) = delete;
    ProductPorts& operator=(const ProductPorts&) = delete;

    Clock& clock() { return clock_; }
    PortLister& lister() { return *lister_; }
    // The port of the program's own link.
    SerialPort& port() { return *port_; }
    // Where a UsbLink looks for its board: the SERIALCOMM view of lister().
    PortNameSource boardSearchList();
    // Every port a station may use: the simulated boards' or the system's, and the named ones.
    std::vector<std::string> stationPorts();
    // A port of its own onto `name`, for one station position; traced like the link's.
    std::unique_ptr<SerialPort> makePort(const std::string& name);

  private:
    std::unique_ptr<SerialPort> makeTraced(std::unique_ptr<SerialPort> port);

    PortOptions options_;
    SteadyClock clock_;
    // The simulated boards outlive every port onto them.
    std::unique_ptr<SimBoards> sims_;
    std::unique_ptr<PortLister> lister_;
    std::unique_ptr<SerialPort> port_;
};

// A USB link on the product's ports, finding its board in their SERIALCOMM view.
class ProductUsbLink {
  public:
    ProductUsbLink(OperatorMessages& messages, PortOptions options);
    UsbLink& link() { return link_; }
    ProductPorts& ports() { return ports_; }
    Clock& clock() { return ports_.clock(); }

  private:
    ProductPorts ports_;
    UsbLink link_;
};

// The parallel port of a board on `device` (e.g. /dev/parport0); nullptr where the system has
// no parallel ports to offer (the reason has been shown).
std::unique_ptr<PortIo> make_lpt_port(const std::string& device, OperatorMessages& messages);

} // namespace kpr
