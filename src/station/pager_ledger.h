#pragma once
// What a station needs of a programming ledger: counting capcodes reserved while a pager's
// write is under way, and every pager's attempt recorded when it ends. Every call may come
// from any thread; failures throw std::runtime_error with a message meant for the operator.
// The calls carry the words of the ledger's own (ledger/ledger.h), which implements this one
// through StationLedger: the station speaks images, the ledger rows of text, and the station
// sits below the ledger so that it runs and is tested without a database.
#include "image/pager_image.h"
#include "settings/capcode.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kpr {

// A capcode set aside for one pager's write until its attempt is recorded.
struct LedgerReservation {
    int64_t id = 0;
    Capcode capcode = 0; // the first one at or after the one asked for that was free
    // What the ledger passed over, one line each, e.g.
    // "Capcode 1234570 is in pager KS2026000017 already: skipped" or
    // "Capcodes 1234570–1240999 are in other pagers: skipped".
    std::vector<std::string> skipped;
};

// A job's row as one pager's image (the base with the row applied).
struct JobPager {
    int64_t row = 0; // the ledger's id of the row
    int number = 0;  // its row in the order
    std::string label;
    PagerImage image;
    // A counting job's row: the reservations of the capcodes it was given, and what the
    // ledger passed over.
    std::vector<int64_t> reservations;
    std::vector<std::string> skipped;
};

struct PagerAttempt {
    std::string port;
    // The image that went to the pager (sealed, pager codes); none when the write stopped
    // before. `meant` is the position's image then, for the capcodes it was to carry.
    std::optional<PagerImage> written;
    const PagerImage* meant = nullptr;
    std::string result; // "verified", "failed", "cancelled"
    std::string message;
    std::string backupFile; // what the pager held before, kept; "" when none
    int64_t jobRow = 0;     // the job row the pager was written from
};

class PagerLedger {
  public:
    virtual ~PagerLedger() = default;
    virtual LedgerReservation reserve_capcode(Capcode from) = 0;
    // The pager's write is about to start: from now on its reservations stay until its
    // attempt is recorded (a crash never frees a capcode the pager may hold). Throws when the
    // ledger cannot mark them: the write must not start then.
    virtual void mark_writing(const std::vector<int64_t>& reservations,
                              const PagerImage& outgoing) = 0;
    // Records the attempt and, in the same step, drops its reservations: a verified pager now
    // holds their capcodes itself, any other result frees them.
    virtual void record(const PagerAttempt& attempt, const std::vector<int64_t>& reservations) = 0;
    // Gives back the reservations of a pager that was never written.
    virtual void release(const std::vector<int64_t>& reservations) = 0;

    // Jobs (a counting station has none). The next row, taken; nothing when no row is left.
    virtual std::optional<JobPager> take_job_row() { return std::nullopt; }
    // As mark_writing, for a taken row.
    virtual void mark_job_row_writing(int64_t /*row*/, const PagerImage& /*outgoing*/) {}
    // A taken row whose pager was never written goes back to the front.
    virtual void return_job_row(int64_t /*row*/) {}
    // Whether any row is still to take (pending, or back in line after a failed pager).
    virtual bool job_rows_left() { return false; }
};

} // namespace kpr
