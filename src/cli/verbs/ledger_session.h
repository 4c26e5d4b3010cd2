#pragma once
// The programming ledger as the board verbs use it: --ledger URL (default: ledger.sqlite in
// the program's data folder), opened before any pager is touched; every write, read and
// verify recorded when it ends; the auto-increased capcodes of a batch reserved before each
// pager's write.
#include "backup/backup_store.h"
#include "ledger/ledger.h"
#include "ops/operations.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kpr::cli {

class DeviceSession;
struct CommandContext;

extern const QCommandLineOption ledgerOption;

// <GenericDataLocation>/kpr35t-programmer/ledger.sqlite
std::string product_ledger_file();

// Opens the ledger --ledger names; nothing, with the reason on stderr, when it cannot be used.
std::unique_ptr<Ledger> open_cli_ledger(CommandContext& ctx, const QCommandLineParser& parser);

class LedgerSession final : public TransferObserver {
  public:
    explicit LedgerSession(DeviceSession& s) : s_(s) {}
    ~LedgerSession() override;

    // Opens the ledger and puts itself between the operations and the backups. False, with
    // the reason on stderr, when the ledger cannot be used: nothing is written then.
    bool open(const QCommandLineParser& parser);

    // Reserves the capcodes of the ticked entries (0, 1) for the next pager, moving the
    // entries past capcodes other pagers hold. False when the ledger refused (reason shown).
    bool reserve(bool inc1, bool inc2);

    // Record the attempt just ended; false when it could not be recorded (reason shown).
    bool record_write(OpOutcome r);
    bool record_read(ReadOutcome r);
    bool record_verify(OpOutcome r);

    void read_accepted(const PagerImage& image) override;
    bool before_write(const PagerImage& outgoing, BlockTransfer& link,
                      ProgressSink& progress) override;

  private:
    // `facts`: the image to describe; inPager false keeps what only a pager can tell
    // (serial number, firmware byte, hash) out.
    bool record(LedgerAttempt a, const PagerImage* facts, bool inPager);
    void fail(const std::string& why);

    DeviceSession& s_;
    std::unique_ptr<Ledger> ledger_;
    std::string station_;
    std::string port_;
    std::optional<PagerImage> outgoing_;
    std::vector<int64_t> reserved_;
};

} // namespace kpr::cli
