#pragma once
// A serial port whose far ends are scripted peers, one per port name, on a fake clock.
// Bytes the host writes go to the peer of the open port; the peer answers by delivering
// bytes at chosen times on the clock. A wait on the port moves the clock to the next
// delivery, or by its whole limit when none comes — so time-outs cost no real time.
#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hardware/serial_port.h"
#include "support/fake_clock.h"

namespace kpr::test {

using Bytes = std::vector<uint8_t>;

class FakeSerialPort;
using FakeLine = FakeSerialPort; // the far end as a peer sees it

class PortPeer {
  public:
    virtual ~PortPeer() = default;
    virtual void onBytes(FakeLine& line, std::span<const uint8_t> bytes) = 0;
};

// A peer given as a function.
class LambdaPeer final : public PortPeer {
  public:
    using Fn = std::function<void(FakeLine&, std::span<const uint8_t>)>;
    explicit LambdaPeer(Fn fn) : fn_(std::move(fn)) {}
    void onBytes(FakeLine& line, std::span<const uint8_t> bytes) override { fn_(line, bytes); }

  private:
    Fn fn_;
};

// What happened on one port, for the tests to look at.
struct PortLog {
    int closes = 0;
    std::vector<Bytes> writes;
};

class FakeSerialPort final : public SerialPort {
  public:
    explicit FakeSerialPort(FakeClock& clock) : clock_(clock) {}

    // A port that exists and can be opened, with its peer (not owned; none: it never answers).
    void attach(const std::string& name, PortPeer* peer);
    // Every call on the named port fails from now on (as after pulling out a USB device).
    void breakPort(const std::string& name);
    // Make one kind of call fail on the named port.
    enum class Fail { None, Flush, Close };
    void failOn(const std::string& name, Fail what) { ports_[name].fail = what; }

    const PortLog& log(const std::string& name) { return ports_[name].log; }

    // For the peer of the open port: the time; bytes that reach the host's receive buffer at
    // atMs; the device gone from atMs on (every later call on the port fails).
    int64_t nowMs() const { return clock_.nowMs(); }
    void deliver(int64_t atMs, std::span<const uint8_t> bytes);
    void hangUp(int64_t atMs);

    bool open(const std::string& name) override;
    bool isOpen() const override { return !open_.empty(); }
    bool flush() override;
    int bytesWaiting() override;
    int readByte() override;
    int read(uint8_t* buffer, int n) override;
    int write(const uint8_t* buffer, int n) override;
    bool waitForReadable(int maxMs) override;
    bool close() override;

  private:
    struct Pending {
        int64_t at;
        uint8_t byte;
    };
    struct Port {
        PortPeer* peer = nullptr;
        bool openable = false;
        bool broken = false;
        int64_t brokenAt = INT64_MAX;
        Fail fail = Fail::None;
        std::vector<Pending> queue; // ordered by arrival time
        PortLog log;
    };

    bool broken(const Port& p) const { return p.broken || clock_.nowMs() >= p.brokenAt; }
    Port* current();
    int available(const Port& p) const;

    FakeClock& clock_;
    std::map<std::string, Port> ports_;
    std::string open_;
};

} // namespace kpr::test
