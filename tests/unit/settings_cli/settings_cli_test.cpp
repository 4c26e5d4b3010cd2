#include "editor/editor.h"
#include "editor/settings_keys.h"
#include "settings/prompt_record.h"
#include "text/default_image.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace kpr {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class SettingsCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kpr-settings-cli-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        writeFile(path("d.tbl"), default_image());
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& n) const { return (dir / n).string(); }

    static void writeFile(const std::string& p, const PagerImage& img) {
        std::ofstream f(p, std::ios::binary);
        f.write(reinterpret_cast<const char*>(img.data()), ImageSize);
    }
    static std::vector<uint8_t> readFile(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static std::string slurp(const std::string& p) {
        std::ifstream f(p);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static std::string quote(const std::string& s) {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

    ToolRun kprtool(const std::vector<std::string>& args) {
        std::string cmd = std::string(KPRTOOL_PATH);
        for (const auto& a : args)
            cmd += " " + quote(a);
        cmd += " </dev/null >" + quote(path("stdout")) + " 2>" + quote(path("stderr"));
        ToolRun r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(path("stdout"));
        r.err = slurp(path("stderr"));
        return r;
    }

    fs::path dir;
};

class Silent final : public OperatorMessages {
  public:
    void message(const std::string&, MessageIcon) override {}
    bool ask(const std::string&) override { return false; }
};

TEST_F(SettingsCliTest, SetAppliesThroughTheEditorHandlers) {
    const ToolRun r = kprtool({"set", path("d.tbl"), "band=2", "frequency=9310125", "capcode.2=8",
                               "capcode.2.enabled=1", "-o", path("out.tbl")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto bytes = readFile(path("out.tbl"));
    ASSERT_EQ(bytes.size(), 2048u);
    EXPECT_EQ(bytes[0x05], 0x02);
    EXPECT_EQ(bytes[0x06], 0x36);
    EXPECT_EQ(bytes[0x07], 0xA2);
    EXPECT_EQ(bytes[0x0A], 0x28);
    EXPECT_EQ(bytes[0x0B], 0x01);

    // The same steps on an editor give the same file.
    Silent silent;
    Editor ed(silent);
    ed.startup_finish({}, false);
    ASSERT_TRUE(ed.mnuLBFF_Click(path("d.tbl")));
    for (auto [k, v] : {std::pair{"band", "2"},
                        {"frequency", "9310125"},
                        {"capcode.2", "8"},
                        {"capcode.2.enabled", "1"}})
        ASSERT_TRUE(apply_setting(ed, k, v).ok) << k;
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), ed.image().bytes().begin()));
    // The input file is untouched when -o is given.
    EXPECT_EQ(readFile(path("d.tbl")),
              std::vector<uint8_t>(default_image().bytes().begin(), default_image().bytes().end()));
}

TEST_F(SettingsCliTest, RefusedAssignmentWritesNothing) {
    ToolRun r = kprtool({"set", path("d.tbl"), "contrast=2", "frequency=4540130"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Channel Spacing Error!"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(path("d.tbl")),
              std::vector<uint8_t>(default_image().bytes().begin(), default_image().bytes().end()));

    r = kprtool({"set", path("d.tbl"), "capcode.1=2097152", "-o", path("x.tbl")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Please insert a number between 0000007 to 2097151"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("x.tbl")));

    r = kprtool({"set", path("d.tbl"), "data_rate=9600"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"2400 bps\""), std::string::npos) << r.err;

    EXPECT_EQ(kprtool({"set", path("d.tbl"), "no_such=1"}).status, 2);
    EXPECT_EQ(kprtool({"set", path("d.tbl"), "contrast"}).status, 2);
    r = kprtool({"set", path("missing.tbl"), "contrast=2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("This file is not exit!"), std::string::npos);
}

TEST_F(SettingsCliTest, ShowGetAndDiff) {
    ToolRun r = kprtool({"show", path("d.tbl"), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const SettingKey& k : setting_keys())
        EXPECT_NE(r.out.find("\"" + k.key + "\":"), std::string::npos) << k.key;

    r = kprtool({"show", path("d.tbl")});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("history_disable = 1\n"), std::string::npos);
    EXPECT_NE(r.out.find("prompt.0 = \"     QUINTA  \"\n"), std::string::npos);

    r = kprtool({"get", path("d.tbl"), "data_rate"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1200 bps\n");
    EXPECT_EQ(kprtool({"get", path("d.tbl"), "bogus"}).status, 2);

    ASSERT_EQ(kprtool({"set", path("d.tbl"), "history_disable=0", "-o", path("e.tbl")}).status, 0);
    r = kprtool({"diff", path("d.tbl"), path("e.tbl")});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("history_disable: 1 -> 0"), std::string::npos) << r.out;
}

TEST_F(SettingsCliTest, HostileValuesAreRefusedOrShownEscaped) {
    struct Row {
        std::string assignment;
        std::string says;
    };
    const std::vector<Row> rows = {
        {"capcode.1=", "needs a value; an empty one changes nothing"},
        {"prompt.1=\x1B[2J", "control characters"},
        {"prompt.1=A\rB", "control characters"},
        {"prompt.1=" + std::string(100000, 'Q'), "(100000 bytes)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.says);
        const ToolRun run = kprtool({"set", path("d.tbl"), r.assignment});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err.substr(0, 300);
        EXPECT_LT(run.err.size(), 1000u);
    }
    EXPECT_EQ(readFile(path("d.tbl")),
              std::vector<uint8_t>(default_image().bytes().begin(), default_image().bytes().end()));

    // A file that holds an escape sequence in a prompt and a tone code with no entry.
    PagerImage img = default_image();
    store_prompt_record(img, prompt_record_address(1), prompt_has_indent_offset(1), false,
                        "A\x1B[2J");
    img[0x2E] = 5;
    writeFile(path("odd.tbl"), img);
    ToolRun r = kprtool({"get", path("odd.tbl"), "prompt.1"});
    EXPECT_EQ(r.out, "A\\x1B[2J\n");
    r = kprtool({"show", path("odd.tbl")});
    EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
    EXPECT_NE(r.out.find("prompt.1 = A\\x1B[2J\n"), std::string::npos);
    r = kprtool({"diff", path("d.tbl"), path("odd.tbl")});
    EXPECT_NE(r.out.find(" -> code 5\n"), std::string::npos) << r.out;

    // A file name cannot add settings to the exported profile.
    const std::string named = path("x\nsettings:\n  contrast: 8\n.tbl");
    writeFile(named, default_image());
    r = kprtool({"export", named});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("\nsettings:\n  contrast: 8"), std::string::npos);
    EXPECT_NE(r.out.find("x\\x0Asettings:\\x0A  contrast: 8\\x0A.tbl"), std::string::npos);
}

} // namespace
} // namespace kpr
