#pragma once
// The programming ledger as the programs use it around the operations: opened before any
// pager is touched; every write, read and verify recorded when it ends; the auto-increased
// capcodes of a batch reserved before each pager's write and marked "writing" before its
// first block goes out. A ledger that cannot be used at all stops only what it protects (a
// batch with auto-increase), unless the user says to go on without it; Read, Write and Verify
// run with one warning that nothing is recorded. kprtool and the window share it; it runs
// wherever the operations run.
#include "ledger/ledger.h"
#include "ops/attempt_recorder.h"
#include "ops/operations.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kpr {

class UsbLink;

// Passes messages on and remembers the last one: the ledger keeps it with the attempt.
class MessageMemory final : public OperatorMessages {
  public:
    explicit MessageMemory(OperatorMessages& inner) : inner_(inner) {}
    void message(const std::string& text, MessageIcon icon) override {
        {
            std::lock_guard lock(mutex_);
            last_ = text;
        }
        inner_.message(text, icon);
    }
    bool ask(const std::string& text) override { return inner_.ask(text); }
    // The last message, forgotten once taken.
    std::string take() {
        std::lock_guard lock(mutex_);
        return std::exchange(last_, {});
    }

  private:
    OperatorMessages& inner_;
    mutable std::mutex mutex_;
    std::string last_;
};

// What the recorder works with: the editor, the board link (for the port) and the last
// operator message (taken: forgotten once an attempt holds it, so the next attempt never
// shows it again). The board session places it between the operations and the backups.
struct LedgerParts {
    EditorHooks& editor;
    OperatorMessages& messages;
    UsbLink& link;
    std::function<std::string()> takeLastMessage;
    // Asked when a batch with auto-increase finds the ledger unusable (the reason given):
    // true goes on without it. Empty: the operator is asked through `messages`.
    std::function<bool(const std::string& why)> goOnWithout = {};
};

class LedgerRecorder final : public AttemptRecorder {
  public:
    // url as --ledger takes it; "" is defaultFile.
    LedgerRecorder(LedgerParts parts, std::string url, std::string defaultFile);
    ~LedgerRecorder() override;
    LedgerRecorder(const LedgerRecorder&) = delete;
    LedgerRecorder& operator=(const LedgerRecorder&) = delete;

    // Another ledger from the next ready() on.
    void setUrl(std::string url);
    const std::string& url() const { return url_; }

    // An attempt starts: opens the ledger unless it is open. When it cannot be used: for an
    // attempt that needs it (a batch with auto-increase) false, with the reason shown,
    // unless the operator chose to go on without it; for any other attempt true, with one
    // warning that attempts are not recorded.
    bool ready(bool needed) override;
    // The open ledger, if any (to interrupt a wait on it).
    Ledger* ledger() { return ledger_.get(); }
    // True while attempts are not recorded (the ledger could not be used).
    bool offline() const { return offline_; }
    // A verified pager could not be recorded: its capcodes stay held in the ledger.
    bool unrecordedVerified() const { return unrecordedVerified_; }

    // Reserves the capcodes of the ticked entries (0, 1) for the next pager, moving the
    // entries past capcodes other pagers hold. False when the ledger refused (reason shown).
    bool reserve(bool inc1, bool inc2) override;

    // The next write is the pager of this job row (taken by the caller): the row, and the
    // reservations its counted capcodes got as it was taken, are marked writing with the
    // write and settled by its record (verified, or back in line).
    void set_job_row(int64_t row, const std::vector<int64_t>& reservations = {}) {
        jobRow_ = row;
        reserved_.insert(reserved_.end(), reservations.begin(), reservations.end());
    }

    // Record the attempt just ended; false when it could not be recorded (reason shown).
    // Images are described as the pager holds them (texts in pager codes).
    bool record_write(OpOutcome r) override;
    bool record_read(ReadOutcome r) override;
    bool record_verify(OpOutcome r) override;

    // The backups, told of every image after the ledger.
    void place(TransferObserver* behind) override { backups_ = behind; }
    void read_accepted(const PagerImage& image) override;
    bool before_write(const PagerImage& outgoing, BlockTransfer& link,
                      ProgressSink& progress) override;

  private:
    // `facts`: the image to describe; inPager false keeps what only a pager can tell
    // (serial number, firmware byte, hash) out.
    bool record(LedgerAttempt a, const PagerImage* facts, bool inPager);
    bool opened(bool needed);
    void fail(const std::string& why);
    void releaseReserved();
    // The reservations of a pager whose write had started stay held whatever happens.
    void keepReserved();

    LedgerParts p_;
    TransferObserver* backups_ = nullptr;
    std::string url_;
    std::string defaultFile_;
    std::unique_ptr<Ledger> ledger_;
    std::string station_;
    std::optional<PagerImage> outgoing_;
    std::vector<int64_t> reserved_;
    int64_t jobRow_ = 0;
    bool marked_ = false;        // reserved_ are marked "writing" in the ledger
    bool offline_ = false;       // not recording: the ledger could not be used
    bool warned_ = false;        // ...and the operator was told so
    bool agreedWithout_ = false; // the operator chose to batch without it
    bool unrecordedVerified_ = false;
};

} // namespace kpr
