#pragma once
// "Pager Program": the programming dialog. Runs the read, write or verify the editor asked
// for as soon as it opens, off the UI thread, and shows its progress; in batch writing it
// waits for "Write" between pagers. Closing it during a transfer cancels the transfer.
#include "ui/thread_mailbox.h"

#include <QDialog>

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
    QWidget* writeButton() const;
    QWidget* exitButton() const;
    QWidget* closeButton() const;
    // True while an operation runs on the link thread.
    bool transferRunning() const { return running_; }

    void cmdWrite_Click();

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

    Editor& editor_;
    Programmer& programmer_;
    QLabel* Label2_ = nullptr;
    QLabel* Label1_ = nullptr;
    QProgressBar* PB1_ = nullptr;
    QLabel* lblAuto1_ = nullptr;
    QLabel* lblAuto2_ = nullptr;
    Ncommand* cmdWrite_ = nullptr;
    Ncommand* cmdExit_ = nullptr;
    CloseButton* Close1_ = nullptr;
    bool activated_ = false;
    bool running_ = false;
    bool closeWhenIdle_ = false;
    // The capcode labels, from the link thread.
    ThreadMailbox mailbox_;
};

} // namespace kpr
