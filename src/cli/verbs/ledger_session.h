#pragma once
// The programming ledger as the board verbs use it: --ledger URL (default: the setting, else
// ledger.sqlite in the program's data folder), opened before any pager is touched; every
// write, read and verify recorded when it ends; the auto-increased capcodes of a batch
// reserved before each pager's write. A ledger that cannot be used stops only a batch with
// auto-increase (unless --no-ledger); the other verbs run with one warning.
#include "ledger/ledger.h"
#include "ledger/ledger_recorder.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <memory>
#include <string>

namespace kpr::cli {

class DeviceSession;
struct CommandContext;

extern const QCommandLineOption ledgerOption;
extern const QCommandLineOption noLedgerOption;

// The ledger --ledger names, or the one the settings name.
std::string cli_ledger_url(const QCommandLineParser& parser);

// Opens the ledger --ledger names; nothing, with the reason on stderr, when it cannot be used.
// Recording: what the clean-up found is told on stderr.
std::unique_ptr<Ledger> open_cli_ledger(CommandContext& ctx, const QCommandLineParser& parser,
                                        LedgerAccess access = LedgerAccess::Record);

// The ledger a Ctrl-C interrupts (a call waiting on a silent server gives up within a
// second); set while a verb uses one. Safe to read from a signal handler.
void set_interruptible_ledger(Ledger* ledger);
void interrupt_ledger();

class LedgerSession {
  public:
    explicit LedgerSession(DeviceSession& s) : s_(s) {}
    ~LedgerSession();

    // Opens the ledger and puts itself between the operations and the backups. `needed`:
    // a batch with auto-increase, which without the ledger goes on only with --no-ledger.
    // False, with the reason on stderr, when it may not go on.
    bool open(const QCommandLineParser& parser, bool needed = false);

    bool reserve(bool inc1, bool inc2) { return !recorder_ || recorder_->reserve(inc1, inc2); }
    bool record_write(OpOutcome r) { return !recorder_ || recorder_->record_write(r); }
    bool record_read(ReadOutcome r) { return !recorder_ || recorder_->record_read(r); }
    bool record_verify(OpOutcome r) { return !recorder_ || recorder_->record_verify(r); }
    // The open ledger; nothing with --no-ledger or when it could not be used.
    Ledger* ledger() { return recorder_ ? recorder_->ledger() : nullptr; }
    // The recorder open() put in place; nothing with --no-ledger or when it could not be used.
    LedgerRecorder* recorder() { return recorder_; }

  private:
    DeviceSession& s_;
    // The board session's recorder, once open() has set one.
    LedgerRecorder* recorder_ = nullptr;
};

} // namespace kpr::cli
