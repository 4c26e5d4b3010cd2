// The wire frames: how each command is encoded, which frames pass their checksum, and how
// the serial trace names each one.
#include "link/frame.h"
#include "link/trace_serial_port.h"

#include <gtest/gtest.h>

namespace kpr {
namespace {

Bytes tail(const Bytes& b) {
    return Bytes(b.begin() + 10, b.end());
}
Bytes with(Bytes b, size_t at, uint8_t x) {
    b.at(at) ^= x;
    return b;
}
const Bytes Sig(FrameSignature.begin(), FrameSignature.end());

TEST(Frame, EachCommandIsTheSignatureThenTargetCommandLengthParametersAndSum) {
    const CommandTemplates& t = command_templates();
    const uint8_t two[] = {0xAB, 0xCD};
    const struct {
        Bytes frame, after; // the whole frame; what follows the signature
    } cases[] = {
        {t.ProbeCommand, {'5', 'R', 3, 0, 0, 0, 0x00, 0x8A}},
        {t.WriteAck, {'3', 'S', 1, 6, 0x00, 0x8D}},
        {t.InitAck, {'5', 'S', 1, 6, 0x00, 0x8F}},
        {read_block_command(0x0459, 44), {'3', 'R', 3, 0x04, 0x59, 44, 0x01, 0x11}},
        {write_block_command(0x0180, two), {'3', 'S', 4, 0x01, 0x80, 0xAB, 0xCD, 0x02, 0x83}},
        {init_command(1, false), {'5', 'S', 2, 's', 1, 0x00, 0xFE}},
        {init_command(1, true), {'5', 'S', 2, 'r', 0, 0x00, 0xFC}},
        {probe_reply(0x12, 0x34), {'5', 'R', 2, 0x12, 0x34, 0x00, 0xCF}},
        {read_block_reply(two), {'3', 'R', 2, 0xAB, 0xCD, 0x01, 0xFF}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Bytes(c.frame.begin(), c.frame.begin() + 10), Sig);
        EXPECT_EQ(tail(c.frame), c.after);
        EXPECT_TRUE(frame_checksum_ok(c.frame));
    }
    EXPECT_EQ(write_block_command(0, Bytes(253, 0)).size(), 253u + 17u);
    EXPECT_THROW(write_block_command(0, Bytes(254, 0)), std::out_of_range);
    EXPECT_THROW(read_block_command(0x10000, 1), std::out_of_range);
}

TEST(Frame, TheSumCoversTargetToLastParameterAndWrapsAtSixteenBits) {
    EXPECT_EQ(frame_sum(Bytes(300, 0xFF), 0, 299), (300 * 255) % 65536);
    const Bytes reply = read_block_reply(Bytes{1, 2, 3});
    for (const auto& [frame, ok] : {std::pair{reply, true},
                                    {with(reply, 9, 0xFF), true},
                                    {with(reply, 10, 1), false},
                                    {with(reply, 15, 1), false},
                                    {with(reply, 16, 1), false},
                                    {with(reply, 17, 1), false},
                                    {Bytes(14, 0), false}})
        EXPECT_EQ(frame_checksum_ok(frame), ok) << hex_bytes(frame);
}

TEST(Frame, TheTraceNamesEveryFrameAndWhatIsWrongWithABadOne) {
    const auto& t = command_templates();
    const uint8_t data[4] = {1, 2, 3, 4}, p[] = {9};
    Bytes longer = t.WriteAck;
    longer.push_back(0);
    const auto S = FrameDirection::Sent, R = FrameDirection::Received;
    const struct {
        Bytes frame;
        FrameDirection dir;
        std::string text;
    } cases[] = {
        {read_block_command(0x80, 128), S, "read 128 bytes at &H0080"},
        {write_block_command(0x4D6, data), S, "write 4 bytes at &H04D6"},
        {t.ProbeCommand, S, "board probe"},
        {init_command(3, false), S, "mode set, value 3"},
        {init_command(0, true), S, "release the board"},
        {read_block_reply(data), R, "block of 4 bytes read"},
        {t.WriteAck, R, "write acknowledged"},
        {t.InitAck, R, "mode set acknowledged"},
        {probe_reply(0x12, 0x34), R, "probe answer &H12 &H34"},
        {with(read_block_command(0, 16), 17, 0xFF), S, "read 16 bytes at &H0000 (bad checksum)"},
        {Bytes(5, 0x56), R, "too short for a frame (5 bytes)"},
        {longer, R, "length byte says 16 bytes, frame has 17"},
        {with(t.WriteAck, 0, 'V' ^ 'X'), R, "no frame signature"},
        {make_frame('7', 'Q', p), R, "target '7' command 'Q', 1 parameter bytes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe_frame(c.frame, c.dir), c.text);
    EXPECT_EQ(hex_bytes(Bytes{0x00, 0xAB, 0x5}), "00 AB 05");
}

} // namespace
} // namespace kpr
