#pragma once
// "Station": several boards writing and verifying pagers at once, one row per board. The
// station runs on its own threads; every change of a row reaches the widgets as a copy
// queued to the UI thread. When a run ends the main window gets the next free capcodes.
#include "ledger/ledger.h"
#include "ledger/station_ledger.h"
#include "station/station.h"
#include "station/station_rows.h"
#include "ui/thread_mailbox.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kpr {

class Clock;
class Editor;
class SerialPort;

// The boards a station may use: every port to probe, and how to open one.
struct StationPorts {
    std::function<std::vector<std::string>()> list;
    std::function<std::unique_ptr<SerialPort>(const std::string& port)> make;
    Clock* clock = nullptr;
};

class StationDialog final : public QDialog {
    Q_OBJECT

  public:
    StationDialog(Editor& editor, const StationPorts& ports, QWidget* parent = nullptr);
    ~StationDialog() override;

    int rowCount() const { return static_cast<int>(rows_.size()); }
    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* nextButton(int row) const { return rows_.at(static_cast<size_t>(row)).next; }
    QProgressBar* progressBar(int row) const { return rows_.at(static_cast<size_t>(row)).bar; }
    QLabel* stateLabel(int row) const { return rows_.at(static_cast<size_t>(row)).state; }
    QLabel* capcodeLabel(int row) const { return rows_.at(static_cast<size_t>(row)).capcodes; }
    QLabel* resultLabel(int row) const { return rows_.at(static_cast<size_t>(row)).result; }
    QLabel* summaryLabel() const { return summary_; }
    bool running() const { return runner_.joinable(); }

    // The run records its pagers in this ledger (a URL as the window keeps it; empty: the
    // default file) and holds its counting capcodes there.
    void useLedger(const std::string& url) { ledgerUrl_ = url; }
    // Start runs this job of the ledger instead: each pager its next row, until none is left.
    void useJob(const std::string& name);
    const std::optional<std::string>& job() const { return job_; }
    void startRun();
    void stopRun();

  signals:
    void runEnded();

  public slots:
    void reject() override;

  private:
    struct RowWidgets {
        QLabel* state = nullptr;
        QProgressBar* bar = nullptr;
        QLabel* serial = nullptr;
        QLabel* capcodes = nullptr;
        QLabel* result = nullptr;
        QPushButton* next = nullptr;
    };
    void showRow(const StationRow& row);
    void onRunEnded(const StationSummary& summary);
    void showButtons();

    Editor& editor_;
    StationPorts ports_;
    std::vector<std::string> portNames_;
    std::vector<RowWidgets> rows_;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* summary_ = nullptr;
    // One run: made on Start, ended on the UI thread when the runner has returned.
    std::optional<std::string> ledgerUrl_;
    std::optional<std::string> job_;
    QLabel* title_ = nullptr;
    std::unique_ptr<Ledger> ledger_;
    std::unique_ptr<PagerLedger> pagerLedger_;
    std::unique_ptr<CapcodeCounter> counter_;
    std::unique_ptr<StationRows> stationRows_;
    std::unique_ptr<Station> station_;
    // Rows and the run's end, from the station's threads.
    ThreadMailbox mailbox_;
    std::thread runner_;
    bool closeWhenEnded_ = false;
};

} // namespace kpr
