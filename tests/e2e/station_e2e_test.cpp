// kprtool station against four simulated boards in station sockets: the pagers verified,
// their capcodes from one counter, the report true to what the pagers hold.
#include "run_program.h"
#include "sim_process.h"

#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "ledger/ledger.h"
#include "ledger/pg_connection.h"
#include "ops/operations.h"
#include "ops/seal.h"
#include "pg_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <map>
#include <memory>
#include <optional>
#include <set>

namespace kpr {
namespace {

class Quiet : public OperatorMessages {
  public:
    void message(const std::string&, MessageIcon) override {}
    bool ask(const std::string&) override { return false; }
};

long long capcode_in(const QString& file) {
    Quiet q;
    Editor e(q);
    EXPECT_TRUE(e.mnuLBFF_Click(file.toStdString()));
    return capcode_value(EditorAdapter(e).capcode_text(0));
}

// The ports of a simulator serving `boards` boards, one PORT line each.
QStringList sim_ports(e2e::SimProcess& sim, int boards) {
    QStringList ports{sim.port};
    while (ports.size() < boards) {
        while (!sim.proc.canReadLine() && sim.proc.waitForReadyRead(5000)) {
        }
        ports << QString(sim.proc.readLine()).mid(5).trimmed();
    }
    return ports;
}

QStringList station_args(const QString& table, const QStringList& ports, int count) {
    QStringList args{"station",    table, "--count", QString::number(count),
                     "--auto-inc", "1",   "--yes"};
    for (const QString& p : ports)
        args << "--port" << p;
    return args;
}

struct Row {
    QString port, serial, result;
    long long capcode;
};

class StationE2E : public ::testing::Test {
  protected:
    // kprtool station on `boards` simulated boards (extra: simulator options); the report's
    // rows, and the serial number and capcode of every pager the simulator finished.
    void run(int boards, const QStringList& extra) {
        dir.emplace();
        ports.clear();
        rows.clear();
        pagers.clear();
        const QString in = dir->filePath("w.tbl");
        ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", in}).exitCode, 0);
        // Capcodes the simulated pagers do not hold already, so a write-protected pager can
        // never verify by chance.
        ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"set", in, "capcode.1=1300000"}).exitCode, 0);
        first = capcode_in(in);
        QDir().mkpath(dir->filePath("done"));
        e2e::SimProcess sim(KPR_BOARD_SIM_PATH, QStringList{"--boards", QString::number(boards),
                                                            "--swap-dir", dir->filePath("done")} +
                                                    extra);
        ports = sim_ports(sim, boards);
        QStringList args = station_args(in, ports, 8);
        args << "-o" << dir->filePath("report.csv") << "--ledger" << dir->filePath("ledger.sqlite");
        out = e2e::run_program(KPRTOOL_PATH, args, {}, 120000);
        QFile report(dir->filePath("report.csv"));
        ASSERT_TRUE(report.open(QIODevice::ReadOnly));
        report.readLine(); // the header
        while (!report.atEnd()) {
            const QStringList f = QString(report.readLine()).trimmed().split(',');
            rows.push_back({f[1], f[2], f[5], f[3].toLongLong()});
        }
        for (const QString& f : QDir(dir->filePath("done")).entryList({"pager-*.tbl"})) {
            QFile p(dir->filePath("done/" + f));
            EXPECT_TRUE(p.open(QIODevice::ReadOnly));
            const QByteArray b = p.readAll();
            pagers[b.mid(AddrSerialFirst, 12)] = capcode_in(p.fileName());
        }
    }
    // The verified pagers carry the eight capcodes from the file's on, each once, and every
    // one is in the finished pager of that serial number.
    void expect_eight_verified() {
        EXPECT_EQ(out.exitCode, 0) << out.err.toStdString();
        EXPECT_THAT(out.out.toStdString(), ::testing::HasSubstr("Verified 8,"));
        std::set<long long> capcodes;
        for (const Row& r : rows) {
            if (r.result != "verified")
                continue;
            capcodes.insert(r.capcode);
            EXPECT_EQ(pagers.at(r.serial.toLatin1()), r.capcode) << r.serial.toStdString();
        }
        std::set<long long> wanted;
        for (long long c = first; c < first + 8; ++c)
            wanted.insert(c);
        EXPECT_EQ(capcodes, wanted);
    }

    std::optional<QTemporaryDir> dir;
    QStringList ports;
    long long first = 0;
    e2e::ProgramRun out;
    std::vector<Row> rows;
    std::map<QByteArray, long long> pagers;
};

TEST_F(StationE2E, FourBoardsVerifyEightPagersWithConsecutiveCapcodes) {
    run(4, {"--swap"});
    expect_eight_verified();
    EXPECT_EQ(rows.size(), 8u);
    EXPECT_EQ(pagers.size(), 8u);
}

// One of four boards fails while the others run: a silent one is no position; one that
// drops the line mid-write or keeps its old bytes fails its pager, whose capcode the next
// pager of another board takes; the others finish the eight and the report says so.
TEST_F(StationE2E, OneFaultyBoardLeavesTheOthersToFinish) {
    struct Case {
        const char* fault;
        const char* failed; // the failed pager's result; nullptr: no pager failed
    };
    for (const Case& c : {Case{"2:silent", nullptr}, Case{"3:drop-after=20", "Write error!"},
                          Case{"3:write-protect", "Verify Error!"}}) {
        SCOPED_TRACE(c.fault);
        run(4, {"--swap", "--fault", c.fault});
        expect_eight_verified();
        const auto failed = std::find_if(rows.begin(), rows.end(),
                                         [](const Row& r) { return r.result != "verified"; });
        if (!c.failed) {
            EXPECT_EQ(rows.size(), 8u);
            EXPECT_THAT(out.err.toStdString(),
                        ::testing::HasSubstr("Board 2 (" + ports[1].toStdString() +
                                             "): The Programmed Board is not responding!"));
            continue;
        }
        ASSERT_EQ(rows.size(), 9u);
        EXPECT_EQ(failed->result, QString("incomplete: ") + c.failed);
        EXPECT_EQ(failed->port, ports[2]);
        EXPECT_TRUE(std::any_of(
            failed + 1, rows.end(),
            [&](const Row& r) { return r.result == "verified" && r.capcode == failed->capcode; }))
            << "capcode " << failed->capcode << " not taken again";
    }
}

// Two stations of two simulated boards each share one PostgreSQL ledger: no capcode goes to
// two pagers. A station killed mid-batch leaves its reservation open until its next start,
// which releases it, and even then no verified pager's capcode is given again.
TEST(StationLedgerE2E, TwoStationsOnePostgresLedgerAndAKilledOne) {
    test::PgServer pg;
    if (!pg.problem().empty())
        GTEST_SKIP() << "PostgreSQL: " << pg.problem();
    const std::string url = pg.fresh_database("stations");
    QTemporaryDir dir;
    const QString in = dir.filePath("w.tbl");
    ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", in}).exitCode, 0);
    const long long first = capcode_in(in);
    // Every pager its own serial number, across the simulators too.
    auto sim = [](const char* serial, QStringList extra = {}) {
        return std::make_unique<e2e::SimProcess>(
            KPR_BOARD_SIM_PATH, QStringList{"--boards", "2", "--swap", "--serial", serial} + extra);
    };
    auto start = [&](QProcess& p, e2e::SimProcess& s, int count) {
        p.start(KPRTOOL_PATH, station_args(in, sim_ports(s, 2), count)
                                  << "--ledger" << QString::fromStdString(url));
        p.closeWriteChannel();
    };
    PgConnection db(url, url);
    db.connect();
    auto reservations = [&] {
        return db.exec("SELECT capcode, pid FROM reservations ORDER BY capcode", {});
    };
    // Capcode (1st) -> the serial numbers of the pagers verified with it.
    auto verified = [&] {
        auto ledger = make_ledger(url, "");
        ledger->open("checker");
        std::map<long long, std::set<std::string>> held;
        for (const LedgerAttempt& a : ledger->query({"", "", std::nullopt, "verified"}))
            held[a.capcodes[0].capcode].insert(a.serial);
        return held;
    };

    auto simA = sim("KS2026100000"), simB = sim("KS2026200000");
    {
        QProcess a, b;
        start(a, *simA, 4);
        start(b, *simB, 4);
        for (QProcess* p : {&a, &b}) {
            ASSERT_TRUE(p->waitForFinished(120000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        }
    }
    auto held = verified();
    ASSERT_EQ(held.size(), 8u);
    EXPECT_EQ(held.begin()->first, first);
    EXPECT_EQ(held.rbegin()->first, first + 7);
    for (const auto& [capcode, serials] : held)
        EXPECT_EQ(serials.size(), 1u) << capcode;

    // Paced, so the first pager's write is still under way when the station is killed.
    auto paced = sim("KS2026300000", {"--pace"});
    QProcess killed;
    start(killed, *paced, 4);
    const QString pid = QString::number(killed.processId());
    for (int i = 0; i < 3000 && reservations().empty(); ++i)
        QThread::msleep(10);
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(10000));
    // Both positions may have started a pager: their reservations stay open.
    const auto left = reservations();
    ASSERT_FALSE(left.empty());
    for (const SqlRow& r : left)
        EXPECT_EQ(r[1], pid.toStdString());
    const long long open = std::stoll(*left[0][0]);
    EXPECT_EQ(open, first + 8);

    QProcess again;
    start(again, *simA, 2);
    ASSERT_TRUE(again.waitForFinished(120000));
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    EXPECT_TRUE(reservations().empty());
    held = verified();
    EXPECT_EQ(held.size(), 10u);
    EXPECT_EQ(held.rbegin()->first, first + 9) << "the killed station's capcodes were not released";
    for (const auto& [capcode, serials] : held)
        EXPECT_EQ(serials.size(), 1u) << capcode;
}

} // namespace
} // namespace kpr
