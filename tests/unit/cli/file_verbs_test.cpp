// The file verbs on hostile inputs and outputs, run in process on real files: special files,
// output that cannot be written, names that are not UTF-8, profile saves.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/command.h"
#include "cli/commands.h"
#include "cli/raw_arguments.h"
#include "text/default_image.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

using namespace kpr;
using namespace kpr::cli;
namespace fs = std::filesystem;

namespace {

class FileVerbs : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kpr-file-verbs-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        good = path("good.tbl");
        ASSERT_EQ(run({"default", good}), ExitSuccess);
        profile = path("p.yaml");
        std::ofstream(local_path(profile)) << "settings:\n  password: \"1234\"\n";
    }
    void TearDown() override { fs::remove_all(dir); }
    QString path(const std::string& name) const { return argument_text((dir / name).string()); }

    // Runs a verb with fresh streams; `out` goes to `outFile` when given.
    int run(const QStringList& args, const char* outFile = nullptr) {
        errText.clear();
        QString outText;
        QFile file;
        QTextStream out(&outText);
        if (outFile) {
            file.setFileName(outFile);
            if (!file.open(QIODevice::WriteOnly))
                return -1;
            out.setDevice(&file);
        }
        QTextStream err(&errText);
        std::FILE* msgErr = std::tmpfile();
        CliMessages messages(msgErr, nullptr);
        CliProgress progress(msgErr);
        CommandContext ctx{out, err, messages, progress};
        const int status = find_command(args.at(0))->execute(ctx, args);
        shown = messages.shown();
        std::fclose(msgErr);
        return status;
    }

    fs::path dir;
    QString good, profile;
    QString errText;
    std::vector<std::string> shown;
};

std::vector<uint8_t> read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

// Every verb that reads a file gives the same message for the same fault, at once.
TEST_F(FileVerbs, SpecialInputsGetOneMessageFromEveryVerb) {
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink("loop", dir / "loop");
    const std::string notRegular = "not a regular file (a device, FIFO or socket)";
    const struct {
        QString input;
        std::string message;
    } inputs[] = {
        {path("fifo"), "The [" + (dir / "fifo").string() + "] could not be read: " + notRegular},
        {"/dev/zero", "The [/dev/zero] could not be read: " + notRegular},
        {path("folder"), "The [" + (dir / "folder").string() +
                             "] could not be read: " + std::generic_category().message(EISDIR)},
        {path("loop"), "The [" + (dir / "loop").string() +
                           "] could not be read: " + std::generic_category().message(ELOOP)},
        {path("missing"), "This file is not exit!"},
    };
    const QString out = path("out.tbl");
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
            EXPECT_EQ(run(verb), ExitFailure) << verb.join(' ').toStdString();
            EXPECT_EQ(shown, std::vector<std::string>{in.message}) << verb.join(' ').toStdString();
        }
    }
    EXPECT_FALSE(fs::exists(dir / "out.tbl"));
}

TEST_F(FileVerbs, OutputThatCannotBeWrittenFails) {
    const std::string full = std::generic_category().message(ENOSPC);
    const QList<QStringList> verbs = {{"dump", good},
                                      {"show", good},
                                      {"show", "--json", good},
                                      {"export", good},
                                      {"diff", good, good}};
    for (const QStringList& verb : verbs) {
        EXPECT_EQ(run(verb, "/dev/full"), ExitFailure) << verb.join(' ').toStdString();
        EXPECT_TRUE(errText.contains(QString::fromStdString(full))) << errText.toStdString();
    }
    EXPECT_EQ(run({"export", good, "-o", "/dev/full"}), ExitFailure);
    EXPECT_EQ(shown, std::vector<std::string>{"The /dev/full could not be written: " + full});
    EXPECT_EQ(fs::status("/dev/full").type(), fs::file_type::character);
}

TEST_F(FileVerbs, NamesThatAreNotUtf8ReachTheSystemAsGiven) {
    for (const std::string name : {"out\xe9.tbl", "\xff\xfe.tbl", "caf\xc3\xa9\x80.tbl"}) {
        const std::string raw = (dir / name).string();
        ASSERT_EQ(run({"default", argument_text(raw)}), ExitSuccess) << errText.toStdString();
        EXPECT_EQ(run({"export", argument_text(raw), "-o", argument_text(raw + ".yaml")}),
                  ExitSuccess);
        EXPECT_TRUE(fs::exists(raw) && fs::exists(raw + ".yaml"));
    }
}

TEST_F(FileVerbs, DefaultReplacesALongerFile) {
    std::ofstream(dir / "long.tbl", std::ios::binary) << std::string(3000, 'x');
    ASSERT_EQ(run({"default", path("long.tbl")}), ExitSuccess);
    EXPECT_EQ(fs::file_size(dir / "long.tbl"), 2048u);
}

// export -o saves as a table file is saved.
TEST_F(FileVerbs, ProfileSavesFollowTheTableRules) {
    const std::string victim = (dir / "victim").string();
    std::ofstream(victim) << "mine";
    // A link planted where an export used to put its temporary file.
    const std::string planted = (dir / "planted.yaml").string();
    fs::create_symlink(victim, planted + ".tmp-" +
                                   std::to_string(std::hash<std::string>{}(planted) % 100000));
    EXPECT_EQ(run({"export", good, "-o", argument_text(planted)}), ExitSuccess);
    EXPECT_EQ(read_bytes(victim), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));

    // A link at the target is written through.
    fs::create_symlink("real.yaml", dir / "link.yaml");
    EXPECT_EQ(run({"export", good, "-o", path("link.yaml")}), ExitSuccess);
    EXPECT_TRUE(fs::is_symlink(dir / "link.yaml"));
    EXPECT_GT(fs::file_size(dir / "real.yaml"), 100u);

    // The real reason for a failure.
    EXPECT_EQ(run({"export", good, "-o", path("no-folder/p.yaml")}), ExitFailure);
    EXPECT_EQ(shown, std::vector<std::string>{
                         "The " + (dir / "no-folder/p.yaml").string() +
                         " could not be written: " + std::generic_category().message(ENOENT)});
}
