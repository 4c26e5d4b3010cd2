#pragma once
// What a station needs of a programming ledger: counting capcodes set aside while a pager's
// write is under way, and every pager's attempt recorded when it ends. Every call may come
// from any thread; failures throw std::runtime_error with a message meant for the operator.
#include "image/pager_image.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kpr {

struct CapcodeHold {
    int64_t id = 0;
    long long capcode = 0; // the first one at or after the one asked for that was free
    // One line per capcode passed over because another pager holds it.
    std::vector<std::string> skipped;
};

// A job's row as one pager's image (the base with the row applied).
struct JobPager {
    int64_t row = 0; // the ledger's id of the row
    int number = 0;  // its row in the order
    std::string label;
    PagerImage image;
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
    virtual CapcodeHold hold(long long from) = 0;
    // The pager's write is about to start: from now on its holds stay held until its attempt
    // is recorded (a crash never frees a capcode the pager may hold). Throws when the ledger
    // cannot mark them: the write must not start then.
    virtual void mark_writing(const std::vector<int64_t>& holds, const PagerImage& outgoing) = 0;
    // Records the attempt and, in the same step, drops its holds: a verified pager now
    // holds their capcodes itself, any other result frees them.
    virtual void record(const PagerAttempt& attempt, const std::vector<int64_t>& holds) = 0;
    // Frees holds of a pager that was never written.
    virtual void release(const std::vector<int64_t>& holds) = 0;

    // Jobs (a counting station has none). The next row, taken; nothing when no row is left.
    virtual std::optional<JobPager> take_row() { return std::nullopt; }
    // As mark_writing, for a taken row.
    virtual void mark_row_writing(int64_t /*row*/, const PagerImage& /*outgoing*/) {}
    // A taken row whose pager was never written goes back to the front.
    virtual void return_row(int64_t /*row*/) {}
};

} // namespace kpr
