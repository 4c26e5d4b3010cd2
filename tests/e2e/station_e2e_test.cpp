// kprtool station against simulated boards in station sockets: the pagers verified, their
// capcodes from one counter, the report true to what the pagers hold.
#include "run_program.h"
#include "sim_process.h"
#include "support/scratch_dir.h"

#include "image/image_addresses.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <signal.h>

#include <map>
#include <set>

namespace kpr {
namespace {

using ::testing::HasSubstr;

long long capcode_in(const QString& file) {
    return e2e::run_program(KPRTOOL_PATH, {"get", file, "capcode.1"}).out.trimmed().toLongLong();
}

struct Row {
    QString port, serial, result;
    long long capcode;
};

// Eight pagers on four boards, one of them faulty while the others run: a silent board is no
// position; one that drops the line mid-write or keeps its old bytes fails its pager, whose
// capcode the next pager of another board takes. Every time the eight verified pagers carry
// the eight capcodes from the file's on, each in the finished pager of its serial number.
TEST(StationE2E, EightPagersOnFourBoardsOneOfThemFaulty) {
    struct Case {
        QStringList fault;
        const char* failed; // the failed pager's result; nullptr: none failed
    };
    const Case cases[] = {{{}, nullptr},
                          {{"--fault", "2:silent"}, nullptr},
                          {{"--fault", "3:drop-after=20"}, "incomplete: Write error!"},
                          {{"--fault", "3:write-protect"}, "incomplete: Verify Error!"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault.join(' ').toStdString());
        QTemporaryDir dir;
        const QString in = dir.filePath("w.tbl"), done = dir.filePath("done");
        ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", in}).exitCode, 0);
        // Capcodes the simulated pagers do not hold already, so a write-protected pager can
        // never verify by chance.
        ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"set", in, "capcode.1=1300000"}).exitCode, 0);
        QDir().mkpath(done);
        e2e::SimProcess sim(QStringList{"--boards", "4", "--swap", "--swap-dir", done} + c.fault,
                            4);
        ASSERT_EQ(sim.ports.size(), 4);
        const auto out = e2e::run_program(
            KPRTOOL_PATH,
            QStringList{"station", in, "--count", "8", "--auto-inc", "1", "--yes", "--port",
                        sim.ports[0], "--port", sim.ports[1], "--port", sim.ports[2], "--port",
                        sim.ports[3], "-o", dir.filePath("report.csv"), "--ledger",
                        dir.filePath("l.sqlite")},
            dir.path(), 120000);
        EXPECT_EQ(out.exitCode, 0) << out.err.toStdString();
        EXPECT_THAT(out.out.toStdString(), HasSubstr("Verified 8,"));

        std::vector<Row> rows;
        QFile report(dir.filePath("report.csv"));
        ASSERT_TRUE(report.open(QIODevice::ReadOnly));
        report.readLine(); // the header
        while (!report.atEnd()) {
            const QStringList f = QString(report.readLine()).trimmed().split(',');
            rows.push_back({f[1], f[2], f[5], f[3].toLongLong()});
        }
        std::map<QString, long long> pagers; // serial number -> capcode, of finished pagers
        for (const QString& f : QDir(done).entryList({"pager-*.tbl"})) {
            QFile p(done + "/" + f);
            EXPECT_TRUE(p.open(QIODevice::ReadOnly));
            pagers[QString::fromLatin1(p.readAll().mid(AddrSerialFirst, 12))] =
                capcode_in(p.fileName());
        }
        std::set<long long> capcodes, wanted;
        for (long long k = 1300000; k < 1300008; ++k)
            wanted.insert(k);
        for (const Row& r : rows)
            if (r.result == "verified") {
                capcodes.insert(r.capcode);
                EXPECT_EQ(pagers[r.serial], r.capcode) << r.serial.toStdString();
            }
        EXPECT_EQ(capcodes, wanted);
        const auto failed = std::find_if(rows.begin(), rows.end(),
                                         [](const Row& r) { return r.result != "verified"; });
        if (!c.failed) {
            EXPECT_EQ(rows.size(), 8u);
            if (!c.fault.isEmpty()) {
                EXPECT_THAT(out.err.toStdString(),
                            HasSubstr("Board 2 (" + sim.ports[1].toStdString() +
                                      "): The Programmed Board is not responding!"));
            }
            continue;
        }
        ASSERT_EQ(rows.size(), 9u);
        EXPECT_EQ(failed->result, c.failed);
        EXPECT_EQ(failed->port, sim.ports[2]);
        EXPECT_TRUE(std::any_of(
            failed + 1, rows.end(),
            [&](const Row& r) { return r.result == "verified" && r.capcode == failed->capcode; }))
            << "capcode " << failed->capcode << " not taken again";
    }
}

// What the operator is told before and during a run: a usage error without --auto-inc, a
// report that cannot be made stops the run before any board, ports keep their numbers (a
// missing one named, one device under two names left out), and a pager left in a board is
// not written again: the run waits (Ctrl-C ends it) with the report already holding the pager
// that verified.
TEST(StationE2E, WhatTheOperatorIsToldAndTheSamePagerLeftIn) {
    QTemporaryDir dir;
    const QString in = dir.filePath("w.tbl"), ledger = dir.filePath("l.sqlite");
    ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", in}).exitCode, 0);
    e2e::SimProcess sim({"--save", dir.filePath("pager.tbl")});
    ASSERT_TRUE(QFile::link(sim.port, dir.filePath("again")));
    const QStringList run = {"station", in, "--ledger", ledger, "--port", sim.port};
    const struct {
        QStringList args;
        int exit;
        std::string says;
    } rows[] = {
        {run + QStringList{"--count", "2", "--yes"}, 2, "--same-capcodes does that on purpose"},
        {run + QStringList{"--auto-inc", "1", "-o", dir.filePath("no/r.csv")}, 1, "no/r.csv"},
        {run + QStringList{"--port", dir.filePath("none"), "--port", dir.filePath("again"),
                           "--auto-inc", "1", "--count", "1", "--yes"},
         0, "Board 2 (" + dir.filePath("none").toStdString() + "): There is no such port."},
    };
    for (const auto& row : rows) {
        const auto r = e2e::run_program(KPRTOOL_PATH, row.args, dir.path(), 60000);
        EXPECT_EQ(r.exitCode, row.exit) << r.err.toStdString();
        EXPECT_THAT(r.err.toStdString(), HasSubstr(row.says));
    }
    EXPECT_EQ(e2e::run_program(KPRTOOL_PATH, {"log", "--ledger", ledger}).out.count('\n'), 1);

    QProcess tool;
    e2e::start_program(
        tool, KPRTOOL_PATH,
        run + QStringList{"--auto-inc", "1", "--count", "2", "--yes", "-o", dir.filePath("r.csv")},
        dir.path());
    QByteArray err;
    tool.setReadChannel(QProcess::StandardError);
    while (!err.contains("is the one just verified") && tool.waitForReadyRead(30000))
        err += tool.readAllStandardError();
    ::kill(static_cast<pid_t>(tool.processId()), SIGINT);
    const auto r = e2e::finish(tool);
    EXPECT_EQ(r.exitCode, 1) << (err + r.err.toUtf8()).toStdString();
    const QList<QByteArray> lines = test::contents(dir.filePath("r.csv")).split('\n');
    ASSERT_EQ(lines.size(), 3); // header, the verified pager, the end of the last line
    EXPECT_TRUE(lines[1].contains(",verified,"));
}

} // namespace
} // namespace kpr
