// Jobs through kprtool and simulated boards: each pager holds exactly the base with its row
// (as `kprtool set` of the same keys gives it), every row once, and a station killed while
// it writes leaves its row held until released, then takes it again.
#include "run_program.h"
#include "sim_process.h"
#include "support/pg_server.h"
#include "support/scratch_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>

#include <signal.h>

#include <map>

namespace kpr {
namespace {

using ::testing::HasSubstr;

class JobE2E : public ::testing::Test {
  protected:
    void SetUp() override { import(path("l.sqlite"), 12); }
    void import(const QString& url, int rows) {
        ledger = url;
        ASSERT_EQ(kprtool({"default", path("b.tbl")}).exitCode, 0);
        QByteArray order = "label;capcode.1;capcode.2:shared;capcode.2.enabled\r\n";
        for (int r = 1; r <= rows; ++r)
            order += "\"Ward " + QByteArray::number(r) + "; bed\";" +
                     QByteArray::number(1400000 + r) + ";1500000;1\r\n";
        ASSERT_TRUE(test::store(path("order.csv"), order));
        const auto r = kprtool({"job", "import", path("order.csv"), "--table", path("b.tbl"),
                                "--name", "ward", "--ledger", url});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    QString path(const QString& name) const {
        return QString::fromStdString(dir.path(name.toStdString()));
    }
    e2e::ProgramRun kprtool(const QStringList& args) {
        return e2e::run_program(KPRTOOL_PATH, args, QString::fromStdString(dir.dir().string()),
                                120000);
    }
    // `show` of a table file without the serial number, which every write gives anew.
    QString settings(const QString& file) {
        QStringList lines = kprtool({"show", file}).out.split('\n');
        lines.removeIf([](const QString& l) { return l.startsWith("serial"); });
        return lines.join('\n');
    }
    QStringList station_args(const e2e::SimProcess& sim) {
        QStringList args = {"station", "--job", "ward", "--yes", "--ledger", ledger};
        for (const QString& p : sim.ports)
            args << "--port" << p;
        return args;
    }
    e2e::ProgramRun station(const e2e::SimProcess& sim) { return kprtool(station_args(sim)); }
    test::ScratchDir dir;
    QString ledger;
};

TEST_F(JobE2E, TwelveRowsOnFourBoardsEachPagerHoldsBasePlusItsRow) {
    QDir().mkpath(path("done"));
    {
        e2e::SimProcess sim({"--boards", "4", "--swap", "--swap-dir", path("done")}, 4);
        const auto r = station(sim);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_THAT(r.out.toStdString(), HasSubstr("Verified 12,"));
    }
    std::map<long long, int> pagers; // capcode.1 -> pagers holding it
    for (const QString& f : QDir(path("done")).entryList({"pager-*.tbl"})) {
        const QString pager = path("done/" + f);
        const long long c = kprtool({"get", pager, "capcode.1"}).out.trimmed().toLongLong();
        ++pagers[c];
        const QString want = path("want.tbl");
        ASSERT_EQ(kprtool({"set", path("b.tbl"), "capcode.1=" + QString::number(c),
                           "capcode.2=1500000", "capcode.2.enabled=1", "-o", want})
                      .exitCode,
                  0);
        EXPECT_EQ(settings(pager), settings(want)) << f.toStdString();
    }
    ASSERT_EQ(pagers.size(), 12u);
    for (const auto& [capcode, n] : pagers)
        EXPECT_TRUE(capcode > 1400000 && capcode <= 1400012 && n == 1) << capcode;
    const QString shown =
        kprtool({"job", "show", "ward", "--csv", "--ledger", path("l.sqlite")}).out;
    EXPECT_EQ(shown.count(",verified,"), 12) << shown.toStdString();
    EXPECT_THAT(kprtool({"job", "list", "--ledger", path("l.sqlite")}).out.toStdString(),
                HasSubstr("ward\tb.tbl\t12/12\t0\t0\t0"));
    // The delivery note, as CSV and as a PDF whose text names every pager.
    EXPECT_EQ(kprtool({"job", "report", "ward", "-o", path("n.csv"), "--ledger", path("l.sqlite")})
                  .exitCode,
              0);
    EXPECT_EQ(test::contents(path("n.csv")).count("\r\n"), 13);
    const auto pdf =
        kprtool({"job", "report", "ward", "-o", path("n.pdf"), "--ledger", path("l.sqlite")});
    ASSERT_EQ(pdf.exitCode, 0) << pdf.err.toStdString();
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const auto text = e2e::run_program("pdftotext", {"-layout", path("n.pdf"), "-"});
    EXPECT_THAT(text.out.toStdString(),
                ::testing::AllOf(HasSubstr("Delivery note"), HasSubstr("Ward 12; bed"),
                                 HasSubstr("1:1400012"), HasSubstr("12 verified"),
                                 HasSubstr("Page 1")));
}

TEST_F(JobE2E, AStationKilledWhileWritingLeavesItsRowHeldThenTakesItAgain) {
    {
        e2e::SimProcess sim({"--pace", "--swap"});
        QProcess tool;
        e2e::start_program(tool, KPRTOOL_PATH,
                           {"station", "--job", "ward", "--yes", "--port", sim.port, "--ledger",
                            path("l.sqlite"), "--trace", path("t.txt")},
                           QString::fromStdString(dir.dir().string()));
        while (!test::contents(path("t.txt")).contains("write acknowledged") &&
               !tool.waitForFinished(1)) {
        }
        ::kill(static_cast<pid_t>(tool.processId()), SIGKILL);
        e2e::finish(tool);
    }
    e2e::SimProcess sim({"--boards", "2", "--swap"}, 2);
    auto r = station(sim);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("row 2 ("));
    EXPECT_THAT(r.err.toStdString(), HasSubstr("may be in a pager that was written"));
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Verified 11,"));
    // Not deleted while a row may be in a pager, unless forced.
    const QStringList remove = {"job", "delete", "ward", "--ledger", path("l.sqlite")};
    EXPECT_THAT(kprtool(remove).err.toStdString(), HasSubstr("was not deleted: 1 row(s) are"));
    const QString id = r.err.section("kprtool job release ", 1).section('\n', 0, 0).trimmed();
    EXPECT_EQ(kprtool({"job", "release", id, "--ledger", path("l.sqlite")}).exitCode, 0);
    r = station(sim);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Verified 1,"));
    const auto log = kprtool({"log", "--result", "verified", "--ledger", path("l.sqlite")});
    EXPECT_EQ(log.out.count('\n'), 12); // each row's pager once
    EXPECT_EQ(kprtool(remove).exitCode, 0);
    EXPECT_EQ(kprtool({"log", "--result", "verified", "--ledger", path("l.sqlite")}).out,
              log.out); // the attempts stay
    EXPECT_EQ(kprtool({"job", "list", "--ledger", path("l.sqlite")}).out.count('\n'), 1);
}

// Two stations on one PostgreSQL ledger share a job: each row's pager verified exactly once.
TEST_F(JobE2E, TwoStationsOnOnePostgresLedgerVerifyEachRowOnce) {
    const auto db = test::fresh_pg_database("job");
    if (!db)
        GTEST_SKIP() << "PostgreSQL: " << test::shared_pg_server().problem();
    import(QString::fromStdString(*db), 16);
    e2e::SimProcess a({"--boards", "2", "--swap"}, 2), b({"--boards", "2", "--swap"}, 2);
    QProcess first, second;
    const QString home = QString::fromStdString(dir.dir().string());
    e2e::start_program(first, KPRTOOL_PATH, station_args(a), home);
    e2e::start_program(second, KPRTOOL_PATH, station_args(b), home);
    const auto one = e2e::finish(first, 120000), two = e2e::finish(second, 120000);
    EXPECT_EQ(one.exitCode + two.exitCode, 0) << one.err.toStdString() << two.err.toStdString();
    const auto log = kprtool({"log", "--result", "verified", "--ledger", ledger});
    EXPECT_EQ(log.out.count('\n'), 16);
    const QString shown = kprtool({"job", "show", "ward", "--csv", "--ledger", ledger}).out;
    EXPECT_EQ(shown.count(",verified,"), 16) << shown.toStdString();
}

} // namespace
} // namespace kpr
