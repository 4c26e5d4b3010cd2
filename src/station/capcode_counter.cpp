#include "station/capcode_counter.h"

#include "ops/operations.h"
#include "settings/capcode.h"

#include <algorithm>

namespace kpr {

CapcodeCounter::CapcodeCounter(Capcode first, Capcode second, bool inc1, bool inc2, int pagers,
                               PagerLedger* ledger)
    : next_{{first, second}, 0, {}, {}, {}}, inc_{inc1, inc2}, wanted_(std::max(0, pagers)),
      ledger_(ledger) {}

std::optional<CapcodeReservation> CapcodeCounter::reserve() {
    std::unique_lock lock(mutex_);
    return take(lock, true);
}

std::optional<CapcodeReservation> CapcodeCounter::try_reserve() {
    std::unique_lock lock(mutex_);
    return take(lock, false);
}

std::optional<CapcodeReservation> CapcodeCounter::take(std::unique_lock<std::mutex>& lock,
                                                       bool wait) {
    for (;;) {
        if (closed_ || rowsOut_ || (wanted_ > 0 && verified_ >= wanted_))
            return std::nullopt;
        const bool room = wanted_ == 0 || verified_ + inFlight_ < wanted_;
        if (room && !rows_)
            break;
        if (room) {
            // A job: the ledger's next row. When none is left, a pager in work here may
            // still fail and put its row back.
            std::optional<JobPager> row = ledger_ ? ledger_->take_job_row() : std::nullopt;
            if (row) {
                CapcodeReservation r;
                r.order = next_.order++;
                for (int i = 0; i < 2; ++i)
                    r.capcode[i] = decode_capcode(row->image, i);
                r.reservations = row->reservations;
                for (const std::string& line : row->skipped)
                    if (said_.insert(line).second)
                        r.notes.push_back(line);
                r.job = std::move(row);
                ++inFlight_;
                return r;
            }
            if (inFlight_ == 0) {
                rowsOut_ = true;
                changed_.notify_all();
                return std::nullopt;
            }
        }
        // Enough pagers are in work; one of them failing would need another.
        if (!wait)
            return std::nullopt;
        changed_.wait(lock);
    }
    CapcodeReservation r = returned_.empty() ? next_ : returned_.front();
    reserve_in_ledger(r);
    if (returned_.empty())
        ++next_.order;
    else
        returned_.pop_front();
    ++inFlight_;
    // The counter goes on after the capcodes this pager took. One at its largest value stays
    // there, as in single-board batch writing.
    for (int i = 0; i < 2; ++i)
        if (inc_[i] && r.capcode[i] >= next_.capcode[i])
            next_.capcode[i] = std::min<Capcode>(r.capcode[i] + 1, CapcodeMax);
    return r;
}

// Reserves r's counting capcodes in the ledger, moving them past capcodes other pagers hold;
// on failure releases what it reserved and throws, r unchanged.
void CapcodeCounter::reserve_in_ledger(CapcodeReservation& r) {
    r.reservations.clear();
    r.notes.clear();
    if (!ledger_)
        return;
    CapcodeReservation held = r;
    try {
        for (int i = 0; i < 2; ++i) {
            if (!inc_[i])
                continue;
            const LedgerReservation lr = ledger_->reserve_capcode(held.capcode[i]);
            held.reservations.push_back(lr.id);
            held.capcode[i] = lr.capcode;
            for (const std::string& line : lr.skipped)
                if (said_.insert(line).second)
                    held.notes.push_back(line);
        }
    } catch (...) {
        if (!held.reservations.empty()) {
            try {
                ledger_->release(held.reservations);
            } catch (const std::exception&) {
                // the first failure is the one to tell; the ledger frees them at next start
            }
        }
        throw;
    }
    r = std::move(held);
}

std::vector<std::string> CapcodeCounter::finalize(const CapcodeReservation& r) {
    std::lock_guard lock(mutex_);
    --inFlight_;
    ++verified_;
    end_if_no_rows(); // the last row verified: no position waits for another pager
    changed_.notify_all();
    std::vector<std::string> messages;
    for (int i = 0; i < 2; ++i)
        if (inc_[i] && r.capcode[i] >= CapcodeMax)
            messages.push_back(capcode_limit_message(i + 1));
    return messages;
}

void CapcodeCounter::give_back(const CapcodeReservation& r) {
    std::lock_guard lock(mutex_);
    --inFlight_;
    if (r.job) { // its row is back in the ledger
        changed_.notify_all();
        return;
    }
    auto at = std::find_if(returned_.begin(), returned_.end(),
                           [&](const CapcodeReservation& q) { return q.order > r.order; });
    returned_.insert(at, r);
    changed_.notify_all();
}

void CapcodeCounter::take_job_rows() {
    std::lock_guard lock(mutex_);
    rows_ = true;
    end_if_no_rows();
}

void CapcodeCounter::end_if_no_rows() {
    if (!rows_ || inFlight_ > 0 || !ledger_)
        return;
    try {
        if (ledger_->job_rows_left())
            return;
    } catch (const std::exception&) {
        return; // the next take tells why the ledger cannot be used
    }
    rowsOut_ = true;
    changed_.notify_all();
}

void CapcodeCounter::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

bool CapcodeCounter::finished() const {
    std::lock_guard lock(mutex_);
    return closed_ || rowsOut_ || (wanted_ > 0 && verified_ >= wanted_);
}

int CapcodeCounter::verified() const {
    std::lock_guard lock(mutex_);
    return verified_;
}

int CapcodeCounter::inFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_;
}

CapcodeReservation CapcodeCounter::next() const {
    std::lock_guard lock(mutex_);
    return returned_.empty() ? next_ : returned_.front();
}

} // namespace kpr
