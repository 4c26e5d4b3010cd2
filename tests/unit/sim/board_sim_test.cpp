// The simulated board's own rules: the replies to each command, the board's busy time, and
// how it finds the next frame in a damaged stream. Its faults, as the host sees them, are in
// the fault matrix (tests/unit/ops).
#include "link/frame.h"
#include "sim/board_sim.h"

#include <gtest/gtest.h>

namespace kpr {
namespace {

BoardSim::Memory pattern() {
    BoardSim::Memory m;
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<uint8_t>(i ^ (i >> 8));
    return m;
}

TEST(BoardSim, RepliesToEachCommand) {
    BoardSim b(pattern());
    const auto& t = command_templates();
    const Bytes block(b.memory().begin() + 1000, b.memory().begin() + 1044);
    const struct {
        Bytes command, reply;
        double busyMs;
    } cases[] = {
        {t.ProbeCommand, {}, 0}, // checked below: any probe answer with a right sum
        {init_command(1, false), t.InitAck, 0},
        {read_block_command(1000, 44), read_block_reply(block), 0},
        {write_block_command(256, Bytes(128, 0x5C)), t.WriteAck, 8 * SimWriteCycleMs},
        {write_block_command(392, Bytes(16, 0x5C)), t.WriteAck, 2 * SimWriteCycleMs},
        {write_block_command(2040, Bytes(16, 1)), {}, -1}, // past the end: no answer
        {init_command(1, true), t.InitAck, 0},
    };
    for (const auto& c : cases) {
        const auto r = b.feed(c.command);
        ASSERT_EQ(r.size(), c.busyMs < 0 ? 0u : 1u) << c.command.size();
        if (r.empty())
            continue;
        if (c.command == t.ProbeCommand) {
            EXPECT_TRUE(std::equal(t.ProbeReplyPrefix.begin(), t.ProbeReplyPrefix.end(),
                                   r[0].bytes.begin()) &&
                        frame_checksum_ok(r[0].bytes) && r[0].bytes.size() == 17u);
        } else {
            EXPECT_EQ(r[0].bytes, c.reply);
        }
        EXPECT_DOUBLE_EQ(r[0].busyMs, c.busyMs);
    }
    EXPECT_EQ(b.mode(), 'r');
    EXPECT_EQ(b.memory()[255], pattern()[255]);
    EXPECT_EQ(b.memory()[256], 0x5C);
    EXPECT_EQ(b.memory()[383], 0x5C);
    EXPECT_EQ(b.memory()[384], pattern()[384]);
    EXPECT_EQ(b.memory()[2040], pattern()[2040]);
    EXPECT_EQ(b.writesAccepted(), 2);
}

TEST(BoardSim, FindsTheNextFrameInADamagedStream) {
    BoardSim b(pattern());
    Bytes stream = {0x00, 'V', 'a', 0x13}, damaged = read_block_command(0, 4);
    damaged.back() ^= 1; // a damaged command gets no answer
    const Bytes good = read_block_command(16, 4);
    stream.insert(stream.end(), damaged.begin(), damaged.end());
    stream.insert(stream.end(), good.begin(), good.end());
    std::vector<SimReply> replies;
    for (uint8_t byte : stream) // byte by byte, as the line delivers them
        for (SimReply& r : b.feed(Bytes{byte}))
            replies.push_back(std::move(r));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes[13], b.memory()[16]);

    // A header announcing 255 bytes that never come would swallow the commands after it,
    // but for the quiet line.
    Bytes header = command_templates().ProbeCommand;
    header.resize(13);
    header[12] = 255;
    EXPECT_TRUE(b.feed(header).empty());
    b.line_quiet();
    EXPECT_EQ(b.feed(command_templates().ProbeCommand).size(), 1u);

    SimFaults f;
    for (const char* bad : {"drop-after=", "drop-after=x", "loud"})
        EXPECT_FALSE(parse_sim_fault(bad, f)) << bad;
}

// The line's timing, played on a clock of our own: one wire over the steps, in byte times.
TEST(SimWire, EachByteIsDueWhenTheLineHasCarriedWhatCameBefore) {
    constexpr double B = SimByteTimeMs;
    const struct {
        const char* what;
        double sentMs;
        std::size_t commandBytes;
        double busyMs;
        std::size_t replyBytes;
        double firstDue, lastDue;
    } steps[] = {
        {"a reply follows its whole command", 0, 10, 0, 2, 11 * B, 12 * B},
        {"the board's work comes first", 100, 1, 5, 1, 100 + 5 + 2 * B, 100 + 5 + 2 * B},
        {"a command sent during a reply waits for it", 100, 2, 0, 3, 105 + 5 * B, 105 + 7 * B},
    };
    SimWire wire;
    for (const auto& s : steps) {
        wire.received(s.sentMs, s.commandBytes);
        std::vector<double> due;
        wire.send({std::vector<uint8_t>(s.replyBytes, 0x55), s.busyMs},
                  [&due](uint8_t, double ms) { due.push_back(ms); });
        ASSERT_EQ(due.size(), s.replyBytes) << s.what;
        EXPECT_DOUBLE_EQ(due.front(), s.firstDue) << s.what;
        EXPECT_DOUBLE_EQ(due.back(), s.lastDue) << s.what;
        EXPECT_DOUBLE_EQ(wire.freeMs(), s.lastDue) << s.what;
    }
}

} // namespace
} // namespace kpr
