// Batch writing through the ledger: kprtool passes over a capcode another pager holds, says
// so, records every pager, lists them with `log`; a ledger it cannot use stops it before
// the pager is touched.
#include "ledger/ledger.h"
#include "run_program.h"
#include "sim_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace kpr {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(LedgerE2E, BatchSkipsACapcodeAnotherPagerHoldsAndLogsEveryPager) {
    QTemporaryDir dir;
    const QString table = dir.filePath("batch.tbl"), ledger = dir.filePath("ledger.sqlite");
    ASSERT_EQ(e2e::run_program(KPRTOOL_PATH, {"default", table}).exitCode, 0);
    ASSERT_EQ(
        e2e::run_program(KPRTOOL_PATH, {"set", table, "capcode.1=0000500", "capcode.1.enabled=1"})
            .exitCode,
        0);
    {
        auto l = make_ledger(ledger.toStdString(), "");
        l->open("elsewhere");
        LedgerAttempt a;
        a.kind = "write";
        a.serial = "KS2026000017";
        a.capcodes[0] = {501, true};
        a.result = "verified";
        l->record(a);
    }
    e2e::SimProcess sim(KPR_BOARD_SIM_PATH, {});
    ASSERT_FALSE(sim.port.isEmpty());

    {
        QFile bad(dir.filePath("bad.sqlite"));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
    }
    auto r = e2e::run_program(
        KPRTOOL_PATH, {"write", table, "--ledger", dir.filePath("bad.sqlite"), "--port", sim.port});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err.toStdString(), HasSubstr("is damaged or is not a ledger"));
    EXPECT_THAT(r.err.toStdString(), Not(HasSubstr("Writing Now")));

    r = e2e::run_program(KPRTOOL_PATH, {"write", table, "--auto-inc", "1", "--count", "2", "--yes",
                                        "--ledger", ledger, "--port", sim.port});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const std::string err = r.err.toStdString();
    for (const char* line :
         {" 1st capcode : 0000500", "Capcode 0000501 is in pager KS2026000017 already: skipped",
          " 1st capcode : 0000502"})
        EXPECT_THAT(err, HasSubstr(line));

    r = e2e::run_program(KPRTOOL_PATH,
                         {"log", "--csv", "--result", "verified", "--ledger", ledger});
    EXPECT_EQ(r.exitCode, 0);
    const QStringList lines = r.out.split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString(); // header, two pagers, the seeded one
    EXPECT_TRUE(lines[1].contains(",write,KS2026000001,") && lines[1].contains(",0000502,1,"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(",0000500,1,")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].contains("KS2026000017"));
}

} // namespace
} // namespace kpr
