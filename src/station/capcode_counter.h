#pragma once
// The one capcode counter of a programming station, shared by its positions. A pager takes
// its capcodes when its write starts; they become final when it verifies, and a pager that
// fails gives them back to the front of the queue, so the verified pagers carry
// consecutive, distinct capcodes. With a ledger, each counting capcode is also reserved there
// (passing over capcodes other pagers hold), so stations sharing a ledger never hand out the
// same one. Every call may come from any thread.
#include "station/pager_ledger.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kpr {

struct CapcodeReservation {
    Capcode capcode[2] = {0, 0};
    long long order = 0;               // place in the queue: lower goes first
    std::vector<int64_t> reservations; // in the ledger, while the pager is in work
    // What the ledger passed over for this pager, each line said once per counter.
    std::vector<std::string> notes;
    std::optional<JobPager> job; // a job's row: the pager gets its image
};

class CapcodeCounter {
  public:
    // first/second: the capcodes of the first pager; inc1/inc2: which of them count up from
    // pager to pager; pagers: how many pagers are wanted (0: no limit); ledger: where the
    // counting capcodes are reserved, may be null.
    CapcodeCounter(Capcode first, Capcode second, bool inc1, bool inc2, int pagers,
                   PagerLedger* ledger = nullptr);

    // The capcodes for the next pager. While the pagers in work could still make up the
    // number wanted, waits for one of them to end. Nothing once enough pagers verified, or
    // after close(). Throws what the ledger throws (nothing taken then).
    std::optional<CapcodeReservation> reserve();
    // Without waiting: nothing when reserve() would have to wait or would give nothing.
    std::optional<CapcodeReservation> try_reserve();
    // The pager verified: its capcodes are used. The messages to show when a counting
    // capcode has reached its largest value and so could not be raised.
    std::vector<std::string> finalize(const CapcodeReservation& r);
    // The pager failed: its capcodes go to the front of the queue. Its ledger
    // reservations must have been dropped (recorded or released) before.
    void give_back(const CapcodeReservation& r);
    // Wakes every reserve() waiting and makes it, and every later one, give nothing.
    void close();

    // From now on each pager is the ledger's next job row instead of counted capcodes; the
    // counter ends when no row is left and no pager is in work (at once when none is left).
    void take_job_rows();

    PagerLedger* ledger() const { return ledger_; }
    int verified() const;
    // Closed, or every pager wanted has verified: no position needs another pager.
    bool finished() const;
    int inFlight() const;
    // The capcodes the next pager would take.
    CapcodeReservation next() const;

  private:
    std::optional<CapcodeReservation> take(std::unique_lock<std::mutex>& lock, bool wait);
    void reserve_in_ledger(CapcodeReservation& r);
    // A job's counter ends once no pager is in work and the ledger has no row left to take.
    void end_if_no_rows();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    CapcodeReservation next_;
    bool inc_[2];
    int wanted_;
    int verified_ = 0;
    int inFlight_ = 0;
    bool closed_ = false;
    bool rows_ = false;
    bool rowsOut_ = false;                    // no row was left to take and no pager was in work
    std::deque<CapcodeReservation> returned_; // in queue order
    PagerLedger* ledger_;
    std::set<std::string> said_;
};

} // namespace kpr
