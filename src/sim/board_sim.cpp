#include "sim/board_sim.h"

#include <algorithm>
#include <cctype>

#include "link/frame.h"
#include "text/charset.h"
#include "text/default_image.h"

namespace kpr {

namespace {
constexpr uint8_t NoiseBytes[] = {0x00, 0x13, 0xFF, 0xA5, 0x11};
} // namespace

bool parse_sim_fault(const std::string& kind, SimFaults& f) {
    if (kind == "silent")
        f.silent = true;
    else if (kind == "noise")
        f.noise = true;
    else if (kind == "bad-checksum")
        f.badChecksum = true;
    else if (kind == "no-ack")
        f.noAck = true;
    else if (kind == "write-protect")
        f.writeProtect = true;
    else if (kind == "wrong-model")
        f.wrongModel = true;
    else if (kind == "blank")
        f.blank = true;
    else if (kind.rfind("drop-after=", 0) == 0) {
        const std::string n = kind.substr(11);
        if (n.empty() || n.size() > 6 || !std::all_of(n.begin(), n.end(), ::isdigit))
            return false;
        f.dropAfter = std::stoi(n);
    } else
        return false;
    return true;
}

BoardSim::BoardSim(const Memory& memory, SimFaults faults)
    : memory_(memory), faults_(faults), hungUp_(faults.dropAfter == 0) {
    if (faults_.blank)
        memory_.fill(0xFF);
}

uint8_t BoardSim::read_byte(int address) const {
    if (address < 0 || address >= ImageSize)
        return 0xFF;
    if (faults_.wrongModel && address >= AddrModelFirst && address < AddrModelFirst + 14)
        return static_cast<uint8_t>(SimWrongModelText[address - AddrModelFirst]);
    return memory_[static_cast<size_t>(address)];
}

void BoardSim::add_noise(SimReply& reply) const {
    if (faults_.noise)
        reply.bytes.insert(reply.bytes.begin(), std::begin(NoiseBytes), std::end(NoiseBytes));
}

std::vector<SimReply> BoardSim::feed(std::span<const uint8_t> bytes) {
    std::vector<SimReply> out;
    if (hungUp_)
        return out;
    in_.insert(in_.end(), bytes.begin(), bytes.end());
    for (;;) {
        // Resynchronise on the signature: anything that cannot start a frame is dropped.
        size_t skip = 0;
        for (; skip < in_.size(); ++skip) {
            const size_t avail = std::min<size_t>(in_.size() - skip, FrameSignature.size());
            if (std::equal(FrameSignature.begin(), FrameSignature.begin() + avail,
                           in_.begin() + static_cast<long>(skip)))
                break;
        }
        in_.erase(in_.begin(), in_.begin() + static_cast<long>(skip));
        if (in_.size() < 13)
            return out;
        const size_t total = static_cast<size_t>(in_[12]) + FrameOverhead;
        if (in_.size() < total)
            return out;
        std::vector<uint8_t> frame(in_.begin(), in_.begin() + static_cast<long>(total));
        if (!frame_checksum_ok(frame)) {
            // A damaged command: drop its first byte and look for the next signature.
            in_.erase(in_.begin());
            continue;
        }
        in_.erase(in_.begin(), in_.begin() + static_cast<long>(total));
        ++frames_;
        if (auto reply = serve(frame); reply && !faults_.silent)
            out.push_back(std::move(*reply));
        if (faults_.dropAfter >= 0 && frames_ >= faults_.dropAfter) {
            hungUp_ = true;
            in_.clear();
            return out;
        }
    }
}

void BoardSim::setSwap(std::function<Memory()> freshPager,
                       std::function<void(const Memory&)> onFinished) {
    freshPager_ = std::move(freshPager);
    onFinished_ = std::move(onFinished);
}

void BoardSim::swap_if_due(const std::vector<uint8_t>& f) {
    if (!freshPager_ || !done_)
        return;
    const uint8_t target = f[10], command = f[11];
    const int len = f[12];
    const bool probe = target == TargetBoard && command == CommandRead && len == 3;
    const bool programming =
        target == TargetBoard && command == CommandSet && len == 2 && f[13] == 's';
    const bool firmwareRead = target == TargetPager && command == CommandRead && len == 3 &&
                              (f[13] << 8 | f[14]) == AddrFirmware && f[15] == 1;
    if (!probe && !programming && !firmwareRead)
        return;
    memory_ = freshPager_();
    if (faults_.blank)
        memory_.fill(0xFF);
    written_ = done_ = false;
}

std::optional<SimReply> BoardSim::serve(const std::vector<uint8_t>& f) {
    swap_if_due(f);
    const uint8_t target = f[10], command = f[11];
    const int len = f[12];
    SimReply r;
    if (target == TargetBoard && command == CommandRead && len == 3) {
        r.bytes = probe_reply(0x01, 0x02);
    } else if (target == TargetBoard && command == CommandSet && len == 2) {
        mode_ = static_cast<char>(f[13]);
        modeValue_ = f[14];
        r.bytes = command_templates().InitAck;
    } else if (target == TargetPager && command == CommandRead && len == 3) {
        const int address = f[13] << 8 | f[14];
        const int n = f[15];
        std::vector<uint8_t> data(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            data[static_cast<size_t>(i)] = read_byte(address + i);
        r.bytes = read_block_reply(data);
        if (written_ && address + n >= ImageSize) {
            done_ = true;
            if (freshPager_) {
                ++finished_;
                if (onFinished_)
                    onFinished_(memory_);
            }
        }
        if (faults_.badChecksum)
            r.bytes.back() ^= 0x5A;
    } else if (target == TargetPager && command == CommandSet && len >= 3) {
        const int address = f[13] << 8 | f[14];
        const int n = len - 2;
        if (address + n > ImageSize || faults_.noAck)
            return std::nullopt;
        const int pages = (address + n - 1) / SimMemoryPageSize - address / SimMemoryPageSize + 1;
        r.busyMs = pages * SimWriteCycleMs;
        if (!faults_.writeProtect) {
            std::copy_n(f.begin() + 15, n, memory_.begin() + address);
            ++writes_;
            // A pager read back once and written again is finished anew when read again.
            if (done_)
                --finished_;
            written_ = true;
            done_ = false;
            if (onWriteAccepted)
                onWriteAccepted();
        }
        r.bytes = command_templates().WriteAck;
    } else {
        return std::nullopt; // a command this board does not know: no answer
    }
    add_noise(r);
    return r;
}

std::string next_sim_serial(const std::string& serial) {
    std::string s = serial;
    size_t end = s.find_last_of("0123456789");
    if (end == std::string::npos)
        return s;
    for (size_t i = end + 1; i-- > 0;) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            break;
        if (s[i] != '9') {
            ++s[i];
            return s;
        }
        s[i] = '0';
    }
    return s;
}

void seal_sim_memory(BoardSim::Memory& m, const std::string& serial) {
    uint16_t s = 0;
    for (int i = 0; i < SerialLength; ++i) {
        const uint8_t c = i < static_cast<int>(serial.size()) ? static_cast<uint8_t>(serial[i])
                                                              : static_cast<uint8_t>(' ');
        m[static_cast<size_t>(AddrSerialFirst + i)] = c;
        s = static_cast<uint16_t>(s + c);
    }
    m[AddrSerialFirst + 12] = static_cast<uint8_t>(s >> 8);
    m[AddrSerialFirst + 13] = static_cast<uint8_t>(s & 0xFF);
    m[AddrWrittenFlag] = 1;
    uint16_t sum = 0;
    for (int i = 0; i <= ImageSize - 3; ++i) {
        if (i != AddrWrittenFlag)
            sum = static_cast<uint16_t>(sum + m[static_cast<size_t>(i)]);
    }
    m[ImageSize - 2] = static_cast<uint8_t>(sum >> 8);
    m[ImageSize - 1] = static_cast<uint8_t>(sum & 0xFF);
}

BoardSim::Memory default_sim_memory(int firmware, const std::string& serial) {
    return sim_memory_of(build_default_image(), firmware, serial);
}

BoardSim::Memory sim_memory_of(PagerImage image, int firmware, const std::string& serial) {
    text_to_pager(image);
    BoardSim::Memory m = image.bytes();
    m[AddrFirmware] = static_cast<uint8_t>(firmware);
    seal_sim_memory(m, serial);
    return m;
}

} // namespace kpr
