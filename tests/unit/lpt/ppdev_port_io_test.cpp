// The ppdev printer port: which device stands for which base, and what the operator is told
// when a port cannot be used.
#include "platform/ppdev_port_io.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kpr {
namespace {

using ::testing::HasSubstr;

TEST(PpdevPortIo, LegacyBasesStandForTheFirstThreeParports) {
    EXPECT_EQ(PpdevPortIo::device_for_base(0x378, ""), "/dev/parport0");
    EXPECT_EQ(PpdevPortIo::device_for_base(0x278, ""), "/dev/parport1");
    EXPECT_EQ(PpdevPortIo::device_for_base(0x3BC, ""), "/dev/parport2");
    EXPECT_EQ(PpdevPortIo::device_for_base(0x400, ""), "");
}

TEST(PpdevPortIo, ANamedDeviceStandsAtTheFirstBaseOnly) {
    EXPECT_EQ(PpdevPortIo::device_for_base(0x378, "/dev/parport3"), "/dev/parport3");
    EXPECT_EQ(PpdevPortIo::device_for_base(0x278, "/dev/parport3"), "");
    PpdevPortIo io("/dev/parport3");
    EXPECT_FALSE(io.open(0x278));
    EXPECT_EQ(io.error(), ""); // not in use, nothing to report
}

TEST(PpdevPortIo, MessagesNameTheDeviceAndWhatToDo) {
    EXPECT_EQ(ppdev_error_text("/dev/parport0", EACCES, "lp"),
              "/dev/parport0: permission denied; join the group 'lp' (sudo usermod -aG lp "
              "$USER) and log in again");
    EXPECT_THAT(ppdev_error_text("/dev/parport1", ENOENT, "lp"),
                HasSubstr("/dev/parport1: no such parallel port"));
    EXPECT_THAT(ppdev_error_text("/dev/parport1", ENOENT, "lp"), HasSubstr("modprobe ppdev"));
    EXPECT_EQ(ppdev_error_text("/tmp/x", ENOTTY, "lp"), "/tmp/x: not a parallel port");
    EXPECT_THAT(ppdev_error_text("/dev/parport0", EBUSY, "lp"), HasSubstr("in use"));
}

TEST(PpdevPortIo, AMissingDeviceCannotBeOpened) {
    PpdevPortIo io("/nonexistent/parport9");
    EXPECT_FALSE(io.open(0x378));
    EXPECT_FALSE(io.is_open());
    EXPECT_EQ(io.error(), "/nonexistent/parport9: no such parallel port (is the ppdev driver "
                          "loaded? sudo modprobe ppdev)");
}

TEST(PpdevPortIo, AFileThatIsNoParallelPortIsRefused) {
    const auto path = std::filesystem::temp_directory_path() / "kpr-not-a-parport";
    std::ofstream(path) << "x";
    PpdevPortIo io(path.string());
    EXPECT_FALSE(io.open(0x378));
    EXPECT_EQ(io.error(), path.string() + ": not a parallel port");
    std::filesystem::remove(path);
}

TEST(PpdevPortIo, RegisterCallsOnAClosedPortFailWithoutHarm) {
    PpdevPortIo io;
    io.write_data(0xFC);
    EXPECT_EQ(io.read_status(), 0);
    EXPECT_FALSE(io.error().empty());
}

TEST(PpdevPortIo, GroupOfAMissingDeviceIsLp) {
    EXPECT_EQ(ppdev_device_group("/nonexistent/parport9"), "lp");
}

} // namespace
} // namespace kpr
