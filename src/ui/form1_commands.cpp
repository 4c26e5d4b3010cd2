#include "ui/form1.h"

#include "editor/editor.h"
#include "product/ledger_settings.h"
#include "profile/document_commands.h"
#include "ui/about.h"
#include "ui/form2.h"
#include "ui/form5.h"
#include "ui/form6.h"
#include "ui/gui_messages.h"
#include "ui/jobs_dialog.h"
#include "ui/ledger_log_dialog.h"
#include "ui/programmer.h"

#include <filesystem>
#include <memory>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>

// The menus and the commands they run.
namespace kpr {

void Form1::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QKeySequence& key,
                      void (Form1::*slot)()) {
        QAction* a = menu->addAction(binder_.caption(name));
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        actions_[name] = a;
    };
    QMenu* file = menuBar()->addMenu(binder_.caption("mnuFile"));
    file->setObjectName(QStringLiteral("mnuFile"));
    add(file, "mnuLBFF", QKeySequence(Qt::CTRL | Qt::Key_O), &Form1::mnuLBFF_Click);
    add(file, "mnuSBTF", QKeySequence(Qt::CTRL | Qt::Key_S), &Form1::mnuSBTF_Click);
    add(file, "mnuSA", QKeySequence(Qt::CTRL | Qt::Key_A), &Form1::mnuSA_Click);
    file->addSeparator();
    add(file, "mnuExit", QKeySequence(Qt::CTRL | Qt::Key_E), &Form1::mnuExit_Click);
    mnuPager_ = menuBar()->addMenu(binder_.caption("mnuPager"));
    mnuPager_->setObjectName(QStringLiteral("mnuPager"));
    add(mnuPager_, "mnuEntire", QKeySequence(Qt::Key_F3), &Form1::mnuEntire_Click);
    add(mnuPager_, "mnuEB", QKeySequence(Qt::Key_F4), &Form1::mnuEB_Click);
    add(mnuPager_, "mnuEB1", QKeySequence(Qt::Key_F9), &Form1::mnuEB1_Click);
    mnuPager_->addSeparator();
    add(mnuPager_, "mnuStation", {}, &Form1::mnuStation_Click);
    actions_["mnuStation"]->setEnabled(false);
    add(mnuPager_, "mnuLog", {}, &Form1::mnuLog_Click);
    add(mnuPager_, "mnuJobs", {}, &Form1::mnuJobs_Click);
    QMenu* help = menuBar()->addMenu(binder_.caption("mnuHelp"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    add(help, "mnuAbout", {}, &Form1::mnuAbout_Click);
    add(help, "mnuFirmware", {}, &Form1::mnuFirmware_Click);
}

bool Form1::holdMonitor() {
    const bool hadMonitor = timer1_.isActive();
    timer1_.stop();
    monitorWanted_ = false;
    return hadMonitor;
}

void Form1::resumeMonitor(bool hadMonitor) {
    monitorWanted_ = true;
    if (programmer_ && (hadMonitor || startupDone_) && !closing_)
        timer1_.start();
}

void Form1::runPagerCommand(OperationKind kind) {
    const bool hadMonitor = holdMonitor();
    ++dispatchDepth_;
    const bool open = editor_.run_pager_command(kind, [this] {
        // The entry's focus-out is an ordinary event of the window, outside the command.
        --dispatchDepth_;
        strip_->setFocus(Qt::OtherFocusReason);
        editor_.state().focusRequest.clear();
        QCoreApplication::processEvents();
        ++dispatchDepth_;
    });
    --dispatchDepth_;
    afterEvent();
    if (open && programmer_) {
        Form2 dialog(editor_, *programmer_, this);
        emit dialogOpened(&dialog);
        dialog.exec();
        render();
    }
    resumeMonitor(hadMonitor);
}

void Form1::runJob(const std::string& job) {
    if (!programmer_)
        return;
    // The rows are the job's, not the editor's: its mode and entries do not stop them.
    const bool hadMonitor = holdMonitor();
    strip_->setFocus(Qt::OtherFocusReason); // an entry being edited is stored first
    editor_.state().focusRequest.clear();
    editor_.flags().OperationKind = OperationKind::Write;
    const PagerImage before = editor_.image();
    {
        Form2 dialog(editor_, *programmer_, this);
        dialog.useJob(job);
        emit dialogOpened(&dialog);
        dialog.exec();
    }
    // Each pager's row was shown while it was written; the window's own image is back.
    editor_.load_image(before);
    render();
    resumeMonitor(hadMonitor);
}

void Form1::setStationPorts(StationPorts ports) {
    stationPorts_ = std::move(ports);
    actions_["mnuStation"]->setEnabled(static_cast<bool>(stationPorts_.list));
}

void Form1::mnuStation_Click() {
    openStation({});
}

void Form1::openStation(const std::string& job) {
    if (!stationPorts_.list)
        return;
    // The single-board link leaves the ports alone while the station has them.
    const bool hadMonitor = holdMonitor();
    strip_->setFocus(Qt::OtherFocusReason); // an entry being edited is stored first
    editor_.state().focusRequest.clear();
    if (programmer_)
        programmer_->runAndWait([] {});
    {
        StationDialog dialog(editor_, stationPorts_, this);
        dialog.useLedger(programmer_ ? programmer_->ledgerUrl() : product_ledger_url());
        if (!job.empty())
            dialog.useJob(job);
        emit dialogOpened(&dialog);
        dialog.exec();
    }
    render();
    resumeMonitor(hadMonitor);
}

void Form1::monitorTick() {
    if (!programmer_)
        return;
    timer1_.stop(); // a tick never overlaps itself; the tick enables the timer again
    programmer_->monitorTick();
}

void Form1::mnuEntire_Click() {
    runPagerCommand(OperationKind::Read);
}
void Form1::mnuEB_Click() {
    runPagerCommand(OperationKind::Write);
}
void Form1::mnuEB1_Click() {
    runPagerCommand(OperationKind::Verify);
}

void Form1::mnuLog_Click() {
    const std::string url = programmer_ ? programmer_->ledgerUrl() : product_ledger_url();
    LedgerLogDialog dialog(url, product_ledger_file(), messages_, this);
    // The ledger chosen there is the window's from now on, and its setting.
    connect(&dialog, &LedgerLogDialog::ledgerChosen, this, [this](const QString& chosen) {
        set_product_ledger_url(chosen.toStdString());
        if (programmer_)
            programmer_->setLedgerUrl(chosen.toStdString());
    });
    emit dialogOpened(&dialog);
    dialog.exec();
}

void Form1::mnuJobs_Click() {
    JobsDialog dialog(programmer_ ? programmer_->ledgerUrl() : product_ledger_url(),
                      product_ledger_file(), editor_.flags().CurrentTablePath, messages_, this);
    if (programmer_)
        dialog.setRunHook(JobsDialog::RunOn::Board,
                          [this](const std::string& job) { runJob(job); });
    if (stationPorts_.list)
        dialog.setRunHook(JobsDialog::RunOn::Station,
                          [this](const std::string& job) { openStation(job); });
    emit dialogOpened(&dialog);
    dialog.exec();
}

QString Form1::chooseFile(bool save) {
    if (fileDialogHook_)
        return fileDialogHook_(save);
    const QString folder = QString::fromStdString(editor_.flags().ProgramFolder);
    const QString filter = QStringLiteral("Table files (*.tbl);;Profiles (*.yaml)");
    if (!save)
        return QFileDialog::getOpenFileName(this, QStringLiteral("Open"), folder, filter);
    QString chosenFilter;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), folder, filter,
                                                &chosenFilter, QFileDialog::DontConfirmOverwrite);
    // A name typed without an extension gets the chosen kind's: "(*.yaml)" -> ".yaml".
    const qsizetype star = chosenFilter.indexOf(QStringLiteral("*."));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && star >= 0)
        path += chosenFilter.mid(star + 1).chopped(1);
    return path;
}

void Form1::mnuLBFF_Click() {
    const QString path = chooseFile(false);
    if (path.isEmpty())
        return;
    dispatch([&] { open_document(editor_, path.toStdString(), messages_); });
}

void Form1::mnuSA_Click() {
    const QString path = chooseFile(true);
    if (path.isEmpty())
        return;
    dispatch([&] { save_document_as(editor_, path.toStdString(), messages_); });
}

void Form1::mnuSBTF_Click() {
    strip_->setFocus(Qt::OtherFocusReason);
    dispatch([&] { save_document(editor_, messages_); });
}

void Form1::mnuAbout_Click() {
    frmAbout about(QString::fromStdString(programmer_ ? programmer_->board().kind()
                                                      : std::string(LinkKindUsb)),
                   this);
    emit dialogOpened(&about);
    about.exec();
}

void Form1::mnuFirmware_Click() {
    if (programmer_)
        programmer_->checkFirmware();
}

void Form1::mnuExit_Click() {
    close();
}

void Form1::closeEvent(QCloseEvent* e) {
    if (!closing_) {
        closing_ = true;
        timer1_.stop();
        timer2_.stop();
        if (programmer_)
            programmer_->shutdown(); // releases the board when one is known
    }
    e->accept();
    QCoreApplication::quit();
}

void Form1::runDialog(const std::string& button, const std::string& form) {
    editor_.route(button, ControlEvent::Click); // fills the dialog's controls
    render();
    std::unique_ptr<BoundDialog> dialog;
    if (form == "Form5")
        dialog = std::make_unique<Form5>(editor_, this);
    else
        dialog = std::make_unique<Form6>(editor_, this);
    emit dialogOpened(dialog.get());
    dialog->exec();
    render();
}

void Form1::startUp(const QString& programFolder, std::function<void()> done) {
    // The editor and this window were built with the default image. The settings
    // (default.tbl or the band defaults) are put in place at once, so what the window shows
    // is final while the board search runs on the link thread: nothing typed during the
    // search is overwritten when it ends. What they have to say (a default.tbl refused) is
    // told after the search's own word, in the order start-up has always told them. The
    // monitor starts after both.
    editor_.flags().ProgramFolder = programFolder.toStdString();
    messages_.hold();
    dispatch([&] { editor_.startup_finish(programFolder.toStdString()); });
    auto finish = [this, done] {
        messages_.release();
        startupDone_ = true;
        monitorWanted_ = true;
        if (programmer_ && !closing_)
            timer1_.start();
        if (done)
            done();
    };
    if (programmer_)
        programmer_->startupConnect(finish);
    else
        finish();
}

} // namespace kpr
