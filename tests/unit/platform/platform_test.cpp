#include <gtest/gtest.h>

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
