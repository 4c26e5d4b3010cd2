// Key paths, key and value operations, enumeration and the hex conversions of the registry class.
#include "registry/memory_registry.h"
#include "registry/registry_access.h"

#include <gtest/gtest.h>

namespace kpr {
namespace {

class RegistryAccess : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(backend.openHandleCount(), 0u) << "key handle leaked"; }
    InMemoryRegistry backend;
    clsRegistryAccess ra{backend};
};

TEST(ParseKeyPath, RootNamesAndTheirQuirks) {
    using KP = clsRegistryAccess;
    EXPECT_EQ(KP::ParseKeyPath("HKEY_LOCAL_MACHINE\\HARDWARE").root, HKeyLocalMachine);
    EXPECT_EQ(KP::ParseKeyPath("hklm\\HARDWARE").root, HKeyLocalMachine);
    EXPECT_EQ(KP::ParseKeyPath("hkey_local_machine\\HARDWARE").subKey, "HARDWARE");
    EXPECT_EQ(KP::ParseKeyPath("HKEY_USERS\\x").root, HKeyUsers);
    EXPECT_EQ(KP::ParseKeyPath("HKEY_DYN_DATA\\x").root, HKeyDynData);
    EXPECT_EQ(KP::ParseKeyPath("HKCC\\x").root, HKeyCurrentConfig);
    // HKU is not an abbreviation: the root is the four characters "HKU\".
    EXPECT_EQ(KP::ParseKeyPath("HKU\\Software").root, 0u);
    // Without a backslash the whole path is the root, and the key is the root itself.
    const auto root = KP::ParseKeyPath("hkcu");
    EXPECT_EQ(root.root, HKeyCurrentUser);
    EXPECT_EQ(root.subKey, "");
    EXPECT_EQ(KP::ParseKeyPath("HKCUX").root, 0u);
    // Only the first four characters before the first backslash count.
    EXPECT_EQ(KP::ParseKeyPath("HKCUX\\foo").root, HKeyCurrentUser);
    // Full names are replaced anywhere in the path.
    EXPECT_EQ(KP::ParseKeyPath("HKCU\\Software\\My hkey_users key").subKey,
              "Software\\My HKUS key");
}

TEST_F(RegistryAccess, PathFormsAddressTheSameKey) {
    ASSERT_NE(ra.WriteString("HKEY_LOCAL_MACHINE\\HARDWARE", "v", "one"), 0u);
    EXPECT_EQ(ra.ReadString("hklm\\hardware", "v"), "one");
    ASSERT_NE(ra.WriteString("HKCU", "top", "root value"), 0u);
    EXPECT_EQ(ra.ReadString("HKEY_CURRENT_USER", "top"), "root value");

    EXPECT_EQ(ra.WriteString("HKU\\Software", "v", "x"), 0u);
    EXPECT_EQ(ra.CreateKey("HKU\\Software"), 0u);
    EXPECT_FALSE(ra.KeyExists("HKU\\Software"));
    EXPECT_EQ(ra.ReadString("HKU\\Software", "v", "dflt"), "dflt");

    // A key whose name holds a full root name exists but cannot be reached.
    HKey k = 0;
    ASSERT_EQ(backend.createKey(HKeyCurrentUser, "Software\\HKEY_USERS copy", k), reg::Success);
    backend.closeKey(k);
    EXPECT_FALSE(ra.KeyExists("HKCU\\Software\\HKEY_USERS copy"));
    ASSERT_NE(ra.CreateKey("HKCU\\Software\\HKEY_USERS copy"), 0u);
    std::vector<std::string> keys;
    EXPECT_EQ(ra.EnumKeys("HKCU\\Software", keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"HKEY_USERS copy", "HKUS copy"}));
}

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

    // The whole branch goes, sub-keys included.
    ASSERT_NE(ra.WriteDWORD("HKCU\\Software\\App\\A\\deep", "n", 5), 0u);
    EXPECT_NE(ra.KillKey("HKCU\\Software\\App\\"), 0u);
    EXPECT_FALSE(ra.KeyExists("HKCU\\Software\\App"));
    EXPECT_TRUE(ra.KeyExists("HKCU\\Software"));
    EXPECT_EQ(ra.KillKey("HKCU\\Software\\App"), 0u);

    // A root is never wiped.
    EXPECT_EQ(ra.KillKey("HKCU"), 0u);
    EXPECT_TRUE(ra.KeyExists("HKCU\\Software"));
}

TEST_F(RegistryAccess, ReadOnlyKeyCountsAsAbsentAndRefusesWrites) {
    ASSERT_NE(ra.WriteString("HKLM\\Vendor", "v", "kept"), 0u);
    backend.setReadOnly(HKeyLocalMachine, "Vendor", true);
    EXPECT_FALSE(ra.KeyExists("HKLM\\Vendor"));
    EXPECT_EQ(ra.ReadString("HKLM\\Vendor", "v"), "kept");
    EXPECT_TRUE(ra.ValueExists("HKLM\\Vendor", "v"));
    EXPECT_EQ(ra.WriteString("HKLM\\Vendor", "v", "new"), 0u);
    EXPECT_EQ(ra.KillValue("HKLM\\Vendor", "v"), 0u);
    EXPECT_EQ(ra.KillKey("HKLM\\Vendor"), 0u);
    EXPECT_EQ(ra.ReadString("HKLM\\Vendor", "v"), "kept");
}

TEST_F(RegistryAccess, WritesCreateTheKeyOnlyWhenAllowed) {
    ra.setCreateKeyIfDoesntExists(false);
    EXPECT_EQ(ra.WriteString("HKCU\\New", "v", "x"), 0u);
    EXPECT_EQ(ra.WriteDWORD("HKCU\\New", "v", 1), 0u);
    EXPECT_FALSE(ra.KeyExists("HKCU\\New"));
    ra.setCreateKeyIfDoesntExists(true);
    EXPECT_NE(ra.WriteDWORD("HKCU\\New", "v", 1), 0u);
    EXPECT_TRUE(ra.KeyExists("HKCU\\New"));
}

TEST_F(RegistryAccess, StringsAreStoredBareAndReadTrimmed) {
    const std::string key = "HKCU\\Strings";
    ASSERT_NE(ra.WriteString(key, "plain", "C:\\Path with blanks "), 0u);
    ASSERT_NE(ra.WriteString(key, "padded", "  lead"), 0u);
    ASSERT_NE(ra.WriteString(key, "empty", ""), 0u);
    ASSERT_NE(ra.WriteString(key, "@", "default"), 0u);

    // Stored as so many bytes as characters, no terminating zero.
    HKey k = 0;
    ASSERT_EQ(backend.openKey(HKeyCurrentUser, "Strings", reg::ReadAccess, k), reg::Success);
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_EQ(backend.enumValue(k, 0, name, type, data), reg::Success);
    backend.closeKey(k);
    EXPECT_EQ(type, reg::TypeString);
    EXPECT_EQ(data.size(), 20u);

    EXPECT_EQ(ra.ReadString(key, "plain"), "C:\\Path with blanks ");
    EXPECT_EQ(ra.ReadString(key, "padded"), "lead");
    EXPECT_EQ(ra.ReadString(key, "empty", "dflt"), "");
    EXPECT_EQ(ra.ReadString(key, ""), "default");
    EXPECT_EQ(ra.ReadString(key, "missing", "dflt"), "dflt");

    // The 255-byte buffer holds 254 characters and the terminating zero.
    ASSERT_NE(ra.WriteString(key, "254", std::string(254, 'x')), 0u);
    ASSERT_NE(ra.WriteString(key, "255", std::string(255, 'x')), 0u);
    EXPECT_EQ(ra.ReadString(key, "254"), std::string(254, 'x'));
    EXPECT_EQ(ra.ReadString(key, "255", "too long"), "too long");
}

TEST_F(RegistryAccess, NumbersAndBinaryValues) {
    const std::string key = "HKCU\\Values";
    ASSERT_NE(ra.WriteDWORD(key, "neg", -1), 0u);
    ASSERT_NE(ra.WriteDWORD(key, "big", 0x7FFFFFFF), 0u);
    EXPECT_EQ(ra.ReadDWORD(key, "neg"), -1);
    EXPECT_EQ(ra.ReadDWORD(key, "big"), 0x7FFFFFFF);
    EXPECT_EQ(ra.ReadDWORD(key, "missing", 42), 42);

    ASSERT_NE(ra.WriteBinary(key, "bin", "01 0a ff"), 0u);
    ASSERT_NE(ra.WriteBinary(key, "one", "7F"), 0u);
    ASSERT_NE(ra.WriteBinary(key, "none", ""), 0u);
    const std::string big = clsRegistryAccess::BinToStr(std::string(1000, '\x5A'));
    ASSERT_NE(ra.WriteBinary(key, "big", big), 0u);
    EXPECT_EQ(ra.ReadBinary(key, "bin"), "01 0A FF");
    EXPECT_EQ(ra.ReadBinary(key, "one"), "7F");
    EXPECT_EQ(ra.ReadBinary(key, "none", "dflt"), "");
    EXPECT_EQ(ra.ReadBinary(key, "big"), big.substr(1));
    EXPECT_EQ(ra.ReadBinary(key, "missing", "dflt"), "dflt");

    // Text that is not whole bytes of hex writes nothing, not even the key.
    EXPECT_EQ(ra.WriteBinary(key, "odd", "ABC"), 0u);
    EXPECT_EQ(ra.WriteBinary(key, "junk", "0G"), 0u);
    EXPECT_EQ(ra.WriteBinary("HKCU\\NotMade", "odd", "1"), 0u);
    EXPECT_FALSE(ra.ValueExists(key, "odd"));
    EXPECT_FALSE(ra.KeyExists("HKCU\\NotMade"));
}

TEST_F(RegistryAccess, DeletingValues) {
    const std::string key = "HKCU\\Kill";
    ASSERT_NE(ra.WriteString(key, "v", "x"), 0u);
    EXPECT_TRUE(ra.ValueExists(key, "V"));
    EXPECT_NE(ra.KillValue(key, "v"), 0u);
    EXPECT_FALSE(ra.ValueExists(key, "v"));
    // Success means the key opened, whether or not the value was there.
    EXPECT_NE(ra.KillValue(key, "v"), 0u);
    EXPECT_EQ(ra.KillValue("HKCU\\NoSuchKey", "v"), 0u);
}

TEST_F(RegistryAccess, EnumValuesByType) {
    const std::string key = "HKCU\\Mixed";
    ASSERT_NE(ra.WriteString(key, "s", " text "), 0u);
    ASSERT_NE(ra.WriteDWORD(key, "d", -7), 0u);
    ASSERT_NE(ra.WriteBinary(key, "b", "00 10"), 0u);
    ASSERT_NE(ra.WriteBinary(key, "e", ""), 0u);
    HKey k = 0;
    ASSERT_EQ(backend.openKey(HKeyCurrentUser, "Mixed", reg::AllAccess, k), reg::Success);
    const std::uint8_t other[] = {1, 2};
    ASSERT_EQ(backend.setValue(k, " x ", 7, other), reg::Success);
    backend.closeKey(k);

    std::vector<std::string> names, values;
    ASSERT_EQ(ra.EnumValues(key, names, values), 5);
    EXPECT_EQ(names, (std::vector<std::string>{"s", "d", "b", "e", "x"}));
    EXPECT_EQ(values, (std::vector<std::string>{"text ", "-7", "00 10", "", ""}));

    EXPECT_EQ(ra.EnumValues(key, names, values, reg::TypeDword), 1);
    EXPECT_EQ(values, std::vector<std::string>{"-7"});
    EXPECT_EQ(ra.EnumValues(key, names, values, reg::TypeBinary), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "e"}));

    // A key that does not open leaves the arrays as they were.
    EXPECT_EQ(ra.EnumValues("HKCU\\Nothing", names, values), -1);
    EXPECT_EQ(names.size(), 2u);
}

TEST(HexText, ConversionsBothWays) {
    const std::string bytes = clsRegistryAccess::StrToBin("0A 00 ff");
    EXPECT_EQ(bytes, std::string("\x0A\x00\xFF", 3));
    EXPECT_EQ(clsRegistryAccess::BinToStr(bytes), " 0A 00 FF");
    EXPECT_EQ(clsRegistryAccess::BinToStr(""), "");
    EXPECT_EQ(clsRegistryAccess::StrToBin("   "), "");
    EXPECT_EQ(clsRegistryAccess::StrToBin("0102\t"), std::string("\x01\x02\x00", 3));
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    EXPECT_EQ(clsRegistryAccess::StrToBin(clsRegistryAccess::BinToStr(all)), all);

    EXPECT_TRUE(clsRegistryAccess::isBinValid("0a Ff"));
    EXPECT_TRUE(clsRegistryAccess::isBinValid("ABC")); // digits only; the count is not checked
    EXPECT_FALSE(clsRegistryAccess::isBinValid(""));
    EXPECT_FALSE(clsRegistryAccess::isBinValid("  "));
    EXPECT_FALSE(clsRegistryAccess::isBinValid("0G"));
    EXPECT_FALSE(clsRegistryAccess::isBinValid("01,02"));
}

} // namespace
} // namespace kpr
