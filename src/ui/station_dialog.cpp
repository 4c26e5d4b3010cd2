#include "ui/station_dialog.h"

#include "editor/editor.h"
#include "jobs/job_format.h"
#include "jobs/job_station_ledger.h"
#include "ledger/attempt_facts.h"
#include "link/usb_link.h"
#include "product/backup_settings.h"
#include "product/ledger_settings.h"
#include "station/station_editor.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kpr {

namespace {

QString bar_style(uint32_t colour, const QPalette& palette) {
    // As the programming dialog's bar: BGR, or the system highlight.
    const QColor c = colour & 0x80000000u
                         ? palette.color(QPalette::Highlight)
                         : QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return QStringLiteral("QProgressBar{border:1px solid #7a8aa5;border-radius:3px;"
                          "background:white;}QProgressBar::chunk{background:%1;}")
        .arg(c.name());
}

QString shown_capcode(Capcode c) {
    return QString::fromStdString(capcode_text(c));
}

} // namespace

StationDialog::StationDialog(Editor& editor, const StationPorts& ports, QWidget* parent)
    : QDialog(parent), editor_(editor), ports_(ports) {
    setObjectName(QStringLiteral("StationDialog"));
    setWindowTitle(QStringLiteral("Station"));
    setModal(true);
    portNames_ = ports_.list ? ports_.list() : std::vector<std::string>{};

    auto* top = new QVBoxLayout(this);
    title_ = new QLabel(QStringLiteral("Programming Station"), this);
    QFont tf = title_->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.4);
    title_->setFont(tf);
    title_->setStyleSheet(QStringLiteral("color:#143063;"));
    top->addWidget(title_);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    const char* const heads[] = {"Board", "Port",     "State",  "Progress",
                                 "Pager", "Capcodes", "Result", ""};
    for (int c = 0; c < 8; ++c) {
        auto* h = new QLabel(QString::fromLatin1(heads[c]), this);
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
        grid->addWidget(h, 0, c);
    }
    for (size_t i = 0; i < portNames_.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        RowWidgets w;
        grid->addWidget(new QLabel(QString::number(r), this), r, 0);
        grid->addWidget(new QLabel(QString::fromStdString(portNames_[i]), this), r, 1);
        w.state = new QLabel(this);
        w.state->setMinimumWidth(
            w.state->fontMetrics().horizontalAdvance(QString::fromLatin1(MsgStationInsert)));
        w.bar = new QProgressBar(this);
        w.bar->setTextVisible(false);
        w.bar->setMinimumWidth(160);
        w.bar->setRange(0, 100);
        w.bar->setValue(0);
        w.bar->setStyleSheet(bar_style(0x80000000u, palette()));
        w.serial = new QLabel(this);
        w.serial->setMinimumWidth(
            w.serial->fontMetrics().horizontalAdvance(QStringLiteral("KS2026000000")));
        w.capcodes = new QLabel(this);
        w.result = new QLabel(this);
        w.result->setMinimumWidth(
            w.result->fontMetrics().horizontalAdvance(QString::fromLatin1(MsgBoardNotResponding)));
        // Boards 1 to 9 have a digit key; the label shows it only where it exists.
        w.next = new QPushButton(
            r <= 9 ? QStringLiteral("Next (%1)").arg(r) : QStringLiteral("Next"), this);
        w.next->setObjectName(QStringLiteral("next%1").arg(r));
        if (r <= 9)
            w.next->setShortcut(QKeySequence(Qt::Key_0 + r));
        w.next->setEnabled(false);
        w.next->setAutoDefault(false);
        connect(w.next, &QPushButton::clicked, this, [this, r] {
            if (stationRows_)
                stationRows_->insert(r);
        });
        grid->addWidget(w.state, r, 2);
        grid->addWidget(w.bar, r, 3);
        grid->addWidget(w.serial, r, 4);
        grid->addWidget(w.capcodes, r, 5);
        grid->addWidget(w.result, r, 6);
        grid->addWidget(w.next, r, 7);
        rows_.push_back(w);
    }
    grid->setColumnStretch(6, 1);
    top->addLayout(grid);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    top->addWidget(summary_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    start_ = new QPushButton(QStringLiteral("Start"), this);
    stop_ = new QPushButton(QStringLiteral("Stop"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton* b : {start_, stop_, close}) {
        b->setAutoDefault(false);
        b->setMinimumSize(90, 28);
        buttons->addWidget(b);
    }
    connect(start_, &QPushButton::clicked, this, &StationDialog::startRun);
    connect(stop_, &QPushButton::clicked, this, &StationDialog::stopRun);
    connect(close, &QPushButton::clicked, this, &StationDialog::reject);
    top->addLayout(buttons);
    if (portNames_.empty())
        summary_->setText(QStringLiteral("No serial port to look for boards on."));
    showButtons();
}

StationDialog::~StationDialog() {
    stopRun();
    if (runner_.joinable())
        runner_.join();
}

void StationDialog::showButtons() {
    start_->setEnabled(!running() && !portNames_.empty());
    stop_->setEnabled(running());
}

void StationDialog::useJob(const std::string& name) {
    job_ = name;
    title_->setText(
        QStringLiteral("Programming Station: job %1").arg(QString::fromStdString(name)));
}

void StationDialog::startRun() {
    if (running() || portNames_.empty())
        return;
    if (!job_ && !editor_.flags().AutoInc1 && !editor_.flags().AutoInc2 &&
        QMessageBox::question(this, windowTitle(),
                              QStringLiteral("Auto Increase is off: every pager gets the same "
                                             "capcodes. Program them all the same?")) !=
            QMessageBox::Yes)
        return;
    QString notes;
    if (ledgerUrl_ || job_) {
        // An unusable ledger stops a counting run before any board is touched, unless the
        // operator chooses to go on without it; a job has no rows without it; any other run
        // goes on with a warning.
        pagerLedger_.reset();
        ledger_.reset();
        try {
            LedgerOpening found;
            ledger_ = open_ledger(ledgerUrl_.value_or(""), product_ledger_file(),
                                  LedgerAccess::Record, &found);
            if (job_)
                pagerLedger_ = std::make_unique<JobStationLedger>(*ledger_, station_name(), *job_);
            else
                pagerLedger_ = std::make_unique<StationLedger>(*ledger_, station_name());
            for (const OpenReservation& r : found.uncertain)
                notes += QString::fromStdString(uncertain_reservation_line(r)) + '\n';
            for (const JobRow& r : found.uncertainRows)
                notes += QString::fromStdString(uncertain_job_row_line(r)) + '\n';
        } catch (const LedgerError& e) {
            const QString why = QString::fromStdString(e.what());
            if (job_) {
                summary_->setText(why);
                return;
            }
            const bool counting = editor_.flags().AutoInc1 || editor_.flags().AutoInc2;
            if (counting &&
                QMessageBox::question(
                    this, windowTitle(),
                    why + QStringLiteral("\n\nWithout the ledger, the counted capcodes are not "
                                         "checked against the pagers already written. Go on "
                                         "without the ledger?")) != QMessageBox::Yes) {
                summary_->setText(why);
                return;
            }
            notes = why + QStringLiteral(" Attempts are not recorded this run.");
        }
    }
    counter_ = counter_from_editor(editor_, !job_ && editor_.flags().AutoInc1,
                                   !job_ && editor_.flags().AutoInc2, 0, pagerLedger_.get());
    if (job_)
        counter_->take_job_rows();
    stationRows_ = std::make_unique<StationRows>(
        portNames_, [this](StationRow row) { mailbox_.post([this, row] { showRow(row); }); });
    for (const StationRow& r : stationRows_->rows())
        showRow(r);
    StationSetup setup;
    setup.ports = portNames_;
    setup.clock = ports_.clock;
    setup.makePort = ports_.make;
    setup.loadEditor = load_image_into(editor_.image());
    setup.makeObserver = [store = product_backup_store(),
                          readFirst = product_backup_reads_before_write()](
                             OperatorMessages& m) -> std::unique_ptr<TransferObserver> {
        return std::make_unique<PagerBackups>(store, m, readFirst);
    };
    station_ = std::make_unique<Station>(std::move(setup), *counter_, *stationRows_);
    summary_->setText(notes.trimmed());
    runner_ = std::thread([this] {
        const StationSummary s = station_->run();
        stationRows_->run_ended();
        mailbox_.post([this, s] { onRunEnded(s); });
    });
    showButtons();
}

void StationDialog::stopRun() {
    if (!running())
        return;
    station_->stop();
    if (ledger_)
        ledger_->interrupt(); // a silent ledger server holds no board past a second
    stationRows_->close();
}

void StationDialog::showRow(const StationRow& row) {
    const RowWidgets& w = rows_.at(static_cast<size_t>(row.position - 1));
    // A long reason is cut to the column; the whole of it is on hover.
    const QString state = QString::fromStdString(row.state);
    w.state->setText(w.state->fontMetrics().elidedText(state, Qt::ElideRight, 360));
    w.state->setToolTip(state);
    w.bar->setMaximum(std::max(row.maximum, 1));
    w.bar->setValue(std::min(row.value, std::max(row.maximum, 1)));
    w.bar->setStyleSheet(bar_style(row.colour, palette()));
    w.serial->setText(QString::fromStdString(row.serial));
    w.capcodes->setText(row.hasCapcodes ? shown_capcode(row.capcode[0]) + QStringLiteral(" / ") +
                                              shown_capcode(row.capcode[1])
                                        : QString());
    w.result->setText(QString::fromStdString(row.result));
    w.result->setStyleSheet(row.failed > 0 && !row.result.starts_with("verified")
                                ? QStringLiteral("color:#c00000;")
                                : QString());
    w.next->setEnabled(row.waiting);
}

void StationDialog::onRunEnded(const StationSummary& s) {
    if (runner_.joinable())
        runner_.join();
    QString text = QStringLiteral("Verified %1, failed %2, %3 board(s), %4 s, %5 pagers per hour.")
                       .arg(s.verified)
                       .arg(s.failed)
                       .arg(s.positions)
                       .arg(s.seconds, 0, 'f', 1)
                       .arg(s.pagersPerHour(), 0, 'f', 0);
    // A job's pagers carry its rows' capcodes; the window's counter is not theirs. Where the
    // job stands is the ledger's to say (other stations may share it).
    if (job_ && ledger_) {
        try {
            text += ' ' + QString::fromStdString(job_progress_line(ledger_->job(*job_)));
        } catch (const LedgerError& e) {
            text += ' ' + QString::fromStdString(e.what());
        }
    } else if (!job_) {
        show_next_capcodes(editor_, *counter_);
        const CapcodeReservation next = counter_->next();
        text += QStringLiteral(" Next capcodes: %1 / %2")
                    .arg(shown_capcode(next.capcode[0]), shown_capcode(next.capcode[1]));
    }
    summary_->setText(text);
    station_.reset();
    showButtons();
    emit runEnded();
    if (closeWhenEnded_)
        QDialog::reject();
}

void StationDialog::reject() {
    if (running()) {
        // The boards are released first; the dialog closes when the run has ended.
        closeWhenEnded_ = true;
        stopRun();
        return;
    }
    QDialog::reject();
}

} // namespace kpr
