#pragma once
// A SerialPort that passes everything through to another one and writes every frame sent
// and received to a trace: time-stamped, in hex, with what the frame means. For bug reports
// (`kprtool --trace FILE`, `kpr-programmer --trace FILE`).
//
// Sent bytes arrive a whole frame per write. Received bytes are gathered until they make a
// frame (signature, target, command, L, L parameters, checksum); bytes before a signature
// are shown as noise, and a frame cut short by a flush, a close or the next command is
// shown as incomplete.
#include "hardware/clock.h"
#include "hardware/serial_port.h"
#include "link/frame.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <span>
#include <string>

namespace kpr {

enum class FrameDirection { Sent, Received };

// What a frame means: "read 128 bytes at &H0080", "block of 128 bytes", "write
// acknowledged", ... with " (bad checksum)" or the reason a frame is malformed.
std::string describe_frame(std::span<const uint8_t> frame, FrameDirection direction);

// "56 61 72 ..." (upper-case hex, one blank between bytes).
std::string hex_bytes(std::span<const uint8_t> bytes);

class TraceSerialPort final : public SerialPort {
  public:
    // Writes to `out` (which must outlive the port), stamping each line with the wall-clock
    // time at `start` plus the time `clock` has moved since.
    TraceSerialPort(SerialPort& inner, std::ostream& out, Clock& clock,
                    std::chrono::system_clock::time_point start = std::chrono::system_clock::now());
    // The same, owning the port it wraps.
    TraceSerialPort(std::unique_ptr<SerialPort> inner, std::ostream& out, Clock& clock);
    ~TraceSerialPort() override;

    bool open(const std::string& name) override;
    bool isOpen() const override { return inner_.isOpen(); }
    bool flush() override;
    int bytesWaiting() override { return inner_.bytesWaiting(); }
    int readByte() override;
    int read(uint8_t* buffer, int n) override;
    int write(const uint8_t* buffer, int n) override;
    bool waitForReadable(int maxMs) override { return inner_.waitForReadable(maxMs); }
    bool close() override;

  private:
    void line(const std::string& what, const std::string& text);
    void received(const uint8_t* bytes, int n);
    // Emits every complete frame and leading noise gathered so far.
    void drain();
    // Emits whatever is left: noise, then an incomplete frame.
    void drop_pending(const char* why);
    void emit_noise();

    std::unique_ptr<SerialPort> owned_;
    SerialPort& inner_;
    std::ostream& out_;
    Clock& clock_;
    std::chrono::system_clock::time_point start_;
    int64_t startMs_;
    Bytes rx_;    // received bytes that may yet make a frame
    Bytes noise_; // received bytes that cannot start one
};

// The program's serial trace (`--trace FILE`): one file that every port of the run writes
// its frames to. The program's main owns it and hands it to whatever builds a port.
class TraceFile {
  public:
    // Opens (appending); false with `error` set when it cannot be opened.
    bool open(const std::string& path, std::string& error);
    // Flushes; false with `error` set (the file and the reason) when any of it could not be
    // written. True when no trace was asked for.
    bool written(std::string& error);
    // `port` wrapped in a TraceSerialPort writing here, or unchanged when there is no trace.
    std::unique_ptr<SerialPort> wrap(std::unique_ptr<SerialPort> port, Clock& clock) const;

  private:
    std::unique_ptr<std::ofstream> file_;
    std::string path_;
};

} // namespace kpr
