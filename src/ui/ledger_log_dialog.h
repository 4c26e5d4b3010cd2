#pragma once
// Pager > "Programming Log...": the ledger's history as `kprtool log` lists it, with a filter
// box, columns that sort on a click, Export CSV (what `kprtool log --csv` writes, for the
// rows the filter keeps) and the ledger the window records in.
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
    QLabel* countLabel() const { return count_; }

    // Tests replace the file dialog: () -> chosen path, empty for cancel.
    void setFileDialogHook(std::function<QString()> hook) { fileDialogHook_ = std::move(hook); }

    // Reads the history from the ledger in the ledger box; false (reason shown) when that
    // ledger cannot be used, the rows shown before staying.
    bool reload();
    // Writes the rows the filter keeps as CSV to a file the operator chooses.
    void exportCsv();

  signals:
    // The operator switched to another ledger that opened: the window records in it now.
    void ledgerChosen(const QString& url);

  private:
    void showCount();

    std::string defaultFile_;
    std::string loadedUrl_;
    OperatorMessages& messages_;
    LedgerLogModel* model_ = nullptr;
    LedgerFilterModel* proxy_ = nullptr;
    QLineEdit* url_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* export_ = nullptr;
    std::function<QString()> fileDialogHook_;
};

} // namespace kpr
