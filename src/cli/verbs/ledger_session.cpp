#include "cli/verbs/ledger_session.h"

#include "backup/product_backups.h"
#include "cli/command.h"
#include "cli/verbs/device_session.h"
#include "ledger/attempt_facts.h"
#include "text/charset.h"

namespace kpr::cli {

const QCommandLineOption ledgerOption(
    "ledger",
    "The programming ledger: a SQLite file (default: ledger.sqlite in the data folder), "
    "postgresql://host/db or a PostgreSQL socket path.",
    "URL");

std::string product_ledger_file() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return (std::filesystem::path(base.toStdString()) / ProductDataName / "ledger.sqlite").string();
}

std::unique_ptr<Ledger> open_cli_ledger(CommandContext& ctx, const QCommandLineParser& parser) {
    try {
        auto l = make_ledger(parser.value(ledgerOption).toStdString(), product_ledger_file());
        l->open(station_name());
        return l;
    } catch (const LedgerError& e) {
        ctx.err << QString::fromStdString(e.what()) << "\n";
        ctx.err.flush();
        return nullptr;
    }
}

LedgerSession::~LedgerSession() {
    if (ledger_ && !reserved_.empty()) {
        try {
            ledger_->release(reserved_);
        } catch (const LedgerError&) {
            // released at this station's next start
        }
    }
}

bool LedgerSession::open(const QCommandLineParser& parser) {
    ledger_ = open_cli_ledger(s_.context(), parser);
    if (!ledger_)
        return false;
    station_ = station_name();
    s_.ops().setTransferObserver(this);
    return true;
}

void LedgerSession::fail(const std::string& why) {
    s_.messages().message(why, MessageIcon::Critical);
}

bool LedgerSession::reserve(bool inc1, bool inc2) {
    EditorHooks& e = s_.hooks();
    try {
        for (int index : {0, 1}) {
            if (!(index == 0 ? inc1 : inc2))
                continue;
            const long long from = capcode_value(e.capcode_text(index));
            const CapcodeReservation r =
                ledger_->reserve_capcode(static_cast<int32_t>(from), station_);
            reserved_.push_back(r.id);
            for (const std::string& line : r.skipped)
                s_.messages().message(line, MessageIcon::Information);
            if (r.capcode != from) {
                e.store_capcode_text(index, std::to_string(r.capcode));
                e.read_capcode();
            }
        }
        return true;
    } catch (const LedgerError& err) {
        fail(err.what());
        return false;
    }
}

void LedgerSession::read_accepted(const PagerImage& image) {
    s_.backups().read_accepted(image);
}

bool LedgerSession::before_write(const PagerImage& outgoing, BlockTransfer& link,
                                 ProgressSink& progress) {
    outgoing_ = outgoing;
    return s_.backups().before_write(outgoing, link, progress);
}

bool LedgerSession::record(LedgerAttempt a, const PagerImage* facts, bool inPager) {
    a.station = station_;
    a.port = s_.link().board_known() ? s_.link().BoardPort : "";
    a.user = current_user();
    a.message = s_.lastMessage();
    if (facts) {
        describe_image(a, *facts);
        if (!inPager) { // what was meant for the pager; nothing was read from it
            a.serial.clear();
            a.firmware = -1;
            a.imageSha256.clear();
        }
    }
    try {
        ledger_->record(a, reserved_);
        reserved_.clear();
        return true;
    } catch (const LedgerError& err) {
        fail("The attempt could not be recorded in the ledger. " + std::string(err.what()));
        return false;
    }
}

namespace {
const char* op_result(OpOutcome r) {
    return r == OpOutcome::Success     ? "verified"
           : r == OpOutcome::Cancelled ? "cancelled"
                                       : "failed";
}
} // namespace

bool LedgerSession::record_write(OpOutcome r) {
    LedgerAttempt a;
    a.kind = "write";
    a.result = op_result(r);
    a.backupFile = s_.backups().lastKept(BackupKind::BeforeWrite).filename().string();
    const std::optional<PagerImage> sent = std::move(outgoing_);
    outgoing_.reset();
    return sent ? record(a, &*sent, true) : record(a, &s_.editor().image(), false);
}

bool LedgerSession::record_read(ReadOutcome r) {
    LedgerAttempt a;
    a.kind = "read";
    if (r != ReadOutcome::Accepted) {
        a.result = r == ReadOutcome::Cancelled ? "cancelled" : "failed";
        return record(a, nullptr, false);
    }
    a.result = "read";
    a.backupFile = s_.backups().lastKept(BackupKind::Read).filename().string();
    // Hashed as the pager holds it, so it compares with the hash of a write.
    PagerImage held = s_.editor().image();
    text_to_pager(held);
    return record(a, &held, true);
}

// Called while the editor's image is in pager codes.
bool LedgerSession::record_verify(OpOutcome r) {
    LedgerAttempt a;
    a.kind = "verify";
    a.result = op_result(r);
    return record(a, &s_.editor().image(), r == OpOutcome::Success);
}

} // namespace kpr::cli
