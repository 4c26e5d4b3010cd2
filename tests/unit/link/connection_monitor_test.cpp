// The once-a-second monitor: what it shows and which ports it probes as the list changes.
#include "link/connection_monitor.h"
#include "link/frame.h"
#include "sim/board_sim.h"
#include "support/fake_port_lister.h"
#include "support/recorders.h"
#include "support/sim_peer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kpr {
namespace {

using namespace kpr::test;
using Ports = std::vector<std::string>;
constexpr auto Up = BoardState::Connected, Down = BoardState::Disconnected;
const std::string Usb = "/dev/ttyUSB0", Modem = "/dev/ttyS0";

class MonitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        link.setUi(&ui);
        port.attach(Usb, &board);
        port.attach(Modem, &modem);
        port.attach("/dev/ttyACM0", &modem);
    }
    size_t probes(const std::string& name) {
        return std::ranges::count(port.log(name).writes, command_templates().ProbeCommand);
    }
    // Each step: the port list, the state the tick shows, the probes sent to `other` so far.
    struct Step {
        Ports list;
        BoardState shown;
        size_t otherProbes;
    };
    void ticks(const std::string& other, std::initializer_list<Step> steps) {
        for (const Step& s : steps) {
            lister.names = s.list;
            EXPECT_EQ(monitor.tick(), s.shown);
            EXPECT_EQ(probes(other), s.otherProbes);
            EXPECT_EQ(link.BoardPort, s.shown == Up ? Usb : NoBoardPort);
        }
        EXPECT_TRUE(msgs.entries.empty()); // the monitor never speaks
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
    const StatusLine up = status_line(Up), down = status_line(Down);
    EXPECT_EQ(up.caption, "  The Programmed Board Connect !");
    EXPECT_EQ(down.caption, "  The Programmed Board Disconnect !");
    EXPECT_EQ(up.colour, 0u);
    EXPECT_EQ(down.colour, 0xFFu);
    EXPECT_TRUE(up.pagerMenuEnabled);
    EXPECT_FALSE(down.pagerMenuEnabled);
}

TEST_F(MonitorTest, ANewDeviceBesideAKnownBoardIsNotProbed) {
    lister.names = {Usb};
    ASSERT_TRUE(link.board_connect());
    ticks(Modem, {{{Modem, Usb}, Up, 0}});
    EXPECT_EQ(link.KnownPortCount, 2);
    EXPECT_EQ(ui.timer, (std::vector<bool>{false, true})); // stopped while the tick works
    EXPECT_EQ(ui.states, std::vector{Up});
}

TEST_F(MonitorTest, WithNoBoardOnlyAGrowingListIsProbed) {
    EXPECT_FALSE(link.startup_connect()); // nothing listed: said once, at start-up
    EXPECT_EQ(msgs.texts(), Ports{"The Programmed Board is not responding!"});
    EXPECT_FALSE(link.ConnectInteractive);
    msgs.clear();
    ticks(Modem,
          {{{Modem}, Down, 1}, {{Modem}, Down, 1}, {{Modem}, Down, 1}, {{Modem, Usb}, Up, 2}});
}

TEST_F(MonitorTest, ASwapWithinOneTickDisconnectsWithoutProbing) {
    lister.names = {Usb};
    ASSERT_TRUE(link.board_connect());
    ticks("/dev/ttyACM0", {{{Usb}, Up, 0},
                           {{"/dev/ttyACM0"}, Down, 0},
                           {{"/dev/ttyACM0"}, Down, 0},
                           {{"/dev/ttyACM0", Usb}, Up, 1}});
}

TEST_F(MonitorTest, TheFirstTickBeforeAnyConnectShowsDisconnectedWithoutProbing) {
    ticks(Usb, {{{Usb}, Down, 0}});
}

TEST_F(MonitorTest, OnTheParallelLinkTheTickIsItsAndTheDisplayIsLeftAlone) {
    int lptTicks = 0;
    monitor.lpt_tick = [&] { ++lptTicks; };
    link.LinkKind = "LPT";
    EXPECT_EQ(monitor.tick(), std::nullopt);
    EXPECT_EQ(lptTicks, 1);
    EXPECT_EQ(lister.calls, 0);
    EXPECT_TRUE(ui.states.empty());
    EXPECT_EQ(ui.timer, (std::vector<bool>{false, true}));
}

} // namespace
} // namespace kpr
