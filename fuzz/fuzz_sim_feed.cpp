// The simulated board's command parser (BoardSim::feed) on arbitrary host bytes.
//
// Input: one byte of faults, then chunks. Each chunk starts with a control byte: its low bit
// clear sends the next (control >> 1) bytes as they are; set, it wraps them in a frame with a
// right checksum (first two bytes target and command), so the fuzzer reaches every command
// and not just the resynchronisation. Whatever comes: no crash, every reply is one whole
// frame with a right checksum (unless a fault says otherwise), a board that hung up stays
// silent, and a write-protected or unacknowledging pager keeps its memory.
#include "link/frame.h"
#include "sim/board_sim.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void check_reply(const kpr::SimReply& r, const kpr::SimFaults& f) {
    std::span<const std::uint8_t> b(r.bytes);
    if (f.noise) {
        // Stray bytes before the start mark: the frame starts at the signature.
        const auto it =
            std::search(b.begin(), b.end(), kpr::FrameSignature.begin(), kpr::FrameSignature.end());
        if (it == b.end())
            std::abort();
        b = b.subspan(static_cast<std::size_t>(it - b.begin()));
    }
    if (b.size() < static_cast<std::size_t>(kpr::FrameOverhead) ||
        !std::equal(kpr::FrameSignature.begin(), kpr::FrameSignature.end(), b.begin()))
        std::abort();
    if (b.size() != static_cast<std::size_t>(b[12]) + kpr::FrameOverhead)
        std::abort();
    const bool readReply = b[10] == kpr::TargetPager && b[11] == kpr::CommandRead;
    if (!(f.badChecksum && readReply) && !kpr::frame_checksum_ok(b))
        std::abort();
    if (r.busyMs < 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 16384)
        return 0;
    kpr::SimFaults faults;
    const std::uint8_t fb = data[0];
    const char* names[] = {"noise",       "bad-checksum", "no-ack", "write-protect",
                           "wrong-model", "blank",        "silent"};
    for (int bit = 0; bit < 7; ++bit)
        if ((fb >> bit) & 1)
            kpr::parse_sim_fault(names[bit], faults);
    faults.dropAfter = (fb & 0x80) ? (size > 1 ? data[1] % 8 : 0) : -1;

    const kpr::BoardSim::Memory start = kpr::default_sim_memory();
    kpr::BoardSim board(start, faults);
    const kpr::BoardSim::Memory initial = board.memory();

    std::size_t i = (fb & 0x80) ? 2 : 1;
    while (i < size) {
        const std::uint8_t control = data[i++];
        const std::size_t n = std::min<std::size_t>(control >> 1, size - i);
        std::span<const std::uint8_t> chunk(data + i, n);
        i += n;
        std::vector<std::uint8_t> bytes;
        if ((control & 1) && n >= 2)
            bytes = kpr::make_frame(chunk[0], chunk[1], chunk.subspan(2));
        else
            bytes.assign(chunk.begin(), chunk.end());

        const bool wasHungUp = board.hungUp();
        const int framesBefore = board.framesServed();
        const auto replies = board.feed(bytes);
        if (wasHungUp && (!replies.empty() || board.framesServed() != framesBefore))
            std::abort();
        if (faults.silent && !replies.empty())
            std::abort();
        if (replies.size() > static_cast<std::size_t>(board.framesServed() - framesBefore))
            std::abort();
        for (const auto& r : replies)
            check_reply(r, faults);
        if (faults.dropAfter >= 0 && board.framesServed() > std::max(faults.dropAfter, 1))
            std::abort();
    }
    if ((faults.writeProtect || faults.noAck) && board.memory() != initial)
        std::abort();
    if ((faults.writeProtect || faults.noAck) && board.writesAccepted() != 0)
        std::abort();
    return 0;
}
