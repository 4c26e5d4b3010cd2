#pragma once
// Pager > "Programming Log...": the ledger's history as `kprtool log` lists it, with a filter
// box on the columns shown, columns that sort on a click, Export CSV (the rows kept, in the
// order shown, safe to open in a spreadsheet) and the ledger the window records in.
#include "ledger/ledger.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace kpr {

class LedgerLogModel;
class LedgerFilterModel;
class OperatorMessages;

class LedgerLogDialog final : public QDialog {
    Q_OBJECT

  public:
    // url: the ledger the window records in ("" is defaultFile).
    LedgerLogDialog(std::string url, std::string defaultFile, OperatorMessages& messages,
                    QWidget* parent = nullptr);
    ~LedgerLogDialog() override;

    QTableView* table() const { return table_; }
    QLineEdit* filterBox() const { return filter_; }
    QLineEdit* ledgerBox() const { return url_; }
    QPushButton* exportButton() const { return export_; }
    QPushButton* useButton() const { return use_; }
    QLabel* countLabel() const { return count_; }

    // Tests replace the file dialog: () -> chosen path, empty for cancel.
    void setFileDialogHook(std::function<QString()> hook) { fileDialogHook_ = std::move(hook); }

    // "Use": lists the ledger the box names and makes it the window's. Where there is none
    // yet, asks before making one; a URL holding a password is refused (it would be kept in
    // the settings: passwords belong in ~/.pgpass). False (reason shown) when not switched,
    // the rows and the ledger shown before staying.
    bool use();
    // Writes the rows the filter keeps, in the order shown, as CSV to a file the operator
    // chooses (CsvStyle::Spreadsheet).
    void exportCsv();

  signals:
    // The operator switched to another ledger that opened: the window records in it now.
    void ledgerChosen(const QString& url);

  private:
    // Lists the ledger at url; false when it cannot be listed (nothing shown about it).
    bool load(const std::string& url);
    // The box and the password note for the ledger in use.
    void showLedger();
    void showCount();

    std::string defaultFile_;
    std::string loadedUrl_; // in full: the box shows it without its password
    OperatorMessages& messages_;
    LedgerLogModel* model_ = nullptr;
    LedgerFilterModel* proxy_ = nullptr;
    QLineEdit* url_ = nullptr;
    QPushButton* use_ = nullptr;
    QLabel* passwordNote_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* export_ = nullptr;
    std::function<QString()> fileDialogHook_;
};

} // namespace kpr
