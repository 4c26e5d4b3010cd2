// REGEDIT4 export and import.
#include "registry/memory_registry.h"
#include "registry/registry_access.h"
#include "support/recorders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kpr {
namespace {

namespace fs = std::filesystem;

class RegScript : public ::testing::Test {
  protected:
    void TearDown() override {
        fs::remove_all(dir);
        EXPECT_EQ(backend.openHandleCount(), 0u) << "key handle leaked";
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    static std::string readFile(const std::string& file) {
        std::ostringstream ss;
        ss << std::ifstream(file, std::ios::binary).rdbuf();
        return ss.str();
    }
    const fs::path dir = fs::temp_directory_path() / ("kpr-registry-" + std::to_string(::getpid()));
    const bool made = fs::create_directories(dir);
    InMemoryRegistry backend;
    clsRegistryAccess ra{backend};
};

TEST_F(RegScript, ExportWritesTheExactFormat) {
    ASSERT_NE(ra.WriteDWORD("HKCU\\App", "count", 10), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App", "path", "C:\\Data\\pager"), 0u);
    ASSERT_NE(ra.WriteBinary("HKCU\\App", "bytes", "01 0A FF"), 0u);
    ASSERT_NE(ra.WriteDWORD("HKCU\\App", "minus", -1), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App", "@", "dflt"), 0u);
    ASSERT_NE(ra.WriteBinary("HKCU\\App\\Sub\\Deeper", "empty", ""), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App\\Also", "x", "y"), 0u);

    test::RecordedProgress progress;
    const std::string file = path("app.reg");
    ASSERT_EQ(ra.ExportToReg("hkcu\\App", file, true, &progress), 1);
    EXPECT_EQ(readFile(file), "REGEDIT4\r\n\r\n"
                              "[HKEY_CURRENT_USER\\App]\r\n"
                              "@=\"dflt\"\r\n"
                              "\"path\"=\"C:\\Data\\pager\"\r\n"
                              "\"bytes\"=hex:01,0A,FF\r\n"
                              "\"count\"=dword:0000000A\r\n"
                              "\"minus\"=dword:FFFFFFFF\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\App\\Also]\r\n"
                              "\"x\"=\"y\"\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\App\\Sub]\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\App\\Sub\\Deeper]\r\n"
                              "\"empty\"=hex:\r\n"
                              "\r\n");
    EXPECT_EQ(progress.status, "HKEY_CURRENT_USER\\App\\Sub\\Deeper"); // the key being written
    // Without sub-keys only the key itself.
    std::string text;
    ASSERT_EQ(ra.ExportToRegText("HKCU\\App\\Also", text), 1);
    EXPECT_EQ(text, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\App\\Also]\r\n\"x\"=\"y\"\r\n\r\n");
}

// An export refused: an existing file is left alone, nothing is made for nothing, and a line
// break in a name or value never reaches the script (where it would start a line of its own).
TEST_F(RegScript, RefusedExports) {
    std::ofstream(path("taken.reg")) << "keep me";
    const struct {
        std::string key, name, value, file;
        int asText = 0; // what the export as text gives
    } rows[] = {
        {"HKCU\\App", "v", "x", path("taken.reg"), 1},
        {"HKCU\\Missing", "", "", path("none.reg")},
        {"HKCU\\App", "v", "x", path("no-such-dir/x.reg"), 1},
        {"HKCU\\App", "v", "x\r\n[-HKEY_CURRENT_USER\\Other]", path("crlf.reg")},
        {"HKCU\\App", "v", "a\nb", path("lf.reg")},
        {"HKCU\\App", "v", "a\rb", path("cr.reg")},
        {"HKCU\\App", "n\r\n", "x", path("name.reg")},
    };
    for (const auto& r : rows) {
        InMemoryRegistry reg;
        clsRegistryAccess access(reg);
        if (!r.name.empty()) {
            ASSERT_NE(access.WriteString(r.key, r.name, r.value), 0u);
        }
        EXPECT_EQ(access.ExportToReg(r.key, r.file), 0) << r.file;
        EXPECT_EQ(readFile(r.file).find("[-"), std::string::npos) << r.file;
        EXPECT_EQ(readFile(r.file).find("\"v\"=\"a"), std::string::npos) << r.file;
        std::string text;
        EXPECT_EQ(access.ExportToRegText(r.key, text), r.asText) << r.file;
    }
    EXPECT_EQ(readFile(path("taken.reg")), "keep me");
    EXPECT_FALSE(fs::exists(path("none.reg")));
}

TEST_F(RegScript, RoundTripIntoAnEmptyRegistry) {
    const std::string key = "HKLM\\SOFTWARE\\Vendor";
    ASSERT_NE(ra.WriteString(key, "@", "Default text"), 0u);
    ASSERT_NE(ra.WriteString(key, "Folder", "C:\\Program Files\\KPR\\"), 0u);
    ASSERT_NE(ra.WriteBinary(key, "Blob", "00 01 0A 0D 7F 80 FF"), 0u);
    ASSERT_NE(ra.WriteDWORD(key, "Min", INT32_MIN), 0u);
    ASSERT_NE(ra.WriteDWORD(key + "\\Ports\\COM3", "Baud", 9600), 0u);
    ASSERT_NE(ra.CreateKey(key + "\\Empty key"), 0u);
    ASSERT_EQ(ra.ExportToReg(key, path("vendor.reg"), true), 1);

    InMemoryRegistry fresh;
    clsRegistryAccess other(fresh);
    ASSERT_EQ(other.ImportFromReg(path("vendor.reg")), 1);
    EXPECT_EQ(fresh.dump(HKeyLocalMachine), backend.dump(HKeyLocalMachine));
    EXPECT_EQ(fresh.openHandleCount(), 0u);
}

// Script lines (after REGEDIT4, joined with CR LF) -> the values of a key, as listed.
TEST_F(RegScript, ImportRows) {
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
        if (r.gone) {
            EXPECT_FALSE(access.KeyExists(r.gone)) << r.gone;
        }
        EXPECT_EQ(reg.openHandleCount(), 0u);
    }
}

// A script that cannot be applied as a whole as written changes nothing.
TEST_F(RegScript, RefusedImportsChangeNothing) {
    ASSERT_NE(ra.WriteString("HKCU\\Existing", "v", "old"), 0u);
    backend.setReadOnly(HKeyLocalMachine, "Locked", true);
    const std::string before = backend.dump(HKeyCurrentUser) + backend.dump(HKeyLocalMachine);
    const std::string good = "REGEDIT4\r\n[HKCU\\New]\r\n\"a\"=\"1\"\r\n";
    const std::vector<std::string> bad = {
        "REGEDIT5" + good.substr(8),
        " " + good,
        "REGEDIT4\n[HKCU\\New]\n\"a\"=\"1\"\n", // line feeds alone do not end lines
        good + "\"b\"=hex:01,0\r\n",
        good + "\"b\"=dword:123456789\r\n",
        good + "[\r\n",
        good + "[HKCU\\" + std::string(300, 'k') + "]\r\n\"a\"=\"1\"\r\n",
        good + "\"b\"=hex:0" + std::string(1, '\0') + "\r\n",
        good + "[HKCU\\Cut",
        good + "[-HKCU\\Existing\r\n",
        good + "[HKEY_CU]\r\n",
        good + "[HKCU\\\\x]\r\n",
        good + "\"b\"=\"x\n[-HKCU\\Existing]\"\r\n", // a line break inside a value
        good + "\"b\"=\"x\r[-HKCU\\Existing]\"\r\n",
        "REGEDIT4\r\n[HKLM\\Locked]\r\n\"v\"=\"x\"\r\n[HKCU\\After]\r\n\"v\"=\"x\"\r\n",
        "REGEDIT4\r\n[HKU\\Software]\r\n\"v\"=\"x\"\r\n",
        "REGEDIT4\r\n[-HKLM\\Locked]\r\n",
        "REGEDIT4\r\n[-HKCU]\r\n",
    };
    for (const auto& text : bad) {
        EXPECT_EQ(ra.ImportFromRegText(text), 0) << text.substr(0, 80);
        EXPECT_EQ(backend.dump(HKeyCurrentUser) + backend.dump(HKeyLocalMachine), before)
            << text.substr(0, 80);
    }
    EXPECT_EQ(ra.ImportFromReg(path("missing.reg")), 0);
    EXPECT_EQ(ra.ImportFromReg(dir.string()), 0);

    // Every cut of a good script either applies or changes nothing.
    ASSERT_NE(ra.WriteBinary("HKCU\\Src", "bin", "01 02 03"), 0u);
    ASSERT_NE(ra.WriteDWORD("HKCU\\Src\\Sub", "n", 0x12345678), 0u);
    std::string text;
    ASSERT_EQ(ra.ExportToRegText("HKCU\\Src", text, true), 1);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        InMemoryRegistry fresh;
        clsRegistryAccess other(fresh);
        const std::string empty = fresh.dump(HKeyCurrentUser);
        if (other.ImportFromRegText(text.substr(0, cut)) == 0) {
            EXPECT_EQ(fresh.dump(HKeyCurrentUser), empty) << "cut at " << cut;
        }
    }
}

} // namespace
} // namespace kpr
