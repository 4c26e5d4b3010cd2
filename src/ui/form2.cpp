#include "ui/form2.h"

#include "editor/editor.h"
#include "jobs/board_job.h"
#include "ui/ncommand.h"
#include "ui/programmer.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kpr {

// A job's run. Its steps run on the link thread, one after another; the UI reads what a step
// left once the step is over.
struct Form2::JobRun {
    std::string name;
    std::unique_ptr<BoardJob> board;
    std::optional<JobPager> next; // taken, written at the next Write
    std::string caption;          // next's
    std::string end;              // why no row is next
    bool recorded = true;         // the last pager's attempt is in the ledger
};

Form2::Form2(Editor& editor, Programmer& programmer, QWidget* parent)
    : QDialog(parent), editor_(editor), programmer_(programmer) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Pager Program"));
    setModal(true);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(14, 10, 10, 14);
    auto* head = new QHBoxLayout;
    Label2_ = new QLabel(QStringLiteral("Pager Program"), this);
    Label2_->setObjectName(QStringLiteral("Label2"));
    QFont tf = Label2_->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.4);
    Label2_->setFont(tf);
    Label2_->setStyleSheet(QStringLiteral("color:#143063;"));
    head->addWidget(Label2_);
    head->addStretch(1);
    Close1_ = new CloseButton(this);
    Close1_->setObjectName(QStringLiteral("Close1"));
    connect(Close1_, &CloseButton::Click, this, [this] { tryClose(); });
    head->addWidget(Close1_, 0, Qt::AlignTop);
    top->addLayout(head);

    Label1_ = new QLabel(this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setMinimumHeight(Label1_->sizeHint().height());
    top->addWidget(Label1_);
    PB1_ = new QProgressBar(this);
    PB1_->setObjectName(QStringLiteral("PB1"));
    PB1_->setMinimumWidth(360);
    PB1_->setRange(0, 100);
    PB1_->setValue(0);
    PB1_->setTextVisible(false);
    top->addWidget(PB1_);

    auto* autos = new QHBoxLayout;
    lblAuto1_ = new QLabel(QStringLiteral(" 1st capcode : "), this);
    lblAuto1_->setObjectName(QStringLiteral("lblAuto1"));
    lblAuto2_ = new QLabel(QStringLiteral(" 2nd capcode : "), this);
    lblAuto2_->setObjectName(QStringLiteral("lblAuto2"));
    autos->addWidget(lblAuto1_);
    autos->addWidget(lblAuto2_);
    autos->addStretch(1);
    top->addLayout(autos);
    lblJob_ = new QLabel(this);
    lblJob_->setObjectName(QStringLiteral("lblJob"));
    lblJob_->setWordWrap(true);
    QFont jf = lblJob_->font();
    jf.setBold(true);
    lblJob_->setFont(jf);
    top->addWidget(lblJob_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdWrite_ = new Ncommand(this);
    cmdWrite_->setObjectName(QStringLiteral("cmdWrite"));
    cmdWrite_->setCaption(QStringLiteral("Write"));
    cmdWrite_->setMinimumSize(90, 28);
    cmdExit_ = new Ncommand(this);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));
    cmdExit_->setCaption(QStringLiteral("Exit"));
    cmdExit_->setMinimumSize(90, 28);
    connect(cmdWrite_, &Ncommand::Click, this, &Form2::cmdWrite_Click);
    connect(cmdExit_, &Ncommand::Click, this, [this] { tryClose(); });
    buttons->addWidget(cmdWrite_);
    buttons->addWidget(cmdExit_);
    top->addLayout(buttons);
    cmdWrite_->hide();
    cmdExit_->hide();
    lblAuto1_->hide();
    lblAuto2_->hide();
    lblJob_->hide();

    ProgressRelay& p = programmer_.progress();
    connect(&p, &ProgressRelay::maximumChanged, this, [this](int m) { PB1_->setMaximum(m); });
    connect(&p, &ProgressRelay::positionChanged, this,
            [this](int v) { PB1_->setValue(std::min(v, PB1_->maximum())); });
    connect(&p, &ProgressRelay::colourChanged, this, &Form2::setBarColour);
    connect(&p, &ProgressRelay::statusChanged, this,
            [this](const QString& t) { Label1_->setText(t); });
}

QWidget* Form2::writeButton() const {
    return cmdWrite_;
}
QWidget* Form2::exitButton() const {
    return cmdExit_;
}
QWidget* Form2::closeButton() const {
    return Close1_;
}

void Form2::setBarColour(quint32 colour) {
    QColor c;
    if (colour & 0x80000000u) // a system colour: the highlight
        c = palette().color(QPalette::Highlight);
    else
        c = QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    PB1_->setStyleSheet(QStringLiteral("QProgressBar{border:1px solid #7a8aa5;border-radius:3px;"
                                       "background:white;}"
                                       "QProgressBar::chunk{background:%1;}")
                            .arg(c.name()));
}

void Form2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, &Form2::activate);
    }
}

void Form2::activate() {
    if (job_) {
        programmer_.clearCancel();
        takeJobRow();
        return;
    }
    const EditorFlags& f = editor_.flags();
    if (f.OperationKind == OperationKind::Write) {
        lblAuto1_->setVisible(f.AutoInc1);
        lblAuto2_->setVisible(f.AutoInc2);
    }
    running_ = true;
    programmer_.clearCancel();
    auto next = std::make_shared<Operations::DialogNext>(Operations::DialogNext::Close);
    Programmer& prog = programmer_;
    programmer_.post(
        [&prog, next] { prog.runTransfer([&] { *next = prog.session().activate(); }); },
        [this, next] {
            running_ = false;
            emit operationFinished();
            if (*next == Operations::DialogNext::AwaitBatch && !closeWhenIdle_) {
                cmdWrite_->show();
                cmdExit_->show();
                cmdWrite_->setFocus(Qt::OtherFocusReason); // Enter writes the next pager
                return;
            }
            finish();
        });
}

void Form2::cmdWrite_Click() {
    if (running_)
        return;
    if (job_) {
        writeJobRow();
        return;
    }
    cmdWrite_->setEnabled(false);
    cmdExit_->setEnabled(false);
    running_ = true;
    Programmer& prog = programmer_;
    // The labels show the capcodes of the pager about to be written, once the ledger has
    // reserved them (passing over capcodes other pagers hold).
    auto showLabels = [this, &prog] {
        const QString l1 = QString::fromStdString(prog.operations().batch_label(0));
        const QString l2 = QString::fromStdString(prog.operations().batch_label(1));
        mailbox_.post([this, l1, l2] {
            lblAuto1_->setText(l1);
            lblAuto2_->setText(l2);
        });
    };
    programmer_.post(
        [&prog, showLabels] { prog.runTransfer([&] { prog.session().batch_step(showLabels); }); },
        [this] {
            running_ = false;
            cmdWrite_->setEnabled(true);
            cmdExit_->setEnabled(true);
            // Disabling it moved the focus away; Enter writes the next pager.
            cmdWrite_->setFocus(Qt::OtherFocusReason);
            emit operationFinished();
            if (closeWhenIdle_)
                finish();
        });
}

void Form2::useJob(const std::string& name) {
    job_ = std::make_shared<JobRun>();
    job_->name = name;
    setWindowTitle(QStringLiteral("Pager Program - Job %1").arg(QString::fromStdString(name)));
    lblJob_->show();
}

void Form2::takeJobRow() {
    running_ = true;
    cmdWrite_->setEnabled(false);
    cmdExit_->setEnabled(false);
    Programmer& prog = programmer_;
    programmer_.post(
        [&prog, job = job_] {
            try {
                if (!job->board)
                    job->board = std::make_unique<BoardJob>(prog.recorder(), job->name);
                // A close asked for meanwhile takes no row.
                if (!prog.operations().cancel_requested())
                    job->next = job->board->take();
                if (job->next) {
                    job->caption = job->board->caption(*job->next);
                    return;
                }
                job->end = job->board->progress();
            } catch (const LedgerError& e) {
                job->end = e.what();
                prog.messages().message(e.what(), MessageIcon::Critical);
            }
        },
        [this] {
            running_ = false;
            showJobRow();
        });
}

void Form2::showJobRow() {
    if (closeWhenIdle_) {
        closeJob();
        return;
    }
    const bool more = job_->next.has_value();
    lblJob_->setText(QString::fromStdString(more ? job_->caption : job_->end));
    cmdWrite_->setVisible(more);
    cmdWrite_->setEnabled(true);
    cmdExit_->show();
    cmdExit_->setEnabled(true);
    // Enter writes the next pager; once none is left it closes.
    (more ? cmdWrite_ : cmdExit_)->setFocus(Qt::OtherFocusReason);
}

void Form2::writeJobRow() {
    if (!job_->next)
        return;
    cmdWrite_->setEnabled(false);
    cmdExit_->setEnabled(false);
    running_ = true;
    lblJob_->setText(QStringLiteral("Writing %1").arg(QString::fromStdString(job_->caption)));
    // The window shows the pager's settings while it is written.
    editor_.load_image(job_->next->image);
    Programmer& prog = programmer_;
    programmer_.post(
        [&prog, job = job_] {
            const JobPager pager = *std::exchange(job->next, std::nullopt);
            job->recorded = true;
            if (!prog.runTransfer(
                    [&] { job->recorded = job->board->write(prog.operations(), pager); })) {
                try {
                    job->board->give_back(pager); // closed before it started
                } catch (const LedgerError&) {
                    // still taken: the next start of the program puts it back
                }
            }
        },
        [this] {
            running_ = false;
            emit operationFinished();
            if (closeWhenIdle_)
                finish();
            else if (!job_->recorded) {
                // As a verified pager the ledger does not know of, the run goes no further.
                job_->end = "Stopped: the ledger did not record the last pager.";
                showJobRow();
            } else
                takeJobRow(); // a failed pager's row is back at the front: it comes again
        });
}

void Form2::closeJob() {
    if (!job_->next) {
        finish();
        return;
    }
    // The row taken for the next pager goes back to the front of the job.
    running_ = true;
    programmer_.post(
        [job = job_] {
            try {
                job->board->give_back(*std::exchange(job->next, std::nullopt));
            } catch (const LedgerError&) {
                // still taken: the next start of the program puts it back
            }
        },
        [this] { finish(); });
}

bool Form2::tryClose() {
    if (running_) {
        // The transfer stops once the reply in flight is in (so the line is quiet for the
        // next command), closes the port and fails; the dialog closes once it has ended.
        closeWhenIdle_ = true;
        Label1_->setText(QStringLiteral("Cancelling..."));
        programmer_.cancel();
        return false;
    }
    if (job_ && job_->next) {
        closeJob();
        return false;
    }
    finish();
    return true;
}

void Form2::finish() {
    closeWhenIdle_ = false;
    running_ = false;
    done(QDialog::Accepted);
}

void Form2::reject() {
    tryClose();
}

void Form2::closeEvent(QCloseEvent* e) {
    if (running_) {
        e->ignore();
        tryClose();
        return;
    }
    QDialog::closeEvent(e);
}

void Form2::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, width(), height());
    g.setColorAt(0, QColor(0xf1, 0xf5, 0xfb));
    g.setColorAt(1, QColor(0xc4, 0xd3, 0xea));
    p.fillRect(rect(), g);
}

} // namespace kpr
