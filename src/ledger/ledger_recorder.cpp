#include "ledger/ledger_recorder.h"

#include "ledger/attempt_facts.h"
#include "link/usb_link.h"
#include "text/charset.h"

namespace kpr {

LedgerRecorder::LedgerRecorder(LedgerParts parts, std::string url, std::string defaultFile)
    : p_(std::move(parts)), url_(std::move(url)), defaultFile_(std::move(defaultFile)) {
    p_.ops.setTransferObserver(this);
}

LedgerRecorder::~LedgerRecorder() {
    p_.ops.setTransferObserver(&p_.backups);
    releaseReserved();
}

void LedgerRecorder::releaseReserved() {
    if (ledger_ && !reserved_.empty()) {
        try {
            ledger_->release(reserved_);
        } catch (const LedgerError&) {
            // released at this station's next start
        }
    }
    reserved_.clear();
}

void LedgerRecorder::setUrl(std::string url) {
    releaseReserved();
    ledger_.reset();
    url_ = std::move(url);
}

bool LedgerRecorder::ready() {
    if (!opened())
        return false;
    if (p_.takeLastMessage)
        p_.takeLastMessage(); // said before this attempt
    return true;
}

bool LedgerRecorder::opened() {
    if (ledger_)
        return true;
    try {
        ledger_ = open_ledger(url_, defaultFile_);
        station_ = station_name();
        return true;
    } catch (const LedgerError& e) {
        fail(e.what());
        return false;
    }
}

void LedgerRecorder::fail(const std::string& why) {
    p_.messages.message(why, MessageIcon::Critical);
}

bool LedgerRecorder::reserve(bool inc1, bool inc2) {
    if (!opened())
        return false;
    EditorHooks& e = p_.editor;
    try {
        for (int index : {0, 1}) {
            if (!(index == 0 ? inc1 : inc2))
                continue;
            const long long from = capcode_value(e.capcode_text(index));
            const LedgerReservation r =
                ledger_->reserve_capcode(static_cast<int32_t>(from), station_);
            reserved_.push_back(r.id);
            for (const std::string& line : r.skipped)
                p_.messages.message(line, MessageIcon::Information);
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

void LedgerRecorder::read_accepted(const PagerImage& image) {
    p_.backups.read_accepted(image);
}

bool LedgerRecorder::before_write(const PagerImage& outgoing, BlockTransfer& link,
                                  ProgressSink& progress) {
    outgoing_ = outgoing;
    return p_.backups.before_write(outgoing, link, progress);
}

bool LedgerRecorder::record(LedgerAttempt a, const PagerImage* facts, bool inPager) {
    if (!opened())
        return false;
    a.station = station_;
    a.port = p_.link.board_known() ? p_.link.BoardPort : "";
    a.user = current_user();
    a.message = p_.takeLastMessage ? p_.takeLastMessage() : "";
    if (facts)
        describe_image(a, *facts, inPager);
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

bool LedgerRecorder::record_write(OpOutcome r) {
    LedgerAttempt a;
    a.kind = "write";
    a.result = op_result(r);
    a.backupFile = p_.backups.lastKept(BackupKind::BeforeWrite).filename().string();
    const std::optional<PagerImage> sent = std::move(outgoing_);
    outgoing_.reset();
    return sent ? record(a, &*sent, true) : record(a, &p_.editor.image(), false);
}

bool LedgerRecorder::record_read(ReadOutcome r) {
    LedgerAttempt a;
    a.kind = "read";
    if (r != ReadOutcome::Accepted) {
        a.result = r == ReadOutcome::Cancelled ? "cancelled" : "failed";
        return record(a, nullptr, false);
    }
    a.result = "read";
    a.backupFile = p_.backups.lastKept(BackupKind::Read).filename().string();
    // Hashed as the pager holds it, so it compares with the hash of a write.
    PagerImage held = p_.editor.image();
    text_to_pager(held);
    return record(a, &held, true);
}

bool LedgerRecorder::record_verify(OpOutcome r) {
    LedgerAttempt a;
    a.kind = "verify";
    a.result = op_result(r);
    PagerImage held = p_.editor.image();
    text_to_pager(held);
    return record(a, &held, r == OpOutcome::Success);
}

Operations::DialogNext recorded_activate(Operations& ops, LedgerRecorder& ledger) {
    if (!ledger.ready())
        return Operations::DialogNext::Close;
    const int kind = ops.context().editor.flags().OperationKind;
    const Operations::DialogNext next = ops.activate();
    if (kind == 0)
        ledger.record_read(ops.lastReadOutcome());
    else if (kind == 2)
        ledger.record_verify(ops.lastOutcome());
    else if (next == Operations::DialogNext::Close)
        ledger.record_write(ops.lastOutcome());
    return next;
}

OpOutcome recorded_batch_step(Operations& ops, LedgerRecorder& ledger,
                              const std::function<void()>& reserved) {
    const TransferFlags& f = ops.context().editor.flags();
    if (!ledger.reserve(f.AutoInc1, f.AutoInc2))
        return OpOutcome::Failed;
    if (reserved)
        reserved();
    const OpOutcome r = ops.batch_step();
    ledger.record_write(r);
    return r;
}

} // namespace kpr
