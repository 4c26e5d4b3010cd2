// Whole-image write, read and verify over the parallel-port board, with the pager's memory
// modelled bit by bit behind a fake printer port on fake time. The same images through the
// USB link and the simulated board must end the same way.
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "link/connection_monitor.h"
#include "link/lpt_link.h"
#include "link/usb_link.h"
#include "ops/lpt_board.h"
#include "ops/lpt_operations.h"
#include "ops/operations.h"
#include "ops/seal.h"
#include "ops/usb_transfer.h"
#include "sim/board_sim.h"
#include "support/fake_clock.h"
#include "support/fake_port_io.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/recorders.h"
#include "support/sim_peer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

namespace kpr {
namespace {

using test::EepromModel;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Memory = PagerImage::Bytes;

// The USB side of an Operations that must never be used.
class NoUsb final : public BlockTransfer {
  public:
    bool readblk(int, int, int) override {
        ADD_FAILURE() << "USB read on the parallel-port link";
        return false;
    }
    std::span<const uint8_t> readBuffer() const override { return {}; }
    bool writeblk(std::span<const uint8_t>, int, int, int) override {
        ADD_FAILURE() << "USB write on the parallel-port link";
        return false;
    }
    bool lastCancelled() const override { return false; }
    bool lastWriteTouchedPager() const override { return false; }
    void requestCancel() override {}
    void clearCancel() override {}
};

// Progress that can act when the bar reaches a position.
class TriggerProgress final : public ProgressSink {
  public:
    void setMaximum(int m) override { maximum = m; }
    void setPosition(int p) override {
        positions.push_back(p);
        if (at >= 0 && p >= at && action) {
            at = -1;
            action();
        }
    }
    void setColour(uint32_t c) override { colour = c; }
    void setStatus(const std::string& s) override { status = s; }
    int maximum = -1;
    std::vector<int> positions;
    uint32_t colour = 0;
    std::string status;
    int at = -1;
    std::function<void()> action;
};

// The real editor behind the parallel-port board.
struct LptWorld {
    explicit LptWorld(const Memory& memory) {
        model.memory = memory;
        io.bases[LptBase1].memory = &model;
        EXPECT_TRUE(link.lpt_connect());
        ops.setLinkKind(LinkKind::Lpt);
        ops.setLptOperations(&lpt);
        editor.startup_finish("", false);
    }
    test::MicroClock clock;
    EepromModel model{[this] { return clock.nowUs(); }};
    test::FakePortIo io;
    test::RecordedMessages messages;
    TriggerProgress progress;
    LptLink link{io, clock, messages};
    LptOps lpt{link};
    NoUsb usb;
    Editor editor{messages};
    EditorAdapter hooks{editor};
    Operations ops{hooks, usb, messages, progress};
};

// The same editor behind the USB board.
struct UsbWorld {
    explicit UsbWorld(const Memory& memory) : peer(memory) {
        port.attach(Port, &peer);
        lister.names = {Port};
        link.BoardPort = Port;
        editor.startup_finish("", false);
    }
    const Memory& pager() const { return peer.board.memory(); }
    inline static const std::string Port = "/dev/ttyKPR0";
    test::FakeClock clock;
    test::FakeSerialPort port{clock};
    test::FakePortLister lister;
    test::SimPeer peer;
    test::RecordedMessages messages;
    test::RecordedProgress progress;
    UsbLink link{port, lister, clock, messages};
    UsbBlockTransfer transfer{link, progress};
    Editor editor{messages};
    EditorAdapter hooks{editor};
    Operations ops{hooks, transfer, messages, progress};
};

// What the Write command does around the dialog: pager codes while it runs.
template <class World> OpOutcome write_and_verify(World& w) {
    PagerCodesScope codes(w.hooks);
    return w.ops.write_and_verify();
}

Memory changed_pager(Memory m) {
    // A pager that differs from the editor in a setting, with its own serial number.
    m[0x200] ^= 0x5A;
    m[0x300] ^= 0x01;
    seal_sim_memory(m, "KS2026000099");
    return m;
}

TEST(LptAgainstUsb, WriteAndVerifyLeaveTheSamePagerAndSayTheSame) {
    const Memory start = changed_pager(default_sim_memory());
    UsbWorld usb(start);
    LptWorld lpt(start);
    // The USB write takes the pager's firmware byte; give the parallel-port editor the same.
    lpt.editor.image()[AddrFirmware] = start[AddrFirmware];
    usb.editor.image()[AddrFirmware] = start[AddrFirmware];

    EXPECT_EQ(write_and_verify(usb), OpOutcome::Success);
    EXPECT_EQ(write_and_verify(lpt), OpOutcome::Success);

    EXPECT_EQ(usb.messages.texts(), lpt.messages.texts());
    EXPECT_THAT(lpt.messages.texts(), ElementsAre("Verify Success!"));
    EXPECT_EQ(lpt.model.memory, usb.pager());
    EXPECT_EQ(lpt.editor.image(), usb.editor.image());
    EXPECT_TRUE(image_checksum_ok(lpt.model.memory, ImageUpperBound));
    EXPECT_TRUE(serial_checksum_ok(lpt.model.memory));
    EXPECT_EQ(0, std::memcmp(lpt.model.memory.data() + AddrSerialFirst, "KS2026000099", 12));
    EXPECT_EQ(lpt.model.memory[AddrWrittenFlag], 1);
    EXPECT_THAT(lpt.model.violations, IsEmpty());
    EXPECT_EQ(lpt.model.abortedWrites, 0);
    EXPECT_FALSE(lpt.ops.OpFailed());
}

TEST(LptAgainstUsb, ReadGivesTheSameImageAndMessages) {
    const Memory start = changed_pager(default_sim_memory());
    UsbWorld usb(start);
    LptWorld lpt(start);
    EXPECT_EQ(usb.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_EQ(lpt.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_THAT(lpt.messages.texts(), ElementsAre("Read success!"));
    EXPECT_EQ(usb.messages.texts(), lpt.messages.texts());
    EXPECT_EQ(lpt.editor.image(), usb.editor.image());
    // The image as read, back in pager codes, is the pager's memory byte for byte.
    {
        PagerCodesScope codes(lpt.hooks);
        EXPECT_EQ(lpt.editor.image().bytes(), start);
    }
    EXPECT_THAT(lpt.model.violations, IsEmpty());
    // Nothing was written by reading.
    EXPECT_THAT(lpt.model.pageWrites, IsEmpty());
}

TEST(LptAgainstUsb, ReadThenVerifyComparesEqual) {
    LptWorld lpt(changed_pager(default_sim_memory()));
    ASSERT_EQ(lpt.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    PagerCodesScope codes(lpt.hooks);
    EXPECT_EQ(lpt.ops.tbl_verify(lpt.editor.image(), 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_THAT(lpt.messages.texts(), ElementsAre("Read success!", "Verify Success!"));
}

TEST(LptAgainstUsb, ChecksumErrorIsRefusedAlikeAndLeavesTheEditorAlone) {
    Memory m = default_sim_memory();
    m[AddrSerialSumLow] ^= 1;
    UsbWorld usb(m);
    LptWorld lpt(m);
    const PagerImage before = lpt.editor.image();
    EXPECT_EQ(usb.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::ChecksumError);
    EXPECT_EQ(lpt.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::ChecksumError);
    EXPECT_THAT(lpt.messages.texts(), ElementsAre("CheckSum Error!"));
    EXPECT_EQ(usb.messages.texts(), lpt.messages.texts());
    EXPECT_EQ(lpt.editor.image(), before);
}

// ----- the parallel-port operations on their own, with a recording editor -----

class RecordingHooks final : public EditorHooks {
  public:
    PagerImage& image() override { return img; }
    PagerImage& imageBackup() override { return backup; }
    EditorFlags& flags() override { return fl; }
    void commit_frequency() override { log.push_back("commit_frequency"); }
    void init_ctl() override {
        log.push_back(fl.ImageJustLoaded ? "init_ctl(loaded)" : "init_ctl");
        if (reloadErrorOnce) {
            fl.ReloadError = reloadErrorOnce;
            reloadErrorOnce = 0;
        }
    }
    std::optional<int> current_band() override { return band; }
    void select_band(int b) override {
        log.push_back("select_band(" + std::to_string(b) + (fl.SuppressClick ? ",silent)" : ")"));
        band = b;
    }
    void read_capcode() override {}
    std::string capcode_text(int) override { return "1"; }
    void store_capcode_text(int, const std::string&) override {}
    bool modify_mode() override { return false; }
    void text_to_pager() override { log.push_back("text_to_pager"); }
    void text_from_pager() override { log.push_back("text_from_pager"); }

    PagerImage img, backup;
    EditorFlags fl;
    std::optional<int> band = 1;
    int reloadErrorOnce = 0;
    std::vector<std::string> log;
};

// A sealed pager with model text, serial number and every other byte set.
Memory sealed_pager(const std::string& model = "KPR350102V3.80",
                    const std::string& serial = "ABC123456789") {
    Memory m{};
    for (int i = 0; i < ImageSize; ++i)
        m[i] = static_cast<uint8_t>((i * 7 + 3) & 0x7F);
    m[0x0C] = 1; // band 0 by either rule
    for (int i = 0; i < AddrModelLast - AddrModelFirst + 1; ++i)
        m[AddrModelFirst + i] = i < static_cast<int>(model.size()) ? model[i] : ' ';
    seal_sim_memory(m, serial);
    return m;
}

class LptOpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        io.bases[LptBase1].memory = &model;
        ASSERT_TRUE(link.lpt_connect());
        hooks.fl.ScanIdle = true;
        model.memory = sealed_pager();
        // The editor holds the board's identity bytes already.
        hooks.img = PagerImage(model.memory);
        for (int a = 100; a < 900; ++a)
            hooks.img[a] = static_cast<uint8_t>(a * 3);
        model.clear_records();
    }
    OpContext& ctx() { return context; }

    test::MicroClock clock;
    EepromModel model{[this] { return clock.nowUs(); }};
    test::FakePortIo io;
    test::RecordedMessages messages;
    TriggerProgress progress;
    RecordingHooks hooks;
    LptLink link{io, clock, messages};
    LptOps lpt{link};
    CancelToken cancel;
    OpContext context{hooks, messages, progress, &cancel};
};

// The transactions that carried bytes (parking the bus also makes a start condition).
std::vector<EepromModel::Transaction> with_bytes(const EepromModel& m) {
    std::vector<EepromModel::Transaction> out;
    for (const auto& t : m.transactions)
        if (!t.bytes.empty())
            out.push_back(t);
    return out;
}

// Single-byte page writes, by address.
std::vector<int> single_byte_writes(const EepromModel& m) {
    std::vector<int> out;
    for (const auto& w : m.pageWrites)
        if (w.addresses.size() == 1)
            out.push_back(w.first);
    return out;
}

TEST_F(LptOpsTest, WriteSendsAPagePerTransactionAndSingleBytesOver1233To1263) {
    hooks.fl.ScanIdle = false; // a scanned serial number is written, not the pager's
    PagerImage img = hooks.img;
    ASSERT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_EQ(model.memory, img.bytes());

    std::vector<int> expectedSingles;
    for (int a = 1232; a <= 1263; ++a) // 1232 is a page start cut short by 1233
        expectedSingles.push_back(a);
    EXPECT_EQ(single_byte_writes(model), expectedSingles);

    // Every other transaction is one whole page; every address written exactly once.
    std::multiset<int> written;
    for (const auto& w : model.pageWrites) {
        if (w.addresses.size() > 1) {
            EXPECT_EQ(w.first % 16, 0);
            EXPECT_EQ(w.addresses.size(), 16u);
        }
        for (size_t i = 0; i < w.addresses.size(); ++i)
            EXPECT_EQ(w.addresses[i], w.first + static_cast<int>(i));
        written.insert(w.addresses.begin(), w.addresses.end());
    }
    EXPECT_EQ(written.size(), static_cast<size_t>(ImageSize));
    EXPECT_EQ(std::set<int>(written.begin(), written.end()).size(), written.size());
    EXPECT_EQ(model.pageWrites.size(), 77u + 32u + 1u + 48u);

    // The 10 ms pause covers the memory's write cycle: it never had to refuse.
    EXPECT_EQ(model.busyRefusals, 0);
    for (size_t i = 1; i < model.pageWrites.size(); ++i)
        EXPECT_GE(model.pageWrites[i].committedAtUs - model.pageWrites[i - 1].committedAtUs,
                  LptWriteCycleMs * 1000);
    EXPECT_THAT(model.violations, IsEmpty());
    EXPECT_THAT(messages.entries, IsEmpty());
    EXPECT_EQ(progress.maximum, ImageUpperBound - 16);
    EXPECT_EQ(progress.colour, ColourHighlight);
    EXPECT_EQ(progress.status, "Writing Now.......");
    EXPECT_EQ(progress.positions.front(), 0);
    EXPECT_EQ(progress.positions.back(), 2032);
}

TEST_F(LptOpsTest, WriteLeavesAValidPagerSerialNumberUntouchedOnThePager) {
    model.memory[AddrSerialFirst] = 'A'; // unchanged: the pager's serial stays valid
    PagerImage img = hooks.img;
    std::memcpy(img.data() + AddrSerialFirst, "ZZZZZZZZZZZZ", 12); // what the editor shows
    ASSERT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Success);
    // The merge copied the pager's serial into the image; those 14 bytes were skipped.
    EXPECT_EQ(0, std::memcmp(img.data() + AddrSerialFirst, "ABC123456789", 12));
    std::vector<int> singles = single_byte_writes(model);
    std::vector<int> expected;
    for (int a = 1232; a <= 1263; ++a)
        if (a < AddrSerialFirst || a > AddrSerialSumLow)
            expected.push_back(a);
    EXPECT_EQ(singles, expected);
    EXPECT_EQ(model.memory, img.bytes());
    EXPECT_TRUE(serial_checksum_ok(model.memory));
    EXPECT_TRUE(image_checksum_ok(model.memory, ImageUpperBound));
}

TEST_F(LptOpsTest, WriteToAnErasedPagerPutsTheDefaultSerialNumber) {
    model.memory.fill(0xFF);
    PagerImage img = hooks.img;
    ASSERT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_EQ(0, std::memcmp(model.memory.data() + AddrSerialFirst, "Vard0000000 ", 12));
    EXPECT_TRUE(serial_checksum_ok(model.memory));
    EXPECT_EQ(single_byte_writes(model).size(), 32u); // nothing skipped
    EXPECT_EQ(model.memory, img.bytes());
}

TEST_F(LptOpsTest, ASlowMemoryIsPolledUntilItAcknowledges) {
    model.writeCycleUs = 30'000;
    PagerImage img = hooks.img;
    ASSERT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_GT(model.busyRefusals, 0);
    EXPECT_EQ(model.memory, img.bytes());
}

TEST_F(LptOpsTest, AMemoryThatNeverAcknowledgesFailsTheWriteAfterHalfASecond) {
    hooks.fl.ScanIdle = false;
    model.chipPresent = false;
    PagerImage img = hooks.img;
    const int64_t t0 = clock.nowMs();
    EXPECT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_GE(clock.nowMs() - t0, LptAckPollMs);
    EXPECT_LT(clock.nowMs() - t0, LptAckPollMs + 200);
    EXPECT_THAT(messages.texts(), ElementsAre("Write error!"));
    EXPECT_TRUE(ctx().OpFailed);
    EXPECT_EQ(io.written.back(), LptClockHighDataLow); // parked
}

TEST_F(LptOpsTest, WriteFailsWithReadErrorWhenThePagersSerialCannotBeRead) {
    model.chipPresent = false;
    PagerImage img = hooks.img;
    const PagerImage before = img;
    EXPECT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Read error!"));
    EXPECT_TRUE(ctx().OpFailed);
    EXPECT_EQ(img, before); // nothing sealed yet
}

// The pages written stay written: the operator is told the pager must be written again.
TEST_F(LptOpsTest, CancelStopsTheWriteAtTheNextPageAndSaysThePagerIsIncomplete) {
    PagerImage img = hooks.img;
    progress.at = 512;
    progress.action = [&] { cancel.cancel(); };
    EXPECT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Cancelled);
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].text, MsgWriteIncomplete);
    EXPECT_TRUE(ctx().WriteIncomplete);
    EXPECT_TRUE(ctx().OpFailed);
    EXPECT_EQ(model.memory[600], sealed_pager()[600]); // later pages untouched
    EXPECT_EQ(model.abortedWrites, 0);                 // the page in hand was finished
}

TEST_F(LptOpsTest, ReadFromAddress8OpensAReadAtEveryPageAndEndsEachPageUnacknowledged) {
    // Software V3.72: the checksums are not tested, so a range not from 0 is accepted.
    model.memory = sealed_pager("KPR350102V3.72");
    hooks.img = PagerImage(model.memory);
    model.clear_records();
    ASSERT_EQ(lpt.lpt_readall(ctx(), 8, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_EQ(hooks.img.bytes(), model.memory);

    // 14 model-text reads (two transactions each), then the image.
    const auto transactions = with_bytes(model);
    ASSERT_EQ(transactions.size(), 28u + 2u * (1 + 127));
    std::vector<int> opened;
    for (size_t t = 28; t < transactions.size(); t += 2) {
        const auto& dummy = transactions[t].bytes;
        const auto& read = transactions[t + 1].bytes;
        ASSERT_EQ(dummy.size(), 2u);
        const int a = ((dummy[0].value & 0x0E) << 7) | dummy[1].value;
        opened.push_back(a);
        EXPECT_EQ(read[0].value, dummy[0].value + 1);
        const int n = static_cast<int>(read.size()) - 1;
        EXPECT_EQ(n, a == 8 ? 8 : 16);
        for (int i = 1; i <= n; ++i)
            EXPECT_EQ(read[i].acked, i < n) << "address " << a + i - 1;
    }
    EXPECT_EQ(opened.front(), 8);
    EXPECT_EQ(opened[1], 16);
    EXPECT_EQ(opened[2], 32);
    EXPECT_EQ(opened.back(), 2032);
    // The bar moves at every page's last byte but the range's own.
    EXPECT_EQ(progress.positions.front(), 8);
    EXPECT_EQ(progress.positions[1], 15);
    EXPECT_EQ(progress.positions[2], 31);
    EXPECT_EQ(progress.positions.back(), 2031);
    EXPECT_EQ(progress.status, "Reading Now.......");
    EXPECT_EQ(progress.colour, ColourPurple);
    EXPECT_THAT(model.violations, IsEmpty());
}

TEST_F(LptOpsTest, ARangeEndingOnAPageStartOpensARead) {
    model.memory = sealed_pager("KPR350102V3.72");
    hooks.img = PagerImage(model.memory);
    model.memory[16] = 0x3C;
    hooks.img[16] = 0;
    ASSERT_EQ(lpt.lpt_readall(ctx(), 0, 16), ReadOutcome::Accepted);
    EXPECT_EQ(hooks.img[16], 0x3C);
}

TEST_F(LptOpsTest, ReadSelectsTheBandByTheNarrowRuleAndLeavesImageJustLoadedClear) {
    model.memory[0x0C] = 0;
    model.memory[0x0D] = 200;  // INCD 200 would give band 0 on USB
    model.memory[0x65] = 0x40; // nibble 4 would give band 1 on USB
    seal_sim_memory(model.memory, "ABC123456789");
    hooks.img = PagerImage(model.memory);
    hooks.band = 2;
    ASSERT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_EQ(hooks.band, 2);
    EXPECT_THAT(hooks.log, ElementsAre("text_from_pager", "init_ctl"));

    model.memory[0x65] = 0x85;
    seal_sim_memory(model.memory, "ABC123456789");
    hooks.log.clear();
    ASSERT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_THAT(hooks.log, ElementsAre("select_band(2,silent)", "text_from_pager", "init_ctl"));
    EXPECT_FALSE(hooks.fl.SuppressClick);

    model.memory[0x0C] = 1;
    seal_sim_memory(model.memory, "ABC123456789");
    ASSERT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_EQ(hooks.band, 0);
}

TEST_F(LptOpsTest, WrongModelNamesItWithoutThePcbPart) {
    model.memory = sealed_pager("KPR360102V3.80");
    const PagerImage before = hooks.img;
    EXPECT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::WrongModel);
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].text,
              "This pager is not KPR35T !\r\n\r\nIt is KPR360, Software V3.80 )");
    EXPECT_EQ(messages.entries[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(ctx().OpFailed);
    EXPECT_EQ(hooks.img, before);
}

TEST(LptWrongModelMessage, ShortModelTextLeavesTheFieldsEmpty) {
    EXPECT_EQ(lpt_wrong_model_message("KPR"),
              "This pager is not KPR35T !\r\n\r\nIt is KPR, Software  )");
}

TEST_F(LptOpsTest, IdentityBytesThatDifferFromTheEditorsRejectTheRead) {
    hooks.img[2] ^= 0x10;
    const PagerImage before = hooks.img;
    EXPECT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::ReloadError);
    EXPECT_THAT(messages.texts(), ElementsAre("Read success!", "The data in this pager is wrong!"));
    EXPECT_EQ(hooks.img, before);

    messages.entries.clear();
    hooks.img = PagerImage(model.memory);
    hooks.img[1015] ^= 1;
    EXPECT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::ReloadError);
    EXPECT_THAT(messages.texts(), ElementsAre("Read success!", "The data in this pager is wrong!"));
}

TEST_F(LptOpsTest, AReloadErrorPutsThePreviousImageAndBandBack) {
    const PagerImage before = hooks.img;
    hooks.reloadErrorOnce = 8;
    EXPECT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::ReloadError);
    EXPECT_THAT(messages.texts(),
                ElementsAre("Read success!", "The data in this pager is wrong!(Error Code = 8)"));
    EXPECT_EQ(hooks.img, before);
    EXPECT_EQ(hooks.band, 1);
}

TEST_F(LptOpsTest, ReadFromABoardWithoutAPagerSaysReadError) {
    model.chipPresent = false;
    const PagerImage before = hooks.img;
    EXPECT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::LinkFailed);
    EXPECT_THAT(messages.texts(), ElementsAre("Read error!"));
    EXPECT_TRUE(ctx().OpFailed);
    EXPECT_EQ(hooks.img, before);
}

TEST_F(LptOpsTest, APortThatGoesAwayMidReadFailsIt) {
    const PagerImage before = hooks.img;
    progress.at = 1000;
    progress.action = [&] { io.break_port("gone"); };
    EXPECT_EQ(lpt.lpt_readall(ctx(), 0, ImageUpperBound), ReadOutcome::LinkFailed);
    EXPECT_THAT(messages.texts(), ElementsAre("Read error!"));
    EXPECT_EQ(hooks.img, before);
}

TEST_F(LptOpsTest, VerifyIsOneSequentialReadThatStopsAtTheFirstDifference) {
    PagerImage img(model.memory);
    ASSERT_EQ(lpt.lpt_verify(ctx(), img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Success!"));
    EXPECT_THAT(hooks.log, ElementsAre("init_ctl"));
    ASSERT_EQ(with_bytes(model).size(), 2u);
    EXPECT_EQ(with_bytes(model)[1].bytes.size(), 1u + ImageSize);
    EXPECT_EQ(progress.status, "Verifying Now.....");
    EXPECT_EQ(progress.positions.back(), 2032);
    EXPECT_FALSE(ctx().OpFailed);

    messages.entries.clear();
    img[ImageUpperBound] ^= 1;
    EXPECT_EQ(lpt.lpt_verify(ctx(), img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Error!"));
    EXPECT_TRUE(ctx().OpFailed);

    messages.entries.clear();
    img = PagerImage(model.memory);
    img[AddrSerialFirst + 3] ^= 1;
    model.clear_records();
    EXPECT_EQ(lpt.lpt_verify(ctx(), img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Error!"));
    // It read no further than the difference.
    EXPECT_EQ(with_bytes(model).back().bytes.size(), 1u + AddrSerialFirst + 4);
}

TEST_F(LptOpsTest, VerifyWithoutAPagerSaysReadError) {
    model.chipPresent = false;
    EXPECT_EQ(lpt.lpt_verify(ctx(), hooks.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Read error!"));
    EXPECT_TRUE(ctx().OpFailed);
}

TEST_F(LptOpsTest, WriteProtectedPagerFailsTheVerifyAfterTheWrite) {
    model.writeProtected = true;
    PagerImage img = hooks.img;
    ASSERT_EQ(lpt.lpt_writeall(ctx(), img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_EQ(lpt.lpt_verify(ctx(), img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Error!"));
}

TEST(LptDispatch, OperationsRunTheParallelPortVariantsWhenChosen) {
    LptWorld w(default_sim_memory());
    EXPECT_EQ(w.ops.linkKind(), LinkKind::Lpt);
    EXPECT_EQ(w.ops.tbl_verify(w.editor.image(), 0, ImageUpperBound), OpOutcome::Failed);
    // Text regions in PC codes differ from the pager's.
    EXPECT_THAT(w.messages.texts(), ElementsAre("Verify Error!"));
    EXPECT_FALSE(w.model.transactions.empty());
}

TEST(LptBoardAttach, ConnectMonitorAndDispatchReachTheParallelPortBoard) {
    test::MicroClock clock;
    EepromModel model{[&clock] { return clock.nowUs(); }};
    model.memory = default_sim_memory();
    auto owned = std::make_unique<test::FakePortIo>();
    test::FakePortIo& io = *owned;
    io.bases[LptBase3].memory = &model;
    test::RecordedMessages messages;
    test::FakeClock usbClock;
    test::FakeSerialPort serial{usbClock};
    test::FakePortLister lister;
    UsbLink usb{serial, lister, usbClock, messages};
    RecordingHooks hooks;
    NoUsb noUsb;
    NullProgress progress;
    Operations ops{hooks, noUsb, messages, progress};
    ConnectionMonitor monitor{usb};
    LptBoard board(std::move(owned), clock, messages);
    board.attach(usb, ops, &monitor);

    usb.ConnectInteractive = true;
    EXPECT_TRUE(usb.board_connect());
    EXPECT_EQ(board.link().LptData, LptBase3);
    EXPECT_EQ(lister.calls, 0); // no serial port was looked at

    io.written.clear();
    EXPECT_FALSE(monitor.tick()); // the status line is left alone
    EXPECT_THAT(io.written, ElementsAre(0xFE));

    PagerImage img(model.memory);
    EXPECT_EQ(ops.tbl_verify(img, 0, ImageUpperBound), OpOutcome::Success);
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Success!"));
}

TEST(LptBoardAttach, WithNoParallelPortEveryOperationFailsAtOnce) {
    test::MicroClock clock;
    test::RecordedMessages messages;
    test::FakeClock usbClock;
    test::FakeSerialPort serial{usbClock};
    test::FakePortLister lister;
    UsbLink usb{serial, lister, usbClock, messages};
    RecordingHooks hooks;
    hooks.fl.ScanIdle = false;
    NoUsb noUsb;
    NullProgress progress;
    Operations ops{hooks, noUsb, messages, progress};
    auto io = std::make_unique<test::FakePortIo>();
    io->bases[LptBase1].openError = "/dev/parport0: no such parallel port";
    LptBoard board(std::move(io), clock, messages);
    board.attach(usb, ops);

    EXPECT_FALSE(usb.board_connect());
    EXPECT_THAT(messages.texts(),
                ElementsAre("No parallel port could be used:\n/dev/parport0: no such parallel port",
                            "The Programmed Board is not responding!"));
    messages.entries.clear();
    const int64_t t0 = clock.nowMs();
    EXPECT_EQ(ops.tbl_writeall(hooks.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::LinkFailed);
    EXPECT_EQ(ops.tbl_verify(hooks.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_THAT(messages.texts(), ElementsAre("Write error!", "Read error!", "Read error!"));
    EXPECT_LT(clock.nowMs() - t0, 1000); // the parks' pauses, no polling
}

} // namespace
} // namespace kpr
