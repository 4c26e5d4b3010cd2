// The USB link on a fake port and clock: discovery, the replies it takes and refuses, its
// time limits, cancelling, the serial trace, and the once-a-second monitor: what it shows
// and which ports it probes as the list changes. What each operation does under each board
// fault is in the fault matrix (tests/unit/ops).
#include "link/connection_monitor.h"
#include "link/frame.h"
#include "link/trace_serial_port.h"
#include "link/usb_link.h"
#include "sim/board_sim.h"
#include "support/fake_port_lister.h"
#include "support/recorders.h"
#include "support/sim_peer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace kpr {
namespace {

using namespace kpr::test;
using Strings = std::vector<std::string>;
const std::string P = "/dev/ttyUSB0", Modem = "/dev/ttyS0", Acm = "/dev/ttyACM0";
constexpr auto Up = BoardState::Connected, Down = BoardState::Disconnected;

BoardSim::Memory numbered_memory() {
    BoardSim::Memory m;
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<uint8_t>(i * 7 + 3);
    return m;
}

class UsbLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        link.setUi(&ui);
        port.attach(P, &board);
        port.attach(Modem, nullptr); // devices that never answer
        port.attach(Acm, nullptr);
    }
    // The board on P, connected; the connect's messages forgotten.
    void connect_board(PortPeer* peer = nullptr) {
        lister.names = {P};
        port.attach(P, &board);
        ASSERT_TRUE(link.usb_connect());
        if (peer)
            port.attach(P, peer);
        msgs.clear();
    }
    int64_t elapsed() { return clock.nowMs() - t0; }
    size_t probes(const std::string& name) {
        return std::ranges::count(port.log(name).writes, command_templates().ProbeCommand);
    }
    // Monitor ticks, each: the port list, the state shown, the probes sent to `other` so far.
    struct Step {
        Strings list;
        BoardState shown;
        size_t otherProbes;
    };
    void ticks(const std::string& other, std::initializer_list<Step> steps) {
        for (const Step& s : steps) {
            lister.names = s.list;
            EXPECT_EQ(monitor.tick(), s.shown);
            EXPECT_EQ(probes(other), s.otherProbes);
            EXPECT_EQ(link.BoardPort, s.shown == Up ? P : NoBoardPort);
        }
        EXPECT_TRUE(msgs.entries.empty()); // the monitor never speaks
    }

    FakeClock clock;
    FakeSerialPort port{clock};
    FakePortLister lister;
    RecordedMessages msgs;
    RecordedLinkUi ui;
    RecordedProgress progress;
    UsbLink link{port, lister, clock, msgs};
    ConnectionMonitor monitor{link, ui};
    SimPeer board{numbered_memory()};
    int64_t t0 = clock.nowMs();
};

TEST_F(UsbLinkTest, ConnectsOnTheSecondPortAfterWaitingOutTheFirst) {
    lister.names = {Modem, P};
    EXPECT_TRUE(link.usb_connect());
    EXPECT_EQ(link.BoardPort, P);
    EXPECT_EQ(link.KnownPortCount, 2);
    EXPECT_GT(elapsed(), 500); // the silent port's start-mark wait ran out
    EXPECT_EQ(port.log(Modem).writes, std::vector<Bytes>{command_templates().ProbeCommand});
    EXPECT_EQ(port.log(Modem).closes, 1);
    EXPECT_EQ(board.board.mode(), 's');
    EXPECT_EQ(board.board.modeValue(), 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(msgs.entries.empty());
}

// A port answers the probe with a reply, its first byte and the rest at their own times
// (each of the probe's two waits lasts 500 ms); the connect takes it as the board or not.
TEST_F(UsbLinkTest, ProbeRepliesThatFailTheirChecksOrComeLateAreNoBoard) {
    const Bytes ok = probe_reply(1, 2);
    Bytes badSum = ok, l3 = make_frame(TargetBoard, CommandRead, Bytes{1, 2});
    badSum.back() ^= 1;
    l3[12] = 3; // a length byte the probe answer never has
    seal_frame(l3);
    Bytes noiseBefore = ok, noiseAfterMark = ok;
    noiseBefore.insert(noiseBefore.begin(), {0x00, 0xFF, 0x13, 0x55});
    noiseAfterMark.insert(noiseAfterMark.begin() + 1, 0x00);
    const struct {
        Bytes reply;
        int firstMs, restMs; // after the probe went out
        bool found;
    } rows[] = {{ok, 20, 20, true},
                {noiseBefore, 20, 20, true},
                {badSum, 20, 20, false},
                {l3, 20, 20, false},
                {noiseAfterMark, 20, 20, false},
                {ok, 490, 980, true},
                {ok, 520, 520, false},
                {ok, 20, 530, false}};
    for (const auto& r : rows) {
        const bool found = r.found;
        SCOPED_TRACE(hex_bytes(r.reply) + " " + std::to_string(r.firstMs) + "/" +
                     std::to_string(r.restMs));
        LambdaPeer peer([&r](FakeLine& line, std::span<const uint8_t> cmd) {
            const auto t = line.nowMs();
            if (cmd[11] != CommandRead)
                return line.deliver(t + 20, command_templates().InitAck);
            line.deliver(t + r.firstMs, std::span(r.reply).first(1));
            line.deliver(t + r.restMs, std::span(r.reply).subspan(1));
        });
        lister.names = {"A"};
        port.attach("A", &peer);
        link.ConnectInteractive = true;
        msgs.clear();
        ui.timer.clear();
        EXPECT_EQ(link.usb_connect(), found);
        EXPECT_EQ(link.BoardPort, found ? "A" : NoBoardPort);
        EXPECT_EQ(msgs.texts(),
                  found ? Strings{} : Strings{"The Programmed Board is not responding!"});
        EXPECT_TRUE(found || msgs.entries[0].icon == MessageIcon::Warning);
        EXPECT_EQ(ui.timer, (std::vector<bool>{false, true})); // monitor held meanwhile
    }
    // Not interactive (the monitor's connect): ports that cannot be opened, nothing said.
    lister.names = {"gone", "busy"};
    port.breakPort("busy");
    link.ConnectInteractive = false;
    msgs.clear();
    EXPECT_FALSE(link.usb_connect());
    EXPECT_TRUE(msgs.entries.empty());
}

TEST_F(UsbLinkTest, ARangeIsReadIn128ByteBlocksWithNoPauseBetween) {
    connect_board();
    t0 = clock.nowMs();
    ASSERT_TRUE(link.usb_readblk(0, 299, 128, &progress));
    const auto& w = port.log(P).writes;
    EXPECT_EQ(std::vector<Bytes>(w.end() - 3, w.end()),
              (std::vector{read_block_command(0, 128), read_block_command(128, 128),
                           read_block_command(256, 44)}));
    EXPECT_TRUE(
        std::equal(link.ReadBuffer.begin(), link.ReadBuffer.end(), board.board.memory().begin()));
    EXPECT_EQ(link.ReadBuffer.size(), 300u);
    EXPECT_EQ(progress.positions, (std::vector<int>{128, 256, 384}));
    EXPECT_LT(elapsed(), 500); // the wire's ~1 ms a byte (399 bytes), no pause per block
    EXPECT_FALSE(port.isOpen());

    // One address: one count-one command, the bar left alone.
    progress.positions.clear();
    ASSERT_TRUE(link.usb_readblk(AddrFirmware, AddrFirmware, 128, &progress));
    EXPECT_EQ(port.log(P).writes.back(), read_block_command(AddrFirmware, 1));
    EXPECT_EQ(link.ReadBuffer.size(), AddrFirmware + 1u);
    EXPECT_EQ(link.ReadBuffer[AddrFirmware], board.board.memory()[AddrFirmware]);
    EXPECT_TRUE(progress.positions.empty());
}

// What a block read or write makes of each reply, and when it gives up waiting. A reply
// that fails its checks, or no reply, is the matrix's (tests/unit/ops).
TEST_F(UsbLinkTest, BlockRepliesAndTheirTimeLimits) {
    enum Kind { Read, Write, Nak }; // Nak: a write answered with a refusal
    const std::string RTO = "Read Time Out!", WE = "Write error!";
    const struct {
        Kind kind;
        int delayMs; // -1: no reply
        BlockResult result;
        std::string said;
        int64_t minMs, maxMs;
    } cases[] = {
        {Read, 2290, BlockResult::Ok, "", 2290, 2300},
        {Read, -1, BlockResult::TimedOut, RTO, 2300, 2400},
        {Read, 2400, BlockResult::TimedOut, RTO, 2300, 2400},
        {Write, 5, BlockResult::Ok, "", 0, 100},
        {Nak, 5, BlockResult::BadReply, WE, 0, 100},
        {Write, -1, BlockResult::TimedOut, WE, 2000, 2100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.delayMs));
        LambdaPeer peer([&c](FakeLine& line, std::span<const uint8_t> cmd) {
            Bytes ack = command_templates().WriteAck;
            ack[13] = c.kind == Nak ? 0x15 : ack[13];
            if (c.delayMs >= 0)
                line.deliver(line.nowMs() + c.delayMs,
                             c.kind == Read ? read_block_reply(Bytes(cmd[15], 0x42)) : ack);
        });
        connect_board(&peer);
        t0 = clock.nowMs();
        EXPECT_EQ(c.kind == Read ? link.usb_readblk(10, 19, 128)
                                 : link.usb_writeblk(Bytes(16, 9), 0, 15, 16),
                  c.result == BlockResult::Ok);
        EXPECT_EQ(link.last_result(), c.result);
        EXPECT_EQ(msgs.texts(), c.said.empty() ? Strings{} : Strings{c.said});
        EXPECT_GE(elapsed(), c.minMs);
        EXPECT_LE(elapsed(), c.maxMs);
        EXPECT_TRUE(c.result != BlockResult::Ok || c.kind != Read || link.ReadBuffer[10] == 0x42);
        EXPECT_EQ(link.BoardPort, P); // a board that answers wrongly is still the board
        EXPECT_TRUE(ui.states.empty());
        EXPECT_FALSE(port.isOpen());
    }
}

TEST_F(UsbLinkTest, PortFaultsInsideTransfersForgetTheBoard) {
    for (const auto fail : {FakeSerialPort::Fail::Flush, FakeSerialPort::Fail::Close}) {
        connect_board();
        port.failOn(P, fail);
        EXPECT_FALSE(link.usb_writeblk(Bytes(2048, 1), 0, 2047, 128));
        EXPECT_EQ(link.last_result(), BlockResult::LinkFailure);
        EXPECT_EQ(msgs.texts(), Strings{"Write error!"});
        EXPECT_TRUE(link.no_board());
        port.failOn(P, FakeSerialPort::Fail::None);
    }
    // With no board known a read cannot open a port: the same path, not a crash.
    msgs.clear();
    EXPECT_FALSE(link.usb_readblk(0, 10, 128));
    EXPECT_EQ(msgs.texts(), Strings{"Read error!"});
    // A range no block can carry is the caller's mistake: it goes through, the board is kept.
    connect_board();
    EXPECT_THROW(link.usb_readblk(0, 10, 256), std::out_of_range);
    EXPECT_THROW(link.usb_writeblk(Bytes(10, 1), 0, 10, 128), std::out_of_range);
    EXPECT_TRUE(msgs.entries.empty());
    EXPECT_EQ(link.BoardPort, P);
}

TEST_F(UsbLinkTest, AWholeImageWriteMovesTheBarAndSetsTheStatus) {
    connect_board();
    ASSERT_TRUE(link.usb_writeblk(Bytes(2048, 0x5A), 0, 2047, 128, &progress));
    EXPECT_EQ(progress.maximum, 2047 - 16);
    EXPECT_EQ(progress.colour, ColourHighlight);
    EXPECT_EQ(progress.status, "Writing Now.......");
    ASSERT_EQ(progress.positions.size(), 17u);
    EXPECT_EQ(progress.positions.front(), 0);
    EXPECT_EQ(progress.positions.back(), 2048);
    EXPECT_EQ(board.board.memory()[2047], 0x5A);
}

// A cancel stops the transfer once the reply in flight is in, or has run out its limit:
// the next command must start on a quiet line. It stays set until cleared, so the next
// transfer of the same operation does not start.
TEST_F(UsbLinkTest, CancelLetsTheReplyInFlightFinishThenStops) {
    for (const auto& [answer, minMs, maxMs] :
         {std::tuple{true, 140, 400}, {false, 2300, 2300 + 50}}) {
        SCOPED_TRACE(answer);
        const bool answers = answer; // a lambda may not capture a structured binding (clang 14)
        LambdaPeer cancelling([&](FakeLine& line, std::span<const uint8_t> cmd) {
            link.request_cancel();
            if (answers)
                board.onBytes(line, cmd);
        });
        connect_board(&cancelling);
        link.clear_cancel();
        const size_t sent = port.log(P).writes.size();
        t0 = clock.nowMs();
        EXPECT_FALSE(link.usb_readblk(0, 2047, 128));
        EXPECT_EQ(link.last_result(), BlockResult::Cancelled);
        EXPECT_GE(elapsed(), minMs);
        EXPECT_LE(elapsed(), maxMs);
        EXPECT_EQ(port.log(P).writes.size(), sent + 1); // one block only
        EXPECT_FALSE(link.usb_writeblk(Bytes(2048, 1), 0, 2047, 128));
        EXPECT_EQ(port.log(P).writes.size(), sent + 1);
        EXPECT_TRUE(msgs.entries.empty());
        EXPECT_EQ(link.BoardPort, P);

        link.clear_cancel();
        port.attach(P, &board);
        EXPECT_TRUE(link.usb_readblk(0, 300, 128));
        EXPECT_TRUE(std::equal(link.ReadBuffer.begin(), link.ReadBuffer.end(),
                               board.board.memory().begin()));
    }
}

TEST_F(UsbLinkTest, FirmwareVersionText) {
    for (const auto& [byte, text] : {std::pair{5, ".5"}, {0, ".0"}, {10, "1.0"}})
        EXPECT_EQ(firmware_version_text(byte), std::string("Version = ") + text);
}

TEST_F(UsbLinkTest, ProbePortAndThePortNameSourceLeaveTheLinkStateAlone) {
    port.attach("COM7", &board);
    link.BoardPort = NoBoardPort;
    EXPECT_FALSE(link.probe_port(Modem));
    EXPECT_FALSE(link.probe_port("/dev/nothing"));
    EXPECT_TRUE(link.probe_port("COM7"));
    EXPECT_EQ(link.BoardPort, NoBoardPort);
    EXPECT_EQ(board.board.mode(), 0); // no mode set sent
    EXPECT_FALSE(port.isOpen());
    link.setPortNameSource([] { return Strings{"COM7"}; });
    EXPECT_TRUE(link.usb_connect());
    EXPECT_EQ(link.BoardPort, "COM7");
    EXPECT_EQ(lister.calls, 0);
}

TEST_F(UsbLinkTest, MonitorANewDeviceBesideAKnownBoardIsNotProbed) {
    const StatusLine up = status_line(Up), down = status_line(Down);
    EXPECT_EQ(up.caption, "  The Programmed Board Connect !");
    EXPECT_EQ(down.caption, "  The Programmed Board Disconnect !");
    EXPECT_TRUE(up.colour == 0u && down.colour == 0xFFu);
    EXPECT_TRUE(up.pagerMenuEnabled && !down.pagerMenuEnabled);
    lister.names = {P};
    ASSERT_TRUE(link.connect(false));
    ticks(Modem, {{{Modem, P}, Up, 0}});
    EXPECT_EQ(link.KnownPortCount, 2);
    EXPECT_EQ(ui.timer, (std::vector<bool>{false, true})); // stopped while the tick works
    EXPECT_EQ(ui.states, std::vector{Up});
}

TEST_F(UsbLinkTest, MonitorWithNoBoardOnlyAGrowingListIsProbed) {
    EXPECT_FALSE(link.connect(true)); // nothing listed: said once, at start-up
    EXPECT_EQ(msgs.texts(), Strings{"The Programmed Board is not responding!"});
    EXPECT_FALSE(link.ConnectInteractive);
    msgs.clear();
    ticks(Modem, {{{Modem}, Down, 1}, {{Modem}, Down, 1}, {{Modem}, Down, 1}, {{Modem, P}, Up, 2}});
}

// The first tick before any connect shows the board gone without probing.
TEST_F(UsbLinkTest, MonitorASwapWithinOneTickDisconnectsWithoutProbing) {
    ticks(P, {{{P}, Down, 0}});
    lister.names = {P};
    ASSERT_TRUE(link.connect(false));
    ticks(Acm, {{{P}, Up, 0}, {{Acm}, Down, 0}, {{Acm}, Down, 0}, {{Acm, P}, Up, 1}});
}

// The trace shows stray bytes, whole frames and a frame cut off by the close, in order,
// stamped when the host took them. (That the host gets every byte, the e2e runs show.)
TEST(Trace, ShowsNoiseFramesAndCutOffFramesInOrder) {
    setenv("TZ", "UTC", 1);
    tzset();
    FakeClock clock;
    FakeSerialPort fake{clock};
    std::ostringstream out;
    const Bytes ack = command_templates().WriteAck, noise = {0x00, 0x11, 0x22};
    LambdaPeer peer([&](FakeLine& line, std::span<const uint8_t>) {
        line.deliver(line.nowMs() + 5, noise);
        line.deliver(line.nowMs() + 6, ack);
        line.deliver(line.nowMs() + 7, Bytes(ack.begin(), ack.begin() + 12));
    });
    fake.attach("p", &peer);
    // 2026-01-02 03:04:05 UTC
    TraceSerialPort port(fake, out, clock, std::chrono::system_clock::from_time_t(1767323045));
    ASSERT_TRUE(port.open("p"));
    const uint8_t data[2] = {0xAA, 0xBB};
    const Bytes cmd = write_block_command(0x10, data);
    port.write(cmd.data(), static_cast<int>(cmd.size()));
    clock.advance(20);
    port.waitForReadable(0);
    uint8_t got[64];
    EXPECT_EQ(port.read(got, port.bytesWaiting()), 3 + 16 + 12);
    port.close();

    const std::string expected =
        "-- serial trace started 2026-01-02 03:04:05 +0000 (TX sent to the board, RX received)\n"
        "03:04:05.000 -- open p\n"
        "03:04:05.000 TX write 2 bytes at &H0010 | " +
        hex_bytes(cmd) +
        "\n"
        "03:04:05.020 RX noise before a frame, 3 bytes | 00 11 22\n"
        "03:04:05.020 RX write acknowledged | " +
        hex_bytes(ack) +
        "\n"
        "03:04:05.020 RX incomplete frame, 12 bytes cut off by a close | " +
        hex_bytes(std::span<const uint8_t>(ack.data(), 12)) + "\n03:04:05.020 -- close\n";
    EXPECT_EQ(out.str(), expected);
}

} // namespace
} // namespace kpr
