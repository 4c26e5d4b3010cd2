#include "link/trace_serial_port.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>

namespace kpr {

namespace {

// errno of the first trace line that could not be written.
int& trace_write_errno() {
    static int e = 0;
    return e;
}

// Flushes a trace; the first failure's reason is kept, later lines fail without one.
void flush_noting_failure(std::ostream& out) {
    const bool wasGood = out.good();
    errno = 0;
    out.flush();
    if (wasGood && !out.good() && trace_write_errno() == 0)
        trace_write_errno() = errno;
}

std::mutex& trace_mutex() {
    static std::mutex m;
    return m;
}

std::string address_text(int address) {
    char b[16];
    std::snprintf(b, sizeof b, "&H%04X", address);
    return b;
}

std::string byte_text(uint8_t v) {
    char b[8];
    std::snprintf(b, sizeof b, "&H%02X", v);
    return b;
}

std::string printable(uint8_t v) {
    if (v >= 32 && v < 127)
        return std::string("'") + static_cast<char>(v) + "'";
    return byte_text(v);
}

std::string meaning(uint8_t target, uint8_t command, std::span<const uint8_t> p,
                    FrameDirection direction) {
    const bool sent = direction == FrameDirection::Sent;
    const std::size_t l = p.size();
    if (target == TargetPager && command == CommandRead) {
        if (sent && l == 3)
            return "read " + std::to_string(p[2]) + " bytes at " + address_text(p[0] * 256 + p[1]);
        if (!sent)
            return "block of " + std::to_string(l) + " bytes read";
    }
    if (target == TargetPager && command == CommandSet) {
        if (sent && l >= 2)
            return "write " + std::to_string(l - 2) + " bytes at " +
                   address_text(p[0] * 256 + p[1]);
        if (!sent && l == 1)
            return p[0] == 0x06 ? "write acknowledged" : "write answered " + byte_text(p[0]);
    }
    if (target == TargetBoard && command == CommandRead) {
        if (sent)
            return "board probe";
        if (l == 2)
            return "probe answer " + byte_text(p[0]) + " " + byte_text(p[1]);
    }
    if (target == TargetBoard && command == CommandSet) {
        if (sent && l == 2 && p[0] == ModeSet)
            return "mode set, value " + std::to_string(p[1]);
        if (sent && l == 2 && p[0] == ModeRelease)
            return "release the board";
        if (!sent && l == 1)
            return p[0] == 0x06 ? "mode set acknowledged" : "mode set answered " + byte_text(p[0]);
    }
    return "target " + printable(target) + " command " + printable(command) + ", " +
           std::to_string(l) + " parameter bytes";
}

bool has_signature(std::span<const uint8_t> bytes) {
    const std::size_t n = std::min(bytes.size(), FrameSignature.size());
    return std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n),
                      FrameSignature.begin());
}

std::string time_of_day(std::chrono::system_clock::time_point t) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    const std::time_t s = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    localtime_r(&s, &tm);
    char b[32];
    std::snprintf(b, sizeof b, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(ms % 1000));
    return b;
}

std::string date_time(std::chrono::system_clock::time_point t) {
    const std::time_t s = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&s, &tm);
    char b[48];
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S %z", &tm);
    return b;
}

} // namespace

std::string hex_bytes(std::span<const uint8_t> bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        if (!s.empty())
            s.push_back(' ');
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 15]);
    }
    return s;
}

std::string describe_frame(std::span<const uint8_t> frame, FrameDirection direction) {
    if (frame.size() < static_cast<std::size_t>(FrameOverhead))
        return "too short for a frame (" + std::to_string(frame.size()) + " bytes)";
    if (!has_signature(frame))
        return "no frame signature";
    const std::size_t l = frame[12];
    if (frame.size() != l + FrameOverhead)
        return "length byte says " + std::to_string(l + FrameOverhead) + " bytes, frame has " +
               std::to_string(frame.size());
    std::string s = meaning(frame[10], frame[11], frame.subspan(13, l), direction);
    if (!frame_checksum_ok(frame))
        s += " (bad checksum)";
    return s;
}

TraceSerialPort::TraceSerialPort(SerialPort& inner, std::ostream& out, Clock& clock,
                                 std::chrono::system_clock::time_point start)
    : inner_(inner), out_(out), clock_(clock), start_(start), startMs_(clock.nowMs()) {
    std::lock_guard lock(trace_mutex());
    out_ << "-- serial trace started " << date_time(start_)
         << " (TX sent to the board, RX received)\n";
    flush_noting_failure(out_);
}

TraceSerialPort::TraceSerialPort(std::unique_ptr<SerialPort> inner, std::ostream& out, Clock& clock)
    : TraceSerialPort(*inner, out, clock) {
    owned_ = std::move(inner);
}

TraceSerialPort::~TraceSerialPort() {
    drop_pending("at the end of the trace");
}

void TraceSerialPort::line(const std::string& what, const std::string& text) {
    const auto now = start_ + std::chrono::milliseconds(clock_.nowMs() - startMs_);
    std::lock_guard lock(trace_mutex());
    out_ << time_of_day(now) << ' ' << what << ' ' << text << '\n';
    flush_noting_failure(out_);
}

bool TraceSerialPort::open(const std::string& name) {
    const bool ok = inner_.open(name);
    rx_.clear();
    noise_.clear();
    line("--", "open " + name + (ok ? "" : " failed"));
    return ok;
}

bool TraceSerialPort::flush() {
    drop_pending("discarded by a flush");
    const bool ok = inner_.flush();
    line("--", ok ? "flush" : "flush failed");
    return ok;
}

int TraceSerialPort::readByte() {
    const int c = inner_.readByte();
    if (c >= 0) {
        const uint8_t b = static_cast<uint8_t>(c);
        received(&b, 1);
    }
    return c;
}

int TraceSerialPort::read(uint8_t* buffer, int n) {
    const int got = inner_.read(buffer, n);
    if (got > 0)
        received(buffer, got);
    else if (got < 0)
        line("--", "read failed");
    return got;
}

int TraceSerialPort::write(const uint8_t* buffer, int n) {
    // A new command: whatever came before it and made no frame is finished.
    drop_pending("before the next command");
    const int done = inner_.write(buffer, n);
    const std::span<const uint8_t> bytes(buffer, static_cast<std::size_t>(std::max(0, n)));
    std::string text = describe_frame(bytes, FrameDirection::Sent) + " | " + hex_bytes(bytes);
    if (done < 0)
        text += " -- write failed";
    else if (done < n)
        text += " -- only " + std::to_string(done) + " bytes written";
    line("TX", text);
    return done;
}

bool TraceSerialPort::close() {
    drop_pending("cut off by a close");
    const bool ok = inner_.close();
    line("--", ok ? "close" : "close failed");
    return ok;
}

void TraceSerialPort::received(const uint8_t* bytes, int n) {
    rx_.insert(rx_.end(), bytes, bytes + n);
    drain();
}

void TraceSerialPort::drain() {
    while (!rx_.empty()) {
        if (!has_signature(rx_)) {
            // Noise up to the next byte that could start a frame.
            auto next = std::find(rx_.begin() + 1, rx_.end(), StartMark);
            while (next != rx_.end() &&
                   !has_signature(std::span<const uint8_t>(&*next, rx_.end() - next)))
                next = std::find(next + 1, rx_.end(), StartMark);
            if (next == rx_.end() && rx_.back() == StartMark)
                next = rx_.end() - 1; // the start of a frame still coming
            if (next == rx_.begin())
                return;
            // Gathered, so a burst of noise read byte by byte makes one line.
            noise_.insert(noise_.end(), rx_.begin(), next);
            rx_.erase(rx_.begin(), next);
            continue;
        }
        if (rx_.size() < 13)
            return;
        const std::size_t total = rx_[12] + static_cast<std::size_t>(FrameOverhead);
        if (rx_.size() < total)
            return;
        const std::span<const uint8_t> frame(rx_.data(), total);
        emit_noise();
        line("RX", describe_frame(frame, FrameDirection::Received) + " | " + hex_bytes(frame));
        rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(total));
    }
}

void TraceSerialPort::emit_noise() {
    if (noise_.empty())
        return;
    line("RX", "noise before a frame, " + std::to_string(noise_.size()) + " bytes | " +
                   hex_bytes(noise_));
    noise_.clear();
}

void TraceSerialPort::drop_pending(const char* why) {
    emit_noise();
    if (rx_.empty())
        return;
    line("RX", std::string("incomplete frame, ") + std::to_string(rx_.size()) + " bytes " + why +
                   " | " + hex_bytes(rx_));
    rx_.clear();
}

// --- the program's trace ------------------------------------------------------------------

bool TraceFile::open(const std::string& path, std::string& error) {
    auto f = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::app);
    if (!*f) {
        error = "The trace file " + path + " could not be opened for writing.";
        return false;
    }
    file_ = std::move(f);
    path_ = path;
    return true;
}

bool TraceFile::written(std::string& error) {
    if (!file_)
        return true;
    std::lock_guard lock(trace_mutex());
    flush_noting_failure(*file_);
    if (file_->good())
        return true;
    const int e = trace_write_errno();
    error = "The trace file " + path_ + " could not be written" +
            (e ? ": " + std::string(std::strerror(e)) : std::string()) + ".";
    return false;
}

std::unique_ptr<SerialPort> TraceFile::wrap(std::unique_ptr<SerialPort> port, Clock& clock) const {
    if (!file_)
        return port;
    return std::make_unique<TraceSerialPort>(std::move(port), *file_, clock);
}

} // namespace kpr
