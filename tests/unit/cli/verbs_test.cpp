// kprtool's verbs run in process on real files: the command skeleton (arguments, --yes,
// messages and progress on stderr), the settings verbs, and hostile inputs and outputs.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/command.h"
#include "cli/commands.h"
#include "cli/raw_arguments.h"
#include "editor/settings_keys.h"
#include "link/trace_serial_port.h"
#include "settings/prompt_record.h"
#include "support/editor_fixture.h"
#include "text/default_image.h"

#include <QFile>

#include <sys/stat.h>

namespace kpr::test {
namespace {

using namespace kpr::cli;
namespace fs = std::filesystem;

// A temporary file standing in for stderr or for a stdin that is no terminal.
struct TempFile {
    std::FILE* f = std::tmpfile();
    ~TempFile() { std::fclose(f); }
    std::string text() {
        std::fflush(f);
        std::rewind(f);
        std::string s;
        for (int c; (c = std::fgetc(f)) != EOF;)
            s += static_cast<char>(c);
        return s;
    }
};

struct Ran {
    int status;
    std::string out, err; // err: the verb's own lines, then the messages
    std::vector<std::string> shown;
};

// Runs a verb (`cmd`, or the one named by args[0]) with fresh streams and "y" waiting on a
// stdin that is no terminal; stdout goes to `outFile` when given.
Ran kprtool(const QStringList& args, Command* cmd = nullptr, const char* outFile = nullptr) {
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QFile file(outFile ? outFile : "");
    if (outFile && file.open(QIODevice::WriteOnly))
        out.setDevice(&file);
    TempFile msgErr, in;
    std::fputs("y\n", in.f);
    std::rewind(in.f);
    CliMessages messages(msgErr.f, in.f);
    CliProgress progress(msgErr.f);
    TraceFile trace;
    CommandContext ctx{out, err, messages, progress, trace};
    const int status = (cmd ? cmd : find_command(args.at(0)))->execute(ctx, args);
    out.flush();
    return {status, outText.toStdString(), errText.toStdString() + msgErr.text(), messages.shown()};
}

class FakeCommand final : public Command {
  public:
    FakeCommand() : Command("fake", "A verb for the tests.") {
        addPositional("IN", "required");
        addPositional("KEY=VALUE", "optional, repeats", true, true);
        addOption(QCommandLineOption({"o", "output"}, "Where to.", "OUT"));
        acceptYes();
    }
    std::vector<QStringList> seen; // positional arguments, then -o, of each run

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        seen.push_back(args + QStringList{parser.value("output")});
        ctx.messages.message("This file is arealy exist ! \r\nAre you sure overwrite this file?",
                             MessageIcon::Question);
        return ctx.messages.ask("Go on?") ? ExitSuccess : ExitFailure;
    }
};

TEST(Command, ArgumentsYesAndUsageErrors) {
    FakeCommand cmd;
    const std::string asked = "This file is arealy exist ! \nAre you sure overwrite this file?\n";
    // clang-format off
    const struct {
        QStringList args;
        int status;
        std::string err; // a part of stderr
        std::string out; // a part of stdout
    } rows[] = {
        // Without a terminal the waiting "y" is never read: the answer is No.
        {{"fake", "a.tbl", "x=1", "-o", "b.tbl", "y=2"}, ExitFailure, asked + "Go on? n (no terminal to ask; --yes answers Yes)\n", ""},
        {{"fake", "a", "--yes"}, ExitSuccess, asked + "Go on? y\n", ""},
        {{"fake"}, ExitUsage, "missing argument", ""},
        {{"fake", "a", "--bogus"}, ExitUsage, "bogus", ""},
        {{"fake", "a", "-o"}, ExitUsage, "", ""}, // an option without its value
        {{"fake", "--help"}, ExitSuccess, "", "Usage: kprtool fake [options] IN [KEY=VALUE...]\n"},
        {{"fake", "a", "--help"}, ExitSuccess, "", "--output <OUT>"},
        {{"fake", "--help"}, ExitSuccess, "", "--yes"},
    };
    // clang-format on
    for (const auto& r : rows) {
        const Ran got = kprtool(r.args, &cmd);
        EXPECT_EQ(got.status, r.status) << r.args.join(' ').toStdString();
        EXPECT_NE(got.err.find(r.err), std::string::npos) << got.err;
        EXPECT_NE(got.out.find(r.out), std::string::npos) << got.out;
    }
    ASSERT_EQ(cmd.seen.size(), 2u);
    EXPECT_EQ(cmd.seen[0], (QStringList{"a.tbl", "x=1", "y=2", "b.tbl"}));
}

TEST(CliProgress, WithoutATerminalOnlyStatusLinesAppear) {
    TempFile err;
    CliProgress p(err.f);
    p.setMaximum(16);
    p.setStatus("Writing Now.......");
    for (int i = 0; i <= 16; ++i)
        p.setPosition(i);
    p.setStatus("Writing Now.......");
    p.setStatus("Verify OK");
    p.finish();
    EXPECT_EQ(err.text(), "Writing Now.......\nVerify OK\n");
}

class Verbs : public ::testing::Test {
  protected:
    QString q(const std::string& name) const { return argument_text(dir.path(name)); }
    ScratchDir dir;
};

// Exit status, a part of stdout, and the one message shown (or a part of a usage error).
TEST_F(Verbs, SettingsAndFileVerbs) {
    const QString d = argument_text(dir.write("d.tbl", bytes_of(default_image())));
    PagerImage odd = default_image(); // an escape sequence in a prompt, a tone with no entry
    store_prompt_record(odd, prompt_record_address(1), prompt_has_indent_offset(1), false,
                        "A\x1B[2J");
    odd[0x2E] = 5;
    const QString o = argument_text(dir.write("odd.tbl", bytes_of(odd)));
    const QString named =
        argument_text(dir.write("x\nsettings:\n  contrast: 8\n.tbl", bytes_of(odd)));
    dir.write("long.tbl", std::string(3000, 'x'));
    dir.write("victim", "mine");
    // A link planted where an export used to put its temporary file.
    const std::string planted = dir.path("planted.yaml");
    fs::create_symlink(dir.path("victim"),
                       planted + ".tmp-" +
                           std::to_string(std::hash<std::string>{}(planted) % 100000));
    fs::create_symlink("real.yaml", dir.path("link.yaml")); // written through
    const std::string written = " could not be written: ";
    // clang-format off
    const struct {
        QStringList args;
        int status;
        std::string out;
        std::string said;
    } rows[] = {
        {{"get", d, "data_rate"}, 0, "1200 bps\n", ""},
        {{"get", d, "bogus"}, 2, "", "bogus"},
        {{"show", d}, 0, "prompt.0 = \"     QUINTA  \"\n", ""},
        {{"show", d, "--json"}, 0, "\"history_disable\":", ""},
        {{"get", o, "prompt.1"}, 0, "A\\x1B[2J\n", ""},
        {{"show", o}, 0, "prompt.1 = A\\x1B[2J\n", ""},
        {{"diff", d, o}, 0, " -> code 5\n", ""},
        {{"export", named}, 0, "x\\x0Asettings:\\x0A  contrast: 8\\x0A.tbl", ""},
        {{"set", o, "contrast=2", "history_disable=0", "-o", q("set.tbl")}, 0, "", ""},
        {{"set", d, "contrast=2", "frequency=4540130"}, 1, "", "Channel Spacing Error!"},
        {{"set", d, "capcode.1=2097152", "-o", q("x.tbl")}, 1, "", "Please insert a number between 0000007 to 2097151"},
        {{"set", d, QString("prompt.1=") + QString(100000, 'Q')}, 1, "",
         "The setting \"prompt.1\" takes at most 21 characters; \"" + std::string(40, 'Q') + "... (100000 bytes)\" has 100000."},
        {{"set", d, "no_such=1"}, 2, "", "no_such"},
        {{"set", d, "contrast"}, 2, "", ""},
        {{"default", q("long.tbl")}, 0, "", ""}, // replaces a longer file
        {{"export", d, "-o", "/dev/full"}, 1, "", "The /dev/full" + written + std::generic_category().message(ENOSPC)},
        {{"export", d, "-o", q("no-folder/p.yaml")}, 1, "",
         "The " + dir.path("no-folder/p.yaml") + written + std::generic_category().message(ENOENT)},
        {{"export", d, "-o", q("link.yaml")}, 0, "", ""},
        {{"export", d, "-o", argument_text(planted)}, 0, "", ""},
    };
    // clang-format on
    for (const auto& r : rows) {
        SCOPED_TRACE(r.args.join(' ').left(200).toStdString());
        const Ran got = kprtool(r.args);
        EXPECT_EQ(got.status, r.status) << got.err.substr(0, 300);
        EXPECT_NE(got.out.find(r.out), std::string::npos) << got.out.substr(0, 300);
        if (r.status == ExitFailure) {
            EXPECT_EQ(got.shown, std::vector<std::string>{r.said});
        } else {
            EXPECT_NE(got.err.find(r.said), std::string::npos) << got.err.substr(0, 300);
        }
        EXPECT_LT(got.err.size(), 1000u);
        EXPECT_EQ(got.out.find('\x1B'), std::string::npos);
    }
    EXPECT_EQ(dir.read("d.tbl"), bytes_of(default_image())); // nothing refused was kept
    odd[0x89] = 2;
    odd[0x7F] = 1;                                 // inverted
    EXPECT_EQ(dir.read("set.tbl"), bytes_of(odd)); // set opened the file it was given
    EXPECT_FALSE(fs::exists(dir.path("x.tbl")));
    EXPECT_EQ(fs::file_size(dir.path("long.tbl")), 2048u);
    EXPECT_EQ(dir.read("victim"), "mine");
    EXPECT_TRUE(fs::is_symlink(dir.path("link.yaml")));
    EXPECT_GT(fs::file_size(dir.path("real.yaml")), 100u);
    EXPECT_EQ(fs::status("/dev/full").type(), fs::file_type::character);
}

// Every verb that reads a file gives the same message for the same fault, at once.
TEST_F(Verbs, SpecialInputsGetOneMessageFromEveryVerb) {
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    fs::create_directory(dir.path("folder"));
    fs::create_symlink("loop", dir.path("loop"));
    const QString good = argument_text(dir.write("good.tbl", bytes_of(default_image())));
    const QString profile = argument_text(dir.write("p.yaml", "settings:\n  password: \"1234\"\n"));
    const std::string unread = " could not be read: ";
    const std::string notRegular = "not a regular file (a device, FIFO or socket)";
    const struct {
        QString input;
        std::string message;
    } inputs[] = {
        {q("fifo"), "The [" + dir.path("fifo") + "]" + unread + notRegular},
        {"/dev/zero", "The [/dev/zero]" + unread + notRegular},
        // clang-format off
        {q("folder"), "The [" + dir.path("folder") + "]" + unread + std::generic_category().message(EISDIR)},
        {q("loop"), "The [" + dir.path("loop") + "]" + unread + std::generic_category().message(ELOOP)},
        // clang-format on
        {q("missing"), "This file is not exit!"},
    };
    const QString out = q("out.tbl");
    for (const auto& in : inputs) {
        const QList<QStringList> verbs = {
            {"dump", in.input},
            {"diff", good, in.input},
            {"show", in.input},
            {"get", in.input, "password"},
            {"export", in.input},
            {"import", profile, "--base", in.input, "-o", out},
            {"import", in.input, "-o", out},
        };
        for (const QStringList& verb : verbs) {
            const Ran r = kprtool(verb);
            EXPECT_EQ(r.status, ExitFailure) << verb.join(' ').toStdString();
            EXPECT_EQ(r.shown, std::vector<std::string>{in.message})
                << verb.join(' ').toStdString();
        }
    }
    EXPECT_FALSE(fs::exists(dir.path("out.tbl")));

    // Output that cannot be written fails, with the system's reason.
    const std::string full = std::generic_category().message(ENOSPC);
    for (const QStringList& verb : QList<QStringList>{{"dump", good},
                                                      {"show", good},
                                                      {"show", "--json", good},
                                                      {"export", good},
                                                      {"diff", good, good}}) {
        const Ran r = kprtool(verb, nullptr, "/dev/full");
        EXPECT_EQ(r.status, ExitFailure) << verb.join(' ').toStdString();
        EXPECT_NE(r.err.find(full), std::string::npos) << r.err;
    }
}

TEST_F(Verbs, NamesThatAreNotUtf8ReachTheSystemAsGiven) {
    for (const std::string name : {"out\xe9.tbl", "\xff\xfe.tbl", "caf\xc3\xa9\x80.tbl"}) {
        const std::string raw = dir.path(name);
        ASSERT_EQ(kprtool({"default", argument_text(raw)}).status, ExitSuccess);
        EXPECT_EQ(
            kprtool({"export", argument_text(raw), "-o", argument_text(raw + ".yaml")}).status,
            ExitSuccess);
        EXPECT_TRUE(fs::exists(raw) && fs::exists(raw + ".yaml"));
    }
}

} // namespace
} // namespace kpr::test
