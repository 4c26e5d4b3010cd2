#include "platform/qt_serial_port.h"

#include <QEventLoop>
#include <QSerialPort>
#include <QThread>

namespace kpr {

namespace {
// Longest a write may take to reach the driver; a 145-byte frame needs ~150 ms on the wire.
constexpr int WriteDrainMs = 5000;
} // namespace

QtSerialPort::QtSerialPort() = default;
QtSerialPort::~QtSerialPort() {
    close();
}

bool QtSerialPort::open(const std::string& name) {
    close();
    // QSerialPort's notifiers want an event dispatcher in the opening thread; a plain
    // std::thread (a station position) gets one when an event loop is first made there.
    if (!QThread::currentThread()->eventDispatcher())
        QEventLoop makesDispatcher;
    auto p = std::make_unique<QSerialPort>();
    p->setPortName(QString::fromStdString(name));
    if (!p->open(QIODevice::ReadWrite))
        return false;
    if (!p->setBaudRate(QSerialPort::Baud9600) || !p->setDataBits(QSerialPort::Data8) ||
        !p->setParity(QSerialPort::NoParity) || !p->setStopBits(QSerialPort::OneStop) ||
        !p->setFlowControl(QSerialPort::NoFlowControl)) {
        p->close();
        return false;
    }
    port_ = std::move(p);
    return true;
}

bool QtSerialPort::isOpen() const {
    return port_ && port_->isOpen();
}

bool QtSerialPort::failed() const {
    if (!isOpen())
        return true;
    const auto e = port_->error();
    return e != QSerialPort::NoError && e != QSerialPort::TimeoutError;
}

bool QtSerialPort::flush() {
    if (!isOpen())
        return false;
    return port_->clear(QSerialPort::AllDirections);
}

int QtSerialPort::bytesWaiting() {
    if (!isOpen())
        return -1;
    // Without an event loop nothing moves from the driver into QSerialPort's buffer
    // unless asked: take whatever has arrived, without waiting.
    port_->waitForReadyRead(0);
    if (failed())
        return -1;
    return static_cast<int>(port_->bytesAvailable());
}

int QtSerialPort::readByte() {
    if (!isOpen())
        return -1;
    if (port_->bytesAvailable() == 0)
        port_->waitForReadyRead(0);
    char c;
    if (port_->getChar(&c))
        return static_cast<uint8_t>(c);
    return -1;
}

int QtSerialPort::read(uint8_t* buffer, int n) {
    if (!isOpen())
        return -1;
    const qint64 r = port_->read(reinterpret_cast<char*>(buffer), n);
    return r < 0 ? -1 : static_cast<int>(r);
}

int QtSerialPort::write(const uint8_t* buffer, int n) {
    if (!isOpen())
        return -1;
    const qint64 w = port_->write(reinterpret_cast<const char*>(buffer), n);
    if (w != n)
        return -1;
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(WriteDrainMs))
            return -1;
    }
    return static_cast<int>(w);
}

bool QtSerialPort::waitForReadable(int maxMs) {
    if (!isOpen() || failed())
        return false;
    // Only bytes beyond those already buffered end the wait: returning at once while any
    // byte is buffered would make the caller spin through the whole reply.
    return port_->waitForReadyRead(maxMs < 0 ? 0 : maxMs);
}

bool QtSerialPort::close() {
    if (!port_)
        return true;
    bool ok = true;
    if (port_->isOpen()) {
        port_->close();
        ok = port_->error() == QSerialPort::NoError || port_->error() == QSerialPort::TimeoutError;
    }
    port_.reset();
    return ok;
}

} // namespace kpr
