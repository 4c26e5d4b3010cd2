#include <gtest/gtest.h>

#include "link/connection_monitor.h"
#include "link/frame.h"
#include "sim/board_sim.h"
#include "support/fake_port_lister.h"
#include "support/fake_serial_port.h"
#include "support/recorders.h"
#include "support/sim_peer.h"

using namespace kpr;
using namespace kpr::test;

namespace {

class MonitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        link.setUi(&ui);
        port.attach("/dev/ttyUSB0", &board);
        port.attach("/dev/ttyS0", &modem);
        port.attach("/dev/ttyACM0", &modem);
    }
    size_t probes(const std::string& name) {
        size_t n = 0;
        for (const Bytes& w : port.log(name).writes)
            n += w == command_templates().ProbeCommand;
        return n;
    }

    FakeClock clock;
    FakeSerialPort port{clock};
    FakePortLister lister;
    RecordedMessages msgs;
    RecordedLinkUi ui;
    UsbLink link{port, lister, clock, msgs};
    ConnectionMonitor monitor{link};
    SimPeer board{default_sim_memory()};
    SilentPeer modem;
};

TEST_F(MonitorTest, StatusLines) {
    EXPECT_EQ(status_line(BoardState::Connected).caption, "  The Programmed Board Connect !");
    EXPECT_EQ(status_line(BoardState::Connected).colour, 0u);
    EXPECT_TRUE(status_line(BoardState::Connected).pagerMenuEnabled);
    EXPECT_EQ(status_line(BoardState::Disconnected).caption, "  The Programmed Board Disconnect !");
    EXPECT_EQ(status_line(BoardState::Disconnected).colour, 0xFFu);
    EXPECT_FALSE(status_line(BoardState::Disconnected).pagerMenuEnabled);
}

TEST_F(MonitorTest, NewDeviceBesideAKnownBoardSendsNothing) {
    lister.names = {"/dev/ttyUSB0"};
    link.ConnectInteractive = true;
    ASSERT_TRUE(link.board_connect());
    link.ConnectInteractive = false;
    lister.names = {"/dev/ttyS0", "/dev/ttyUSB0"};
    ui.timer.clear();

    EXPECT_EQ(monitor.tick(), BoardState::Connected);
    EXPECT_EQ(probes("/dev/ttyS0"), 0u);
    EXPECT_EQ(link.KnownPortCount, 2);
    EXPECT_EQ(ui.timer, (std::vector<bool>{false, true}));
    EXPECT_EQ(ui.states, std::vector<BoardState>{BoardState::Connected});
}

TEST_F(MonitorTest, UnrelatedDeviceIsProbedOnceSilently) {
    // Start-up found nothing: KnownPortCount stays 0, so the first tick probes again.
    lister.names = {};
    EXPECT_FALSE(link.startup_connect());
    EXPECT_FALSE(link.ConnectInteractive);
    EXPECT_EQ(msgs.texts(), std::vector<std::string>{"The Programmed Board is not responding!"});
    EXPECT_EQ(ui.timer, (std::vector<bool>{false, true}));
    msgs.entries.clear();
    EXPECT_EQ(link.KnownPortCount, 0);

    lister.names = {"/dev/ttyS0"};
    EXPECT_EQ(monitor.tick(), BoardState::Disconnected);
    EXPECT_EQ(probes("/dev/ttyS0"), 1u);
    EXPECT_EQ(monitor.tick(), BoardState::Disconnected);
    EXPECT_EQ(monitor.tick(), BoardState::Disconnected);
    EXPECT_EQ(probes("/dev/ttyS0"), 1u);
    EXPECT_TRUE(msgs.entries.empty());

    // The board is plugged in: the list grows, the tick finds it.
    lister.names = {"/dev/ttyS0", "/dev/ttyUSB0"};
    EXPECT_EQ(monitor.tick(), BoardState::Connected);
    EXPECT_EQ(link.BoardPort, "/dev/ttyUSB0");
    EXPECT_EQ(probes("/dev/ttyS0"), 2u);
}

TEST_F(MonitorTest, SwapWithinOneSecondDisconnectsWithoutProbing) {
    lister.names = {"/dev/ttyUSB0"};
    ASSERT_TRUE(link.board_connect());
    ASSERT_EQ(monitor.tick(), BoardState::Connected);

    lister.names = {"/dev/ttyACM0"}; // board out, another device in
    EXPECT_EQ(monitor.tick(), BoardState::Disconnected);
    EXPECT_EQ(link.BoardPort, NoBoardPort);
    EXPECT_EQ(probes("/dev/ttyACM0"), 0u);
    EXPECT_EQ(monitor.tick(), BoardState::Disconnected);
    EXPECT_EQ(probes("/dev/ttyACM0"), 0u);

    lister.names = {"/dev/ttyACM0", "/dev/ttyUSB0"};
    EXPECT_EQ(monitor.tick(), BoardState::Connected);
    EXPECT_EQ(probes("/dev/ttyACM0"), 1u);
}

TEST_F(MonitorTest, FirstTickBeforeAnyConnectShowsDisconnected) {
    lister.names = {"/dev/ttyUSB0"};
    // BoardPort is still unset (no connect ran): not "no board", so no probe either.
    EXPECT_EQ(monitor.tick(), BoardState::Disconnected);
    EXPECT_EQ(probes("/dev/ttyUSB0"), 0u);
    EXPECT_EQ(link.BoardPort, NoBoardPort);
}

TEST_F(MonitorTest, OtherLinkKindLeavesTheDisplayAlone) {
    int lptTicks = 0;
    monitor.lpt_tick = [&] { ++lptTicks; };
    link.LinkKind = "LPT";
    lister.names = {"/dev/ttyUSB0"};
    EXPECT_EQ(monitor.tick(), std::nullopt);
    EXPECT_EQ(lptTicks, 1);
    EXPECT_EQ(lister.calls, 0);
    EXPECT_TRUE(ui.states.empty());
    EXPECT_EQ(ui.timer, (std::vector<bool>{false, true}));
}

} // namespace
