// The ppdev printer port: which device stands for which base, and what the operator is told
// when a port cannot be used.
#include "platform/ppdev_port_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace kpr {
namespace {

TEST(PpdevPortIo, TheLegacyBasesStandForTheFirstThreeParportsOrTheNamedDevice) {
    for (const auto& [base, named, device] : {std::tuple{0x378, "", "/dev/parport0"},
                                              {0x278, "", "/dev/parport1"},
                                              {0x3BC, "", "/dev/parport2"},
                                              {0x400, "", ""},
                                              {0x378, "/dev/parport3", "/dev/parport3"},
                                              {0x278, "/dev/parport3", ""}})
        EXPECT_EQ(PpdevPortIo::device_for_base(static_cast<uint16_t>(base), named), device);
    EXPECT_EQ(ppdev_device_group("/nonexistent/parport9"), "lp");
}

TEST(PpdevPortIo, APortThatCannotBeUsedSaysWhyAndWhatToDo) {
    const auto notAPort = std::filesystem::temp_directory_path() / "kpr-not-a-parport";
    std::ofstream(notAPort) << "x";
    for (const auto& [device, base, error] : {
             std::tuple{std::string("/nonexistent/parport9"), 0x378,
                        std::string("/nonexistent/parport9: no such parallel port (is the ppdev "
                                    "driver loaded? sudo modprobe ppdev)")},
             {notAPort.string(), 0x378, notAPort.string() + ": not a parallel port"},
             {std::string("/dev/parport3"), 0x278, std::string()}, // not in use: nothing to say
         }) {
        PpdevPortIo io(device);
        EXPECT_FALSE(io.open(static_cast<uint16_t>(base)));
        EXPECT_FALSE(io.is_open());
        EXPECT_EQ(io.error(), error);
    }
    std::filesystem::remove(notAPort);
    EXPECT_EQ(ppdev_error_text("/dev/parport0", EACCES, "lp"),
              "/dev/parport0: permission denied; join the group 'lp' (sudo usermod -aG lp "
              "$USER) and log in again");
    EXPECT_NE(ppdev_error_text("/dev/parport0", EBUSY, "lp").find("in use"), std::string::npos);

    PpdevPortIo closed; // register calls on a closed port fail without harm
    closed.write_data(0xFC);
    EXPECT_EQ(closed.read_status(), 0);
    EXPECT_FALSE(closed.error().empty());
}

} // namespace
} // namespace kpr
