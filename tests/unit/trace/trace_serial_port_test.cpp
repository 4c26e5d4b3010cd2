// The serial trace: what each known frame is shown as, and a trace of a real exchange with
// the simulated board, noise and cut-off frames included.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/frame.h"
#include "link/trace_serial_port.h"
#include "link/usb_link.h"
#include "sim/board_sim.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/recorders.h"
#include "support/sim_peer.h"

#include <cstdlib>
#include <sstream>

using namespace kpr;
using namespace kpr::test;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream s(text);
    for (std::string l; std::getline(s, l);)
        v.push_back(l);
    return v;
}

TEST(DescribeFrame, NamesEveryFrameOfTheProtocol) {
    const auto& t = command_templates();
    const uint8_t data[4] = {1, 2, 3, 4};
    const auto sent = FrameDirection::Sent;
    const auto received = FrameDirection::Received;
    EXPECT_EQ(describe_frame(read_block_command(0x80, 128), sent), "read 128 bytes at &H0080");
    EXPECT_EQ(describe_frame(write_block_command(0x4D6, data), sent), "write 4 bytes at &H04D6");
    EXPECT_EQ(describe_frame(t.ProbeCommand, sent), "board probe");
    EXPECT_EQ(describe_frame(init_command(3, false), sent), "mode set, value 3");
    EXPECT_EQ(describe_frame(init_command(0, true), sent), "release the board");
    EXPECT_EQ(describe_frame(read_block_reply(data), received), "block of 4 bytes read");
    EXPECT_EQ(describe_frame(t.WriteAck, received), "write acknowledged");
    EXPECT_EQ(describe_frame(t.InitAck, received), "mode set acknowledged");
    EXPECT_EQ(describe_frame(probe_reply(0x12, 0x34), received), "probe answer &H12 &H34");
}

TEST(DescribeFrame, SaysWhatIsWrongWithABadFrame) {
    Bytes f = read_block_command(0, 16);
    f.back() ^= 0xFF;
    EXPECT_EQ(describe_frame(f, FrameDirection::Sent), "read 16 bytes at &H0000 (bad checksum)");
    EXPECT_THAT(describe_frame(Bytes(5, 0x56), FrameDirection::Received), HasSubstr("too short"));
    Bytes longer = command_templates().WriteAck;
    longer.push_back(0);
    EXPECT_THAT(describe_frame(longer, FrameDirection::Received),
                HasSubstr("length byte says 16 bytes, frame has 17"));
    Bytes unsigned_frame = command_templates().WriteAck;
    unsigned_frame[0] = 'X';
    EXPECT_EQ(describe_frame(unsigned_frame, FrameDirection::Received), "no frame signature");
    const uint8_t p[] = {9};
    EXPECT_EQ(describe_frame(make_frame('7', 'Q', p), FrameDirection::Received),
              "target '7' command 'Q', 1 parameter bytes");
    EXPECT_EQ(hex_bytes(Bytes{0x00, 0xAB, 0x5}), "00 AB 05");
}

class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    // 2026-01-02 03:04:05 UTC
    std::chrono::system_clock::time_point start =
        std::chrono::system_clock::time_point(std::chrono::seconds(1767323045));
    FakeClock clock;
    FakeSerialPort fake{clock};
    std::ostringstream out;
};

TEST_F(TraceTest, AWholeReadWithTheSimulatedBoard) {
    SimPeer board{default_sim_memory()};
    fake.attach("/dev/ttyUSB0", &board);
    TraceSerialPort port(fake, out, clock, start);
    FakePortLister lister({"/dev/ttyUSB0"});
    RecordedMessages msgs;
    UsbLink link(port, lister, clock, msgs);
    ASSERT_TRUE(link.usb_connect());
    ASSERT_TRUE(link.usb_readblk(0, 255, 128));
    // The link read exactly what the board holds: the trace changed nothing.
    EXPECT_TRUE(std::equal(link.ReadBuffer.begin(), link.ReadBuffer.begin() + 256,
                           board.board.memory().begin()));

    const auto lines = lines_of(out.str());
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0],
              "-- serial trace started 2026-01-02 03:04:05 +0000 (TX sent to the board, RX "
              "received)");
    std::vector<std::string> frames;
    for (const auto& l : lines) {
        if (l.size() < 16 || (l.substr(13, 3) != "TX " && l.substr(13, 3) != "RX "))
            continue;
        EXPECT_THAT(l, MatchesRegex("03:04:[0-9][0-9]\\.[0-9][0-9][0-9] [TR]X .* \\| [0-9A-F ]+"));
        frames.push_back(l.substr(13, l.find(" | ") - 13));
    }
    // Probe, answer, then two block reads with their replies.
    ASSERT_GE(frames.size(), 6u);
    EXPECT_EQ(frames[0], "TX board probe");
    EXPECT_THAT(frames[1], HasSubstr("RX probe answer"));
    const std::vector<std::string> tail(frames.end() - 4, frames.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "TX read 128 bytes at &H0000", "RX block of 128 bytes read",
                        "TX read 128 bytes at &H0080", "RX block of 128 bytes read"}));
    // The reply's stamp is later than its command's: the fake clock moved with the wire.
    const std::string& cmd = lines[lines.size() - 2];
    EXPECT_LE(cmd.substr(0, 12), lines.back().substr(0, 12));
}

TEST_F(TraceTest, NoiseAndCutOffFramesAreShownAsSuch) {
    const Bytes ack = command_templates().WriteAck;
    LambdaPeer peer([&](FakeLine& line, std::span<const uint8_t>) {
        const Bytes noise = {0x00, 0x11, 0x22};
        line.deliver(line.nowMs() + 5, noise);
        line.deliver(line.nowMs() + 6, ack);
        line.deliver(line.nowMs() + 7, Bytes(ack.begin(), ack.begin() + 12));
    });
    fake.attach("p", &peer);
    TraceSerialPort port(fake, out, clock, start);
    ASSERT_TRUE(port.open("p"));
    const uint8_t data[2] = {0xAA, 0xBB};
    const Bytes cmd = write_block_command(0x10, data);
    port.write(cmd.data(), static_cast<int>(cmd.size()));
    clock.advance(20);
    port.waitForReadable(0);
    // Byte by byte up to the start mark, then the rest in one read, as the link does.
    while (port.bytesWaiting() > 0 && port.readByte() != StartMark) {
    }
    uint8_t rest[64];
    port.read(rest, 15);
    port.read(rest, port.bytesWaiting());
    port.close();

    const std::string t = out.str();
    EXPECT_THAT(t, HasSubstr("03:04:05.000 -- open p\n"));
    EXPECT_THAT(t, HasSubstr(" TX write 2 bytes at &H0010 | " + hex_bytes(cmd) + "\n"));
    EXPECT_THAT(t, HasSubstr(" RX noise before a frame, 3 bytes | 00 11 22\n"));
    EXPECT_THAT(t, HasSubstr(" RX write acknowledged | " + hex_bytes(ack) + "\n"));
    EXPECT_THAT(t, HasSubstr(" RX incomplete frame, 12 bytes cut off by a close | " +
                             hex_bytes(std::span<const uint8_t>(ack.data(), 12)) + "\n"));
    EXPECT_THAT(t, HasSubstr(" -- close\n"));
    // In that order.
    EXPECT_LT(t.find("noise"), t.find("write acknowledged"));
    EXPECT_LT(t.find("write acknowledged"), t.find("incomplete"));
}

TEST_F(TraceTest, TheProgramTraceWrapsOnlyWhenOneWasAsked) {
    auto plain = std::make_unique<FakeSerialPort>(clock);
    SerialPort* raw = plain.get();
    if (!program_trace()) {
        EXPECT_EQ(traced_port(std::move(plain), clock).get(), raw);
    }
    std::string error;
    EXPECT_FALSE(open_program_trace("/nonexistent-dir/trace.log", error));
    EXPECT_THAT(error, HasSubstr("/nonexistent-dir/trace.log"));
}

} // namespace
