// The parallel-port bus protocol against the pager-memory model on microsecond fake time:
// the line primitives, random and sequential reads, and finding the board at the three
// legacy bases.
#include "link/lpt_link.h"
#include "link/usb_link.h"
#include "support/fake_clock.h"
#include "support/fake_port_io.h"
#include "support/recorders.h"

#include <gtest/gtest.h>

#include <functional>

namespace kpr {
namespace {

using test::EepromModel;
using Values = std::vector<uint8_t>;

class LptBusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        io.bases[LptBase1].memory = &model;
        ASSERT_TRUE(io.open(LptBase1));
    }
    test::MicroClock clock;
    EepromModel model{[this] { return clock.nowUs(); }};
    test::FakePortIo io;
    test::RecordedMessages messages;
    LptLink link{io, clock, messages};
};

TEST(LptDeviceByte, CarriesTheAddressBitsEightToTen) {
    for (const auto& [address, device] :
         {std::pair{0, 0xA0}, {0xFF, 0xA0}, {0x100, 0xA2}, {1300, 0xAA}, {2047, 0xAE}})
        EXPECT_EQ(lpt_device_byte(address), device) << address;
}

// Parking pulls data low under a high clock and holds it for 100 ms; the monitor's tick
// writes the same value without changing what the link believes the lines are.
TEST_F(LptBusTest, ParkAndTheMonitorTick) {
    const int64_t t0 = clock.nowUs();
    link.lpt_park();
    EXPECT_EQ(clock.nowUs() - t0, 100'000 + 75);
    EXPECT_EQ(link.LptOut, LptClockHighDataLow);
    link.LptOut = LptIdle;
    link.monitor_tick();
    EXPECT_EQ(io.written, (Values{0xFE, 0xFE}));
    EXPECT_EQ(link.LptOut, LptIdle);
}

TEST(LptClockTick, IsSeventyFiveMicrosecondsOnAFineClockAndAWholeMillisecondOtherwise) {
    test::MicroClock fine;
    test::FakeClock coarse;
    test::FakePortIo io;
    test::RecordedMessages messages;
    LptLink a{io, fine, messages}, b{io, coarse, messages};
    a.delay_tick();
    b.delay_tick();
    EXPECT_EQ(fine.nowUs(), 1'000'000 + 75);
    EXPECT_EQ(coarse.nowMs(), 1000 + 1);
}

// A random read is a dummy write of device and address byte, a repeated start, the read
// device byte and one byte not acknowledged, then a stop.
TEST_F(LptBusTest, RandomReadOfAddress1300) {
    model.memory[1300] = 0x5C;
    EXPECT_EQ(link.lpt_readbyte(1300), 0x5C);
    ASSERT_EQ(model.transactions.size(), 2u);
    const auto& w = model.transactions[0];
    const auto& r = model.transactions[1];
    ASSERT_EQ(w.bytes.size(), 2u);
    ASSERT_EQ(r.bytes.size(), 2u);
    EXPECT_EQ(Values({w.bytes[0].value, w.bytes[1].value, r.bytes[0].value, r.bytes[1].value}),
              Values({0xAA, 0x14, 0xAB, 0x5C}));
    EXPECT_TRUE(w.bytes[0].acked && w.bytes[1].acked && r.bytes[0].acked);
    EXPECT_FALSE(r.bytes[1].fromMaster || r.bytes[1].acked);
    EXPECT_FALSE(w.endedByStop);
    EXPECT_TRUE(r.endedByStop);
    EXPECT_TRUE(model.violations.empty());
    EXPECT_TRUE(messages.entries.empty());
}

// A device byte is tried ten times: enough to wait out a write cycle, and then given up.
TEST_F(LptBusTest, TheDeviceByteIsTriedTenTimes) {
    link.lpt_start();
    for (uint8_t b : {0xA0, 0x10, 0x42})
        ASSERT_TRUE(link.lpt_sendbyte(b));
    link.lpt_stop(); // the write cycle starts
    EXPECT_EQ(link.lpt_readbyte(0x10), 0x42);
    EXPECT_GT(model.busyRefusals, 0);
    EXPECT_LT(model.busyRefusals, 10);

    model.chipPresent = false;
    model.clear_records();
    EXPECT_FALSE(link.lpt_readbyte(1300));
    EXPECT_EQ(model.device_bytes(), Values(10, 0xAA));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Read error!"});
    EXPECT_EQ(io.written.back(), LptClockHighDataLow); // parked
}

// What stands at 0x378, 0x278 and 0x3BC decides where the board is found and what is said.
TEST_F(LptBusTest, TheBoardIsLookedForAtTheThreeLegacyBasesInOrder) {
    const std::string NR = "The Programmed Board is not responding!";
    const std::string denied = "/dev/parport0: permission denied; join the group 'lp'";
    const std::string missing = "/dev/parport1: no such parallel port";
    const struct {
        const char* what;
        std::function<void(test::FakePortIo&, EepromModel&)> setup;
        uint16_t found;
        std::vector<uint16_t> opened;
        std::vector<std::string> said;
    } cases[] = {
        {"nothing attached",
         [](auto& io, auto&) {
             io.bases = {{LptBase1, {}}, {LptBase2, {}}, {LptBase3, {}}};
         },
         0,
         {0x378, 0x278, 0x3BC},
         {NR}},
        {"board at the second base",
         [](auto& io, auto& m) {
             io.bases = {{LptBase1, {}}, {LptBase2, {"", &m}}, {LptBase3, {"", &m}}};
         },
         0x278,
         {0x378, 0x278},
         {}},
        {"a board without a pager",
         [](auto& io, auto& m) {
             m.chipPresent = false, io.bases = {{LptBase1, {"", &m}}};
         },
         0x378,
         {0x378},
         {}},
        {"no usable port",
         [&](auto& io, auto&) {
             io.bases = {{LptBase1, {denied}}, {LptBase2, {missing}}};
         },
         0,
         {},
         {std::string("No parallel port could be used:") + "\n" + denied + "\n" + missing, NR}},
        {"a port that fails during the probe",
         [](auto& io, auto& m) {
             io.bases = {{LptBase1, {"", &m}}}, io.break_port("gone");
         },
         0,
         {0x378},
         {NR}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakePortIo portIo;
        EepromModel memory{[this] { return clock.nowUs(); }};
        test::RecordedMessages said;
        LptLink l{portIo, clock, said};
        c.setup(portIo, memory);
        const int64_t t0 = clock.nowMs();
        EXPECT_EQ(l.lpt_connect(), c.found != 0);
        EXPECT_EQ(l.LptData, c.found);
        EXPECT_EQ(portIo.opened, c.opened);
        EXPECT_EQ(said.texts(), c.said);
        EXPECT_EQ(portIo.is_open(), c.found != 0); // the board's port stays open
        EXPECT_TRUE(said.entries.empty() || said.entries.back().icon == MessageIcon::Warning);
        EXPECT_TRUE(said.entries.size() < 2 || said.entries[0].icon == MessageIcon::Critical);
        if (c.found == 0x278) {
            EXPECT_EQ(l.LptStatus, 0x279);
            EXPECT_GE(clock.nowMs() - t0, 400); // two probes of four 50 ms pauses
            EXPECT_EQ(l.LptOut, LptIdle);
            EXPECT_TRUE(memory.violations.empty());
        }
    }
}

} // namespace
} // namespace kpr
