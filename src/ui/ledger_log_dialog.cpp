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
    // The rows kept, in the ledger's order (newest first).
    std::vector<LedgerAttempt> kept() const {
        std::vector<LedgerAttempt> out;
        for (const LedgerAttempt& a : source_.rows())
            if (ledger_row_matches(a, text_))
                out.push_back(a);
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
    url_ = new QLineEdit(QString::fromStdString(url), this);
    url_->setObjectName(QStringLiteral("ledgerUrl"));
    url_->setPlaceholderText(QString::fromStdString(defaultFile_));
    url_->setToolTip(QStringLiteral("A SQLite file, postgresql://host/db or a PostgreSQL socket "
                                    "path; empty for the default file."));
    where->addWidget(url_, 1);
    auto* use = new QPushButton(QStringLiteral("Use"), this);
    use->setObjectName(QStringLiteral("useLedger"));
    where->addWidget(use);
    top->addLayout(where);

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
    connect(use, &QPushButton::clicked, this, [this] {
        if (reload())
            emit ledgerChosen(url_->text().trimmed());
    });
    connect(export_, &QPushButton::clicked, this, &LedgerLogDialog::exportCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(820, 420);
    reload();
}

LedgerLogDialog::~LedgerLogDialog() = default;

bool LedgerLogDialog::reload() {
    const std::string url = url_->text().trimmed().toStdString();
    try {
        auto ledger = open_ledger(url, defaultFile_, LedgerAccess::List);
        model_->setRows(ledger->query({}));
        loadedUrl_ = url;
    } catch (const LedgerMissing& e) {
        if (!url.empty()) { // the default ledger is made by the first attempt
            messages_.message(e.what(), MessageIcon::Critical);
            url_->setText(QString::fromStdString(loadedUrl_));
            return false;
        }
        model_->setRows({});
        loadedUrl_ = url;
    } catch (const LedgerError& e) {
        messages_.message(e.what(), MessageIcon::Critical);
        url_->setText(QString::fromStdString(loadedUrl_));
        return false;
    }
    table_->resizeColumnsToContents();
    showCount();
    return true;
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
    const std::string why = save_ledger_csv(path.toStdString(), proxy_->kept());
    if (!why.empty())
        messages_.message("The log could not be written to " + path.toStdString() + ": " + why,
                          MessageIcon::Critical);
}

} // namespace kpr
