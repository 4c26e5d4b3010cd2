// The pieces every kprtool verb stands on: argument checking, --yes, operator messages on
// stderr and the dump row format.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/command.h"
#include "cli/hexdump.h"

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

TEST_F(CommandTest, RunsWithItsArgumentsAndOptions) {
    cmd.result = ExitFailure;
    EXPECT_EQ(cmd.execute(ctx, {"fake", "a.tbl", "x=1", "-o", "b.tbl", "y=2"}), ExitFailure);
    EXPECT_EQ(cmd.runs, 1);
    EXPECT_EQ(cmd.seenArgs, (QStringList{"a.tbl", "x=1", "y=2"}));
    EXPECT_EQ(cmd.seenOutput, "b.tbl");
    EXPECT_FALSE(messages.assumeYes());
}

TEST_F(CommandTest, UsageErrorsDoNotRunTheVerb) {
    EXPECT_EQ(cmd.execute(ctx, {"fake"}), ExitUsage);
    EXPECT_TRUE(errText.contains("missing argument")) << errText.toStdString();
    EXPECT_EQ(cmd.execute(ctx, {"fake", "a", "--bogus"}), ExitUsage);
    EXPECT_TRUE(errText.contains("bogus")) << errText.toStdString();
    EXPECT_EQ(cmd.execute(ctx, {"fake", "a", "-o"}), ExitUsage); // option without its value
    EXPECT_EQ(cmd.runs, 0);
    EXPECT_TRUE(outText.isEmpty());
}

TEST_F(CommandTest, HelpNamesTheVerbAndItsArguments) {
    EXPECT_EQ(cmd.execute(ctx, {"fake", "--help"}), ExitSuccess);
    EXPECT_EQ(cmd.runs, 0);
    EXPECT_TRUE(outText.startsWith("Usage: kprtool fake [options] IN [KEY=VALUE...]\n"))
        << outText.toStdString();
    EXPECT_TRUE(outText.contains("--yes"));
    EXPECT_TRUE(outText.contains("--output <OUT>"));
}

TEST_F(CommandTest, YesAnswersEveryQuestion) {
    ASSERT_EQ(cmd.execute(ctx, {"fake", "a", "--yes"}), ExitSuccess);
    EXPECT_TRUE(messages.assumeYes());
    EXPECT_TRUE(messages.ask("Go on?"));
    EXPECT_EQ(msgErr.text(), "Go on? y\n");
}

TEST(CliMessages, MessageIsTheExactTextOnALine) {
    TempStream err;
    CliMessages m(err.f, nullptr);
    m.message("This file is not exit!");
    m.message("This file is arealy exist ! \r\nAre you sure overwrite this file?",
              MessageIcon::Question);
    EXPECT_EQ(err.text(),
              "This file is not exit!\nThis file is arealy exist ! \nAre you sure overwrite this "
              "file?\n");
    EXPECT_EQ(m.shown().size(), 2u);
    EXPECT_EQ(m.shown()[1], "This file is arealy exist ! \r\nAre you sure overwrite this file?");
}

TEST(CliMessages, WithoutATerminalTheAnswerIsNoUnlessSetOtherwise) {
    TempStream err, in;
    std::fputs("y\n", in.f); // not a terminal: never read
    std::rewind(in.f);
    CliMessages m(err.f, in.f);
    EXPECT_FALSE(m.ask("Overwrite?"));
    EXPECT_EQ(err.text(), "Overwrite? n (no terminal to ask; --yes answers Yes)\n");
    m.setNonInteractiveAnswer(true);
    EXPECT_TRUE(m.ask("Next pager?"));
}

TEST(CliMessages, AskerHookReplacesTheTerminal) {
    TempStream err;
    CliMessages m(err.f, nullptr);
    std::string asked;
    m.setAsker([&](const std::string& q) {
        asked = q;
        return true;
    });
    EXPECT_TRUE(m.ask("Write the next pager?"));
    EXPECT_EQ(asked, "Write the next pager?");
    EXPECT_EQ(err.text(), "");
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

TEST(HexDump, RowLayout) {
    PagerImage img;
    const char model[] = "\x0CKPR35T  0V5.21";
    for (int i = 0; i < 15; ++i)
        img[0x3E0 + i] = static_cast<uint8_t>(model[i]);
    img[0x3EF] = 0x90;
    EXPECT_EQ(dump_row(img, 0x3E0),
              "&H3E0  0C 4B 50 52 33 35 54 20  20 30 56 35 2E 32 31 90  |.KPR35T  0V5.21.|  "
              "model and version text");
    EXPECT_EQ(dump_row(img, 0x7F0),
              "&H7F0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  |................|");
    EXPECT_EQ(hex_address(0x5), "&H005");
    EXPECT_EQ(hex_bytes(img, 0x3E1, 0x3E5), "4B 50 52 33 35");
}
