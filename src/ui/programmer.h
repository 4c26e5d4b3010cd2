#pragma once
// The board link and the programming operations as the window uses them. Every link call
// runs on one worker thread, one job after another, so the window never waits on the board:
// messages come back through GuiMessages, progress through queued signals, and the editor
// is only touched on the UI thread (EditorHooks calls are carried over and waited for).
#include "common/progress.h"
#include "editor/editor_adapter.h"
#include "ledger/ledger_recorder.h"
#include "link/connection_monitor.h"
#include "ops/board_session.h"
#include "ui/thread_mailbox.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

namespace kpr {

class Editor;
class GuiMessages;

// Progress of a transfer, re-emitted as signals (queued to whoever listens on the UI).
class ProgressRelay final : public QObject, public ProgressSink {
    Q_OBJECT
  public:
    void setMaximum(int maximum) override { emit maximumChanged(maximum); }
    void setPosition(int position) override { emit positionChanged(position); }
    void setColour(uint32_t colour) override { emit colourChanged(colour); }
    void setStatus(const std::string& text) override {
        emit statusChanged(QString::fromStdString(text));
    }
  signals:
    void maximumChanged(int);
    void positionChanged(int);
    void colourChanged(quint32);
    void statusChanged(const QString&);
};

// EditorHooks for a transfer on the link thread. The transfer works on its own copy of the
// editor's image, fall-back copy and flags; every other editor call runs on the UI thread
// while the transfer waits, with the copy handed to the editor before it and taken back
// after it. So the editor is only ever touched on the UI thread, and the window can paint
// while the board is busy.
class UiThreadEditorHooks final : public QObject, public EditorHooks {
  public:
    explicit UiThreadEditorHooks(Editor& editor) : adapter_(editor) {}
    // Bracket one transfer on the link thread (nested brackets count once): the copy is taken
    // from the editor, and the results handed back to it, on the UI thread.
    void beginTransfer();
    void endTransfer();

    PagerImage& image() override { return image_; }
    PagerImage& imageBackup() override { return imageBackup_; }
    TransferFlags& flags() override { return flags_; }
    void commit_frequency() override {
        onUi([&] { adapter_.commit_frequency(); });
    }
    void init_ctl() override {
        onUi([&] { adapter_.init_ctl(); });
    }
    void read_capcode() override {
        onUi([&] { adapter_.read_capcode(); });
    }
    std::string capcode_text(int index) override {
        std::string t;
        onUi([&] { t = adapter_.capcode_text(index); });
        return t;
    }
    void store_capcode_text(int index, const std::string& text) override {
        onUi([&] { adapter_.store_capcode_text(index, text); });
    }
    bool modify_mode() override {
        bool m = false;
        onUi([&] { m = adapter_.modify_mode(); });
        return m;
    }
    void text_to_pager() override {
        onUi([&] { adapter_.text_to_pager(); });
    }
    void text_from_pager() override {
        onUi([&] { adapter_.text_from_pager(); });
    }
    int load_from_pager(std::span<const uint8_t> bytes, BandRule rule) override {
        int error = 0;
        onUi([&] { error = adapter_.load_from_pager(bytes, rule); });
        return error;
    }

  private:
    // Runs f on the UI thread; during a transfer the editor holds the transfer's copy
    // while f runs, and the copy takes f's changes back.
    void onUi(const std::function<void()>& f);
    void runOnUi(const std::function<void()>& f) { mailbox_.run(f); }
    void copyToEditor();
    void copyFromEditor();

    ThreadMailbox mailbox_;
    EditorAdapter adapter_;
    PagerImage image_;
    PagerImage imageBackup_;
    TransferFlags flags_;
    // Set and read by the link thread, or by the UI while the link thread waits.
    bool inTransfer_ = false;
    int depth_ = 0;
};

class Programmer final : public QObject, private LinkUi {
    Q_OBJECT

  public:
    // `ports` name the board the window shows and programs (the USB one, or the parallel-port
    // one when they hold its port).
    Programmer(Editor& editor, GuiMessages& messages, BoardPorts ports, QObject* parent = nullptr);
    ~Programmer() override;

    // The board, its operations and its ledger; used on the link thread only (in the posted
    // jobs), but for board() and operations().batch_label before a job.
    BoardSession& session() { return session_; }
    BoardLink& board() { return session_.board(); }
    Operations& operations() { return session_.operations(); }
    ProgressRelay& progress() { return progress_; }
    // The session's ledger recorder and the operations' messages; on the link thread only.
    LedgerRecorder& recorder() { return *ledger_; }
    OperatorMessages& messages() { return said_; }
    // The ledger the next operation records in ("" is the default file).
    void setLedgerUrl(const std::string& url);
    const std::string& ledgerUrl() const { return ledgerUrl_; }

    // Runs job on the link thread; done (if any) runs on the UI thread afterwards. A job that
    // uses the editor does so inside runTransfer.
    void post(std::function<void()> job, std::function<void()> done = {});
    // Runs job on the link thread and waits for it, keeping the UI thread's events going;
    // like a transfer, the job works on its own copy of the editor's image and flags.
    void runAndWait(std::function<void()> job);
    bool busy() const { return pending_ > 0; }

    // Start-up: the interactive board search.
    void startupConnect(std::function<void()> done);
    // One tick of the connection monitor.
    void monitorTick();
    // Help > Check Firmware.
    void checkFirmware(std::function<void()> done = {});
    // Stops the transfer in progress at its next wait or block; it then fails quietly.
    // Stays in force for transfers not yet started until clearCancel().
    void cancel();
    void clearCancel();
    // Runs a whole-image operation on the link thread unless a cancel is pending; false
    // when it was skipped.
    bool runTransfer(const std::function<void()>& op);
    // Shut-down: releases the board when one is known.
    void shutdown();

  signals:
    void boardStateChanged(bool connected);
    void monitorEnabledChanged(bool enabled);

  private:
    // LinkUi, called on the link thread.
    void setMonitorEnabled(bool on) override { emit monitorEnabledChanged(on); }
    void showBoardState(BoardState s) override {
        emit boardStateChanged(s == BoardState::Connected);
    }

    UiThreadEditorHooks hooks_;
    ProgressRelay progress_;
    // The operations' messages, the last of which the ledger keeps with an attempt.
    MessageMemory said_;
    BoardSession session_;
    LedgerRecorder* ledger_ = nullptr; // the session's recorder
    ConnectionMonitor monitor_;
    QThread thread_;
    ThreadMailbox* linkMailbox_ = nullptr; // lives on thread_
    ThreadMailbox uiMailbox_;
    int pending_ = 0;
    std::string ledgerUrl_; // ledger_'s, as the UI thread knows it
};

} // namespace kpr
