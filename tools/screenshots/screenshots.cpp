// Renders the four pages of the main window at its design size, its smallest size and a
// quarter larger, the settings, programming, log and station dialogs and the About and
// splash windows, the Jobs dialog and the first page of a delivery note into PNG files, with
// the `--simulate` pager behind the window.
// The pictures in docs/screenshots/ are made again with
//   cmake --preset default && ninja -C build kpr-screenshots
//   QT_QPA_PLATFORM=offscreen build/tools/screenshots/kpr-screenshots docs/screenshots
// Built with the GUI; not a test.
#include "cli/verbs/job_report.h"
#include "editor/editor.h"
#include "ledger/ledger.h"
#include "platform/steady_clock.h"
#include "product/backup_settings.h"
#include "sim/sim_serial_port.h"
#include "tables/table_file.h"
#include "ui/about.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/form5.h"
#include "ui/form6.h"
#include "ui/gui_messages.h"
#include "ui/jobs_dialog.h"
#include "ui/ledger_log_dialog.h"
#include "ui/programmer.h"
#include "ui/station_dialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

using namespace kpr;

namespace {
// Lets the event loop run until `done` holds or `ms` have passed.
template <class F> void waitUntil(F done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool save(QWidget* w, const QString& path) {
    QCoreApplication::processEvents();
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    QDir().mkpath(out);
    // The station run and the log keep their ledger and backups in a scratch folder, never
    // the user's.
    QTemporaryDir scratch;
    qputenv("XDG_DATA_HOME", scratch.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toUtf8());
    set_product_backup_reads_before_write(false); // the station picture shows a write
    // Messages go to the terminal instead of a box nobody could close.
    GuiMessages::setTestHook([](const std::string& text, MessageIcon, bool) {
        std::printf("message: %s\n", text.c_str());
        return true;
    });
    struct Window {
        GuiMessages gui;
        Editor editor{gui};
        SteadyClock clock;
        SimSerialPort port{SimSerialPort::Instant};
        SimPortLister lister{port};
        Programmer programmer{editor, gui, {port, lister, clock}};
        std::unique_ptr<Form1> form = std::make_unique<Form1>(editor, gui, &programmer);
    } gui;
    bool started = false;
    gui.form->startUp(QDir::tempPath() + "/kpr-screenshots-none", [&] { started = true; });
    waitUntil([&] { return started && !gui.programmer.busy(); });
    gui.form->monitorTick();
    waitUntil([&] { return !gui.programmer.busy(); });
    QCoreApplication::processEvents();
    gui.form->show();
    bool ok = true;
    const char* const files[4] = {"page1-freq-codes.png", "page2-alert-status.png",
                                  "page3-prompts-edit.png", "page4-source-prompts.png"};
    for (int i = 0; i < 4; ++i) {
        gui.form->selectTab(i);
        ok &= save(gui.form.get(), out + "/" + files[i]);
    }
    // The window at its smallest size and a quarter larger than its design size (the pages
    // above).
    const QSize design = gui.form->designSize();
    const int chrome = gui.form->height() - gui.form->centralWidget()->height();
    for (double scale : {0.6, 1.25}) {
        gui.form->resize(qRound(design.width() * scale), qRound(design.height() * scale) + chrome);
        for (int i = 0; i < 4; ++i) {
            gui.form->selectTab(i);
            ok &=
                save(gui.form.get(), out + QStringLiteral("/size-%1x-%2").arg(scale).arg(files[i]));
        }
    }
    gui.form->resize(design.width(), design.height() + chrome);
    gui.form->selectTab(0);

    gui.editor.route(kpr::ctl("cmdFunc", 2), kpr::ControlEvent::Click);
    {
        Form5 f5(gui.editor, gui.form.get());
        f5.show();
        ok &= save(&f5, out + "/dialog-function-bits.png");
    }
    gui.editor.route("cmdAlert", kpr::ControlEvent::Click);
    {
        Form6 f6(gui.editor, gui.form.get());
        f6.show();
        ok &= save(&f6, out + "/dialog-alert-lengths.png");
    }
    {
        // The programming dialog part-way through a batch write.
        gui.editor.flags().OperationKind = kpr::OperationKind::Write;
        Form2 f2(gui.editor, gui.programmer, gui.form.get());
        f2.progressBar()->setMaximum(2031);
        f2.progressBar()->setValue(1152);
        f2.statusLabel()->setText(QStringLiteral("Writing Now......."));
        f2.autoLabel(0)->setText(QStringLiteral(" 1st capcode : 0012345"));
        f2.autoLabel(1)->setText(QStringLiteral(" 2nd capcode : 0012346"));
        f2.autoLabel(0)->show();
        f2.autoLabel(1)->show();
        f2.writeButton()->show();
        f2.exitButton()->show();
        f2.adjustSize();
        f2.setAttribute(Qt::WA_DontShowOnScreen);
        ok &= save(&f2, out + "/dialog-programming.png");
    }
    {
        // The programming log of a small batch, with one failed pager.
        QTemporaryDir dir;
        const std::string file = dir.filePath(QStringLiteral("ledger.sqlite")).toStdString();
        {
            auto ledger = open_ledger(file, "");
            const char* const serials[] = {"KS2026000040", "KS2026000041", "KS2026000042",
                                           "KS2026000042", "KS2026000043"};
            const char* const results[] = {"verified", "verified", "failed", "verified",
                                           "verified"};
            for (int i = 0; i < 5; ++i) {
                LedgerAttempt a;
                a.time = "2026-03-02T09:1" + std::to_string(i) + ":05Z";
                a.station = "bench-1";
                a.user = "dealer";
                a.kind = "write";
                a.serial = serials[i];
                a.capcodes[0] = {1234567 + i - (i > 2), true};
                a.capcodes[1] = {1200000, true};
                a.result = results[i];
                ledger->record(a);
            }
            LedgerAttempt r;
            r.time = "2026-03-02T09:20:40Z";
            r.station = "bench-1";
            r.user = "dealer";
            r.kind = "read";
            r.serial = "KS2026000017";
            r.capcodes[0] = {1234560, true};
            r.result = "read";
            ledger->record(r);
        }
        LedgerLogDialog log(file, file, gui.gui, gui.form.get());
        // Shown as the default ledger rather than the scratch file it was read from.
        log.ledgerBox()->clear();
        log.ledgerBox()->setPlaceholderText(
            QStringLiteral("~/.local/share/kpr35t-programmer/ledger.sqlite"));
        log.resize(760, 330);
        log.setAttribute(Qt::WA_DontShowOnScreen);
        log.show();
        ok &= save(&log, out + "/dialog-programming-log.png");
    }
    {
        // The station part-way through, on four simulated boards at their real pace, the
        // third one silent.
        std::vector<SimFaults> faults(4);
        faults[2].silent = true;
        SimBoards boards(4, SimSerialPort::RealSpeed, faults);
        gui.editor.flags().AutoInc1 = true;
        StationDialog d(gui.editor,
                        {[&] { return boards.ports(); },
                         [&](const std::string& n) { return boards.port(n); }, &gui.clock},
                        gui.form.get());
        d.setAttribute(Qt::WA_DontShowOnScreen);
        d.show();
        d.startButton()->click();
        waitUntil([&] { return d.nextButton(0)->isEnabled(); });
        // Board 1 has verified a pager and waits for the next, board 2 is further on than
        // board 4.
        d.nextButton(0)->click();
        waitUntil([&] { return d.progressBar(0)->value() > 1200; }, 20000);
        d.nextButton(1)->click();
        waitUntil([&] { return d.nextButton(0)->isEnabled(); }, 30000);
        d.nextButton(3)->click();
        waitUntil([&] { return d.progressBar(3)->value() > 500; }, 20000);
        QCoreApplication::processEvents();
        d.adjustSize();
        ok &= save(&d, out + "/dialog-station.png");
        d.stopRun();
        waitUntil([&] { return !d.running(); }, 20000);
    }
    {
        // Jobs: the sample order part-way through (seven pagers verified, the eighth failed), a
        // second order waiting, and a third one refused with its problems listed.
        const std::string file = scratch.filePath(QStringLiteral("jobs.sqlite")).toStdString();
        const QString base = scratch.filePath(QStringLiteral("base.tbl"));
        const QString bad = scratch.filePath(QStringLiteral("fire-brigade.csv"));
        const QString works = scratch.filePath(QStringLiteral("works.csv"));
        save_table_file(base.toStdString(), gui.editor.image());
        const auto write = [](const QString& path, const char* text) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(text) > 0;
        };
        write(works, "label;capcode.1;capcode.1.enabled\nGate;1300001;1\nStores;1300002;1\n"
                     "Workshop;1300003;1\nOffice;1300004;1\nYard;1300005;1\n");
        write(bad, "label,capcode.1,capcode.2:shared,prompt.1\n"
                   "Engine 1,1400001,1500000,ENGINE 1\nEngine 2,1400001,1500000,ENGINE 2\n"
                   "Ladder 1,1400003,15000000,LADDER 1\nChief,1400004,1500000,CHIEF\n");
        JobsDialog d(file, file, "", gui.gui, gui.form.get());
        // Both runs offered, as in a window with its own board and the station's.
        d.setRunHook(JobsDialog::RunOn::Board, [](const std::string&) {});
        d.setRunHook(JobsDialog::RunOn::Station, [](const std::string&) {});
        const auto add = [&](const char* name, const char* customer, const QString& order) {
            d.nameBox()->setText(QString::fromLatin1(name));
            d.customerBox()->setText(QString::fromLatin1(customer));
            return d.importFiles(order, base);
        };
        ok &= add("st-mary", "St. Mary's Hospital",
                  QStringLiteral(KPR_SOURCE_DIR "/docs/examples/order.csv"));
        ok &= add("works-site", "Northfield Works", works);
        auto ledger = open_ledger(file, "");
        for (int i = 0; i < 8; ++i) {
            const auto row = ledger->take_job_row("st-mary");
            const std::string serial = "KS20260000" + std::to_string(51 + i);
            ledger->mark_job_row_writing(row->id, serial);
            LedgerAttempt a;
            a.time = "2026-03-02T09:" + std::to_string(10 + 3 * i) + ":05Z";
            a.station = "bench-1";
            a.kind = "write";
            a.serial = serial;
            a.jobRow = row->id;
            a.result = i == 7 ? "failed" : "verified";
            ledger->record(a);
        }
        d.reload();
        add("fire-brigade", "County Fire Brigade", bad);
        d.jobTable()->selectRow(0);
        d.resize(980, 520);
        d.setAttribute(Qt::WA_DontShowOnScreen);
        d.show();
        ok &= save(&d, out + "/dialog-jobs.png");
        // The sample order's delivery note, its first page as it prints (pdftoppm renders the
        // PDF the note is written as).
        const QString note = scratch.filePath(QStringLiteral("st-mary.pdf"));
        const QString page = out + "/delivery-note";
        const bool noted =
            cli::save_delivery_note(note, ledger->job("st-mary"), false).empty() &&
            QProcess::execute(QStringLiteral("pdftoppm"), {"-png", "-r", "100", "-f", "1", "-l",
                                                           "1", "-singlefile", note, page}) == 0;
        std::printf("%s %s.png\n", noted ? "wrote" : "FAILED", qPrintable(page));
        ok &= noted;
    }
    {
        frmAbout about(QStringLiteral("USB"), gui.form.get());
        about.adjustSize();
        about.setAttribute(Qt::WA_DontShowOnScreen);
        about.show();
        ok &= save(&about, out + "/window-about.png");
    }
    {
        frmSplash splash(QStringLiteral("USB"), {});
        splash.timer1().stop();
        splash.setAttribute(Qt::WA_DontShowOnScreen);
        splash.show();
        ok &= save(&splash, out + "/window-splash.png");
    }
    return ok ? 0 : 1;
}
