// The parallel-port board: the bus protocol, finding the board, and whole-image write, read
// and verify through the real operations and editor, against the pager's memory modelled bit
// by bit behind a fake printer port on microsecond fake time.
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "link/connection_monitor.h"
#include "ops/board_session.h"
#include "ops/seal.h"
#include "sim/board_sim.h"
#include "support/fake_port_io.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/recorders.h"
#include "text/charset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace kpr {
namespace {

using test::EepromModel;
using Memory = PagerImage::Bytes;
using Msgs = std::vector<std::string>;
const std::string RS = "Read success!", VS = "Verify Success!", VE = "Verify Error!",
                  RE = "Read error!", WE = "Write error!",
                  NR = "The Programmed Board is not responding!";

// The parallel-port board attached to the product's operations, connected, with the editor.
struct LptBench {
    explicit LptBench(const Memory& memory = default_sim_memory()) {
        model.memory = memory;
        io->bases[LptBase1].memory = &model;
        session.setUi(&ui);
        EXPECT_TRUE(link().connect(true));
        editor.startup_finish({}, false);
        editor.flags().ScanIdle = true;
        editor.user_change("WriteOpt", 1);
        model.clear_records();
        msgs.clear();
    }
    PagerImage sent() const { // the editor's image as it goes to the pager
        PagerImage img = editor.image();
        text_to_pager(img);
        return img;
    }
    LptLink& link() { return *session.lpt(); }
    test::MicroClock clock;
    EepromModel model{[this] { return clock.nowUs(); }};
    std::unique_ptr<test::FakePortIo> owned = std::make_unique<test::FakePortIo>();
    test::FakePortIo* io = owned.get();
    test::RecordedMessages msgs;
    test::RecordedProgress progress;
    test::FakeClock usbClock; // a USB link with no board: any use of it fails the test
    test::FakeSerialPort serial{usbClock};
    test::FakePortLister lister;
    Editor editor{msgs};
    EditorAdapter hooks{editor};
    BoardSession session{{serial, lister, clock, {}, std::move(owned)}, hooks, msgs, progress};
    Operations& ops = session.operations();
    test::RecordedLinkUi ui;
    ConnectionMonitor monitor{session.board(), ui};
};

// Bytes as the model logs them, each taken by its receiver but the last if !lastTaken.
std::string bus(const std::vector<int>& bytes, bool lastTaken = true) {
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char t[8];
        std::snprintf(t, sizeof t, "%s%02X%c", i ? " " : "", bytes[i],
                      i + 1 < bytes.size() || lastTaken ? '+' : '-');
        s += t;
    }
    return s;
}

std::vector<int> range(int first, int last, int skipFirst = 0, int skipLast = -1) {
    std::vector<int> v;
    for (int a = first; a <= last; ++a)
        if (a < skipFirst || a > skipLast)
            v.push_back(a);
    return v;
}

TEST(LptBus, DeviceByteParkTicksAndTheMonitorTick) {
    for (const auto& [address, device] :
         {std::pair{0, 0xA0}, {0xFF, 0xA0}, {0x100, 0xA2}, {1300, 0xAA}, {2047, 0xAE}})
        EXPECT_EQ(lpt_device_byte(address), device) << address;
    // Parking pulls data low under a high clock and holds it for 100 ms; the monitor's tick
    // writes the same value without changing what the link believes the lines are.
    LptBench b;
    const int64_t t0 = b.clock.nowUs();
    b.link().lpt_park();
    EXPECT_EQ(b.clock.nowUs() - t0, 100'000 + 75);
    EXPECT_EQ(b.link().LptOut, LptClockHighDataLow);
    b.link().LptOut = LptIdle;
    b.io->written.clear();
    EXPECT_EQ(b.monitor.tick(), std::nullopt);
    EXPECT_EQ(b.io->written, std::vector<uint8_t>{0xFE});
    EXPECT_EQ(b.link().LptOut, LptIdle);
    EXPECT_EQ(b.lister.calls, 0); // no serial port was looked at
}

// Check Firmware reads over USB whatever the board; failing beside the parallel-port board it
// leaves that board's status line and Pager menu alone.
TEST(LptBus, AFailedFirmwareReadKeepsTheParallelBoard) {
    LptBench b;
    EXPECT_FALSE(b.ops.check_firmware());
    EXPECT_EQ(b.msgs.texts(), Msgs{RE});
    EXPECT_TRUE(b.ui.states.empty());
    EXPECT_EQ(b.monitor.tick(), std::nullopt);
    EXPECT_TRUE(b.ui.states.empty());
    EXPECT_TRUE(b.link().connected());
}

// A random read is a dummy write of device and address byte, a repeated start, the read
// device byte and one byte not acknowledged, then a stop. The device byte is tried ten
// times: enough to wait out a write cycle, and then given up.
TEST(LptBus, RandomReadsAndTheirTenTries) {
    LptBench b;
    b.model.memory[1300] = 0x5C;
    EXPECT_EQ(b.link().lpt_readbyte(1300), 0x5C);
    EXPECT_EQ(b.model.transactions, (Msgs{"AA+ 14+", "AB+ 5C- P"}));
    b.link().lpt_start();
    for (uint8_t x : {0xA0, 0x10, 0x42})
        ASSERT_TRUE(b.link().lpt_sendbyte(x));
    b.link().lpt_stop(); // the write cycle starts
    EXPECT_EQ(b.link().lpt_readbyte(0x10), 0x42);
    EXPECT_GT(b.model.busyRefusals, 0);
    EXPECT_LT(b.model.busyRefusals, 10);
    EXPECT_TRUE(b.msgs.entries.empty());

    b.model.chipPresent = false;
    b.model.clear_records();
    EXPECT_FALSE(b.link().lpt_readbyte(1300));
    EXPECT_EQ(b.model.transactions, Msgs(10, "AA-"));
    EXPECT_EQ(b.msgs.texts(), Msgs{RE});
    EXPECT_EQ(b.io->written.back(), LptClockHighDataLow); // parked
    EXPECT_EQ(b.model.violations, 0);
}

// What stands at 0x378, 0x278 and 0x3BC decides where the board is found and what is said.
TEST(LptConnect, TheBoardIsLookedForAtTheThreeLegacyBasesInOrder) {
    const std::string denied = "/dev/parport0: permission denied; join the group 'lp'";
    const std::string missing = "/dev/parport1: no such parallel port";
    const struct {
        const char* what;
        // At each base: "-" not in use, "" nothing attached, "board", "no pager" (a board
        // without one), "gone" (a board on a port that fails during the probe), or why the
        // port cannot be opened.
        std::array<std::string, 3> at;
        uint16_t found;
        std::vector<uint16_t> opened;
        Msgs said;
    } cases[] = {
        {"nothing attached", {"", "", ""}, 0, {0x378, 0x278, 0x3BC}, {NR}},
        {"board at the second base", {"", "board", "board"}, 0x278, {0x378, 0x278}, {}},
        {"a board without a pager", {"no pager", "-", "-"}, 0x378, {0x378}, {}},
        {"no usable port",
         {denied, missing, "-"},
         0,
         {},
         {"No parallel port could be used:\n" + denied + "\n" + missing, NR}},
        {"a port that fails during the probe", {"gone", "-", "-"}, 0, {0x378}, {NR}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::MicroClock clock;
        test::FakePortIo io;
        EepromModel memory{[&clock] { return clock.nowUs(); }};
        for (size_t i = 0; i < 3; ++i) {
            const std::string& at = c.at[i];
            if (at == "board" || at == "no pager" || at == "gone")
                io.bases[LptBases[i]].memory = &memory;
            else if (at != "-")
                io.bases[LptBases[i]].openError = at;
        }
        memory.chipPresent = c.at[0] != "no pager";
        if (c.at[0] == "gone")
            io.break_port("gone");
        test::RecordedMessages said;
        LptLink l{io, clock, said};
        EXPECT_EQ(l.lpt_connect(), c.found != 0);
        EXPECT_EQ(l.LptData, c.found);
        EXPECT_EQ(io.opened, c.opened);
        EXPECT_EQ(said.texts(), c.said);
        EXPECT_EQ(io.is_open(), c.found != 0); // the board's port stays open
        EXPECT_TRUE(said.entries.empty() || said.entries.back().icon == MessageIcon::Warning);
        EXPECT_TRUE(said.entries.size() < 2 || said.entries[0].icon == MessageIcon::Critical);
        if (c.found == 0x278) {
            EXPECT_EQ(l.LptStatus, 0x279);
            EXPECT_GE(clock.nowMs(), 1000 + 400); // two probes of four 50 ms pauses
            EXPECT_EQ(l.LptOut, LptIdle);
            EXPECT_EQ(memory.violations, 0);
        }
    }
}

// A page per write transaction, one byte per transaction over 1233..1263 (1232 is a page
// start cut short by 1233), the pager's valid serial number left where it is, and a 10 ms
// pause after each page so the memory is never found busy, unless it is slower than that.
TEST(LptWrite, PagesSingleBytesAndWhatThePagerEndsWith) {
    const struct {
        const char* what;
        bool scanned, erased, chip;
        int cycleUs; // the memory's write cycle
        Msgs said;
        bool serialSkipped; // the pager's serial number was kept, not written
        std::string serial; // on the pager afterwards
    } cases[] = {
        {"the pager's serial number", false, false, true, 10'000, {}, true, SimDefaultSerial},
        {"a scanned serial number", true, false, true, 10'000, {}, false, "SCAN00000001"},
        {"an erased pager", false, true, true, 10'000, {}, false, "Vard0000000 "},
        {"a slow memory is polled", false, false, true, 30'000, {}, true, SimDefaultSerial},
        {"no pager", false, false, false, 10'000, {RE}, false, ""},
        {"no pager, scanned serial", true, false, false, 10'000, {WE}, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LptBench b;
        b.editor.flags().ScanIdle = !c.scanned;
        std::copy_n("SCAN00000001", 12, b.editor.image().data() + AddrSerialFirst);
        if (c.erased)
            b.model.memory.fill(0xFF);
        b.model.chipPresent = c.chip;
        b.model.writeCycleUs = c.cycleUs;
        const PagerImage before = b.editor.image();
        const int64_t t0 = b.clock.nowMs();
        {
            PagerCodesScope codes(b.hooks);
            EXPECT_EQ(b.ops.tbl_writeall(b.editor.image(), 0, ImageUpperBound) ==
                          OpOutcome::Success,
                      c.said.empty());
        }
        EXPECT_EQ(b.msgs.texts(), c.said);
        EXPECT_EQ(b.model.busyRefusals > 0, c.cycleUs > 10'000);
        EXPECT_EQ(b.model.violations, 0);
        if (!c.said.empty()) {
            // The pager's serial could not be read: nothing sealed. The memory never answers
            // its device byte: polled for half a second.
            EXPECT_EQ(b.editor.image() == before, c.said == Msgs{RE});
            EXPECT_TRUE(b.model.pageWrites.empty());
            EXPECT_EQ(b.clock.nowMs() - t0 >= 500, c.said == Msgs{WE});
            EXPECT_LT(b.clock.nowMs() - t0, 500 + 200);
            continue;
        }
        std::vector<int> singles;
        std::set<int> written;
        size_t count = 0;
        for (const auto& [first, n] : b.model.pageWrites) {
            if (n == 1)
                singles.push_back(first);
            else
                EXPECT_TRUE(first % 16 == 0 && n == 16) << first;
            for (int a = first; a < first + n; ++a)
                written.insert(a);
            count += static_cast<size_t>(n);
        }
        EXPECT_EQ(singles, c.serialSkipped ? range(1232, 1263, AddrSerialFirst, AddrSerialSumLow)
                                           : range(1232, 1263));
        EXPECT_EQ(written.size(), ImageSize - (c.serialSkipped ? 14u : 0u));
        EXPECT_EQ(count, written.size()); // no byte written twice
        EXPECT_EQ(b.model.memory, b.sent().bytes());
        EXPECT_EQ(std::string(b.model.memory.data() + AddrSerialFirst,
                              b.model.memory.data() + AddrSerialLast + 1),
                  c.serial);
        EXPECT_TRUE(serial_checksum_ok(b.model.memory));
        EXPECT_TRUE(image_checksum_ok(b.model.memory, ImageUpperBound));
        EXPECT_EQ(b.progress.maximum, ImageUpperBound - 16);
    }
}

// The pages written stay written, the page in hand is finished: the operator is told the
// pager must be written again.
TEST(LptWrite, CancelStopsAtTheNextPageAndSaysThePagerIsIncomplete) {
    LptBench b;
    b.model.memory[600] = 0x77;
    b.progress.at = 512;
    b.progress.action = [&b] { b.ops.request_cancel(); };
    EXPECT_EQ(b.ops.write_and_verify(), OpOutcome::Cancelled);
    EXPECT_EQ(b.msgs.texts(), Msgs{MsgWriteIncomplete});
    EXPECT_TRUE(b.ops.writeLeftIncomplete());
    EXPECT_EQ(b.model.memory[600], 0x77); // later pages untouched
    ASSERT_FALSE(b.model.pageWrites.empty());
    EXPECT_EQ(b.model.transactions.back().back(), 'P');
}

TEST(LptRead, WhatThePagerHoldsDecidesTheOutcome) {
    using Pokes = std::vector<std::pair<int, int>>;
    const Msgs CE{"CheckSum Error!"}, wrong{RS, "The data in this pager is wrong!"},
        E3{RS, "The data in this pager is wrong!(Error Code = 3)"},
        WM{"This pager is not KPR35T !\r\n\r\nIt is KPR36T, Software V5.21 )"};
    const struct {
        const char* what;
        Pokes set;            // on the pager, sealed again
        int flip, editorFlip; // a byte flipped on the pager, in the editor's image (-1: none)
        Msgs said;            // {RS}: accepted
        int band;             // -2: as before
    } cases[] = {
        {"a healthy pager", {}, -1, -1, {RS}, -2},
        // The narrow band rule: INCD 200 or nibble 4 would give a band on USB, not here.
        {"no band by the narrow rule", {{0x0C, 0}, {0x0D, 200}, {0x65, 0x40}}, -1, -1, {RS}, -2},
        {"band 2", {{0x0C, 0}, {0x65, 0x85}}, -1, -1, {RS}, 2},
        {"another model", {{AddrModelFirst + 4, '6'}}, -1, -1, WM, -2},
        {"checksum wrong", {}, 2047, -1, CE, -2},
        {"identity byte 2 differs", {}, -1, 2, wrong, -2},
        {"identity byte 1015 differs", {}, -1, 1015, wrong, -2},
        {"bad frequency", {{0x64, 0xFF}, {0x65, 0xFF}, {0x66, 0xFF}, {0x0C, 1}}, -1, -1, E3, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LptBench b;
        for (auto [a, v] : c.set)
            b.model.memory[static_cast<size_t>(a)] = static_cast<uint8_t>(v);
        seal_sim_memory(b.model.memory, SimDefaultSerial);
        if (c.flip >= 0)
            b.model.memory[static_cast<size_t>(c.flip)] ^= 1;
        if (c.editorFlip >= 0)
            b.editor.image()[c.editorFlip] ^= 0x10;
        const PagerImage before = b.editor.image();
        const int band = b.editor.band();
        EXPECT_EQ(b.ops.tbl_readall(0, ImageUpperBound), c.said == Msgs{RS} ? ReadOutcome::Accepted
                                                         : c.said == CE ? ReadOutcome::ChecksumError
                                                         : c.said == WM ? ReadOutcome::WrongModel
                                                                        : ReadOutcome::ReloadError);
        EXPECT_EQ(b.msgs.texts(), c.said);
        EXPECT_EQ(b.editor.band(), c.band == -2 ? band : c.band);
        EXPECT_EQ(b.ops.OpFailed(), c.said == WM);
        if (c.said == Msgs{RS})
            EXPECT_EQ(b.sent().bytes(), b.model.memory);
        else
            EXPECT_EQ(b.editor.image(), before);
        EXPECT_TRUE(b.model.pageWrites.empty());
        EXPECT_EQ(b.model.violations, 0);
    }
    EXPECT_EQ(lpt_wrong_model_message("KPR"),
              "This pager is not KPR35T !\r\n\r\nIt is KPR, Software  )");
    LptBench b; // the port goes away half-way
    const PagerImage before = b.editor.image();
    b.progress.at = 1000, b.progress.action = [&b] { b.io->break_port("gone"); };
    EXPECT_EQ(b.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::LinkFailed);
    EXPECT_EQ(b.msgs.texts(), Msgs{RE});
    EXPECT_TRUE(b.ops.OpFailed());
    EXPECT_EQ(b.editor.image(), before);
}

// From address 8: a read opened at every page, each page's last byte not acknowledged.
TEST(LptRead, ARangeIsReadAPageAtATime) {
    Memory m = default_sim_memory();
    std::copy_n("3.72", 4, m.data() + AddrModelFirst + 10); // checksums not tested
    LptBench b(m);
    ASSERT_EQ(b.ops.tbl_readall(8, ImageUpperBound), ReadOutcome::Accepted);
    const auto& t = b.model.transactions;
    ASSERT_EQ(t.size(), 28u + 2u * 128); // 14 model-text bytes, then the pages
    for (int a = 8, i = 28; a < ImageSize; a = (a | 15) + 1, i += 2) {
        EXPECT_EQ(t[i], bus({lpt_device_byte(a), a & 0xFF}));
        std::vector<int> read{lpt_device_byte(a) + 1};
        read.insert(read.end(), m.begin() + a, m.begin() + (a | 15) + 1);
        EXPECT_EQ(t[i + 1], bus(read, false) + ((a | 15) == ImageUpperBound ? " P" : ""));
    }
    EXPECT_EQ(b.progress.positions[0], 8);
    EXPECT_EQ(b.progress.positions[1], 15);
    EXPECT_EQ(b.progress.positions.back(), 2031);
    EXPECT_EQ(b.progress.status, "Reading Now.......");
    EXPECT_EQ(b.progress.colour, ColourPurple);
}

// One sequential read of the whole range, stopping at the first difference; a pager that
// kept its old bytes fails the verify after the write.
TEST(LptVerify, OneReadThatStopsAtTheFirstDifference) {
    for (const auto& [differsAt, said, bytesRead] :
         {std::tuple{-1, VS, ImageSize},
          {ImageUpperBound, VE, ImageSize},
          {AddrSerialFirst + 3, VE, AddrSerialFirst + 4}}) {
        LptBench b;
        PagerImage img(b.model.memory);
        if (differsAt >= 0)
            img[differsAt] ^= 1;
        EXPECT_EQ(b.ops.tbl_verify(img, 0, ImageUpperBound) == OpOutcome::Success, said == VS);
        EXPECT_EQ(b.msgs.texts(), Msgs{said});
        // The read device byte and the bytes read.
        EXPECT_EQ(std::ranges::count(b.model.transactions.back(), ' '), bytesRead);
        EXPECT_EQ(b.progress.status, "Verifying Now.....");
    }
    LptBench protect;
    protect.model.writeProtected = true;
    EXPECT_EQ(protect.ops.write_and_verify(), OpOutcome::Failed);
    EXPECT_EQ(protect.msgs.texts(), Msgs{VE});
}

} // namespace
} // namespace kpr
