#include "ui/jobs_dialog.h"

#include "cli/table_io.h"
#include "cli/verbs/job_report.h"
#include "common/operator_messages.h"
#include "common/printable_text.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace kpr {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(printable_value(s));
}

QTableWidget* make_table(QWidget* parent, const QStringList& heads, const char* name) {
    auto* t = new QTableWidget(0, int(heads.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(heads);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setAlternatingRowColors(true);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void set_row(QTableWidget* t, int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c)
        if (!cells[c].isNull())
            t->setItem(row, c, new QTableWidgetItem(cells[c]));
}

constexpr int ProgressColumn = 3;

} // namespace

JobsDialog::JobsDialog(std::string url, std::string defaultFile, std::string currentTable,
                       OperatorMessages& messages, QWidget* parent)
    : QDialog(parent), url_(std::move(url)), defaultFile_(std::move(defaultFile)),
      currentTable_(std::move(currentTable)), messages_(messages) {
    setObjectName(QStringLiteral("Jobs"));
    setWindowTitle(QStringLiteral("Jobs"));
    auto* top = new QVBoxLayout(this);
    auto* where = new QLabel(
        QStringLiteral("Ledger: %1")
            .arg(QString::fromStdString(redacted_ledger_url(url_.empty() ? defaultFile_ : url_))),
        this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(where);

    jobs_ = make_table(this,
                       {"Job", "Customer", "Base file", "Verified", "Failed", "Pending", "Taken",
                        "Created (UTC)", "Last activity (UTC)"},
                       "jobs");
    top->addWidget(jobs_, 2);

    auto* actions = new QHBoxLayout;
    runBoard_ = new QPushButton(QStringLiteral("Run"), this);
    runBoard_->setObjectName(QStringLiteral("run"));
    runBoard_->setToolTip(QStringLiteral("Program the job's pending rows on this window's board, "
                                         "a pager at each Write."));
    runStation_ = new QPushButton(QStringLiteral("Run on Station..."), this);
    runStation_->setObjectName(QStringLiteral("runStation"));
    runStation_->setToolTip(
        QStringLiteral("Program the job's pending rows on the station's boards."));
    note_ = new QPushButton(QStringLiteral("Delivery Note..."), this);
    note_->setObjectName(QStringLiteral("deliveryNote"));
    note_->setToolTip(QStringLiteral("Which pager carries which row, as PDF or CSV."));
    auto* refresh = new QPushButton(QStringLiteral("Refresh"), this);
    for (QPushButton* b : {runBoard_, runStation_, note_, refresh}) {
        b->setAutoDefault(false);
        actions->addWidget(b);
    }
    actions->addStretch(1);
    top->addLayout(actions);

    auto* order = new QHBoxLayout;
    order->addWidget(new QLabel(QStringLiteral("New job:"), this));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("jobName"));
    name_->setPlaceholderText(QStringLiteral("name (the order's file name)"));
    order->addWidget(name_, 1);
    order->addWidget(new QLabel(QStringLiteral("Customer:"), this));
    customer_ = new QLineEdit(this);
    customer_->setObjectName(QStringLiteral("customer"));
    customer_->setPlaceholderText(QStringLiteral("for the delivery note"));
    order->addWidget(customer_, 2);
    import_ = new QPushButton(QStringLiteral("Import..."), this);
    import_->setObjectName(QStringLiteral("import"));
    import_->setToolTip(QStringLiteral("An order (CSV, one pager a row) and its base table file."));
    checkAgain_ = new QPushButton(QStringLiteral("Check Again"), this);
    checkAgain_->setObjectName(QStringLiteral("checkAgain"));
    checkAgain_->setToolTip(QStringLiteral("Read the corrected order again; import it when "
                                           "no problem is left."));
    for (QPushButton* b : {import_, checkAgain_}) {
        b->setAutoDefault(false);
        order->addWidget(b);
    }
    top->addLayout(order);

    problemsTitle_ = new QLabel(this);
    top->addWidget(problemsTitle_);
    problems_ = make_table(this, {"Row", "Column", "Problem"}, "problems");
    top->addWidget(problems_, 1);

    auto* bottom = new QHBoxLayout;
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    bottom->addWidget(status_, 1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    bottom->addWidget(close);
    top->addLayout(bottom);

    connect(jobs_, &QTableWidget::itemSelectionChanged, this, &JobsDialog::showButtons);
    connect(runBoard_, &QPushButton::clicked, this, [this] { runSelected(RunOn::Board); });
    connect(runStation_, &QPushButton::clicked, this, [this] { runSelected(RunOn::Station); });
    connect(note_, &QPushButton::clicked, this, &JobsDialog::writeDeliveryNote);
    connect(refresh, &QPushButton::clicked, this, &JobsDialog::reload);
    connect(import_, &QPushButton::clicked, this, &JobsDialog::importOrder);
    connect(checkAgain_, &QPushButton::clicked, this, &JobsDialog::checkAgain);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(900, 460);
    showProblems({}, {});
    reload();
}

JobsDialog::~JobsDialog() = default;

void JobsDialog::setRunHook(RunOn where, std::function<void(const std::string&)> hook) {
    runHook_[int(where)] = std::move(hook);
    showButtons();
}

QProgressBar* JobsDialog::progressBar(int row) const {
    return qobject_cast<QProgressBar*>(jobs_->cellWidget(row, ProgressColumn));
}

void JobsDialog::fail(const std::string& why) {
    status_->setText(QString::fromStdString(why));
    messages_.message(why, MessageIcon::Critical);
}

void JobsDialog::reload() {
    const std::string chosen = selectedJob();
    summaries_.clear();
    try {
        summaries_ = open_ledger(url_, defaultFile_, LedgerAccess::List)->jobs();
    } catch (const LedgerMissing&) {
        // Nothing recorded yet: the first import or attempt makes the ledger.
    } catch (const LedgerError& e) {
        fail(e.what());
    }
    jobs_->clearContents();
    jobs_->setRowCount(int(summaries_.size()));
    for (int r = 0; r < int(summaries_.size()); ++r) {
        const JobSummary& s = summaries_[r];
        set_row(jobs_, r,
                {q(s.name), q(s.label), q(s.baseFile), QString(), QString::number(s.failed),
                 QString::number(s.pending), QString::number(s.taken), q(s.created),
                 q(s.lastActivity)});
        auto* bar = new QProgressBar(jobs_);
        bar->setRange(0, std::max(s.rows, 1));
        bar->setValue(s.verified);
        bar->setFormat(QStringLiteral("%1 / %2").arg(s.verified).arg(s.rows));
        jobs_->setCellWidget(r, ProgressColumn, bar);
    }
    jobs_->resizeColumnsToContents();
    jobs_->setColumnWidth(ProgressColumn, std::max(jobs_->columnWidth(ProgressColumn), 140));
    select(chosen);
    showButtons();
}

std::string JobsDialog::selectedJob() const {
    const auto rows = jobs_->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= int(summaries_.size()))
        return {};
    return summaries_[rows.first().row()].name;
}

void JobsDialog::select(const std::string& name) {
    for (int r = 0; r < int(summaries_.size()); ++r)
        if (summaries_[r].name == name)
            jobs_->selectRow(r);
}

void JobsDialog::showButtons() {
    const bool chosen = !selectedJob().empty();
    runBoard_->setEnabled(chosen && runHook_[int(RunOn::Board)]);
    runStation_->setEnabled(chosen && runHook_[int(RunOn::Station)]);
    note_->setEnabled(chosen);
    checkAgain_->setEnabled(!lastOrder_.isEmpty() && problems_->rowCount() > 0);
}

void JobsDialog::showProblems(const std::vector<OrderProblem>& problems, const QString& file) {
    problems_->clearContents();
    problems_->setRowCount(int(problems.size()));
    for (int r = 0; r < int(problems.size()); ++r) {
        const OrderProblem& p = problems[r];
        set_row(problems_, r,
                {p.row > 0 ? QString::number(p.row) : QString(""), q(p.column), q(p.text)});
    }
    problems_->resizeColumnsToContents();
    problemsTitle_->setText(
        QStringLiteral("%1 problem(s) in %2; nothing was stored. Correct the order and check "
                       "it again.")
            .arg(problems.size())
            .arg(file));
    problemsTitle_->setVisible(!problems.empty());
    problems_->setVisible(!problems.empty());
    showButtons();
}

QString JobsDialog::choose(FileChoice which, const QString& suggested) {
    if (fileDialogHook_)
        return fileDialogHook_(which);
    switch (which) {
    case FileChoice::Order:
        return QFileDialog::getOpenFileName(this, QStringLiteral("Import an Order"), suggested,
                                            QStringLiteral("Orders (*.csv);;All files (*)"));
    case FileChoice::BaseTable:
        return QFileDialog::getOpenFileName(this, QStringLiteral("The Order's Base Table File"),
                                            suggested, QStringLiteral("Table files (*.tbl)"));
    case FileChoice::DeliveryNote: {
        QString filter;
        QString path =
            QFileDialog::getSaveFileName(this, QStringLiteral("Delivery Note"), suggested,
                                         QStringLiteral("PDF (*.pdf);;CSV (*.csv)"), &filter);
        // A name typed without a suffix gets the chosen kind's.
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += filter.startsWith(QStringLiteral("CSV")) ? ".csv" : ".pdf";
        return path;
    }
    }
    return {};
}

void JobsDialog::importOrder() {
    const QString order =
        choose(FileChoice::Order, lastOrder_.isEmpty() ? QDir::homePath() : lastOrder_);
    if (order.isEmpty())
        return;
    // The window's table file is the usual base: offered first.
    std::error_code ec;
    const QString base =
        choose(FileChoice::BaseTable, std::filesystem::is_regular_file(currentTable_, ec)
                                          ? QString::fromStdString(currentTable_)
                                          : QFileInfo(order).absolutePath());
    if (!base.isEmpty())
        importFiles(order, base);
}

bool JobsDialog::importFiles(const QString& orderPath, const QString& basePath) {
    lastOrder_ = orderPath;
    lastBase_ = basePath;
    const QString file = QFileInfo(orderPath).fileName();
    showProblems({}, file);
    status_->clear();
    const auto base = cli::open_table(basePath, messages_);
    if (!base) {
        status_->setText(QStringLiteral("The base table file %1 did not open; nothing was "
                                        "stored.")
                             .arg(basePath));
        return false;
    }
    const QString typed = name_->text().trimmed();
    const std::string name =
        (typed.isEmpty() ? QFileInfo(orderPath).completeBaseName() : typed).toStdString();
    Order order = read_order_file(orderPath.toStdString());
    try {
        // Made when missing, as the window's first attempt would make it.
        const auto ledger = open_ledger(url_, defaultFile_, LedgerAccess::Record);
        validate_order(order, *base, ledger.get());
        if (!order.ok()) {
            showProblems(order.problems, file);
            return false;
        }
        ledger->add_job(new_job(order, name, customer_->text().trimmed().toStdString(),
                                QFileInfo(basePath).fileName().toStdString(), *base));
    } catch (const LedgerError& e) {
        fail(e.what());
        return false;
    }
    lastOrder_.clear();
    name_->clear();
    customer_->clear();
    reload();
    select(name);
    status_->setText(QStringLiteral("Job \"%1\": %2 pager(s) stored.")
                         .arg(QString::fromStdString(name))
                         .arg(order.rows.size()));
    showButtons();
    return true;
}

void JobsDialog::writeDeliveryNote() {
    const std::string name = selectedJob();
    if (name.empty())
        return;
    const QString path = choose(FileChoice::DeliveryNote,
                                QDir::home().filePath(QString::fromStdString(name) + ".pdf"));
    if (path.isEmpty())
        return;
    if (!cli::is_delivery_note_path(path)) {
        fail("A delivery note is a .pdf or a .csv file: " + path.toStdString());
        return;
    }
    try {
        const Job job = open_ledger(url_, defaultFile_, LedgerAccess::List)->job(name);
        // Letter where the system's measures are American, A4 everywhere else.
        const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
        const std::string why = cli::save_delivery_note(path, job, letter);
        if (!why.empty()) {
            fail("The delivery note could not be written to " + path.toStdString() + ": " + why);
            return;
        }
    } catch (const LedgerError& e) {
        fail(e.what());
        return;
    }
    status_->setText(QStringLiteral("Delivery note written to %1.").arg(path));
}

void JobsDialog::runSelected(RunOn where) {
    const std::string name = selectedJob();
    const auto& hook = runHook_[int(where)];
    if (name.empty() || !hook)
        return;
    hook(name);
    reload();
}

} // namespace kpr
