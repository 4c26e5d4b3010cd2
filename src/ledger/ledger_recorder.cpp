#include "ledger/ledger_recorder.h"

#include "ledger/attempt_facts.h"
#include "link/usb_link.h"
#include "settings/capcode.h"
#include "text/charset.h"

namespace kpr {

LedgerRecorder::LedgerRecorder(LedgerParts parts, std::string url, std::string defaultFile)
    : p_(std::move(parts)), url_(std::move(url)), defaultFile_(std::move(defaultFile)) {}

LedgerRecorder::~LedgerRecorder() {
    releaseReserved();
}

void LedgerRecorder::releaseReserved() {
    if (ledger_ && !reserved_.empty() && !marked_) {
        try {
            ledger_->release(reserved_);
        } catch (const LedgerError&) {
            // never marked "writing": freed at this machine's next start
        }
    }
    reserved_.clear();
    marked_ = false;
}

void LedgerRecorder::keepReserved() {
    reserved_.clear();
    marked_ = false;
}

void LedgerRecorder::setUrl(std::string url) {
    releaseReserved();
    ledger_.reset();
    offline_ = warned_ = agreedWithout_ = false;
    url_ = std::move(url);
}

bool LedgerRecorder::ready(bool needed) {
    if (!opened(needed))
        return false;
    if (p_.takeLastMessage)
        p_.takeLastMessage(); // said before this attempt
    return true;
}

bool LedgerRecorder::opened(bool needed) {
    if (ledger_)
        return true;
    std::string why;
    try {
        LedgerOpening found;
        ledger_ = open_ledger(url_, defaultFile_, LedgerAccess::Record, &found);
        station_ = station_name();
        offline_ = warned_ = false;
        if (found.freed > 0)
            p_.messages.message(
                "Freed " + std::to_string(found.freed) +
                    " capcode reservation(s) of programs that ended before writing a pager.",
                MessageIcon::Information);
        for (const OpenReservation& r : found.uncertain)
            p_.messages.message(uncertain_reservation_line(r), MessageIcon::Warning);
        return true;
    } catch (const LedgerError& e) {
        why = e.what();
    }
    // A batch asks even when a Read or the dialog's start already went on without it.
    if (needed && !agreedWithout_) {
        const std::string question =
            why + "\n\nWithout the ledger, the auto-increased capcodes are not checked against "
                  "the pagers already written. Go on without the ledger?";
        const bool go = p_.goOnWithout ? p_.goOnWithout(why) : p_.messages.ask(question);
        if (!go)
            return false;
        agreedWithout_ = warned_ = true; // the question said it
    }
    offline_ = true;
    if (!warned_) {
        warned_ = true;
        p_.messages.message(why + " Attempts are not recorded in the ledger until it can be "
                                  "used again.",
                            MessageIcon::Warning);
    }
    return true;
}

void LedgerRecorder::fail(const std::string& why) {
    p_.messages.message(why, MessageIcon::Critical);
}

bool LedgerRecorder::reserve(bool inc1, bool inc2) {
    if (!opened(true))
        return false;
    if (!ledger_)
        return true; // going on without the ledger, as the operator chose
    EditorHooks& e = p_.editor;
    try {
        for (int index : {0, 1}) {
            if (!(index == 0 ? inc1 : inc2))
                continue;
            const long long from = capcode_value(e.capcode_text(index));
            const LedgerReservation r = ledger_->reserve_capcode(static_cast<Capcode>(from));
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
        releaseReserved();
        return false;
    }
}

void LedgerRecorder::read_accepted(const PagerImage& image) {
    if (backups_)
        backups_->read_accepted(image);
}

bool LedgerRecorder::before_write(const PagerImage& outgoing, BlockTransfer& link,
                                  ProgressSink& progress) {
    outgoing_ = outgoing;
    if (backups_ && !backups_->before_write(outgoing, link, progress))
        return false;
    if (!ledger_ || (reserved_.empty() && jobRow_ == 0))
        return true;
    // From here on the pager may hold the reserved capcodes: the ledger must know before
    // the first block goes out, or a crash would let them out again.
    try {
        ledger_->mark_writing(reserved_, shown_serial_of(outgoing));
        if (jobRow_ != 0)
            ledger_->mark_job_row_writing(jobRow_, shown_serial_of(outgoing));
        marked_ = true;
        return true;
    } catch (const LedgerError& err) {
        fail(std::string(err.what()) + " The pager has not been written.");
        return false;
    }
}

bool LedgerRecorder::record(LedgerAttempt a, const PagerImage* facts, bool inPager) {
    if (!ledger_)
        return true; // not recording, as the operator was told
    a.station = station_;
    a.port = p_.link.board_known() ? p_.link.BoardPort : "";
    a.user = current_user();
    a.message = p_.takeLastMessage ? p_.takeLastMessage() : "";
    if (facts)
        describe_image(a, *facts, inPager);
    if (a.kind == "write")
        a.jobRow = std::exchange(jobRow_, 0);
    try {
        ledger_->record(a, reserved_);
        reserved_.clear();
        marked_ = false;
        return true;
    } catch (const LedgerError& err) {
        const bool verified = a.kind == "write" && a.result == "verified";
        if (verified) {
            unrecordedVerified_ = true;
            std::string capcodes;
            for (const LedgerCapcode& c : a.capcodes)
                if (c.on)
                    capcodes += (capcodes.empty() ? "" : ", ") + capcode_text(c.capcode);
            fail("Pager " + (a.serial.empty() ? std::string("(no serial number)") : a.serial) +
                 " was written and verified, but the ledger could not record it: " + err.what() +
                 " Its capcodes (" + capcodes +
                 ") stay held in the ledger; `kprtool log --open` lists them.");
        } else {
            fail("The attempt could not be recorded in the ledger. " + std::string(err.what()));
        }
        // A pager whose write started may hold its capcodes: they stay held (the ledger
        // shows them as open); one never written gives them back.
        if (marked_ || verified) {
            keepReserved();
        } else {
            releaseReserved();
            if (a.jobRow != 0)
                try {
                    ledger_->return_job_row(a.jobRow);
                } catch (const LedgerError&) {
                    // the row stays taken; the next start-up puts it back
                }
        }
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
    a.backupFile = backups_ ? backups_->last_backup_file() : std::string();
    const std::optional<PagerImage> sent = outgoing_;
    outgoing_.reset();
    if (!sent)
        releaseReserved(); // nothing went to the pager
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
    a.backupFile = backups_ ? backups_->last_read_backup_file() : std::string();
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

} // namespace kpr
