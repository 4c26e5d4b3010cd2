// The in-memory registry (it must answer as the platform's does where the registry class
// depends on it), the registry class on top of it, and the read-only list of serial ports.
#include "registry/memory_registry.h"
#include "registry/registry_access.h"
#include "registry/serial_comm_key.h"

#include <gtest/gtest.h>

namespace kpr {
namespace {

TEST(InMemoryRegistry, ResultCodes) {
    InMemoryRegistry r;
    const HKey cu = HKeyCurrentUser;
    HKey k = 0, sw = 0;
    std::string a, deep = "d";
    for (int i = 0; i < reg::MaxKeyDepth; ++i)
        deep += "\\d";
    ASSERT_EQ(r.createKey(cu, "Software\\Beta\\Child", k) | r.closeKey(k), reg::Success);
    ASSERT_EQ(r.createKey(cu, "software\\alpha", k) | r.closeKey(k), reg::Success);
    // Names match in any case and keep the case they were made with.
    ASSERT_EQ(r.openKey(cu, "SOFTWARE", reg::ReadAccess, sw), reg::Success);
    EXPECT_EQ(r.enumKey(sw, 1, a), reg::Success);
    EXPECT_EQ(a, "Beta");
    r.closeKey(sw);
    EXPECT_EQ(r.openKey(cu, "Software\\Gamma", reg::ReadAccess, k), reg::FileNotFound);
    EXPECT_EQ(r.openKey(cu, "\\Software", reg::ReadAccess, k), reg::BadPathName);
    EXPECT_EQ(r.openKey(cu, "Software\\\\Beta", reg::ReadAccess, k), reg::BadPathName);
    EXPECT_EQ(r.openKey(0, "Software", reg::ReadAccess, k), reg::InvalidHandle);
    EXPECT_EQ(r.createKey(cu, std::string(256, 'n'), k), reg::InvalidParameter);
    EXPECT_EQ(r.createKey(cu, deep, k), reg::InvalidParameter);
    EXPECT_EQ(r.closeKey(0x12345), reg::InvalidHandle);
    // A key with sub-keys is not deleted; a handle to a deleted key answers so.
    EXPECT_EQ(r.deleteKey(cu, "Software\\Beta"), reg::AccessDenied);
    EXPECT_EQ(r.deleteKey(cu, ""), reg::AccessDenied);
    ASSERT_EQ(r.openKey(cu, "Software\\Beta\\Child", reg::AllAccess, k), reg::Success);
    EXPECT_EQ(r.deleteKey(cu, "Software\\Beta\\Child"), reg::Success);
    EXPECT_EQ(r.enumKey(k, 0, a), reg::KeyDeleted);
    r.closeKey(k);
    // A read-only key opens only for reading.
    ASSERT_TRUE(r.setReadOnly(HKeyLocalMachine, "Locked", true));
    EXPECT_EQ(r.openKey(HKeyLocalMachine, "Locked", reg::WriteAccess, k), reg::AccessDenied);
    EXPECT_EQ(r.createKey(HKeyLocalMachine, "Locked\\Child", k), reg::AccessDenied);
    EXPECT_EQ(r.openHandleCount(), 0u);
}

TEST(SerialCommKey, ListsThePortsOfTheMomentReadOnly) {
    int calls = 0;
    auto registry = makeSystemRegistry([&] {
        std::vector<std::string> list; // a different list at every look
        for (int i = 0; i < calls % 3; ++i)
            list.push_back("COM" + std::to_string(calls * 10 + i));
        ++calls;
        return list;
    });
    clsRegistryAccess ra(*registry);
    std::vector<std::string> names, values;
    for (int round = 0; round < 3; ++round) {
        // One enumeration looks once: the values it reads name by name come from that list.
        const int n = calls;
        ASSERT_EQ(ra.EnumValues(SerialCommKeyPath, names, values), n % 3);
        for (int i = 0; i < n % 3; ++i)
            EXPECT_EQ(names[i] + "=" + values[i],
                      "\\Device\\Serial" + std::to_string(i) + "=COM" + std::to_string(n * 10 + i));
    }
    // The key belongs to the system: it counts as absent for KeyExists and nothing changes it.
    EXPECT_FALSE(ra.KeyExists(SerialCommKeyPath));
    EXPECT_EQ(ra.WriteString(SerialCommKeyPath, "x", "COM9"), 0u);
    EXPECT_EQ(ra.KillKey(SerialCommKeyPath), 0u);
    EXPECT_EQ(ra.CreateKey("HKLM\\HARDWARE\\DEVICEMAP\\OTHER"), 0u);
    EXPECT_EQ(registry->openHandleCount(), 0u);
}

TEST(ParseKeyPath, RootNamesAndTheirQuirks) {
    const struct {
        const char* path;
        HKey root;
        const char* subKey;
    } rows[] = {{"HKEY_LOCAL_MACHINE\\HARDWARE", HKeyLocalMachine, "HARDWARE"},
                {"hkey_local_machine\\x", HKeyLocalMachine, "x"},
                {"hklm\\x", HKeyLocalMachine, "x"},
                {"HKCC\\x", HKeyCurrentConfig, "x"},
                {"HKU\\x", 0, "x"},                 // no abbreviation: the root would be "HKU\"
                {"hkcu", HKeyCurrentUser, ""},      // no backslash: the key is the root itself
                {"HKCUX\\x", HKeyCurrentUser, "x"}, // four characters count
                {"HKCU\\My hkey_users key", HKeyCurrentUser, "My HKUS key"}};
    for (const auto& r : rows) {
        const auto kp = clsRegistryAccess::ParseKeyPath(r.path);
        EXPECT_EQ(kp.root, r.root) << r.path;
        if (r.root) {
            EXPECT_EQ(kp.subKey, r.subKey) << r.path;
        }
    }
}

class RegistryAccess : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(backend.openHandleCount(), 0u) << "key handle leaked"; }
    InMemoryRegistry backend;
    clsRegistryAccess ra{backend};
};

TEST_F(RegistryAccess, KeysCreateListAndDelete) {
    std::vector<std::string> keys = {"stale"};
    EXPECT_EQ(ra.EnumKeys("HKCU\\App", keys), -1);
    EXPECT_TRUE(keys.empty());
    EXPECT_NE(ra.CreateKey("HKCU\\App\\b"), 0u);
    EXPECT_NE(ra.CreateKey("HKCU\\App\\A\\deep"), 0u);
    EXPECT_TRUE(ra.KeyExists("hkcu\\app\\a"));
    EXPECT_EQ(ra.EnumKeys("HKCU\\App", keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"A", "b"}));
    EXPECT_TRUE(ra.HaveSubkey("HKCU\\App"));
    EXPECT_FALSE(ra.HaveSubkey("HKCU\\App\\b"));
    // The whole branch goes, sub-keys and values included; a root never.
    ASSERT_NE(ra.WriteDWORD("HKCU\\App\\A\\deep", "n", 5), 0u);
    EXPECT_NE(ra.KillKey("HKCU\\App\\"), 0u);
    EXPECT_FALSE(ra.KeyExists("HKCU\\App"));
    EXPECT_EQ(ra.KillKey("HKCU\\App"), 0u);
    EXPECT_EQ(ra.KillKey("HKCU"), 0u);
    EXPECT_EQ(ra.CreateKey("HKU\\Software"), 0u);
    // "@" names the default value; a root is a key of its own.
    ASSERT_NE(ra.WriteString("HKCU", "@", "root default"), 0u);
    EXPECT_EQ(ra.ReadString("HKEY_CURRENT_USER", ""), "root default");
}

// Each row writes one value into a key of its own and reads it back ("dflt" or 42: none).
TEST_F(RegistryAccess, ValuesWrittenAndReadBack) {
    std::string all; // every byte value, 4 times
    for (int i = 0; i < 1024; ++i)
        all += static_cast<char>(i);
    const std::string big = clsRegistryAccess::BinToStr(all);
    const struct {
        char type; // 's' string, 'd' dword, 'b' binary
        std::string in;
        bool written; // false: refused, not even the key is made
        std::string out;
    } rows[] = {{'s', "C:\\Path with blanks ", true, "C:\\Path with blanks "},
                {'s', "  lead", true, "lead"}, // the read trims the front
                {'s', std::string(254, 'x'), true, std::string(254, 'x')},
                {'s', std::string(255, 'x'), true, "dflt"}, // no room for the zero in 255
                {'d', "-1", true, "-1"},
                {'b', "01 0a ff", true, "01 0A FF"},
                {'b', "", true, ""},
                {'b', big, true, big.substr(1)},
                {'b', "ABC", false, "dflt"},
                {'b', "0G", false, "dflt"}};
    int n = 0;
    for (const auto& r : rows) {
        const std::string key = "HKCU\\V" + std::to_string(++n);
        HKey written = 0;
        std::string got;
        if (r.type == 's') {
            written = ra.WriteString(key, "v", r.in);
            got = ra.ReadString(key, "v", "dflt");
        } else if (r.type == 'd') {
            written = ra.WriteDWORD(key, "v", std::stoi(r.in));
            got = std::to_string(ra.ReadDWORD(key, "v", 42));
        } else {
            written = ra.WriteBinary(key, "v", r.in);
            got = ra.ReadBinary(key, "v", "dflt");
        }
        EXPECT_EQ(written != 0, r.written) << n;
        EXPECT_EQ(ra.KeyExists(key), r.written) << n;
        EXPECT_EQ(got, r.out) << n;
    }
}

TEST_F(RegistryAccess, EnumeratedByTypeDeletedAndLocked) {
    const std::string key = "HKCU\\Mixed";
    ASSERT_NE(ra.WriteString(key, "s", " text ") & ra.WriteDWORD(key, "d", -7), 0u);
    ASSERT_NE(ra.WriteBinary(key, "b", "00 10") & ra.WriteBinary(key, "e", ""), 0u);
    std::vector<std::string> names, values;
    ASSERT_EQ(ra.EnumValues(key, names, values), 4);
    EXPECT_EQ(names, (std::vector<std::string>{"s", "d", "b", "e"}));
    EXPECT_EQ(values, (std::vector<std::string>{"text ", "-7", "00 10", ""}));
    EXPECT_EQ(ra.EnumValues(key, names, values, reg::TypeBinary), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "e"}));
    EXPECT_EQ(ra.EnumValues("HKCU\\Nothing", names, values), -1);
    EXPECT_EQ(names.size(), 2u); // left as they were
    // Deleting succeeds when the key opens, whether or not the value was there.
    EXPECT_NE(ra.KillValue(key, "S"), 0u);
    EXPECT_FALSE(ra.ValueExists(key, "s"));
    EXPECT_NE(ra.KillValue(key, "s"), 0u);
    EXPECT_EQ(ra.KillValue("HKCU\\NoSuchKey", "v"), 0u);
    // A write makes its key only when allowed to; a read-only key counts as absent.
    ra.setCreateKeyIfDoesntExists(false);
    EXPECT_EQ(ra.WriteDWORD("HKCU\\New", "v", 1), 0u);
    EXPECT_FALSE(ra.KeyExists("HKCU\\New"));
    backend.setReadOnly(HKeyCurrentUser, "Mixed", true);
    EXPECT_FALSE(ra.KeyExists(key));
    EXPECT_EQ(ra.ReadDWORD(key, "d"), -7);
    EXPECT_EQ(ra.WriteString(key, "d", "new") | ra.KillValue(key, "d") | ra.KillKey(key), 0u);
}

} // namespace
} // namespace kpr
