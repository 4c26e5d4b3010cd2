// The in-memory backend answers as the platform registry does where the registry class
// depends on it.
#include "registry/memory_registry.h"
#include "registry/registry_access.h"
#include "registry/serial_comm_key.h"

#include <gtest/gtest.h>

namespace kpr {
namespace {

TEST(InMemoryRegistry, ResultCodesOfKeysAndEnumeration) {
    InMemoryRegistry r;
    HKey k = 0;
    ASSERT_EQ(r.createKey(HKeyCurrentUser, "Software\\Beta\\Child", k), reg::Success);
    ASSERT_EQ(r.closeKey(k), reg::Success);
    ASSERT_EQ(r.createKey(HKeyCurrentUser, "software\\alpha", k), reg::Success);
    ASSERT_EQ(r.closeKey(k), reg::Success);

    // Names match in any letter case and keep the case they were created with; sub-keys
    // come in name order; the end of the list is 259.
    ASSERT_EQ(r.openKey(HKeyCurrentUser, "SOFTWARE", reg::ReadAccess, k), reg::Success);
    std::string name;
    EXPECT_EQ(r.enumKey(k, 0, name), reg::Success);
    EXPECT_EQ(name, "alpha");
    EXPECT_EQ(r.enumKey(k, 1, name), reg::Success);
    EXPECT_EQ(name, "Beta");
    EXPECT_EQ(r.enumKey(k, 2, name), reg::NoMoreItems);
    r.closeKey(k);

    EXPECT_EQ(r.openKey(HKeyCurrentUser, "Software\\Gamma", reg::ReadAccess, k), reg::FileNotFound);
    EXPECT_EQ(r.openKey(HKeyCurrentUser, "\\Software", reg::ReadAccess, k), reg::BadPathName);
    EXPECT_EQ(r.openKey(HKeyCurrentUser, "Software\\\\Beta", reg::ReadAccess, k), reg::BadPathName);
    EXPECT_EQ(r.openKey(0, "Software", reg::ReadAccess, k), reg::InvalidHandle);
    EXPECT_EQ(r.createKey(HKeyCurrentUser, std::string(256, 'n'), k), reg::InvalidParameter);
    std::string deep = "d";
    for (int i = 1; i < reg::MaxKeyDepth + 1; ++i)
        deep += "\\d";
    EXPECT_EQ(r.createKey(HKeyCurrentUser, deep, k), reg::InvalidParameter);
    EXPECT_EQ(r.closeKey(0x12345), reg::InvalidHandle);

    // A key with sub-keys is not deleted; a handle to a deleted key answers 1018.
    EXPECT_EQ(r.deleteKey(HKeyCurrentUser, "Software\\Beta"), reg::AccessDenied);
    ASSERT_EQ(r.openKey(HKeyCurrentUser, "Software\\Beta\\Child", reg::AllAccess, k), reg::Success);
    EXPECT_EQ(r.deleteKey(HKeyCurrentUser, "Software\\Beta\\Child"), reg::Success);
    EXPECT_EQ(r.enumKey(k, 0, name), reg::KeyDeleted);
    r.closeKey(k);
    EXPECT_EQ(r.deleteKey(HKeyCurrentUser, ""), reg::AccessDenied);
    EXPECT_EQ(r.openHandleCount(), 0u);
}

TEST(InMemoryRegistry, QueryReportsSizeAndTerminatesStrings) {
    InMemoryRegistry r;
    HKey k = 0;
    ASSERT_EQ(r.createKey(HKeyCurrentUser, "K", k), reg::Success);
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    ASSERT_EQ(r.setValue(k, "s", reg::TypeString, abc), reg::Success);
    ASSERT_EQ(r.setValue(k, "b", reg::TypeBinary, abc), reg::Success);

    RegValueQuery q;
    EXPECT_EQ(r.queryValue(k, "S", std::nullopt, q), reg::Success);
    EXPECT_EQ(q.type, reg::TypeString);
    EXPECT_EQ(q.size, 4u);
    EXPECT_TRUE(q.data.empty());
    EXPECT_EQ(r.queryValue(k, "s", 3u, q), reg::MoreData);
    EXPECT_EQ(q.size, 4u);
    EXPECT_EQ(r.queryValue(k, "s", 4u, q), reg::Success);
    EXPECT_EQ(q.data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
    EXPECT_EQ(r.queryValue(k, "b", 3u, q), reg::Success);
    EXPECT_EQ(q.data.size(), 3u);
    EXPECT_EQ(r.queryValue(k, "missing", 10u, q), reg::FileNotFound);

    // Enumeration hands back the bytes as stored, values in the order first set.
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(r.enumValue(k, 0, name, type, data), reg::Success);
    EXPECT_EQ(name, "s");
    EXPECT_EQ(data.size(), 3u);
    EXPECT_EQ(r.enumValue(k, 2, name, type, data), reg::NoMoreItems);
    EXPECT_EQ(r.deleteValue(k, "B"), reg::Success);
    EXPECT_EQ(r.deleteValue(k, "b"), reg::FileNotFound);
    r.closeKey(k);
}

TEST(InMemoryRegistry, ReadOnlyKeyRefusesEveryChange) {
    InMemoryRegistry r;
    ASSERT_TRUE(r.setReadOnly(HKeyLocalMachine, "Locked", true));
    HKey k = 0;
    EXPECT_EQ(r.openKey(HKeyLocalMachine, "Locked", reg::AllAccess, k), reg::AccessDenied);
    EXPECT_EQ(r.openKey(HKeyLocalMachine, "Locked", reg::WriteAccess, k), reg::AccessDenied);
    ASSERT_EQ(r.openKey(HKeyLocalMachine, "Locked", reg::MaximumAllowed, k), reg::Success);
    const std::uint8_t one[] = {1};
    EXPECT_EQ(r.setValue(k, "v", reg::TypeBinary, one), reg::AccessDenied);
    r.closeKey(k);
    EXPECT_EQ(r.createKey(HKeyLocalMachine, "Locked\\Child", k), reg::AccessDenied);
    EXPECT_EQ(r.deleteKey(HKeyLocalMachine, "Locked"), reg::AccessDenied);
    EXPECT_EQ(r.openHandleCount(), 0u);
}

TEST(SerialCommKey, ListsThePortsOfTheMomentReadOnly) {
    std::vector<std::string> ports = {"/dev/ttyUSB0", "COM3"};
    auto registry = makeSystemRegistry([&ports] { return ports; });
    clsRegistryAccess ra(*registry);

    std::vector<std::string> names, values;
    ASSERT_EQ(ra.EnumValues(SerialCommKeyPath, names, values), 2);
    EXPECT_EQ(values, (std::vector<std::string>{"/dev/ttyUSB0", "COM3"}));
    EXPECT_EQ(names[0], "\\Device\\Serial0");

    ports = {"COM3", "COM12", "/dev/ttyACM1"};
    ASSERT_EQ(ra.EnumValues(SerialCommKeyPath, names, values), 3);
    EXPECT_EQ(values, ports);
    ports.clear();
    EXPECT_EQ(ra.EnumValues(SerialCommKeyPath, names, values), 0);
    EXPECT_TRUE(values.empty());

    // The key belongs to the system: it counts as absent for KeyExists and nothing changes it.
    EXPECT_FALSE(ra.KeyExists(SerialCommKeyPath));
    EXPECT_EQ(ra.WriteString(SerialCommKeyPath, "x", "COM9"), 0u);
    EXPECT_EQ(ra.KillKey(SerialCommKeyPath), 0u);
    EXPECT_EQ(ra.CreateKey("HKLM\\HARDWARE\\DEVICEMAP\\OTHER"), 0u);
    EXPECT_EQ(registry->openHandleCount(), 0u);
}

TEST(SerialCommKey, OneEnumerationSeesOneList) {
    // Each look at the system gives a different list; the values read back name by name while
    // the enumeration runs must still come from the list the enumeration started with.
    int calls = 0;
    auto registry = makeSystemRegistry([&calls] {
        ++calls;
        std::vector<std::string> list;
        for (int i = 0; i < calls + 1; ++i)
            list.push_back("COM" + std::to_string(calls * 10 + i));
        return list;
    });
    clsRegistryAccess ra(*registry);
    std::vector<std::string> names, values;
    const int before = calls;
    ASSERT_EQ(ra.EnumValues(SerialCommKeyPath, names, values), before + 2);
    for (int i = 0; i < before + 2; ++i)
        EXPECT_EQ(values[i], "COM" + std::to_string((before + 1) * 10 + i));
}

} // namespace
} // namespace kpr
