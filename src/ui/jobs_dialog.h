#pragma once
// Pager > "Jobs...": the jobs of the ledger the window records in, each with a bar of its
// verified pagers; an order imported from its CSV file over a base table file (every problem
// listed by row and column, nothing stored while any is left), a job run on the window's own
// board or on the station's boards, and its delivery note written as PDF or CSV as `kprtool
// job report` writes it.
#include "jobs/order.h"
#include "ledger/ledger.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace kpr {

class OperatorMessages;

class JobsDialog final : public QDialog {
    Q_OBJECT

  public:
    // url: the ledger the window records in ("" is defaultFile); currentTable: the window's
    // table file, offered as the base of an order.
    JobsDialog(std::string url, std::string defaultFile, std::string currentTable,
               OperatorMessages& messages, QWidget* parent = nullptr);
    ~JobsDialog() override;

    enum class FileChoice { Order, BaseTable, DeliveryNote };
    // Tests replace the file dialogs: (which one) -> chosen path, empty for cancel.
    void setFileDialogHook(std::function<QString(FileChoice)> hook) {
        fileDialogHook_ = std::move(hook);
    }
    // What "Run" (the window's board) and "Run on Station..." do with the chosen job; a button
    // without its hook stays off.
    enum class RunOn { Board, Station };
    void setRunHook(RunOn where, std::function<void(const std::string& job)> hook);

    QTableWidget* jobTable() const { return jobs_; }
    QTableWidget* problemTable() const { return problems_; }
    QProgressBar* progressBar(int row) const;
    QLineEdit* nameBox() const { return name_; }
    QLineEdit* customerBox() const { return customer_; }
    QPushButton* importButton() const { return import_; }
    QPushButton* checkAgainButton() const { return checkAgain_; }
    QPushButton* runButton(RunOn where) const {
        return where == RunOn::Board ? runBoard_ : runStation_;
    }
    QPushButton* noteButton() const { return note_; }
    QLabel* statusLabel() const { return status_; }

    // Asks for the order and its base table file, then importFiles.
    void importOrder();
    // Reads and checks the order over the base table; stores it as a job when no row has a
    // problem, lists the problems otherwise. True when stored.
    bool importFiles(const QString& order, const QString& base);
    // The last order again, after it was corrected.
    bool checkAgain() { return importFiles(lastOrder_, lastBase_); }
    // The chosen job's delivery note, to a file the operator names (.pdf or .csv).
    void writeDeliveryNote();
    void runSelected(RunOn where);
    // Lists the ledger's jobs again, the chosen one kept chosen.
    void reload();

  private:
    std::string selectedJob() const;
    void select(const std::string& name);
    void showProblems(const std::vector<OrderProblem>& problems, const QString& file);
    void showButtons();
    QString choose(FileChoice which, const QString& suggested);
    void fail(const std::string& why);

    std::string url_;
    std::string defaultFile_;
    std::string currentTable_;
    OperatorMessages& messages_;
    std::vector<JobSummary> summaries_;
    QString lastOrder_, lastBase_;
    QTableWidget* jobs_ = nullptr;
    QTableWidget* problems_ = nullptr;
    QLabel* problemsTitle_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* customer_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* checkAgain_ = nullptr;
    QPushButton* runBoard_ = nullptr;
    QPushButton* runStation_ = nullptr;
    QPushButton* note_ = nullptr;
    QLabel* status_ = nullptr;
    std::function<QString(FileChoice)> fileDialogHook_;
    std::function<void(const std::string&)> runHook_[2]; // by RunOn
};

} // namespace kpr
