// The whole-image operations as the product runs them: the real link, operations and editor,
// talking to the simulated board's state machine behind a fake port on a fake clock.
//
// FaultMatrix is the one reference for what each operation does under each board fault:
// the messages of the start-up connect and of the operation, whether the board is forgotten,
// what the editor's image and the pager hold afterwards.
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "ops/board_session.h"
#include "ops/seal.h"
#include "sim/board_sim.h"
#include "support/fake_port_lister.h"
#include "support/recorders.h"
#include "support/sim_peer.h"
#include "text/charset.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace kpr {
namespace {

using Msgs = std::vector<std::string>;
const std::string Port = "/dev/ttyKPR0";

PagerImage pager_codes(PagerImage img) {
    text_to_pager(img);
    return img;
}
PagerImage pc_codes(PagerImage img) {
    text_from_pager(img);
    return img;
}
std::string serial_of(const PagerImage& img) {
    return std::string(img.data() + AddrSerialFirst, img.data() + AddrSerialLast + 1);
}

// The board, link, editor and operations of one run.
struct Bench {
    explicit Bench(SimFaults faults = {}, const BoardSim::Memory& memory = default_sim_memory())
        : peer(memory, faults), start(peer.board.memory()) {
        port.attach(Port, &peer);
        session.setUi(&ui);
        link.BoardPort = Port;
        editor.startup_finish({}, false);
        editor.flags().ScanIdle = true;
        editor.user_change("WriteOpt", 1); // writing is refused in "Modify Mode"
    }
    const BoardSim::Memory& pager() const { return peer.board.memory(); }
    std::string capcode(int i) { return editor.controls()[ctl("txtAddr", i)].text; }

    test::FakeClock clock;
    test::FakeSerialPort port{clock};
    test::FakePortLister lister{{Port}};
    test::RecordedMessages msgs;
    test::RecordedProgress progress;
    test::RecordedLinkUi ui;
    test::SimPeer peer;
    const BoardSim::Memory start;
    Editor editor{msgs};
    EditorAdapter hooks{editor};
    BoardSession session{{port, lister, clock}, hooks, msgs, progress};
    UsbLink& link = session.usb();
    Operations& ops = session.operations();
};

// ----- the fault matrix ---------------------------------------------------------------

enum Op { D, F, R, W, V, B }; // detect, firmware, read, write, verify, one batch step
const std::string RS = "Read success!", VS = "Verify Success!";

// One row per fault kpr-board-sim can show ("vanish": the port goes away mid-transfer), one
// cell per operation: the messages in order (NR, IE from the start-up connect, the rest
// from the operation; "V5.2" is "Version = 5.2"), then what is left: "gone" the board
// forgotten; the editor's image "read" (the pager's), "merged" (only the pager's firmware
// byte taken in) or "sealed"; the pager "written", or its first "part6" / "part8" blocks of
// 128 bytes. Anything not named is as before.
const std::map<std::string, std::string> Said = {
    {"NR", "The Programmed Board is not responding!"},
    {"IE", "Programmer Initial Error !"},
    {"RTO", "Read Time Out!"},
    {"RE", "Read error!"},
    {"WE", "Write error!"},
    {"RS", RS},
    {"VS", VS},
    {"VE", "Verify Error!"},
    {"WM", "This pager is not KPR35T !\r\n\r\nIt is KPR22 ( PCB 0103, Software V4.10 )"},
    {"BM", "This pager is not KPR35T !\r\n\r\nIt is  ( PCB , Software  )"}};
const std::pair<const char*, std::array<const char*, 6>> Matrix[] = {
    // detect | firmware | read | write | verify | batch step
    {"none", {"", "V5.2", "RS read", "VS sealed written", "VS", "VS sealed written"}},
    // The probe finds nothing; the operations then run on a board that has gone quiet.
    {"silent", {"NR gone", "NR RTO", "NR RTO", "NR RTO", "NR RTO", "NR RTO"}},
    // The start-mark wait drops the stray bytes; a block reply is taken as it comes.
    {"noise", {"", "RE", "RE", "RE", "RE", "RE"}},
    {"bad-checksum", {"", "RE", "RE", "RE", "RE", "RE"}},
    // Hung up after the probe's answer; after the operation's first block; after eight
    // (firmware byte, serial number, six image blocks).
    {"drop-after=1", {"IE", "IE RE gone", "IE RE gone", "IE RE gone", "IE RE gone", "IE RE gone"}},
    {"drop-after=3", {"", "V5.2", "RE gone", "RE gone merged", "RE gone", "RE gone merged"}},
    {"drop-after=10",
     {"", "V5.2", "RE gone", "WE gone sealed part6", "RE gone", "WE gone sealed part6"}},
    {"no-ack", {"", "V5.2", "RS read", "WE sealed", "VS", "WE sealed"}},
    {"write-protect", {"", "V5.2", "RS read", "VE sealed", "VS", "VE sealed"}},
    {"wrong-model", {"", "V5.2", "WM", "VE sealed written", "VE", "VE sealed written"}},
    {"blank", {"", "V25.5", "BM", "VS sealed written", "VE", "VS sealed written"}},
    // Detect: gone before the probe; firmware: before its read; the others half-way.
    {"vanish",
     {"NR gone", "RE gone", "RE gone", "WE gone sealed part8", "RE gone", "WE gone sealed part8"}},
};

// Addresses a write may change in the editor's image: the bytes it merges and seals, and
// the synthesiser words it works out for the pager's firmware.
bool sealed_address(int a) {
    return a == AddrWrittenFlag || a == AddrFirmware || a == AddrStepHundredths ||
           (a >= AddrSerialFirst && a <= AddrSerialSumLow) || a >= ImageSize - 2 || a < 0x10 ||
           (a >= 0x60 && a < 0x70);
}

void run(Bench& b, Op op) {
    auto& f = b.editor.flags();
    switch (op) {
    case D:
        break;
    case F:
        b.ops.check_firmware();
        break;
    case R:
        f.OperationKind = OperationKind::Read;
        b.session.activate();
        break;
    case B:
        f.AutoInc1 = true;
        [[fallthrough]];
    case W:
    case V: {
        f.OperationKind = op == V ? OperationKind::Verify : OperationKind::Write;
        PagerCodesScope codes(b.hooks);
        ASSERT_EQ(b.session.activate(),
                  op == B ? Operations::DialogNext::AwaitBatch : Operations::DialogNext::Close);
        if (op == B)
            b.session.batch_step();
    }
    }
}

// Runs one operation under one fault and checks what its cell says.
void check_cell(const std::string& fault, Op op, const Msgs& connect, const Msgs& said,
                const std::set<std::string>& left) {
    SimFaults faults;
    ASSERT_TRUE(fault == "none" || fault == "vanish" || parse_sim_fault(fault, faults));
    Bench b(faults);
    ASSERT_TRUE(b.editor.user_enter_text(ctl("txtAddr", 0), "1234567"));
    if (op == V) { // against what a read of the healthy pager gives
        b.editor.image() = pc_codes(PagerImage(default_sim_memory()));
        b.editor.init_ctl();
    } else { // an image that differs from the pager's in every block, so a write shows
        for (int a = 120; a < ImageSize; a += 128)
            b.editor.image()[a] ^= 0x01;
    }
    b.link.BoardPort.clear();
    b.msgs.clear();
    const PagerImage before = b.editor.image();
    if (fault == "vanish" && op == D)
        b.port.breakPort(Port);
    b.progress.at = fault == "vanish" ? ImageSize / 2 : -1;
    b.progress.action = [&b] { b.port.breakPort(Port); };
    const int64_t t0 = b.clock.nowMs();

    b.link.connect(true);
    EXPECT_EQ(b.msgs.texts(), connect);
    b.msgs.clear();
    if (fault == "silent" && op != D)
        b.link.BoardPort = Port; // found before, silent now
    if (fault == "vanish" && op == F)
        b.port.breakPort(Port);
    run(b, op);
    EXPECT_EQ(b.msgs.texts(), said);
    EXPECT_EQ(b.link.no_board(), left.count("gone") == 1) << b.link.BoardPort;
    // A transfer that breaks the link shows the board gone at once; a start-up connect that
    // finds nothing leaves that to the monitor's first tick.
    const bool shown = left.count("gone") && op != D;
    EXPECT_EQ(b.ui.states,
              shown ? std::vector{BoardState::Disconnected} : std::vector<BoardState>{});
    EXPECT_FALSE(b.port.isOpen());
    // The wire at 9600 bit/s and at most one wait run out, not one per block.
    EXPECT_LT(b.clock.nowMs() - t0, 8000);

    // A batch step that verified raised capcode 1; put it back to compare the rest.
    EXPECT_EQ(b.capcode(0), op == B && said == Msgs{VS} ? "1234568" : "1234567");
    ASSERT_TRUE(b.editor.user_enter_text(ctl("txtAddr", 0), "1234567"));
    const PagerImage after = b.editor.image(), sent = pager_codes(after);
    if (left.count("read"))
        EXPECT_EQ(after, pc_codes(PagerImage(b.start)));
    else if (!left.count("merged") && !left.count("sealed"))
        EXPECT_EQ(after, before);
    else {
        EXPECT_NE(after, before);
        for (int a = 0; a < ImageSize; ++a)
            ASSERT_TRUE(sealed_address(a) || after[a] == before[a]) << "address " << a;
    }
    if (left.count("sealed")) {
        const bool blank = b.start[AddrFirmware] == 0xFF;
        EXPECT_EQ(after[AddrFirmware], blank ? before[AddrFirmware] : SimDefaultFirmware);
        EXPECT_EQ(serial_of(after), blank ? "Vard0000000 " : SimDefaultSerial);
        EXPECT_EQ(after[AddrWrittenFlag], 1);
        EXPECT_TRUE(serial_checksum_ok(sent.bytes()));
        EXPECT_TRUE(image_checksum_ok(sent.bytes(), ImageUpperBound));
    }
    BoardSim::Memory want = b.start;
    const int blocks = left.count("written") ? 16
                       : left.count("part6") ? 6
                       : left.count("part8") ? 8
                                             : 0;
    std::copy_n(sent.data(), blocks * 128, want.data());
    EXPECT_EQ(b.pager(), want);
}

TEST(FaultMatrix, EveryOperationEndsAsItsCellSays) {
    for (const auto& [fault, cells] : Matrix)
        for (Op op : {D, F, R, W, V, B}) {
            const std::string cell = cells[op];
            SCOPED_TRACE(std::string(fault) + " / " + "DFRWVB"[op] + ": " + cell);
            std::vector<std::string> connect, said;
            std::set<std::string> left;
            std::istringstream words(cell);
            for (std::string w; words >> w;)
                if (w == "NR" || w == "IE")
                    connect.push_back(Said.at(w));
                else if (Said.count(w))
                    said.push_back(Said.at(w));
                else if (w[0] == 'V')
                    said.push_back("Version = " + w.substr(1));
                else
                    left.insert(w);
            check_cell(fault, op, connect, said, left);
        }
}

// ----- reads the pager's image decides ------------------------------------------------

// The default pager with some bytes set and sealed again, then some bytes flipped; with the
// image checksum worked out again after that (1), or its blank-firmware variant (2). The
// band rules themselves are the tables' (tests/unit/tables).
TEST(ReadVariants, ThePagersImageDecidesAcceptanceBandAndTexts) {
    using Pokes = std::vector<std::pair<int, int>>;
    const int german = (default_sim_memory()[AddrLanguageCode] & 0xF0) | 8;
    const Msgs CE{"CheckSum Error!"}, E3{RS, "The data in this pager is wrong!(Error Code = 3)"};
    const struct {
        const char* what;
        Pokes set;
        int flip, reseal;
        Msgs said; // {RS} accepted, CE checksum error, E3 reload error
        int band;  // the editor's band afterwards (-2: as before)
    } cases[] = {
        {"German texts", {{AddrLanguageCode, german}, {0x542, '['}}, -1, 0, {RS}, -2},
        {"band nibble 8: band 2", {{0x0C, 0}, {0x0D, 4}, {0x65, 0x85}}, -1, 0, {RS}, 2},
        {"no band named", {{0x0C, 0}, {0x0D, 0}, {0x65, 0x55}}, -1, 0, {RS}, -2},
        {"serial checksum wrong", {}, AddrSerialSumLow, 1, CE, -2},
        {"image checksum wrong", {}, 2047, 0, CE, -2},
        {"3.72 unchecked", {{1003, '3'}, {1004, '.'}, {1005, '7'}, {1006, '2'}}, 2046, 0, {RS}, -2},
        {"blank-firmware sum", {{AddrFirmware, 0}, {AddrStepHundredths, 0}}, -1, 2, {RS}, -2},
        {"bad frequency", {{0x64, 0xFF}, {0x65, 0xFF}, {0x66, 0xFF}, {0x0C, 1}}, -1, 0, E3, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BoardSim::Memory m = default_sim_memory();
        for (auto [a, v] : c.set)
            m[a] = static_cast<uint8_t>(v);
        seal_sim_memory(m, SimDefaultSerial);
        if (c.flip >= 0)
            m[c.flip] ^= 1;
        if (c.reseal) {
            const uint16_t s = c.reseal == 1 ? image_checksum(m, ImageUpperBound)
                                             : image_checksum_blank_firmware(m, ImageUpperBound);
            m[2046] = static_cast<uint8_t>(s >> 8), m[2047] = static_cast<uint8_t>(s & 0xFF);
        }
        Bench b({}, m);
        const PagerImage before = b.editor.image();
        const int band = b.editor.band();
        EXPECT_EQ(b.ops.tbl_readall(0, ImageUpperBound), c.said == CE   ? ReadOutcome::ChecksumError
                                                         : c.said == E3 ? ReadOutcome::ReloadError
                                                                        : ReadOutcome::Accepted);
        EXPECT_EQ(b.msgs.texts(), c.said);
        EXPECT_EQ(b.editor.band(), c.band == -2 ? band : c.band);
        EXPECT_EQ(b.editor.image(), c.said == Msgs{RS} ? pc_codes(PagerImage(m)) : before);
        EXPECT_FALSE(b.editor.flags().ImageJustLoaded || b.editor.flags().SuppressClick);
    }
}

// A pager that differs from the image in one byte: at either end of the range, on either
// side of a block boundary, or nowhere.
TEST(VerifyEdges, OneDifferentByteAnywhereIsAVerifyError) {
    for (int a : {-1, 0, 127, 128, ImageSize - 129, ImageSize - 128, ImageSize - 1}) {
        SCOPED_TRACE(a);
        BoardSim::Memory m = default_sim_memory();
        if (a >= 0)
            m[a] ^= 1;
        Bench b({}, m);
        b.editor.image() = pc_codes(PagerImage(default_sim_memory()));
        b.editor.init_ctl();
        EXPECT_EQ(b.ops.verify_editor_image(), a < 0 ? OpOutcome::Success : OpOutcome::Failed);
        EXPECT_EQ(b.msgs.texts(), Msgs{a < 0 ? VS : "Verify Error!"});
    }
}

// ----- cancelling -----------------------------------------------------------------------

// Before the first block went out the pager is untouched: a plain cancel. After it the
// pager holds part of the new image, and the operator is told to write it again.
TEST(Cancel, SaysWhetherThePagerWasLeftIncomplete) {
    struct Case {
        Op op;
        int at; // the bar's position when the operator cancels
        int blocks;
        Msgs said;
    };
    for (const Case& c :
         {Case{B, 0, 0, {}}, Case{B, 512, 4, {MsgWriteIncomplete}}, Case{R, 512, 0, {}}}) {
        SCOPED_TRACE(c.at);
        Bench b;
        b.editor.flags().AutoInc1 = true;
        const PagerImage before = b.editor.image();
        const std::string capcode = b.capcode(0);
        b.progress.at = c.at;
        b.progress.action = [&b] { b.ops.request_cancel(); };
        if (c.op == R) {
            EXPECT_EQ(b.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Cancelled);
            EXPECT_EQ(b.editor.image(), before);
        } else {
            EXPECT_EQ(b.ops.batch_step(), OpOutcome::Cancelled);
        }
        EXPECT_EQ(b.msgs.texts(), c.said);
        EXPECT_EQ(b.ops.writeLeftIncomplete(), c.blocks > 0);
        EXPECT_EQ(b.peer.board.writesAccepted(), c.blocks);
        EXPECT_EQ(b.capcode(0), capcode);
        EXPECT_FALSE(b.port.isOpen());
        EXPECT_FALSE(b.link.no_board()); // a cancel is not a broken link
        // The next operation starts afresh.
        EXPECT_EQ(b.ops.write_and_verify(), OpOutcome::Success);
    }
}

// ----- the programming dialog -----------------------------------------------------------

TEST(Dialog, ModifyModeRefusesAndAutoIncreaseWaitsWithoutTouchingThePager) {
    Bench b;
    b.editor.flags().OperationKind = OperationKind::Write;
    b.editor.user_change("ModifyOpt", 1);
    EXPECT_EQ(b.ops.activate(), Operations::DialogNext::Close);
    EXPECT_EQ(b.msgs.texts(), Msgs{"Modify Mode can not write! Please check!"});
    b.editor.user_change("WriteOpt", 1);
    b.editor.flags().AutoInc2 = true;
    EXPECT_EQ(b.ops.activate(), Operations::DialogNext::AwaitBatch);
    EXPECT_TRUE(b.port.log(Port).writes.empty());
}

TEST(Dialog, AScannedSerialNumberIsWrittenInsteadOfThePagers) {
    Bench b;
    b.editor.flags().ScanIdle = false;
    std::copy_n("SCAN00000001", 12, b.editor.image().data() + AddrSerialFirst);
    EXPECT_EQ(b.ops.write_and_verify(), OpOutcome::Success);
    EXPECT_EQ(serial_of(PagerImage(b.pager())), "SCAN00000001");
    EXPECT_TRUE(serial_checksum_ok(b.pager()));
}

TEST(Dialog, CapcodeValueReadsLeadingDigits) {
    EXPECT_EQ(capcode_value(""), 0);
    EXPECT_EQ(capcode_value("  42"), 42);
    EXPECT_EQ(capcode_value("12ab"), 12);
    EXPECT_EQ(capcode_value("99999999999999999999"), 9999999999999);
}

} // namespace
} // namespace kpr
