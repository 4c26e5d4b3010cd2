#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"

using namespace kpr;

// A named port is listed only while its device exists: unplugging must shorten the list
// (the monitor then shows the board gone) and plugging back in lengthen it (a new probe).
TEST(QtPortLister, NamedPortsFollowTheSystemListWithoutRepeatsWhileTheyExist) {
    char a[] = "/tmp/kpr-port-XXXXXX", b[] = "/tmp/kpr-port-XXXXXX";
    const int fa = mkstemp(a), fb = mkstemp(b);
    ASSERT_GE(fa, 0);
    ASSERT_GE(fb, 0);
    QtPortLister only({a, b, a, "/dev/kpr-no-such-port"});
    only.setExtraOnly(true);
    EXPECT_EQ(only.ports(), (std::vector<std::string>{a, b}));
    ::unlink(a); // unplugged
    EXPECT_EQ(only.ports(), (std::vector<std::string>{b}));
    const int again = ::open(a, O_CREAT | O_WRONLY, 0600); // back again
    EXPECT_EQ(only.ports(), (std::vector<std::string>{a, b}));

    QtPortLister all({b});
    const std::vector<std::string> list = all.ports();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.back(), b);
    for (int fd : {fa, fb, again})
        ::close(fd);
    ::unlink(a);
    ::unlink(b);
}

// The system list is kept and taken again only when the device folder changes: a port that
// appears or goes is seen at once, and calls with nothing changed list nothing.
TEST(QtPortLister, SystemListIsTakenAgainOnlyWhenTheDeviceFolderChanges) {
    char dev[] = "/tmp/kpr-dev-XXXXXX";
    ASSERT_NE(mkdtemp(dev), nullptr);
    const std::string port = std::string(dev) + "/ttyUSB0", link = std::string(dev) + "/kpr";
    int listings = 0;
    QtPortLister lister({link}, dev, [&] {
        ++listings;
        std::vector<std::string> list;
        if (::access(port.c_str(), F_OK) == 0)
            list.push_back(port);
        return list;
    });
    const std::vector<std::string> none, plugged{port}, both{port, link};
    // listed: system listings a change costs — on the call that sees it and the next, as a
    // device node may come a moment before the system's records of it are complete.
    struct Row {
        std::function<void()> change;
        const std::vector<std::string>& expected;
        int listed;
    };
    for (const Row& row : std::initializer_list<Row>{
             {[] {}, none, 1},
             {[&] { ::close(::open(port.c_str(), O_CREAT | O_WRONLY, 0600)); }, plugged, 2},
             {[&] { ASSERT_EQ(::symlink(port.c_str(), link.c_str()), 0); }, both, 2},
             {[&] { ::unlink(port.c_str()); }, none, 2}, // the link dangles: its device is gone
             {[&] { ::unlink(link.c_str()); }, none, 2},
         }) {
        const int before = listings;
        row.change();
        EXPECT_EQ(lister.ports(), row.expected);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(lister.ports(), row.expected);
        EXPECT_EQ(listings - before, row.listed);
    }
    ::rmdir(dev);
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

// Only bytes beyond those already taken into the port's buffer end a wait: a wait that
// returned at once while any byte is buffered made the link spin through every reply.
TEST(QtSerialPort, WaitEndsOnlyForBytesBeyondThoseAlreadyTaken) {
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
    EXPECT_FALSE(port.waitForReadable(0)); // nothing new
    ASSERT_EQ(::write(master, reply, 3), 3);
    EXPECT_TRUE(port.waitForReadable(5000));
    EXPECT_EQ(port.readByte(), 'V');
    port.close();
    ::close(slave);
    ::close(master);
}
