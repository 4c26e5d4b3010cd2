#pragma once
// A serial port as the board link needs it. The product implements it on QSerialPort, the
// tests on a scripted fake. One object opens one port at a time, by its system name.
#include <cstdint>
#include <string>

namespace kpr {

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens the named port (e.g. "/dev/ttyUSB0", "COM3") at 9600 bit/s, 8 data bits, no
    // parity, 1 stop bit, no flow control. False when the port cannot be opened or set up.
    virtual bool open(const std::string& name) = 0;
    virtual bool isOpen() const = 0;
    // Discards everything in both the receive and transmit buffers. False on failure.
    virtual bool flush() = 0;
    // Received bytes waiting to be read; negative when the port has failed.
    virtual int bytesWaiting() = 0;
    // The next received byte (0..255), or negative when none is waiting.
    virtual int readByte() = 0;
    // Reads up to n bytes; the number read, or negative on failure.
    virtual int read(uint8_t* buffer, int n) = 0;
    // Writes n bytes; the number written, or negative on failure.
    virtual int write(const uint8_t* buffer, int n) = 0;
    // Waits until bytes arrive beyond those already waiting (true), or until maxMs have
    // passed without any (false); returns at once (false) on a port that is closed or has
    // failed. This is how the link waits: never a fixed sleep.
    virtual bool waitForReadable(int maxMs) = 0;
    // Closes the port; false when closing failed. Closing a closed port is harmless.
    virtual bool close() = 0;
};

} // namespace kpr
