#include "ui/ledger_log_dialog.h"

#include "common/operator_messages.h"
#include "ledger/ledger_format.h"

#include <QAbstractTableModel>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace kpr {

class LedgerLogModel final : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<LedgerAttempt> rows) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }
    const std::vector<LedgerAttempt>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(ledger_listing_columns().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const LedgerAttempt& a = rows_[index.row()];
        if (role == Qt::DisplayRole)
            return QString::fromStdString(ledger_listing_row(a)[index.column()]);
        if (role == Qt::ToolTipRole && !a.message.empty())
            return QString::fromStdString(a.message);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o == Qt::Horizontal && role == Qt::DisplayRole)
            return QString::fromStdString(ledger_listing_columns()[section]);
        return {};
    }

  private:
    std::vector<LedgerAttempt> rows_;
};

// Keeps the rows whose shown columns hold every word typed.
class LedgerFilterModel final : public QSortFilterProxyModel {
  public:
    LedgerFilterModel(LedgerLogModel& source, QObject* parent)
        : QSortFilterProxyModel(parent), source_(source) {
        setSourceModel(&source);
    }
    void setText(const QString& text) {
        text_ = text.toStdString();
        invalidateRowsFilter();
    }
    // The rows kept, in the order shown.
    std::vector<LedgerAttempt> shown() const {
        std::vector<LedgerAttempt> out;
        for (int r = 0; r < rowCount(); ++r)
            out.push_back(source_.rows()[mapToSource(index(r, 0)).row()]);
        return out;
    }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        return ledger_row_matches(source_.rows()[row], text_);
    }

  private:
    LedgerLogModel& source_;
    std::string text_;
};

LedgerLogDialog::LedgerLogDialog(std::string url, std::string defaultFile,
                                 OperatorMessages& messages, QWidget* parent)
    : QDialog(parent), defaultFile_(std::move(defaultFile)), messages_(messages) {
    setObjectName(QStringLiteral("LedgerLog"));
    setWindowTitle(QStringLiteral("Programming Log"));
    auto* top = new QVBoxLayout(this);

    auto* where = new QHBoxLayout;
    where->addWidget(new QLabel(QStringLiteral("Ledger:"), this));
    url_ = new QLineEdit(this);
    url_->setObjectName(QStringLiteral("ledgerUrl"));
    url_->setPlaceholderText(QString::fromStdString(defaultFile_));
    url_->setToolTip(QStringLiteral("A SQLite file, postgresql://host/db or a PostgreSQL socket "
                                    "path; empty for the default file."));
    where->addWidget(url_, 1);
    use_ = new QPushButton(QStringLiteral("Use"), this);
    use_->setObjectName(QStringLiteral("useLedger"));
    where->addWidget(use_);
    top->addLayout(where);
    passwordNote_ = new QLabel(QStringLiteral("This URL holds a password (shown as ***). "
                                              "Passwords belong in ~/.pgpass, not in the "
                                              "settings: give the URL without it."),
                               this);
    passwordNote_->setObjectName(QStringLiteral("passwordNote"));
    passwordNote_->setWordWrap(true);
    top->addWidget(passwordNote_);

    auto* find = new QHBoxLayout;
    find->addWidget(new QLabel(QStringLiteral("Filter:"), this));
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("filter"));
    filter_->setPlaceholderText(QStringLiteral("serial, capcode, result, station..."));
    filter_->setClearButtonEnabled(true);
    find->addWidget(filter_, 1);
    top->addLayout(find);

    model_ = new LedgerLogModel(this);
    proxy_ = new LedgerFilterModel(*model_, this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("log"));
    table_->setModel(proxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::DescendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    top->addWidget(table_, 1);

    auto* bottom = new QHBoxLayout;
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("count"));
    bottom->addWidget(count_, 1);
    export_ = new QPushButton(QStringLiteral("Export CSV..."), this);
    export_->setObjectName(QStringLiteral("exportCsv"));
    bottom->addWidget(export_);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    bottom->addWidget(close);
    top->addLayout(bottom);

    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& t) {
        proxy_->setText(t);
        showCount();
    });
    connect(use_, &QPushButton::clicked, this, &LedgerLogDialog::use);
    connect(export_, &QPushButton::clicked, this, &LedgerLogDialog::exportCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(820, 420);
    loadedUrl_ = std::move(url);
    showLedger();
    try {
        model_->setRows(open_ledger(loadedUrl_, defaultFile_, LedgerAccess::List)->query({}));
    } catch (const LedgerMissing&) {
        // Nothing recorded yet: the window's first attempt makes it.
    } catch (const LedgerError& e) {
        messages_.message(e.what(), MessageIcon::Critical);
    }
    table_->resizeColumnsToContents();
    showCount();
}

LedgerLogDialog::~LedgerLogDialog() = default;

bool LedgerLogDialog::use() {
    std::string url = url_->text().trimmed().toStdString();
    if (url == redacted_ledger_url(loadedUrl_))
        url = loadedUrl_; // the box shows the ledger in use without its password
    const auto refuse = [this](const std::string& why) {
        if (!why.empty())
            messages_.message(why, MessageIcon::Critical);
        showLedger();
        return false;
    };
    if (redacted_ledger_url(url) != url)
        return refuse("The ledger " + redacted_ledger_url(url) +
                      " holds a password, which would be kept in the settings. Put it in "
                      "~/.pgpass (host:port:database:user:password), where it is found, and "
                      "give the URL without it.");
    std::vector<LedgerAttempt> rows;
    try {
        try {
            rows = open_ledger(url, defaultFile_, LedgerAccess::List)->query({});
        } catch (const LedgerMissing& e) {
            // A mistyped path would become the setting and a ledger no other station uses:
            // a new one only when the operator says so. The default is made by the first
            // attempt.
            if (!url.empty()) {
                if (!messages_.ask(std::string(e.what()) + " Make a new ledger there?"))
                    return refuse("");
                open_ledger(url, defaultFile_, LedgerAccess::Record);
            }
        }
    } catch (const LedgerError& e) {
        return refuse(e.what());
    }
    model_->setRows(std::move(rows));
    loadedUrl_ = url;
    showLedger();
    table_->resizeColumnsToContents();
    showCount();
    emit ledgerChosen(QString::fromStdString(url));
    return true;
}

void LedgerLogDialog::showLedger() {
    const std::string shown = redacted_ledger_url(loadedUrl_);
    url_->setText(QString::fromStdString(shown));
    passwordNote_->setVisible(shown != loadedUrl_);
}

void LedgerLogDialog::showCount() {
    count_->setText(
        QStringLiteral("%1 of %2 attempts").arg(proxy_->rowCount()).arg(model_->rowCount()));
}

void LedgerLogDialog::exportCsv() {
    const QString path =
        fileDialogHook_
            ? fileDialogHook_()
            : QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"),
                                           QDir::home().filePath(QStringLiteral("ledger.csv")),
                                           QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    const std::string why =
        save_ledger_csv(path.toStdString(), proxy_->shown(), CsvStyle::Spreadsheet);
    if (!why.empty())
        messages_.message("The log could not be written to " + path.toStdString() + ": " + why,
                          MessageIcon::Critical);
}

} // namespace kpr
