#include "ops/operations.h"

#include "fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

namespace kpr {
namespace {

using test::FakeEditor;
using test::FakePager;
using test::RecordingMessages;
using test::RecordingProgress;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class OperationsTest : public ::testing::Test {
  protected:
    OperationsTest() : pager(messages), ops(editor, pager, messages, progress) {
        editor.fl.ScanIdle = true;
        for (int i = 0; i < ImageSize; ++i)
            editor.img[i] = static_cast<uint8_t>(i % 251);
        test::make_valid_pager(pager.memory);
    }

    RecordingMessages messages;
    RecordingProgress progress;
    FakeEditor editor;
    FakePager pager;
    Operations ops;
};

// --- write ----------------------------------------------------------------------------

TEST_F(OperationsTest, WriteMergesThePagersBytesAndSealsTheImage) {
    pager.memory[AddrFirmware] = 41;
    editor.img[AddrWrittenFlag] = 0;
    EXPECT_EQ(ops.tbl_writeall(editor.img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_FALSE(ops.OpFailed());
    EXPECT_EQ(editor.img[AddrFirmware], 41);
    EXPECT_EQ(0, std::memcmp(editor.img.data() + AddrSerialFirst, "ABC123456789", 12));
    EXPECT_EQ(editor.img[AddrWrittenFlag], 1);
    EXPECT_TRUE(image_checksum_ok(editor.img.bytes(), ImageUpperBound));
    EXPECT_TRUE(serial_checksum_ok(editor.img.bytes()));
    // The pager now holds exactly the sealed image.
    EXPECT_EQ(pager.memory, editor.img.bytes());
    EXPECT_THAT(pager.reads, ElementsAre(std::pair{1113, 1113}, std::pair{1238, 1251}));
    EXPECT_THAT(pager.writes, ElementsAre(std::pair{0, 2047}));
    EXPECT_THAT(editor.log, ElementsAre("commit_frequency"));
    EXPECT_THAT(messages.texts(), IsEmpty()); // the verify reports the outcome
}

TEST_F(OperationsTest, BlankFirmwareKeepsTheEditorsByteAndIsKnownBeforeTheFrequencyCommit) {
    pager.memory[AddrFirmware] = 0xFF;
    editor.img[AddrFirmware] = 52;
    ops.tbl_writeall(editor.img, 0, ImageUpperBound);
    EXPECT_EQ(editor.img[AddrFirmware], 52);
    EXPECT_TRUE(editor.fl.UnversionedFirmware);
    EXPECT_THAT(editor.log, ElementsAre("commit_frequency(unversioned)"));
}

TEST_F(OperationsTest, ScannedSerialIsWrittenWithoutReadingThePagers) {
    editor.fl.ScanIdle = false;
    std::memcpy(editor.img.data() + AddrSerialFirst, "SCAN00000001", 12);
    ops.tbl_writeall(editor.img, 0, ImageUpperBound);
    EXPECT_THAT(pager.reads, ElementsAre(std::pair{1113, 1113}));
    EXPECT_EQ(0, std::memcmp(pager.memory.data() + AddrSerialFirst, "SCAN00000001", 12));
    EXPECT_TRUE(serial_checksum_ok(pager.memory));
}

TEST_F(OperationsTest, FailedFirmwareReadEndsTheWriteBeforeAnythingIsSent) {
    pager.failReadAt = AddrFirmware;
    PagerImage before = editor.img;
    EXPECT_EQ(ops.tbl_writeall(editor.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_TRUE(ops.OpFailed());
    EXPECT_THAT(pager.writes, IsEmpty());
    EXPECT_EQ(editor.img, before);
    EXPECT_THAT(messages.texts(), ElementsAre("Read Time Out!"));
}

TEST_F(OperationsTest, FailedSerialReadEndsTheWrite) {
    pager.failReadAt = 1240;
    EXPECT_EQ(ops.tbl_writeall(editor.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_TRUE(ops.OpFailed());
    EXPECT_THAT(pager.writes, IsEmpty());
}

// --- read -----------------------------------------------------------------------------

TEST_F(OperationsTest, AcceptedReadReplacesTheImageAndReloadsTheEditor) {
    pager.memory[0x0C] = 0; // INCD < 128
    pager.memory[0x0D] = 4;
    pager.memory[0x65] = 0x85; // band 2
    test::make_valid_pager(pager.memory);
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_FALSE(ops.OpFailed());
    EXPECT_EQ(editor.img.bytes(), pager.memory);
    EXPECT_THAT(messages.texts(), ElementsAre("Read success!"));
    EXPECT_THAT(editor.log,
                ElementsAre("select_band(2,silent)", "text_from_pager", "init_ctl(loaded)"));
    EXPECT_FALSE(editor.fl.SuppressClick);
    EXPECT_FALSE(editor.fl.ImageJustLoaded);
    EXPECT_EQ(progress.maximum, 2047 - 16);
    EXPECT_EQ(progress.colour, ColourPurple);
    EXPECT_EQ(progress.status, "Reading Now.......");
}

TEST_F(OperationsTest, BandIsLeftAloneWhenTheImageNamesNone) {
    pager.memory[0x0C] = 0;
    pager.memory[0x0D] = 0;
    pager.memory[0x65] = 0x55;
    test::make_valid_pager(pager.memory);
    ops.tbl_readall(0, ImageUpperBound);
    EXPECT_THAT(editor.log, ElementsAre("text_from_pager", "init_ctl(loaded)"));
}

TEST_F(OperationsTest, WrongModelIsRefusedWithWhatThePagerSays) {
    test::make_valid_pager(pager.memory, "KPR360102V3.80");
    PagerImage before = editor.img;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::WrongModel);
    EXPECT_TRUE(ops.OpFailed());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              "This pager is not KPR35T !\r\n\r\nIt is KPR36 ( PCB 0102, Software V3.80 )");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(editor.img, before);
    EXPECT_THAT(pager.reads, ElementsAre(std::pair{993, 1006})); // the image is not read
}

TEST_F(OperationsTest, SerialChecksumMismatchAloneRejectsTheRead) {
    pager.memory[AddrSerialSumLow] ^= 1;
    // keep the image checksum right for the changed byte
    uint16_t s = image_checksum(pager.memory, ImageUpperBound);
    pager.memory[2046] = static_cast<uint8_t>(s >> 8);
    pager.memory[2047] = static_cast<uint8_t>(s & 0xFF);
    ASSERT_TRUE(image_checksum_ok(pager.memory, ImageUpperBound));
    PagerImage before = editor.img;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::ChecksumError);
    EXPECT_FALSE(ops.OpFailed());
    EXPECT_THAT(messages.texts(), ElementsAre("CheckSum Error!"));
    EXPECT_EQ(editor.img, before);
    EXPECT_THAT(editor.log, IsEmpty());
}

TEST_F(OperationsTest, OldSoftwareSkipsTheChecksums) {
    test::make_valid_pager(pager.memory, "KPR350102V3.72");
    pager.memory[2047] ^= 0xFF;
    pager.memory[AddrSerialSumHigh] ^= 0xFF;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    test::make_valid_pager(pager.memory, "KPR350102V3.73");
    pager.memory[2047] ^= 0xFF;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::ChecksumError);
}

TEST_F(OperationsTest, BlankFirmwareChecksumVariantIsAccepted) {
    test::make_valid_pager(pager.memory);
    pager.memory[AddrFirmware] = 0x00;
    pager.memory[AddrFirmware2] = 0x00;
    uint16_t b = image_checksum_blank_firmware(pager.memory, ImageUpperBound);
    pager.memory[2046] = static_cast<uint8_t>(b >> 8);
    pager.memory[2047] = static_cast<uint8_t>(b & 0xFF);
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
}

TEST_F(OperationsTest, ReloadErrorPutsTheEditorsImageAndBandBack) {
    editor.band = 1;
    pager.memory[0x0C] = 1; // INCD >= 128: band 0
    test::make_valid_pager(pager.memory);
    editor.reloadErrorOnce = 8;
    PagerImage before = editor.img;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::ReloadError);
    EXPECT_THAT(messages.texts(),
                ElementsAre("Read success!", "The data in this pager is wrong!(Error Code = 8)"));
    EXPECT_EQ(editor.img, before);
    EXPECT_EQ(editor.band, 1);
    EXPECT_THAT(editor.log, ElementsAre("select_band(0,silent)", "text_from_pager",
                                        "init_ctl(loaded)", "select_band(1,silent)", "init_ctl"));
}

TEST_F(OperationsTest, FailedImageReadLeavesTheEditorAlone) {
    pager.failReadAt = 500;
    PagerImage before = editor.img;
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::LinkFailed);
    EXPECT_FALSE(ops.OpFailed());
    EXPECT_EQ(editor.img, before);
    EXPECT_THAT(messages.texts(), ElementsAre("Read Time Out!"));
}

// --- verify ---------------------------------------------------------------------------

TEST_F(OperationsTest, VerifyComparesEveryByteAfterReadingTheWholeRange) {
    pager.memory = editor.img.bytes();
    pager.memory[2047] ^= 1;
    EXPECT_EQ(ops.tbl_verify(editor.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_TRUE(ops.OpFailed());
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Error!"));
    EXPECT_THAT(pager.reads, ElementsAre(std::pair{0, 2047}));
    EXPECT_EQ(progress.status, "Verifying Now.....");

    messages.messages.clear();
    pager.memory[2047] ^= 1;
    EXPECT_EQ(ops.tbl_verify(editor.img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Success!"));
    EXPECT_THAT(editor.log, ElementsAre("init_ctl"));
}

TEST_F(OperationsTest, VerifyFailsWhenTheReadFails) {
    pager.failReadAt = 0;
    EXPECT_EQ(ops.tbl_verify(editor.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_TRUE(ops.OpFailed());
    EXPECT_THAT(messages.texts(), ElementsAre("Read Time Out!"));
}

// --- the dialog -----------------------------------------------------------------------

TEST_F(OperationsTest, WriteDialogWritesAndVerifiesWhenNoAutoIncrease) {
    editor.fl.OperationKind = 1;
    EXPECT_EQ(ops.activate(), Operations::DialogNext::Close);
    EXPECT_EQ(ops.lastOutcome(), OpOutcome::Success);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Success!"));
    EXPECT_EQ(pager.memory, editor.img.bytes());
}

TEST_F(OperationsTest, WriteProtectedPagerFailsTheVerify) {
    pager.writeProtect = true;
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Error!"));
}

TEST_F(OperationsTest, WriteDialogRefusesInModifyModeAndWaitsInBatchMode) {
    editor.fl.OperationKind = 1;
    editor.modify = true;
    EXPECT_EQ(ops.activate(), Operations::DialogNext::Close);
    EXPECT_THAT(messages.texts(), ElementsAre("Modify Mode can not write! Please check!"));
    EXPECT_THAT(pager.reads, IsEmpty());

    editor.modify = false;
    editor.fl.AutoInc2 = true;
    EXPECT_EQ(ops.activate(), Operations::DialogNext::AwaitBatch);
    EXPECT_THAT(pager.reads, IsEmpty());
}

TEST_F(OperationsTest, BatchStepRaisesCapcodeOneThenTwo) {
    editor.fl.AutoInc1 = editor.fl.AutoInc2 = true;
    editor.capcodes[0] = "2097151";
    editor.capcodes[1] = "100";
    EXPECT_EQ(ops.batch_label(0), " 1st capcode : 2097151");
    EXPECT_EQ(ops.batch_label(1), " 2nd capcode : 100");
    EXPECT_EQ(ops.batch_step(), OpOutcome::Success);
    EXPECT_THAT(messages.texts(),
                ElementsAre("Verify Success!", "Capcode 1 > 2097151 so can not be increase!"));
    EXPECT_EQ(editor.capcodes[0], "2097151");
    EXPECT_EQ(editor.capcodes[1], "101");
    EXPECT_TRUE(ops.lastIncrementRefused()); // the next pager would repeat capcode 1
    EXPECT_EQ(progress.position, 0);
    EXPECT_EQ(progress.status, "");
    EXPECT_EQ(editor.log.back(), "init_ctl");
}

TEST_F(OperationsTest, FailedBatchStepLeavesCapcodes) {
    editor.fl.AutoInc1 = true;
    pager.failWrite = true;
    EXPECT_EQ(ops.batch_step(), OpOutcome::Failed);
    EXPECT_EQ(editor.capcodes[0], "1234567");
    EXPECT_THAT(messages.texts(), ElementsAre("Write error!"));
}

TEST_F(OperationsTest, CapcodeOneBelowTheMaximumStopsThere) {
    editor.capcodes[1] = "2097150";
    ops.set_capcode(1);
    EXPECT_EQ(editor.capcodes[1], "2097151");
    EXPECT_THAT(editor.log, ElementsAre("store_capcode(1,2097151)", "read_capcode"));
    ops.set_capcode(1);
    EXPECT_EQ(editor.capcodes[1], "2097151");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Capcode 2 > 2097151 so can not be increase!");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Warning);
}

TEST(CapcodeValueTest, ReadsLeadingDigits) {
    EXPECT_EQ(capcode_value(""), 0);
    EXPECT_EQ(capcode_value("  42"), 42);
    EXPECT_EQ(capcode_value("12ab"), 12);
    EXPECT_EQ(capcode_value("99999999999999999999"), 9999999999999);
}

// --- cancelling and the other link ------------------------------------------------------

TEST_F(OperationsTest, CancelledWriteFailsWithoutSuccessOrIncrement) {
    editor.fl.AutoInc1 = true;
    // The operator cancels while the image goes out.
    pager.afterWrite = [&] { ops.request_cancel(); };
    EXPECT_EQ(ops.batch_step(), OpOutcome::Cancelled);
    EXPECT_TRUE(ops.OpFailed());
    EXPECT_EQ(editor.capcodes[0], "1234567");
    EXPECT_THAT(messages.texts(), IsEmpty());

    // The next operation starts afresh.
    pager.afterWrite = nullptr;
    EXPECT_EQ(ops.batch_step(), OpOutcome::Success);
    EXPECT_EQ(editor.capcodes[0], "1234568");
}

TEST_F(OperationsTest, CancelledReadLeavesTheEditorAlone) {
    pager.onRead = [&](int strt) {
        if (strt == 0)
            ops.request_cancel(); // while the image is being read
    };
    PagerImage before = editor.img;
    EXPECT_EQ(ops.usb_readall(0, ImageUpperBound), ReadOutcome::Cancelled);
    EXPECT_EQ(editor.img, before);
    EXPECT_THAT(messages.texts(), IsEmpty());
}

class FakeLpt : public LptOperations {
  public:
    OpOutcome lpt_writeall(OpContext& ctx, PagerImage&, int, int) override {
        calls.push_back("write");
        ctx.OpFailed = false;
        return OpOutcome::Success;
    }
    ReadOutcome lpt_readall(OpContext&, int, int) override {
        calls.push_back("read");
        return ReadOutcome::Accepted;
    }
    OpOutcome lpt_verify(OpContext& ctx, const PagerImage&, int, int) override {
        calls.push_back("verify");
        ctx.OpFailed = true;
        return OpOutcome::Failed;
    }
    std::vector<std::string> calls;
};

TEST_F(OperationsTest, ParallelPortOperationsAreDispatchedWhenPresent) {
    ops.setLinkKind(LinkKind::Lpt);
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre(LptUnavailableMessage));
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::LinkFailed);

    FakeLpt lpt;
    ops.setLptOperations(&lpt);
    EXPECT_EQ(ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_THAT(lpt.calls, ElementsAre("write", "verify", "read"));
    EXPECT_THAT(pager.reads, IsEmpty());
}

} // namespace
} // namespace kpr
