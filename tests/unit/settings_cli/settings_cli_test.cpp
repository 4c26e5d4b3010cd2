// kprtool's settings verbs run as the program: exit status, what they print, what they write.
// The values' rules are the editor's; one row shows set reaches them.
#include "editor/settings_keys.h"
#include "settings/prompt_record.h"
#include "support/editor_fixture.h"
#include "text/default_image.h"

#include <sys/wait.h>

namespace kpr::test {
namespace {

class SettingsCliTest : public EditorTest {
  protected:
    void SetUp() override { start(); }
    struct Run {
        int status;
        std::string out, err;
    };
    Run kprtool(const std::vector<std::string>& args) {
        std::string cmd = KPRTOOL_PATH;
        for (const std::string& a : args) {
            cmd += " '";
            for (char ch : a)
                cmd += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
            cmd += "'";
        }
        const int raw = std::system(
            (cmd + " </dev/null >" + dir.path("stdout") + " 2>" + dir.path("stderr")).c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, dir.read("stdout"), dir.read("stderr")};
    }
    ScratchDir dir;
};

TEST_F(SettingsCliTest, Verbs) {
    const std::string d = dir.write("d.tbl", bytes_of(default_image()));
    PagerImage odd = default_image(); // an escape sequence in a prompt, a tone with no entry
    store_prompt_record(odd, prompt_record_address(1), prompt_has_indent_offset(1), false,
                        "A\x1B[2J");
    odd[0x2E] = 5;
    const std::string o = dir.write("odd.tbl", bytes_of(odd));
    const std::string named = dir.write("x\nsettings:\n  contrast: 8\n.tbl", bytes_of(odd));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out; // a part of stdout
        std::string err; // a part of stderr
    } rows[] = {
        {{"get", d, "data_rate"}, 0, "1200 bps\n", ""},
        {{"get", d, "bogus"}, 2, "", "bogus"},
        {{"show", d}, 0, "prompt.0 = \"     QUINTA  \"\n", ""},
        {{"show", d, "--json"}, 0, "\"history_disable\":", ""},
        {{"get", o, "prompt.1"}, 0, "A\\x1B[2J\n", ""},
        {{"show", o}, 0, "prompt.1 = A\\x1B[2J\n", ""},
        {{"diff", d, o}, 0, " -> code 5\n", ""},
        {{"export", named}, 0, "x\\x0Asettings:\\x0A  contrast: 8\\x0A.tbl", ""},
        {{"set", d, "contrast=2", "frequency=4540130"}, 1, "", "Channel Spacing Error!"},
        {{"set", d, "capcode.1=2097152", "-o", dir.path("x.tbl")},
         1,
         "",
         "Please insert a number between 0000007 to 2097151"},
        {{"set", d, "data_rate=9600"}, 1, "", "\"2400 bps\""},
        {{"set", d, "prompt.1=" + std::string(100000, 'Q')}, 1, "", "(100000 bytes)"},
        {{"set", d, "no_such=1"}, 2, "", "no_such"},
        {{"set", d, "contrast"}, 2, "", ""},
        {{"set", dir.path("missing.tbl"), "contrast=2"}, 1, "", "This file is not exit!"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.args[0] + " " + r.args.back());
        const Run run = kprtool(r.args);
        EXPECT_EQ(run.status, r.status) << run.err.substr(0, 300);
        EXPECT_NE(run.out.find(r.out), std::string::npos) << run.out.substr(0, 300);
        EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err.substr(0, 300);
        EXPECT_LT(run.err.size(), 1000u);
        EXPECT_EQ(run.out.find('\x1B'), std::string::npos);
    }
    EXPECT_EQ(dir.read("d.tbl"), bytes_of(default_image())); // nothing refused was kept
    EXPECT_EQ(dir.read("x.tbl"), "");

    // set stores what the editor's handlers store for the same steps.
    ASSERT_EQ(kprtool({"set", d, "band=2", "frequency=9310125", "capcode.2=8", "history_disable=0",
                       "-o", dir.path("out.tbl")})
                  .status,
              0);
    ASSERT_TRUE(ed.mnuLBFF_Click(d));
    for (const char* kv : {"band=2", "frequency=9310125", "capcode.2=8", "history_disable=0"}) {
        const std::string s = kv;
        ASSERT_TRUE(apply_setting(ed, s.substr(0, s.find('=')), s.substr(s.find('=') + 1)).ok);
    }
    EXPECT_EQ(dir.read("out.tbl"), bytes_of(ed.image()));
    EXPECT_EQ(dir.read("d.tbl"), bytes_of(default_image()));
    EXPECT_NE(kprtool({"diff", d, dir.path("out.tbl")}).out.find("history_disable: 1 -> 0"),
              std::string::npos);
}

} // namespace
} // namespace kpr::test
