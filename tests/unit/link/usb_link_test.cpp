#include <gtest/gtest.h>

#include "link/frame.h"
#include "link/usb_link.h"
#include "sim/board_sim.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/recorders.h"
#include "support/sim_peer.h"

using namespace kpr;
using namespace kpr::test;

namespace {

using Strings = std::vector<std::string>;

BoardSim::Memory numbered_memory() {
    BoardSim::Memory m;
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<uint8_t>(i * 7 + 3);
    return m;
}

// Answers the probe with the given reply bytes and ignores everything else.
LambdaPeer::Fn answer_probe(Bytes reply) {
    return [reply](FakeLine& line, std::span<const uint8_t> cmd) {
        if (cmd.size() == 18 && cmd[10] == '5')
            line.deliver(line.nowMs() + 30, reply);
    };
}

class UsbLinkTest : public ::testing::Test {
  protected:
    void SetUp() override { link.setUi(&ui); }

    // The board on one port, connected; messages of the connect forgotten.
    void connect_board(const std::string& name = "/dev/ttyUSB0") {
        lister.names = {name};
        port.attach(name, &board);
        ASSERT_TRUE(link.usb_connect());
        msgs.entries.clear();
    }

    FakeClock clock;
    FakeSerialPort port{clock};
    FakePortLister lister;
    RecordedMessages msgs;
    RecordedLinkUi ui;
    RecordedProgress progress;
    UsbLink link{port, lister, clock, msgs};
    SimPeer board{numbered_memory()};
};

TEST_F(UsbLinkTest, ConnectsOnSecondPortAfterWaitingOutTheFirst) {
    SilentPeer modem;
    lister.names = {"/dev/ttyS0", "/dev/ttyUSB0"};
    port.attach("/dev/ttyS0", &modem);
    port.attach("/dev/ttyUSB0", &board);
    const int64_t t0 = clock.nowMs();

    EXPECT_TRUE(link.usb_connect());

    EXPECT_EQ(link.BoardPort, "/dev/ttyUSB0");
    EXPECT_EQ(link.KnownPortCount, 2);
    EXPECT_GT(clock.nowMs() - t0, 500); // the silent port's start-mark wait ran out
    ASSERT_EQ(port.log("/dev/ttyS0").writes.size(), 1u);
    EXPECT_EQ(port.log("/dev/ttyS0").writes[0], command_templates().ProbeCommand);
    EXPECT_EQ(port.log("/dev/ttyS0").closes, 1);
    EXPECT_EQ(board.board.mode(), 's');
    EXPECT_EQ(board.board.modeValue(), 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(msgs.entries.empty());
    EXPECT_TRUE(link.board_known());
}

TEST_F(UsbLinkTest, RejectsProbeRepliesThatFailTheirChecks) {
    Bytes badSum = probe_reply(1, 2);
    badSum.back() ^= 0x01;
    Bytes threeParams = make_frame(TargetBoard, CommandRead, Bytes{1, 2, 3}); // L = 3
    threeParams.resize(17);                                                   // sum now wrong
    Bytes l3 = make_frame(TargetBoard, CommandRead, Bytes{1, 2}); // header then L patched
    l3[12] = 3;
    seal_frame(l3);
    Bytes noiseAfterMark = probe_reply(1, 2);
    noiseAfterMark.insert(noiseAfterMark.begin() + 1, 0x00);

    LambdaPeer p1(answer_probe(badSum)), p2(answer_probe(l3)), p3(answer_probe(noiseAfterMark));
    lister.names = {"A", "B", "C"};
    port.attach("A", &p1);
    port.attach("B", &p2);
    port.attach("C", &p3);
    link.ConnectInteractive = true;

    EXPECT_FALSE(link.usb_connect());

    EXPECT_EQ(link.BoardPort, NoBoardPort);
    EXPECT_TRUE(link.no_board());
    EXPECT_EQ(link.KnownPortCount, 0); // left as it was
    ASSERT_EQ(msgs.entries.size(), 1u);
    EXPECT_EQ(msgs.entries[0].text, "The Programmed Board is not responding!");
    EXPECT_EQ(msgs.entries[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.timer, (std::vector<bool>{false, true}));
}

TEST_F(UsbLinkTest, NoiseBeforeTheStartMarkIsDropped) {
    Bytes reply = probe_reply(1, 2);
    reply.insert(reply.begin(), {0x00, 0xFF, 0x13, 0x55});
    LambdaPeer noisy([&](FakeLine& line, std::span<const uint8_t> cmd) {
        if (cmd[10] == '5' && cmd[11] == 'R')
            line.deliver(line.nowMs() + 20, reply);
        else if (cmd[10] == '5' && cmd[11] == 'S')
            line.deliver(line.nowMs() + 20, command_templates().InitAck);
    });
    lister.names = {"A"};
    port.attach("A", &noisy);
    EXPECT_TRUE(link.usb_connect());
    EXPECT_EQ(link.BoardPort, "A");
    EXPECT_TRUE(msgs.entries.empty());
}

TEST_F(UsbLinkTest, SilentFailureSkipsUnopenablePortsAndShowsNothing) {
    lister.names = {"gone", "busy"};
    port.attachUnopenable("busy");
    EXPECT_FALSE(link.usb_connect());
    EXPECT_EQ(link.BoardPort, NoBoardPort);
    EXPECT_TRUE(msgs.entries.empty());
    EXPECT_TRUE(ui.timer.empty());
}

TEST_F(UsbLinkTest, UnacknowledgedModeSetWarnsButStillConnects) {
    LambdaPeer probeOnly(answer_probe(probe_reply(0, 0)));
    lister.names = {"A"};
    port.attach("A", &probeOnly);
    EXPECT_TRUE(link.usb_connect());
    EXPECT_EQ(msgs.texts(), Strings{"Programmer Initial Error !"});
    EXPECT_EQ(msgs.entries[0].icon, MessageIcon::None);
    EXPECT_EQ(link.BoardPort, "A");
}

TEST_F(UsbLinkTest, RangeOf300IsReadAs128And128And44) {
    connect_board();
    const int64_t t0 = clock.nowMs();
    ASSERT_TRUE(link.usb_readblk(0, 299, 128, &progress));

    const auto& writes = port.log("/dev/ttyUSB0").writes;
    ASSERT_GE(writes.size(), 3u);
    const std::vector<Bytes> last(writes.end() - 3, writes.end());
    EXPECT_EQ(last[0], read_block_command(0, 128));
    EXPECT_EQ(last[1], read_block_command(128, 128));
    EXPECT_EQ(last[2], read_block_command(256, 44));
    EXPECT_EQ(link.ReadBuffer.size(), 300u);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(link.ReadBuffer[i], board.board.memory()[i]) << i;
    EXPECT_EQ(progress.positions, (std::vector<int>{128, 256, 384}));
    EXPECT_FALSE(port.isOpen());
    // No fixed pause per block: the time is the wire's, about 1 ms a byte (399 bytes),
    // not three 300 ms pauses on top of it.
    EXPECT_LT(clock.nowMs() - t0, 500);
}

TEST_F(UsbLinkTest, SingleAddressReadSendsOneCountOneCommandAndLeavesTheBarAlone) {
    connect_board();
    const size_t before = port.log("/dev/ttyUSB0").writes.size();
    ASSERT_TRUE(link.usb_readblk(1113, 1113, 128, &progress));
    EXPECT_EQ(port.log("/dev/ttyUSB0").writes.size(), before + 1);
    EXPECT_EQ(port.log("/dev/ttyUSB0").writes.back(), read_block_command(1113, 1));
    EXPECT_EQ(link.ReadBuffer.size(), 1114u);
    EXPECT_EQ(link.ReadBuffer[1113], board.board.memory()[1113]);
    EXPECT_TRUE(progress.positions.empty());

    ASSERT_TRUE(link.usb_readblk(0, 0, 128, &progress));
    EXPECT_EQ(progress.positions, std::vector<int>{128});
}

TEST_F(UsbLinkTest, ReadTimesOutAfter2300msFromTheSend) {
    connect_board();
    port.attach("/dev/ttyUSB0", nullptr); // the board stops answering
    const int64_t t0 = clock.nowMs();
    EXPECT_FALSE(link.usb_readblk(0, 2047, 128));
    const int64_t waited = clock.nowMs() - t0;
    EXPECT_GT(waited, 2300);
    EXPECT_LT(waited, 2500);
    EXPECT_EQ(msgs.texts(), Strings{"Read Time Out!"});
    EXPECT_EQ(link.last_result(), BlockResult::TimedOut);
    EXPECT_EQ(link.BoardPort, "/dev/ttyUSB0");
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(ui.states.empty());
}

TEST_F(UsbLinkTest, ReplyJustInsideTheWindowIsTaken) {
    connect_board();
    LambdaPeer late([](FakeLine& line, std::span<const uint8_t> cmd) {
        line.deliver(line.nowMs() + 2290, read_block_reply(Bytes(cmd[15], 0x42)));
    });
    port.attach("/dev/ttyUSB0", &late);
    ASSERT_TRUE(link.usb_readblk(10, 19, 128));
    EXPECT_EQ(link.ReadBuffer[10], 0x42);
}

TEST_F(UsbLinkTest, BadChecksumFailsAndReadBufferKeepsOnlyWhatArrived) {
    connect_board();
    int block = 0;
    LambdaPeer secondBad([&](FakeLine& line, std::span<const uint8_t> cmd) {
        Bytes reply = read_block_reply(Bytes(cmd[15], 0x77));
        if (++block == 2)
            reply.back() ^= 1;
        line.deliver(line.nowMs() + 5, reply);
    });
    port.attach("/dev/ttyUSB0", &secondBad);
    EXPECT_FALSE(link.usb_readblk(0, 299, 128));
    EXPECT_EQ(msgs.texts(), Strings{"Read error!"});
    EXPECT_EQ(link.last_result(), BlockResult::BadReply);
    EXPECT_EQ(link.BoardPort, "/dev/ttyUSB0");
    ASSERT_EQ(link.ReadBuffer.size(), 300u);
    EXPECT_EQ(link.ReadBuffer[0], 0x77);
    EXPECT_EQ(link.ReadBuffer[127], 0x77);
    EXPECT_EQ(link.ReadBuffer[128], 0);
    EXPECT_EQ(link.ReadBuffer[299], 0);
}

TEST_F(UsbLinkTest, HangUpDuringReadForgetsTheBoard) {
    SimFaults drop;
    drop.dropAfter = 3; // probe, mode set, one block
    SimPeer dropping(numbered_memory(), drop);
    lister.names = {"/dev/ttyUSB0"};
    port.attach("/dev/ttyUSB0", &dropping);
    ASSERT_TRUE(link.usb_connect());
    lister.names = {"/dev/ttyS0"}; // the board's port is gone from the list
    const int listings = lister.calls;

    EXPECT_FALSE(link.usb_readblk(0, 2047, 128));

    EXPECT_EQ(link.last_result(), BlockResult::LinkFailure);
    EXPECT_EQ(link.BoardPort, NoBoardPort);
    EXPECT_EQ(link.KnownPortCount, 1);
    EXPECT_EQ(lister.calls, listings + 1);
    EXPECT_EQ(ui.states, std::vector<BoardState>{BoardState::Disconnected});
    EXPECT_EQ(msgs.texts(), Strings{"Read error!"});
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(link.ReadBuffer[0], dropping.board.memory()[0]); // the block that came
}

TEST_F(UsbLinkTest, PortFaultsInsideTransfersAreLinkFailures) {
    connect_board();
    port.failOn("/dev/ttyUSB0", FakeSerialPort::Fail::Flush);
    EXPECT_FALSE(link.usb_readblk(0, 10, 128));
    EXPECT_EQ(link.last_result(), BlockResult::LinkFailure);

    connect_board();
    port.failOn("/dev/ttyUSB0", FakeSerialPort::Fail::Close);
    const Bytes img(2048, 1);
    EXPECT_FALSE(link.usb_writeblk(img, 0, 2047, 128));
    EXPECT_EQ(link.last_result(), BlockResult::LinkFailure);
    EXPECT_EQ(msgs.texts(), Strings{"Write error!"});
    EXPECT_EQ(link.BoardPort, NoBoardPort);

    // A read with no board known cannot open a port: the same path, not a crash.
    msgs.entries.clear();
    EXPECT_FALSE(link.usb_readblk(0, 10, 128));
    EXPECT_EQ(msgs.texts(), Strings{"Read error!"});
}

TEST_F(UsbLinkTest, WholeImageWriteLandsInThePagerWithProgress) {
    connect_board();
    Bytes img(2048);
    for (size_t i = 0; i < img.size(); ++i)
        img[i] = static_cast<uint8_t>(255 - i % 251);

    ASSERT_TRUE(link.usb_writeblk(img, 0, 2047, 128, &progress));

    EXPECT_TRUE(std::equal(img.begin(), img.end(), board.board.memory().begin()));
    const auto& writes = port.log("/dev/ttyUSB0").writes;
    EXPECT_EQ(writes.back().size(), 128u + 17u);
    EXPECT_EQ(writes.back()[12], 130);
    EXPECT_EQ(progress.maximum, 2047 - 16);
    EXPECT_EQ(progress.colour, ColourHighlight);
    EXPECT_EQ(progress.status, "Writing Now.......");
    ASSERT_EQ(progress.positions.size(), 17u);
    EXPECT_EQ(progress.positions.front(), 0);
    EXPECT_EQ(progress.positions.back(), 2048);
    EXPECT_TRUE(msgs.entries.empty());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(UsbLinkTest, WriteFailuresKeepTheBoard) {
    connect_board();
    LambdaPeer wrongAck([](FakeLine& line, std::span<const uint8_t>) {
        Bytes nak = command_templates().WriteAck;
        nak[13] = 0x15;
        line.deliver(line.nowMs() + 5, nak);
    });
    port.attach("/dev/ttyUSB0", &wrongAck);
    const Bytes img(2048, 9);
    EXPECT_FALSE(link.usb_writeblk(img, 0, 2047, 128));
    EXPECT_EQ(link.last_result(), BlockResult::BadReply);

    SilentPeer dead;
    port.attach("/dev/ttyUSB0", &dead);
    const int64_t t0 = clock.nowMs();
    EXPECT_FALSE(link.usb_writeblk(img, 0, 2047, 128));
    EXPECT_EQ(link.last_result(), BlockResult::TimedOut);
    EXPECT_GT(clock.nowMs() - t0, 2000);
    EXPECT_LT(clock.nowMs() - t0, 2200);

    EXPECT_EQ(msgs.texts(), (Strings{"Write error!", "Write error!"}));
    EXPECT_EQ(link.BoardPort, "/dev/ttyUSB0");
    EXPECT_TRUE(ui.states.empty());
}

TEST_F(UsbLinkTest, CancelStopsBetweenBlocksWithoutAMessage) {
    connect_board();
    int blocks = 0;
    LambdaPeer cancelling([&](FakeLine& line, std::span<const uint8_t>) {
        if (++blocks == 2)
            link.request_cancel();
        line.deliver(line.nowMs() + 5, command_templates().WriteAck);
    });
    port.attach("/dev/ttyUSB0", &cancelling);
    const Bytes img(2048, 9);
    EXPECT_FALSE(link.usb_writeblk(img, 0, 2047, 128));
    EXPECT_EQ(link.last_result(), BlockResult::Cancelled);
    EXPECT_EQ(blocks, 2);
    EXPECT_TRUE(msgs.entries.empty());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(link.BoardPort, "/dev/ttyUSB0");

    // Still set: the next transfer of the same operation does not start.
    EXPECT_FALSE(link.usb_readblk(0, 10, 128));
    EXPECT_EQ(blocks, 2);
    link.clear_cancel();
    port.attach("/dev/ttyUSB0", &board);
    EXPECT_TRUE(link.usb_readblk(0, 10, 128));
}

// A cancel during a reply lets that reply finish, or run out its own limit, before the port
// closes: the next command must start on a quiet line, not inside the old reply.
TEST_F(UsbLinkTest, CancelLetsTheReplyInFlightFinishBeforeThePortCloses) {
    struct Row {
        const char* name;
        bool silent;
        int64_t minMs, maxMs;
    };
    for (const Row& row : {Row{"reply in flight", false, 140, 400},
                           Row{"silent board", true, ReadReplyWaitMs, ReadReplyWaitMs + 50}}) {
        SCOPED_TRACE(row.name);
        connect_board();
        link.clear_cancel();
        LambdaPeer cancelling([&](FakeLine& line, std::span<const uint8_t> cmd) {
            link.request_cancel();
            if (!row.silent)
                board.onBytes(line, cmd);
        });
        port.attach("/dev/ttyUSB0", &cancelling);
        const size_t sent = port.log("/dev/ttyUSB0").writes.size();
        const int64_t t0 = clock.nowMs();
        EXPECT_FALSE(link.usb_readblk(0, 2047, 128));
        EXPECT_EQ(link.last_result(), BlockResult::Cancelled);
        EXPECT_GE(clock.nowMs() - t0, row.minMs);
        EXPECT_LE(clock.nowMs() - t0, row.maxMs);
        EXPECT_EQ(port.log("/dev/ttyUSB0").writes.size(), sent + 1); // one block only
        EXPECT_TRUE(msgs.entries.empty());

        link.clear_cancel();
        port.attach("/dev/ttyUSB0", &board);
        EXPECT_TRUE(link.usb_readblk(0, 300, 128));
        EXPECT_TRUE(msgs.entries.empty());
        EXPECT_TRUE(std::equal(link.ReadBuffer.begin(), link.ReadBuffer.end(),
                               board.board.memory().begin()));
    }
}

// A USB read on the parallel-port link (Check Firmware) that fails reports the failure but
// keeps the parallel board and the Pager menu as they were.
TEST_F(UsbLinkTest, FailedFirmwareReadOnTheParallelLinkKeepsTheParallelBoard) {
    link.LinkKind = "LPT";
    link.lpt_connect = [] { return true; };
    ASSERT_TRUE(link.board_connect());
    const std::string before = link.BoardPort;
    EXPECT_FALSE(link.check_firmware());
    EXPECT_EQ(msgs.texts(), Strings{"Read error!"});
    EXPECT_EQ(link.BoardPort, before);
    EXPECT_TRUE(ui.states.empty());
}

TEST_F(UsbLinkTest, FirmwareVersionText) {
    EXPECT_EQ(firmware_version_text(37), "Version = 3.7");
    EXPECT_EQ(firmware_version_text(5), "Version = .5");
    EXPECT_EQ(firmware_version_text(255), "Version = 25.5");
    EXPECT_EQ(firmware_version_text(0), "Version = .0");
    EXPECT_EQ(firmware_version_text(10), "Version = 1.0");
}

TEST_F(UsbLinkTest, CheckFirmwareReadsTheFirmwareByte) {
    SimPeer pager(default_sim_memory(37));
    lister.names = {"P"};
    port.attach("P", &pager);
    ASSERT_TRUE(link.usb_connect());
    link.LinkKind = "LPT"; // Check Firmware always uses the USB read
    EXPECT_TRUE(link.check_firmware());
    EXPECT_EQ(msgs.texts(), Strings{"Version = 3.7"});
    EXPECT_EQ(port.log("P").writes.back(), read_block_command(1113, 1));
}

TEST_F(UsbLinkTest, ReleaseOnlyWhenABoardIsKnownOnUsb) {
    link.release_board(); // before any connect
    EXPECT_TRUE(port.log("/dev/ttyUSB0").writes.empty());
    connect_board();
    link.release_board();
    EXPECT_EQ(board.board.mode(), 'r');
    EXPECT_EQ(port.log("/dev/ttyUSB0").writes.back(), init_command(1, true));
    EXPECT_TRUE(msgs.entries.empty());

    const size_t sent = port.log("/dev/ttyUSB0").writes.size();
    link.BoardPort = NoBoardPort;
    link.release_board();
    link.BoardPort = "/dev/ttyUSB0";
    link.LinkKind = "LPT";
    link.release_board();
    EXPECT_EQ(port.log("/dev/ttyUSB0").writes.size(), sent);
}

TEST_F(UsbLinkTest, BoardConnectChoosesTheLinkByKind) {
    int lpt = 0;
    link.LinkKind = "LPT";
    EXPECT_FALSE(link.board_connect()); // no parallel link yet
    link.lpt_connect = [&] {
        ++lpt;
        return true;
    };
    EXPECT_TRUE(link.board_connect());
    EXPECT_EQ(lpt, 1);
    EXPECT_EQ(lister.calls, 0);
}

TEST_F(UsbLinkTest, ProbePortLeavesTheLinkStateAlone) {
    SilentPeer modem;
    port.attach("/dev/ttyS0", &modem);
    port.attach("/dev/ttyUSB0", &board);
    link.BoardPort = NoBoardPort;
    EXPECT_FALSE(link.probe_port("/dev/ttyS0"));
    EXPECT_FALSE(link.probe_port("/dev/nothing"));
    EXPECT_TRUE(link.probe_port("/dev/ttyUSB0"));
    EXPECT_EQ(link.BoardPort, NoBoardPort);
    EXPECT_EQ(board.board.mode(), 0); // no mode set sent
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(msgs.entries.empty());
}

TEST_F(UsbLinkTest, PortListSourceReplacesTheLister) {
    port.attach("COM7", &board);
    link.setPortListSource([] { return Strings{"COM7"}; });
    EXPECT_TRUE(link.usb_connect());
    EXPECT_EQ(link.BoardPort, "COM7");
    EXPECT_EQ(lister.calls, 0);
}

} // namespace
