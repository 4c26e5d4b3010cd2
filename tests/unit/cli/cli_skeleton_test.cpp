// The pieces every kprtool verb stands on: argument checking, --yes, operator messages and
// progress on stderr.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace kpr;
using namespace kpr::cli;

namespace {

// A temporary file standing in for stderr or a non-terminal stdin.
struct TempStream {
    std::FILE* f = std::tmpfile();
    ~TempStream() { std::fclose(f); }
    std::string text() {
        std::fflush(f);
        std::rewind(f);
        std::string s;
        for (int c; (c = std::fgetc(f)) != EOF;)
            s += static_cast<char>(c);
        return s;
    }
};

class FakeCommand final : public Command {
  public:
    FakeCommand() : Command("fake", "A verb for the tests.") {
        addPositional("IN", "required");
        addPositional("KEY=VALUE", "optional, repeats", true, true);
        addOption(QCommandLineOption({"o", "output"}, "Where to.", "OUT"));
        acceptYes();
    }
    int result = ExitSuccess;
    int runs = 0;
    QStringList seenArgs;
    QString seenOutput;

  protected:
    int run(CommandContext&, const QCommandLineParser& parser, const QStringList& args) override {
        ++runs;
        seenArgs = args;
        seenOutput = parser.value("output");
        return result;
    }
};

class CommandTest : public ::testing::Test {
  protected:
    QString outText, errText;
    QTextStream out{&outText};
    QTextStream err{&errText};
    TempStream msgErr;
    TempStream msgIn;
    TempStream progErr;
    CliMessages messages{msgErr.f, msgIn.f};
    CliProgress progress{progErr.f};
    CommandContext ctx{out, err, messages, progress};
    FakeCommand cmd;
};

} // namespace

TEST_F(CommandTest, ArgumentsOptionsAndUsageErrors) {
    const struct {
        QStringList args;
        int status;
        QString err; // a part of the usage error
        QString out; // a part of what is printed
    } rows[] = {
        {{"fake", "a.tbl", "x=1", "-o", "b.tbl", "y=2"}, ExitFailure, "", ""},
        {{"fake"}, ExitUsage, "missing argument", ""},
        {{"fake", "a", "--bogus"}, ExitUsage, "bogus", ""},
        {{"fake", "a", "-o"}, ExitUsage, "", ""}, // an option without its value
        {{"fake", "--help"}, ExitSuccess, "", "Usage: kprtool fake [options] IN [KEY=VALUE...]\n"},
        {{"fake", "a", "--help"}, ExitSuccess, "", "--output <OUT>"},
    };
    cmd.result = ExitFailure;
    for (const auto& r : rows) {
        errText.clear();
        outText.clear();
        EXPECT_EQ(cmd.execute(ctx, r.args), r.status) << r.args.join(' ').toStdString();
        EXPECT_TRUE(errText.contains(r.err)) << errText.toStdString();
        EXPECT_TRUE(outText.contains(r.out)) << outText.toStdString();
    }
    EXPECT_EQ(cmd.runs, 1);
    EXPECT_EQ(cmd.seenArgs, (QStringList{"a.tbl", "x=1", "y=2"}));
    EXPECT_EQ(cmd.seenOutput, "b.tbl");
    EXPECT_TRUE(outText.contains("--yes"));
    EXPECT_FALSE(messages.assumeYes());
    cmd.result = ExitSuccess;
    ASSERT_EQ(cmd.execute(ctx, {"fake", "a", "--yes"}), ExitSuccess);
    EXPECT_TRUE(messages.ask("Go on?"));
    EXPECT_EQ(msgErr.text(), "Go on? y\n");
}

// Messages are the exact texts, one a line; without a terminal a question is answered No
// unless --yes or a hook says otherwise.
TEST(CliMessages, TextsAndAnswers) {
    TempStream err, in;
    std::fputs("y\n", in.f); // not a terminal: never read
    std::rewind(in.f);
    CliMessages m(err.f, in.f);
    m.message("This file is not exit!");
    m.message("This file is arealy exist ! \r\nAre you sure overwrite this file?",
              MessageIcon::Question);
    EXPECT_EQ(m.shown().back(),
              "This file is arealy exist ! \r\nAre you sure overwrite this file?");
    EXPECT_FALSE(m.ask("Overwrite?"));
    m.setNonInteractiveAnswer(true);
    EXPECT_TRUE(m.ask("Next pager?"));
    std::string asked;
    m.setAsker([&](const std::string& q) {
        asked = q;
        return false;
    });
    EXPECT_FALSE(m.ask("Write the next pager?"));
    EXPECT_EQ(asked, "Write the next pager?");
    EXPECT_EQ(err.text(), "This file is not exit!\nThis file is arealy exist ! \nAre you sure "
                          "overwrite this file?\nOverwrite? n (no terminal to ask; --yes answers "
                          "Yes)\nNext pager? y (no terminal to ask)\n");
}

TEST(CliProgress, WithoutATerminalOnlyStatusLinesAppear) {
    TempStream err;
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
