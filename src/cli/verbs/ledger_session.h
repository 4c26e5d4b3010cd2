#pragma once
// The programming ledger as the board verbs use it: --ledger URL (default: the setting, else
// ledger.sqlite in the program's data folder), opened before any pager is touched; every
// write, read and verify recorded when it ends; the auto-increased capcodes of a batch
// reserved before each pager's write.
#include "ledger/ledger.h"
#include "ledger/ledger_recorder.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <memory>
#include <optional>
#include <string>

namespace kpr::cli {

class DeviceSession;
struct CommandContext;

extern const QCommandLineOption ledgerOption;

// The ledger --ledger names, or the one the settings name.
std::string cli_ledger_url(const QCommandLineParser& parser);

// Opens the ledger --ledger names; nothing, with the reason on stderr, when it cannot be used.
std::unique_ptr<Ledger> open_cli_ledger(CommandContext& ctx, const QCommandLineParser& parser);

class LedgerSession {
  public:
    explicit LedgerSession(DeviceSession& s) : s_(s) {}

    // Opens the ledger and puts itself between the operations and the backups. False, with
    // the reason on stderr, when the ledger cannot be used: nothing is written then.
    bool open(const QCommandLineParser& parser);

    bool reserve(bool inc1, bool inc2) { return recorder_->reserve(inc1, inc2); }
    bool record_write(OpOutcome r) { return recorder_->record_write(r); }
    bool record_read(ReadOutcome r) { return recorder_->record_read(r); }
    bool record_verify(OpOutcome r) { return recorder_->record_verify(r); }

  private:
    DeviceSession& s_;
    std::optional<LedgerRecorder> recorder_;
};

} // namespace kpr::cli
