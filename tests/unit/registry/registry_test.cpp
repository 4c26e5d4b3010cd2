// The in-memory registry (it must answer as the platform's does where the registry class
// depends on it), the registry class on top of it, and the read-only list of serial ports.
#include "registry/memory_registry.h"
#include "registry/registry_access.h"
#include "registry/serial_comm_key.h"

#include <gtest/gtest.h>

#include <functional>

namespace kpr {
namespace {

// Result codes, one call after the other on the same registry.
TEST(InMemoryRegistry, ResultCodes) {
    InMemoryRegistry r;
    const HKey cu = HKeyCurrentUser, lm = HKeyLocalMachine;
    HKey k = 0, sw = 0;
    std::string name;
    ASSERT_EQ(r.createKey(cu, "Software\\Beta\\Child", k) | r.closeKey(k), reg::Success);
    ASSERT_EQ(r.createKey(cu, "software\\alpha", k) | r.closeKey(k), reg::Success);
    // Names match in any case and keep the case they were made with; sub-keys in name order.
    ASSERT_EQ(r.openKey(cu, "SOFTWARE", reg::ReadAccess, sw), reg::Success);
    EXPECT_EQ(r.enumKey(sw, 0, name), reg::Success);
    EXPECT_EQ(name, "alpha");
    EXPECT_EQ(r.enumKey(sw, 1, name), reg::Success);
    EXPECT_EQ(name, "Beta");
    EXPECT_EQ(r.enumKey(sw, 2, name), reg::NoMoreItems);
    EXPECT_EQ(r.closeKey(sw), reg::Success);
    EXPECT_EQ(r.openKey(cu, "Software\\Gamma", reg::ReadAccess, k), reg::FileNotFound);
    EXPECT_EQ(r.openKey(cu, "\\Software", reg::ReadAccess, k), reg::BadPathName);
    EXPECT_EQ(r.openKey(cu, "Software\\\\Beta", reg::ReadAccess, k), reg::BadPathName);
    EXPECT_EQ(r.openKey(0, "Software", reg::ReadAccess, k), reg::InvalidHandle);
    EXPECT_EQ(r.createKey(cu, std::string(256, 'n'), k), reg::InvalidParameter);
    std::string deep = "d";
    for (int i = 0; i < reg::MaxKeyDepth; ++i)
        deep += "\\d";
    EXPECT_EQ(r.createKey(cu, deep, k), reg::InvalidParameter);
    EXPECT_EQ(r.closeKey(0x12345), reg::InvalidHandle);
    // A key with sub-keys is not deleted; a handle to a deleted key answers so.
    EXPECT_EQ(r.deleteKey(cu, "Software\\Beta"), reg::AccessDenied);
    EXPECT_EQ(r.deleteKey(cu, ""), reg::AccessDenied);
    ASSERT_EQ(r.openKey(cu, "Software\\Beta\\Child", reg::AllAccess, k), reg::Success);
    EXPECT_EQ(r.deleteKey(cu, "Software\\Beta\\Child"), reg::Success);
    EXPECT_EQ(r.enumKey(k, 0, name), reg::KeyDeleted);
    r.closeKey(k);

    // A string's size counts the zero the query adds; bytes come back as stored.
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    ASSERT_EQ(r.createKey(cu, "K", k), reg::Success);
    ASSERT_EQ(r.setValue(k, "s", reg::TypeString, abc) | r.setValue(k, "b", reg::TypeBinary, abc),
              reg::Success);
    RegValueQuery q;
    EXPECT_EQ(r.queryValue(k, "S", std::nullopt, q), reg::Success);
    EXPECT_EQ(q.size, 4u);
    EXPECT_EQ(r.queryValue(k, "s", 3u, q), reg::MoreData);
    EXPECT_EQ(r.queryValue(k, "s", 4u, q), reg::Success);
    EXPECT_EQ(q.data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
    EXPECT_EQ(r.queryValue(k, "b", 3u, q), reg::Success);
    EXPECT_EQ(q.data.size(), 3u);
    EXPECT_EQ(r.queryValue(k, "missing", 10u, q), reg::FileNotFound);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(r.enumValue(k, 0, name, type, data), reg::Success); // in the order first set
    EXPECT_EQ(name + std::to_string(data.size()), "s3");
    EXPECT_EQ(r.enumValue(k, 2, name, type, data), reg::NoMoreItems);
    EXPECT_EQ(r.deleteValue(k, "B"), reg::Success);
    EXPECT_EQ(r.deleteValue(k, "b"), reg::FileNotFound);
    r.closeKey(k);

    // A read-only key opens only for reading and refuses every change.
    ASSERT_TRUE(r.setReadOnly(lm, "Locked", true));
    EXPECT_EQ(r.openKey(lm, "Locked", reg::AllAccess, k), reg::AccessDenied);
    EXPECT_EQ(r.openKey(lm, "Locked", reg::WriteAccess, k), reg::AccessDenied);
    ASSERT_EQ(r.openKey(lm, "Locked", reg::MaximumAllowed, k), reg::Success);
    EXPECT_EQ(r.setValue(k, "v", reg::TypeBinary, abc), reg::AccessDenied);
    r.closeKey(k);
    EXPECT_EQ(r.createKey(lm, "Locked\\Child", k), reg::AccessDenied);
    EXPECT_EQ(r.deleteKey(lm, "Locked"), reg::AccessDenied);
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
        for (int i = 0; i < n % 3; ++i) {
            EXPECT_EQ(names[i], "\\Device\\Serial" + std::to_string(i));
            EXPECT_EQ(values[i], "COM" + std::to_string(n * 10 + i));
        }
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
    } rows[] = {
        {"HKEY_LOCAL_MACHINE\\HARDWARE", HKeyLocalMachine, "HARDWARE"},
        {"hklm\\HARDWARE", HKeyLocalMachine, "HARDWARE"},
        {"hkey_local_machine\\HARDWARE", HKeyLocalMachine, "HARDWARE"},
        {"HKEY_USERS\\x", HKeyUsers, "x"},
        {"HKEY_DYN_DATA\\x", HKeyDynData, "x"},
        {"HKCC\\x", HKeyCurrentConfig, "x"},
        {"HKU\\Software", 0, nullptr}, // no abbreviation: the root would be "HKU\"
        {"hkcu", HKeyCurrentUser, ""}, // no backslash: the key is the root itself
        {"HKCUX", 0, nullptr},
        {"HKCUX\\foo", HKeyCurrentUser, nullptr}, // four characters before the backslash
        {"HKCU\\Software\\My hkey_users key", HKeyCurrentUser, "Software\\My HKUS key"},
    };
    for (const auto& r : rows) {
        const auto kp = clsRegistryAccess::ParseKeyPath(r.path);
        EXPECT_EQ(kp.root, r.root) << r.path;
        if (r.subKey) {
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
    EXPECT_EQ(ra.EnumKeys("HKCU\\Software\\App", keys), -1);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(ra.HaveSubkey("HKCU\\Software\\App"));
    EXPECT_NE(ra.CreateKey("HKCU\\Software\\App\\b"), 0u);
    EXPECT_NE(ra.CreateKey("HKCU\\Software\\App\\A\\deep"), 0u);
    EXPECT_TRUE(ra.KeyExists("hkcu\\software\\app\\a"));
    EXPECT_EQ(ra.EnumKeys("HKCU\\Software\\App", keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"A", "b"}));
    EXPECT_TRUE(ra.HaveSubkey("HKCU\\Software\\App"));
    EXPECT_FALSE(ra.HaveSubkey("HKCU\\Software\\App\\b"));
    // The whole branch goes, sub-keys and values included; a root never.
    ASSERT_NE(ra.WriteDWORD("HKCU\\Software\\App\\A\\deep", "n", 5), 0u);
    EXPECT_NE(ra.KillKey("HKCU\\Software\\App\\"), 0u);
    EXPECT_FALSE(ra.KeyExists("HKCU\\Software\\App"));
    EXPECT_EQ(ra.KillKey("HKCU\\Software\\App"), 0u);
    EXPECT_EQ(ra.KillKey("HKCU"), 0u);
    EXPECT_TRUE(ra.KeyExists("HKCU\\Software"));
    // HKU reaches nothing; a key whose name holds a full root name exists but is not reached.
    EXPECT_EQ(ra.WriteString("HKU\\Software", "v", "x"), 0u);
    EXPECT_EQ(ra.CreateKey("HKU\\Software"), 0u);
    HKey k = 0;
    ASSERT_EQ(backend.createKey(HKeyCurrentUser, "Software\\HKEY_USERS copy", k), reg::Success);
    backend.closeKey(k);
    EXPECT_FALSE(ra.KeyExists("HKCU\\Software\\HKEY_USERS copy"));
    ASSERT_NE(ra.CreateKey("HKCU\\Software\\HKEY_USERS copy"), 0u);
    EXPECT_EQ(ra.EnumKeys("HKCU\\Software", keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"HKEY_USERS copy", "HKUS copy"}));
    // "@" names the default value; a root is a key of its own.
    ASSERT_NE(ra.WriteString("HKCU", "@", "root default"), 0u);
    EXPECT_EQ(ra.ReadString("HKEY_CURRENT_USER", ""), "root default");
}

// Each row writes one value into a key of its own and reads it back ("dflt" or 42: none).
TEST_F(RegistryAccess, ValuesWrittenAndReadBack) {
    const std::string big = clsRegistryAccess::BinToStr(std::string(1000, '\x5A'));
    const struct {
        char type; // 's' string, 'd' dword, 'b' binary
        std::string in;
        bool written; // false: refused, not even the key is made
        std::string out;
    } rows[] = {
        {'s', "C:\\Path with blanks ", true, "C:\\Path with blanks "},
        {'s', "  lead", true, "lead"}, // the read trims the front
        {'s', "", true, ""},
        {'s', std::string(254, 'x'), true, std::string(254, 'x')},
        {'s', std::string(255, 'x'), true, "dflt"}, // the 255-byte buffer needs room for a zero
        {'d', "-1", true, "-1"},
        {'d', "2147483647", true, "2147483647"},
        {'b', "01 0a ff", true, "01 0A FF"},
        {'b', "7F", true, "7F"},
        {'b', "", true, ""},
        {'b', big, true, big.substr(1)},
        {'b', "ABC", false, "dflt"},
        {'b', "0G", false, "dflt"},
    };
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

TEST_F(RegistryAccess, StringsStoredBareEnumeratedByType) {
    const std::string key = "HKCU\\Mixed";
    ASSERT_NE(ra.WriteString(key, "s", " text "), 0u);
    ASSERT_NE(ra.WriteDWORD(key, "d", -7), 0u);
    ASSERT_NE(ra.WriteBinary(key, "b", "00 10"), 0u);
    ASSERT_NE(ra.WriteBinary(key, "e", ""), 0u);
    HKey k = 0;
    ASSERT_EQ(backend.openKey(HKeyCurrentUser, "Mixed", reg::AllAccess, k), reg::Success);
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_EQ(backend.enumValue(k, 0, name, type, data), reg::Success);
    EXPECT_EQ(data.size(), 6u); // as many bytes as characters, no zero
    const std::uint8_t other[] = {1, 2};
    ASSERT_EQ(backend.setValue(k, " x ", 7, other), reg::Success);
    backend.closeKey(k);

    std::vector<std::string> names, values;
    ASSERT_EQ(ra.EnumValues(key, names, values), 5);
    EXPECT_EQ(names, (std::vector<std::string>{"s", "d", "b", "e", "x"}));
    EXPECT_EQ(values, (std::vector<std::string>{"text ", "-7", "00 10", "", ""}));
    EXPECT_EQ(ra.EnumValues(key, names, values, reg::TypeBinary), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "e"}));
    EXPECT_EQ(ra.EnumValues("HKCU\\Nothing", names, values), -1);
    EXPECT_EQ(names.size(), 2u); // left as they were

    // Deleting succeeds when the key opens, whether or not the value was there.
    EXPECT_TRUE(ra.ValueExists(key, "S"));
    EXPECT_NE(ra.KillValue(key, "s"), 0u);
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
    EXPECT_EQ(ra.WriteString(key, "d", "new"), 0u);
    EXPECT_EQ(ra.KillValue(key, "d"), 0u);
    EXPECT_EQ(ra.KillKey(key), 0u);
}

TEST(HexText, ConversionsBothWays) {
    using RA = clsRegistryAccess;
    EXPECT_EQ(RA::StrToBin("0A 00 ff"), std::string("\x0A\x00\xFF", 3));
    EXPECT_EQ(RA::BinToStr(std::string("\x0A\x00\xFF", 3)), " 0A 00 FF");
    EXPECT_EQ(RA::BinToStr(""), "");
    EXPECT_EQ(RA::StrToBin("   "), "");
    EXPECT_EQ(RA::StrToBin("0102\t"), std::string("\x01\x02\x00", 3));
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    EXPECT_EQ(RA::StrToBin(RA::BinToStr(all)), all);
    const std::pair<const char*, bool> valid[] = {{"0a Ff", true}, {"ABC", true}, {"", false},
                                                  {"  ", false},   {"0G", false}, {"01,02", false}};
    for (const auto& [text, ok] : valid)
        EXPECT_EQ(RA::isBinValid(text), ok) << text;
}

} // namespace
} // namespace kpr
