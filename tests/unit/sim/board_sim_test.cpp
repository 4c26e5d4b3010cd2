#include <gtest/gtest.h>

#include <cstdlib>

#include <sys/wait.h>

#include "link/frame.h"
#include "sim/board_sim.h"
#include "text/default_image.h"

using namespace kpr;

namespace {

BoardSim::Memory pattern() {
    BoardSim::Memory m;
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<uint8_t>(i ^ (i >> 8));
    return m;
}

std::vector<SimReply> feed(BoardSim& b, const Bytes& bytes) {
    return b.feed(bytes);
}

Bytes only_reply(BoardSim& b, const Bytes& command) {
    auto r = b.feed(command);
    EXPECT_EQ(r.size(), 1u);
    return r.empty() ? Bytes{} : r[0].bytes;
}

uint16_t sum(const BoardSim::Memory& m, int from, int to, int skip = -1) {
    uint16_t s = 0;
    for (int i = from; i <= to; ++i)
        if (i != skip)
            s = static_cast<uint16_t>(s + m[static_cast<size_t>(i)]);
    return s;
}

TEST(BoardSim, AnswersProbeAndModeSet) {
    BoardSim b(pattern());
    const Bytes probe = only_reply(b, command_templates().ProbeCommand);
    ASSERT_EQ(probe.size(), 17u);
    EXPECT_TRUE(std::equal(command_templates().ProbeReplyPrefix.begin(),
                           command_templates().ProbeReplyPrefix.end(), probe.begin()));
    EXPECT_TRUE(frame_checksum_ok(probe));
    EXPECT_EQ(only_reply(b, init_command(1, false)), command_templates().InitAck);
    EXPECT_EQ(b.mode(), 's');
    EXPECT_EQ(b.modeValue(), 1);
    EXPECT_EQ(only_reply(b, init_command(1, true)), command_templates().InitAck);
    EXPECT_EQ(b.mode(), 'r');
}

TEST(BoardSim, ReadsAndWritesBlocks) {
    BoardSim b(pattern());
    const Bytes r = only_reply(b, read_block_command(1000, 44));
    ASSERT_EQ(r.size(), 44u + 15u);
    EXPECT_TRUE(frame_checksum_ok(r));
    EXPECT_TRUE(std::equal(r.begin() + 13, r.begin() + 13 + 44, b.memory().begin() + 1000));

    int saved = 0;
    b.onWriteAccepted = [&] { ++saved; };
    const Bytes data(128, 0x5C);
    auto w = b.feed(write_block_command(256, data));
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].bytes, command_templates().WriteAck);
    EXPECT_DOUBLE_EQ(w[0].busyMs, 8 * SimWriteCycleMs); // eight aligned 16-byte pages
    EXPECT_EQ(b.memory()[255], pattern()[255]);
    EXPECT_EQ(b.memory()[256], 0x5C);
    EXPECT_EQ(b.memory()[383], 0x5C);
    EXPECT_EQ(b.memory()[384], pattern()[384]);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(b.writesAccepted(), 1);

    // A write past the end of memory is refused without an answer.
    EXPECT_TRUE(b.feed(write_block_command(2040, Bytes(16, 1))).empty());
    EXPECT_EQ(b.memory()[2040], pattern()[2040]);
}

TEST(BoardSim, TakesCommandsInPiecesAndSkipsGarbage) {
    BoardSim b(pattern());
    Bytes stream = {0x00, 'V', 'a', 0x13};
    Bytes damaged = read_block_command(0, 4);
    damaged.back() ^= 1; // a damaged command gets no answer
    stream.insert(stream.end(), damaged.begin(), damaged.end());
    const Bytes good = read_block_command(16, 4);
    stream.insert(stream.end(), good.begin(), good.end());
    std::vector<SimReply> replies;
    for (uint8_t byte : stream) {
        for (SimReply& r : b.feed(Bytes{byte}))
            replies.push_back(std::move(r));
    }
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes[13], b.memory()[16]);
    EXPECT_EQ(b.framesServed(), 1);
}

TEST(BoardSim, AQuietLineDropsAFrameBegunBeforeIt) {
    BoardSim b(pattern());
    // A header announcing 255 bytes that never come would swallow the probes after it.
    Bytes header = command_templates().ProbeCommand;
    header.resize(13);
    header[12] = 255;
    EXPECT_TRUE(b.feed(header).empty());
    EXPECT_TRUE(b.partialFrame());
    b.line_quiet();
    EXPECT_EQ(feed(b, command_templates().ProbeCommand).size(), 1u);
}

#ifdef KPR_BOARD_SIM_PATH
// The program itself: a --memory that is no table file is a clear refusal, exit 2.
TEST(BoardSimProgram, MemoryThatIsNoFileIsRefused) {
    for (const char* memory : {"/tmp", "/dev/zero"}) {
        const std::string command = std::string("timeout 10 ") + KPR_BOARD_SIM_PATH + " --memory " +
                                    memory + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << memory;
        EXPECT_EQ(WEXITSTATUS(status), 2) << memory;
    }
}
#endif

TEST(BoardSim, Faults) {
    SimFaults f;
    ASSERT_TRUE(parse_sim_fault("silent", f));
    BoardSim silent(pattern(), f);
    EXPECT_TRUE(feed(silent, command_templates().ProbeCommand).empty());

    f = {};
    ASSERT_TRUE(parse_sim_fault("noise", f));
    BoardSim noisy(pattern(), f);
    const Bytes n = only_reply(noisy, command_templates().ProbeCommand);
    ASSERT_GT(n.size(), 17u);
    const size_t mark = n.size() - 17;
    EXPECT_EQ(std::find(n.begin(), n.begin() + static_cast<long>(mark), StartMark),
              n.begin() + static_cast<long>(mark));
    EXPECT_EQ(n[mark], StartMark);

    f = {};
    ASSERT_TRUE(parse_sim_fault("bad-checksum", f));
    BoardSim bad(pattern(), f);
    EXPECT_FALSE(frame_checksum_ok(only_reply(bad, read_block_command(0, 8))));

    f = {};
    ASSERT_TRUE(parse_sim_fault("drop-after=2", f));
    BoardSim drop(pattern(), f);
    EXPECT_EQ(feed(drop, command_templates().ProbeCommand).size(), 1u);
    EXPECT_FALSE(drop.hungUp());
    EXPECT_EQ(feed(drop, init_command(1, false)).size(), 1u);
    EXPECT_TRUE(drop.hungUp());
    EXPECT_TRUE(feed(drop, read_block_command(0, 8)).empty());

    f = {};
    ASSERT_TRUE(parse_sim_fault("no-ack", f));
    BoardSim noAck(pattern(), f);
    EXPECT_TRUE(feed(noAck, write_block_command(0, Bytes(8, 0xEE))).empty());
    EXPECT_EQ(noAck.memory()[0], pattern()[0]);

    f = {};
    ASSERT_TRUE(parse_sim_fault("write-protect", f));
    BoardSim wp(pattern(), f);
    EXPECT_EQ(only_reply(wp, write_block_command(0, Bytes(8, 0xEE))), command_templates().WriteAck);
    EXPECT_EQ(wp.memory()[0], pattern()[0]);

    f = {};
    ASSERT_TRUE(parse_sim_fault("wrong-model", f));
    BoardSim other(default_sim_memory(), f);
    const Bytes model = only_reply(other, read_block_command(993, 14));
    EXPECT_EQ(std::string(model.begin() + 13, model.begin() + 27), SimWrongModelText);

    f = {};
    ASSERT_TRUE(parse_sim_fault("blank", f));
    BoardSim blank(pattern(), f);
    EXPECT_TRUE(std::all_of(blank.memory().begin(), blank.memory().end(),
                            [](uint8_t b) { return b == 0xFF; }));

    f = {};
    ASSERT_TRUE(parse_sim_fault("drop-after=0", f));
    BoardSim gone(pattern(), f);
    EXPECT_TRUE(feed(gone, command_templates().ProbeCommand).empty());
    EXPECT_TRUE(gone.hungUp());

    EXPECT_FALSE(parse_sim_fault("drop-after=", f));
    EXPECT_FALSE(parse_sim_fault("drop-after=x", f));
    EXPECT_FALSE(parse_sim_fault("loud", f));
}

TEST(BoardSim, DefaultPagerIsSealedAndCarriesFirmwareAndSerial) {
    const BoardSim::Memory m = default_sim_memory(37, "AB0123456789");
    EXPECT_EQ(std::string(m.begin() + 993, m.begin() + 998), "KPR35");
    EXPECT_EQ(m[1113], 37);
    EXPECT_EQ(std::string(m.begin() + 1238, m.begin() + 1250), "AB0123456789");
    const uint16_t serialSum = sum(m, 1238, 1249);
    EXPECT_EQ(m[1250], serialSum >> 8);
    EXPECT_EQ(m[1251], serialSum & 0xFF);
    EXPECT_EQ(m[992], 1);
    const uint16_t imageSum = sum(m, 0, 2045, 992);
    EXPECT_EQ(m[2046], imageSum >> 8);
    EXPECT_EQ(m[2047], imageSum & 0xFF);
    // Everything outside the sealed fields is the default image (texts aside, which are
    // in pager codes).
    const PagerImage d = build_default_image();
    EXPECT_EQ(m[0x65], d[0x65]);
    EXPECT_EQ(m[0x3E1], d[0x3E1]);
}

} // namespace
