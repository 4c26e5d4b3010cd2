#include <gtest/gtest.h>

#include "link/frame.h"

using namespace kpr;

namespace {
Bytes tail(const Bytes& b, size_t from) {
    return Bytes(b.begin() + static_cast<long>(from), b.end());
}
} // namespace

TEST(Frame, TemplatesCarrySignatureAndTheirOwnChecksums) {
    const CommandTemplates& t = command_templates();
    EXPECT_EQ(Bytes(t.ProbeCommand.begin(), t.ProbeCommand.begin() + 10),
              Bytes(FrameSignature.begin(), FrameSignature.end()));
    EXPECT_EQ(t.ReadBlockPrefix.size(), 13u);
    EXPECT_EQ(t.WriteBlockPrefix.size(), 12u);
    EXPECT_EQ(t.ProbeReplyPrefix.size(), 13u);
    EXPECT_EQ(t.InitPrefix.size(), 14u);
    EXPECT_EQ(tail(t.ProbeCommand, 10), (Bytes{'5', 'R', 3, 0, 0, 0, 0x00, 0x8A}));
    EXPECT_EQ(tail(t.WriteAck, 10), (Bytes{'3', 'S', 1, 6, 0x00, 0x8D}));
    EXPECT_EQ(tail(t.InitAck, 10), (Bytes{'5', 'S', 1, 6, 0x00, 0x8F}));
    EXPECT_TRUE(frame_checksum_ok(t.ProbeCommand));
    EXPECT_TRUE(frame_checksum_ok(t.WriteAck));
    EXPECT_TRUE(frame_checksum_ok(t.InitAck));
}

TEST(Frame, ReadCommandIsBigEndianAddressAndCount) {
    const Bytes c = read_block_command(0x0459, 44);
    ASSERT_EQ(c.size(), 18u);
    EXPECT_EQ(tail(c, 10), (Bytes{'3', 'R', 3, 0x04, 0x59, 44, 0x01, 0x11}));
}

TEST(Frame, WriteCommandLengthByteIsCountPlusTwo) {
    const Bytes data(128, 0xAB);
    const Bytes c = write_block_command(0x0180, data);
    ASSERT_EQ(c.size(), 128u + 17u);
    EXPECT_EQ(c[12], 130);
    EXPECT_EQ(c[13], 0x01);
    EXPECT_EQ(c[14], 0x80);
    EXPECT_TRUE(frame_checksum_ok(c));
    EXPECT_THROW(write_block_command(0, Bytes(254, 0)), std::out_of_range);
    EXPECT_THROW(read_block_command(0x10000, 1), std::out_of_range);
}

TEST(Frame, InitCommandSetsModeLetterAndValue) {
    EXPECT_EQ(tail(init_command(1, false), 10), (Bytes{'5', 'S', 2, 's', 1, 0x00, 0xFE}));
    EXPECT_EQ(tail(init_command(1, true), 10), (Bytes{'5', 'S', 2, 'r', 0, 0x00, 0xFC}));
}

TEST(Frame, SumWrapsAtSixteenBitsAndChecksIndependentBytes) {
    const Bytes ff(300, 0xFF);
    EXPECT_EQ(frame_sum(ff, 0, 299), (300 * 255) % 65536);
    Bytes reply = read_block_reply(Bytes{1, 2, 3});
    EXPECT_TRUE(frame_checksum_ok(reply));
    reply[reply.size() - 2] ^= 1;
    EXPECT_FALSE(frame_checksum_ok(reply));
    EXPECT_FALSE(frame_checksum_ok(Bytes(14, 0)));
}
