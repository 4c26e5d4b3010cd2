#pragma once
// "Pager Program": the programming dialog. Runs the read, write or verify the editor asked
// for as soon as it opens, off the UI thread, and shows its progress; in batch writing it
// waits for "Write" between pagers; running a job, each Write writes the job's next row.
// Closing it during a transfer cancels the transfer.
#include "ui/thread_mailbox.h"

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;

namespace kpr {

class CloseButton;
class Editor;
class Ncommand;
class Programmer;

class Form2 final : public QDialog {
    Q_OBJECT

  public:
    Form2(Editor& editor, Programmer& programmer, QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return PB1_; }
    QLabel* statusLabel() const { return Label1_; }
    QLabel* autoLabel(int i) const { return i == 0 ? lblAuto1_ : lblAuto2_; }
    // The job's row the next Write writes, or why none is left.
    QLabel* jobLabel() const { return lblJob_; }
    QWidget* writeButton() const;
    QWidget* exitButton() const;
    QWidget* closeButton() const;
    // True while an operation runs on the link thread.
    bool transferRunning() const { return running_; }

    void cmdWrite_Click();
    // Pager > "Jobs..." > Run, before the dialog is shown: instead of the editor's image, a
    // pager at each Write gets the job's next row (loaded into the editor), as in batch
    // writing, until no row is left or the operator stops.
    void useJob(const std::string& name);

  signals:
    // An operation (the opening one or a batch step) has ended.
    void operationFinished();

  public slots:
    void reject() override;

  protected:
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void paintEvent(QPaintEvent*) override;

  private:
    void activate();
    void setBarColour(quint32 colour);
    void finish();
    bool tryClose();
    struct JobRun;
    void takeJobRow();
    void showJobRow();
    void writeJobRow();
    void closeJob();

    Editor& editor_;
    Programmer& programmer_;
    QLabel* Label2_ = nullptr;
    QLabel* Label1_ = nullptr;
    QProgressBar* PB1_ = nullptr;
    QLabel* lblAuto1_ = nullptr;
    QLabel* lblAuto2_ = nullptr;
    QLabel* lblJob_ = nullptr;
    Ncommand* cmdWrite_ = nullptr;
    Ncommand* cmdExit_ = nullptr;
    CloseButton* Close1_ = nullptr;
    bool activated_ = false;
    bool running_ = false;
    bool closeWhenIdle_ = false;
    std::shared_ptr<JobRun> job_; // shared with the link thread's steps
    // The capcode labels, from the link thread.
    ThreadMailbox mailbox_;
};

} // namespace kpr
