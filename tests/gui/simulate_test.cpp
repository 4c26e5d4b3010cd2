// Read, write (single and batch) and verify through the real programming dialog, with the
// simulated board in the same process; and a transfer cancelled by closing the dialog.
#include "gui_fixture.h"
#include "ledger/ledger.h"
#include "tables/table_file.h"
#include "text/charset.h"
#include "ui/form2.h"

#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"
#include <QAction>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

using namespace kpr;
using kpr::test::Gui;

namespace {

// Capcode of slot s as the pager memory holds it.
long capcode_in(const BoardSim::Memory& m, int s) {
    const int b = 0x40 + 4 * s;
    return ((((m[b + 1] & 3) * 256 + m[b + 2]) * 256 + m[b + 3]) * 8) | ((m[b + 1] >> 2) & 7);
}

} // namespace

class SimulateTest : public QObject {
    Q_OBJECT

  private:
    // Runs one Pager command; `drive` acts inside the open dialog.
    static bool runCommand(Gui& g, const char* action, std::function<void(Form2*)> drive = {}) {
        bool opened = false;
        auto c = QObject::connect(g.form.get(), &Form1::dialogOpened, [&](QWidget* d) {
            opened = true;
            auto* f2 = qobject_cast<Form2*>(d);
            if (f2 && drive)
                QTimer::singleShot(0, f2, [f2, drive] { drive(f2); });
        });
        g.form->menuAction(action)->trigger();
        QObject::disconnect(c);
        return opened;
    }
    static void click(QWidget* w) {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, w->height() / 2));
    }
    // Puts another simulated board behind the window.
    static void useBoard(Gui& g, std::unique_ptr<SimSerialPort> port) {
        g.form.reset();
        g.programmer.reset();
        g.port = std::move(port);
        g.lister = std::make_unique<SimPortLister>(*g.port);
        g.programmer = std::make_unique<Programmer>(g.editor, g.gui, *g.port, *g.lister, g.clock);
        g.form = std::make_unique<Form1>(g.editor, g.gui, g.programmer.get());
    }
    static void start(Gui& g, const QTemporaryDir& dir) {
        QVERIFY(g.startUp(dir.path()));
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
        g.form->show();
        QApplication::setActiveWindow(g.form.get());
        QVERIFY(QTest::qWaitForWindowActive(g.form.get()));
    }

  private slots:
    void readWriteAndVerify() {
        QTemporaryDir dir;
        Gui g;
        start(g, dir);
        g.form->monitorTick();
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
        QCoreApplication::processEvents();

        // A change made in the window reaches the pager.
        auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
        g.form->selectTab(1);
        click(beeper);
        click(g.widget<QRadioButton>("WriteOpt"));
        QString statusDuringWrite;
        QVERIFY(runCommand(g, "mnuEB",
                           [&](Form2*) { statusDuringWrite = g.form->statusLine()->text(); }));
        QCOMPARE(g.lastMessage(), std::string("Verify Success!"));
        // Edits and transfers leave the board state on the status line.
        QCOMPARE(statusDuringWrite, QStringLiteral("  The Programmed Board Connect !"));
        QCOMPARE((g.port->memory()[0x31] >> 3) & 1, beeper->isChecked() ? 0 : 1);
        // The editor is back in PC codes after the dialog.
        QCOMPARE(g.widget<QLineEdit>("txtPrompt(1)")->text().trimmed(), QStringLiteral("NO PAGES"));

        QVERIFY(runCommand(g, "mnuEB1"));
        QCOMPARE(g.lastMessage(), std::string("Verify Success!"));

        // Reading it back shows what was written, with the serial number the write merged;
        // the bar of a read is purple.
        click(beeper);
        QString barStyle;
        QVERIFY(runCommand(g, "mnuEntire", [&](Form2* f2) {
            QObject::connect(f2, &Form2::operationFinished,
                             [&, f2] { barStyle = f2->progressBar()->styleSheet(); });
        }));
        QVERIFY2(barStyle.contains(QStringLiteral("#800080")), qPrintable(barStyle));
        QCOMPARE(g.lastMessage(), std::string("Read success!"));
        // The monitor's tick finds the board on its port.
        g.form->monitorTick();
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
        QCoreApplication::processEvents();
        QCOMPARE(g.form->statusLine()->text(), QStringLiteral("  The Programmed Board Connect !"));
        QVERIFY(g.form->pagerMenu()->isEnabled());
        QCOMPARE(g.widget<QLineEdit>("textSN")->text(), QString::fromLatin1(SimDefaultSerial));
        QCOMPARE((g.editor.image()[0x31] >> 3) & 1, (g.port->memory()[0x31] >> 3) & 1);
        QCOMPARE(g.widget<QLineEdit>("txtFreq")->text(), QStringLiteral("4540125"));
        int failures = 0;
        for (const auto& m : g.messages)
            failures += m.text != "Verify Success!" && m.text != "Read success!";
        QCOMPARE(failures, 0);
        // The port is closed between operations.
        QVERIFY(!g.port->isOpen());
    }

    void theDemoPagerReadsWritesAndVerifiesFirstTime() {
        QTemporaryDir dir;
        Gui g;
        useBoard(g, std::make_unique<SimSerialPort>()); // the pager `--simulate` starts with
        start(g, dir);
        QVERIFY(runCommand(g, "mnuEntire"));
        click(g.widget<QRadioButton>("WriteOpt"));
        QVERIFY(runCommand(g, "mnuEB"));
        QVERIFY(runCommand(g, "mnuEB1"));
        std::vector<std::string> said;
        for (const auto& m : g.messages)
            said.push_back(m.text);
        QCOMPARE(said,
                 (std::vector<std::string>{"Read success!", "Verify Success!", "Verify Success!"}));
    }

    void readsAndWritesAreKeptAsBackups() {
        auto kinds = [] {
            std::map<BackupKind, int> n;
            for (const auto& e : product_backup_store().list())
                ++n[e.kind];
            return n;
        };
        QTemporaryDir dir;
        {
            Gui g;
            start(g, dir);
            const auto before = kinds();
            click(g.widget<QRadioButton>("WriteOpt"));
            QVERIFY(runCommand(g, "mnuEB"));
            QCOMPARE(g.lastMessage(), std::string("Verify Success!"));
            QVERIFY(runCommand(g, "mnuEntire"));
            QCOMPARE(g.lastMessage(), std::string("Read success!"));
            auto after = kinds();
            QCOMPARE(after[BackupKind::Written],
                     before.count(BackupKind::Written) ? before.at(BackupKind::Written) + 1 : 1);
            QCOMPARE(after[BackupKind::Read],
                     before.count(BackupKind::Read) ? before.at(BackupKind::Read) + 1 : 1);
            // The fixture turned the read before a write off.
            QCOMPARE(after[BackupKind::BeforeWrite], before.count(BackupKind::BeforeWrite)
                                                         ? before.at(BackupKind::BeforeWrite)
                                                         : 0);
            // Backups live in the test's own data folder, never the user's.
            QVERIFY(product_backup_folder().string().starts_with(
                qEnvironmentVariable("XDG_DATA_HOME").toStdString()));
        }
        // With the setting on, a write first keeps what the pager held.
        set_product_backup_reads_before_write(true);
        {
            Gui g;
            set_product_backup_reads_before_write(false);
            start(g, dir);
            const auto before = kinds();
            const BoardSim::Memory held = g.port->memory();
            auto* beeper = g.widget<QCheckBox>("chkCtl(29)");
            g.form->selectTab(1);
            click(beeper);
            click(g.widget<QRadioButton>("WriteOpt"));
            QVERIFY(runCommand(g, "mnuEB"));
            QCOMPARE(g.lastMessage(), std::string("Verify Success!"));
            auto after = kinds();
            QCOMPARE(
                after[BackupKind::BeforeWrite],
                (before.count(BackupKind::BeforeWrite) ? before.at(BackupKind::BeforeWrite) : 0) +
                    1);
            // The kept image is what the pager held, not what replaced it.
            QVERIFY((held[0x31] >> 3 & 1) != (g.port->memory()[0x31] >> 3 & 1));
            for (const auto& e : product_backup_store().list())
                if (e.kind == BackupKind::BeforeWrite) { // newest first
                    const TableOpenResult kept = open_table_file(e.path.string());
                    QVERIFY2(kept.ok(), kept.message.c_str());
                    QCOMPARE(kept.image[0x31] >> 3 & 1, held[0x31] >> 3 & 1);
                    break;
                }
        }
    }

    void attemptsAreRecordedAndAnUnusableLedgerStopsTheWrite() {
        QTemporaryDir dir;
        Gui g;
        const std::string file = dir.filePath("ledger.sqlite").toStdString();
        g.programmer->setLedgerUrl(file);
        start(g, dir);
        click(g.widget<QRadioButton>("WriteOpt"));
        QVERIFY(runCommand(g, "mnuEB"));
        QVERIFY(runCommand(g, "mnuEB1"));
        QVERIFY(runCommand(g, "mnuEntire"));
        std::vector<std::string> seen;
        for (const LedgerAttempt& a : open_ledger(file, "")->query({}))
            seen.push_back(a.kind + " " + a.result + " " + a.serial + " " + a.message);
        const std::string serial = SimDefaultSerial;
        QCOMPARE(seen, (std::vector<std::string>{"read read " + serial + " Read success!",
                                                 "verify verified " + serial + " Verify Success!",
                                                 "write verified " + serial + " Verify Success!"}));

        const QString damaged = dir.filePath("damaged.sqlite");
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096);
        f.close();
        g.programmer->setLedgerUrl(damaged.toStdString());
        g.form->selectTab(1);
        click(g.widget<QCheckBox>("chkCtl(29)"));
        const BoardSim::Memory before = g.port->memory();
        QVERIFY(runCommand(g, "mnuEB"));
        QVERIFY2(g.lastMessage().find("is damaged or is not a ledger") != std::string::npos,
                 g.lastMessage().c_str());
        QVERIFY(g.port->memory() == before);
    }

    void spaceOnWriteModeWrites() {
        QTemporaryDir dir;
        Gui g;
        start(g, dir);
        auto* write = g.widget<QRadioButton>("WriteOpt");
        click(write);
        int dialogs = 0;
        connect(g.form.get(), &Form1::dialogOpened, this, [&](QWidget*) { ++dialogs; });
        write->setFocus();
        QTest::keyClick(write, Qt::Key_Space);
        QCOMPARE(dialogs, 1);
        QCOMPARE(g.lastMessage(), std::string("Verify Success!"));
        QCOMPARE(g.form->focusWidget(), write); // the focus returns to "Write Mode"
    }

    void batchWriteRaisesBothCapcodes() {
        QTemporaryDir dir;
        Gui g;
        start(g, dir);
        auto* cap1 = g.widget<QLineEdit>("txtAddr(0)");
        auto* cap2 = g.widget<QLineEdit>("txtAddr(1)");
        const long c1 = cap1->text().toLong();
        const long c2 = cap2->text().toLong();
        click(g.widget<QCheckBox>("optAuto1"));
        click(g.widget<QCheckBox>("optAuto2"));
        click(g.widget<QRadioButton>("WriteOpt"));

        std::vector<std::pair<QString, QString>> labels;
        std::vector<std::pair<long, long>> written;
        bool buttonsShown = false;
        bool onlyLeftOrEnter = true;
        QVERIFY(runCommand(g, "mnuEB", [&](Form2* f2) {
            // Nothing is written until the operator asks: the dialog waits for "Write".
            int finished = 0;
            QObject::connect(f2, &Form2::operationFinished, [&] { ++finished; });
            Gui::waitFor([&] { return finished == 1; });
            buttonsShown = f2->writeButton()->isVisible() && f2->exitButton()->isVisible() &&
                           f2->autoLabel(0)->isVisible() && f2->autoLabel(1)->isVisible();
            for (int pager = 0; pager < 2; ++pager) {
                // A right click writes nothing; the focus is on "Write" each time, so the
                // second pager is written with Enter.
                QTest::mouseClick(f2->writeButton(), Qt::RightButton);
                onlyLeftOrEnter &= !f2->transferRunning() && f2->focusWidget() == f2->writeButton();
                if (pager == 0)
                    click(f2->writeButton());
                else
                    QTest::keyClick(f2->focusWidget() ? f2->focusWidget() : f2, Qt::Key_Return);
                Gui::waitFor([&] { return finished == pager + 2; });
                labels.emplace_back(f2->autoLabel(0)->text(), f2->autoLabel(1)->text());
                written.emplace_back(capcode_in(g.port->memory(), 0),
                                     capcode_in(g.port->memory(), 1));
            }
            click(f2->exitButton());
        }));
        QVERIFY(buttonsShown);
        QVERIFY(onlyLeftOrEnter);
        QCOMPARE(written.size(), size_t(2));
        QCOMPARE(written[0], std::make_pair(c1, c2));
        QCOMPARE(written[1], std::make_pair(c1 + 1, c2 + 1));
        QCOMPARE(labels[0].first,
                 QStringLiteral(" 1st capcode : %1").arg(c1, 7, 10, QLatin1Char('0')));
        QCOMPARE(labels[1].second,
                 QStringLiteral(" 2nd capcode : %1").arg(c2 + 1, 7, 10, QLatin1Char('0')));
        QCOMPARE(cap1->text().toLong(), c1 + 2);
        QCOMPARE(cap2->text().toLong(), c2 + 2);
        int successes = 0;
        for (const auto& m : g.messages)
            successes += m.text == "Verify Success!";
        QCOMPARE(successes, 2);
    }

    void writeAndReadThroughThePseudoTerminalBoard() {
#ifndef KPR_BOARD_SIM
        QSKIP("kpr-board-sim is not built");
#else
        // The board simulator on a pseudo-terminal, reached through the real serial code
        // and found by --port.
        QProcess sim;
        sim.start(QStringLiteral(KPR_BOARD_SIM), {});
        QVERIFY(sim.waitForStarted(5000));
        QVERIFY(Gui::waitFor([&] { return sim.canReadLine(); }, 5000));
        const QString first = QString::fromLatin1(sim.readLine()).trimmed();
        QVERIFY2(first.startsWith(QStringLiteral("PORT ")), qPrintable(first));
        const std::string path = first.mid(5).toStdString();
        {
            QTemporaryDir dir;
            Gui g;
            g.form.reset();
            g.programmer.reset();
            QtSerialPort serial;
            auto lister = std::make_unique<QtPortLister>(std::vector<std::string>{path});
            lister->setExtraOnly(true);
            g.programmer = std::make_unique<Programmer>(g.editor, g.gui, serial, *lister, g.clock);
            g.form = std::make_unique<Form1>(g.editor, g.gui, g.programmer.get());
            start(g, dir);
            QVERIFY(g.messages.empty()); // the board answered the start-up search
            click(g.widget<QRadioButton>("WriteOpt"));
            QVERIFY(runCommand(g, "mnuEB"));
            QCOMPARE(g.lastMessage(), std::string("Verify Success!"));
            QVERIFY(runCommand(g, "mnuEntire"));
            QCOMPARE(g.lastMessage(), std::string("Read success!"));
            g.form.reset(); // before the port and the list they use
            g.programmer.reset();
        }
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
#endif
    }

    void failedBatchStepKeepsTheCapcodes() {
        QTemporaryDir dir;
        SimFaults protect;
        protect.writeProtect = true; // acknowledges writes but keeps the old bytes
        Gui g(true, protect);
        start(g, dir);
        auto* cap1 = g.widget<QLineEdit>("txtAddr(0)");
        const QString c1 = cap1->text();
        click(g.widget<QCheckBox>("optAuto1"));
        click(g.widget<QRadioButton>("WriteOpt"));
        bool secondHidden = false;
        QVERIFY(runCommand(g, "mnuEB", [&](Form2* f2) {
            int finished = 0;
            QObject::connect(f2, &Form2::operationFinished, [&] { ++finished; });
            Gui::waitFor([&] { return finished == 1; });
            secondHidden = !f2->autoLabel(1)->isVisible() && f2->autoLabel(0)->isVisible();
            click(f2->writeButton());
            Gui::waitFor([&] { return finished == 2; });
            click(f2->closeButton());
        }));
        QVERIFY(secondHidden);
        QCOMPARE(g.lastMessage(), std::string("Verify Error!"));
        QCOMPARE(cap1->text(), c1);
    }

    void closingTheDialogCancelsTheTransfer() {
        QTemporaryDir dir;
        Gui g;
        // A board at its real 9600-baud pace, so the write is still running when closed.
        useBoard(g, std::make_unique<SimSerialPort>(SimSerialPort::RealSpeed));
        start(g, dir);
        g.messages.clear();
        const auto before = g.port->memory();
        click(g.widget<QRadioButton>("WriteOpt"));
        g.editor.image()[0x7F0] ^= 0xFF; // something the pager does not have yet
        int progressSeen = 0;
        QVERIFY(runCommand(g, "mnuEB", [&](Form2* f2) {
            Gui::waitFor([&] { return f2->progressBar()->value() > 0; });
            progressSeen = f2->progressBar()->value();
            QVERIFY(f2->transferRunning());
            click(f2->closeButton());
        }));
        QVERIFY(progressSeen > 0);
        QVERIFY(Gui::waitFor([&] { return !g.programmer->busy(); }));
        QVERIFY(!g.port->isOpen());
        for (const auto& m : g.messages) {
            QVERIFY2(m.text != "Verify Success!", m.text.c_str());
            QVERIFY2(m.text != "Read success!", m.text.c_str());
        }
        QCOMPARE(g.port->memory()[0x7F0], before[0x7F0]); // the last block never went out
        QVERIFY(g.form->monitorTimer().isActive());
    }
};

QTEST_MAIN(SimulateTest)
#include "simulate_test.moc"
