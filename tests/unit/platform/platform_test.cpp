#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"

using namespace kpr;

TEST(QtPortLister, NamedPortsFollowTheSystemListWithoutRepeats) {
    QtPortLister only({"/dev/pts/7", "/dev/pts/9", "/dev/pts/7"});
    only.setExtraOnly(true);
    EXPECT_EQ(only.ports(), (std::vector<std::string>{"/dev/pts/7", "/dev/pts/9"}));

    QtPortLister all({"/dev/pts/7"});
    const std::vector<std::string> list = all.ports();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.back(), "/dev/pts/7");
}

TEST(QtSerialPort, MissingPortFailsAndAClosedPortAnswersWithFailures) {
    QtSerialPort port;
    EXPECT_FALSE(port.open("/dev/kpr-no-such-port"));
    EXPECT_FALSE(port.isOpen());
    uint8_t b[4] = {};
    EXPECT_FALSE(port.flush());
    EXPECT_LT(port.bytesWaiting(), 0);
    EXPECT_LT(port.readByte(), 0);
    EXPECT_LT(port.read(b, 4), 0);
    EXPECT_LT(port.write(b, 4), 0);
    EXPECT_FALSE(port.waitForReadable(1000)); // at once: nothing to wait on
    EXPECT_TRUE(port.close());
}

TEST(SteadyClock, NeverGoesBackwards) {
    SteadyClock clock;
    const int64_t a = clock.nowMs();
    clock.waitMs(0);
    EXPECT_GE(clock.nowMs(), a);
}

// A reply that a byte count already took into the port's buffer must end the next wait at
// once: the link polls the count and then waits, and a wait for new bytes only would sleep
// through the whole reply window.
TEST(QtSerialPort, WaitEndsAtOnceForBytesAlreadyTaken) {
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    kpr::QtSerialPort port;
    ASSERT_TRUE(port.open(name));
    const char reply[] = "VardQuinta";
    ASSERT_EQ(::write(master, reply, 10), 10);
    for (int i = 0; i < 200 && port.bytesWaiting() < 10; ++i)
        port.waitForReadable(10);
    ASSERT_EQ(port.bytesWaiting(), 10);
    EXPECT_TRUE(port.waitForReadable(1000));
    EXPECT_EQ(port.readByte(), 'V');
    port.close();
    ::close(slave);
    ::close(master);
}
