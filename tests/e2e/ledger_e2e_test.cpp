// The ledger's promise through kprtool and simulated boards, on a SQLite file and on the
// fixture's PostgreSQL server: no capcode in two verified pagers, a pager whose write may
// have happened never lets its capcode out, and only what the ledger protects needs it.
#include "run_program.h"
#include "sim_process.h"
#include "support/pg_server.h"
#include "support/scratch_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <signal.h>

#include <set>

namespace kpr {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

class LedgerE2E : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "postgresql") {
            const auto db = test::fresh_pg_database("e2e");
            if (!db)
                GTEST_SKIP() << "PostgreSQL: " << test::shared_pg_server().problem();
            url = QString::fromStdString(*db);
        } else {
            url = path("ledger.sqlite");
        }
        ASSERT_EQ(kprtool({"default", path("b.tbl")}).exitCode, 0);
        ASSERT_EQ(kprtool({"set", path("b.tbl"), "capcode.1=1300000"}).exitCode, 0);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    e2e::ProgramRun kprtool(const QStringList& args) {
        return e2e::run_program(KPRTOOL_PATH, args, dir.path(), 120000);
    }
    QTemporaryDir dir;
    QString url;
};

// Erased pagers all get the default serial when written, so the serial tells them apart no
// more: two station runs from the same first capcode give six pagers six capcodes.
TEST_P(LedgerE2E, PagersWithTheDefaultSerialNeverShareACapcode) {
    std::multiset<QString> capcodes;
    for (int run = 0; run < 2; ++run) {
        e2e::SimProcess sim({"--boards", "2", "--swap", "--fault", "1:blank", "--fault", "2:blank"},
                            2);
        const QString report = path("report" + QString::number(run) + ".csv");
        const auto r = kprtool({"station", path("b.tbl"), "--count", "3", "--auto-inc", "1",
                                "--yes", "--port", sim.ports.value(0), "--port", sim.ports.value(1),
                                "-o", report, "--ledger", url});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        for (const QByteArray& line : test::contents(report).split('\n'))
            if (line.contains(",verified,")) {
                EXPECT_TRUE(line.contains(",Vard0000000 ,")) << line.toStdString();
                capcodes.insert(QString(line).section(',', 3, 3));
            }
    }
    EXPECT_EQ(std::set<QString>(capcodes.begin(), capcodes.end()).size(), 6u); // none twice
    // Each run is a job of its three rows.
    EXPECT_EQ(kprtool({"job", "list", "--ledger", url}).out.count("\tb.tbl\t3/3\t0\t0\t0\t"), 2);
}

// A batch killed while its pager is written: the capcode stays held (shown at the next start
// and by log --open) until the technician releases it.
TEST_P(LedgerE2E, AKilledWriteKeepsItsCapcodeUntilReleased) {
    {
        e2e::SimProcess sim({"--pace"});
        QProcess tool;
        e2e::start_program(tool, KPRTOOL_PATH,
                           {"write", path("b.tbl"), "--auto-inc", "1", "--count", "1", "--yes",
                            "--port", sim.port, "--ledger", url, "--trace", path("t.txt")},
                           dir.path());
        // The trace shows the first block's acknowledgement as soon as it is in.
        while (!test::contents(path("t.txt")).contains("write acknowledged") &&
               !tool.waitForFinished(1)) {
        }
        ::kill(static_cast<pid_t>(tool.processId()), SIGKILL);
        e2e::finish(tool);
    }
    const auto open = kprtool({"log", "--open", "--ledger", url});
    EXPECT_THAT(open.out.toStdString(), AllOf(HasSubstr("1300000  "), HasSubstr("writing")));
    e2e::SimProcess sim({});
    const QStringList again = {"write", path("b.tbl"), "--auto-inc", "1",        "--count", "1",
                               "--yes", "--port",      sim.port,     "--ledger", url};
    auto r = kprtool(again);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr("may be in a pager that was written but never"));
    EXPECT_THAT(r.err.toStdString(), HasSubstr(" 1st capcode : 1300001"));
    EXPECT_EQ(kprtool({"ledger", "release", open.out.section(' ', 0, 0), "--ledger", url}).exitCode,
              0);
    r = kprtool(again);
    EXPECT_THAT(r.err.toStdString(), HasSubstr(" 1st capcode : 1300000"));
}

INSTANTIATE_TEST_SUITE_P(Databases, LedgerE2E, ::testing::Values("sqlite", "postgresql"));

// Without a usable ledger, Write and Read run with a warning; a batch with auto-increase
// refuses unless told --no-ledger; listing makes no ledger where there is none.
TEST(LedgerE2EUnusable, OnlyAutoIncreaseNeedsTheLedger) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.sqlite"), table = dir.filePath("b.tbl");
    ASSERT_TRUE(test::store(bad, QByteArray(4096, 'x')));
    ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", table}, dir.path()).exitCode, 0);
    e2e::SimProcess sim({});
    const struct {
        QStringList args;
        int exit;
        const char* says;
    } rows[] = {
        {{"write", table}, 0, "Attempts are not recorded in the ledger"},
        {{"read", "-o", dir.filePath("r.tbl")}, 0, "Attempts are not recorded in the ledger"},
        {{"write", table, "--auto-inc", "1", "--count", "2", "--yes"}, 1, "--no-ledger writes"},
        {{"write", table, "--auto-inc", "1", "--count", "2", "--yes", "--no-ledger"},
         0,
         "Not recording in the ledger (--no-ledger)."},
    };
    for (const auto& row : rows) {
        const auto r = e2e::run_program(
            KPRTOOL_PATH, row.args + QStringList{"--port", sim.port, "--ledger", bad}, dir.path());
        EXPECT_EQ(r.exitCode, row.exit) << r.err.toStdString();
        EXPECT_THAT(r.err.toStdString(), HasSubstr(row.says));
    }
    EXPECT_TRUE(QFile::exists(dir.filePath("r.tbl")));
    const auto r = e2e::run_program(
        KPRTOOL_PATH, {"log", "--ledger", dir.filePath("typo/ledger.sqlite")}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("typo")));
}

} // namespace
} // namespace kpr
