// The station dialog on four simulated boards in the process, the third write-protected:
// nothing is written before the operator's Next, every row's bar moves, the failing board
// shows its failure while the others verify, Stop ends the run, and the main window then
// shows the next free capcodes.
#include "gui_fixture.h"
#include "ledger/ledger.h"
#include "ui/station_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <set>

using namespace kpr;
using kpr::test::Gui;

class StationTest : public QObject {
    Q_OBJECT

  private slots:
    void fourBoardsOneFailing() {
        QTemporaryDir dir;
        Gui g;
        QVERIFY(g.startUp(dir.path()));
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
        std::vector<SimFaults> faults(4);
        faults[2].writeProtect = true; // acknowledges writes, keeps the old bytes
        SimBoards boards(4, SimSerialPort::Instant, faults);
        g.form->setStationPorts({[&] { return boards.ports(); },
                                 [&](const std::string& n) { return boards.port(n); }, &g.clock});
        auto* cap1 = g.widget<QLineEdit>("txtAddr(0)");
        // A capcode the simulated pagers do not hold already, so the write-protected board can
        // never verify by chance.
        QVERIFY(g.editor.userEnterText("txtAddr(0)", "1300000"));
        g.editor.txtAddr_LostFocus(0);
        g.form->render();
        const long long first = cap1->text().toLongLong();
        QTest::mouseClick(g.widget<QCheckBox>("optAuto1"), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(g.editor.flags().AutoInc1);

        int rows = 0;
        int writtenBeforeNext = -1;
        std::vector<int> barMax(4, 0);
        std::vector<QString> results(4), capcodes(4);
        bool stopped = false;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget* w) {
            auto* d = qobject_cast<StationDialog*>(w);
            QTimer::singleShot(0, d, [&, d] {
                rows = d->rowCount();
                for (int i = 0; i < rows; ++i)
                    connect(d->progressBar(i), &QProgressBar::valueChanged, d,
                            [&, i](int v) { barMax[i] = std::max(barMax[i], v); });
                d->startButton()->click();
                // Board 3 (index 2) waits only before its one pager.
                auto waiting = [&](bool third) {
                    for (int i = 0; i < 4; ++i)
                        if ((i != 2 || third) && !d->nextButton(i)->isEnabled())
                            return false;
                    return true;
                };
                Gui::waitFor([&] { return waiting(true); });
                writtenBeforeNext = 0;
                for (int i = 0; i < 4; ++i)
                    writtenBeforeNext += boards.board(i).board().writesAccepted();
                QApplication::setActiveWindow(d);
                for (int i = 0; i < 4; ++i) // keys 1-4: "pager inserted"
                    QTest::keyClick(d, static_cast<Qt::Key>(Qt::Key_1 + i));
                Gui::waitFor([&] {
                    int verified = 0;
                    for (int i = 0; i < 4; ++i)
                        verified += d->resultLabel(i)->text() == QStringLiteral("verified");
                    return verified == 3 &&
                           d->stateLabel(2)->text() == QString::fromLatin1(StationStateFailed) &&
                           waiting(false);
                });
                for (int i = 0; i < 4; ++i) {
                    results[i] = d->resultLabel(i)->text();
                    capcodes[i] = d->capcodeLabel(i)->text();
                }
                d->stopButton()->click();
                stopped = Gui::waitFor([&] { return !d->running(); }) &&
                          d->startButton()->isEnabled() &&
                          d->stateLabel(0)->text() == QString::fromLatin1(StationStateEnded);
                d->reject();
            });
        });
        QVERIFY(g.form->menuAction("mnuStation")->isEnabled());
        g.form->menuAction("mnuStation")->trigger();

        QCOMPARE(rows, 4);
        QCOMPARE(writtenBeforeNext, 0);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(barMax[i] > 0, qPrintable(QString::number(i)));
        QCOMPARE(results[2], QStringLiteral("incomplete: Verify Error!"));
        QVERIFY(stopped);
        // The verified pagers and the failed one share out the first four capcodes, each
        // once; the failed one's is the next free.
        std::set<long long> taken;
        for (const QString& c : capcodes)
            taken.insert(c.section(QLatin1Char('/'), 0, 0).trimmed().toLongLong());
        QCOMPARE(taken, (std::set<long long>{first, first + 1, first + 2, first + 3}));
        const long long failed = capcodes[2].section(QLatin1Char('/'), 0, 0).trimmed().toLongLong();
        QVERIFY(Gui::waitFor([&] { return cap1->text().toLongLong() == failed; }));
        // The window's ledger holds the four attempts, three verified.
        int verified = 0, rowsInLedger = 0;
        for (const LedgerAttempt& a : open_ledger(g.programmer->ledgerUrl(), "")->query({})) {
            ++rowsInLedger;
            verified += a.result == "verified";
        }
        QCOMPARE(rowsInLedger, 4);
        QCOMPARE(verified, 3);
    }
};

QTEST_MAIN(StationTest)
#include "station_test.moc"
