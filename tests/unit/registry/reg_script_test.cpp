// REGEDIT4 export and import.
#include "common/progress.h"
#include "registry/memory_registry.h"
#include "registry/registry_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace kpr {
namespace {

namespace fs = std::filesystem;

class RegScript : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kpr-registry-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        EXPECT_EQ(backend.openHandleCount(), 0u) << "key handle leaked";
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    static void writeFile(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // Imports script lines joined with CR LF after the REGEDIT4 line.
    int import(std::initializer_list<std::string> lines) {
        std::string text = "REGEDIT4\r\n";
        for (const auto& l : lines)
            text += l + "\r\n";
        return ra.ImportFromRegText(text);
    }

    fs::path dir;
    InMemoryRegistry backend;
    clsRegistryAccess ra{backend};
};

struct RecordingProgress : ProgressSink {
    void setMaximum(int) override {}
    void setPosition(int) override {}
    void setColour(uint32_t) override {}
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    std::vector<std::string> statuses;
};

TEST_F(RegScript, ExportWritesTheExactFormat) {
    ASSERT_NE(ra.WriteDWORD("HKCU\\App", "count", 10), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App", "path", "C:\\Data\\pager"), 0u);
    ASSERT_NE(ra.WriteBinary("HKCU\\App", "bytes", "01 0A FF"), 0u);
    ASSERT_NE(ra.WriteDWORD("HKCU\\App", "minus", -1), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App", "@", "dflt"), 0u);
    ASSERT_NE(ra.WriteBinary("HKCU\\App\\Sub\\Deeper", "empty", ""), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\App\\Also", "x", "y"), 0u);

    RecordingProgress progress;
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
    EXPECT_EQ(progress.statuses,
              (std::vector<std::string>{"HKEY_CURRENT_USER\\App", "HKEY_CURRENT_USER\\App\\Also",
                                        "HKEY_CURRENT_USER\\App\\Sub",
                                        "HKEY_CURRENT_USER\\App\\Sub\\Deeper"}));

    // Without sub-keys only the key itself.
    std::string text;
    ASSERT_EQ(ra.ExportToRegText("HKCU\\App\\Also", text), 1);
    EXPECT_EQ(text, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\App\\Also]\r\n\"x\"=\"y\"\r\n\r\n");
}

TEST_F(RegScript, ExportNeverTouchesAnExistingFileNorMakesOneForNothing) {
    ASSERT_NE(ra.WriteString("HKCU\\App", "v", "x"), 0u);
    const std::string file = path("taken.reg");
    writeFile(file, "keep me");
    EXPECT_EQ(ra.ExportToReg("HKCU\\App", file), 0);
    EXPECT_EQ(readFile(file), "keep me");

    EXPECT_EQ(ra.ExportToReg("HKCU\\Missing", path("none.reg")), 0);
    EXPECT_FALSE(fs::exists(path("none.reg")));
    EXPECT_EQ(ra.ExportToReg("HKCU\\App", path("no-such-dir/x.reg")), 0);
}

TEST_F(RegScript, ALineBreakInANameOrValueIsNotExported) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"v", "x\r\n[-HKEY_CURRENT_USER\\Other]"}, {"v", "a\nb"}, {"v", "a\rb"}, {"n\r\n", "x"}};
    for (const auto& [name, value] : rows) {
        InMemoryRegistry reg;
        clsRegistryAccess r(reg);
        ASSERT_NE(r.WriteString("HKCU\\App", name, value), 0u);
        std::string text;
        EXPECT_EQ(r.ExportToRegText("HKCU\\App", text), 0) << value;
        EXPECT_EQ(text.find("[-"), std::string::npos) << text;
    }
}

TEST_F(RegScript, RoundTripIntoAnEmptyRegistry) {
    ASSERT_NE(ra.WriteString("HKLM\\SOFTWARE\\Vendor", "@", "Default text"), 0u);
    ASSERT_NE(ra.WriteString("HKLM\\SOFTWARE\\Vendor", "Folder", "C:\\Program Files\\KPR\\"), 0u);
    ASSERT_NE(ra.WriteString("HKLM\\SOFTWARE\\Vendor", "Empty", ""), 0u);
    ASSERT_NE(ra.WriteBinary("HKLM\\SOFTWARE\\Vendor", "Blob", "00 01 0A 0D 7F 80 FF"), 0u);
    ASSERT_NE(ra.WriteBinary("HKLM\\SOFTWARE\\Vendor", "None", ""), 0u);
    ASSERT_NE(ra.WriteDWORD("HKLM\\SOFTWARE\\Vendor", "Min", INT32_MIN), 0u);
    ASSERT_NE(ra.WriteDWORD("HKLM\\SOFTWARE\\Vendor", "Zero", 0), 0u);
    ASSERT_NE(ra.WriteDWORD("HKLM\\SOFTWARE\\Vendor\\Ports\\COM3", "Baud", 9600), 0u);
    ASSERT_NE(ra.CreateKey("HKLM\\SOFTWARE\\Vendor\\Empty key"), 0u);
    ASSERT_NE(ra.WriteString("HKLM\\SOFTWARE\\Vendor\\Ports", "Last", "COM3"), 0u);

    const std::string file = path("vendor.reg");
    ASSERT_EQ(ra.ExportToReg("HKLM\\SOFTWARE\\Vendor", file, true), 1);

    InMemoryRegistry fresh;
    clsRegistryAccess other(fresh);
    ASSERT_EQ(other.ImportFromReg(file), 1);
    EXPECT_EQ(fresh.dump(HKeyLocalMachine), backend.dump(HKeyLocalMachine));
    EXPECT_EQ(fresh.openHandleCount(), 0u);
}

TEST_F(RegScript, ValuesAreNotEscapedEitherWay) {
    ASSERT_EQ(import({"[HKEY_CURRENT_USER\\T]", "\"back\"=\"a\\b\\\\c\"",
                      "\"quote\"=\"say \"hi\"\"", "\"eq\"=\"a=b=c\"", "\"sp\" = \" v \""}),
              1);
    EXPECT_EQ(ra.ReadString("HKCU\\T", "back"), "a\\b\\\\c");
    EXPECT_EQ(ra.ReadString("HKCU\\T", "quote"), "say hi");
    EXPECT_EQ(ra.ReadString("HKCU\\T", "eq"), "a");
    // The line is trimmed before its quotes go: the blank inside them stays (the read trims
    // only the front of a string that ends in its zero).
    EXPECT_EQ(ra.ReadString("HKCU\\T", "sp "), "v ");
}

TEST_F(RegScript, ImportDeletesKeysAndValues) {
    ASSERT_NE(ra.WriteString("HKCU\\Old\\Child", "v", "x"), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\Keep", "gone", "x"), 0u);
    ASSERT_NE(ra.WriteString("HKCU\\Keep", "stay", "x"), 0u);
    ASSERT_EQ(import({"[-HKEY_CURRENT_USER\\Old]", "\"ignored\"=\"after a deletion\"",
                      "[-HKCU\\Never\\Was]", "[HKCU\\Keep]", "\"gone\"=-", "\"absent\"= - ",
                      // trimmed before the quotes go: a quoted blank-led "[" is no section
                      "\"  [-HKCU\\Keep]\""}),
              1);
    EXPECT_FALSE(ra.KeyExists("HKCU\\Old"));
    EXPECT_FALSE(ra.ValueExists("HKCU\\Keep", "gone"));
    EXPECT_TRUE(ra.ValueExists("HKCU\\Keep", "stay"));
    EXPECT_FALSE(ra.ValueExists("HKCU\\Keep", "ignored"));
}

TEST_F(RegScript, DefaultValueWrittenThenDeleted) {
    ASSERT_EQ(import({"[HKCU\\D]", "@=\"\"", "\"x\"=\"\""}), 1);
    EXPECT_TRUE(ra.KeyExists("HKCU\\D"));
    EXPECT_FALSE(ra.ValueExists("HKCU\\D", ""));
    EXPECT_TRUE(ra.ValueExists("HKCU\\D", "x"));
    ASSERT_EQ(import({"[HKCU\\D]", "@=\"text\""}), 1);
    EXPECT_EQ(ra.ReadString("HKCU\\D", ""), "text");
}

TEST_F(RegScript, ImportLineRules) {
    ra.setCreateKeyIfDoesntExists(false);
    ASSERT_EQ(import({"\"before\"=\"any key\"", "; comment", "[HKCU\\L]", "; \"c\"=\"x\"",
                      "no equals sign", "", "  \"n1\"=dword:ffffffff  ", "\"n2\"=DWORD:1f zz",
                      "\"n3\"=dword:", "\"n4\"=dword:000000000012", "\"b\"=HEX:0a, 0B ,0c",
                      "\"s\"=hex(2):41,00"}),
              1);
    EXPECT_TRUE(ra.CreateKeyIfDoesntExists());
    std::vector<std::string> names, values;
    ASSERT_EQ(ra.EnumValues("HKCU\\L", names, values), 6);
    EXPECT_EQ(names, (std::vector<std::string>{"n1", "n2", "n3", "n4", "b", "s"}));
    EXPECT_EQ(values,
              (std::vector<std::string>{"-1", "31", "0", "18", "0A 0B 0C", "hex(2):41,00"}));
    EXPECT_EQ(ra.EnumKeys("HKCU", names), 1);
}

TEST_F(RegScript, BadScriptsChangeNothing) {
    ASSERT_NE(ra.WriteString("HKCU\\Existing", "v", "old"), 0u);
    const std::string before = backend.dump(HKeyCurrentUser);
    const std::string good = "[HKCU\\New]\r\n\"a\"=\"1\"\r\n";
    const std::vector<std::string> bad = {
        "",
        "REGEDIT5\r\n" + good,
        " REGEDIT4\r\n" + good,
        "Windows Registry Editor Version 5.00\r\n" + good,
        "REGEDIT4\n[HKCU\\New]\n\"a\"=\"1\"\n", // line feeds alone do not end lines
        "REGEDIT4\r\n" + good + "\"b\"=hex:01,0\r\n",
        "REGEDIT4\r\n" + good + "\"b\"=hex:01,zz\r\n",
        "REGEDIT4\r\n" + good + "\"b\"=dword:123456789\r\n",
        "REGEDIT4\r\n" + good + "[\r\n",
        "REGEDIT4\r\n" + good + "[HKCU\\" + std::string(300, 'k') + "]\r\n\"a\"=\"1\"\r\n",
        "REGEDIT4\r\n" + good + "\"b\"=hex:0" + std::string(1, '\0') + "\r\n",
        "REGEDIT4\r\n" + good + "[HKCU\\Cut",
        "REGEDIT4\r\n" + good + "[-HKCU\\Existing\r\n",
        "REGEDIT4\r\n" + good + "[HKEY_CU]\r\n",
        "REGEDIT4\r\n" + good + "[HKCU\\\\x]\r\n",
        "REGEDIT4\r\n" + good + "\"b\"=\"x\n[-HKCU\\Existing]\"\r\n", // a line break inside
        "REGEDIT4\r\n" + good + "\"b\"=\"x\r[-HKCU\\Existing]\"\r\n",
    };
    for (const auto& text : bad) {
        EXPECT_EQ(ra.ImportFromRegText(text), 0) << text;
        EXPECT_EQ(backend.dump(HKeyCurrentUser), before) << text;
    }
    EXPECT_EQ(ra.ImportFromReg(path("missing.reg")), 0);
    EXPECT_EQ(ra.ImportFromReg(dir.string()), 0);
}

TEST_F(RegScript, RefusedWriteFailsTheImport) {
    backend.setReadOnly(HKeyLocalMachine, "Locked", true);
    EXPECT_EQ(import({"[HKLM\\Locked]", "\"v\"=\"x\"", "[HKCU\\After]", "\"v\"=\"x\""}), 0);
    EXPECT_FALSE(ra.KeyExists("HKCU\\After"));
    EXPECT_EQ(import({"[HKU\\Software]", "\"v\"=\"x\""}), 0);
    EXPECT_EQ(import({"[-HKLM\\Locked]"}), 0);
    EXPECT_EQ(import({"[-HKCU]"}), 0);
}

TEST_F(RegScript, HugeLinesAndGarbage) {
    const std::string big(2'000'000, 'v');
    ASSERT_EQ(import({"[HKCU\\Big]", "\"v\"=\"" + big + "\""}), 1);
    std::vector<std::string> names, values;
    // Too long for the 255-character read: listed, with an empty value.
    ASSERT_EQ(ra.EnumValues("HKCU\\Big", names, values), 1);
    EXPECT_EQ(values[0], "");

    std::mt19937 gen(1234);
    for (int round = 0; round < 200; ++round) {
        std::string text = "REGEDIT4\r\n";
        const int n = std::uniform_int_distribution<int>(0, 400)(gen);
        static const char alphabet[] = "[]-=@\";:,\\ \r\nhexdwordHKCU0123456789abcdefABCDEF\0\xff";
        for (int i = 0; i < n; ++i)
            text += alphabet[std::uniform_int_distribution<int>(0, sizeof alphabet - 1)(gen)];
        const int rc = ra.ImportFromRegText(text);
        EXPECT_TRUE(rc == 0 || rc == 1);
    }
}

TEST_F(RegScript, TruncatedScriptEitherAppliesOrChangesNothing) {
    ASSERT_NE(ra.WriteString("HKCU\\Src", "name", "value"), 0u);
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
