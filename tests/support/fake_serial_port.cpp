#include "support/fake_serial_port.h"

#include <algorithm>

namespace kpr::test {

void FakeSerialPort::attach(const std::string& name, PortPeer* peer) {
    Port& p = ports_[name];
    p.peer = peer;
    p.openable = true;
    p.broken = false;
    p.brokenAt = INT64_MAX;
}

void FakeSerialPort::breakPort(const std::string& name) {
    ports_[name].broken = true;
}

FakeSerialPort::Port* FakeSerialPort::current() {
    return open_.empty() ? nullptr : &ports_[open_];
}

int FakeSerialPort::available(const Port& p) const {
    const int64_t now = clock_.nowMs();
    return static_cast<int>(std::count_if(p.queue.begin(), p.queue.end(),
                                          [now](const Pending& b) { return b.at <= now; }));
}

bool FakeSerialPort::open(const std::string& name) {
    if (!open_.empty())
        return false; // one port at a time, like the real object
    auto it = ports_.find(name);
    if (it == ports_.end() || !it->second.openable || broken(it->second))
        return false;
    it->second.queue.clear();
    open_ = name;
    return true;
}

bool FakeSerialPort::flush() {
    Port* p = current();
    if (!p || broken(*p) || p->fail == Fail::Flush)
        return false;
    const int64_t now = clock_.nowMs();
    std::erase_if(p->queue, [now](const Pending& b) { return b.at <= now; });
    return true;
}

int FakeSerialPort::bytesWaiting() {
    Port* p = current();
    if (!p || broken(*p))
        return -1;
    return available(*p);
}

int FakeSerialPort::readByte() {
    Port* p = current();
    if (!p || broken(*p) || p->queue.empty() || p->queue.front().at > clock_.nowMs())
        return -1;
    const uint8_t b = p->queue.front().byte;
    p->queue.erase(p->queue.begin());
    return b;
}

int FakeSerialPort::read(uint8_t* buffer, int n) {
    Port* p = current();
    if (!p || broken(*p))
        return -1;
    const int take = std::min(n, available(*p));
    for (int i = 0; i < take; ++i)
        buffer[i] = p->queue[static_cast<size_t>(i)].byte;
    p->queue.erase(p->queue.begin(), p->queue.begin() + take);
    return take;
}

int FakeSerialPort::write(const uint8_t* buffer, int n) {
    Port* p = current();
    if (!p || broken(*p))
        return -1;
    p->log.writes.emplace_back(buffer, buffer + n);
    if (p->peer)
        p->peer->onBytes(*this, std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
    return n;
}

bool FakeSerialPort::waitForReadable(int maxMs) {
    Port* p = current();
    if (!p || broken(*p))
        return false;
    const int64_t now = clock_.nowMs();
    auto next = std::find_if(p->queue.begin(), p->queue.end(),
                             [now](const Pending& b) { return b.at > now; });
    if (next != p->queue.end() && next->at <= now + maxMs) {
        clock_.advanceTo(next->at);
        return true;
    }
    clock_.advance(maxMs);
    return false;
}

bool FakeSerialPort::close() {
    Port* p = current();
    if (!p)
        return true;
    ++p->log.closes;
    // What has arrived goes with the port; what the far end is still sending arrives later,
    // for whoever opens the port next.
    const int64_t now = clock_.nowMs();
    std::erase_if(p->queue, [now](const Pending& b) { return b.at <= now; });
    open_.clear();
    return !(broken(*p) || p->fail == Fail::Close);
}

void FakeSerialPort::deliver(int64_t atMs, std::span<const uint8_t> bytes) {
    Port* p = current();
    if (!p)
        return;
    for (uint8_t b : bytes) {
        auto pos = std::upper_bound(p->queue.begin(), p->queue.end(), atMs,
                                    [](int64_t t, const Pending& q) { return t < q.at; });
        p->queue.insert(pos, Pending{atMs, b});
    }
}

void FakeSerialPort::hangUp(int64_t atMs) {
    if (Port* p = current())
        p->brokenAt = std::min(p->brokenAt, atMs);
}

} // namespace kpr::test
