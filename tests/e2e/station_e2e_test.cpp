// kprtool station against four simulated boards in station sockets: the pagers verified,
// their capcodes from one counter, the report true to what the pagers hold.
#include "run_program.h"
#include "sim_process.h"

#include "editor/editor.h"
#include "ops/editor_adapter.h"
#include "ops/operations.h"
#include "ops/seal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
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

struct Row {
    QString port, serial, result;
    long long capcode;
};

class StationE2E : public ::testing::Test {
  protected:
    // kprtool station on `boards` simulated boards (extra: simulator options); the report's
    // rows, and the serial number and capcode of every pager the simulator finished.
    void run(int boards, const QStringList& extra) {
        const QString in = dir.filePath("w.tbl");
        ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", in}).exitCode, 0);
        first = capcode_in(in);
        QDir().mkpath(dir.filePath("done"));
        e2e::SimProcess sim(KPR_BOARD_SIM_PATH, QStringList{"--boards", QString::number(boards),
                                                            "--swap-dir", dir.filePath("done")} +
                                                    extra);
        QStringList args{"station", in,           "--count",
                         "8",       "--auto-inc", "1",
                         "--yes",   "-o",         dir.filePath("report.csv")};
        for (int i = 0; i < boards; ++i) {
            while (i > 0 && !sim.proc.canReadLine() && sim.proc.waitForReadyRead(5000)) {
            }
            ports << (i == 0 ? sim.port : QString(sim.proc.readLine()).mid(5).trimmed());
            args << "--port" << ports.back();
        }
        out = e2e::run_program(KPRTOOL_PATH, args, {}, 120000);
        QFile report(dir.filePath("report.csv"));
        ASSERT_TRUE(report.open(QIODevice::ReadOnly));
        report.readLine(); // the header
        while (!report.atEnd()) {
            const QStringList f = QString(report.readLine()).trimmed().split(',');
            rows.push_back({f[1], f[2], f[5], f[3].toLongLong()});
        }
        for (const QString& f : QDir(dir.filePath("done")).entryList({"pager-*.tbl"})) {
            QFile p(dir.filePath("done/" + f));
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

    QTemporaryDir dir;
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

// A silent board is no position; a write-protected one fails its pager, whose capcode the
// next pager of another board takes; the others finish the eight.
TEST_F(StationE2E, FaultyBoardsLeaveTheOthersToFinish) {
    run(4, {"--swap", "--fault", "2:silent", "--fault", "3:write-protect"});
    expect_eight_verified();
    ASSERT_EQ(rows.size(), 9u);
    const auto failed =
        std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.result != "verified"; });
    EXPECT_EQ(failed->result, "incomplete: Verify Error!");
    EXPECT_EQ(failed->port, ports[2]);
    EXPECT_THAT(out.err.toStdString(),
                ::testing::HasSubstr("Board 2 (" + ports[1].toStdString() +
                                     "): The Programmed Board is not responding!"));
}

} // namespace
} // namespace kpr
