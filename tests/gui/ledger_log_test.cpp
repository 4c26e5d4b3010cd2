// Pager > "Programming Log..." on a real SQLite ledger file: the rows it holds, the filter
// box, a column sorted by a click on its header, Export CSV and a write that fails.
#include "gui_fixture.h"
#include "ledger/ledger_format.h"
#include "ui/ledger_log_dialog.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kpr;
using kpr::test::Gui;

namespace {

LedgerAttempt attempt(const char* time, const char* serial, int32_t capcode, const char* result) {
    LedgerAttempt a;
    a.time = time;
    a.station = "bench";
    a.user = "op";
    a.kind = "write";
    a.serial = serial;
    a.capcodes[0] = {capcode, true};
    a.result = result;
    return a;
}

QString cell(QTableView* t, int row, int column) {
    return t->model()->index(row, column).data().toString();
}

} // namespace

class LedgerLogTest : public QObject {
    Q_OBJECT

  private slots:
    void listsFiltersSortsAndExports() {
        QTemporaryDir dir;
        const std::string file = dir.filePath("ledger.sqlite").toStdString();
        {
            auto l = open_ledger(file, "");
            l->record(attempt("2026-01-05T10:00:00Z", "KS2026000002", 1234567, "verified"));
            l->record(attempt("2026-03-01T09:00:00Z", "KS2026000001", 1234568, "failed"));
            l->record(attempt("2026-02-10T08:00:00Z", "KS2026000003", 1234569, "verified"));
        }
        Gui g;
        g.programmer->setLedgerUrl(file);
        const QString csv = dir.filePath("log.csv");
        QString chosen;
        int rows = 0, kept = 0;
        QStringList bySerial;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget* w) {
            auto* d = qobject_cast<LedgerLogDialog*>(w);
            QVERIFY(d);
            d->setFileDialogHook([&] { return chosen; });
            QTimer::singleShot(0, d, [&, d] {
                QTableView* t = d->table();
                rows = t->model()->rowCount();
                QCOMPARE(cell(t, 0, 0), QStringLiteral("2026-03-01T09:00:00Z")); // newest first
                QCOMPARE(cell(t, 0, 4), QStringLiteral("1234568"));

                QTest::keyClicks(d->filterBox(), QStringLiteral("Verified 12345"));
                kept = t->model()->rowCount();
                QCOMPARE(d->countLabel()->text(), QStringLiteral("2 of 3 attempts"));

                // Newest first, then a click on "Serial" sorts by it, ascending.
                QHeaderView* h = t->horizontalHeader();
                QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                                  QPoint(h->sectionViewportPosition(2) + 5, h->height() / 2));
                for (int r = 0; r < t->model()->rowCount(); ++r)
                    bySerial << cell(t, r, 2);

                chosen = csv;
                QTest::mouseClick(d->exportButton(), Qt::LeftButton);
                chosen = dir.filePath("no-such-folder/log.csv");
                QTest::mouseClick(d->exportButton(), Qt::LeftButton);
                d->accept();
            });
        });
        g.form->menuAction("mnuLog")->trigger();

        QCOMPARE(g.form->menuAction("mnuLog")->text(), QStringLiteral("Programming Log..."));
        QCOMPARE(rows, 3);
        QCOMPARE(kept, 2);
        QCOMPARE(bySerial, QStringList({"KS2026000002", "KS2026000003"}));
        // What `kprtool log --csv` writes, for the rows the filter kept.
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        auto all = open_ledger(file, "")->query({});
        all.erase(all.begin()); // the failed one
        QCOMPARE(f.readAll().toStdString(), ledger_csv(all));
        QCOMPARE(g.lastMessage(), "The log could not be written to " + chosen.toStdString() +
                                      ": No such file or directory");
    }
};

QTEST_MAIN(LedgerLogTest)
#include "ledger_log_test.moc"
