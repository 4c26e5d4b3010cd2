#include "sim/sim_serial_port.h"

#include "editor/editor.h"

#include <thread>

namespace kpr {

BoardSim::Memory demo_sim_memory() {
    return sim_memory_of(Editor::headless()->image());
}

SimSerialPort::SimSerialPort(Pace pace, BoardSim::Memory memory, SimFaults faults, std::string name)
    : pace_(pace), name_(std::move(name)), sim_(memory, faults) {}

bool SimSerialPort::open(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (name != name_ || sim_.hungUp())
        return false;
    open_ = true;
    ++opens_;
    rx_.clear();
    return true;
}

bool SimSerialPort::flush() {
    std::lock_guard lock(mutex_);
    if (!open_)
        return false;
    rx_.clear();
    return true;
}

int SimSerialPort::ready(Clock::time_point now) const {
    int n = 0;
    for (const Pending& p : rx_) {
        if (p.due > now)
            break;
        ++n;
    }
    return n;
}

int SimSerialPort::bytesWaiting() {
    std::lock_guard lock(mutex_);
    if (!open_)
        return -1;
    return ready(Clock::now());
}

int SimSerialPort::readByte() {
    uint8_t b = 0;
    return read(&b, 1) == 1 ? b : -1;
}

int SimSerialPort::read(uint8_t* buffer, int n) {
    std::lock_guard lock(mutex_);
    if (!open_)
        return -1;
    const int take = std::min(n, ready(Clock::now()));
    for (int i = 0; i < take; ++i) {
        buffer[i] = rx_.front().byte;
        rx_.pop_front();
    }
    return take;
}

int SimSerialPort::write(const uint8_t* buffer, int n) {
    std::lock_guard lock(mutex_);
    if (!open_)
        return -1;
    using namespace std::chrono;
    const Clock::time_point now = Clock::now();
    wire_.received(duration<double, std::milli>(now.time_since_epoch()).count(),
                   static_cast<std::size_t>(n));
    for (const SimReply& r : sim_.feed(std::span<const uint8_t>(buffer, n))) {
        if (pace_ == Instant) {
            for (uint8_t b : r.bytes)
                rx_.push_back({b, now});
            continue;
        }
        wire_.send(r, [this](uint8_t b, double dueMs) {
            rx_.push_back({b, Clock::time_point(duration_cast<Clock::duration>(
                                  duration<double, std::milli>(dueMs)))});
        });
    }
    return n;
}

bool SimSerialPort::waitForReadable(int maxMs) {
    using namespace std::chrono;
    const auto deadline = Clock::now() + milliseconds(maxMs);
    int before;
    {
        std::lock_guard lock(mutex_);
        if (!open_)
            return false;
        before = ready(Clock::now());
    }
    for (;;) {
        Clock::time_point next;
        {
            std::lock_guard lock(mutex_);
            if (!open_)
                return false;
            const auto now = Clock::now();
            if (ready(now) > before)
                return true;
            if (now >= deadline)
                return false;
            next = deadline;
            if (static_cast<size_t>(before) < rx_.size() && rx_[before].due < next)
                next = rx_[before].due;
        }
        std::this_thread::sleep_until(std::min(next, Clock::now() + milliseconds(20)));
    }
}

bool SimSerialPort::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    rx_.clear();
    return true;
}

std::vector<std::string> SimPortLister::ports() {
    std::vector<std::string> p{SimSerialPort::PortName};
    p.insert(p.end(), extra_.begin(), extra_.end());
    return p;
}

namespace {

// Leaves the board it talks to in its owner's hands.
class BorrowedPort final : public SerialPort {
  public:
    explicit BorrowedPort(SerialPort& port) : port_(port) {}
    bool open(const std::string& name) override { return port_.open(name); }
    bool isOpen() const override { return port_.isOpen(); }
    bool flush() override { return port_.flush(); }
    int bytesWaiting() override { return port_.bytesWaiting(); }
    int readByte() override { return port_.readByte(); }
    int read(uint8_t* buffer, int n) override { return port_.read(buffer, n); }
    int write(const uint8_t* buffer, int n) override { return port_.write(buffer, n); }
    bool waitForReadable(int maxMs) override { return port_.waitForReadable(maxMs); }
    bool close() override { return port_.close(); }

  private:
    SerialPort& port_;
};

std::string serial_in(const BoardSim::Memory& m) {
    return std::string(m.begin() + 1238, m.begin() + 1250);
}

} // namespace

SimBoards::SimBoards(int boards, SimSerialPort::Pace pace, std::vector<SimFaults> faults,
                     BoardSim::Memory memory)
    : memory_(memory), lastSerial_(serial_in(memory)) {
    faults.resize(static_cast<size_t>(std::max(boards, 1)));
    for (int i = 0; i < std::max(boards, 1); ++i) {
        std::string name = SimSerialPort::PortName;
        if (i > 0)
            name.append("-").append(std::to_string(i + 1));
        boards_.push_back(std::make_unique<SimSerialPort>(pace, i == 0 ? memory_ : fresh_pager(),
                                                          faults[static_cast<size_t>(i)], name));
        if (boards > 1)
            boards_.back()->board().setSwap([this] { return fresh_pager(); }, {});
    }
}

BoardSim::Memory SimBoards::fresh_pager() {
    std::lock_guard lock(mutex_);
    BoardSim::Memory m = memory_;
    lastSerial_ = next_sim_serial(lastSerial_);
    seal_sim_memory(m, lastSerial_);
    return m;
}

std::vector<std::string> SimBoards::ports() const {
    std::vector<std::string> names;
    for (const auto& b : boards_)
        names.push_back(b->name());
    return names;
}

std::unique_ptr<SerialPort> SimBoards::port(const std::string& name) {
    for (const auto& b : boards_)
        if (b->name() == name)
            return std::make_unique<BorrowedPort>(*b);
    return nullptr;
}

} // namespace kpr
