// Whole-image write, read and verify over the parallel-port board: the real operations and
// editor, the pager's memory modelled bit by bit behind a fake printer port on fake time.
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "link/connection_monitor.h"
#include "ops/lpt_board.h"
#include "ops/seal.h"
#include "ops/usb_transfer.h"
#include "sim/board_sim.h"
#include "support/fake_port_io.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/recorders.h"
#include "text/charset.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace kpr {
namespace {

using test::EepromModel;
using Memory = PagerImage::Bytes;
using Msgs = std::vector<std::string>;
const std::string RS = "Read success!", VS = "Verify Success!", VE = "Verify Error!",
                  RE = "Read error!", WE = "Write error!";

// The parallel-port board attached to the product's operations, connected, with the editor.
struct LptBench {
    explicit LptBench(const Memory& memory = default_sim_memory()) {
        model.memory = memory;
        auto owned = std::make_unique<test::FakePortIo>();
        io = owned.get();
        io->bases[LptBase1].memory = &model;
        board = std::make_unique<LptBoard>(std::move(owned), clock, msgs);
        board->attach(usb, ops, &monitor);
        EXPECT_TRUE(usb.board_connect());
        editor.startup_finish({}, false);
        editor.flags().ScanIdle = true;
        editor.WriteOpt_Click();
        model.clear_records();
        msgs.clear();
    }
    OpOutcome write_and_verify() {
        PagerCodesScope codes(hooks);
        return ops.write_and_verify();
    }
    PagerImage sent() const { // the editor's image as it goes to the pager
        PagerImage img = editor.image();
        text_to_pager(img);
        return img;
    }
    test::MicroClock clock;
    EepromModel model{[this] { return clock.nowUs(); }};
    test::FakePortIo* io = nullptr;
    test::RecordedMessages msgs;
    test::RecordedProgress progress;
    test::FakeClock usbClock; // a USB link with no board: any use of it fails the test
    test::FakeSerialPort serial{usbClock};
    test::FakePortLister lister;
    UsbLink usb{serial, lister, usbClock, msgs};
    UsbBlockTransfer transfer{usb, progress};
    Editor editor{msgs};
    EditorAdapter hooks{editor};
    Operations ops{hooks, transfer, msgs, progress};
    ConnectionMonitor monitor{usb};
    std::unique_ptr<LptBoard> board;
};

std::vector<int> range(int first, int last, int skipFirst = 0, int skipLast = -1) {
    std::vector<int> v;
    for (int a = first; a <= last; ++a)
        if (a < skipFirst || a > skipLast)
            v.push_back(a);
    return v;
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
        EXPECT_TRUE(b.model.violations.empty());
        EXPECT_EQ(b.model.abortedWrites, 0);
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
        std::multiset<int> written;
        for (const auto& w : b.model.pageWrites) {
            if (w.addresses.size() == 1)
                singles.push_back(w.first);
            else
                EXPECT_TRUE(w.first % 16 == 0 && w.addresses.size() == 16) << w.first;
            written.insert(w.addresses.begin(), w.addresses.end());
        }
        EXPECT_EQ(singles, c.serialSkipped ? range(1232, 1263, AddrSerialFirst, AddrSerialSumLow)
                                           : range(1232, 1263));
        EXPECT_EQ(written.size(), ImageSize - (c.serialSkipped ? 14u : 0u));
        EXPECT_EQ(std::set<int>(written.begin(), written.end()).size(), written.size());
        EXPECT_EQ(b.model.memory, b.sent().bytes());
        EXPECT_EQ(std::string(b.model.memory.data() + AddrSerialFirst,
                              b.model.memory.data() + AddrSerialLast + 1),
                  c.serial);
        EXPECT_TRUE(serial_checksum_ok(b.model.memory));
        EXPECT_TRUE(image_checksum_ok(b.model.memory, ImageUpperBound));
        EXPECT_EQ(b.progress.maximum, ImageUpperBound - 16);
    }
}

// The pages written stay written: the operator is told the pager must be written again.
TEST(LptWrite, CancelStopsAtTheNextPageAndSaysThePagerIsIncomplete) {
    LptBench b;
    b.model.memory[600] = 0x77;
    b.progress.at = 512;
    b.progress.action = [&b] { b.ops.request_cancel(); };
    EXPECT_EQ(b.write_and_verify(), OpOutcome::Cancelled);
    EXPECT_EQ(b.msgs.texts(), Msgs{MsgWriteIncomplete});
    EXPECT_TRUE(b.ops.writeLeftIncomplete());
    EXPECT_EQ(b.model.memory[600], 0x77); // later pages untouched
    ASSERT_FALSE(b.model.pageWrites.empty());
    EXPECT_EQ(b.model.abortedWrites, 0); // the page in hand was finished
}

TEST(LptRead, WhatThePagerHoldsDecidesTheOutcome) {
    const std::string code3 = "The data in this pager is wrong!(Error Code = 3)";
    const struct {
        const char* what;
        std::function<void(LptBench&)> setup;
        ReadOutcome outcome;
        Msgs said;
        int band; // -2: as before
    } cases[] = {
        {"a healthy pager", [](LptBench&) {}, ReadOutcome::Accepted, {RS}, -2},
        // The narrow band rule: INCD 200 or nibble 4 would give a band on USB, not here.
        {"no band by the narrow rule",
         [](LptBench& b) {
             auto& m = b.model.memory;
             m[0x0C] = 0, m[0x0D] = 200, m[0x65] = 0x40, seal_sim_memory(m, SimDefaultSerial);
         },
         ReadOutcome::Accepted,
         {RS},
         -2},
        {"band 2",
         [](LptBench& b) {
             auto& m = b.model.memory;
             m[0x0C] = 0, m[0x65] = 0x85, seal_sim_memory(m, SimDefaultSerial);
         },
         ReadOutcome::Accepted,
         {RS},
         2},
        {"band 0",
         [](LptBench& b) {
             b.model.memory[0x0C] = 1, seal_sim_memory(b.model.memory, SimDefaultSerial);
         },
         ReadOutcome::Accepted,
         {RS},
         0},
        {"another model",
         [](LptBench& b) {
             std::copy_n("KPR360102V3.80", 14, b.model.memory.data() + AddrModelFirst);
         },
         ReadOutcome::WrongModel,
         {"This pager is not KPR35T !\r\n\r\nIt is KPR360, Software V3.80 )"},
         -2},
        {"checksum wrong",
         [](LptBench& b) { b.model.memory[2047] ^= 1; },
         ReadOutcome::ChecksumError,
         {"CheckSum Error!"},
         -2},
        {"identity byte 2 differs from the editor's",
         [](LptBench& b) { b.editor.image()[2] ^= 0x10; },
         ReadOutcome::ReloadError,
         {RS, "The data in this pager is wrong!"},
         -2},
        {"identity byte 1015 differs",
         [](LptBench& b) { b.editor.image()[1015] ^= 1; },
         ReadOutcome::ReloadError,
         {RS, "The data in this pager is wrong!"},
         -2},
        {"a frequency the editor cannot show",
         [](LptBench& b) {
             auto& m = b.model.memory;
             std::fill(m.data() + 0x64, m.data() + 0x68, 0xFF), m[0x0C] = 1;
             seal_sim_memory(m, SimDefaultSerial);
         },
         ReadOutcome::ReloadError,
         {RS, code3},
         -2},
        {"no pager",
         [](LptBench& b) { b.model.chipPresent = false; },
         ReadOutcome::LinkFailed,
         {RE},
         -2},
        {"the port goes away half-way",
         [](LptBench& b) {
             b.progress.at = 1000, b.progress.action = [&b] { b.io->break_port("gone"); };
         },
         ReadOutcome::LinkFailed,
         {RE},
         -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LptBench b;
        c.setup(b);
        const PagerImage before = b.editor.image();
        const int band = b.editor.band();
        EXPECT_EQ(b.ops.tbl_readall(0, ImageUpperBound), c.outcome);
        EXPECT_EQ(b.msgs.texts(), c.said);
        EXPECT_EQ(b.editor.band(), c.band == -2 ? band : c.band);
        EXPECT_EQ(b.ops.OpFailed(), c.outcome != ReadOutcome::Accepted &&
                                        c.outcome != ReadOutcome::ChecksumError &&
                                        c.outcome != ReadOutcome::ReloadError);
        if (c.outcome == ReadOutcome::Accepted)
            EXPECT_EQ(b.sent().bytes(), b.model.memory);
        else
            EXPECT_EQ(b.editor.image(), before);
        EXPECT_TRUE(b.model.pageWrites.empty());
        EXPECT_TRUE(b.model.violations.empty());
    }
    EXPECT_EQ(lpt_wrong_model_message("KPR"),
              "This pager is not KPR35T !\r\n\r\nIt is KPR, Software  )");
}

// From address 8: a read opened at every page, each page's last byte not acknowledged.
TEST(LptRead, ARangeIsReadAPageAtATime) {
    Memory m = default_sim_memory();
    std::copy_n("3.72", 4, m.data() + AddrModelFirst + 10); // checksums not tested
    LptBench b(m);
    ASSERT_EQ(b.ops.tbl_readall(8, ImageUpperBound), ReadOutcome::Accepted);
    std::vector<EepromModel::Transaction> t;
    for (const auto& x : b.model.transactions)
        if (!x.bytes.empty())
            t.push_back(x);
    ASSERT_EQ(t.size(), 28u + 2u * 128); // 14 model-text bytes, then the pages
    for (size_t i = 28; i < t.size(); i += 2) {
        const int a = ((t[i].bytes[0].value & 0x0E) << 7) | t[i].bytes[1].value;
        EXPECT_EQ(a, i == 28 ? 8 : static_cast<int>(i - 28) * 8);
        const auto& read = t[i + 1].bytes;
        ASSERT_EQ(read.size(), a == 8 ? 9u : 17u);
        for (size_t k = 1; k < read.size(); ++k)
            EXPECT_EQ(read[k].acked, k + 1 < read.size()) << a;
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
         {std::tuple{-1, VS, 1u + ImageSize},
          {ImageUpperBound, VE, 1u + ImageSize},
          {AddrSerialFirst + 3, VE, 1u + AddrSerialFirst + 4}}) {
        LptBench b;
        PagerImage img(b.model.memory);
        if (differsAt >= 0)
            img[differsAt] ^= 1;
        EXPECT_EQ(b.ops.tbl_verify(img, 0, ImageUpperBound) == OpOutcome::Success, said == VS);
        EXPECT_EQ(b.msgs.texts(), Msgs{said});
        size_t last = 0;
        for (const auto& t : b.model.transactions)
            last = t.bytes.empty() ? last : t.bytes.size();
        EXPECT_EQ(last, bytesRead);
        EXPECT_EQ(b.progress.status, "Verifying Now.....");
    }
    LptBench protect, none;
    protect.model.writeProtected = true;
    EXPECT_EQ(protect.write_and_verify(), OpOutcome::Failed);
    EXPECT_EQ(protect.msgs.texts(), Msgs{VE});
    none.model.chipPresent = false;
    EXPECT_EQ(none.ops.tbl_verify(none.editor.image(), 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_EQ(none.msgs.texts(), Msgs{RE});
}

TEST(LptBoard, TheMonitorTickParksTheBusAndLeavesTheStatusLineAlone) {
    LptBench b;
    b.io->written.clear();
    EXPECT_EQ(b.monitor.tick(), std::nullopt);
    EXPECT_EQ(b.io->written, std::vector<uint8_t>{0xFE});
    EXPECT_EQ(b.lister.calls, 0); // no serial port was looked at
}

TEST(LptBoard, WithNoParallelPortEveryOperationFailsAtOnce) {
    LptBench b;
    b.io->bases = {{LptBase1, {"/dev/parport0: no such parallel port"}}};
    EXPECT_FALSE(b.usb.board_connect());
    b.msgs.clear();
    b.editor.flags().ScanIdle = false;
    const int64_t t0 = b.clock.nowMs();
    EXPECT_EQ(b.ops.tbl_writeall(b.editor.image(), 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_EQ(b.ops.tbl_readall(0, ImageUpperBound), ReadOutcome::LinkFailed);
    EXPECT_EQ(b.ops.tbl_verify(b.editor.image(), 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_EQ(b.msgs.texts(), (Msgs{WE, RE, RE}));
    EXPECT_LT(b.clock.nowMs() - t0, 1000); // the parks' pauses, no polling
}

} // namespace
} // namespace kpr
