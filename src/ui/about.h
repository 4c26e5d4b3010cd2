#pragma once
// The About window and the splash window.
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kpr {

class frmAbout final : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(const QString& linkKind, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent*) override;
};

class frmSplash final : public QWidget {
    Q_OBJECT
  public:
    // showMain runs when Timer1 fires: it shows the main window and starts its loading,
    // which starts this window's Timer2 (startClosing).
    frmSplash(const QString& linkKind, std::function<void()> showMain, QWidget* parent = nullptr);
    ~frmSplash() override;

    QTimer& timer1() { return timer1_; }
    QTimer& timer2() { return timer2_; }
    // The main window's loading starts the closing timer.
    void startClosing() { timer2_.start(); }

  protected:
    void paintEvent(QPaintEvent*) override;
    void closeEvent(QCloseEvent*) override;

  private:
    QTimer timer1_;
    QTimer timer2_;
    std::function<void()> showMain_;
    bool cursorSet_ = false;
};

} // namespace kpr
