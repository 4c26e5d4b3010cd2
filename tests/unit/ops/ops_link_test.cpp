// The operations over the real USB link, talking to the simulated board behind a fake port
// on a fake clock: what the pager holds afterwards, and how every fault ends.
#include "fakes.h"
#include "link/usb_link.h"
#include "ops/operations.h"
#include "ops/usb_transfer.h"
#include "sim/board_sim.h"
#include "support/fake_clock.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/sim_peer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace kpr {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string Port = "/dev/ttyKPR0";

// A progress sink that can act when the bar reaches a position.
class TriggerProgress : public test::RecordingProgress {
  public:
    void setPosition(int p) override {
        RecordingProgress::setPosition(p);
        if (at >= 0 && p >= at && action) {
            at = -1;
            action();
        }
    }
    int at = -1;
    std::function<void()> action;
};

class OpsLinkTest : public ::testing::Test {
  protected:
    void start(const BoardSim::Memory& memory, SimFaults faults = {}) {
        peer = std::make_unique<test::SimPeer>(memory, faults);
        port.attach(Port, peer.get());
        lister.names = {Port};
        link.BoardPort = Port;
        editor.fl.ScanIdle = true;
        for (int i = 0; i < ImageSize; ++i)
            editor.img[i] = static_cast<uint8_t>((i * 31) & 0x7F);
    }
    const BoardSim::Memory& pager() const { return peer->board.memory(); }

    test::FakeClock clock;
    test::FakeSerialPort port{clock};
    test::FakePortLister lister;
    test::RecordingMessages messages;
    TriggerProgress progress;
    UsbLink link{port, lister, clock, messages};
    UsbBlockTransfer transfer{link, progress};
    test::FakeEditor editor;
    Operations ops{editor, transfer, messages, progress};
    std::unique_ptr<test::SimPeer> peer;
};

TEST_F(OpsLinkTest, WriteLeavesTheSealedImageAndVerifyPasses) {
    start(default_sim_memory(37, "KS2026000007"));
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Success);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Success!"));
    EXPECT_EQ(pager(), editor.img.bytes());
    EXPECT_EQ(pager()[AddrFirmware], 37);
    EXPECT_EQ(0, std::memcmp(pager().data() + AddrSerialFirst, "KS2026000007", 12));
    EXPECT_EQ(pager()[AddrWrittenFlag], 1);
    EXPECT_TRUE(image_checksum_ok(pager(), ImageUpperBound));
    EXPECT_TRUE(serial_checksum_ok(pager()));
    EXPECT_FALSE(port.isOpen());
}

TEST_F(OpsLinkTest, ErasedPagerGetsTheDefaultSerialAndKeepsTheEditorsFirmwareByte) {
    SimFaults f;
    f.blank = true;
    start(default_sim_memory(), f);
    editor.img[AddrFirmware] = 44;
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Success);
    EXPECT_TRUE(editor.fl.UnversionedFirmware);
    EXPECT_EQ(pager()[AddrFirmware], 44);
    EXPECT_EQ(0, std::memcmp(pager().data() + AddrSerialFirst, "Vard0000000 ", 12));
    EXPECT_TRUE(serial_checksum_ok(pager()));
}

TEST_F(OpsLinkTest, WriteProtectedPagerFailsTheVerify) {
    SimFaults f;
    f.writeProtect = true;
    start(default_sim_memory(), f);
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Error!"));
}

TEST_F(OpsLinkTest, UnacknowledgedWriteEndsWithWriteError) {
    SimFaults f;
    f.noAck = true;
    start(default_sim_memory(), f);
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Write error!"));
    EXPECT_TRUE(ops.OpFailed());
}

TEST_F(OpsLinkTest, ReadAcceptsTheDefaultPagerAndRefusesOthers) {
    start(default_sim_memory());
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_EQ(editor.img.bytes(), pager());
    EXPECT_THAT(messages.texts(), ElementsAre("Read success!"));

    SimFaults f;
    f.wrongModel = true;
    start(default_sim_memory(), f);
    messages.messages.clear();
    PagerImage before = editor.img;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::WrongModel);
    EXPECT_EQ(editor.img, before);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              "This pager is not KPR35T !\r\n\r\nIt is KPR22 ( PCB 0103, Software V4.10 )");
}

TEST_F(OpsLinkTest, ReplyChecksumFaultEndsTheReadWithReadError) {
    SimFaults f;
    f.badChecksum = true;
    start(default_sim_memory(), f);
    PagerImage before = editor.img;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::LinkFailed);
    EXPECT_THAT(messages.texts(), ElementsAre("Read error!"));
    EXPECT_EQ(editor.img, before);
}

TEST_F(OpsLinkTest, SilentBoardTimesOut) {
    SimFaults f;
    f.silent = true;
    start(default_sim_memory(), f);
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Read Time Out!"));
    EXPECT_THAT(port.log(Port).writes.size(), 1u); // only the firmware-byte read went out
}

TEST_F(OpsLinkTest, HangUpMidWriteForgetsTheBoard) {
    SimFaults f;
    f.dropAfter = 6; // firmware read, serial read, then four blocks
    start(default_sim_memory(), f);
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Write error!"));
    EXPECT_TRUE(link.no_board());
}

// Cancelled before the first block the pager is untouched: a plain cancel. Cancelled after
// it, the pager holds part of the new image: the operator is told to write it again.
TEST_F(OpsLinkTest, CancelledWriteSaysWhetherThePagerWasLeftIncomplete) {
    struct Row {
        int cancelAt; // bar position
        int blocksWritten;
        std::vector<std::string> messages;
    };
    for (const Row& row : {Row{0, 0, {}}, Row{512, 4, {MsgWriteIncomplete}}}) {
        SCOPED_TRACE(row.cancelAt);
        messages.messages.clear();
        start(default_sim_memory());
        editor.fl.AutoInc1 = true;
        progress.at = row.cancelAt;
        progress.action = [&] { ops.request_cancel(); };
        EXPECT_EQ(ops.batch_step(), OpOutcome::Cancelled);
        EXPECT_EQ(messages.texts(), row.messages);
        EXPECT_EQ(ops.writeLeftIncomplete(), row.blocksWritten > 0);
        EXPECT_EQ(editor.capcodes[0], "1234567");
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(peer->board.writesAccepted(), row.blocksWritten);
        EXPECT_FALSE(link.no_board()); // a cancel is not a broken link
    }
}

TEST_F(OpsLinkTest, CheckFirmwareShowsTheVersion) {
    start(default_sim_memory(37));
    EXPECT_EQ(ops.check_firmware(), 37);
    EXPECT_THAT(messages.texts(), ElementsAre("Version = 3.7"));
}

} // namespace
} // namespace kpr
