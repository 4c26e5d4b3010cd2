// Pager > "Jobs...": an order with problems listed by row and column and nothing stored, the
// corrected order imported and listed, run on four simulated boards from the station dialog
// and, a pager at each Write, on the window's own board; its delivery note written.
#include "gui_fixture.h"

#include "settings/capcode.h"
#include "tables/table_file.h"
#include "ui/form2.h"
#include "ui/jobs_dialog.h"
#include "ui/station_dialog.h"

using namespace kpr;
using kpr::test::Gui;

// The window started, its image saved as the base table file, and the order file.
struct OrderFiles {
    Gui g;
    QString base = g.dir.filePath("base.tbl"), order = g.dir.filePath("ward.csv");
    bool start() { return g.start() && save_table_file(base.toStdString(), g.editor.image()).ok; }
    bool write(const char* text) {
        QFile f(order);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) > 0;
    }
};

class JobsTest : public QObject {
    Q_OBJECT

  private slots:
    void anOrderIsCheckedImportedRunAndReported() {
        OrderFiles o;
        Gui& g = o.g;
        QVERIFY(o.start());
        SimBoards boards(4, SimSerialPort::Instant);
        g.form->setStationPorts({[&] { return boards.ports(); },
                                 [&](const std::string& n) { return boards.port(n); }, &g.clock});
        const QString &base = o.base, &order = o.order, note = g.dir.filePath("note.csv");
        // Rows 2 and 3 share one pager's capcode, row 4's the editor refuses; the group repeats.
        QVERIFY(o.write("label;capcode.1;capcode.1.enabled;capcode.2:shared\r\n"
                        "Ward 1;1234001;1;1500000\r\nWard 2;1234001;1;1500000\r\n"
                        "\"Ward 3; night\";2097152;1;1500000\r\nWard 4;1234004;1;1500000\r\n"));
        QStringList problems, progress, lines;
        int storedWithProblems = -1;
        QStringList summaries;
        bool ran = false;
        QVERIFY(g.run("mnuJobs", [&](QWidget* w) {
            if (auto* s = qobject_cast<StationDialog*>(w)) {
                s->startButton()->click();
                QApplication::setActiveWindow(s);
                ran = QTest::qWaitFor([&] {
                    int ready = 0;
                    for (int i = 0; i < 4; ++i)
                        ready += s->nextButton(i)->isEnabled();
                    return ready == 4;
                });
                for (int i = 0; i < 4; ++i) // "pager inserted" on each board
                    QTest::keyClick(s, static_cast<Qt::Key>(Qt::Key_1 + i));
                ran &= QTest::qWaitFor([&] {
                    int verified = 0;
                    for (int i = 0; i < 4; ++i)
                        verified += s->resultLabel(i)->text() == "verified";
                    return verified == 4;
                });
                // No row left: the boards wait for no further pager, now or at a new Start.
                for (int start = 0; start < 2; ++start) {
                    if (start > 0)
                        s->startButton()->click();
                    ran &= QTest::qWaitFor([&] { return !s->running(); });
                    summaries << s->summaryLabel()->text().section(". ", 1);
                }
                s->reject();
                return;
            }
            auto* d = qobject_cast<JobsDialog*>(w);
            d->setFileDialogHook([&](JobsDialog::FileChoice c) {
                return c == JobsDialog::FileChoice::Order       ? order
                       : c == JobsDialog::FileChoice::BaseTable ? base
                                                                : note;
            });
            d->customerBox()->setText("St. Mary's");
            d->importButton()->click();
            for (int r = 0; r < d->problemTable()->rowCount(); ++r)
                problems << d->problemTable()->item(r, 0)->text() + ":" +
                                d->problemTable()->item(r, 1)->text();
            storedWithProblems = d->jobTable()->rowCount();
            o.write("label,capcode.1,capcode.1.enabled,capcode.2:shared\n"
                    "Ward 1,1234001,1,1500000\nWard 2,1234002,1,1500000\n"
                    "\"Ward 3; night\",1234003,1,1500000\nWard 4,1234004,1,1500000\n\n");
            d->checkAgainButton()->click();
            progress << d->progressBar(0)->text()
                     << (d->problemTable()->isHidden() ? "hidden" : "");
            d->runButton(JobsDialog::RunOn::Station)->click(); // the station dialog, on the job
            progress << d->progressBar(0)->text();
            d->noteButton()->click();
            d->accept();
        }));
        QCOMPARE(problems, QStringList({"2:capcode.1", "3:capcode.1", "4:capcode.1"}));
        QCOMPARE(storedWithProblems, 0);
        QVERIFY(ran);
        QCOMPARE(summaries, QStringList(2, "Job \"ward\" is finished: 4 of 4 rows verified."));
        QCOMPARE(progress, QStringList({"0 / 4", "hidden", "4 / 4"}));
        QFile f(note);
        QVERIFY(f.open(QIODevice::ReadOnly));
        lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5); // the header and a line per pager
        QSet<QString> serials;
        for (int row = 1; row <= 4; ++row) {
            // job, customer, row, label, serial, capcodes, frequency, verified, state
            const QString& l = lines.at(row);
            QVERIFY2(l.startsWith(QStringLiteral("ward,St. Mary's,%1,").arg(row + 1)) &&
                         l.contains(QStringLiteral(",1:123400%1").arg(row)) &&
                         l.endsWith(",verified"),
                     qPrintable(l));
            serials << l.section(',', 4, 4);
        }
        QCOMPARE(serials.size(), 4); // four pagers, a row each
    }

    void aJobRunsOnTheWindowsBoardAPagerAtEachWrite() {
        OrderFiles o;
        QVERIFY(o.start());
        QVERIFY(o.write("label,capcode.1\nWard 1,1234001\nWard 2,1234002\nWard 3,1234003\n"));
        const Capcode own = decode_capcode(o.g.editor.image(), 0);
        // The first run writes one pager and stops with the next row taken, which goes back to
        // the front; the second starts there and writes until no row is left.
        const int writes[] = {1, 3};
        QStringList shown, progress;
        QList<Capcode> inPager;
        int run = 0;
        QVERIFY(o.g.run("mnuJobs", [&](QWidget* w) {
            if (auto* f2 = qobject_cast<Form2*>(w)) {
                for (int i = 0;; ++i) {
                    QVERIFY(QTest::qWaitFor([&] {
                        return !f2->transferRunning() && !f2->jobLabel()->text().isEmpty();
                    }));
                    shown << f2->jobLabel()->text();
                    if (i == writes[run] || !f2->writeButton()->isVisible())
                        break;
                    f2->cmdWrite_Click();
                    QVERIFY(QTest::qWaitFor([&] { return !f2->transferRunning(); }));
                    PagerImage pager;
                    pager.bytes() = o.g.port.memory();
                    inPager << decode_capcode(pager, 0);
                }
                ++run;
                f2->reject();
                return;
            }
            auto* d = qobject_cast<JobsDialog*>(w);
            QVERIFY(d->importFiles(o.order, o.base));
            d->runButton(JobsDialog::RunOn::Board)->click();
            progress << d->progressBar(0)->text();
            d->runButton(JobsDialog::RunOn::Board)->click();
            progress << d->progressBar(0)->text();
            d->accept();
        }));
        QCOMPARE(shown, QStringList({"Row 2 (1 of 3) - Ward 1", "Row 3 (2 of 3) - Ward 2",
                                     "Row 3 (2 of 3) - Ward 2", "Row 4 (3 of 3) - Ward 3",
                                     "Job \"ward\" is finished: 3 of 3 rows verified."}));
        QCOMPARE(inPager, QList<Capcode>({1234001, 1234002, 1234003}));
        QCOMPARE(progress, QStringList({"1 / 3", "3 / 3"}));
        int writesRecorded = 0; // the row given back was never written
        for (const LedgerAttempt& a : open_ledger(o.g.programmer.ledgerUrl(), "")->query({}))
            writesRecorded += a.kind == "write";
        QCOMPARE(writesRecorded, 3);
        QCOMPARE(decode_capcode(o.g.editor.image(), 0), own); // the window's image is back
    }
};

QTEST_MAIN(JobsTest)
#include "jobs_test.moc"
