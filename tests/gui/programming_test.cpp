// The programming dialog on the `--simulate` pager (read, write and verify, a batch, a
// transfer cancelled by closing), the station dialog, the programming log, and the
// parallel-port board inside the window's programmer. What each operation does under each
// board fault is the fault matrix's business.
#include "gui_fixture.h"
#include "ledger/ledger.h"
#include "ledger/ledger_format.h"
#include "ops/lpt_board.h"
#include "support/fake_port_io.h"
#include "ui/form2.h"
#include "ui/ledger_log_dialog.h"
#include "ui/station_dialog.h"

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <map>
#include <set>

using namespace kpr;
using kpr::test::click;
using kpr::test::Gui;

namespace {

// Capcode of slot s as the pager memory holds it.
long capcode_in(const BoardSim::Memory& m, int s) {
    const int b = 0x40 + 4 * s;
    return ((((m[b + 1] & 3) * 256 + m[b + 2]) * 256 + m[b + 3]) * 8) | ((m[b + 1] >> 2) & 7);
}

std::vector<std::string> ledger_rows(const std::string& url) {
    std::vector<std::string> rows;
    for (const LedgerAttempt& a : open_ledger(url, "")->query({}))
        rows.push_back(a.kind + " " + a.result);
    return rows;
}

} // namespace

class ProgrammingTest : public QObject {
    Q_OBJECT

  private slots:
    void theSimulatedPagerReadsWritesAndVerifies() {
        Gui g;
        std::map<BackupKind, int> kept;
        for (const auto& e : product_backup_store().list())
            --kept[e.kind];
        QVERIFY(g.start());
        g.form->monitorTick(); // finds the board on its port
        QTRY_COMPARE(g.form->statusLine()->text(), QStringLiteral("  The Programmed Board Connect !"));
        QString bar;
        QVERIFY(g.run("mnuEntire", [&](QWidget* d) {
            auto* f2 = qobject_cast<Form2*>(d);
            connect(f2, &Form2::operationFinished, [&, f2] { bar = f2->progressBar()->styleSheet(); });
        }));
        QVERIFY2(bar.contains(QStringLiteral("#800080")), qPrintable(bar)); // a read's purple
        // Space on "Write Mode" writes, the focus comes back to it, and an edit reaches the
        // pager.
        g.form->selectTab(1);
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        click(beeper);
        auto* write = g.widget<QRadioButton>("WriteOpt");
        click(write);
        QString during;
        QVERIFY(g.open([&] { QTest::keyClick(write, Qt::Key_Space); },
                       [&](QWidget*) { during = g.form->statusLine()->text(); }));
        QCOMPARE(g.form->focusWidget(), write);
        QCOMPARE((g.port->memory()[0x31] >> 3) & 1, beeper->isChecked() ? 0 : 1);
        QApplication::setActiveWindow(g.form.get());
        QVERIFY(g.open([&] { QTest::keyClick(g.form.get(), Qt::Key_F9); })); // "Verfy"
        QCOMPARE(g.said,
                 (std::vector<std::string>{"Read success!", "Verify Success!", "Verify Success!"}));
        QCOMPARE(during, g.form->statusLine()->text()); // edits and transfers leave it
        QVERIFY(g.form->pagerMenu()->isEnabled());
        QVERIFY(!g.port->isOpen()); // closed between operations
        QCOMPARE(ledger_rows(g.programmer->ledgerUrl()),
                 (std::vector<std::string>{"verify verified", "write verified", "read read"}));
        for (const auto& e : product_backup_store().list())
            ++kept[e.kind];
        QCOMPARE(kept[BackupKind::Read], 1);
        QCOMPARE(kept[BackupKind::Written], 1);
        g.form->close(); // the known board is released
        QCOMPARE(g.port->board().mode(), 'r');
        QVERIFY(!g.port->isOpen());
    }

    void aBatchWritesAtEachWriteAndRaisesBothCapcodes() {
        Gui g;
        QVERIFY(g.start());
        auto* cap1 = g.widget<QLineEdit>("txtAddr(0)");
        auto* cap2 = g.widget<QLineEdit>("txtAddr(1)");
        const long c1 = cap1->text().toLong();
        const long c2 = cap2->text().toLong();
        for (const char* n : {"optAuto1", "optAuto2", "WriteOpt"})
            click(g.form->control(n));
        std::vector<std::pair<long, long>> written;
        QStringList labels;
        bool ok = true;
        QVERIFY(g.run("mnuEB", [&](QWidget* d) {
            auto* f2 = qobject_cast<Form2*>(d);
            int finished = 0;
            connect(f2, &Form2::operationFinished, [&] { ++finished; });
            // Nothing is written until the operator asks: the dialog waits for "Write".
            ok = QTest::qWaitFor([&] { return finished == 1; }) &&
                 f2->exitButton()->isVisible() && f2->autoLabel(1)->isVisible();
            for (int pager = 0; ok && pager < 2; ++pager) {
                // A right click writes nothing; "Write" keeps the focus, so Enter writes too.
                click(f2->writeButton(), Qt::RightButton);
                ok &= !f2->transferRunning() && f2->focusWidget() == f2->writeButton();
                if (pager == 0)
                    click(f2->writeButton());
                else
                    QTest::keyClick(f2->focusWidget(), Qt::Key_Return);
                ok &= QTest::qWaitFor([&] { return finished == pager + 2; });
                labels << f2->autoLabel(0)->text() << f2->autoLabel(1)->text();
                written.emplace_back(capcode_in(g.port->memory(), 0),
                                     capcode_in(g.port->memory(), 1));
            }
            click(f2->exitButton());
        }));
        QVERIFY(ok);
        QCOMPARE(written, (std::vector<std::pair<long, long>>{{c1, c2}, {c1 + 1, c2 + 1}}));
        QCOMPARE(labels.at(0), QStringLiteral(" 1st capcode : %1").arg(c1, 7, 10, QChar('0')));
        QCOMPARE(labels.at(3), QStringLiteral(" 2nd capcode : %1").arg(c2 + 1, 7, 10, QChar('0')));
        QCOMPARE(cap1->text().toLong(), c1 + 2);
        QCOMPARE(cap2->text().toLong(), c2 + 2);
        QCOMPARE(g.said, (std::vector<std::string>(2, "Verify Success!")));
    }

    void closingTheDialogCancelsTheTransfer() {
        Gui g(true, {}, SimSerialPort::RealSpeed); // still writing when closed
        QVERIFY(g.start());
        g.said.clear();
        const auto before = g.port->memory();
        click(g.widget<QRadioButton>("WriteOpt"));
        g.editor.image()[0x7F0] ^= 0xFF; // something the pager does not have yet
        bool running = false;
        QVERIFY(g.run("mnuEB", [&](QWidget* d) {
            auto* f2 = qobject_cast<Form2*>(d);
            running = QTest::qWaitFor([&] { return f2->progressBar()->value() > 0; }) &&
                      f2->transferRunning();
            click(f2->closeButton());
        }));
        QVERIFY(running);
        QTRY_VERIFY(!g.programmer->busy());
        QVERIFY(!g.port->isOpen());
        QVERIFY(std::find(g.said.begin(), g.said.end(), "Verify Success!") == g.said.end());
        QCOMPARE(g.port->memory()[0x7F0], before[0x7F0]); // the last block never went out
        QVERIFY(g.form->monitorTimer().isActive());
    }

    void theStationWritesFourBoardsOneFailingAndHandsOnItsCapcode() {
        Gui g;
        QVERIFY(g.start());
        std::vector<SimFaults> faults(4);
        faults[2].writeProtect = true; // acknowledges writes, keeps the old bytes
        SimBoards boards(4, SimSerialPort::Instant, faults);
        g.form->setStationPorts({[&] { return boards.ports(); },
                                 [&](const std::string& n) { return boards.port(n); }, &g.clock});
        // A capcode the simulated pagers do not hold: the protected one never verifies by chance.
        QVERIFY(g.editor.userEnterText("txtAddr(0)", "1300000"));
        g.editor.txtAddr_LostFocus(0);
        g.form->render();
        auto* cap1 = g.widget<QLineEdit>("txtAddr(0)");
        const long long first = cap1->text().toLongLong();
        click(g.form->control("optAuto1"));
        int writtenBeforeNext = -1;
        std::vector<int> barMax(4, 0);
        QStringList results, capcodes;
        bool ended = false;
        QVERIFY(g.run("mnuStation", [&](QWidget* w) {
            auto* d = qobject_cast<StationDialog*>(w);
            for (int i = 0; i < d->rowCount(); ++i)
                connect(d->progressBar(i), &QProgressBar::valueChanged, d,
                        [&, i](int v) { barMax[i] = std::max(barMax[i], v); });
            d->startButton()->click();
            auto waiting = [&](bool third) { // board 3 waits only before its one pager
                for (int i = 0; i < 4; ++i)
                    if ((i != 2 || third) && !d->nextButton(i)->isEnabled())
                        return false;
                return true;
            };
            bool ok = QTest::qWaitFor([&] { return waiting(true); });
            writtenBeforeNext = 0;
            for (int i = 0; i < 4; ++i)
                writtenBeforeNext += boards.board(i).board().writesAccepted();
            QApplication::setActiveWindow(d);
            for (int i = 0; i < 4; ++i) // keys 1-4: "pager inserted"
                QTest::keyClick(d, static_cast<Qt::Key>(Qt::Key_1 + i));
            ok &= QTest::qWaitFor([&] {
                return d->stateLabel(2)->text() == QString::fromLatin1(StationStateFailed) &&
                       waiting(false);
            });
            for (int i = 0; i < 4; ++i) {
                results << d->resultLabel(i)->text();
                capcodes << d->capcodeLabel(i)->text().section(QLatin1Char('/'), 0, 0).trimmed();
            }
            d->stopButton()->click();
            ended = ok && QTest::qWaitFor([&] { return !d->running(); }) &&
                    d->stateLabel(0)->text() == QString::fromLatin1(StationStateEnded);
            d->reject();
        }));
        QCOMPARE(writtenBeforeNext, 0);
        QVERIFY(*std::min_element(barMax.begin(), barMax.end()) > 0);
        QCOMPARE(results, QStringList({"verified", "verified", "incomplete: Verify Error!",
                                       "verified"}));
        QVERIFY(ended);
        // The four pagers share out the first four capcodes; the failed one's is next.
        std::set<long long> taken;
        for (const QString& c : capcodes)
            taken.insert(c.toLongLong());
        QCOMPARE(taken, (std::set<long long>{first, first + 1, first + 2, first + 3}));
        QTRY_COMPARE(cap1->text().toLongLong(), capcodes[2].toLongLong());
        auto rows = ledger_rows(g.programmer->ledgerUrl());
        QCOMPARE(std::count(rows.begin(), rows.end(), "write verified"), 3);
        QCOMPARE(rows.size(), size_t(4));
    }

    void theLogListsFiltersSortsAndExports() {
        Gui g;
        const std::string file = g.programmer->ledgerUrl();
        {
            auto l = open_ledger(file, "");
            const char* const rows[][3] = {{"2026-01-05T10:00:00Z", "KS2026000002", "verified"},
                                           {"2026-03-01T09:00:00Z", "KS2026000001", "failed"},
                                           {"2026-02-10T08:00:00Z", "KS2026000003", "verified"}};
            for (const auto& r : rows) {
                LedgerAttempt a;
                a.time = r[0];
                a.kind = "write";
                a.serial = r[1];
                a.capcodes[0] = {1234567, true};
                a.result = r[2];
                l->record(a);
            }
        }
        const QString csv = g.dir.filePath("log.csv");
        QString chosen, newest, counted;
        QStringList bySerial;
        QVERIFY(g.run("mnuLog", [&](QWidget* w) {
            auto* d = qobject_cast<LedgerLogDialog*>(w);
            d->setFileDialogHook([&] { return chosen; });
            QTableView* t = d->table();
            newest = t->model()->index(0, 0).data().toString();
            QTest::keyClicks(d->filterBox(), QStringLiteral("Verified 12345"));
            counted = d->countLabel()->text();
            // A click on "Serial" sorts by it.
            QHeaderView* h = t->horizontalHeader();
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                              QPoint(h->sectionViewportPosition(2) + 5, h->height() / 2));
            for (int r = 0; r < t->model()->rowCount(); ++r)
                bySerial << t->model()->index(r, 2).data().toString();
            chosen = csv;
            QTest::mouseClick(d->exportButton(), Qt::LeftButton);
            chosen = g.dir.filePath("no-such-folder/log.csv");
            QTest::mouseClick(d->exportButton(), Qt::LeftButton);
            d->accept();
        }));
        QCOMPARE(newest, QStringLiteral("2026-03-01T09:00:00Z"));
        QCOMPARE(counted, QStringLiteral("2 of 3 attempts"));
        QCOMPARE(bySerial, QStringList({"KS2026000002", "KS2026000003"}));
        // What `kprtool log --csv` writes, for the rows the filter kept.
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        auto kept = open_ledger(file, "")->query({});
        kept.erase(kept.begin()); // the failed one
        QCOMPARE(f.readAll().toStdString(), ledger_csv(kept));
        QCOMPARE(g.said.back(), "The log could not be written to " + chosen.toStdString() +
                                    ": No such file or directory");
    }

    void aParallelPortBoardWorksOnTheLinkThread() {
        test::MicroClock busClock; // only the link thread moves it
        test::EepromModel model{[&] { return busClock.nowUs(); }};
        model.memory = default_sim_memory();
        for (bool present : {true, false}) {
            Gui g(false);
            auto io = std::make_unique<test::FakePortIo>();
            if (present)
                io->bases[LptBase1].memory = &model;
            else
                io->bases[LptBase1].openError = "/dev/parport0: no such parallel port";
            test::FakePortIo* port = io.get();
            LptBoard board(std::move(io), busClock, g.gui);
            board.attach(g.programmer->link(), g.programmer->operations(),
                         &g.programmer->monitor());
            g.editor.startup_finish("", false);
            bool done = false;
            g.programmer->startupConnect([&] { done = true; });
            QTRY_VERIFY(done);
            g.programmer->runAndWait(
                [&] { g.programmer->operations().tbl_readall(0, ImageUpperBound); });
            bool same = false;
            g.programmer->runAndWait([&] {
                PagerCodesScope codes(g.programmer->editorHooks());
                same = g.editor.image().bytes() == model.memory;
            });
            port->written.clear();
            g.programmer->monitorTick();
            g.programmer->runAndWait([] {});
            const std::vector<uint8_t> ticked = port->written;
            g.form.reset();
            g.programmer.reset(); // before the board it drives
            if (!present) {
                QCOMPARE(g.said.size(), size_t(3));
                QVERIFY(g.said[0].find("/dev/parport0: no such parallel port") !=
                        std::string::npos);
                QCOMPARE(g.said[1], std::string("The Programmed Board is not responding!"));
                QCOMPARE(g.said[2], std::string("Read error!"));
                continue;
            }
            QCOMPARE(g.said, std::vector<std::string>{"Read success!"});
            QVERIFY(same);
            QCOMPARE(ticked, std::vector<uint8_t>{0xFE});
        }
    }
};

QTEST_MAIN(ProgrammingTest)
#include "programming_test.moc"
