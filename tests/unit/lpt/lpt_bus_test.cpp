// The parallel-port bus protocol against the pager-memory model: bus primitives, random
// reads, the board probe at the three legacy bases, and the model's own page behaviour.
#include "link/lpt_link.h"
#include "link/usb_link.h"
#include "support/fake_clock.h"
#include "support/fake_port_io.h"
#include "support/recorders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kpr {
namespace {

using test::EepromModel;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class LptBusTest : public ::testing::Test {
  protected:
    LptBusTest() {
        io.bases[LptBase1].memory = &model;
        EXPECT_TRUE(io.open(LptBase1));
    }

    test::MicroClock clock;
    EepromModel model{[this] { return clock.nowUs(); }};
    test::FakePortIo io;
    test::RecordedMessages messages;
    LptLink link{io, clock, messages};
};

TEST(LptDeviceByte, CarriesTheAddressBitsEightToTen) {
    EXPECT_EQ(lpt_device_byte(0), 0xA0);
    EXPECT_EQ(lpt_device_byte(0xFF), 0xA0);
    EXPECT_EQ(lpt_device_byte(1300), 0xAA); // &H514: block 5
    EXPECT_EQ(lpt_device_byte(2047), 0xAE);
}

TEST_F(LptBusTest, StartStopAndParkWriteTheirFixedSequencesWithATickAfterEachEdge) {
    const int64_t t0 = clock.nowUs();
    link.lpt_start();
    link.lpt_stop();
    EXPECT_THAT(io.written, ElementsAre(0xFC, 0xFE, 0xFF, 0xFF, 0xFE, 0xFC));
    EXPECT_EQ(clock.nowUs() - t0, 6 * DelayTickUs);
    EXPECT_EQ(link.LptOut, LptIdle);

    io.written.clear();
    link.lpt_park();
    EXPECT_THAT(io.written, ElementsAre(0xFE));
    EXPECT_EQ(clock.nowUs() - t0, 6 * DelayTickUs + 100'000 + DelayTickUs);
    EXPECT_EQ(link.LptOut, LptClockHighDataLow);
    // Parking an idle bus pulls data low under a high clock: the memory sees a start.
    EXPECT_EQ(model.starts, 2);
    EXPECT_EQ(model.stops, 1);
}

TEST_F(LptBusTest, SdaAndSclPrimitivesChangeOnlyTheirOwnBit) {
    link.LptOut = LptIdle;
    link.lpt_scl_low();
    link.lpt_sda_low();
    link.lpt_scl_high();
    link.lpt_sda_high();
    EXPECT_THAT(io.written, ElementsAre(0xFD, 0xFF, 0xFE, 0xFC));
}

TEST(LptClockTick, IsSeventyFiveMicrosecondsOnAFineClockAndAWholeMillisecondOtherwise) {
    test::MicroClock fine;
    test::FakeClock coarse;
    test::FakePortIo io;
    test::RecordedMessages messages;
    LptLink a{io, fine, messages};
    const int64_t t0 = fine.nowUs();
    a.delay_tick();
    EXPECT_EQ(fine.nowUs() - t0, 75);

    LptLink b{io, coarse, messages};
    const int64_t m0 = coarse.nowMs();
    b.delay_tick();
    EXPECT_EQ(coarse.nowMs() - m0, 1);
}

TEST_F(LptBusTest, RandomReadOfAddress1300UsesDeviceByteAAThenAB) {
    model.memory[1300] = 0x5C;
    auto b = link.lpt_readbyte(1300);
    ASSERT_TRUE(b);
    EXPECT_EQ(*b, 0x5C);
    ASSERT_EQ(model.transactions.size(), 2u);
    const auto& dummyWrite = model.transactions[0].bytes;
    ASSERT_EQ(dummyWrite.size(), 2u);
    EXPECT_EQ(dummyWrite[0].value, 0xAA);
    EXPECT_TRUE(dummyWrite[0].acked);
    EXPECT_EQ(dummyWrite[1].value, 0x14);
    EXPECT_TRUE(dummyWrite[1].acked);
    EXPECT_FALSE(model.transactions[0].endedByStop); // a repeated start follows
    const auto& read = model.transactions[1].bytes;
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].value, 0xAB);
    EXPECT_FALSE(read[1].fromMaster);
    EXPECT_EQ(read[1].value, 0x5C);
    EXPECT_FALSE(read[1].acked); // the one byte is not acknowledged
    EXPECT_TRUE(model.transactions[1].endedByStop);
    EXPECT_THAT(model.violations, IsEmpty());
    EXPECT_THAT(messages.entries, IsEmpty());
}

TEST_F(LptBusTest, ReceivedBytesArriveMostSignificantBitFirstAndAcknowledgedOnRequest) {
    model.memory[0x7FE] = 0x81;
    model.memory[0x7FF] = 0x82;
    model.memory[0x000] = 0x83;
    model.memory[0x001] = 0x84;
    // A sequential read runs on past the end of the memory to address 0.
    ASSERT_TRUE(link.lpt_openread(0x7FE));
    EXPECT_EQ(link.lpt_recvbyte(0), 0x81);
    EXPECT_EQ(link.lpt_recvbyte(0), 0x82);
    EXPECT_EQ(link.lpt_recvbyte(0), 0x83);
    EXPECT_EQ(link.lpt_recvbyte(1), 0x84);
    link.lpt_stop();
    const auto& read = model.transactions.back().bytes;
    ASSERT_EQ(read.size(), 5u);
    EXPECT_TRUE(read[1].acked);
    EXPECT_TRUE(read[3].acked);
    EXPECT_FALSE(read[4].acked);
    EXPECT_THAT(model.violations, IsEmpty());
}

TEST_F(LptBusTest, ABoardWithoutAPagerFailsTheReadAfterTenDeviceBytes) {
    model.chipPresent = false;
    EXPECT_FALSE(link.lpt_readbyte(1300));
    EXPECT_THAT(model.device_bytes(),
                ElementsAre(0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA));
    EXPECT_THAT(messages.texts(), ElementsAre("Read error!"));
    EXPECT_EQ(io.written.back(), LptClockHighDataLow); // parked
}

TEST_F(LptBusTest, AMemoryInItsWriteCycleIsWaitedForByTheTenTries) {
    // One byte written; its stop starts the write cycle.
    link.lpt_start();
    ASSERT_TRUE(link.lpt_sendbyte(0xA0));
    ASSERT_TRUE(link.lpt_sendbyte(0x10));
    ASSERT_TRUE(link.lpt_sendbyte(0x42));
    link.lpt_stop();
    ASSERT_TRUE(model.busy());
    auto b = link.lpt_readbyte(0x10);
    ASSERT_TRUE(b);
    EXPECT_EQ(*b, 0x42);
    EXPECT_GT(model.busyRefusals, 0);
    EXPECT_LT(model.busyRefusals, LptDeviceTries);
}

TEST_F(LptBusTest, ModelRollsAPageWriteOverInsideItsPage) {
    link.lpt_start();
    ASSERT_TRUE(link.lpt_sendbyte(lpt_device_byte(0x105)));
    ASSERT_TRUE(link.lpt_sendbyte(0x05));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(link.lpt_sendbyte(static_cast<uint8_t>(i)));
    EXPECT_EQ(model.memory[0x105], 0xFF); // nothing lands before the stop
    link.lpt_stop();
    ASSERT_EQ(model.pageWrites.size(), 1u);
    // Bytes 0..10 went to &H105..&H10F, 11..19 rolled over to &H100..&H108, the last four
    // of them replacing bytes 0..3.
    EXPECT_EQ(model.memory[0x100], 11);
    EXPECT_EQ(model.memory[0x104], 15);
    EXPECT_EQ(model.memory[0x105], 16);
    EXPECT_EQ(model.memory[0x108], 19);
    EXPECT_EQ(model.memory[0x109], 4);
    EXPECT_EQ(model.memory[0x10F], 10);
    EXPECT_EQ(model.memory[0x110], 0xFF);
    EXPECT_EQ(model.memory[0x0FF], 0xFF);
}

TEST_F(LptBusTest, ModelDropsAPageWriteEndedByAStartInsteadOfAStop) {
    link.lpt_start();
    ASSERT_TRUE(link.lpt_sendbyte(0xA0));
    ASSERT_TRUE(link.lpt_sendbyte(0x00));
    ASSERT_TRUE(link.lpt_sendbyte(0x42));
    link.lpt_start();
    link.lpt_stop();
    EXPECT_EQ(model.memory[0], 0xFF);
    EXPECT_EQ(model.abortedWrites, 1);
    EXPECT_THAT(model.pageWrites, IsEmpty());
}

TEST_F(LptBusTest, ModelRefusesDeviceBytesOfOtherDevices) {
    link.lpt_start();
    EXPECT_FALSE(link.lpt_sendbyte(0x50));
    link.lpt_stop();
}

TEST_F(LptBusTest, ModelNotesValuesWithBitsTwoToSevenCleared) {
    io.write_data(0x00);
    EXPECT_THAT(model.violations, ElementsAre(HasSubstr("bits 2-7")));
}

TEST_F(LptBusTest, MonitorTickWritesFEWithoutTouchingLptOut) {
    link.LptOut = 0xFD;
    link.monitor_tick();
    EXPECT_THAT(io.written, ElementsAre(0xFE));
    EXPECT_EQ(link.LptOut, 0xFD);
}

// ----- discovery -----

class LptConnectTest : public ::testing::Test {
  protected:
    test::MicroClock clock;
    EepromModel model{[this] { return clock.nowUs(); }};
    test::FakePortIo io;
    test::RecordedMessages messages;
    LptLink link{io, clock, messages};
};

TEST_F(LptConnectTest, APortWithNothingAttachedFailsTheProbeAtAllThreeBases) {
    for (uint16_t base : LptBases)
        io.bases[base] = {}; // status bit 3 floats high
    EXPECT_FALSE(link.lpt_connect());
    EXPECT_THAT(io.opened, ElementsAre(0x378, 0x278, 0x3BC));
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].text, "The Programmed Board is not responding!");
    EXPECT_EQ(messages.entries[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(link.connected());
    EXPECT_FALSE(io.is_open());
}

TEST_F(LptConnectTest, FindsTheBoardAtTheSecondBaseAndKeepsItsPortOpen) {
    io.bases[LptBase1] = {};
    io.bases[LptBase2].memory = &model;
    io.bases[LptBase3].memory = &model;
    const int64_t t0 = clock.nowMs();
    EXPECT_TRUE(link.lpt_connect());
    EXPECT_EQ(link.LptData, 0x278);
    EXPECT_EQ(link.LptStatus, 0x279);
    EXPECT_THAT(io.opened, ElementsAre(0x378, 0x278));
    EXPECT_TRUE(io.is_open());
    EXPECT_THAT(messages.entries, IsEmpty());
    // Two probes of four 50 ms pauses each.
    EXPECT_GE(clock.nowMs() - t0, 400);
    // The probe pulls and releases data behind LptOut's back; the last stop sets it.
    EXPECT_EQ(link.LptOut, LptIdle);
    EXPECT_THAT(model.violations, IsEmpty());
}

TEST_F(LptConnectTest, TheProbeSeesTheBoardEvenWithoutAPager) {
    model.chipPresent = false;
    io.bases[LptBase1].memory = &model;
    EXPECT_TRUE(link.lpt_connect());
}

TEST_F(LptConnectTest, NoUsablePortSaysWhyBeforeTheBoardMessage) {
    io.bases[LptBase1].openError = "/dev/parport0: permission denied; join the group 'lp'";
    io.bases[LptBase2].openError = "/dev/parport1: no such parallel port";
    EXPECT_FALSE(link.lpt_connect());
    ASSERT_EQ(messages.entries.size(), 2u);
    EXPECT_EQ(messages.entries[0].text, "No parallel port could be used:\n"
                                        "/dev/parport0: permission denied; join the group 'lp'\n"
                                        "/dev/parport1: no such parallel port");
    EXPECT_EQ(messages.entries[0].icon, MessageIcon::Critical);
    EXPECT_EQ(messages.entries[1].text, "The Programmed Board is not responding!");
}

TEST_F(LptConnectTest, APortThatFailsDuringTheProbeIsNotTakenForTheBoard) {
    io.bases[LptBase1].memory = &model;
    io.break_port("gone");
    EXPECT_FALSE(link.lpt_connect());
    EXPECT_THAT(messages.texts(), ElementsAre("The Programmed Board is not responding!"));
}

} // namespace
} // namespace kpr
