#pragma once
// SerialPort on QSerialPort. The QSerialPort is created on open() and destroyed on close(),
// so a port is always used from the thread that opened it (a transfer opens, uses and
// closes the port within one call, on whichever thread runs it). Any thread will do once a
// QCoreApplication exists: a std::thread gets the event dispatcher QSerialPort needs.
#include <memory>

#include "hardware/serial_port.h"

class QSerialPort;

namespace kpr {

class QtSerialPort final : public SerialPort {
  public:
    QtSerialPort();
    ~QtSerialPort() override;

    bool open(const std::string& name) override;
    bool isOpen() const override;
    bool flush() override;
    int bytesWaiting() override;
    int readByte() override;
    int read(uint8_t* buffer, int n) override;
    int write(const uint8_t* buffer, int n) override;
    bool waitForReadable(int maxMs) override;
    bool close() override;

  private:
    bool failed() const;
    std::unique_ptr<QSerialPort> port_;
};

} // namespace kpr
