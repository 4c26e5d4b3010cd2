// The registry class on the in-memory registry: the serial-port key the link reads, values
// and keys, and REGEDIT4 export and import.
#include "registry/memory_registry.h"
#include "registry/registry_access.h"
#include "registry/serial_comm_key.h"
#include "support/recorders.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kpr {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& file) {
    std::ostringstream ss;
    ss << std::ifstream(file, std::ios::binary).rdbuf();
    return ss.str();
}

// A key path nested `depth` keys below HKCU.
std::string deepKey(int depth) {
    std::string key = "HKCU";
    for (int i = 0; i < depth; ++i)
        key += "\\d";
    return key;
}

class Registry : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(backend.openHandleCount(), 0u) << "key handle leaked"; }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string dumpAll() const {
        return backend.dump(HKeyCurrentUser) + backend.dump(HKeyLocalMachine);
    }
    test::ScratchDir scratch;
    const fs::path& dir = scratch.dir();
    InMemoryRegistry backend;
    clsRegistryAccess ra{backend};
};

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
    EXPECT_EQ(ra.WriteString(SerialCommKeyPath, "x", "COM9") | ra.KillKey(SerialCommKeyPath) |
                  ra.CreateKey("HKLM\\HARDWARE\\DEVICEMAP\\OTHER"),
              0u);
    EXPECT_EQ(registry->openHandleCount(), 0u);
}

TEST(ParseKeyPath, RootNamesAndTheirQuirks) {
    const struct {
        const char* path;
        HKey root;
        const char* subKey;
    } rows[] = {{"hkey_local_machine\\x", HKeyLocalMachine, "x"},
                {"hklm\\x", HKeyLocalMachine, "x"},
                {"HKCC\\x", HKeyCurrentConfig, "x"},
                {"HKU\\x", 0, ""},                  // no abbreviation: the root would be "HKU\"
                {"hkcu", HKeyCurrentUser, ""},      // no backslash: the key is the root itself
                {"HKCUX\\x", HKeyCurrentUser, "x"}, // four characters count
                {"HKCU\\My hkey_users key", HKeyCurrentUser, "My HKUS key"}};
    for (const auto& r : rows) {
        const auto kp = clsRegistryAccess::ParseKeyPath(r.path);
        EXPECT_EQ(kp.root, r.root) << r.path;
        EXPECT_EQ(r.root ? kp.subKey : "", r.subKey) << r.path;
    }
}

TEST_F(Registry, KeysAndValuesListedLockedAndDeleted) {
    std::vector<std::string> keys, names, values;
    ASSERT_NE(ra.CreateKey("HKCU\\App\\b") & ra.CreateKey("HKCU\\App\\A\\deep"), 0u);
    EXPECT_EQ(ra.EnumKeys("hkcu\\app", keys), 2); // names match in any case, keep their own
    EXPECT_EQ(keys, (std::vector<std::string>{"A", "b"}));
    const std::string key = "HKCU\\App\\A\\deep", x254(254, 'x');
    ASSERT_NE(ra.WriteString(key, "s", " text ") & ra.WriteDWORD(key, "d", -7) &
                  ra.WriteString(key, "254", x254) & ra.WriteString(key, "255", x254 + 'x') &
                  ra.WriteBinary(key, "b", "00 1a") & ra.WriteBinary(key, "e", ""),
              0u);
    // Binary text that is not whole bytes of hex digits writes nothing, not even the key.
    EXPECT_EQ(ra.WriteBinary(key, "x", "ABC") | ra.WriteBinary("HKCU\\Bad", "x", "0G"), 0u);
    EXPECT_FALSE(ra.ValueExists(key, "x") || ra.KeyExists("HKCU\\Bad"));
    // Strings trimmed in front, none with no room for their zero.
    ASSERT_EQ(ra.EnumValues(key, names, values), 6);
    EXPECT_EQ(names, (std::vector<std::string>{"s", "d", "254", "255", "b", "e"}));
    EXPECT_EQ(values, (std::vector<std::string>{"text ", "-7", x254, "", "00 1A", ""}));
    EXPECT_EQ(ra.EnumValues(key, names, values, reg::TypeBinary), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"b", "e"}));
    // A read-only key counts as absent and nothing changes it.
    backend.setReadOnly(HKeyCurrentUser, "App\\A\\deep", true);
    EXPECT_FALSE(ra.KeyExists(key));
    EXPECT_EQ(ra.ReadDWORD(key, "d"), -7);
    EXPECT_EQ(ra.WriteString(key, "d", "new") | ra.KillValue(key, "d") | ra.KillKey(key), 0u);
    // The whole branch goes, sub-keys and values included; a root never.
    backend.setReadOnly(HKeyCurrentUser, "App\\A\\deep", false);
    EXPECT_NE(ra.KillKey("HKCU\\App\\"), 0u);
    EXPECT_FALSE(ra.KeyExists("HKCU\\App"));
    EXPECT_EQ(ra.KillKey("HKCU\\App") | ra.KillKey("HKCU") | ra.CreateKey("HKU\\Software"), 0u);
    // Names of 1 to 255 characters, nested no deeper than the registry allows.
    EXPECT_NE(ra.CreateKey(deepKey(reg::MaxKeyDepth)) &
                  ra.CreateKey("HKCU\\" + std::string(255, 'n')),
              0u);
    EXPECT_EQ(ra.CreateKey(deepKey(reg::MaxKeyDepth + 1)) |
                  ra.CreateKey("HKCU\\" + std::string(256, 'n')) | ra.CreateKey("HKCU\\a\\\\b"),
              0u);
}

TEST_F(Registry, ExportWritesTheExactFormatAndImportsBack) {
    ASSERT_NE(ra.WriteDWORD("HKCU\\App", "count", 10), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App", "path", "C:\\Data\\pager"), 0u);
    ASSERT_NE(ra.WriteBinary("HKCU\\App", "bytes", "01 0A 0D FF"), 0u);
    ASSERT_NE(ra.WriteDWORD("HKCU\\App", "minus", INT32_MIN), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App", "@", "dflt"), 0u);
    ASSERT_NE(ra.WriteBinary("HKCU\\App\\Sub\\Deeper", "empty", ""), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App\\Also", "x", "y"), 0u);
    ASSERT_NE(ra.CreateKey("HKCU\\App\\Empty key"), 0u);

    test::RecordedProgress progress;
    ASSERT_EQ(ra.ExportToReg("hkcu\\App", path("app.reg"), true, &progress), 1);
    EXPECT_EQ(readFile(path("app.reg")),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\App]\r\n@=\"dflt\"\r\n"
              "\"path\"=\"C:\\Data\\pager\"\r\n\"bytes\"=hex:01,0A,0D,FF\r\n"
              "\"count\"=dword:0000000A\r\n\"minus\"=dword:80000000\r\n\r\n"
              "[HKEY_CURRENT_USER\\App\\Also]\r\n\"x\"=\"y\"\r\n\r\n"
              "[HKEY_CURRENT_USER\\App\\Empty key]\r\n\r\n[HKEY_CURRENT_USER\\App\\Sub]\r\n\r\n"
              "[HKEY_CURRENT_USER\\App\\Sub\\Deeper]\r\n\"empty\"=hex:\r\n\r\n");
    EXPECT_EQ(progress.status, "HKEY_CURRENT_USER\\App\\Sub\\Deeper"); // the key being written
    std::string text; // without sub-keys only the key itself
    ASSERT_EQ(ra.ExportToRegText("HKCU\\App\\Also", text), 1);
    EXPECT_EQ(text, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\App\\Also]\r\n\"x\"=\"y\"\r\n\r\n");

    InMemoryRegistry fresh;
    ASSERT_EQ(clsRegistryAccess(fresh).ImportFromReg(path("app.reg")), 1);
    ASSERT_EQ(clsRegistryAccess(fresh).ExportToRegText("HKCU\\App", text, true), 1);
    EXPECT_EQ(text, readFile(path("app.reg")));
    EXPECT_EQ(fresh.openHandleCount(), 0u);
}

// An export refused: an existing file is left alone, nothing is made for nothing, and a line
// break in a name or value never reaches the script (where it would start a line of its own).
TEST_F(Registry, RefusedExports) {
    std::ofstream(path("taken.reg")) << "keep me";
    const struct {
        std::string key, name, value, file;
        std::string left = "REGEDIT4\r\n\r\n"; // the file afterwards; "-": none
        int asText = 0;                        // what the export as text gives
    } rows[] = {
        {"HKCU\\App", "v", "x", "taken.reg", "keep me", 1},
        {"HKCU\\Missing", "", "", "none.reg", "-"},
        {"HKCU\\App", "v", "x", "no-such-dir/x.reg", "-", 1},
        {"HKCU\\App", "v", "x\r\n[-HKEY_CURRENT_USER\\Other]", "crlf.reg"},
        {"HKCU\\App", "v", "a\nb", "lf.reg"},
        {"HKCU\\App", "n\r\n", "x", "name.reg"},
    };
    for (const auto& r : rows) {
        InMemoryRegistry reg;
        clsRegistryAccess access(reg);
        if (!r.name.empty()) {
            ASSERT_NE(access.WriteString(r.key, r.name, r.value), 0u);
        }
        EXPECT_EQ(access.ExportToReg(r.key, path(r.file)), 0) << r.file;
        EXPECT_EQ(fs::exists(path(r.file)) ? readFile(path(r.file)) : "-", r.left) << r.file;
        std::string text;
        EXPECT_EQ(access.ExportToRegText(r.key, text), r.asText) << r.file;
    }
}

// Script lines (after REGEDIT4, joined with CR LF) -> the values of a key, as listed.
TEST_F(Registry, ImportRows) {
    const struct {
        std::vector<std::string> lines;
        const char* key;
        std::vector<std::string> values; // "name=value"
        const char* gone = nullptr;      // a key that must not exist afterwards
    } rows[] = {
        // Nothing is escaped; the line is trimmed before its quotes go.
        {{"[HKEY_CURRENT_USER\\T]", "\"back\"=\"a\\b\\\\c\"", "\"quote\"=\"say \"hi\"\"",
          "\"eq\"=\"a=b=c\"", "\"sp\"=\" v \""},
         "HKCU\\T",
         {"back=a\\b\\\\c", "quote=say hi", "eq=a", "sp=v "}},
        {{"[-HKEY_CURRENT_USER\\Old]", "\"ignored\"=\"after a deletion\"", "[-HKCU\\Never\\Was]",
          "[HKCU\\Keep]", "\"gone\"=-", "\"absent\"= - ", "\"  [-HKCU\\Keep]\""},
         "HKCU\\Keep",
         {"stay=x"},
         "HKCU\\Old"},
        {{"[HKCU\\D]", "@=\"text\"", "\"x\"=\"\""}, "HKCU\\D", {"=text", "x="}},
        {{"[HKCU\\D]", "@=\"text\"", "@=\"\"", "\"x\"=\"\""}, "HKCU\\D", {"x="}},
        {{"\"before\"=\"any key\"", "; comment", "[HKCU\\L]", "; \"c\"=\"x\"", "no equals sign", "",
          "  \"n1\"=dword:ffffffff  ", "\"n2\"=DWORD:1f zz", "\"n3\"=dword:",
          "\"n4\"=dword:000000000012", "\"b\"=HEX:0a, 0B ,0c", "\"s\"=hex(2):41,00"},
         "HKCU\\L",
         {"n1=-1", "n2=31", "n3=0", "n4=18", "b=0A 0B 0C", "s=hex(2):41,00"}},
    };
    for (const auto& r : rows) {
        InMemoryRegistry reg;
        clsRegistryAccess access(reg);
        ASSERT_NE(access.WriteString("HKCU\\Old\\Child", "v", "x"), 0u);
        ASSERT_NE(access.WriteString("HKCU\\Keep", "gone", "x"), 0u);
        ASSERT_NE(access.WriteString("HKCU\\Keep", "stay", "x"), 0u);
        access.setCreateKeyIfDoesntExists(false); // an import makes its keys all the same
        std::string text = "REGEDIT4\r\n";
        for (const auto& l : r.lines)
            text += l + "\r\n";
        ASSERT_EQ(access.ImportFromRegText(text), 1) << r.key;
        std::vector<std::string> names, values, got;
        access.EnumValues(r.key, names, values);
        for (size_t i = 0; i < names.size(); ++i)
            got.push_back(names[i] + "=" + values[i]);
        EXPECT_EQ(got, r.values) << r.key;
        EXPECT_FALSE(r.gone && access.KeyExists(r.gone)) << r.key;
        EXPECT_EQ(reg.openHandleCount(), 0u);
    }
}

// A script that cannot be applied as a whole as written changes nothing.
TEST_F(Registry, RefusedImportsChangeNothing) {
    ASSERT_NE(ra.WriteString("HKCU\\Existing", "v", "old"), 0u);
    backend.setReadOnly(HKeyLocalMachine, "Locked", true);
    const std::string before = dumpAll();
    const std::string good = "REGEDIT4\r\n[HKCU\\New]\r\n\"a\"=\"1\"\r\n";
    const std::vector<std::string> bad = {
        "REGEDIT5" + good.substr(8),
        " " + good,
        "REGEDIT4\n[HKCU\\New]\n\"a\"=\"1\"\n", // line feeds alone do not end lines
        good + "\"b\"=hex:01,0\r\n",
        good + "\"b\"=dword:123456789\r\n",
        good + "[\r\n",
        good + "[HKCU\\" + std::string(300, 'k') + "]\r\n\"a\"=\"1\"\r\n",
        good + "[" + deepKey(reg::MaxKeyDepth + 1) + "]\r\n",
        good + "\"b\"=hex:0" + std::string(1, '\0') + "\r\n",
        good + "[HKCU\\Cut",
        good + "[-HKCU\\Existing\r\n",
        good + "[HKEY_CU]\r\n",
        good + "[HKCU\\\\x]\r\n",
        good + "\"b\"=\"x\n[-HKCU\\Existing]\"\r\n", // a line break inside a value
        "REGEDIT4\r\n[HKLM\\Locked]\r\n\"v\"=\"x\"\r\n[HKCU\\After]\r\n\"v\"=\"x\"\r\n",
        "REGEDIT4\r\n[HKU\\Software]\r\n\"v\"=\"x\"\r\n",
        "REGEDIT4\r\n[-HKLM\\Locked]\r\n",
        "REGEDIT4\r\n[-HKCU]\r\n",
    };
    for (const auto& text : bad) {
        EXPECT_EQ(ra.ImportFromRegText(text), 0) << text.substr(0, 80);
        EXPECT_EQ(dumpAll(), before) << text.substr(0, 80);
    }
    EXPECT_EQ(ra.ImportFromReg(path("missing.reg")) | ra.ImportFromReg(dir.string()), 0);

    // Every cut of a good script either applies or changes nothing.
    ASSERT_NE(ra.WriteBinary("HKCU\\Src", "bin", "01 02 03"), 0u);
    ASSERT_NE(ra.WriteDWORD("HKCU\\Src\\Sub", "n", 0x12345678), 0u);
    std::string text;
    ASSERT_EQ(ra.ExportToRegText("HKCU\\Src", text, true), 1);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        InMemoryRegistry fresh;
        const std::string empty = fresh.dump(HKeyCurrentUser);
        if (clsRegistryAccess(fresh).ImportFromRegText(text.substr(0, cut)) == 0) {
            EXPECT_EQ(fresh.dump(HKeyCurrentUser), empty) << "cut at " << cut;
        }
    }
}

} // namespace
} // namespace kpr
