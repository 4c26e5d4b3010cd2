#include "platform/product_ports.h"

#include "ops/operations.h"
#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"
#include "registry/serial_comm_key.h"
#if defined(__linux__)
#include "platform/ppdev_port_io.h"
#endif

namespace kpr {

ProductPorts::ProductPorts(PortOptions options) : options_(std::move(options)) {
    std::unique_ptr<SerialPort> port;
    if (options_.simulatedBoards > 0) {
        sims_ = std::make_unique<SimBoards>(options_.simulatedBoards, SimSerialPort::RealSpeed);
        port = sims_->port(SimSerialPort::PortName);
        lister_ = std::make_unique<SimPortLister>(sims_->board(0), options_.named);
    } else {
        port = std::make_unique<QtSerialPort>();
        auto lister = std::make_unique<QtPortLister>(options_.named);
        lister->setExtraOnly(options_.namedOnly);
        lister_ = std::move(lister);
    }
    port_ = makeTraced(std::move(port));
}

std::unique_ptr<SerialPort> ProductPorts::makeTraced(std::unique_ptr<SerialPort> port) {
    return options_.trace ? options_.trace->wrap(std::move(port), clock_) : std::move(port);
}

PortNameSource ProductPorts::boardSearchList() {
    return serialCommView([this] { return lister_->ports(); });
}

std::vector<std::string> ProductPorts::stationPorts() {
    if (!sims_)
        return lister_->ports();
    std::vector<std::string> ports = sims_->ports();
    ports.insert(ports.end(), options_.named.begin(), options_.named.end());
    return ports;
}

std::unique_ptr<SerialPort> ProductPorts::makePort(const std::string& name) {
    std::unique_ptr<SerialPort> port = sims_ ? sims_->port(name) : nullptr;
    if (!port)
        port = std::make_unique<QtSerialPort>();
    return makeTraced(std::move(port));
}

ProductUsbLink::ProductUsbLink(OperatorMessages& messages, PortOptions options)
    : ports_(std::move(options)), link_(ports_.port(), ports_.lister(), ports_.clock(), messages) {
    link_.setPortNameSource(ports_.boardSearchList());
}

std::unique_ptr<PortIo> make_lpt_port([[maybe_unused]] const std::string& device,
                                      [[maybe_unused]] OperatorMessages& messages) {
#if defined(__linux__)
    return std::make_unique<PpdevPortIo>(device);
#else
    messages.message(MsgLptUnavailable, MessageIcon::Critical);
    return nullptr;
#endif
}

} // namespace kpr
